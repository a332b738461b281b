#pragma once
// Where a firm's data lives: a database file (a path) or a database on a PostgreSQL server,
// written `postgresql://USER@HOST[:PORT]/DBNAME[?option=value&…]`. A password never stands
// in the location: it comes from libpq's own means or is asked once per session.

#include <QString>

namespace vorda {

enum class Engine { File, Server };

struct ServerLocation {
    QString user;
    QString host;
    int port = 5432;
    QString database;
    QString options; // libpq connection options, "key=value" separated by ';'
};

// Whether the text names a server (starts with postgresql:// or postgres://).
bool isServerLocation(const QString& location);

inline Engine engineOf(const QString& location) {
    return isServerLocation(location) ? Engine::Server : Engine::File;
}

// Reads a server location; on failure `why` says in Japanese what is wrong with it.
bool parseServerLocation(const QString& location, ServerLocation& out, QString& why);

// The location written back in its usual form (for vorda.INI and the data location screen).
QString serverLocationText(const ServerLocation& server);

// The location as messages show it: a file in the system's separators, a server as written.
QString locationForMessages(const QString& location);

} // namespace vorda
