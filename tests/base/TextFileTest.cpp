#include "base/TextFile.h"

#include "base/Exception.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace {

std::string WriteTemp(const std::string& name, const std::string& bytes)
{
    const auto dir = std::filesystem::temp_directory_path() / ("restaurol-textfile-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const auto path = (dir / name).string();
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

std::vector<std::string> ReadAll(const std::string& path)
{
    TTextFileReader reader(path);
    std::vector<std::string> lines;
    std::string line;
    while (reader.ReadLine(line)) lines.push_back(line);
    return lines;
}

TEST(TextFile, LineEnds)
{
    const struct { const char* bytes; std::vector<std::string> lines; } cases[] = {
        {"", {}},
        {"a", {"a"}},
        {"a\n", {"a"}},
        {"a\r\nb\r\n", {"a", "b"}},
        {"a\rb", {"a", "b"}},
        {"a\n\nb", {"a", "", "b"}},
        {"\n", {""}},
    };
    int i = 0;
    for (const auto& c : cases)
        EXPECT_EQ(ReadAll(WriteTemp("f" + std::to_string(i++), c.bytes)), c.lines) << c.bytes;
}

TEST(TextFile, LinesLongerThanTheBufferStayWhole)
{
    const std::string longLine(200000, 'x');
    const auto lines = ReadAll(WriteTemp("long", longLine + "\r\n" + longLine));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], longLine);
    EXPECT_EQ(lines[1], longLine);
}

TEST(TextFile, BytesReadReachesTheFileSize)
{
    const auto path = WriteTemp("size", "12345\r\n678\n");
    TTextFileReader reader(path);
    EXPECT_EQ(reader.FileSize(), 11);
    std::string line;
    while (reader.ReadLine(line)) {}
    EXPECT_EQ(reader.BytesRead(), 11);
    EXPECT_TRUE(reader.Eof());
}

TEST(TextFile, MissingFileAndDirectory)
{
    try {
        TTextFileReader reader("/nonexistent/restaurol/none.sql");
        ADD_FAILURE();
    } catch (const EInOutError& e) {
        EXPECT_EQ(e.Message(), "File not found");
    }
    try {
        TTextFileReader reader(std::filesystem::temp_directory_path().string());
        ADD_FAILURE();
    } catch (const EInOutError& e) {
        EXPECT_EQ(e.Message().rfind("I/O error ", 0), 0u) << e.Message();
    }
}

}  // namespace
