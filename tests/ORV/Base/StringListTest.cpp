#include "ORV.Classes.StringList.h"
#include "ORV.Strings.h"

#include <gtest/gtest.h>

#include <vector>

using namespace ORV;

namespace {

std::vector<std::u16string> Lines(const TORVStringList& list) {
    std::vector<std::u16string> lines;
    for (int32_t i = 0; i < list.Count(); ++i) lines.push_back(list.Strings(i));
    return lines;
}

struct TCounted : IInterface {
    explicit TCounted(int& alive) : FAlive(alive) { ++FAlive; }
    ~TCounted() override { --FAlive; }
    int& FAlive;
};

} // namespace

TEST(StringList, CapacityGrowsByFourThenSixteenThenAQuarter) {
    const struct {
        int Inserts;
        int32_t Capacity;
    } cases[] = {{1, 4}, {4, 4}, {5, 8}, {9, 12}, {12, 12}, {13, 28}, {60, 60}, {61, 76}, {77, 95}, {96, 118}};
    for (const auto& c : cases) {
        TORVStringList list;
        for (int i = 0; i < c.Inserts; ++i) list.Insert(0, u"x");
        EXPECT_EQ(list.Capacity(), c.Capacity) << c.Inserts << " inserts";
        list.Delete(0);
        EXPECT_EQ(list.Capacity(), c.Capacity) << "a deletion keeps the slots";
        list.Clear();
        EXPECT_EQ(list.Capacity(), 0);
    }
}

TEST(StringList, ReservedCapacityIsUsedBeforeTheListGrows) {
    TORVStringList list;
    list.Add(u"a");
    list.SetCapacity(10);
    for (int i = 0; i < 9; ++i) list.Add(u"x");
    EXPECT_EQ(list.Capacity(), 10);
    list.Add(u"y");
    EXPECT_EQ(list.Capacity(), 26);
    EXPECT_THROW(list.SetCapacity(3), ORV::EListError);
    EXPECT_EQ(list.Count(), 11);
}

TEST(StringList, ItemsHoldTheirObjectUntilTheyGo) {
    int alive = 0;
    TORVStringList list;
    list.Insert(0, u"a", 7, std::make_shared<TCounted>(alive));
    list.Insert(0, u"b", 8, std::make_shared<TCounted>(alive));
    ASSERT_EQ(alive, 2);
    EXPECT_EQ(list.Data(1), 7);

    list.SetString(1, u"renamed");  // the text changes, value and object stay
    EXPECT_EQ(list.Data(1), 7);
    EXPECT_NE(list.Objects(1), nullptr);

    {
        TORVStringList copy;
        copy.Assign(list);
        list.Delete(0);
        EXPECT_EQ(alive, 2) << "the copy shares the object of the deleted item";
    }
    EXPECT_EQ(alive, 1);
    list.Clear();
    EXPECT_EQ(alive, 0);
}

TEST(StringList, SetTextBreaksLinesAndKeepsEmptyOnes) {
    const struct {
        const char16_t* Text;
        std::vector<std::u16string> Lines;
    } cases[] = {
        {u"", {}},
        {u"a", {u"a"}},
        {u"a\r\n", {u"a"}},
        {u"\r\n", {u""}},
        {u"a\r\rb", {u"a", u"", u"b"}},
        {u"a\n\nb", {u"a", u"", u"b"}},
        {u"a\n\rb", {u"a", u"", u"b"}},
        {u"a\r\nb\rc\nd", {u"a", u"b", u"c", u"d"}},
        {u"a\u2028b", {u"a", u"b"}},
        {u"a\u2028\rb", {u"a", u"b"}},
        {u"a\u2028\nb", {u"a", u"b"}},
        {u"a\u2028\r\nb", {u"a", u"b"}},
        {u"a\u2028\n\rb", {u"a", u"", u"b"}},
        {u"a\u2028\u2028b", {u"a", u"", u"b"}},
        {u"a\u2028", {u"a"}},
        {u" \tkey = value\t ", {u" \tkey = value\t "}},
    };
    for (const auto& c : cases) {
        TORVStringList list;
        list.Add(u"old");
        list.SetText(c.Text);
        EXPECT_EQ(Lines(list), c.Lines) << testing::PrintToString(Utf16ToUtf8(c.Text));
    }
}

TEST(StringList, TextEndsEveryLineWithCrLf) {
    TORVStringList list;
    EXPECT_EQ(list.Text(), u"");
    list.SetText(u"a\n\nb");
    EXPECT_EQ(list.Text(), u"a\r\n\r\nb\r\n");
}

TEST(StringList, NamesAndValuesSplitAtTheFirstDelimiter) {
    TORVStringList list;
    list.SetText(u"key=a=b\nplain\n=value\nk:v");
    const struct {
        int32_t Index;
        const char16_t* Name;
        const char16_t* Value;
    } cases[] = {{0, u"key", u"a=b"}, {1, u"", u"plain"}, {2, u"", u"value"}, {3, u"", u"k:v"}};
    for (const auto& c : cases) {
        EXPECT_EQ(list.Names(c.Index), c.Name);
        EXPECT_EQ(list.ValueFromIndex(c.Index), c.Value);
    }
    list.SetDelimiter(u':');
    EXPECT_EQ(list.Names(3), u"k");
    EXPECT_EQ(list.ValueFromIndex(3), u"v");
}

TEST(StringList, IndexOfComparesWholeLines) {
    TORVStringList list;
    list.SetText(u"Alpha\nBeta\nbeta");
    EXPECT_EQ(list.IndexOf(u"BETA"), 1);
    EXPECT_EQ(list.IndexOf(u"Bet"), -1);
    list.SetIgnoreCase(false);
    EXPECT_EQ(list.IndexOf(u"beta"), 2);
    EXPECT_EQ(list.IndexOf(u"BETA"), -1);
}

TEST(StringList, IndexesOutsideTheListRaise) {
    TORVStringList list;
    list.Add(u"a");
    try {
        list.Delete(5);
        FAIL() << "no exception";
    } catch (const EListError& e) {
        EXPECT_EQ(e.Message(), u"List index out of bounds (5)");
    }
    EXPECT_THROW(list.Strings(-1), EListError);
    EXPECT_THROW(list.SetString(1, u"x"), EListError);
    EXPECT_THROW(list.Insert(2, u"x"), EListError);
    list.Insert(1, u"b");  // Count appends
    EXPECT_EQ(list.Strings(1), u"b");
}
