#include "framework/core/strings.h"

#include <algorithm>

namespace cmp::fw {

namespace {

constexpr QChar decimalComma = u',';
constexpr QChar groupingDot = u'.';
constexpr QChar minusSign = u'-';
constexpr QChar listSeparator = u'_';

// What the limits of a number field care about in a typed text.
struct NumberShape
{
    int intDigits = 0;
    int decimals = 0;
    bool hasComma = false;
    bool wellFormed = true;
};

NumberShape shapeOf(const QString& text)
{
    NumberShape shape;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (isAsciiDigit(c))
            ++(shape.hasComma ? shape.decimals : shape.intDigits);
        else if (c == decimalComma && !shape.hasComma)
            shape.hasComma = true;
        else if (!(c == minusSign && i == 0) && !(c == groupingDot && !shape.hasComma))
            shape.wellFormed = false;
    }
    return shape;
}

bool isNumberKey(QChar key)
{
    return isAsciiDigit(key) || key == decimalComma || key == minusSign;
}

} // namespace

bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

bool EmptyString(const QString& text)
{
    return AllTrim(text).isEmpty();
}

QString AllTrim(const QString& text)
{
    return text.trimmed();
}

QString RTrim(const QString& text)
{
    qsizetype end = text.size();
    while (end > 0 && text[end - 1].isSpace())
        --end;
    return text.left(end);
}

QString LeftStr(const QString& text, int n)
{
    return n <= 0 ? QString() : text.left(n);
}

QString Replicate(const QString& text, int count)
{
    return count <= 0 ? QString() : text.repeated(count);
}

QString Replicate(QChar character, int count)
{
    return count <= 0 ? QString() : QString(count, character);
}

QString Ajusta(const QString& code, int width)
{
    const QString trimmed = AllTrim(code);
    return trimmed.isEmpty() ? trimmed : trimmed.rightJustified(width, u'0');
}

bool MaxNumber(const QString& text, int intDigits, int decimals, QChar key, int selStart,
               int selLength)
{
    if (key.category() == QChar::Other_Control)
        return true;
    if (!isNumberKey(key))
        return false;
    const int size = int(text.size());
    const int start = std::clamp(selStart, 0, size);
    const int length = std::clamp(selLength, 0, size - start);
    const NumberShape shape = shapeOf(text.left(start) + key + text.mid(start + length));
    return shape.wellFormed && shape.intDigits <= intDigits && shape.decimals <= decimals &&
           (decimals > 0 || !shape.hasComma);
}

QString ListString(const QStringList& keys)
{
    if (keys.isEmpty())
        return {};
    return listSeparator + keys.join(listSeparator) + listSeparator;
}

QStringList ListStringKeys(const QString& list)
{
    return list.split(listSeparator, Qt::SkipEmptyParts);
}

bool ListStringHas(const QString& list, const QString& key)
{
    return !key.isEmpty() && list.contains(listSeparator + key + listSeparator);
}

} // namespace cmp::fw
