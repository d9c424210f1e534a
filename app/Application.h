#pragma once
// TApplication: the application object. It owns the message loop, carries the
// title that captions every box, and turns any exception that escapes an event
// handler into the exception box, after which the loop goes on.

#include <wx/app.h>

#include <string>

class TApplication : public wxApp {
public:
    TApplication();

    // The executable's file name without folder, cut at the first ".", the
    // characters after the first in lower case.
    const std::string& Title() const { return FTitle; }

    // No command-line arguments are read, so the base's parsing is skipped.
    bool OnInit() override { return true; }
    // Called (inside the catch) for an exception that left an event handler.
    bool OnExceptionInMainLoop() override;
    void OnUnhandledException() override;

private:
    std::string FTitle;
};

// The running application's title; computed from the executable's name when
// no TApplication exists.
std::string ApplicationTitle();
