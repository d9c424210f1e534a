#pragma once
// The modal boxes the repair tool shows: the simple message box and the
// application's exception box. Both go through one seam so that tests can
// record what would be shown and go on at once; the program never sets it and
// always shows the real dialogs. Text is Windows-1252.

#include <cstdint>
#include <functional>
#include <string>

enum class TDialogKind : std::uint8_t {
    dkMessage = 0,    // text, OK, no icon
    dkException = 1,  // exception text, OK, error icon
};

struct TShownDialog {
    TDialogKind Kind;
    std::string Text;     // as shown (the exception box's "." rule applied)
    std::string Caption;  // the application title
};

using TDialogSeam = std::function<void(const TShownDialog&)>;

// Tests only: route every box to `seam` instead of the screen; an empty seam
// restores the real dialogs.
void SetDialogSeam(TDialogSeam seam);

// A modal box with `text`, one OK button, no icon, the application title as
// caption, centred on the screen; returns when dismissed.
void ShowMessage(const std::string& text);

// The exception box for `message`: "." appended by the box's rule, the
// application title as caption, the error icon, one OK button; modal.
void ShowExceptionBox(const std::string& message);
