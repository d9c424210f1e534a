// Restaurol: the one-button repair tool for a Quorvel database.

#include "app/Application.h"
#include "app/URestaurol.h"

namespace {
class TRestaurolApp : public TApplication {
public:
    bool OnInit() override
    {
        auto* form = new TFrmRestaurol();
        SetTopWindow(form);
        form->Show();
        return true;
    }
    // Closing the main window ends the loop; the process always ends with 0.
    int OnExit() override { return 0; }
};
}  // namespace

wxIMPLEMENT_APP_NO_MAIN(TRestaurolApp);

int main(int argc, char** argv)
{
    return wxEntry(argc, argv);
}
