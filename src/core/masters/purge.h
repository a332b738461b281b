#pragma once
// The purge of old daily reports: every row of VORDA工事 dated on or before a cut-off day
// goes, after a complete copy of the database file has been written beside it. Nothing
// else is touched (weather, masters and settings stay).

#include "core/data/database.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <optional>

namespace vorda {

// Whether a cut-off day may be used: a year from 1900 up to the year of today.
bool purgeDateAllowed(const QDate& date, const QDate& today);

// The cut-off of the three typed fields, each read as its leading number: a year allowed
// by purgeDateAllowed, a month 1 to 12 and a day the month has. Nothing otherwise.
std::optional<QDate> purgeCutOff(const QString& year, const QString& month, const QString& day,
                                 const QDate& today);

// How many daily report rows are dated on or before the day.
DbError countPurgeRows(const QString& databasePath, const QDate& until, qint64& rows);

// Where the copy made before a purge at that moment goes: beside the database, its name
// followed by "_backup_" and the date and time, with the database's own suffix, so the
// copy can be chosen as the data location as it stands.
QString purgeBackupPath(const QString& databasePath, const QDateTime& stamp);

struct PurgeResult {
    qint64 deleted = 0; // 0: nothing was dated on or before the day; nothing written
    QString backupPath; // the copy written before the deletion
};

// Copies the database to purgeBackupPath (checked: it opens and holds every daily report
// row), then deletes the rows dated on or before the day in one transaction. The write
// lock is held from before the copy to the end, so the copy holds every deleted row. A
// copy that cannot be written or checked deletes nothing.
DbError purgeDailyReports(const QString& databasePath, const QDate& until, const QDateTime& stamp,
                          PurgeResult& out);

} // namespace vorda
