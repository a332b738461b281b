#pragma once
// The working date: the date whose daily report is entered and printed, as built from the
// main screen's year, month and day fields, and the weather stored for a date.

#include "core/data/database.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <optional>

namespace vorda {

struct AppState;

// The date of the three fields, read in year/month/day order. Nothing for an empty field,
// a text that is not a whole number, a month outside 1 to 12 or a day the month does not
// have. A year of one or two digits is taken as 2000 to 2029 or 1930 to 1999.
std::optional<QDate> dateFromFields(const QString& year, const QString& month, const QString& day);

// Sets the working date and its weekday text.
void setWorkingDate(AppState& state, const QDate& date);

// The weather word stored for a date in 天候, or the empty text when none is stored.
DbError readWeather(const QString& databasePath, const QDate& date, QString& word);

// The weather words offered by the weather picker, in stored order.
DbError weatherWords(const QString& databasePath, QStringList& words);

// Stores the weekday text and the weather text of the working date in 天候: updates the
// date's row, or adds one when the date has none, so a date never gets two rows.
DbError tenkiset(const AppState& state);

} // namespace vorda
