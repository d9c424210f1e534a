#pragma once
// TForm: a fixed-size top-level window that is also a component owner. Its
// controls live on a client panel and go with the window; the components it
// owns are destroyed after them, last-created first.

#include "base/Component.h"

#include <wx/frame.h>
#include <wx/panel.h>

#include <string>

class TForm : public TComponent, public wxFrame {
public:
    // `caption` is Windows-1252. The window has a single fixed border and only
    // the close button in its title bar; the user cannot resize it.
    TForm(const std::string& caption, int clientWidth, int clientHeight);
    ~TForm() override;

    // The parent of the form's controls, filling the client area.
    wxPanel* ClientPanel() const { return FPanel; }

private:
    wxPanel* FPanel;
};

// Windows-1252 text for the toolkit.
wxString ToWxText(const std::string& cp1252);
