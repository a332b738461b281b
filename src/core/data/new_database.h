#pragma once
// New database files: every table with the rows a new firm needs, and optionally a sample
// firm with three months of daily reports for trying every screen and sheet.

#include "core/data/database.h"

#include <QDate>

namespace vorda {

struct NewDatabaseOptions {
    bool demo = false;
    QDate today; // the demo's reports end on this date
};

// Creates the file (never overwrites one) and fills it in one transaction; on failure no
// file is left behind.
DbError createDatabase(const QString& path, const NewDatabaseOptions& options);

} // namespace vorda
