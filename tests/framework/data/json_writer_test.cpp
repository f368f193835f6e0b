#include "framework/data/json_writer.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <limits>

using namespace cmp::fw;

namespace {

QByteArray written(const QString& text)
{
    JsonWriter out;
    out.string(text);
    return out.take();
}

QString units(std::initializer_list<char16_t> codes)
{
    QString text;
    for (const char16_t code : codes)
        text.append(QChar(code));
    return text;
}

// What QJsonDocument writes for the same text, without the array around it.
QByteArray writtenByQt(const QString& text)
{
    return QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact).chopped(1).sliced(1);
}

QString readBack(const QByteArray& json)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson("[" + json + "]", &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << json.toStdString();
    return document.array().at(0).toString();
}

double readDouble(const QByteArray& json)
{
    double value = 0;
    const auto [end, error] = std::from_chars(json.begin(), json.end(), value);
    EXPECT_TRUE(error == std::errc() && end == json.end()) << json.toStdString();
    return value;
}

} // namespace

TEST(JsonWriter, shouldEscapeTextsAsQtDoesSoTheyReadBackUnchanged)
{
    const struct
    {
        QString text;
        QByteArray expected;
    } cases[]{
        {"", R"("")"},
        {R"(aspas " e barra \ e / )", R"("aspas \" e barra \\ e / ")"},
        {"\b\f\n\r\t", R"("\b\f\n\r\t")"},
        {units({0x0000, 0x0001, 0x001f, 0x0020, 0x007f}), "\"\\u0000\\u0001\\u001f \x7f\""},
        {QStringLiteral("☕😀"), "\"\xe2\x98\x95\xf0\x9f\x98\x80\""},
        {units({0xd800, 0xdc00, 0xdbff, 0xdfff}), "\"\xf0\x90\x80\x80\xf4\x8f\xbf\xbf\""},
        // Lone surrogates have no UTF-8 form: escaped, they read back as they were.
        {units({0xd800}), R"("\ud800")"},
        {units({0xdc00, 0xd800}), R"("\udc00\ud800")"},
        {units({'a', 0xd83d, 'b', 0xde00}), R"("a\ud83db\ude00")"},
        {units({0xd83d, 0xd83d, 0xde00}), "\"\\ud83d\xf0\x9f\x98\x80\""},
    };
    for (const auto& [text, expected] : cases) {
        SCOPED_TRACE(expected.toStdString());
        const QByteArray json = written(text);
        EXPECT_EQ(json, expected);
        EXPECT_EQ(json, writtenByQt(text));
        EXPECT_EQ(readBack(json), text);
    }

    QString everyUnit;
    for (uint code = 0; code <= 0xffff; ++code)
        everyUnit.append(QChar(char16_t(code)));
    EXPECT_EQ(written(everyUnit), writtenByQt(everyUnit));
}

TEST(JsonWriter, shouldWriteLatin1TextsAsUtf8)
{
    JsonWriter out;
    out.string(QLatin1String("a\xe7\xe3o \"\x01"));
    EXPECT_EQ(out.take(), "\"a\xc3\xa7\xc3\xa3o \\\"\\u0001\"");
}

TEST(JsonWriter, shouldWriteIntegersExactlyAndDoublesInTheShortestTextThatReadsBackTheSame)
{
    const struct
    {
        qint64 value;
        const char* text;
    } integers[]{{0, "0"},
                 {-1, "-1"},
                 {std::numeric_limits<qint64>::max(), "9223372036854775807"},
                 {std::numeric_limits<qint64>::min(), "-9223372036854775808"}};
    for (const auto& [value, text] : integers) {
        JsonWriter out;
        out.integer(value);
        EXPECT_EQ(out.take(), text);
    }

    const struct
    {
        double value;
        const char* text;
    } doubles[]{
        {0.1, "0.1"},
        {1234.5, "1234.5"},
        {5.0, "5"},
        {-0.0, "-0"},
        {1e21, "1e+21"},
        {std::numeric_limits<double>::denorm_min(), "5e-324"},
        {std::numeric_limits<double>::min(), "2.2250738585072014e-308"},
        {std::numeric_limits<double>::max(), "1.7976931348623157e+308"},
        {-std::numeric_limits<double>::max(), "-1.7976931348623157e+308"},
        {1.0 / 3.0, "0.3333333333333333"},
    };
    for (const auto& [value, text] : doubles) {
        SCOPED_TRACE(text);
        JsonWriter out;
        out.number(value);
        const QByteArray json = out.take();
        EXPECT_EQ(json, text);
        const double back = readDouble(json);
        EXPECT_EQ(back, value);
        EXPECT_EQ(std::signbit(back), std::signbit(value));
        // Qt reads it as the same number, though it drops the sign of zero.
        EXPECT_EQ(QJsonDocument::fromJson("[" + json + "]").array().at(0).toDouble(), value);
    }
}
