#include "framework/core/strings.h"

#include <gtest/gtest.h>

using namespace cmp::fw;

TEST(Blanks, shouldTreatTextsOfOnlyBlanksAsEmptyAndTrimThem)
{
    struct Case
    {
        QString text;
        bool empty;
        QString allTrim;
        QString rTrim;
    };
    const Case cases[] = {
        {"", true, "", ""},
        {"   ", true, "", ""},
        {"\t \n", true, "", ""},
        {" ab c ", false, "ab c", " ab c"},
        {"0001", false, "0001", "0001"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        EXPECT_EQ(EmptyString(c.text), c.empty);
        EXPECT_EQ(AllTrim(c.text), c.allTrim);
        EXPECT_EQ(RTrim(c.text), c.rTrim);
    }
}

TEST(Ajusta, shouldPadTypedCodesWithZerosToTheirWidth)
{
    struct Case
    {
        QString typed;
        int width;
        QString code;
    };
    const Case cases[] = {
        {"12", 4, "0012"},
        {" 12  ", 4, "0012"},
        {"1", 12, "000000000001"},
        {"0001", 4, "0001"},
        {"12345", 4, "12345"}, // never cut: a too long code must still fail
                               // its lookup
        {"", 4, ""},
        {"   ", 3, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        EXPECT_EQ(Ajusta(c.typed, c.width), c.code);
    }
}

TEST(LeftStrAndReplicate, shouldCutAndRepeatWithoutFailingOnOddCounts)
{
    EXPECT_EQ(LeftStr("0101001", 4), "0101");
    EXPECT_EQ(LeftStr("01", 10), "01");
    EXPECT_EQ(LeftStr("01", -1), "");

    // The end of a product range takes in its whole subtree.
    EXPECT_EQ("01" + Replicate(u'Z', 18), "01ZZZZZZZZZZZZZZZZZZ");
    EXPECT_EQ(Replicate("ab", 3), "ababab");
    EXPECT_EQ(Replicate(u'Z', 0), "");
    EXPECT_EQ(Replicate("ab", -2), "");
}

TEST(MaxNumber, shouldLimitQuantitiesToTenIntegerDigitsAndThreeDecimals)
{
    struct Case
    {
        QString text;
        QChar key;
        int selStart;
        int selLength;
        bool accepted;
    };
    const Case cases[] = {
        {"", u'5', 0, 0, true},
        {"1234567890", u'1', 10, 0, false},
        {"1234567890", u',', 10, 0, true},
        {"1234567890,12", u'3', 13, 0, true},
        {"1234567890,123", u'4', 14, 0, false},
        {"1234567890,123", u'\b', 14, 0, true},
        {"1234567890", u'7', 0, 1, true},     // replaces the selected digit
        {"123,456", u'9', 0, 7, true},        // replaces the whole text
        {"12,5", u',', 4, 0, false},          // one decimal comma only
        {"1,234", u'5', 0, 0, true},          // digits before the comma count as integer
        {"1.234.567.890", u'1', 0, 0, false}, // grouping dots are not digits
        {"1.234", u'5', 5, 0, true},
        {"12", u'.', 2, 0, false},
        {"12", u'a', 2, 0, false},
        {"", u'-', 0, 0, true},
        {"12", u'-', 2, 0, false},
        {"12", u'3', 9, 4, true}, // a stale selection is clamped to the text
    };
    for (const Case& c : cases) {
        SCOPED_TRACE((c.text + " + " + c.key).toStdString());
        EXPECT_EQ(MaxNumber(c.text, 10, 3, c.key, c.selStart, c.selLength), c.accepted);
    }
    EXPECT_FALSE(MaxNumber("12", 4, 0, u',', 2, 0));
}

TEST(ListString, shouldWriteEachChosenKeyBetweenUnderscores)
{
    struct Case
    {
        QStringList keys;
        QString list;
    };
    const Case cases[] = {
        {{}, ""},
        {{"0001"}, "_0001_"},
        {{"0001", "0002", "0010"}, "_0001_0002_0010_"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.list.toStdString());
        EXPECT_EQ(ListString(c.keys), c.list);
        EXPECT_EQ(ListStringKeys(c.list), c.keys);
    }

    const QString list = ListString({"0001", "0010"});
    EXPECT_TRUE(ListStringHas(list, "0010"));
    EXPECT_FALSE(ListStringHas(list, "001")); // a prefix of a key is another key
    EXPECT_FALSE(ListStringHas(list, ""));
    EXPECT_FALSE(ListStringHas("", "0001"));
}
