#pragma once
// A fresh database for one test, on either engine: a file in its own temporary folder, or a
// database of its own on the test server. Data-driven tests that touch storage carry the
// column `engine` ("file" or "server") and run every row on both.

#include "core/data/daily_record.h"
#include "core/data/database.h"
#include "core/data/new_database.h"
#include "core/data/schema.h"
#include "support/files.h"
#include "support/test_server.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QHash>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <cerrno>
#include <csignal>

namespace vorda::test {

inline constexpr const char* kEngines[] = {"file", "server"};

// The engine column alone, one row per engine: for a test that has no other data.
inline void engineRows() {
    addEngineColumn();
    for (const char* engine : kEngines)
        QTest::newRow(engine) << QString::fromLatin1(engine);
}

// A row of a test whose first column is the engine: tagged "file: name" / "server: name".
inline QTestData& engineRow(const char* engine, const char* name) {
    return QTest::addRow("%s: %s", engine, name) << QString::fromLatin1(engine);
}

namespace detail {

// The databases on the test server of this test program: one connection to the server's
// own database makes and drops them. A new firm is made once per kind (with or without the
// sample data, its date) as a template and copied for each test: a copy takes a few tens of
// milliseconds where filling a new one with the sample takes seconds.
class ServerDatabases {
public:
    static ServerDatabases& instance() {
        static ServerDatabases* self = [] {
            auto* s = new ServerDatabases;
            qAddPostRoutine([] { ServerDatabases::instance().dropTemplates(); });
            return s;
        }();
        return *self;
    }

    // Makes a database holding a new firm; on success `url` is its location.
    bool make(bool demo, QDate today, QString& url, QString& message) {
        if (!connect(message))
            return false;
        const QString key = QStringLiteral("%1 %2").arg(demo).arg(today.toString(Qt::ISODate));
        if (!templates_.contains(key)) {
            const QString name = nextName(QStringLiteral("tpl"));
            if (!createFrom(name, QStringLiteral("template0"), message))
                return false;
            templates_.insert(key, name);
            NewDatabaseOptions options;
            options.demo = demo;
            options.today = today;
            const QString location = urlOf(name);
            const DbError e = createDatabase(location, options);
            // A database is copied only while nobody is connected to it.
            Database::releaseKeptConnections(location);
            if (e) {
                message = e.message;
                drop(name);
                templates_.remove(key);
                return false;
            }
        }
        const QString name = nextName(QStringLiteral("e"));
        if (!createFrom(name, templates_.value(key), message))
            return false;
        url = urlOf(name);
        return true;
    }

    void drop(const QString& url) {
        QSqlDatabase db = QSqlDatabase::database(kAdmin, false);
        if (!db.isOpen())
            return;
        QSqlQuery q(db);
        const QString name = url.contains(u'/') ? QUrl(url).path().mid(1) : url;
        if (!q.exec(QStringLiteral("DROP DATABASE IF EXISTS \"%1\" WITH (FORCE)").arg(name)))
            qWarning("test server: %s not dropped: %s", qPrintable(name),
                     qPrintable(q.lastError().text()));
    }

private:
    static constexpr const char* kAdmin = "vorda_test_engines_admin";

    bool connect(QString& message) {
        if (QSqlDatabase::contains(kAdmin) && QSqlDatabase::database(kAdmin, false).isOpen())
            return true;
        server_ = testServerUrl();
        message = serverSetupProblem(server_);
        if (!message.isEmpty())
            return false;
        QSqlDatabase db = addServerConnection(server_, kAdmin);
        if (!db.open()) {
            message = QStringLiteral("cannot reach the test server %1: %2")
                          .arg(server_, db.lastError().text());
            return false;
        }
        dropLeftByTheDead();
        return true;
    }

