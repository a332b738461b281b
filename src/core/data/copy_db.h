#pragma once
// A whole firm copied from one database to another: a file or a server, in either direction.
// The source is read in one snapshot, table by table in stored order and in chunks; the
// target is new (a file that does not exist, or a server database without our tables) and
// is written in one transaction, every row at its own rowid, so REC values and the order of
// every table stay. Before the target commits, each table's row count and a checksum of
// every row are computed on both sides and compared: a copy that differs is never kept.

#include "core/data/database.h"

#include <QByteArray>
#include <QString>

#include <vector>

namespace vorda {

// One table's rows counted and summed: SHA-256 over each row's rowid and values in stored
// order, every value tagged with its kind (null, integer, real, text, bytes), so a null
// differs from an empty text and 12 from "12".
struct TableSum {
    QString table;
    qint64 rows = 0;
    QByteArray sha256;
};

// Every table of the program, in schema order, read in chunks of rowids (inside the caller's
// transaction or snapshot when there is one).
DbError tableSums(Database& db, std::vector<TableSum>& out);

struct CopyReport {
    std::vector<TableSum> source;
    std::vector<TableSum> target;
};

// The report line by line: "社員: 15 件 / 15 件 一致 (sha256 1a2b3c4d…)".
QStringList copyReportLines(const CopyReport& report);

// Copies every row of the open `source` into the open, new and empty `target` within the
// target's transaction (the caller's), then sums both and compares them. `source` should
// be in one snapshot (beginSnapshot) or hold the writers' lock.
DbError copyRows(Database& source, Database& target, CopyReport& out);

// A copy of the open `source` into the new file `target`: written under snapshotTempPath,
// flushed with its folder, checked as a backup is (opened, quick_check, every table), then
// given its name (never over a file). Any failure leaves neither name behind. The source is
// read in a snapshot of its own unless it is in a transaction already.
DbError copyIntoNewFile(Database& source, const QString& target, CopyReport& out);

// `vorda copy-db FROM TO`: FROM and TO are each a file or a server location. A file target
// must not exist; a server target must hold none of the program's tables. On a failure the
// target is as it was before (no file; no tables).
DbError copyDatabase(const QString& from, const QString& to, CopyReport& out);

} // namespace vorda
