#include "app/URestaurol.h"

#include "app/Dialogs.h"
#include "app/core/AppRules.h"
#include "app/core/RepairScript.h"
#include "app/core/RepairSettings.h"
#include "base/Platform.h"

namespace {
// Enables the button again on every way out of the guarded region.
class TEnableOnExit {
public:
    explicit TEnableOnExit(wxButton& button) : FButton(button) {}
    ~TEnableOnExit() { FButton.Enable(true); }
    TEnableOnExit(const TEnableOnExit&) = delete;
    TEnableOnExit& operator=(const TEnableOnExit&) = delete;

private:
    wxButton& FButton;
};
}  // namespace

TFrmRestaurol::TFrmRestaurol(std::string configFolder)
    : TForm("Restaurol de Dados", 345, 84), FConfigFolder(std::move(configFolder))
{
    TComponent::SetName("FrmRestaurol");
    wxFrame::SetName("FrmRestaurol");

    Button1 = new wxButton(ClientPanel(), wxID_ANY, ToWxText("Clique aqui para corrigir o erro"),
                           wxPoint(8, 8), wxSize(329, 65));
    Button1->SetName("Button1");
    Button1->SetFont(wxFont(wxFontInfo(wxSize(0, 21)).FaceName("Arial").Bold()));
    Button1->SetForegroundColour(wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOWTEXT));
    Button1->Bind(wxEVT_BUTTON, [this](wxCommandEvent& event) { Button1Click(event.GetEventObject()); });

    CON = new TDatabase(this);
    CON->SetName("CON");
    TR = new TTransaction(this);
    TR->SetName("TR");
    SC = new TScriptRunner(this);
    SC->SetName("SC");

    CON->DBParams().Assign(std::vector<std::string>{
        std::string("password=") + kFirstPassword, "user_name=SYSDBA", "lc_ctype=ISO8859_1",
        "isc_dpb_no_db_triggers"});
    CON->SetDefaultTransaction(TR);
    CON->SetSQLDialect(3);

    TR->SetDefaultDatabase(CON);
    TR->TimeoutAction = TTransactionAction::TARollback;

    SC->SetDatabase(CON);
    SC->SetAutoDDL(true);
    SC->SetScript(RepairScript());
}

std::string TFrmRestaurol::ConfigFolder() const
{
    return FConfigFolder.empty() ? ExtractFileFolder(ExecutableFileName()) : FConfigFolder;
}

void TFrmRestaurol::Button1Click(wxObject* /*Sender*/)
{
    const TRepairTarget target = ReadRepairTarget(ConfigFolder());
    {
        TEnableOnExit enableOnExit(*Button1);
        Button1->Disable();
        CON->Close();
        CON->SetDBName(RepairDatabaseName(target));
        CON->ConnectParams().SetPassword(kFirstPassword);
        bool opened = false;
        try {
            CON->Open();
            opened = true;
        } catch (...) {
            // Whatever the cause, the fallback password gets its try.
        }
        if (!opened) {
            CON->Close();
            CON->ConnectParams().SetPassword(kFallbackPassword);
            try {
                CON->Open();
                opened = true;
            } catch (...) {
                // The user sees only our own message, never the cause.
            }
            if (!opened) {
                ShowMessage(kMsgConnectFailed);
                return;
            }
        }
        SC->ExecuteScript(1);
    }
    ShowMessage(kMsgRepaired);
    Close();
}