    // A test program killed half-way (a crash, a closed pipe) leaves its databases behind on
    // a server that outlives it: whichever program connects next drops those of processes
    // that are gone. The server is on this machine, so the numbers are this machine's.
    void dropLeftByTheDead() {
        QSqlQuery q(QSqlDatabase::database(kAdmin, false));
        if (!q.exec(QStringLiteral("SELECT datname FROM pg_database WHERE datname ~ "
                                   "'^vorda_(tpl|e)_[0-9]+_[0-9]+$'")))
            return;
        QStringList gone;
        while (q.next()) {
            const QString name = q.value(0).toString();
            const pid_t pid = pid_t(name.section(u'_', 2, 2).toLongLong());
            if (pid > 0 && ::kill(pid, 0) != 0 && errno == ESRCH)
                gone << name;
        }
        for (const QString& name : std::as_const(gone))
            drop(name);
    }

    QString nextName(const QString& kind) {
        return QStringLiteral("vorda_%1_%2_%3")
            .arg(kind)
            .arg(QCoreApplication::applicationPid())
            .arg(++counter_);
    }

    QString urlOf(const QString& name) const {
        QUrl u(server_);
        u.setPath(u'/' + name);
        return u.toString();
    }

    // CREATE DATABASE runs unprepared: QPSQL prepares what prepare() is given.
    bool createFrom(const QString& name, const QString& from, QString& message) {
        QSqlQuery q(QSqlDatabase::database(kAdmin, false));
        if (!q.exec(QStringLiteral("CREATE DATABASE \"%1\" TEMPLATE \"%2\" ENCODING 'UTF8' "
                                   "LC_COLLATE 'C' LC_CTYPE 'C' STRATEGY FILE_COPY")
                        .arg(name, from))) {
            message = q.lastError().text();
            return false;
        }
        return true;
    }

    void dropTemplates() {
        for (const QString& name : std::as_const(templates_))
            drop(name);
        templates_.clear();
        if (QSqlDatabase::contains(kAdmin)) {
            QSqlDatabase::database(kAdmin, false).close();
            QSqlDatabase::removeDatabase(kAdmin);
        }
    }

    QString server_;
    QHash<QString, QString> templates_;
    int counter_ = 0;
};

} // namespace detail

// A fingerprint of every row of every table (rowid, then each value with its type), in
// stored order; empty when the data cannot be read. On a server it tells "left as it was"
// where a file's bytes do on a file.
inline QByteArray contentHash(const QString& location) {
    Database db;
    if (db.open(location))
        return QByteArray();
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (const TableDef& def : schemaTables()) {
        std::vector<Row> rows;
        if (db.selectAll(def.name, rows))
            return QByteArray();
        hash.addData(def.name.toUtf8());
        for (const Row& r : rows) {
            hash.addData(QByteArray::number(r.rowid) + '|');
            for (const QVariant& v : r.values)
                hash.addData(v.isNull() ? QByteArray("null|")
                                        : QByteArray::number(v.typeId()) + ':' +
                                              v.toString().toUtf8() + '|');
        }
    }
    return hash.result();
}

class TempDatabase {
public:
    explicit TempDatabase(bool demo = false, QDate today = QDate(2024, 6, 14))
        : TempDatabase(QStringLiteral("file"), demo, today) {}

    // engine: "file" or "server".
    explicit TempDatabase(const QString& engine, bool demo = false,
                          QDate today = QDate(2024, 6, 14)) {
        if (engine == QLatin1String("server")) {
            server_ = true;
            // Run by hand without the test server, the server's rows are skipped.
            if (testServerUrl().isEmpty() && !serverRequired()) {
                skipped_ = true;
                message_ = serverSetupProblem(QString());
                return;
            }
            ok_ = dir_.isValid() &&
                  detail::ServerDatabases::instance().make(demo, today, path_, message_);
            return;
        }
        path_ = dir_.filePath(QStringLiteral("VORDA.db"));
        NewDatabaseOptions options;
        options.demo = demo;
        options.today = today;
        const DbError e = createDatabase(path_, options);
        ok_ = !e && dir_.isValid();
        message_ = e.message;
    }

