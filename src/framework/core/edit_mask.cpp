#include "framework/core/edit_mask.h"

#include "framework/core/strings.h"

#include <QStringList>

#include <algorithm>
#include <map>
#include <mutex>
#include <utility>

namespace cmp::fw {

namespace {

constexpr QChar fieldSeparator = u';';
constexpr QChar escapeChar = u'\\';
constexpr QChar unfilled = u' ';

// The ';'-separated fields of a mask; an escaped ';' belongs to the picture.
QStringList maskFields(const QString& mask)
{
    QStringList fields(1);
    for (qsizetype i = 0; i < mask.size(); ++i) {
        if (mask[i] == fieldSeparator) {
            fields.append(QString());
            continue;
        }
        if (mask[i] == escapeChar && i + 1 < mask.size())
            fields.last() += mask[i++];
        fields.last() += mask[i];
    }
    return fields;
}

// Characters with a meaning of their own in a Qt input mask.
bool isQtMaskChar(QChar c)
{
    return QStringView(u"AaNnXx90Dd#HhBb<>!\\[]{}").contains(c);
}

// Process-wide edit masks per code kind, set up by the host.
struct Pictures
{
    std::mutex mutex;
    std::map<int, QString> masks{{productTreePict, QStringLiteral("99.99.999.999;0; ")}};
};

Pictures& pictures()
{
    static Pictures instance;
    return instance;
}

EditMask productPicture()
{
    return EditMask::parse(DBPict(productTreePict));
}

} // namespace

EditMask EditMask::parse(const QString& mask)
{
    const QStringList fields = maskFields(mask);
    EditMask result;
    result.picture_ = fields[0];
    result.saveLiterals_ = fields.size() < 2 || fields[1] != u"0";
    if (fields.size() > 2 && !fields[2].isEmpty())
        result.blank_ = fields[2][0];
    result.positions_ = parsePositions(result.picture_);
    return result;
}

std::vector<EditMask::Position> EditMask::parsePositions(const QString& picture)
{
    std::vector<Position> positions;
    Case letterCase = Case::Keep;
    for (qsizetype i = 0; i < picture.size(); ++i) {
        const QChar c = picture[i];
        const bool hasNext = i + 1 < picture.size();
        if (c == escapeChar && hasNext) {
            positions.push_back(Position{Accepts::Literal, false, letterCase, picture[++i]});
        } else if (c == u'<' && hasNext && picture[i + 1] == u'>') {
            letterCase = Case::Keep;
            ++i;
        } else if (c == u'>') {
            letterCase = Case::Upper;
        } else if (c == u'<') {
            letterCase = Case::Lower;
        } else if (c != u'!') {
            positions.push_back(positionFor(c, letterCase));
        }
    }
    return positions;
}

EditMask::Position EditMask::positionFor(QChar pictureChar, Case letterCase)
{
    const auto input = [letterCase](Accepts accepts, bool required) {
        return Position{accepts, required, letterCase, QChar()};
    };
    switch (pictureChar.unicode()) {
    case u'0':
        return input(Accepts::Digit, true);
    case u'9':
        return input(Accepts::Digit, false);
    case u'#':
        return input(Accepts::DigitOrSign, false);
    case u'L':
        return input(Accepts::Letter, true);
    case u'l':
        return input(Accepts::Letter, false);
    case u'A':
        return input(Accepts::LetterOrDigit, true);
    case u'a':
        return input(Accepts::LetterOrDigit, false);
    case u'C':
        return input(Accepts::Any, true);
    case u'c':
        return input(Accepts::Any, false);
    case u'_':
        return Position{Accepts::Literal, false, letterCase, unfilled};
    default:
        return Position{Accepts::Literal, false, letterCase, pictureChar};
    }
}

bool EditMask::fits(const Position& position, QChar c)
{
    switch (position.accepts) {
    case Accepts::Digit:
        return isAsciiDigit(c);
    case Accepts::DigitOrSign:
        return isAsciiDigit(c) || c == u'+' || c == u'-';
    case Accepts::Letter:
        return c.isLetter();
    case Accepts::LetterOrDigit:
        return c.isLetter() || isAsciiDigit(c);
    case Accepts::Any:
        return true;
    case Accepts::Literal:
        return c == position.literal;
    }
    return false;
}

QChar EditMask::withCase(QChar c, Case letterCase)
{
    switch (letterCase) {
    case Case::Upper:
        return c.toUpper();
    case Case::Lower:
        return c.toLower();
    case Case::Keep:
        break;
    }
    return c;
}

QList<int> EditMask::groupLengths() const
{
    QList<int> lengths;
    bool inGroup = false;
    for (const Position& position : positions_) {
        const bool isInput = position.accepts != Accepts::Literal;
        if (isInput && !inGroup)
            lengths.append(0);
        if (isInput)
            ++lengths.last();
        inGroup = isInput;
    }
    return lengths;
}

QString EditMask::apply(const QString& raw, Tail tail) const
{
    QString display;
    qsizetype filledEnd = 0;
    qsizetype next = 0;
    for (const Position& position : positions_) {
        if (position.accepts == Accepts::Literal) {
            if (saveLiterals_ && next < raw.size() && raw[next] == position.literal)
                ++next;
            display += position.literal;
            continue;
        }
        const QChar c = next < raw.size() ? raw[next++] : unfilled;
        if (c == unfilled) {
            display += blank_;
            continue;
        }
        display += withCase(c, position.letterCase);
        filledEnd = display.size();
    }
    return tail == Tail::Cut ? display.left(filledEnd) : display;
}

QString EditMask::strip(const QString& display) const
{
    QString raw;
    const qsizetype shown = std::min(display.size(), qsizetype(positions_.size()));
    for (qsizetype i = 0; i < shown; ++i) {
        const bool isLiteral = positions_[i].accepts == Accepts::Literal;
        const bool isUnfilled = !isLiteral && (display[i] == blank_ || display[i] == unfilled);
        if (!isUnfilled && !isLiteral)
            raw += display[i];
        else if (saveLiterals_)
            raw += isLiteral ? positions_[i].literal : unfilled;
    }
    return raw;
}

bool EditMask::accepts(const QString& raw) const
{
    qsizetype next = 0;
    for (const Position& position : positions_) {
        const bool isLiteral = position.accepts == Accepts::Literal;
        if (isLiteral && (!saveLiterals_ || next == raw.size()))
            continue;
        const QChar c = next < raw.size() ? raw[next++] : unfilled;
        const bool ok = (c == unfilled && !isLiteral) ? !position.required : fits(position, c);
        if (!ok)
            return false;
    }
    return next == raw.size();
}

QChar EditMask::qtInputChar(const Position& position)
{
    switch (position.accepts) {
    case Accepts::Digit:
        return position.required ? u'9' : u'0';
    case Accepts::DigitOrSign:
        return u'#';
    case Accepts::Letter:
        return position.required ? u'A' : u'a';
    case Accepts::LetterOrDigit:
        return position.required ? u'N' : u'n';
    case Accepts::Any:
        return position.required ? u'X' : u'x';
    case Accepts::Literal:
        break; // toQtInputMask writes literals itself
    }
    return position.literal;
}

QString EditMask::toQtInputMask() const
{
    QString mask;
    Case letterCase = Case::Keep;
    for (const Position& position : positions_) {
        if (position.accepts == Accepts::Literal) {
            if (isQtMaskChar(position.literal))
                mask += escapeChar;
            mask += position.literal;
            continue;
        }
        if (position.letterCase != letterCase) {
            letterCase = position.letterCase;
            mask += letterCase == Case::Upper ? u'>' : letterCase == Case::Lower ? u'<' : u'!';
        }
        mask += qtInputChar(position);
    }
    return mask + fieldSeparator + blank_;
}

QString DBPict(int kind)
{
    Pictures& all = pictures();
    const std::lock_guard lock(all.mutex);
    const auto found = all.masks.find(kind);
    return found == all.masks.end() ? QString() : found->second;
}

QString SetDBPict(int kind, const QString& mask)
{
    Pictures& all = pictures();
    const std::lock_guard lock(all.mutex);
    return std::exchange(all.masks[kind], mask);
}

int GetTtNiveis()
{
    return int(productPicture().groupLengths().size());
}

QString FormatTreeCode(const QString& code)
{
    return productPicture().apply(RTrim(code), EditMask::Tail::Cut);
}

} // namespace cmp::fw
