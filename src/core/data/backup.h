#pragma once
// Copies of the database file that can be trusted: a copy exists under its final name only
// when it has been written whole, reached the disk, and opened as a sound VORDA database
// holding every daily report row of the moment it was taken.

#include "core/data/database.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <utility>
#include <vector>

namespace vorda {

// Writes a snapshot of the open database `db` into the new file `target`, never over an
// existing file. A server's rows are copied into a new file (copyIntoNewFile: one
// REPEATABLE READ snapshot unless `db` holds a transaction, the same checks and the same
// temporary name). A file's copy is made by VACUUM INTO under a temporary name in the target's
// folder (snapshotTempPath), flushed to the disk with its folder, checked (quick_check,
// every table with its fields, the daily report rows) and only then renamed to `target`.
// Any failure removes the temporary file and its journal and leaves no file at `target`.
//
// When `db` holds a transaction (the caller's write lock) the copy holds what was committed
// before it; `db` must not have written in it yet. Otherwise a read transaction is held for
// the time of the copy, so writers wait (well inside their busy time) rather than change
// the file under it.
DbError writeSnapshot(Database& db, const QString& target);

// The temporary name a snapshot to `target` is written under until it is checked.
QString snapshotTempPath(const QString& target);

// Flushes a file, or a folder's entries, to the disk (copies are written with syncs off).
bool syncPath(const QString& path, bool folder);

// Gives `from` the name `to` unless a file of that name exists meanwhile; errno in `error`.
bool renameNoReplace(const QString& from, const QString& to, int& error);

// ---- Backups of the firm's database ----

// The folder the copies of a database go to: `chosen` when the user picked one, otherwise
// "バックアップ" beside the database (for a server: vorda/バックアップ in the user's data
// folder, ~/.local/share).
QString backupFolder(const QString& databasePath, const QString& chosen);

// The user's choice of backup folder, kept in the user's own settings beside the frame's
// place (~/.config/vorda/window.ini), never in vorda.INI; empty: beside the database.
QString chosenBackupFolder();
void setChosenBackupFolder(const QString& folder);

// What names the copies of a database: a file's name without its suffix; for a server
// "DBNAME@HOST" ("-PORT" added when not 5432), nothing in it a file name cannot carry.
QString backupBaseName(const QString& databasePath);

// "<database name>_yyyyMMdd_HHmmss.db": VORDA.db copied at 9:15:30 on 8 December 2026 is
// VORDA_20261208_091530.db.
QString backupFileName(const QString& databasePath, const QDateTime& stamp);
// The moment in a file name this program gives copies of that database; nothing for any
// other name, so nothing else is ever counted or removed as a copy.
std::optional<QDateTime> backupStamp(const QString& databasePath, const QString& fileName);

struct BackupCopy {
    QString path;
    QDateTime stamp; // from its name
    qint64 size = 0;
};
// The copies of the database in the folder, newest first.
std::vector<BackupCopy> listBackups(const QString& folder, const QString& databasePath);

// The generations kept on `today`: every copy of the last 14 days, the first copy of each
// month for 24 months, the first copy of each year for ever. Returns the others.
std::vector<BackupCopy> expiredBackups(const std::vector<BackupCopy>& copies, const QDate& today);
// Removes the expired copies of the database from the folder; returns the files removed.
QStringList pruneBackups(const QString& folder, const QString& databasePath, const QDate& today);

// What a database file holds, for the lists and questions of backup and restore.
struct BackupFacts {
    QString path;
    qint64 size = 0;
    QDateTime written;                                 // the file's last change
    std::vector<std::pair<QString, qint64>> tableRows; // every table of the program
    qint64 dailyRows = 0;
    QDate firstReport, lastReport; // the first and last real date of the daily reports
};
// Opens the file as a VORDA database, checks it (quick_check unless `check` is false: a list
// of many large copies) and reads its facts.
DbError readBackupFacts(const QString& path, BackupFacts& out, bool check = true);
// "日報 1,234 件、2016/04/01 ～ 2026/12/08"
QString factsSummary(const BackupFacts& facts);

struct BackupResult {
    QString path;        // the checked copy
    BackupFacts facts;   // of the copy
    QStringList removed; // older copies the generations rule removed
};
// A copy of the database now into `folder` (made when missing) under backupFileName of
// `now` (a second later when that name is taken: never over a file), then the generations.
DbError backupNow(const QString& databasePath, const QString& folder, const QDateTime& now,
                  BackupResult& out);
// A copy of the database into the new file `target`: never over an existing file, never the
// database itself.
DbError backupTo(const QString& databasePath, const QString& target, BackupResult& out);
// The same from an open connection that has not written yet (the day's copy, a restore's
// copy of what it replaces).
DbError backupOpen(Database& db, const QString& folder, const QDateTime& now, BackupResult& out);

// ---- The day's automatic copy ----

// What a program that wants one copy a day before the first write installs at its start.
struct DailyBackupPolicy {
    std::function<QDateTime()> now;                             // the program's clock
    std::function<QString(const QString& databasePath)> folder; // where copies go
    // After each attempt: the copy made, or why none could be made (the write goes on).
    std::function<void(const QString& databasePath, const QString& copy, const DbError& error)>
        report;
};
// Installs the policy for the whole process (Database's write hook); without one, no
// automatic copies are made.
void setDailyBackupPolicy(const DailyBackupPolicy& policy);
void clearDailyBackupPolicy();
// Counts a copy made by other means (a purge's, a restore's) as the day's copy.
void noteDailyBackup(const QString& databasePath, const QDate& day);

} // namespace vorda
