#pragma once
// Loading a day into the day model and registering it back: the daily report rows of one
// date, and the day-off balances that follow the marks of the actual lines.

#include "core/data/daily_record.h"
#include "core/data/database.h"

#include <QDate>
#include <QString>

namespace vorda {

// Reads the rows of the date into the day model: the first 16 in ascending REC order, one
// per slot; later rows of the date are passed over. Resets both offsets, then refills the
// vehicle and the employee name caches. All or nothing: on an error the day model and the
// caches are left as they were.
DbError GTDAT(const QString& databasePath, const QDate& date, DayModel& day, NameCaches& names);

// Registers the 16 slots of the day model: deletes the rows of slots marked for deletion,
// adds new slots that have a job name, rewrites stored slots, moves the day-off balances,
// then reloads the day with GTDAT. Everything is written in one transaction: on an error
// nothing is written and the day model still holds what was typed. When the rows of the
// date are no longer those the model was loaded from (another copy registered meanwhile),
// nothing is written and the error is DbErrorKind::Changed (kDayChangedMessage).
// A lock held by another copy of the program is waited for (Database::kBusyTimeoutMs).
//
// Day-off balances follow the marks stored: each actual-line cell counts -1 for "休", +1 for
// "☆", "◇" or "▽"; a register moves each employee's 休日残 by the new count minus the stored
// count of every group it adds, rewrites or deletes. A balance beyond 64 bits is refused.
DbError registerDay(const QString& databasePath, const QDate& date, const QString& weather,
                    DayModel& day, NameCaches& names);

// The marks of an actual line that move a day-off balance.
inline const QString kDayOffMark = QStringLiteral("休");
bool isHolidayWorkMark(const QString& mark); // "☆", "◇", "▽": each gives a day back

// What one actual-line cell adds to its employee's balance (blanks at both ends ignored).
int dayOffCount(const QString& mark);

extern const QString kDayChangedMessage;

} // namespace vorda
