#include "app/Form.h"

#include "base/CodePage.h"

#include <wx/settings.h>

namespace {
constexpr long kFixedFrameStyle = wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX;
}

wxString ToWxText(const std::string& cp1252)
{
    return wxString::FromUTF8(Cp1252ToUtf8(cp1252));
}

TForm::TForm(const std::string& caption, int clientWidth, int clientHeight)
    : TComponent(nullptr),
      wxFrame(nullptr, wxID_ANY, ToWxText(caption), wxDefaultPosition, wxDefaultSize, kFixedFrameStyle)
{
    // A frame stretches a lone child over its client area; the panel is that
    // child, so the controls on it keep their own positions.
    FPanel = new wxPanel(this, wxID_ANY);
    FPanel->SetBackgroundColour(wxSystemSettings::GetColour(wxSYS_COLOUR_BTNFACE));
    FPanel->SetForegroundColour(wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOWTEXT));
    FPanel->SetFont(wxFont(wxFontInfo(wxSize(0, 11)).FaceName("MS Sans Serif")));
    SetBackgroundColour(wxSystemSettings::GetColour(wxSYS_COLOUR_BTNFACE));
    SetClientSize(clientWidth, clientHeight);
    const wxSize size = GetSize();
    SetSizeHints(size, size);
    CentreOnScreen();
}

TForm::~TForm()
{
    // Controls first; the owned components follow in ~TComponent.
    DestroyChildren();
}
