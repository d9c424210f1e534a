// Reading "quorvel.ini" with the Windows profile-string rules and building the
// database name from it.

#include "app/core/IniFile.h"
#include "app/core/RepairSettings.h"
#include "TestEnv.h"

#include <gtest/gtest.h>

#include <ostream>

#include <fstream>
#include <optional>
#include <string>

namespace {

struct TConfigCase {
    const char* Name;
    std::optional<std::string> Ini;  // nullopt: no file at all
    std::string Server;               // "<folder>" stands for the folder
    std::string Path;
    std::string DBName;
};

// Cases show by name in test listings.
inline void PrintTo(const TConfigCase& c, std::ostream* os) { *os << c.Name; }


std::string Expand(std::string text, const std::string& folder)
{
    const std::string mark = "<folder>";
    for (size_t at; (at = text.find(mark)) != std::string::npos;) text.replace(at, mark.size(), folder);
    return text;
}

const std::string kLong(3000, 'x');

const TConfigCase kConfigCases[] = {
    {"missing_file", std::nullopt, "localhost", "<folder>QUORVEL.FDB", "localhost:<folder>QUORVEL.FDB"},
    {"empty_file", "", "localhost", "<folder>QUORVEL.FDB", "localhost:<folder>QUORVEL.FDB"},
    {"missing_section", "[Outra]\nServidor=srv\nCaminho=/db.fdb\n", "localhost", "<folder>QUORVEL.FDB",
     "localhost:<folder>QUORVEL.FDB"},
    {"missing_key", "[Quorvel]\nCaminho=/dados/q.fdb\n", "localhost", "/dados/q.fdb", "localhost:/dados/q.fdb"},
    {"plain", "[Quorvel]\r\nServidor=srv01\r\nCaminho=C:\\Quorvel\\DADOS.FDB\r\n", "srv01",
     "C:\\Quorvel\\DADOS.FDB", "srv01:C:\\Quorvel\\DADOS.FDB"},
    {"empty_server_kept", "[Quorvel]\nServidor=\nCaminho=/q.fdb\n", "", "/q.fdb", ":/q.fdb"},
    {"path_with_host_prefix", "[Quorvel]\nServidor=srv\nCaminho=other:/q.fdb\n", "srv", "other:/q.fdb",
     "srv:other:/q.fdb"},
    {"letter_case", "[qUORVEL]\nSERVIDOR=a\ncaminho=b\n", "a", "b", "a:b"},
    {"blanks_and_quotes", "  [ Quorvel ]  \n  Servidor  =   \"srv 2\"  \n\tCaminho\t=\t' /q.fdb '\t\n", "srv 2",
     " /q.fdb ", "srv 2: /q.fdb "},
    {"quote_on_one_side_kept", "[Quorvel]\nServidor=\"srv\nCaminho=p'\n", "\"srv", "p'", "\"srv:p'"},
    {"mismatched_quotes_kept", "[Quorvel]\nServidor=\"srv'\nCaminho=p\n", "\"srv'", "p", "\"srv':p"},
    {"comments_and_other_sections", "; comment\n[A]\nServidor=no\n[Quorvel]\n;Servidor=no\nServidor=yes\n[B]\nCaminho=no\n",
     "yes", "<folder>QUORVEL.FDB", "yes:<folder>QUORVEL.FDB"},
    {"first_key_wins", "[Quorvel]\nServidor=one\nServidor=two\nCaminho=x=y\n", "one", "x=y", "one:x=y"},
    {"line_without_equals_is_no_key", "[Quorvel]\nServidor\nCaminho=p\n", "localhost", "p", "localhost:p"},
    {"long_value_cut", "[Quorvel]\nServidor=s\nCaminho=" + kLong + "\n", "s", std::string(2047, 'x'),
     "s:" + std::string(2047, 'x')},
    {"windows_1252_bytes", "[Quorvel]\nServidor=s\nCaminho=/dados/Jo\xE3o.fdb\n", "s", "/dados/Jo\xE3o.fdb",
     "s:/dados/Jo\xE3o.fdb"},
};

class ConfigTable : public testing::TestWithParam<TConfigCase> {};

TEST_P(ConfigTable, ReadsServerPathAndName)
{
    const TConfigCase& c = GetParam();
    const std::string folder = testenv::NewDataDir(std::string("ini-") + c.Name) + "/";
    if (c.Ini) std::ofstream(folder + "quorvel.ini", std::ios::binary) << *c.Ini;

    const TRepairTarget target = ReadRepairTarget(folder);
    EXPECT_EQ(target.Server, Expand(c.Server, folder));
    EXPECT_EQ(target.Path, Expand(c.Path, folder));
    EXPECT_EQ(RepairDatabaseName(target), Expand(c.DBName, folder));
}

INSTANTIATE_TEST_SUITE_P(Cases, ConfigTable, testing::ValuesIn(kConfigCases),
                         [](const testing::TestParamInfo<TConfigCase>& info) { return info.param.Name; });

TEST(IniFile, UnreadableFileCountsAsMissing)
{
    // A folder where the file should be: opening it as a file fails.
    const std::string folder = testenv::NewDataDir("ini-dir") + "/";
    std::filesystem::create_directory(folder + "quorvel.ini");
    EXPECT_EQ(TIniFile(folder + "quorvel.ini").ReadString("Quorvel", "Servidor", "dflt"), "dflt");
}

}  // namespace
