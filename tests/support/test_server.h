#pragma once
// The PostgreSQL server ctest starts for the tests (tests/support/test_server.sh, fixture
// `test_server`): its URL, a fresh database on it per test, and the engine column of
// data-driven tests that run on a file and on a server.

#include <QCoreApplication>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>
#include <QUrl>

#include <atomic>

namespace vorda::test {

inline constexpr char TestServerUrlFileVariable[] = "VORDA_TEST_SERVER_URL_FILE";

// True under ctest, where the server must be there: a test that cannot reach it fails.
inline bool serverRequired() {
    return qEnvironmentVariableIsSet(TestServerUrlFileVariable);
}

// postgresql://postgres@127.0.0.1:PORT/postgres, read from the file the fixture wrote;
// empty when the variable is unset or the file unreadable.
inline QString testServerUrl() {
    QFile file(qEnvironmentVariable(TestServerUrlFileVariable));
    if (file.fileName().isEmpty() || !file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll()).trimmed();
}

// A QPSQL connection to the database a postgresql:// URL names, added but not opened.
inline QSqlDatabase addServerConnection(const QString& url, const QString& connectionName) {
    const QUrl u(url);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connectionName);
    db.setHostName(u.host());
    db.setPort(u.port(5432));
    db.setUserName(u.userName());
    db.setDatabaseName(u.path().mid(1));
    db.setConnectOptions(QStringLiteral("connect_timeout=5"));
    return db;
}

// What stands in the way before any connection is tried; empty when nothing does.
inline QString serverSetupProblem(const QString& url) {
    if (url.isEmpty()) {
        if (!serverRequired())
            return QStringLiteral("%1 is not set: run this test under ctest "
                                  "(ctest --preset default -R NAME), which starts a test server")
                .arg(QLatin1String(TestServerUrlFileVariable));
        return QStringLiteral("no test server URL in %1 (%2): did the test_server fixture run?")
            .arg(qEnvironmentVariable(TestServerUrlFileVariable),
                 QLatin1String(TestServerUrlFileVariable));
    }
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL")))
        return QStringLiteral(
            "the Qt PostgreSQL driver QPSQL is missing (Debian: libqt6sql6-psql)");
    return QString();
}

// Why the server cannot be used, or an empty text when it answers.
inline QString serverProblem(const QString& url) {
    QString problem = serverSetupProblem(url);
    if (!problem.isEmpty())
        return problem;
    static std::atomic<int> probes{0};
    const QString name = QStringLiteral("vorda_test_server_probe_%1").arg(++probes);
    {
        QSqlDatabase db = addServerConnection(url, name);
        if (!db.open())
            problem = QStringLiteral("cannot reach the test server %1: %2")
                          .arg(url, db.lastError().text());
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return problem;
}

// Whether the test server answers; when not, why (for QSKIP or QFAIL).
inline bool serverAvailable(QString* why) {
    const QString problem = serverProblem(testServerUrl());
    if (why)
        *why = problem;
    return problem.isEmpty();
}

// A fresh database of its own on the test server, dropped again by the destructor, even
// while a connection to it is still open.
class TempServerDatabase {
public:
    TempServerDatabase() {
        static std::atomic<int> counter{0};
        name_ =
            QStringLiteral("vorda_t_%1_%2").arg(QCoreApplication::applicationPid()).arg(++counter);
        admin_ = QStringLiteral("vorda_test_server_admin_") + name_;
        const QString serverUrl = testServerUrl();
        message_ = serverSetupProblem(serverUrl);
        if (!message_.isEmpty())
            return;
        QSqlDatabase db = addServerConnection(serverUrl, admin_);
        if (!db.open()) {
            message_ = QStringLiteral("cannot reach the test server %1: %2")
                           .arg(serverUrl, db.lastError().text());
            return;
        }
        // CREATE DATABASE cannot run prepared, and QPSQL prepares what prepare() is given.
        // A database of this name can only be left by a process that is gone. With fsync
        // off, copying the files takes 15-55 ms where writing them through the WAL takes
        // 45-80 ms.
        QSqlQuery q(db);
        if (!q.exec(dropStatement()) ||
            !q.exec(QStringLiteral("CREATE DATABASE \"%1\" TEMPLATE template0 ENCODING 'UTF8' "
                                   "LC_COLLATE 'C' LC_CTYPE 'C' STRATEGY FILE_COPY")
                        .arg(name_))) {
            message_ = q.lastError().text();
            return;
        }
        QUrl u(serverUrl);
        u.setPath(u'/' + name_);
        url_ = u.toString();
        ok_ = true;
    }

    ~TempServerDatabase() {
        if (!QSqlDatabase::contains(admin_))
            return;
        {
            QSqlDatabase db = QSqlDatabase::database(admin_, false);
            if (ok_ && db.isOpen()) {
                QSqlQuery q(db);
                if (!q.exec(dropStatement()))
                    qWarning("test server: %s not dropped: %s", qPrintable(name_),
                             qPrintable(q.lastError().text()));
            }
            db.close();
        }
        QSqlDatabase::removeDatabase(admin_);
    }

    TempServerDatabase(const TempServerDatabase&) = delete;
    TempServerDatabase& operator=(const TempServerDatabase&) = delete;

    // postgresql://postgres@127.0.0.1:PORT/vorda_t_PID_N
    const QString& url() const { return url_; }
    const QString& name() const { return name_; }
    bool ok() const { return ok_; }
    const QString& message() const { return message_; }

private:
    QString dropStatement() const {
        return QStringLiteral("DROP DATABASE IF EXISTS \"%1\" WITH (FORCE)").arg(name_);
    }

    QString name_;
    QString admin_;
    QString url_;
    QString message_;
    bool ok_ = false;
};

// The column `engine` ("file" or "server") of a data-driven test; rows are the caller's.
inline void addEngineColumn() {
    QTest::addColumn<QString>("engine");
}

} // namespace vorda::test

// Skips the calling test when it runs by hand without a server; fails it under ctest, where
// the fixture has started one that must answer.
#define VORDA_REQUIRE_SERVER()                                                                     \
    do {                                                                                           \
        QString vorda_server_why;                                                                  \
        if (!::vorda::test::serverAvailable(&vorda_server_why)) {                                  \
            if (::vorda::test::serverRequired())                                                   \
                QFAIL(qPrintable(vorda_server_why));                                               \
            QSKIP(qPrintable(vorda_server_why));                                                   \
        }                                                                                          \
    } while (false)
