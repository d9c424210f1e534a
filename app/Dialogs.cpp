#include "app/Dialogs.h"

#include "app/Application.h"
#include "app/core/AppRules.h"
#include "base/CodePage.h"

#include <wx/msgdlg.h>

namespace {
TDialogSeam& Seam()
{
    static TDialogSeam seam;
    return seam;
}

wxString ToWx(const std::string& cp1252)
{
    return wxString::FromUTF8(Cp1252ToUtf8(cp1252));
}

void Show(TDialogKind kind, const std::string& text)
{
    const TShownDialog shown{kind, text, ApplicationTitle()};
    if (Seam()) {
        Seam()(shown);
        return;
    }
    const long icon = kind == TDialogKind::dkException ? wxICON_ERROR : wxICON_NONE;
    wxMessageDialog box(nullptr, ToWx(shown.Text), ToWx(shown.Caption), wxOK | wxCENTRE | icon);
    box.ShowModal();
}
}  // namespace

void SetDialogSeam(TDialogSeam seam)
{
    Seam() = std::move(seam);
}

void ShowMessage(const std::string& text)
{
    Show(TDialogKind::dkMessage, text);
}

void ShowExceptionBox(const std::string& message)
{
    Show(TDialogKind::dkException, ExceptionBoxText(message));
}
