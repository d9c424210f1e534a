// The repair window and its click handler, with the real runner and access
// layer against private Firebird servers: one whose SYSDBA password is the
// first password, one with the fallback password, and the shared test server
// whose password is neither. Boxes go through the dialog seam.

#include "app/Dialogs.h"
#include "app/URestaurol.h"
#include "app/core/RepairScript.h"
#include "app/core/RepairSettings.h"
#include "AppTestDb.h"
#include "TestEnv.h"
#include "WxTestApp.h"

#include <gtest/gtest.h>

#include <ostream>

#include <fstream>
#include <functional>

namespace {

[[maybe_unused]] testing::Environment* const kWx = testing::AddGlobalTestEnvironment(new apptest::TWxEnvironment);

const std::string kFirstServer = "localhost/" APP_TEST_FIRST_PORT;        // SYSDBA password "gorbun"
const std::string kFallbackServer = "localhost/" APP_TEST_FALLBACK_PORT;  // SYSDBA password "quilbrond"

struct TSeen {
    TDialogKind Kind;
    std::string Text;
    std::string Caption;
    bool ButtonEnabled;  // at the moment the box was shown
    bool Connected;
};

class RepairWindow : public testing::Test {
protected:
    void SetUp() override
    {
        const auto* info = testing::UnitTest::GetInstance()->current_test_info();
        Folder = testenv::NewDataDir(std::string("win-") + info->name()) + "/";
        NewForm();
        SetDialogSeam([this](const TShownDialog& d) {
            Seen.push_back({d.Kind, d.Text, d.Caption, Form->Button1->IsEnabled(), Form->CON->Connected()});
        });
    }

    void TearDown() override
    {
        SetDialogSeam({});
        DropForm();
        EXPECT_EQ(wxTopLevelWindows.GetCount(), 0u) << "a window was left behind";
    }

    void NewForm()
    {
        DropForm();
        Form = new TFrmRestaurol(Folder);
        Closed = false;
        Form->Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent& event) {
            Closed = true;
            event.Skip();  // the default closing destroys the window
        });
    }

    void DropForm()
    {
        if (Form && !Closed) Form->Destroy();
        Form = nullptr;
        apptest::ProcessPending();
    }

    // The button's click as the toolkit delivers it, exception handling included.
    void Press()
    {
        ASSERT_FALSE(Closed);
        wxCommandEvent event(wxEVT_BUTTON, Form->Button1->GetId());
        event.SetEventObject(Form->Button1);
        Form->Button1->HandleWindowEvent(event);
    }

    void WriteIni(const std::string& server, const std::string& path)
    {
        std::ofstream(Folder + "quorvel.ini", std::ios::binary)
            << "[Quorvel]\r\nServidor=" << server << "\r\nCaminho=" << path << "\r\n";
    }

    // A sample database on the fallback server, with the ini pointing at it.
    std::string FallbackDb(const std::string& file = "quorvel.fdb", bool withBalance = true)
    {
        const std::string path = Folder + file;
        apptest::CreateQuorvelDatabase(kFallbackServer + ":" + path, kFallbackPassword, withBalance);
        return path;
    }

    static apptest::TRows TriggerRows(const std::string& dbName, const std::string& password)
    {
        return apptest::TConnection(dbName, password)
            .Rows("SELECT RDB$TRIGGER_SOURCE, RDB$TRIGGER_TYPE, RDB$TRIGGER_SEQUENCE, RDB$TRIGGER_INACTIVE"
                  " FROM RDB$TRIGGERS WHERE RDB$TRIGGER_NAME = 'TRIG_ONCONNECT'");
    }

    void ExpectRepaired()
    {
        ASSERT_EQ(Seen.size(), 1u);
        EXPECT_EQ(Seen[0].Kind, TDialogKind::dkMessage);
        EXPECT_EQ(Seen[0].Text, "Pronto. O problema que ocorreu no ZELMORINA j\xE1 foi resolvido!!!");
        EXPECT_EQ(Seen[0].Caption, ApplicationTitle());
        EXPECT_TRUE(Seen[0].ButtonEnabled);
        EXPECT_TRUE(Seen[0].Connected);
        EXPECT_TRUE(Closed);
    }

    std::string Folder;
    TFrmRestaurol* Form = nullptr;
    bool Closed = false;
    std::vector<TSeen> Seen;
};

