#pragma once
// What every benchmark needs: the folder of its generated files, the median of runs, a stop
// with the reason when the program under measure fails, and a database on a server for the
// server column.

#include "core/data/database.h"

#include <QDir>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QTemporaryDir>
#include <QUrl>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace vorda::bench {

inline double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// The folder named on the command line (the files are kept there), or a temporary one.
inline QString benchFolder(int argc, char** argv, const QTemporaryDir& temp) {
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : temp.path();
    QDir().mkpath(folder);
    return folder;
}

[[noreturn]] inline void fail(const QString& message) {
    std::fprintf(stderr, "%s\n", qPrintable(message));
    std::exit(1);
}

inline void check(const DbError& e) {
    if (e)
        fail(e.message);
}

// The server the runs are compared on (make bench starts one and names it in
// VORDA_BENCH_SERVER_URL: postgresql://USER@HOST:PORT/postgres), or empty for files only.
inline QString benchServerUrl() {
    return qEnvironmentVariable("VORDA_BENCH_SERVER_URL").trimmed();
}

// Runs one statement on the server's administrative database (CREATE and DROP DATABASE run
// unprepared, outside any transaction).
inline void serverAdmin(const QString& serverUrl, const QString& sql) {
    const QUrl u(serverUrl);
    const QString name = QStringLiteral("vorda-bench-admin");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
        db.setHostName(u.host());
        db.setPort(u.port(5432));
        db.setUserName(u.userName());
        db.setDatabaseName(u.path().mid(1));
        if (!db.open())
            fail(QStringLiteral("server %1: %2").arg(serverUrl, db.lastError().text()));
        QSqlQuery q(db);
        if (!q.exec(sql))
            fail(QStringLiteral("server %1: %2").arg(serverUrl, q.lastError().text()));
    }
    QSqlDatabase::removeDatabase(name);
}

// A new empty database `name` (a plain ASCII name of the benchmark's own) on the server,
// replacing one an earlier run left; its location for Database.
inline QString freshServerDatabase(const QString& serverUrl, const QString& name) {
    Database::releaseKeptConnections();
    serverAdmin(serverUrl, QStringLiteral("DROP DATABASE IF EXISTS \"%1\" WITH (FORCE)").arg(name));
    serverAdmin(serverUrl, QStringLiteral("CREATE DATABASE \"%1\" TEMPLATE template0 ENCODING "
                                          "'UTF8' LC_COLLATE 'C' LC_CTYPE 'C'")
                               .arg(name));
    QUrl u(serverUrl);
    u.setPath(u'/' + name);
    return u.toString();
}

inline void dropServerDatabase(const QString& serverUrl, const QString& name) {
    Database::releaseKeptConnections();
    serverAdmin(serverUrl, QStringLiteral("DROP DATABASE IF EXISTS \"%1\" WITH (FORCE)").arg(name));
}

} // namespace vorda::bench
