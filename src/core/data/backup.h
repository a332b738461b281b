#pragma once
// Copies of the database file that can be trusted: a copy exists under its final name only
// when it has been written whole, reached the disk, and opened as a sound VORDA database
// holding every daily report row of the moment it was taken.

#include "core/data/database.h"

#include <QString>

namespace vorda {

// Writes a snapshot of the open database `db` into the new file `target`, never over an
// existing file. The copy is made by VACUUM INTO under a temporary name in the target's
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

} // namespace vorda
