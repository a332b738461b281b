// copy-db on the 10-year benchmark file: file → server, server → file (the server's backup
// path), file → file, with the checksums of the two ends compared by the copy itself.
// Usage: bench_copy_db postgresql://USER@HOST:PORT/ANY [folder]
//   The server user must be allowed to create databases; "vorda_bench_copy" is made and
//   dropped again.

#include "bench_support.h"
#include "core/data/copy_db.h"
#include "report_file.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>

using namespace vorda;

namespace {

// A statement on the server's maintenance connection (CREATE/DROP DATABASE run unprepared).
void admin(const QString& url, const QString& sql) {
    const QUrl u(url);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("a"));
        db.setHostName(u.host());
        db.setPort(u.port(5432));
        db.setUserName(u.userName());
        db.setDatabaseName(u.path().mid(1));
        if (!db.open())
            bench::fail(db.lastError().text());
        QSqlQuery q(db);
        if (!q.exec(sql))
            bench::fail(q.lastError().text());
    }
    QSqlDatabase::removeDatabase(QStringLiteral("a"));
}

double timed(const QString& from, const QString& to) {
    CopyReport report;
    QElapsedTimer t;
    t.start();
    bench::check(copyDatabase(from, to, report));
    const double ms = t.nsecsElapsed() / 1e6;
    Database::releaseKeptConnections();
    return ms;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 2)
        bench::fail(
            QStringLiteral("使い方: bench_copy_db postgresql://USER@HOST:PORT/DB [folder]"));
    const QString adminUrl = QString::fromLocal8Bit(argv[1]);
    QTemporaryDir temp;
    const QString folder = bench::benchFolder(argc - 1, argv + 1, temp);
    const QString path = QDir(folder).filePath(QStringLiteral("bench_copy_10y.db"));
    bench::generateReportFile(path, 10, QDate(2026, 11, 30));
    QUrl server(adminUrl);
    server.setPath(QStringLiteral("/vorda_bench_copy"));
    const QString serverUrl = server.toString();
    const QString drop = QStringLiteral("DROP DATABASE IF EXISTS vorda_bench_copy WITH (FORCE)");
    const QString back = QDir(folder).filePath(QStringLiteral("bench_copy_back.db"));
    const QString twin = QDir(folder).filePath(QStringLiteral("bench_copy_twin.db"));
    std::vector<double> toServer, toFile, fileToFile;
    for (int i = 0; i < 3; ++i) {
        admin(adminUrl, drop);
        admin(adminUrl, QStringLiteral("CREATE DATABASE vorda_bench_copy TEMPLATE template0 "
                                       "ENCODING 'UTF8' LC_COLLATE 'C' LC_CTYPE 'C'"));
        QFile::remove(back);
        QFile::remove(twin);
        toServer.push_back(timed(path, serverUrl));
        toFile.push_back(timed(serverUrl, back));
        fileToFile.push_back(timed(path, twin));
    }
    admin(adminUrl, drop);
    std::printf("10-year file: %.1f MB\n", QFileInfo(path).size() / 1e6);
    std::printf("copy-db file -> server, median of 3: %8.1f ms\n", bench::median(toServer));
    std::printf("copy-db server -> file, median of 3: %8.1f ms\n", bench::median(toFile));
    std::printf("copy-db file -> file, median of 3:   %8.1f ms\n", bench::median(fileToFile));
    QFile::remove(back);
    QFile::remove(twin);
    return 0;
}