    ~TempDatabase() {
        if (server_ && ok_) {
            Database::releaseKeptConnections(path_);
            detail::ServerDatabases::instance().drop(path_);
        }
    }

    TempDatabase(const TempDatabase&) = delete;
    TempDatabase& operator=(const TempDatabase&) = delete;

    // The data location: the file's path, or the server database's postgresql:// URL.
    const QString& path() const { return path_; }
    bool onServer() const { return server_; }
    // Tells "left as it was": the file's bytes, or on a server every stored row.
    QByteArray hash() const { return server_ ? contentHash(path_) : fileHash(path_); }
    // A temporary folder for what a test writes beside the data (copies, sheets, exports).
    QString filePath(const QString& name) const { return dir_.filePath(name); }
    bool ok() const { return ok_; }
    // No server to run on, and none required: the test is skipped (VORDA_READY).
    bool skipped() const { return skipped_; }
    const QString& message() const { return message_; }

private:
    QTemporaryDir dir_;
    QString path_;
    QString message_;
    bool server_ = false;
    bool skipped_ = false;
    bool ok_ = false;
};

// The day-off balance (field 5 of 社員) of every employee, in stored order.
inline QList<int> daysOffBalances(const QString& path) {
    Database db;
    std::vector<Row> rows;
    QList<int> out;
    if (!db.open(path) && !db.selectAll(QStringLiteral("社員"), rows)) {
        for (const Row& r : rows)
            out << r.values.value(5).toInt();
    }
    return out;
}

// The dates of the daily report rows, in stored order; a null date shows as "(null)".
inline QStringList reportDates(const QString& path) {
    Database db;
    std::vector<Row> rows;
    if (db.open(path) || db.selectAll(table::DailyReport, rows))
        return {QStringLiteral("unreadable")};
    QStringList out;
    for (const Row& r : rows)
        out << (r.values.value(rec::Date).isNull() ? QStringLiteral("(null)")
                                                   : r.values.value(rec::Date).toString());
    return out;
}

// Makes every later `event` (INSERT or UPDATE) on the table fail with the text "injected"
// for a row where `condition` holds (SQL on the row's NEW values): the cheap way to fail
// work half-way, on either engine.
inline DbError addFailingTrigger(Database& db, const QString& table, const QString& event,
                                 const QString& condition) {
    if (db.engine() == Engine::Server) {
        if (DbError e = db.exec(QStringLiteral("CREATE OR REPLACE FUNCTION vorda_fail() RETURNS "
                                               "trigger LANGUAGE plpgsql AS $$ BEGIN IF %1 THEN "
                                               "RAISE 'injected'; END IF; RETURN NEW; END $$")
                                    .arg(condition)))
            return e;
        return db.exec(QStringLiteral("CREATE TRIGGER vorda_fail BEFORE %1 ON %2 FOR EACH ROW "
                                      "EXECUTE FUNCTION vorda_fail()")
                           .arg(event, quoteIdentifier(table)));
    }
    return db.exec(QStringLiteral("CREATE TRIGGER vorda_fail BEFORE %1 ON %2 WHEN %3 "
                                  "BEGIN SELECT RAISE(ABORT, 'injected'); END")
                       .arg(event, quoteIdentifier(table), condition));
}

// Opens the database or fails the calling test with its message.
#define VORDA_OPEN(db, path)                                                                       \
    do {                                                                                           \
        const ::vorda::DbError vorda_open_error = (db).open(path);                                 \
        QVERIFY2(!vorda_open_error, qPrintable(vorda_open_error.message));                         \
    } while (false)

} // namespace vorda::test

// Fails the calling test when its database could not be made; skips a server row when the
// binary runs by hand without a test server.
#define VORDA_READY(t)                                                                             \
    do {                                                                                           \
        if ((t).skipped())                                                                         \
            QSKIP(qPrintable((t).message()));                                                      \
        QVERIFY2((t).ok(), qPrintable((t).message()));                                             \
    } while (false)
