#pragma once
// Files the program writes beside its data (vorda.INI, PDF sheets): replaced in one step,
// every write checked, and never written over a database, the vorda.INI in use, or anything
// that is not a plain file.

#include <QByteArray>
#include <QString>

namespace vorda {

// The files an output must leave alone: the configured database (with its journal) and the
// vorda.INI in use. Either may be empty.
struct KeptFiles {
    QString databasePath;
    QString iniPath;
};

// Why path must not be written, as a Japanese message naming it; empty text when it may.
// Refused: an empty name; anything that exists and is not a regular file once links are
// followed (a folder, a device, a pipe); the kept files under any name (a link, a hard link,
// "sub/.."); any other file that holds a SQLite database. The kept files are recognised by
// their name and identity alone: the configured database is never opened here, because
// closing a second descriptor of it would drop the locks of a connection this process holds.
QString refuseOutputFile(const QString& path, const KeptFiles& kept);

// Replaces the file with bytes in one step: a failed write (a full disk, a size limit)
// leaves the old file as it was. Refuses what refuseOutputFile refuses.
// Empty text on success, otherwise a Japanese message.
QString writeWholeFile(const QString& path, const QByteArray& bytes, const KeptFiles& kept = {});

} // namespace vorda
