#include "framework/core/formats.h"

#include <QDate>
#include <QDateTime>

#include <gtest/gtest.h>

using namespace cmp::fw;

TEST(FloatMaskOut, shouldReadNumbersAsUsersAndScreensWriteThem)
{
    struct Case
    {
        QString text;
        double value;
    };
    const Case cases[] = {
        {"1.234,500", 1234.5},
        {"1234,5", 1234.5},
        {"1234.5", 1234.5},
        {"1.234.567", 1234.567}, // only the last separator is decimal
        {",5", 0.5},
        {"5,", 5.0},
        {" 12 ", 12.0},
        {"-3,25", 3.25}, // signs are dropped
        {"", 0.0},
        {"abc", 0.0},
        {",", 0.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        EXPECT_DOUBLE_EQ(FloatMaskOut(c.text), c.value);
    }
}

TEST(FormatFloat, shouldWriteValuesWithTheScreensNumberMasks)
{
    struct Case
    {
        QString mask;
        double value;
        QString text;
    };
    const Case cases[] = {
        {"#,##0.000", 1234.5, "1.234,500"},
        {"#,##0.000", -1234.5, "-1.234,500"},
        {"#,##0.000", 0.0, "0,000"},
        {"#,##0.000", -0.0001, "0,000"}, // no "-0,000"
        {"#,##0.000", 1234567890.123, "1.234.567.890,123"},
        {"##0.000", 1234.5, "1234,500"},
        {"##0.000", 0.25, "0,250"},
        {"0", 1234.5, "1235"},
        {"0", -2.5, "-3"}, // half away from zero
        {"0", 0.4, "0"},
        {"#,##0.00", 1234567.891, "1.234.567,89"},
        {"#,##0.00", 999.999, "1.000,00"}, // the carry reaches the grouping
        {"0.000", 1.0005, "1,001"},        // rounds the value as written
        {"0.00", 2.675, "2,68"},
        {"0.00", 9.995, "10,00"},
        {"#,##0", 999.0, "999"},
        {"#,##0", 1000.0, "1.000"},
        {"0.0#", 1.5, "1,5"},
        {"0.0#", 1.257, "1,26"},
        {"R$ #,##0.00", 10.0, "R$ 10,00"},
        {"", 1234.5, "1234,5"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE((c.mask + " " + QString::number(c.value)).toStdString());
        EXPECT_EQ(FormatFloat(c.mask, c.value), c.text);
    }
}

TEST(FormatFloat, shouldReadBackWhatItWrites)
{
    for (const double value : {0.0, 0.001, 1.5, 1234.5, 98765.432, 1234567890.125}) {
        SCOPED_TRACE(value);
        EXPECT_DOUBLE_EQ(FloatMaskOut(FormatFloat("#,##0.000", value)), value);
    }
}

TEST(DateSetText, shouldReadDatesTypedThroughTheDateMask)
{
    struct Case
    {
        QString text;
        QDate date;
        bool blank;
    };
    const Case cases[] = {
        {"07/12/2026", QDate(2026, 12, 7), false},
        {"07/12/26", QDate(2026, 12, 7), false},
        {" 7/12/2026", QDate(2026, 12, 7), false},
        {"7_/1_/2026", QDate(2026, 1, 7), false},
        {"29/02/2028", QDate(2028, 2, 29), false},
        {"29/02/2026", QDate(), false},
        {"00/12/2026", QDate(), false},
        {"07/13/2026", QDate(), false},
        {"07/12/202_", QDate(), false},
        {"07/12/", QDate(), false},
        {"ab/12/2026", QDate(), false},
        {"07-12-2026", QDate(), false},
        {"__/__/____", QDate(), true},
        {"  /  /    ", QDate(), true},
        {"", QDate(), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        EXPECT_EQ(DateSetText(c.text), c.date);
        EXPECT_EQ(DateTextIsBlank(c.text), c.blank);
    }
}

TEST(FormatDate, shouldWriteDayMonthYear)
{
    EXPECT_EQ(FormatDate(QDate(2026, 12, 7)), "07/12/2026");
    EXPECT_EQ(FormatDateTime(QDateTime(QDate(2026, 1, 2), QTime(18, 5, 3))), "02/01/2026 18:05:03");
    EXPECT_EQ(FormatDate(QDate()), "");
    EXPECT_EQ(FormatDateTime(QDateTime()), "");
}

TEST(NomeSemana, shouldNameWeekdaysInPortuguese)
{
    const QStringList names = {"Domingo",      "Segunda-feira", "Terça-feira", "Quarta-feira",
                               "Quinta-feira", "Sexta-feira",   "Sábado"};
    const QDate sunday(2026, 12, 6);
    for (int day = 0; day < 7; ++day)
        EXPECT_EQ(NomeSemana(sunday.addDays(day)), names[day]);
    EXPECT_EQ(NomeSemana(QDate()), "");
}