TEST_F(RepairWindow, StoredSettings)
{
    EXPECT_EQ(Form->GetTitle().utf8_string(), "Restaurol de Dados");
    EXPECT_EQ(Form->GetClientSize(), wxSize(345, 84));
    const long style = Form->GetWindowStyleFlag();
    EXPECT_TRUE(style & wxCLOSE_BOX);
    EXPECT_FALSE(style & (wxRESIZE_BORDER | wxMAXIMIZE_BOX | wxMINIMIZE_BOX));
    EXPECT_EQ(Form->GetMinSize(), Form->GetMaxSize());

    wxButton* b = Form->Button1;
    EXPECT_EQ(b->GetLabel().utf8_string(), "Clique aqui para corrigir o erro");
    EXPECT_EQ(b->GetPosition(), wxPoint(8, 8));
    EXPECT_EQ(b->GetSize(), wxSize(329, 65));
    EXPECT_EQ(b->GetFont().GetWeight(), wxFONTWEIGHT_BOLD);
    EXPECT_EQ(b->GetFont().GetFaceName(), "Arial");
    EXPECT_TRUE(b->IsEnabled());

    EXPECT_EQ(Form->CON->DBParams(),
              (TLineList{"password=gorbun", "user_name=SYSDBA", "lc_ctype=ISO8859_1", "isc_dpb_no_db_triggers"}));
    EXPECT_EQ(Form->CON->SQLDialect(), 3);
    EXPECT_EQ(Form->CON->DefaultTransaction(), Form->TR);
    EXPECT_EQ(Form->CON->LibraryName(), kDefaultClientLibrary);
    EXPECT_FALSE(Form->CON->Connected());
    EXPECT_EQ(Form->TR->DefaultDatabase(), Form->CON);
    EXPECT_EQ(Form->TR->TimeoutAction, TTransactionAction::TARollback);
    EXPECT_FALSE(Form->TR->Active());
    EXPECT_EQ(Form->SC->Database(), Form->CON);
    EXPECT_EQ(Form->SC->Transaction(), nullptr);
    EXPECT_TRUE(Form->SC->AutoDDL());
    EXPECT_EQ(Form->SC->Script(), RepairScript());

    // Owned in creation order, so released SC, TR, CON; the runner's errors
    // carry "FrmRestaurol.SC".
    ASSERT_EQ(Form->ComponentCount(), 3);
    EXPECT_EQ(Form->Components(0), Form->CON);
    EXPECT_EQ(Form->Components(1), Form->TR);
    EXPECT_EQ(Form->Components(2), Form->SC);
    EXPECT_EQ(Form->SC->NamePath(), "FrmRestaurol.SC");
    EXPECT_EQ(Form->CON->NamePath(), "FrmRestaurol.CON");
    EXPECT_EQ(Form->TR->NamePath(), "FrmRestaurol.TR");
}

TEST_F(RepairWindow, FirstPasswordWorksAndFallbackIsNeverTried)
{
    const std::string path = Folder + "first.fdb";
    apptest::CreateQuorvelDatabase(kFirstServer + ":" + path, kFirstPassword, true);
    WriteIni(kFirstServer, path);

    Press();

    ExpectRepaired();
    // The fallback would have rewritten the password line.
    EXPECT_EQ(Form->CON->DBParams()[0], "password=gorbun");
    EXPECT_EQ(Form->CON->DBName(), kFirstServer + ":" + path);
    EXPECT_EQ(TriggerRows(kFirstServer + ":" + path, kFirstPassword).size(), 1u);
}

