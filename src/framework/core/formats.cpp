#include "framework/core/formats.h"

#include "framework/core/strings.h"

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QStringList>

#include <algorithm>
#include <array>
#include <cmath>

namespace cmp::fw {

namespace {

constexpr QChar decimalComma = u',';
constexpr QChar groupingDot = u'.';
constexpr QChar dateSeparator = u'/';

// The number part of a FormatFloat mask.
struct FloatPicture
{
    QString prefix;
    QString suffix;
    int minIntDigits = 0;
    int minDecimals = 0;
    int maxDecimals = 0;
    bool grouped = false;
};

bool isPlaceholder(QChar c)
{
    return c == u'0' || c == u'#';
}

FloatPicture parsePicture(const QString& mask)
{
    qsizetype first = 0;
    while (first < mask.size() && !isPlaceholder(mask[first]))
        ++first;
    qsizetype last = mask.size();
    while (last > first && !isPlaceholder(mask[last - 1]))
        --last;

    FloatPicture picture{mask.left(first), mask.mid(last)};
    bool inDecimals = false;
    for (const QChar c : QStringView(mask).sliced(first, last - first)) {
        if (c == u'.')
            inDecimals = true;
        else if (c == u',' && !inDecimals)
            picture.grouped = true;
        else if (c == u'0')
            ++(inDecimals ? picture.minDecimals : picture.minIntDigits);
        if (inDecimals && isPlaceholder(c))
            ++picture.maxDecimals;
    }
    return picture;
}

// Adds one unit in the last place of a digit string: "0999" -> "1000", "99" -> "100".
QString incremented(QString digits)
{
    for (qsizetype i = digits.size() - 1; i >= 0; --i) {
        if (digits[i] != u'9') {
            digits[i] = QChar(digits[i].unicode() + 1);
            return digits;
        }
        digits[i] = u'0';
    }
    return u'1' + digits;
}

struct DecimalDigits
{
    QString integer;
    QString fraction;
};

// The digits of |value| rounded half away from zero to the given decimals.
// Rounding works on the shortest text that reads back as the value, so a value
// rounds as people wrote it, not as its binary approximation.
DecimalDigits roundedDigits(double value, int decimals)
{
    const QString text = QString::number(std::abs(value), 'f', QLocale::FloatingPointShortest);
    const qsizetype point = text.indexOf(u'.');
    const QString integer = point < 0 ? text : text.left(point);
    const QString fraction = point < 0 ? QString() : text.mid(point + 1);
    const QString kept = integer + fraction.left(decimals).leftJustified(decimals, u'0');
    const bool roundUp = fraction.size() > decimals && fraction[decimals] >= u'5';
    const QString digits = roundUp ? incremented(kept) : kept;
    return {digits.left(digits.size() - decimals), digits.right(decimals)};
}

bool isZero(const QString& digits)
{
    return std::all_of(digits.begin(), digits.end(), [](QChar c) { return c == u'0'; });
}

QString integerText(const QString& digits, const FloatPicture& picture)
{
    qsizetype firstSignificant = 0;
    while (firstSignificant < digits.size() && digits[firstSignificant] == u'0')
        ++firstSignificant;
    QString text = digits.mid(firstSignificant).rightJustified(picture.minIntDigits, u'0');
    if (picture.grouped) {
        for (qsizetype i = text.size() - 3; i > 0; i -= 3)
            text.insert(i, groupingDot);
    }
    return text;
}

QString fractionText(QString digits, const FloatPicture& picture)
{
    while (digits.size() > picture.minDecimals && digits.endsWith(u'0'))
        digits.chop(1);
    return digits.isEmpty() ? digits : decimalComma + digits;
}

QString shortestText(double value)
{
    return QString::number(value, 'g', QLocale::FloatingPointShortest).replace(u'.', decimalComma);
}

bool isDateBlank(QChar c)
{
    return c == u' ' || c == u'_';
}

// The digits of one part of a typed date without the mask blanks; empty when
// the part holds anything else.
QString dateDigits(QString part)
{
    part.removeIf(isDateBlank);
    return std::all_of(part.begin(), part.end(), isAsciiDigit) ? part : QString();
}

bool hasLength(const QString& digits, qsizetype min, qsizetype max)
{
    return digits.size() >= min && digits.size() <= max;
}

} // namespace

double FloatMaskOut(const QString& text)
{
    QString number;
    qsizetype decimalAt = -1;
    for (const QChar c : text) {
        if (isAsciiDigit(c))
            number += c;
        else if (c == decimalComma || c == groupingDot)
            decimalAt = number.size();
    }
    if (decimalAt >= 0)
        number.insert(decimalAt, u'.');
    return number.toDouble();
}

QString FormatFloat(const QString& mask, double value)
{
    if (!std::isfinite(value))
        return QString::number(value);
    if (mask.isEmpty())
        return shortestText(value);
    const FloatPicture picture = parsePicture(mask);
    const DecimalDigits digits = roundedDigits(value, picture.maxDecimals);
    const bool negative = value < 0 && !isZero(digits.integer + digits.fraction);
    return (negative ? QStringLiteral("-") : QString()) + picture.prefix +
           integerText(digits.integer, picture) + fractionText(digits.fraction, picture) +
           picture.suffix;
}

QString DateMask()
{
    return QStringLiteral("!99/99/0000;1;_");
}

bool DateTextIsBlank(const QString& text)
{
    return std::all_of(text.begin(), text.end(),
                       [](QChar c) { return isDateBlank(c) || c == dateSeparator; });
}

QDate DateSetText(const QString& text)
{
    const QStringList parts = text.split(dateSeparator);
    if (parts.size() != 3)
        return {};
    const QString day = dateDigits(parts[0]);
    const QString month = dateDigits(parts[1]);
    const QString year = dateDigits(parts[2]);
    if (!hasLength(day, 1, 2) || !hasLength(month, 1, 2) || (year.size() != 2 && year.size() != 4))
        return {};
    const int century = year.size() == 2 ? 2000 : 0;
    return QDate(century + year.toInt(), month.toInt(), day.toInt());
}

QString FormatDate(const QDate& date)
{
    return date.toString(u"dd/MM/yyyy");
}

QString FormatDateTime(const QDateTime& moment)
{
    return moment.toString(u"dd/MM/yyyy hh:mm:ss");
}

QString NomeSemana(const QDate& date)
{
    static const std::array<QString, 7> names = {
        QStringLiteral("Domingo"),      QStringLiteral("Segunda-feira"),
        QStringLiteral("Terça-feira"),  QStringLiteral("Quarta-feira"),
        QStringLiteral("Quinta-feira"), QStringLiteral("Sexta-feira"),
        QStringLiteral("Sábado")};
    return date.isValid() ? names[date.dayOfWeek() % 7] : QString();
}

} // namespace cmp::fw
