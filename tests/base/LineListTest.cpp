#include "base/LineList.h"

#include "base/Exception.h"

#include <gtest/gtest.h>

namespace {

// The notice must come before the change: the listener sees the old content.
TEST(LineList, NoticeArrivesBeforeEachChange)
{
    TLineList list{"a", "b"};
    std::vector<int> countsSeen;
    list.SetOnChanging([&] { countsSeen.push_back(list.Count()); });
    list.Add("c");                     // 2
    list.Put(0, "x");                  // 3
    list.Insert(0, "y");               // 3
    list.Delete(1);                    // 4
    list.SetText("1\r\n2\n3\r4");      // 3
    list.Clear();                      // 4
    EXPECT_EQ(countsSeen, (std::vector<int>{2, 3, 3, 4, 3, 4}));
    EXPECT_EQ(list.Count(), 0);
}

TEST(LineList, CopiesDoNotCarryTheNotice)
{
    int notices = 0;
    TLineList list{"a"};
    list.SetOnChanging([&] { ++notices; });
    TLineList copy = list;
    copy.Add("b");
    EXPECT_EQ(notices, 0);
    list.Assign(copy);
    EXPECT_EQ(notices, 1);
    EXPECT_EQ(list.Count(), 2);
}

TEST(LineList, TextAndSetText)
{
    TLineList list;
    list.SetText("one\r\ntwo\nthree\rfour\n");
    EXPECT_EQ(list.Lines(), (std::vector<std::string>{"one", "two", "three", "four"}));
    EXPECT_EQ(list.Text(), "one\r\ntwo\r\nthree\r\nfour\r\n");
    list.SetText("\n\n");
    EXPECT_EQ(list.Lines(), (std::vector<std::string>{"", ""}));
}

TEST(LineList, IndexOutOfBoundsRaises)
{
    TLineList list{"a"};
    EXPECT_THROW(list.Get(1), Exception);
    EXPECT_THROW(list.Get(-1), Exception);
    EXPECT_THROW(list.Delete(3), Exception);
    EXPECT_NO_THROW(list.Insert(1, "end"));
}

TEST(LineList, NameValueLines)
{
    TLineList list{"user_name=SYSDBA", "Force_Write=0", "flag"};
    EXPECT_EQ(list.IndexOfName("FORCE_WRITE"), 1);
    EXPECT_EQ(list.Value("force_write"), "0");
    EXPECT_EQ(list.IndexOfName("flag"), 2);
    EXPECT_EQ(list.Value("flag"), "");
    list.SetValue("force_write", "1");
    EXPECT_EQ(list[1], "force_write=1");
    list.SetValue("no_reserve", "0");
    EXPECT_EQ(list[3], "no_reserve=0");
    list.SetValue("user_name", "");
    EXPECT_EQ(list.IndexOfName("user_name"), -1);
    EXPECT_EQ(list.Count(), 3);
}

}  // namespace
