#pragma once
// The purge of old daily reports: every row of VORDA工事 whose date is a real day on or before
// a cut-off day goes, after a checked copy of the database file has been written beside it.
// Rows without such a date stay, and so does everything else (weather, masters, settings).

#include "core/data/database.h"

#include <QDate>
#include <QDateTime>
#include <QString>

namespace vorda {

// Why a cut-off day cannot be used ("日付が正しくありません。",
// "今日より後の日付は指定できません。"), or the empty text: a real day from 1900 up to today.
QString purgeDateRefusal(const QDate& date, const QDate& today);

struct PurgeCutOff {
    QDate date;      // valid when the fields make a usable day
    QString refusal; // otherwise why not
};

// The cut-off of the three typed fields, each read as its leading number.
PurgeCutOff purgeCutOff(const QString& year, const QString& month, const QString& day,
                        const QDate& today);

// What a purge up to a day would do.
struct PurgePlan {
    qint64 rows = 0;    // rows dated on or before the day
    QDate first, last;  // the first and last of their dates
    qint64 undated = 0; // rows whose date is empty or no real YYYY-MM-DD day: always kept
};
DbError planPurge(const QString& databasePath, const QDate& until, PurgePlan& out);

// "2024/04/01 から 2025/03/31 までの日報 1,234 件を削除します。"
QString purgeQuestion(const PurgePlan& plan);
// The rows kept for lack of a date, said apart; empty when there are none.
QString undatedNote(qint64 undated);

// A count of reports as the purge's messages write it: with thousands separators.
QString purgeCount(qint64 rows);

// Where the copy made before a purge at that moment goes: beside the database, its name
// followed by "_backup_" and the date and time, with the database's own suffix, so the
// copy can be chosen as the data location as it stands. A server's copy is a file in its
// backup folder (backupBaseName + "_backup_" + the moment + ".db").
QString purgeBackupPath(const QString& databasePath, const QDateTime& stamp);

struct PurgeResult {
    qint64 deleted = 0; // 0: nothing was dated on or before the day; nothing written
    qint64 undated = 0; // rows kept for lack of a date
    QString backupPath; // the checked copy written before the deletion
};

// Under one write lock: the rows are counted, a checked copy is written to purgeBackupPath
// (writeSnapshot), and the rows dated on or before the day are deleted. Writers are held off
// from before the copy to the end, so the copy holds every deleted row. A copy that cannot be
// written or checked deletes nothing and leaves no file; a deletion that fails after a good
// copy keeps the copy and names it.
DbError purgeDailyReports(const QString& databasePath, const QDate& until, const QDateTime& stamp,
                          PurgeResult& out);

} // namespace vorda
