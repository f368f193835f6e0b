#include "framework/data/json_writer.h"

#include <QJsonValue>

#include <charconv>
#include <cmath>
#include <type_traits>

namespace cmp::fw {

namespace {

// The longest text of a shortest double ("-2.2250738585072014e-308") or of
// an int64, rounded up.
constexpr qsizetype maxNumberChars = 32;
// One UTF-16 unit or Latin-1 character never takes more than "\u001f".
constexpr qsizetype maxBytesPerUnit = 6;

char* putUnicodeEscape(char* out, char16_t unit)
{
    constexpr char hexDigits[] = "0123456789abcdef";
    *out++ = '\\';
    *out++ = 'u';
    for (int shift = 12; shift >= 0; shift -= 4)
        *out++ = hexDigits[(unit >> shift) & 0xF];
    return out;
}

char* putEscaped(char* out, char c)
{
    *out++ = '\\';
    *out++ = c;
    return out;
}

char* putAscii(char* out, char c)
{
    if (c >= 0x20 && c != '"' && c != '\\') {
        *out++ = c;
        return out;
    }
    switch (c) {
    case '"':
    case '\\':
        return putEscaped(out, c);
    case '\b':
        return putEscaped(out, 'b');
    case '\f':
        return putEscaped(out, 'f');
    case '\n':
        return putEscaped(out, 'n');
    case '\r':
        return putEscaped(out, 'r');
    case '\t':
        return putEscaped(out, 't');
    default:
        return putUnicodeEscape(out, static_cast<char16_t>(c));
    }
}

// A code point below 0x10000 that is not a surrogate, in UTF-8.
char* putBasic(char* out, char16_t c)
{
    if (c < 0x80)
        return putAscii(out, static_cast<char>(c));
    if (c < 0x800) {
        *out++ = static_cast<char>(0xC0 | (c >> 6));
        *out++ = static_cast<char>(0x80 | (c & 0x3F));
        return out;
    }
    *out++ = static_cast<char>(0xE0 | (c >> 12));
    *out++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    *out++ = static_cast<char>(0x80 | (c & 0x3F));
    return out;
}

char* putSupplementary(char* out, char32_t c)
{
    *out++ = static_cast<char>(0xF0 | (c >> 18));
    *out++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    *out++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    *out++ = static_cast<char>(0x80 | (c & 0x3F));
    return out;
}

// UTF-16 units as they are; Latin-1 characters as the code points they are.
char16_t unitOf(char16_t unit)
{
    return unit;
}
char16_t unitOf(char latin1)
{
    return static_cast<unsigned char>(latin1);
}

template <class Unit> char* putQuoted(char* out, const Unit* it, const Unit* end)
{
    *out++ = '"';
    while (it != end) {
        const char16_t unit = unitOf(*it++);
        if (!QChar::isSurrogate(unit))
            out = putBasic(out, unit);
        else if (QChar::isHighSurrogate(unit) && it != end && QChar::isLowSurrogate(unitOf(*it)))
            out = putSupplementary(out, QChar::surrogateToUcs4(unit, unitOf(*it++)));
        else // no UTF-8 form; escaped, it reads back as the same unit, as Qt writes it
            out = putUnicodeEscape(out, unit);
    }
    *out++ = '"';
    return out;
}

} // namespace

JsonScalar portableInteger(qint64 value)
{
    constexpr qint64 maxExact = qint64(1) << 53;
    if (value < -maxExact || value > maxExact)
        return QString::number(value);
    return value;
}

QJsonValue toJsonValue(const JsonScalar& scalar)
{
    return std::visit(
        [](const auto& value) -> QJsonValue {
            if constexpr (std::is_same_v<std::decay_t<decltype(value)>, std::nullptr_t>)
                return QJsonValue::Null;
            else
                return value;
        },
        scalar);
}

JsonWriter::JsonWriter(qsizetype expectedBytes)
{
    out_.reserve(expectedBytes);
}

void JsonWriter::beginObject()
{
    startValue();
    out_.append('{');
    afterValue_ = false;
}

void JsonWriter::endObject()
{
    out_.append('}');
    afterValue_ = true;
}

void JsonWriter::beginArray()
{
    startValue();
    out_.append('[');
    afterValue_ = false;
}

void JsonWriter::endArray()
{
    out_.append(']');
    afterValue_ = true;
}

void JsonWriter::key(QLatin1String name)
{
    startValue();
    out_.append('"').append(name).append("\":");
    afterValue_ = false;
}

void JsonWriter::null()
{
    startValue();
    out_.append("null");
}

void JsonWriter::boolean(bool flag)
{
    startValue();
    out_.append(flag ? "true" : "false");
}

void JsonWriter::integer(qint64 value)
{
    startValue();
    char* out = extend(maxNumberChars);
    truncateAt(std::to_chars(out, out + maxNumberChars, value).ptr);
}

void JsonWriter::number(double value)
{
    Q_ASSERT(std::isfinite(value)); // JSON has no text for them: the encoders refuse them first
    startValue();
    char* out = extend(maxNumberChars);
    truncateAt(std::to_chars(out, out + maxNumberChars, value).ptr);
}

void JsonWriter::string(QStringView text)
{
    startValue();
    char* out = extend(maxBytesPerUnit * text.size() + 2);
    truncateAt(putQuoted(out, text.utf16(), text.utf16() + text.size()));
}

void JsonWriter::string(QLatin1String text)
{
    startValue();
    char* out = extend(maxBytesPerUnit * text.size() + 2);
    truncateAt(putQuoted(out, text.data(), text.data() + text.size()));
}

void JsonWriter::scalar(const JsonScalar& value)
{
    struct Write
    {
        JsonWriter& out;
        void operator()(std::nullptr_t) const { out.null(); }
        void operator()(bool flag) const { out.boolean(flag); }
        void operator()(qint64 integer) const { out.integer(integer); }
        void operator()(double number) const { out.number(number); }
        void operator()(const QString& text) const { out.string(text); }
    };
    std::visit(Write{*this}, value);
}

void JsonWriter::written(const QByteArray& json)
{
    startValue();
    out_.append(json);
}

void JsonWriter::startValue()
{
    if (afterValue_)
        out_.append(',');
    afterValue_ = true;
}

// Room for the worst case, trimmed by truncateAt: one size check per value
// instead of one per byte.
char* JsonWriter::extend(qsizetype maxBytes)
{
    const qsizetype used = out_.size();
    out_.resize(used + maxBytes);
    return out_.data() + used;
}

void JsonWriter::truncateAt(const char* end)
{
    out_.truncate(end - out_.constData());
}

} // namespace cmp::fw
