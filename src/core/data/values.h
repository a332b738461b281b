#pragma once
// Value rules shared by every screen and sheet: how stored values become text and counts,
// how the closing period and the era year are formed, and how sheet numbers are aligned.

#include <QDate>
#include <QString>
#include <QVariant>
#include <cstdint>
#include <optional>

namespace vorda {

// A stored value as text; a null gives the empty text (the "@;" and "@;;;" formats).
QString nullSafeText(const QVariant& value);

// The numeric value of the leading number of a text, as typed counts are read: blanks
// (also the full-width blank) are passed over anywhere, a sign, digits, a decimal point and
// an exponent are taken, reading stops at the first other character. Full-width digits,
// signs and point typed through a Japanese input method count as their ASCII forms.
// The empty text and a text without a leading number give 0.
double leadingNumber(const QString& text);

// The nearest whole number, a half going to the even neighbour, saturated to 16 bits.
qint16 toInt16(double value);

// leadingNumber then toInt16: the count of a text.
qint16 countOf(const QString& text);

// A stored numeric field as a 16-bit count (null and empty give 0).
qint16 countOf(const QVariant& value);

// A stored number kept whole (a project number, a record number): integers as they are,
// a fraction rounded half to even, a text by its leading number; null and empty give 0 and
// what lies beyond 64 bits saturates. Counts are countOf; this is for identities.
qint64 storedNumber(const QVariant& value);

// The date of a year, month and day with carry: month 13 is January of the next year,
// day 31 of April is 1 May, day 0 is the last day of the month before.
QDate dateWithCarry(int year, int month, int day);

struct Period {
    QDate start;
    QDate end;
};

// The closing period of a month with the closing day kept inside each month: a closing day
// beyond a month's last day (31 in April) closes that month on its last day, and one below 1
// on the 1st. Consecutive months thus meet without a gap or a day counted twice; both
// monthly sheets use it, so the sheets of one month with one closing day cover the same days.
Period monthClosingPeriod(int year, int month, int closingDay);

// The era year in plain decimal (the daily report).
QString eraYearPlain(int westernYear, int eraOffset);

// The era year padded on the left with one blank and cut to its last two characters.
QString eraYearPadded(int westernYear, int eraOffset);

// The first n characters of a text, never splitting a character in two.
QString leftChars(const QString& text, int n);

// `count` characters from character `from` (0-based), never half of one.
QString midChars(const QString& text, int from, int count);

// Pads on the left with blanks to width and keeps the last width characters
// (1234 in three places prints as "234").
QString rightAlignKeepLast(const QString& text, int width);

// Right-aligns in width characters; a longer text keeps its first width characters.
QString rightAlignKeepFirst(const QString& text, int width);

// A count as the screens and sheets show it: nothing for 0, otherwise its decimal text.
QString countOrEmpty(qint64 value);

// A total as a sheet figure: zero prints as nothing, otherwise right-aligned in width and
// never cut (a figure longer than width prints whole).
QString sheetFigure(int value, int width);

// "日" to "土" for Sunday to Saturday.
QString weekdayChar(const QDate& date);

// The date as stored in the database file: text YYYY-MM-DD.
QString toDbDate(const QDate& date);
QDate fromDbDate(const QVariant& value);

// A typed text that is a whole number and nothing else: blanks around it, an optional sign
// and digits (full-width ones too). Nothing for any other text or beyond 64 bits.
std::optional<qint64> typedInteger(const QString& text);

} // namespace vorda
