#pragma once

#include <QString>

class QDate;
class QDateTime;

namespace cmp::fw {

// The number in a typed or shown text: digits are kept, "," and "." mark the
// decimal separator, every other character (signs and spaces included) is
// dropped, so the result is never negative. When the text holds several
// separators only the last one is decimal and the earlier ones are taken as
// thousand separators: "1.234,500" -> 1234.5, "1234.5" -> 1234.5. A text
// without digits gives 0.
double FloatMaskOut(const QString& text);

// The value written with a number mask, decimal comma and grouping dot:
// "#,##0.000" -> "1.234,500", "##0.000" -> "1234,500", "0" -> "1235".
// In the mask '0' is a forced digit, '#' an optional one, ',' anywhere in the
// integer part groups thousands and '.' starts the decimals; text before the
// first and after the last digit placeholder is copied as it stands. The value
// is rounded half away from zero to the mask's decimals, as it is written
// (1.0005 -> "1,001" with three decimals); a negative value that does not round
// to zero is preceded by "-". One section only: ";" has no special meaning.
// An empty mask gives the shortest text of the value, with a decimal comma.
QString FormatFloat(const QString& mask, double value);

// Edit mask of date editors: dd/mm/yyyy, literals saved, '_' marks blanks.
QString DateMask();

// Whether a date editor's text holds no date at all (only blanks, mask blanks
// and slashes); such a text clears the date instead of being an error.
bool DateTextIsBlank(const QString& text);

// The date typed as "dd/mm/yyyy" or "dd/mm/yy" (year 2000 + yy); mask blanks
// around the digits are ignored. A blank or impossible text gives an invalid
// (null) QDate; callers tell the two apart with DateTextIsBlank and report the
// impossible one themselves.
QDate DateSetText(const QString& text);

// "dd/MM/yyyy" and "dd/MM/yyyy hh:mm:ss"; empty for a null value.
QString FormatDate(const QDate& date);
QString FormatDateTime(const QDateTime& moment);

// Portuguese weekday name ("Domingo" ... "Sábado"); empty for an invalid date.
QString NomeSemana(const QDate& date);

} // namespace cmp::fw