TEST_F(RepairWindow, FallbackPasswordWhenTheFirstFails)
{
    const std::string path = FallbackDb();
    WriteIni(kFallbackServer, path);

    Press();

    ExpectRepaired();
    // Only the password line changed, in place.
    EXPECT_EQ(Form->CON->DBParams(), (TLineList{"password=quilbrond", "user_name=SYSDBA", "lc_ctype=ISO8859_1",
                                                "isc_dpb_no_db_triggers"}));
    const apptest::TRows trigger = TriggerRows(kFallbackServer + ":" + path, kFallbackPassword);
    ASSERT_EQ(trigger.size(), 1u);
    EXPECT_NE(trigger[0][0].find("UPDATE OR INSERT INTO BALANCETEANUAL"), std::string::npos);
    EXPECT_EQ(trigger[0][1], "8192");  // ON CONNECT
    EXPECT_EQ(trigger[0][2], "0");
    EXPECT_EQ(trigger[0][3], "0");
}

// Ways for both connection attempts to fail; each is then corrected and the
// next press must work without a new window.
struct TConnectFailure {
    const char* Name;
    std::function<void(RepairWindow& w, TFrmRestaurol& form, const std::string& folder)> Break;
};

// Cases show by name in test listings.
inline void PrintTo(const TConnectFailure& c, std::ostream* os) { *os << c.Name; }


class RepairConnectFailure : public RepairWindow, public testing::WithParamInterface<TConnectFailure> {};

const TConnectFailure kConnectFailures[] = {
    {"wrong_passwords",
     [](RepairWindow&, TFrmRestaurol&, const std::string& folder) {
         // The shared test server knows neither password.
         const std::string path = folder + "other.fdb";
         apptest::CreateQuorvelDatabase(testenv::RemoteName(path), testenv::SysdbaPassword(), true);
         std::ofstream(folder + "quorvel.ini", std::ios::binary)
             << "[Quorvel]\nServidor=localhost/" << testenv::ServerPort() << "\nCaminho=" << path << "\n";
     }},
    {"unloadable_client_library",
     [](RepairWindow&, TFrmRestaurol& form, const std::string&) {
         form.CON->SetLibraryName("libfbclient-not-here.so.9");
     }},
    {"missing_database_file",
     [](RepairWindow&, TFrmRestaurol&, const std::string& folder) {
         std::ofstream(folder + "quorvel.ini", std::ios::binary)
             << "[Quorvel]\nServidor=" << kFallbackServer << "\nCaminho=" << folder << "nothing.fdb\n";
     }},
    {"no_server_listening",
     [](RepairWindow&, TFrmRestaurol&, const std::string& folder) {
         std::ofstream(folder + "quorvel.ini", std::ios::binary)
             << "[Quorvel]\nServidor=localhost/1\nCaminho=" << folder << "quorvel.fdb\n";
     }},
    {"no_configuration_file",
     [](RepairWindow&, TFrmRestaurol&, const std::string& folder) {
         // The default is localhost and QUORVEL.FDB beside the executable:
         // no server listens on the standard port here.
         std::remove((folder + "quorvel.ini").c_str());
     }},
};

