#pragma once
// One application object for a whole GUI test process, made like the
// program's own (no message loop is run; tests drive events directly).

#include "app/Application.h"

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/window.h>

namespace apptest {

class TWxEnvironment : public testing::Environment {
public:
    void SetUp() override
    {
        wxApp::SetInstance(new TApplication);
        static int argc = 1;
        static char arg0[] = "test";
        static char* argv[] = {arg0, nullptr};
        ASSERT_TRUE(wxEntryStart(argc, argv)) << "no usable X display (DISPLAY)";
        ASSERT_TRUE(wxTheApp->CallOnInit());
    }
    void TearDown() override
    {
        wxTheApp->OnExit();
        wxEntryCleanup();
    }
};

// Lets pending deletions (closed windows) happen.
inline void ProcessPending()
{
    wxTheApp->ProcessPendingEvents();
    wxTheApp->ProcessIdle();
}

}  // namespace apptest
