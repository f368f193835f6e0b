// The matrix's lookup lists: entries found by their whole key, in key order,
// whatever order they were put in.
#include "data/requisition_state.h"

#include <gtest/gtest.h>

using namespace cmp::data;

namespace {

TEST(LookupLists, shouldFindAndChangeEntriesByTheirWholeKeyOnly)
{
    // Keys that are prefixes of others, or contain another key's text.
    QStringList list{lookupEntry("10015", 3), lookupEntry("01A", 2), lookupEntry("1001", 5),
                     lookupEntry("01", 1)};
    sortLookupList(list);
    EXPECT_EQ(list, (QStringList{"01||1", "01A||2", "1001||5", "10015||3"}));

    EXPECT_EQ(lookupQuantity(list, "1001"), 5.0);
    EXPECT_EQ(lookupQuantity(list, "01a"), 2.0) << "keys ignore case";
    EXPECT_EQ(lookupQuantity(list, "100"), std::nullopt);
    EXPECT_EQ(lookupQuantity(list, "001"), std::nullopt) << "never part of a key";

    putLookupQuantity(list, "1001", 1234.5);
    putLookupQuantity(list, "0", 0.125);
    EXPECT_EQ(list, (QStringList{"0||0.125", "01||1", "01A||2", "1001||1234.5", "10015||3"}));

    EXPECT_FALSE(removeLookupEntry(list, "100"));
    EXPECT_TRUE(removeLookupEntry(list, "1001"));
    EXPECT_EQ(lookupQuantity(list, "10015"), 3.0) << "the longer key stays";
    QString rest;
    EXPECT_EQ(LocateProduto(list, "10015", &rest), 3);
    EXPECT_EQ(rest, "3");
}

TEST(LookupLists, shouldKeyACellByTreeCodeAndDeliveryDate)
{
    EXPECT_EQ(cellKey("0302005001", QDate(2026, 12, 7)), "030200500107/12/2026");
}

} // namespace
