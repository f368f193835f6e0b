// tests/framework/data/filter_expression_test.cpp
#include "framework/data/filter_expression.h"

#include <QDate>
#include <QDateTime>

#include <gtest/gtest.h>

namespace cmp::fw {
namespace {

const std::vector<FieldDef> itemFields{
    {"CDARVPROD", FieldType::String, 20},        {"NMPRODUTO", FieldType::String, 50},
    {"DTPROGENTR", FieldType::Date, 0},          {"DTOPERSOL", FieldType::DateTime, 0},
    {"QTSOLIPROD", FieldType::Float, 0},         {"NRITEM", FieldType::Integer, 0},
    {"IDATIVO", FieldType::Boolean, 0},          {"Observação Geral", FieldType::Memo, 0},
    {"IDBAIXITMSOL", FieldType::FixedString, 1},
};

struct Item
{
    QString label;
    std::vector<QVariant> values;
};

// A: a full item; B: negative and false values, empty texts; C: only a code.
const std::vector<Item> items{
    {"A",
     {QString("0101"), QString("X||0101"), QDate(2026, 12, 7),
      QDateTime(QDate(2026, 12, 7), QTime(0, 0)), 5.5, qint64(10), true, QString("Obs"),
      QString("S")}},
    {"B",
     {QString("0202"), QString("D'Ávila"), QDate(2026, 12, 8),
      QDateTime(QDate(2026, 12, 8), QTime(14, 30)), 0.0, qint64(-3), false, QString(""),
      QString("")}},
    {"C", {QString("0303"), {}, {}, {}, {}, {}, {}, {}, {}}},
};

// Labels of the items the filter lets through, in order.
QString matching(const QString& text, Qt::CaseSensitivity strings = Qt::CaseSensitive)
{
    const FilterExpression filter = FilterExpression::parse(text, itemFields);
    QString labels;
    for (const Item& item : items)
        if (filter.matches([&](int i) { return item.values.at(i); }, strings))
            labels += item.label;
    return labels;
}

// The message of the error the text gives; empty when it parses.
QString parseError(const QString& text)
{
    try {
        FilterExpression::parse(text, itemFields);
    } catch (const FilterError& error) {
        return QString::fromUtf8(error.what());
    }
    return {};
}

TEST(FilterExpression, shouldLetThroughExactlyTheRecordsTheExpressionDescribes)
{
    const std::vector<std::pair<QString, QString>> cases{
        // texts, bare or bracketed names, every operator; a null never compares
        {"[CDARVPROD] = '0101'", "A"},
        {"cdarvprod <> '0101'", "BC"},
        {"CDARVPROD < '0202'", "A"},
        {"CDARVPROD > '0202'", "C"},
        {"CDARVPROD <= '0202'", "AB"},
        {"CDARVPROD >= '0202'", "BC"},
        {"NMPRODUTO = 'D''Ávila'", "B"},
        {"NMPRODUTO <> 'X'", "AB"},
        {"[observação geral] = 'Obs'", "A"},
        {"[Observação Geral] = ''", "B"},
        {"IDBAIXITMSOL = 'S'", "A"},
        // dates in the short format, also against date-time fields
        {"DTPROGENTR = '07/12/2026'", "A"},
        {"DTPROGENTR > '07/12/2026'", "B"},
        {"DTOPERSOL = '07/12/2026'", "A"},
        {"DTOPERSOL >= '08/12/2026'", "B"},
        {"DTOPERSOL < '08/12/2026 14:30:00'", "A"},
        // numbers, integers and booleans (false before true)
        {"QTSOLIPROD > 0", "A"},
        {"QTSOLIPROD >= 0", "AB"},
        {"QTSOLIPROD = 5.5", "A"},
        {"QTSOLIPROD < -1", ""},
        {"NRITEM = -3", "B"},
        {"NRITEM <= 10", "AB"},
        {"IDATIVO = 'true'", "A"},
        {"IDATIVO < 1", "B"},
        // null tests: an empty text is null
        {"IDBAIXITMSOL IS NULL", "BC"},
        {"IDBAIXITMSOL is not null", "A"},
        {"DTPROGENTR IS NULL", "C"},
        // logic, precedence and parentheses
        {"DTPROGENTR = '07/12/2026' AND NMPRODUTO = 'X||0101'", "A"},
        {"DTPROGENTR = '07/12/2026'AND NMPRODUTO = 'X||0101'", "A"},
        {"NOT (QTSOLIPROD > 0) OR IDBAIXITMSOL IS NULL", "BC"},
        {"NOT QTSOLIPROD > 0", "BC"},
        {"not not NRITEM = 10", "A"},
        {"CDARVPROD = '0101' OR CDARVPROD = '0202' AND NRITEM = 10", "A"},
        {"(CDARVPROD = '0101' OR CDARVPROD = '0202') AND NRITEM = -3", "B"},
        // field against field, by the left field's kind; literal against literal
        {"QTSOLIPROD < NRITEM", "A"},
        {"DTOPERSOL = DTPROGENTR", "A"},
        {"'0202' = CDARVPROD", "B"},
        {"'1' = '1'", "ABC"},
        {"1 = 1.0", "ABC"},
        {"'' IS NULL", "ABC"},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(matching(text), expected) << text.toStdString();
}

TEST(FilterExpression, shouldCompareTextsWithTheRequestedCaseSensitivity)
{
    EXPECT_EQ(matching("NMPRODUTO = 'd''ávila'", Qt::CaseSensitive), "");
    EXPECT_EQ(matching("NMPRODUTO = 'd''ávila'", Qt::CaseInsensitive), "B");
}

TEST(FilterExpression, shouldLetEveryRecordThroughWhenEmpty)
{
    const FilterExpression none;
    EXPECT_TRUE(none.isEmpty());
    EXPECT_TRUE(none.matches([](int) { return QVariant(); }));
}

TEST(FilterExpression, shouldHandleLongChainsAndTheDeepestAllowedNesting)
{
    QString chain = "NRITEM = 10";
    for (int i = 0; i < 20000; ++i)
        chain += " AND NRITEM > 0";
    EXPECT_EQ(matching(chain), "A");

    const QString deepest = QString(200, '(') + "NRITEM = -3" + QString(200, ')');
    EXPECT_EQ(matching(deepest), "B");
}

TEST(FilterExpression, shouldRejectTextOutsideTheGrammarNamingThePosition)
{
    const std::vector<std::pair<QString, int>> cases{
        {"", 1},
        {"CDARVPROD", 10},
        {"CDARVPROD = ", 13},
        {"= '0101'", 1},
        {"CDARVPROD = '0101", 13},
        {"[CDARVPROD = '0101'", 1},
        {"[] = '0101'", 1},
        {"(CDARVPROD = '0101'", 20},
        {"CDARVPROD = '0101')", 19},
        {"CDARVPROD = '0101' NRITEM = 1", 20},
        {"CDARVPROD == '0101'", 12},
        {"NRITEM = 1 AND", 15},
        {"NRITEM = 1 OR OR NRITEM = 2", 15},
        {"NOT", 4},
        {"NULL = 1", 1},
        {"QTSOLIPROD > 1.", 16},
        {"IDBAIXITMSOL IS", 16},
        {"IDBAIXITMSOL IS EMPTY", 17},
        {"PRODUTO = '0101'", 1},
        // literals that the compared kind cannot hold
        {"DTPROGENTR = '31/02/2026'", 14},
        {"QTSOLIPROD = 'abc'", 14},
        {"NRITEM = 1.5", 10},
        {"IDATIVO = 'talvez'", 11},
        {"1 = 'a'", 5},
        // nesting beyond 200 levels
        {QString(201, '(') + "NRITEM = 1" + QString(201, ')'), 201},
        {QString("NOT ").repeated(5000) + "NRITEM = 1", 801},
    };
    for (const auto& [text, position] : cases)
        EXPECT_TRUE(parseError(text).startsWith(
            QString("Expressão de filtro inválida na posição %1: ").arg(position)))
            << text.left(60).toStdString() << " -> " << parseError(text).toStdString();
    EXPECT_TRUE(parseError("NRITEM = 1 OR [CD PRODUTO] = '1'").contains("'CD PRODUTO'"))
        << "an unknown field is named";
}

} // namespace
} // namespace cmp::fw
