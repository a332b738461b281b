#pragma once
// Bringing a firm's Access file (VORDA.mdb) into a new database file of ours: every table,
// fields by ordinal in their fixed order, rows in stored order, REC values kept, dates as our
// date text. Two steps, so that each can be tried on its own: the reader (mdb_reader) turns
// the Access file into rows; writeImport turns rows into a new database.

#include "core/data/database.h"
#include "core/data/mdb_reader.h"

#include <QStringList>
#include <functional>
#include <vector>

namespace vorda {

struct ImportedTable {
    QString name;
    qint64 rows = 0;
    QString firstDate, lastDate; // the daily reports' first and last 日付
    QStringList leftOut;         // fields beyond the fixed ones, not taken
};

struct ImportReport {
    QString source; // the Access file and its format, for the summary
    std::vector<ImportedTable> tables;

    // One line per table: rows, the daily reports' dates, fields left out.
    QStringList summary() const;
};

// What is missing from the Access file's table list and fields for an import: every missing
// table named in one message; then the first table that lacks a field, naming it. Empty when
// the tables will do. `fieldsOf` gives a table's field names in ordinal order.
QString missingForImport(const QStringList& tables,
                         const std::function<QStringList(const QString&)>& fieldsOf);

// Writes the tables into a new database file `target` (never over an existing file): made
// under a temporary name beside it with our schema, filled in one transaction, checked (row
// counts equal the source's, quick_check, every table with its fields), flushed and only
// then renamed to `target`. On any failure no file is left at `target` nor beside it.
DbError writeImport(const std::vector<SourceTable>& tables, const QString& target,
                    ImportReport& report);

// The whole import: reads every table of the Access file at `source`, then writeImport.
// A file that is no Access database, or lacks a table or field, is refused and nothing is
// created.
DbError importMdb(const QString& source, const QString& target, ImportReport& report);

// The temporary name the import is written under until it is complete.
QString importTempPath(const QString& target);

} // namespace vorda
