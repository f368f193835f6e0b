#include "framework/core/edit_mask.h"

#include <gtest/gtest.h>

using namespace cmp::fw;

TEST(EditMask, shouldLayRawValuesOnThePictureAndStripThemBack)
{
    struct Case
    {
        QString mask;
        QString raw;
        QString display;
    };
    const Case cases[] = {
        {"999;0; ", "12", "12 "},
        {"999999999999;0; ", "000000000012", "000000000012"},
        {">aaaa;0; ", "AB1", "AB1 "},
        {"99.99.999.999;0; ", "0101001", "01.01.001.   "},
        {"!99/99/0000;1;_", "07/12/2026", "07/12/2026"},
        {"!99/99/0000;1;_", "  /  /    ", "__/__/____"},
        {"\\A-99;1;_", "A-12", "A-12"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE((c.mask + " " + c.raw).toStdString());
        const EditMask mask = EditMask::parse(c.mask);
        EXPECT_EQ(mask.apply(c.raw), c.display);
        EXPECT_EQ(mask.strip(c.display), c.raw);
    }
}

TEST(EditMask, shouldChangeCaseAndSkipTypedLiteralsWhenApplying)
{
    EXPECT_EQ(EditMask::parse(">aaaa;0; ").apply("ab1"), "AB1 ");
    EXPECT_EQ(EditMask::parse("<aa>aa;0;_").apply("ABcd"), "abCD");
    EXPECT_EQ(EditMask::parse(">a<>a;0;_").apply("bc"), "Bc");
    EXPECT_EQ(EditMask::parse("!99/99/0000;1;_").apply("07/12"), "07/12/____");
    EXPECT_EQ(EditMask::parse("99.99;0; ").apply("010203"), "01.02"); // beyond the picture
    EXPECT_EQ(EditMask::parse("99.99.999;0; ").apply("0101", EditMask::Tail::Cut), "01.01");
}

TEST(EditMask, shouldAcceptOnlyCharactersThePictureAllows)
{
    struct Case
    {
        QString mask;
        QString raw;
        bool accepted;
    };
    const Case cases[] = {
        {"999;0; ", "12", true},
        {"999;0; ", "", true},
        {"999;0; ", "1a", false},
        {"999;0; ", "1234", false},
        {"0000;0; ", "12", false}, // required digits missing
        {"0000;0; ", "0012", true},
        {">aaaa;0; ", "a1B", true},
        {">aaaa;0; ", "a-", false},
        {"LL;0;_", "ab", true},
        {"LL;0;_", "a1", false},
        {"#9;0;_", "-1", true},
        {"cC;0;_", " -", true},
        {"cC;0;_", "- ", false},
        {"!99/99/0000;1;_", "07/12/2026", true},
        {"!99/99/0000;1;_", "07122026", false},
        {"!99/99/0000;1;_", "07/12/26", false},
        {"99/99;1;_", "", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE((c.mask + " " + c.raw).toStdString());
        EXPECT_EQ(EditMask::parse(c.mask).accepts(c.raw), c.accepted);
    }
}

TEST(EditMask, shouldTranslateToTheQtInputMaskSyntax)
{
    struct Case
    {
        QString mask;
        QString qtMask;
    };
    const Case cases[] = {
        {">aaaa;0; ", ">nnnn; "},
        {"999999999999;0; ", "000000000000; "},
        {"!99/99/0000;1;_", "00/00/9999;_"},
        {"99.99.999.999;0; ", "00.00.000.000; "},
        {"LlAaCc#;1;_", "AaNnXx#;_"},
        {">a<a<>a;1;_", ">n<n!n;_"},
        {"\\A9-\\9;1;*", "\\A0-\\9;*"}, // literals that Qt reads as mask characters
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mask.toStdString());
        EXPECT_EQ(EditMask::parse(c.mask).toQtInputMask(), c.qtMask);
    }
}

TEST(ProductPicture, shouldFormatTreeCodesOfEveryLevel)
{
    EXPECT_EQ(GetTtNiveis(), 4);
    EXPECT_EQ(EditMask::parse(DBPict(productTreePict)).groupLengths(), QList<int>({2, 2, 3, 3}));
    const std::pair<QString, QString> codes[] = {
        {"01", "01"},
        {"0101", "01.01"},
        {"0101001", "01.01.001"},
        {"0101001001", "01.01.001.001"},
        {"0101001   ", "01.01.001"}, // fixed-width field value
        {"", ""},
    };
    for (const auto& [code, shown] : codes)
        EXPECT_EQ(FormatTreeCode(code), shown);
    EXPECT_EQ(DBPict(7), "");
}
