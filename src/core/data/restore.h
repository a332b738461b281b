#pragma once
// Putting a backup copy in the database's place. FILE is never written: its bytes are copied
// beside the database first and every check runs on that copy, so what is checked is what
// goes in. The database is replaced only after a copy of it has been written and checked.

#include "core/data/backup.h"
#include "core/data/database.h"

#include <QDateTime>
#include <QString>

namespace vorda {

// What a restore of FILE would do, found without changing anything.
struct RestorePlan {
    BackupFacts file; // what FILE holds
    bool currentExists = false;
    BackupFacts current;    // what the database holds now, when it can be read
    QString currentProblem; // why it cannot be read (damaged, not a VORDA database)
};

// Checks FILE as a restore would: a regular file other than the database, no unfinished
// write beside it, an SQLite file that passes quick_check and holds every table and field.
DbError checkRestore(const QString& databasePath, const QString& file, RestorePlan& out);

// The one question before a restore, naming what is replaced by what.
QString restoreQuestion(const QString& databasePath, const RestorePlan& plan);

struct RestoreResult {
    QString replacedCopy; // the copy of the replaced database
    BackupFacts restored; // the database as it now is
};

// Copies the database into `folder` (backupOpen), then writes FILE's checked bytes into it in
// one SQLite transaction (the online backup in a single step, under the write lock: a writer
// of another copy of the program waits and then sees the restored file), and checks the
// result. A database that SQLite cannot read is kept as it is under "…_壊れたファイル_…" in the
// folder and replaced by a rename. Refused, nothing changed: any check of checkRestore, or
// the database held by another program longer than `busyTimeoutMs`.
DbError restoreDatabase(const QString& databasePath, const QString& file, const QString& folder,
                        const QDateTime& now, RestoreResult& out,
                        int busyTimeoutMs = Database::kBusyTimeoutMs);

// The temporary name FILE's bytes are checked under, beside the database.
QString restoreStagingPath(const QString& databasePath);

} // namespace vorda
