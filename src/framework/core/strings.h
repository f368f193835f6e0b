#pragma once

#include <QString>
#include <QStringList>

namespace cmp::fw {

// Only '0'..'9': typed numbers and codes never take other scripts' digits.
bool isAsciiDigit(QChar c);

// True when the text is empty or holds only blanks.
bool EmptyString(const QString& text);

// The text without blanks at both ends / at the end.
QString AllTrim(const QString& text);
QString RTrim(const QString& text);

// The first n characters of the text; empty for n <= 0.
QString LeftStr(const QString& text, int n);

// The text (or character) repeated count times; empty for count <= 0.
QString Replicate(const QString& text, int count);
QString Replicate(QChar character, int count);

// Normalises a typed code to its column width: blanks trimmed, then zeros on
// the left up to the width ("12" -> "0012" for width 4). A code already at or
// over the width is only trimmed, never cut. A blank code becomes empty, not a
// row of zeros, so that "no code typed" stays distinguishable from code 0.
QString Ajusta(const QString& code, int width);

// Whether a keystroke typed into a number field is accepted. The key replaces
// the selection [selStart, selStart + selLength) of the field's text, and the
// resulting text may hold at most intDigits integer digits and, after the
// decimal comma, at most decimals digits (no comma at all when decimals is 0).
// Control keys (backspace, tab, ...) always pass. Accepted printable keys are
// digits, one decimal comma and a leading minus. A "." key is refused: the
// decimal separator is the comma; grouping dots already in the text are not
// counted as digits.
bool MaxNumber(const QString& text, int intDigits, int decimals, QChar key, int selStart,
               int selLength);

// List strings hold the keys chosen in a multi-choice list: each key preceded
// by an underscore and the last also followed by one ("_a_b_"); empty when
// nothing was chosen. Keys therefore must not contain an underscore.
QString ListString(const QStringList& keys);
QStringList ListStringKeys(const QString& list);
bool ListStringHas(const QString& list, const QString& key);

} // namespace cmp::fw