TEST_P(RepairConnectFailure, ShowsOnlyOwnMessageAndRecovers)
{
    const std::string good = FallbackDb();
    WriteIni(kFallbackServer, good);
    GetParam().Break(*this, *Form, Folder);

    Press();

    ASSERT_EQ(Seen.size(), 1u);
    EXPECT_EQ(Seen[0].Kind, TDialogKind::dkMessage);
    EXPECT_EQ(Seen[0].Text, "Falha ao conectar com o banco de dados!!!");
    EXPECT_EQ(Seen[0].Caption, ApplicationTitle());
    EXPECT_FALSE(Seen[0].ButtonEnabled);  // enabled only once the box is dismissed
    EXPECT_TRUE(Form->Button1->IsEnabled());
    EXPECT_FALSE(Form->CON->Connected());
    EXPECT_FALSE(Closed);

    // Corrected while the window stays open.
    WriteIni(kFallbackServer, good);
    Form->CON->SetLibraryName(kDefaultClientLibrary);
    Seen.clear();
    Press();
    ExpectRepaired();
    EXPECT_EQ(TriggerRows(kFallbackServer + ":" + good, kFallbackPassword).size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Cases, RepairConnectFailure, testing::ValuesIn(kConnectFailures),
                         [](const testing::TestParamInfo<TConnectFailure>& info) { return info.param.Name; });

TEST_F(RepairWindow, ScriptFailureShowsDatabaseErrorAndNextPressReruns)
{
    const std::string path = FallbackDb("nobalance.fdb", false);
    const std::string dbName = kFallbackServer + ":" + path;
    WriteIni(kFallbackServer, path);

    Press();

    ASSERT_EQ(Seen.size(), 1u);
    EXPECT_EQ(Seen[0].Kind, TDialogKind::dkException);
    EXPECT_EQ(Seen[0].Text.rfind("FrmRestaurol.SC:\r\n", 0), 0u) << Seen[0].Text;
    EXPECT_NE(Seen[0].Text.find("BALANCETEANUAL"), std::string::npos) << Seen[0].Text;
    EXPECT_EQ(Seen[0].Text.back(), '\n');  // ends in a line break: no "." appended
    EXPECT_EQ(Seen[0].Caption, ApplicationTitle());
    EXPECT_TRUE(Seen[0].ButtonEnabled);
    EXPECT_TRUE(Form->Button1->IsEnabled());
    EXPECT_TRUE(Form->CON->Connected());
    EXPECT_FALSE(Closed);
    EXPECT_TRUE(TriggerRows(dbName, kFallbackPassword).empty());

    apptest::TConnection(dbName, kFallbackPassword).Exec({apptest::BalanceTable()});
    Seen.clear();
    Press();
    ExpectRepaired();
    EXPECT_EQ(TriggerRows(dbName, kFallbackPassword).size(), 1u);
}

TEST_F(RepairWindow, RepairingTwiceLeavesOneSameTrigger)
{
    const std::string path = FallbackDb();
    const std::string dbName = kFallbackServer + ":" + path;
    WriteIni(kFallbackServer, path);

    Press();
    ExpectRepaired();
    const apptest::TRows first = TriggerRows(dbName, kFallbackPassword);

    NewForm();
    Seen.clear();
    Press();
    ExpectRepaired();
    const apptest::TRows second = TriggerRows(dbName, kFallbackPassword);
    ASSERT_EQ(second.size(), 1u);
    EXPECT_EQ(second, first);
}

// What the re-created trigger does at later attachments that let it run.
struct TTriggerCase {
    const char* Name;
    std::vector<std::string> Data;             // "{Y}" is the server's current year
    std::vector<std::string> Balance;          // "ANO|CODIGO|PRECO|ESTOQUE" ordered by year, code
    std::vector<std::string> Padrao;           // "ID|ULTIMOANOBASEESTOQUE" ordered by id
};

// Cases show by name in test listings.
inline void PrintTo(const TTriggerCase& c, std::ostream* os) { *os << c.Name; }


const std::vector<std::string> kProducts = {
    "INSERT INTO PRODUTOS VALUES ('A', 'Arroz', 10.5, 3.5)",
    "INSERT INTO PRODUTOS VALUES ('B', 'Feij\xE3o', NULL, 2)",
    "INSERT INTO PRODUTOS VALUES ('C', 'Caf\xE9', 1.25, NULL)",
};

std::vector<std::string> With(std::vector<std::string> a, const std::vector<std::string>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

const TTriggerCase kTriggerCases[] = {
    {"null_base_year_counts_as_2015",
     With({"INSERT INTO PADRAO VALUES (1, NULL)"}, kProducts),
     {"{Y}|A|10.50|3.500", "{Y}|B|<null>|2.000", "{Y}|C|1.25|0.000"},
     {"1|{Y}"}},
    {"empty_padrao_does_nothing", kProducts, {}, {}},
    {"current_year_already_recorded", With({"INSERT INTO PADRAO VALUES (1, {Y})"}, kProducts), {}, {"1|{Y}"}},
    {"skipped_years_write_only_this_year",
     With({"INSERT INTO PADRAO VALUES (1, {Y-3})", "INSERT INTO PADRAO VALUES (2, NULL)",
           "INSERT INTO BALANCETEANUAL VALUES ({Y-3}, 'A', 1, 1)",
           "INSERT INTO BALANCETEANUAL VALUES ({Y}, 'A', 99, 99)"},
          kProducts),
     {"{Y-3}|A|1.00|1.000", "{Y}|A|10.50|3.500", "{Y}|B|<null>|2.000", "{Y}|C|1.25|0.000"},
     {"1|{Y}", "2|{Y}"}},
};

class RepairedTrigger : public RepairWindow, public testing::WithParamInterface<TTriggerCase> {};

std::vector<std::string> Joined(const apptest::TRows& rows)
{
    std::vector<std::string> out;
    for (const auto& row : rows) {
        std::string line;
        for (const std::string& field : row) line += (line.empty() ? "" : "|") + field;
        out.push_back(line);
    }
    return out;
}

TEST_P(RepairedTrigger, RunsAtLaterAttachments)
{
    const std::string path = FallbackDb();
    const std::string dbName = kFallbackServer + ":" + path;
    WriteIni(kFallbackServer, path);
    Press();
    ExpectRepaired();

    apptest::TConnection setup(dbName, kFallbackPassword);
    const int year = std::stoi(setup.Scalar("SELECT EXTRACT(YEAR FROM CURRENT_DATE) FROM RDB$DATABASE"));
    const auto expand = [year](std::string s) {
        for (const auto& [mark, value] :
             {std::pair<std::string, int>{"{Y}", year}, std::pair<std::string, int>{"{Y-3}", year - 3}})
            for (size_t at; (at = s.find(mark)) != std::string::npos;) s.replace(at, mark.size(), std::to_string(value));
        return s;
    };
    const auto expandAll = [&](const std::vector<std::string>& v) {
        std::vector<std::string> out;
        for (const std::string& s : v) out.push_back(expand(s));
        return out;
    };
    setup.Exec(expandAll(GetParam().Data));

    const auto balance = [&] {
        return Joined(setup.Rows("SELECT ANO, CODIGOPRODUTO, CAST(PRECOCUSTO AS VARCHAR(20)),"
                                 " CAST(ESTOQUE AS VARCHAR(20)) FROM BALANCETEANUAL ORDER BY ANO, CODIGOPRODUTO"));
    };
    const auto padrao = [&] { return Joined(setup.Rows("SELECT ID, ULTIMOANOBASEESTOQUE FROM PADRAO ORDER BY ID")); };
    { apptest::TConnection fires(dbName, kFallbackPassword, true); }
    EXPECT_EQ(balance(), expandAll(GetParam().Balance));
    EXPECT_EQ(padrao(), expandAll(GetParam().Padrao));

    // A second attachment in the same year changes nothing, even with new prices.
    setup.Exec({"UPDATE PRODUTOS SET PRECOCUSTO = 77, ESTOQUEATUAL = 7"});
    const std::vector<std::string> afterFirst = balance();
    { apptest::TConnection again(dbName, kFallbackPassword, true); }
    EXPECT_EQ(balance(), afterFirst);
    EXPECT_EQ(padrao(), expandAll(GetParam().Padrao));
}

INSTANTIATE_TEST_SUITE_P(Cases, RepairedTrigger, testing::ValuesIn(kTriggerCases),
                         [](const testing::TestParamInfo<TTriggerCase>& info) { return info.param.Name; });

}  // namespace
