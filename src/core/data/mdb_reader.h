#pragma once
// Reading an Access (Jet) database file through the mdbtools library: table names, then
// the rows of chosen tables with every field by ordinal. Nothing is ever written to the
// file. Knows nothing of our tables; the import (mdb_import) gives the rows their meaning.

#include "core/data/database.h"

#include <QString>
#include <QStringList>
#include <QVariantList>
#include <vector>

namespace vorda {

// One table as the file holds it: its fields in ordinal order and its rows in stored order.
// Values: null → invalid QVariant; whole numbers → qint64; other numbers → double; dates →
// QDateTime (a date without time has 00:00:00); texts → QString. A Jet file stores a null
// text and an empty text alike: both read as null.
struct SourceTable {
    QString name;
    QStringList fields;
    std::vector<QVariantList> rows;
};

class MdbReader {
public:
    MdbReader();
    ~MdbReader();
    MdbReader(const MdbReader&) = delete;
    MdbReader& operator=(const MdbReader&) = delete;

    // Opens the file read-only. A file that is no Jet database is refused before the
    // library sees it. Japanese text in a Jet 3 file is read as Shift-JIS (CP932).
    DbError open(const QString& path);

    // The user tables of the file (system tables left out), in catalogue order.
    QStringList tableNames() const;

    // The fields and every row of one table.
    DbError readTable(const QString& name, SourceTable& out);

    // "Jet 3", "Jet 4", "ACE …" — the format of the open file, for messages.
    QString formatName() const;

private:
    struct Handle;
    Handle* handle_ = nullptr;
    QString path_;
};

} // namespace vorda
