#pragma once

#include <QList>
#include <QString>

#include <vector>

namespace cmp::fw {

// An edit mask as the screens write it, "picture;saveLiterals;blank"
// (">aaaa;0; ", "999999999999;0; ", "!99/99/0000;1;_"). Picture characters:
//   0 digit          9 optional digit       # optional digit or sign
//   L letter         l optional letter      A letter or digit
//   a optional letter or digit              C any character   c optional one
//   > uppercase what follows   < lowercase what follows   <> keep case
//   \ the next character is a literal       _ a blank literal
//   ! is accepted and changes nothing here (blanks never enter the value)
// and every other character is a literal shown in place ("." "/" "-" ...).
// A second field "0" keeps only the typed characters in the raw value; any
// other value, or none, keeps the literals too. The third field is the
// character shown on unfilled positions, '_' when absent.
class EditMask
{
public:
    // How apply ends the displayed text.
    enum class Tail
    {
        Blanks, // the whole picture, unfilled positions showing the blank character
        Cut     // ends at the last typed character: "01.01.001" rather than "01.01.001.   "
    };

    static EditMask parse(const QString& mask);

    const QString& picture() const { return picture_; }
    bool savesLiterals() const { return saveLiterals_; }
    QChar blank() const { return blank_; }

    // Lengths of the runs of input positions between literals: "99.99.999" -> 2, 2, 3.
    QList<int> groupLengths() const;

    // The raw value laid out on the picture. Raw characters fill the input
    // positions in order (a space leaves one unfilled); literals present in a
    // raw value of a literal-saving mask are skipped over. Characters beyond
    // the picture are dropped.
    QString apply(const QString& raw, Tail tail = Tail::Blanks) const;

    // The raw value of a displayed text: the typed characters, plus the
    // literals (and spaces for unfilled positions) when the mask saves them.
    QString strip(const QString& display) const;

    // Whether a raw value, as strip gives it, fits the picture: every
    // character allowed at its position, no required position left unfilled,
    // nothing beyond the picture.
    bool accepts(const QString& raw) const;

    // The same mask in QLineEdit::inputMask syntax. Qt keeps literals in the
    // text it returns, so a mask that does not save them needs strip.
    QString toQtInputMask() const;

private:
    enum class Accepts
    {
        Literal,
        Digit,
        DigitOrSign,
        Letter,
        LetterOrDigit,
        Any
    };
    enum class Case
    {
        Keep,
        Upper,
        Lower
    };
    struct Position
    {
        Accepts accepts = Accepts::Literal;
        bool required = false;
        Case letterCase = Case::Keep;
        QChar literal;
    };

    static std::vector<Position> parsePositions(const QString& picture);
    static Position positionFor(QChar pictureChar, Case letterCase);
    static bool fits(const Position& position, QChar c);
    static QChar withCase(QChar c, Case letterCase);
    static QChar qtInputChar(const Position& position);

    QString picture_;
    bool saveLiterals_ = true;
    QChar blank_ = u'_';
    std::vector<Position> positions_;
};

// The code kind of product tree codes (CDARVPROD) for DBPict.
inline constexpr int productTreePict = 0;

// The edit mask of a code kind; empty when the kind has none. The product tree
// picture defaults to four levels of 2, 2, 3 and 3 digits, "99.99.999.999;0; ",
// so "01", "0101", "0101001" and "0101001001" are the codes of each level.
QString DBPict(int kind);

// Replaces the edit mask of a code kind, as the host's setup dictates; returns
// the previous one.
QString SetDBPict(int kind, const QString& mask);

// Number of levels of the product tree picture.
int GetTtNiveis();

// A raw product tree code shown through the product picture, ending at its
// last character: "0101001" -> "01.01.001".
QString FormatTreeCode(const QString& code);

} // namespace cmp::fw
