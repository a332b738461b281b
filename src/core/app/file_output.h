#pragma once
// Files the program writes beside its data (vorda.INI, PDF sheets): replaced in one step,
// every write checked, and never written over a database.

#include <QByteArray>
#include <QString>

namespace vorda {

// Why path must not be written: it holds a SQLite database, or it is the configured
// database (databasePath, which may be empty). Empty text when it may be written.
QString refuseOverDatabase(const QString& path, const QString& databasePath = QString());

// Replaces the file with bytes in one step: a failed write (a full disk, a size limit)
// leaves the old file as it was. Refuses a database as refuseOverDatabase does.
// Empty text on success, otherwise a Japanese message.
QString writeWholeFile(const QString& path, const QByteArray& bytes,
                       const QString& databasePath = QString());

} // namespace vorda
