#include "core/data/database.h"

#include "core/data/daily_record.h"
#include "core/data/schema.h"

#include <QAtomicInt>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUrl>

#include <atomic>
#include <cmath>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vorda {

namespace {

QAtomicInt connectionCounter;
std::atomic<Database::WriteHook> writeHook{nullptr};
std::atomic<Database::PasswordSource> passwordSource{nullptr};

// Every writer on a server takes this transaction-scoped lock first, so writes follow one
// another as on a file: a register reads, checks and writes without another in between.
constexpr qint64 kWriterLock = 0x564F524441; // "VORDA"

// A file as it was when its connection was put aside: any change by another program (a
// write, a replaced file, a changed mode) makes the next open a full one.
struct FileStamp {
    dev_t dev = 0;
    ino_t ino = 0;
    qint64 size = -1;
    timespec ctime{};
    timespec folderCtime{};
    bool operator==(const FileStamp& o) const {
        return dev == o.dev && ino == o.ino && size == o.size && ctime.tv_sec == o.ctime.tv_sec &&
               ctime.tv_nsec == o.ctime.tv_nsec && folderCtime.tv_sec == o.folderCtime.tv_sec &&
               folderCtime.tv_nsec == o.folderCtime.tv_nsec;
    }
};

FileStamp stampOf(const QString& path) {
    FileStamp s;
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return s;
    s.dev = st.st_dev;
    s.ino = st.st_ino;
    s.size = st.st_size;
    s.ctime = st.st_ctim;
    if (::stat(QFile::encodeName(QFileInfo(path).absolutePath()).constData(), &st) == 0)
        s.folderCtime = st.st_ctim;
    return s;
}

struct KeptConnection {
    QString name;
    QString location;
    QHash<QString, QStringList> columns;
    QHash<QString, QList<bool>> numeric;
    QHash<QString, QStringList> identities;
    QHash<QString, int> rowidField;
    bool dailyRecIsKey = false;
    FileStamp stamp;
    qint64 schemaVersion = 0;
    QHash<QString, std::shared_ptr<QSqlQuery>> statements;
};

// The statements go after their connection: one let go of a closed connection has nothing
// to tell the server (on a connection that was lost, trying would only warn).
void closeConnection(KeptConnection& k) {
    QSqlDatabase::database(k.name, false).close();
    QSqlDatabase::removeDatabase(k.name);
    k.statements.clear();
}

// Connections belong to the thread that made them.
struct KeptConnections {
    std::vector<KeptConnection> list;
    pid_t pid = ::getpid();
    ~KeptConnections() { clear(QString()); }
    // A child process (fork) never uses or closes its parent's connections.
    void forgetInChild() {
        if (pid == ::getpid())
            return;
        // Freeing a statement would tell the parent's server to forget it: left as it is.
        for (KeptConnection& k : list)
            new QHash<QString, std::shared_ptr<QSqlQuery>>(std::move(k.statements));
        list.clear();
        pid = ::getpid();
    }
    void clear(const QString& location) {
        forgetInChild();
        for (auto it = list.begin(); it != list.end();) {
            if (location.isEmpty() || it->location == location) {
                KeptConnection k = std::move(*it);
                it = list.erase(it);
                closeConnection(k);
            } else {
                ++it;
            }
        }
    }
};
thread_local KeptConnections kept;
constexpr std::size_t kMaxKept = 4;
thread_local QHash<QString, QString> sessionPasswords;

QString keyOf(const QString& location) {
    return isServerLocation(location) ? location.trimmed() : QFileInfo(location).absoluteFilePath();
}

const char* opSql(Condition::Op op) {
    switch (op) {
    case Condition::Op::Eq:
        return " = ?";
    case Condition::Op::Ge:
        return " >= ?";
    case Condition::Op::Le:
        return " <= ?";
    case Condition::Op::In:
        return " IN ";
    case Condition::Op::Contains:
        return ", ?) > 0";
    }
    return " = ?";
}

DbError makeError(DbErrorKind kind, const QString& message) {
    return DbError{kind, message};
}

// SQLite's primary result codes, as QSQLITE reports them in nativeErrorCode().
int primaryCode(const QSqlError& e) {
    bool ok = false;
    const int code = e.nativeErrorCode().toInt(&ok);
    return ok ? (code & 0xff) : -1;
}

} // namespace

Database::Database()
    : connectionName_(QStringLiteral("vorda-%1").arg(connectionCounter.fetchAndAddRelaxed(1))) {}

Database::~Database() {
    close();
}

void Database::close() {
    kept.forgetInChild();
    // Only a connection whose work went through serves again: after any failure it is closed.
    if (db_.isValid() && keep_ && !failed_ && db_.isOpen()) {
        if (inTransaction_)
            rollback();
        // A transaction begun by a caller's own statement ("BEGIN" for a consistent read)
        // and left open would keep its locks on a kept connection: such a connection goes.
        bool idle = true;
        if (engine_ == Engine::File) {
            const QVariant handle = db_.driver()->handle();
            sqlite3* const raw =
                handle.isValid() ? *static_cast<sqlite3* const*>(handle.data()) : nullptr;
            idle = raw && sqlite3_get_autocommit(raw) != 0;
        } else {
            QSqlQuery q(db_);
            idle = q.exec(QStringLiteral("ROLLBACK"));
        }
        if (!inTransaction_ && idle) {
            KeptConnection k{connectionName_, keyOf(path_),          columns_,       numeric_,
                             identities_,     rowidField_,           dailyRecIsKey_, {},
                             schemaVersion_,  std::move(statements_)};
            statements_.clear();
            if (engine_ == Engine::File)
                k.stamp = stampOf(path_);
            db_ = QSqlDatabase();
            kept.list.push_back(std::move(k));
            while (kept.list.size() > kMaxKept) {
                KeptConnection oldest = std::move(kept.list.front());
                kept.list.erase(kept.list.begin());
                closeConnection(oldest);
            }
            // The next connection of this object needs a name of its own.
            connectionName_ =
                QStringLiteral("vorda-%1").arg(connectionCounter.fetchAndAddRelaxed(1));
        }
    }
    discard();
}

void Database::discard() {
    if (db_.isValid()) {
        if (inTransaction_)
            rollback();
        db_.close();
        db_ = QSqlDatabase();
        QSqlDatabase::removeDatabase(connectionName_);
    }
    statements_.clear(); // after the connection, as in closeConnection
    quoted_.clear();
    keep_ = false;
    failed_ = false;
    columns_.clear();
    numeric_.clear();
    identities_.clear();
    rowidField_.clear();
}

void Database::releaseKeptConnections(const QString& location) {
    kept.clear(location.isEmpty() ? QString() : keyOf(location));
}

void Database::setPasswordSource(PasswordSource source) {
    passwordSource.store(source);
}

bool Database::adoptKept(const QString& location) {
    kept.forgetInChild();
    const QString key = keyOf(location);
    for (auto it = kept.list.rbegin(); it != kept.list.rend(); ++it) {
        if (it->location != key)
            continue;
        KeptConnection k = std::move(*it);
        kept.list.erase(std::next(it).base());
        const bool file = !isServerLocation(location);
        if (file && !(stampOf(location) == k.stamp)) {
            closeConnection(k);
            return false;
        }
        QSqlDatabase::removeDatabase(connectionName_);
        connectionName_ = k.name;
        db_ = QSqlDatabase::database(k.name, false);
        path_ = location;
        engine_ = file ? Engine::File : Engine::Server;
        columns_ = std::move(k.columns);
        quoted_.clear();
        numeric_ = std::move(k.numeric);
        identities_ = std::move(k.identities);
        rowidField_ = std::move(k.rowidField);
        dailyRecIsKey_ = k.dailyRecIsKey;
        statements_ = std::move(k.statements);
        // A server's connection may have been dropped meanwhile (a restart, the network).
        QSqlQuery q(db_);
        const QString timeout = file ? QStringLiteral("PRAGMA busy_timeout = %1")
                                     : QStringLiteral("SET lock_timeout = %1");
        if (!q.exec(timeout.arg(busyTimeoutMs_))) {
            discard();
            return false;
        }
        // Tables changed through this very connection (or by another program) since it was
        // checked: check them again.
        schemaVersion_ = k.schemaVersion;
        if (file && (!q.exec(QStringLiteral("PRAGMA schema_version")) || !q.next() ||
                     q.value(0).toLongLong() != schemaVersion_)) {
            q.finish();
            discard();
            return false;
        }
        keep_ = true;
        return true;
    }
    return false;
}

DbError Database::fail(const QSqlError& error, const QString& what) const {
    failed_ = true;
    // A server's connection that broke earlier in this work is closed by then: every later
    // statement (the COMMIT too) is told what the first one was, not "database not open".
    if (engine_ == Engine::Server && db_.isValid() && !db_.isOpen())
        return dbErrorOf(QSqlError(QString(), QStringLiteral("no connection to the server"),
                                   QSqlError::ConnectionError),
                         path_, what);
    return dbErrorOf(error, path_, what);
}

namespace {

// A server's failures, by SQLSTATE (and libpq's text where a connection has none).
DbError serverErrorOf(const QSqlError& error, const QString& location, const QString& detail) {
    const QString code = error.nativeErrorCode();
    const QString text = error.databaseText() + u' ' + error.driverText();
    const QString server = location.trimmed();
    const auto lost = [&] {
        return makeError(
            DbErrorKind::Unreachable,
            QStringLiteral("サーバー %1 との接続が切れました。途中の書き込みは取り消され"
                           "ています。サーバーとネットワークを確認してから、もう一度実行"
                           "してください。")
                    .arg(server) +
                detail);
    };
    if (code.startsWith(QLatin1String("08")) || code.startsWith(QLatin1String("57P")) ||
        (code.isEmpty() && (text.contains(QLatin1String("server closed the connection")) ||
                            text.contains(QLatin1String("no connection to the server")) ||
                            text.contains(QLatin1String("terminating connection")))))
        return lost();
    if (code == QLatin1String("55P03") || code == QLatin1String("40P01") ||
        code == QLatin1String("40001") || code == QLatin1String("55006"))
        return makeError(
            DbErrorKind::Locked,
            QStringLiteral("サーバー %1 のデータは他のパソコンが書き込み中です。しばらく"
                           "待ってからもう一度実行してください。")
                    .arg(server) +
                detail);
    if (code == QLatin1String("42501") || code == QLatin1String("25006"))
        return makeError(
            DbErrorKind::ReadOnly,
            QStringLiteral("サーバー %1 のデータを書き換える権限がありません。サーバーの"
                           "管理者にユーザーの権限を確認してもらってください。")
                    .arg(server) +
                detail);
    if (code == QLatin1String("53100"))
        return makeError(
            DbErrorKind::Failed,
            QStringLiteral("サーバー %1 のディスクの空きがありません。書き込みは取り消さ"
                           "れています。")
                    .arg(server) +
                detail);
    if (code == QLatin1String("22P02") || code == QLatin1String("22003"))
        return makeError(DbErrorKind::Failed,
                         QStringLiteral("数値の項目に数値でない値（または大きすぎる値）があります。"
                                        "サーバー %1 には書き込めません。")
                                 .arg(server) +
                             detail);
    if (code == QLatin1String("42P01") || code == QLatin1String("42703"))
        return makeError(
            DbErrorKind::NotDatabase,
            QStringLiteral("サーバー %1 のデータベースはVORDAの表の形と違います。").arg(server) +
                detail);
    return makeError(DbErrorKind::Failed,
                     QStringLiteral("サーバー %1 のデータの処理に失敗しました。").arg(server) +
                         detail);
}

} // namespace

DbError dbErrorOf(const QSqlError& error, const QString& path, const QString& what) {
    // Our own words first; the engine's English only as a detail after them.
    const QString engine = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    const QString detail = QStringLiteral("\n（詳細: %1: %2）").arg(what, engine.trimmed());
    if (isServerLocation(path))
        return serverErrorOf(error, path, detail);
    const QString file = QDir::toNativeSeparators(path);
    const int code = primaryCode(error);
    // A journal left by a transaction that never ended must be played back before anything
    // reads the file, and that needs the file, the journal and their folder writable.
    if ((code == 8 || code == 10 || code == 14) && !path.isEmpty()) {
        const QString journal = path + QStringLiteral("-journal");
        const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
        const bool cannotWrite = ::access(folder.constData(), W_OK) != 0 ||
                                 ::access(QFile::encodeName(path).constData(), W_OK) != 0 ||
                                 ::access(QFile::encodeName(journal).constData(), W_OK) != 0;
        if (QFileInfo::exists(journal) && cannotWrite)
            return makeError(
                DbErrorKind::ReadOnly,
                QStringLiteral(
                    "データベース %1 には、途中で終わった書き込みの記録（%2）が残っています。"
                    "記録を戻すには書き込みが必要なため、このままでは読めません。"
                    "ファイルとフォルダに書き込みのできる場所で（またはファイルの持ち主が）一度開い"
                    "てください。")
                        .arg(file, QDir::toNativeSeparators(journal)) +
                    detail);
    }
    switch (code) {
    case 5: // SQLITE_BUSY
    case 6: // SQLITE_LOCKED
        return makeError(
            DbErrorKind::Locked,
            QStringLiteral(
                "データベース %1 "
                "は他のプログラムが使用中です。しばらく待ってからもう一度実行してください。")
                    .arg(file) +
                detail);
    case 8: // SQLITE_READONLY
        return makeError(DbErrorKind::ReadOnly,
                         QStringLiteral("データベース %1 "
                                        "に書き込めません。ファイルやフォルダが読み取り専用になって"
                                        "いないか確認してください。")
                                 .arg(file) +
                             detail);
    case 26: // SQLITE_NOTADB
        return makeError(DbErrorKind::NotDatabase,
                         QStringLiteral("%1 はVORDAのデータベースではありません。").arg(file));
    case 13: // SQLITE_FULL
        return makeError(
            DbErrorKind::Failed,
            QStringLiteral("ディスクの空きがありません。データベース %1 "
                           "に書き込めませんでした。空きを作ってからもう一度実行してください。")
                    .arg(file) +
                detail);
    case 10: // SQLITE_IOERR
        return makeError(DbErrorKind::Failed,
                         QStringLiteral("ファイルの読み書きに失敗しました。データベース %1 "
                                        "の場所（ディスクやネットワーク）を確認してください。")
                                 .arg(file) +
                             detail);
    case 14: // SQLITE_CANTOPEN
        return makeError(
            DbErrorKind::Failed,
            QStringLiteral(
                "データベース %1 を開けません。ファイルとフォルダの場所と権限を確認してください。")
                    .arg(file) +
                detail);
    case 11: // SQLITE_CORRUPT
        return makeError(
            DbErrorKind::Failed,
            QStringLiteral("データベース %1 が壊れています。バックアップから戻してください。")
                    .arg(file) +
                detail);
    default:
        return makeError(DbErrorKind::Failed,
                         QStringLiteral("データベース %1 の処理に失敗しました。").arg(file) +
                             detail);
    }
}

DbError Database::connect(const QString& path) {
    discard();
    path_ = path;
    engine_ = Engine::File;
    db_ = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName_);
    if (!db_.isValid())
        return makeError(DbErrorKind::Failed,
                         QStringLiteral("SQLite のドライバーがありません（libqt6sql6-sqlite）。"));
    // mode=rw: an existing file only; SQLite must never create one on open.
    const QString uri =
        QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toString(QUrl::FullyEncoded) +
        QStringLiteral("?mode=rw");
    db_.setDatabaseName(uri);
    db_.setConnectOptions(
        QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=%1").arg(busyTimeoutMs_));
    if (!db_.open())
        return fail(db_.lastError(), QStringLiteral("開く"));
    // Connect options do not carry PRAGMAs: run them on each connection.
    for (const char* pragma : {"PRAGMA trusted_schema = OFF", "PRAGMA cell_size_check = ON",
                               "PRAGMA foreign_keys = OFF"}) {
        QSqlQuery q(db_);
        if (!q.exec(QString::fromLatin1(pragma)))
            return fail(q.lastError(), QStringLiteral("開く"));
    }
    return {};
}

DbError Database::connectServer(const QString& location) {
    discard();
    path_ = location;
    engine_ = Engine::Server;
    ServerLocation server;
    QString why;
    if (!parseServerLocation(location, server, why))
        return makeError(DbErrorKind::FolderMissing, why);
    db_ = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connectionName_);
    if (!db_.isValid())
        return makeError(
            DbErrorKind::Failed,
            QStringLiteral("PostgreSQL のドライバーがありません（libqt6sql6-psql）。"));
    db_.setHostName(server.host);
    db_.setPort(server.port);
    db_.setDatabaseName(server.database);
    db_.setUserName(server.user);
    QStringList options{QStringLiteral("connect_timeout=10"),
                        QStringLiteral("application_name=vorda")};
    if (!server.options.isEmpty())
        options << server.options;
    db_.setConnectOptions(options.join(u';'));
    const QString key = keyOf(location);
    bool asked = false;
    if (sessionPasswords.contains(key))
        db_.setPassword(sessionPasswords.value(key));
    for (int attempt = 0;; ++attempt) {
        if (db_.open())
            break;
        const QString text = db_.lastError().databaseText() + db_.lastError().driverText();
        const bool needsPassword = text.contains(QLatin1String("no password supplied"));
        const bool wrongPassword = text.contains(QLatin1String("password authentication failed"));
        const PasswordSource source = passwordSource.load();
        if ((needsPassword || (wrongPassword && asked)) && source && attempt < 3) {
            const QString password = source(location.trimmed(), server.user, asked);
            asked = true;
            if (!password.isEmpty()) {
                db_.setPassword(password);
                continue;
            }
        }
        sessionPasswords.remove(key);
        const QString detail = QStringLiteral("\n（詳細: %1）").arg(text.trimmed());
        const QString target = location.trimmed();
        if (needsPassword || wrongPassword)
            return makeError(DbErrorKind::Unreachable,
                             (needsPassword ? QStringLiteral("サーバー %1 にはユーザー %2 "
                                                             "のパスワードが必要です。")
                                            : QStringLiteral("サーバー %1 のユーザー %2 "
                                                             "のパスワードが違います。"))
                                     .arg(target, server.user) +
                                 QStringLiteral("パスワードは接続のときに入力するか、~/.pgpass "
                                                "に置いてください。") +
                                 detail);
        if (text.contains(QLatin1String("does not exist")) &&
            text.contains(QLatin1String("database")))
            return makeError(DbErrorKind::FileMissing,
                             QStringLiteral("サーバー %1 にデータベース %2 がありません。")
                                     .arg(target, server.database) +
                                 detail);
        if (text.contains(QLatin1String("role")) && text.contains(QLatin1String("does not exist")))
            return makeError(DbErrorKind::Unreachable,
                             QStringLiteral("サーバー %1 にユーザー %2 がありません。")
                                     .arg(target, server.user) +
                                 detail);
        return makeError(DbErrorKind::Unreachable,
                         QStringLiteral("サーバー %1 "
                                        "に接続できません。サーバーが動いているか、ホスト名とポート"
                                        "番号、ネットワークを確認してください。")
                                 .arg(target) +
                             detail);
    }
    if (asked)
        sessionPasswords.insert(key, db_.password());
    // Waits for another writer are bounded as on a file; notices stay out of the way.
    for (const QString& sql : {QStringLiteral("SET lock_timeout = %1").arg(busyTimeoutMs_),
                               QStringLiteral("SET client_min_messages = error")}) {
        if (DbError e = execDirect(sql))
            return e;
    }
    return {};
}

DbError Database::open(const QString& path) {
    const bool server = isServerLocation(path);
    if (!server) {
        if (DbError e = checkFileLocation(path))
            return e;
    }
    // The location unchanged since this thread last used it: its connection and checked
    // schema serve again. Any change by another program makes this a full open.
    if (adoptKept(path))
        return {};
    // A file's header is checked by SQLite itself (its first read reports SQLITE_NOTADB): a
    // descriptor of our own, opened and closed while another connection of this process
    // holds the file, would drop that connection's locks with it.
    DbError e = server ? connectServer(path) : connect(path);
    if (!e)
        e = server ? loadServerSchema() : loadSchema();
    if (!e)
        e = checkSchema();
    if (!e && !server)
        e = leaveWal();
    if (e) {
        discard();
        return e;
    }
    keep_ = true;
    return {};
}

DbError Database::checkFileLocation(const QString& path) {
    const QString file = QDir::toNativeSeparators(path);
    if (path.trimmed().isEmpty())
        return makeError(DbErrorKind::FolderMissing,
                         QStringLiteral("データの場所が設定されていません。"));
    const QFileInfo info(path);
    if (!info.absoluteDir().exists())
        return makeError(DbErrorKind::FolderMissing,
                         QStringLiteral("データの場所のフォルダ %1 がありません。")
                             .arg(QDir::toNativeSeparators(info.absolutePath())));
    if (!info.exists())
        return makeError(DbErrorKind::FileMissing,
                         QStringLiteral("データベース %1 がありません。").arg(file));
    if (info.isDir())
        return makeError(
            DbErrorKind::NotDatabase,
            QStringLiteral("%1 はフォルダです。データベースのファイルを指定してください。")
                .arg(file));
    // A pipe or a device would block the read, or feed it endlessly.
    if (!info.isFile())
        return makeError(
            DbErrorKind::NotDatabase,
            QStringLiteral(
                "%1 は普通のファイルではありません。データベースのファイルを指定してください。")
                .arg(file));
    return {};
}

DbError Database::execDirect(const QString& sql) {
    // Unprepared: the server refuses BEGIN, COMMIT, SET and DDL as prepared statements.
    QSqlQuery q(db_);
    if (!q.exec(sql))
        return fail(q.lastError(), sql.section(u' ', 0, 0));
    return {};
}

DbError Database::leaveWal() {
    // Two copies writing a WAL file at once can damage it with this SQLite: such a file is
    // turned back to the rollback journal, which needs it to be open nowhere else.
    QSqlQuery q(db_);
    if (!q.exec(QStringLiteral("PRAGMA journal_mode")) || !q.next())
        return fail(q.lastError(), QStringLiteral("開く"));
    if (q.value(0).toString().compare(QLatin1String("wal"), Qt::CaseInsensitive) != 0)
        return {};
    q.finish();
    if (!q.exec(QStringLiteral("PRAGMA journal_mode = DELETE")) || !q.next() ||
        q.value(0).toString().compare(QLatin1String("delete"), Qt::CaseInsensitive) != 0)
        return makeError(
            DbErrorKind::Locked,
            QStringLiteral(
                "データベース %1 は WAL 形式のため、通常の形式に戻す必要があります。ほかの VORDA "
                "を終了してからもう一度実行してください。")
                .arg(QDir::toNativeSeparators(path_)));
    return {};
}

DbError Database::quickCheck() {
    if (engine_ == Engine::Server)
        return {}; // the server keeps its own pages sound: there is nothing like it to ask
    QSqlQuery q(db_);
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("PRAGMA quick_check")))
        return fail(q.lastError(), QStringLiteral("点検"));
    QStringList problems;
    while (q.next())
        problems << q.value(0).toString();
    if (q.lastError().isValid())
        return fail(q.lastError(), QStringLiteral("点検"));
    if (problems == QStringList(QStringLiteral("ok")))
        return {};
    return makeError(
        DbErrorKind::Failed,
        QStringLiteral(
            "データベース %1 が壊れています（%2 か所）。バックアップから戻してください。\n%3")
            .arg(QDir::toNativeSeparators(path_))
            .arg(problems.size())
            .arg(problems.mid(0, 5).join(u'\n')));
}

DbError Database::check(const QString& path) {
    Database db;
    return db.open(path);
}

DbError Database::create(const QString& path, bool uncommitted) {
    if (isServerLocation(path)) {
        automaticCopy_ = false;
        if (DbError e = connectServer(path)) {
            discard();
            return e;
        }
        if (DbError e = loadServerSchema()) {
            discard();
            return e;
        }
        for (const TableDef& t : schemaTables()) {
            if (columns_.contains(t.name)) {
                discard();
                return makeError(
                    DbErrorKind::Failed,
                    QStringLiteral("サーバー %1 のデータベースにはすでにVORDAの表「%2」が"
                                   "あります。上書きはしません。")
                        .arg(path.trimmed(), t.name));
            }
        }
        // One transaction: the tables are there all together or not at all.
        DbError e = beginImmediate();
        for (const QString& sql : schemaStatements(Engine::Server)) {
            if (!e)
                e = execDirect(sql);
        }
        if (!e && !uncommitted)
            e = commit();
        if (!e)
            e = loadServerSchema();
        if (!e)
            e = checkSchema();
        if (e) {
            discard();
            return e;
        }
        createdTables_ = true;
        keep_ = true;
        return {};
    }
    const QFileInfo info(path);
    const QString file = QDir::toNativeSeparators(path);
    if (path.trimmed().isEmpty())
        return makeError(DbErrorKind::FolderMissing,
                         QStringLiteral("作成するファイル名がありません。"));
    if (info.exists())
        return makeError(DbErrorKind::Failed,
                         QStringLiteral("%1 はすでにあります。上書きはしません。").arg(file));
    if (!info.absoluteDir().exists())
        return makeError(DbErrorKind::FolderMissing,
                         QStringLiteral("フォルダ %1 がありません。")
                             .arg(QDir::toNativeSeparators(info.absolutePath())));
    {
        // Claim the name exclusively, so a file appearing meanwhile is never overwritten.
        QFile f(path);
        if (!f.open(QIODevice::NewOnly | QIODevice::WriteOnly))
            return makeError(DbErrorKind::Failed,
                             QStringLiteral("%1 "
                                            "を作成できません。フォルダの権限とディスクの空きを確認"
                                            "してください。\n（詳細: %2）")
                                 .arg(file, f.errorString()));
    }
    auto abandon = [&](DbError e) {
        close();
        QFile::remove(path);
        return e;
    };
    automaticCopy_ = false; // a new file holds nothing to keep
    if (DbError e = connect(path))
        return abandon(e);
    if (DbError e = beginImmediate())
        return abandon(e);
    for (const QString& sql : schemaStatements()) {
        if (DbError e = exec(sql))
            return abandon(e);
    }
    if (DbError e = commit())
        return abandon(e);
    if (DbError e = loadSchema())
        return abandon(e);
    keep_ = true;
    return {};
}

void Database::dropCreatedTables() {
    if (engine_ != Engine::Server || !createdTables_ || !db_.isOpen())
        return;
    if (inTransaction_)
        rollback();
    QStringList names;
    for (const TableDef& t : schemaTables())
        names << quoteIdentifier(t.name);
    if (!beginImmediate()) {
        if (execDirect(QStringLiteral("DROP TABLE IF EXISTS %1").arg(names.join(u','))) || commit())
            rollback();
    }
    keep_ = false;
    createdTables_ = false;
}

bool Database::serverTablesHidden() const {
    // information_schema shows only the columns the user may use; the catalogue shows every
    // table, so tables there but not in the columns are tables this user may not read.
    QSqlQuery q(db_);
    q.setForwardOnly(true);
    if (!q.prepare(QStringLiteral("SELECT count(*) FROM pg_catalog.pg_tables WHERE schemaname = "
                                  "current_schema() AND tablename = ?")))
        return false;
    q.addBindValue(table::DailyReport);
    return q.exec() && q.next() && q.value(0).toInt() > 0;
}

DbError Database::loadServerSchema() {
    columns_.clear();
    quoted_.clear();
    numeric_.clear();
    identities_.clear();
    rowidField_.clear();
    QSqlQuery q(db_);
    q.setForwardOnly(true);
    if (!q.exec(
            QStringLiteral("SELECT table_name, column_name, data_type, is_identity, column_default "
                           "FROM information_schema.columns WHERE table_schema = current_schema() "
                           "ORDER BY table_name, ordinal_position")))
        return fail(q.lastError(), QStringLiteral("表の確認"));
    QHash<QString, bool> hasRowid;
    while (q.next()) {
        const QString table = q.value(0).toString();
        const QString column = q.value(1).toString();
        const QString type = q.value(2).toString();
        const bool numbers = q.value(3).toString() == QLatin1String("YES") ||
                             q.value(4).toString().startsWith(QLatin1String("nextval("));
        if (numbers)
            identities_[table].append(column);
        if (column == QLatin1String("rowid")) {
            hasRowid[table] = true;
            continue;
        }
        columns_[table].append(column);
        numeric_[table].append(
            type == QLatin1String("bigint") || type == QLatin1String("integer") ||
            type == QLatin1String("smallint") || type == QLatin1String("numeric"));
        if (table == table::DailyReport && columns_[table].size() - 1 == rec::Rec && numbers)
            dailyRecIsKey_ = true;
    }
    if (q.lastError().isValid())
        return fail(q.lastError(), QStringLiteral("表の確認"));
    // The daily report's own number is its identity; every other table keeps its order in a
    // numbering column of its own.
    for (auto it = columns_.cbegin(); it != columns_.cend(); ++it) {
        if (it.key() == table::DailyReport && dailyRecIsKey_)
            rowidField_[it.key()] = rec::Rec;
        else if (!hasRowid.value(it.key()))
            rowidField_[it.key()] = -2; // no order column: refused by checkSchema if ours
    }
    return {};
}

DbError Database::loadSchema() {
    columns_.clear();
    quoted_.clear();
    QSqlQuery q(db_);
    q.setForwardOnly(true);
    if (!q.exec(
            QStringLiteral("SELECT m.name, p.cid, p.name, p.type, p.pk FROM sqlite_master AS m, "
                           "pragma_table_info(m.name) AS p "
                           "WHERE m.type = 'table' ORDER BY m.name, p.cid")))
        return fail(q.lastError(), QStringLiteral("表の確認"));
    int dailyKeys = 0;
    bool recIsKey = false;
    QHash<QString, int> keys;
    rowidField_.clear();
    while (q.next()) {
        const QString table = q.value(0).toString();
        columns_[table].append(q.value(2).toString());
        if (q.value(4).toInt() != 0) {
            // A single INTEGER PRIMARY KEY is the rowid under a name of its own.
            keys[table] += 1;
            if (q.value(3).toString().compare(QLatin1String("INTEGER"), Qt::CaseInsensitive) == 0)
                rowidField_[table] = q.value(1).toInt();
        }
        if (table != table::DailyReport || q.value(4).toInt() == 0)
            continue;
        ++dailyKeys;
        recIsKey =
            q.value(1).toInt() == rec::Rec &&
            q.value(3).toString().compare(QLatin1String("INTEGER"), Qt::CaseInsensitive) == 0;
    }
    if (q.lastError().isValid())
        return fail(q.lastError(), QStringLiteral("表の確認"));
    q.finish();
    // Only an INTEGER PRIMARY KEY that stands for the rowid numbers new rows itself; a plain
    // REC column would stay empty, no register would find its rows again, and every register
    // would add the day anew. A key declared DESC, or a table WITHOUT ROWID, is kept in an
    // index of its own ("pk" in the index list) and is no such key.
    dailyRecIsKey_ = dailyKeys == 1 && recIsKey;
    if (!q.exec(QStringLiteral("PRAGMA schema_version")) || !q.next())
        return fail(q.lastError(), QStringLiteral("表の確認"));
    schemaVersion_ = q.value(0).toLongLong();
    q.finish();
    if (dailyRecIsKey_) {
        if (!q.prepare(
                QStringLiteral("SELECT count(*) FROM pragma_index_list(?) WHERE origin = 'pk'")))
            return fail(q.lastError(), QStringLiteral("表の確認"));
        q.addBindValue(table::DailyReport);
        if (!q.exec() || !q.next())
            return fail(q.lastError(), QStringLiteral("表の確認"));
        dailyRecIsKey_ = q.value(0).toInt() == 0;
    }
    for (auto it = keys.cbegin(); it != keys.cend(); ++it) {
        if (it.value() != 1 || (it.key() == table::DailyReport && !dailyRecIsKey_))
            rowidField_.remove(it.key());
    }
    return {};
}

DbError Database::checkSchema() const {
    const QString file = locationForMessages(path_);
    if (engine_ == Engine::Server && columns_.isEmpty() && serverTablesHidden())
        return makeError(
            DbErrorKind::ReadOnly,
            QStringLiteral("サーバー %1 のユーザーには、VORDAの表を読む権限がありません。"
                           "サーバーの管理者にユーザーの権限を確認してもらってください。")
                .arg(path_.trimmed()));
    if (engine_ == Engine::Server && columns_.isEmpty())
        return makeError(DbErrorKind::NotDatabase,
                         QStringLiteral("サーバー %1 のデータベースにはVORDAの表がありません。"
                                        "「vorda init-db %1」で作るか、「vorda copy-db」でファイル"
                                        "から移してください。")
                             .arg(path_.trimmed()));
    for (const TableDef& t : schemaTables()) {
        const auto it = columns_.constFind(t.name);
        if (engine_ == Engine::Server && it != columns_.cend() &&
            rowidField_.value(t.name, -1) == -2)
            return makeError(
                DbErrorKind::NotDatabase,
                QStringLiteral("%1 の表「%2」に行の順序を保つ項目「rowid」がありません。")
                    .arg(file, t.name));
        if (it == columns_.cend())
            return makeError(
                DbErrorKind::NotDatabase,
                QStringLiteral("%1 はVORDAのデータベースではありません（表「%2」がありません）。")
                    .arg(file, t.name));
        if (it->size() < int(t.fields.size()))
            return makeError(
                DbErrorKind::NotDatabase,
                QStringLiteral("%1 の表「%2」の項目が足りません（%3 項目、必要 %4 項目）。")
                    .arg(file, t.name)
                    .arg(it->size())
                    .arg(t.fields.size()));
        if (t.name == table::DailyReport && !dailyRecIsKey_ &&
            it->value(rec::Rec) == QLatin1String("REC"))
            return makeError(
                DbErrorKind::NotDatabase,
                QStringLiteral("%1 の表「%2」の項目「REC」が自動採番の主キー（INTEGER PRIMARY "
                               "KEY）ではありません。"
                               "このままでは登録のたびに日報が増えるため、使えません。")
                    .arg(file, t.name));
        // Fields are read by position: one of our names standing at another position means
        // the columns were reordered, and every value would be read from its neighbour.
        for (int i = 0; t.name != table::System && i < int(t.fields.size()); ++i) {
            const qsizetype at = it->indexOf(t.fields[i].name);
            if (at >= 0 && at != i)
                return makeError(
                    DbErrorKind::NotDatabase,
                    QStringLiteral(
                        "%1 の表「%2」の項目「%3」が %4 番目にあります（%5 番目のはずです）。"
                        "項目の順序が違うため、使えません。")
                        .arg(file, t.name, t.fields[i].name)
                        .arg(at + 1)
                        .arg(i + 1));
        }
        for (const auto& [ordinal, name] : t.namedFields) {
            // The key of システム is found by name wherever it stands.
            const bool found =
                t.name == table::System ? it->contains(name) : it->value(ordinal) == name;
            if (!found)
                return makeError(DbErrorKind::NotDatabase,
                                 QStringLiteral("%1 の表「%2」に項目「%3」がありません。")
                                     .arg(file, t.name, name));
        }
    }
    return {};
}

int Database::fieldCount(const QString& table) const {
    return int(columns_.value(table).size());
}

QString Database::fieldName(const QString& table, int ordinal) const {
    return columns_.value(table).value(ordinal);
}

int Database::ordinalOf(const QString& table, const QString& fieldName) const {
    return int(columns_.value(table).indexOf(fieldName));
}

QString Database::whereClause(const QString& table, const Where& where, QVariantList& params,
                              DbError& error) const {
    if (where.empty())
        return QString();
    QStringList parts;
    for (const Condition& c : where) {
        if (c.ordinal == Condition::Rowid && c.op != Condition::Op::In &&
            c.op != Condition::Op::Contains) {
            parts << rowidSql(table) + QLatin1String(opSql(c.op));
            params << c.value;
            continue;
        }
        const QString name = fieldName(table, c.ordinal);
        if (name.isEmpty()) {
            error = missingField(table, c.ordinal);
            return QString();
        }
        if (c.op == Condition::Op::In) {
            const QVariantList values = c.value.toList();
            parts << (values.isEmpty()
                          ? QStringLiteral("1 = 0") // a truth value on both engines
                          : quoteIdentifier(name) + QLatin1String(opSql(c.op)) + u'(' +
                                QStringList(values.size(), QStringLiteral("?")).join(u',') + u')');
            params << values;
            continue;
        }
        const QString field = quoteIdentifier(name);
        const QString contains =
            engine_ == Engine::Server ? QStringLiteral("strpos(") : QStringLiteral("instr(");
        parts << (c.op == Condition::Op::Contains ? contains + field : field) +
                     QLatin1String(opSql(c.op));
        params << c.value;
    }
    return QStringLiteral(" WHERE ") + parts.join(QStringLiteral(" AND "));
}

DbError Database::missingField(const QString& table, int ordinal) const {
    return makeError(
        DbErrorKind::Failed,
        QStringLiteral("表「%1」に %2 番目の項目がありません。").arg(table).arg(ordinal));
}

DbError Database::fieldNames(const QString& table, const QVariantList& values, QStringList& names,
                             QVariantList& params) const {
    const QStringList& quoted = quotedColumns(table);
    for (int i = 0; i < values.size(); ++i) {
        if (!values[i].isValid())
            continue;
        if (i >= quoted.size())
            return missingField(table, i);
        names << quoted[i];
        QVariant value = values[i];
        if (DbError e = toServerValue(table, i, value))
            return e;
        params << value;
    }
    return {};
}

DbError Database::toServerValue(const QString& table, int ordinal, QVariant& value) const {
    // A file takes any value in any field; a server's integer fields take whole numbers
    // only: an empty text is no number (null), a text of digits is that number.
    if (engine_ != Engine::Server || value.isNull())
        return {};
    const auto refuse = [&](const QString& shown) {
        return makeError(DbErrorKind::Failed,
                         QStringLiteral("表「%1」の項目「%2」には数字しか入りません（「%3」）。")
                             .arg(table, fieldName(table, ordinal), shown));
    };
    // Bytes would reach a text field as an escaped text, an integer field not at all.
    if (value.typeId() == QMetaType::QByteArray)
        return makeError(DbErrorKind::Failed,
                         QStringLiteral("表「%1」の項目「%2」に文字でない値（%3 バイト）があり"
                                        "ます。サーバーには書き込めません。")
                             .arg(table, fieldName(table, ordinal))
                             .arg(value.toByteArray().size()));
    if (!numeric_.value(table).value(ordinal))
        return {};
    if (value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float) {
        const double d = value.toDouble();
        if (!(d == std::trunc(d) && std::fabs(d) < 9.2e18))
            return refuse(QString::number(d, 'g', 17));
        value = qlonglong(d);
        return {};
    }
    if (value.typeId() != QMetaType::QString)
        return {};
    const QString text = value.toString().trimmed();
    if (text.isEmpty()) {
        value = QVariant(QMetaType::fromType<qlonglong>());
        return {};
    }
    bool ok = false;
    const qlonglong n = text.toLongLong(&ok);
    if (!ok)
        return refuse(value.toString());
    value = n;
    return {};
}

QString Database::realDateSql(const QString& expr) const {
    if (engine_ == Engine::File)
        return QStringLiteral("coalesce(%1 GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]' AND "
                              "date(%1, '+0 days') = %1, 0)")
            .arg(expr);
    // The calendar in integers: nothing here can fail on a text that is no date.
    return QStringLiteral(
               "(CASE WHEN %1 ~ '^[0-9]{4}-(0[1-9]|1[0-2])-(0[1-9]|[12][0-9]|3[01])$' THEN "
               "substr(%1, 9, 2)::int <= CASE WHEN substr(%1, 6, 2) IN ('04', '06', '09', '11') "
               "THEN 30 WHEN substr(%1, 6, 2) = '02' THEN CASE WHEN substr(%1, 1, 4)::int % 4 = 0 "
               "AND (substr(%1, 1, 4)::int % 100 <> 0 OR substr(%1, 1, 4)::int % 400 = 0) THEN 29 "
               "ELSE 28 END ELSE 31 END ELSE false END)")
        .arg(expr);
}

QString Database::trimBlanksSql(const QString& expr) const {
    return engine_ == Engine::File
               ? QStringLiteral("trim(%1, char(32, 9, 10, 11, 12, 13, 12288))").arg(expr)
               : QStringLiteral("btrim(%1, chr(32) || chr(9) || chr(10) || chr(11) || chr(12) || "
                                "chr(13) || chr(12288))")
                     .arg(expr);
}

const QStringList& Database::quotedColumns(const QString& table) const {
    Quoted& q = quoted_[table];
    if (q.names.isEmpty()) {
        for (const QString& name : columns_.value(table))
            q.names << quoteIdentifier(name);
        q.all = q.names.join(u',');
    }
    return q.names;
}

QString Database::rowidSql(const QString& table) const {
    if (engine_ == Engine::Server && rowidField_.value(table, -1) >= 0)
        return quoteIdentifier(fieldName(table, rowidField_.value(table)));
    return QStringLiteral("rowid");
}

DbError Database::run(const QString& sql, const QVariantList& params, const QString& what,
                      QSqlQuery*& q) const {
    std::shared_ptr<QSqlQuery>& statement = statements_[sql];
    if (!statement) {
        // Different texts are few (tables times kinds of statement); a list of values of its
        // own length makes one each, so the cache starts over rather than grow.
        if (statements_.size() > kMaxStatements) {
            statements_.clear();
            return run(sql, params, what, q);
        }
        statement = std::make_shared<QSqlQuery>(db_);
        statement->setForwardOnly(true);
        if (!statement->prepare(sql)) {
            const QSqlError error = statement->lastError();
            statements_.remove(sql);
            return fail(error, what);
        }
    }
    q = statement.get();
    for (int i = 0; i < params.size(); ++i)
        q->bindValue(i, params[i]);
    if (!q->exec()) {
        const QSqlError error = q->lastError();
        q->finish();
        return fail(error, what);
    }
    return {};
}

DbError Database::firstValue(QSqlQuery& q, const QString& what, qint64& out) const {
    const bool found = q.next();
    out = found ? q.value(0).toLongLong() : 0;
    const QSqlError error = q.lastError();
    q.finish();
    if (!found)
        return fail(error, what);
    return {};
}

DbError Database::select(const QString& table, const Where& where, std::vector<Row>& out,
                         int limit) {
    quotedColumns(table);
    return selectColumns(table, quoted_[table].all, where, out, limit);
}

DbError Database::selectFields(const QString& table, const std::vector<int>& ordinals,
                               const Where& where, std::vector<Row>& out) {
    out.clear();
    QStringList names;
    for (int ordinal : ordinals) {
        const QString name = fieldName(table, ordinal);
        if (name.isEmpty())
            return missingField(table, ordinal);
        names << quoteIdentifier(name);
    }
    return selectColumns(table, names.join(u','), where, out, -1);
}

DbError Database::selectColumns(const QString& table, const QString& columns, const Where& where,
                                std::vector<Row>& out, int limit) {
    out.clear();
    QVariantList params;
    DbError error;
    const QString clause = whereClause(table, where, params, error);
    if (error)
        return error;
    const QString rowid = rowidSql(table);
    QString sql = QStringLiteral("SELECT %4, %1 FROM %2%3 ORDER BY %4")
                      .arg(columns, quoteIdentifier(table), clause, rowid);
    if (limit >= 0)
        sql += QStringLiteral(" LIMIT %1").arg(limit);
    QSqlQuery* q = nullptr;
    if (DbError e = run(sql, params, table, q))
        return e;
    const int fields = q->record().count() - 1;
    const bool server = engine_ == Engine::Server;
    while (q->next()) {
        Row r;
        r.rowid = q->value(0).toLongLong();
        r.values.reserve(fields);
        for (int i = 1; i <= fields; ++i) {
            QVariant v = q->value(i);
            // The server's driver gives a bigint that is not negative as unsigned; it is the
            // same signed 64-bit number a file gives, and is read as one everywhere.
            if (server && v.typeId() == QMetaType::ULongLong)
                v = QVariant(qlonglong(v.toULongLong()));
            r.values.append(std::move(v));
        }
        out.push_back(std::move(r));
    }
    // All rows are fetched and the statement reset: no read keeps its lock on the file.
    const QSqlError fetchError = q->lastError();
    q->finish();
    if (fetchError.isValid())
        return fail(fetchError, table);
    return {};
}

DbError Database::count(const QString& table, const Where& where, qint64& out) {
    out = 0;
    QVariantList params;
    DbError error;
    const QString clause = whereClause(table, where, params, error);
    if (error)
        return error;
    QSqlQuery* q = nullptr;
    if (DbError e =
            run(QStringLiteral("SELECT count(*) FROM %1%2").arg(quoteIdentifier(table), clause),
                params, table, q))
        return e;
    return firstValue(*q, table, out);
}

DbError Database::anyValueIn(const QString& table, const std::vector<int>& ordinals, bool& out) {
    out = false;
    QStringList parts;
    for (int ordinal : ordinals) {
        const QString name = fieldName(table, ordinal);
        if (name.isEmpty())
            return missingField(table, ordinal);
        if (engine_ == Engine::File)
            parts << QStringLiteral("coalesce(%1, '') NOT IN ('', 0)").arg(quoteIdentifier(name));
        else if (numeric_.value(table).value(ordinal))
            parts << QStringLiteral("coalesce(%1, 0) <> 0").arg(quoteIdentifier(name));
        else
            parts << QStringLiteral("coalesce(%1, '') NOT IN ('', '0')").arg(quoteIdentifier(name));
    }
    if (parts.isEmpty())
        return {};
    QSqlQuery* q = nullptr;
    if (DbError e = run(QStringLiteral("SELECT EXISTS (SELECT 1 FROM %1 WHERE %2)")
                            .arg(quoteIdentifier(table), parts.join(QStringLiteral(" OR "))),
                        {}, table, q))
        return e;
    qint64 any = 0;
    const DbError e = firstValue(*q, table, any);
    out = any != 0;
    return e;
}

DbError Database::insert(const QString& table, const QVariantList& values, qint64* rowid) {
    QStringList names;
    QVariantList params;
    if (DbError e = fieldNames(table, values, names, params))
        return e;
    QString sql = names.isEmpty()
                      ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(quoteIdentifier(table))
                      : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                            .arg(quoteIdentifier(table), names.join(u','),
                                 QStringList(names.size(), QStringLiteral("?")).join(u','));
    // A server gives the new row's number back with the row; it keeps no last insert id.
    if (engine_ == Engine::Server)
        sql += QStringLiteral(" RETURNING ") + rowidSql(table);
    QSqlQuery* q = nullptr;
    if (DbError e = run(sql, params, table, q))
        return e;
    if (engine_ == Engine::Server) {
        qint64 id = 0;
        const DbError e = firstValue(*q, table, id);
        if (rowid)
            *rowid = id;
        return e;
    }
    if (rowid)
        *rowid = q->lastInsertId().toLongLong();
    q->finish();
    return {};
}

DbError Database::insertAt(const QString& table, qint64 rowid, const QVariantList& values) {
    QStringList names;
    QVariantList params;
    if (DbError e = fieldNames(table, values, names, params))
        return e;
    // Where a field is the rowid (REC of the daily report, a file's INTEGER PRIMARY KEY) the
    // field's own value carries it.
    if (rowidField_.value(table, -1) < 0) {
        names.prepend(QStringLiteral("rowid"));
        params.prepend(rowid);
    }
    return exec(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                    .arg(quoteIdentifier(table), names.join(u','),
                         QStringList(names.size(), QStringLiteral("?")).join(u',')),
                params);
}

DbError Database::renumberAfterCopy() {
    if (engine_ != Engine::Server)
        return {}; // a file numbers new rows past the largest one by itself
    for (auto it = identities_.cbegin(); it != identities_.cend(); ++it) {
        for (const QString& column : it.value()) {
            if (DbError e = exec(QStringLiteral("SELECT setval(pg_get_serial_sequence(?, ?), "
                                                "(SELECT coalesce(max(%1), 0) + 1 FROM %2), false)")
                                     .arg(quoteIdentifier(column), quoteIdentifier(it.key())),
                                 {quoteIdentifier(it.key()), column}))
                return e;
        }
    }
    return {};
}

DbError Database::insertManyAt(const QString& table, const std::vector<Row>& rows) {
    if (rows.empty())
        return {};
    const int fields = fieldCount(table);
    const bool rowidIsField = rowidField_.value(table, -1) >= 0;
    QStringList names;
    for (int i = 0; i < fields; ++i)
        names << quoteIdentifier(fieldName(table, i));
    if (!rowidIsField)
        names.prepend(QStringLiteral("rowid"));
    QSqlQuery q(db_);
    if (!q.prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                       .arg(quoteIdentifier(table), names.join(u','),
                            QStringList(names.size(), QStringLiteral("?")).join(u','))))
        return fail(q.lastError(), table);
    for (const Row& row : rows) {
        const auto which = [&] {
            return table == table::DailyReport
                       ? QStringLiteral("表「%1」の REC %2 の行: ").arg(table).arg(row.rowid)
                       : QStringLiteral("表「%1」の %2 番の行: ").arg(table).arg(row.rowid);
        };
        if (row.values.size() > fields)
            return makeError(DbErrorKind::Failed,
                             which() + QStringLiteral("項目が %1 個あり、書き込み先の %2 個より"
                                                      "多いため写せません。")
                                           .arg(row.values.size())
                                           .arg(fields));
        if (!rowidIsField)
            q.addBindValue(row.rowid);
        for (int i = 0; i < fields; ++i) {
            QVariant value = row.values.value(i);
            // A copy keeps every value as it is: a text in a server's integer field would
            // become a number or a null, and the copy would no longer be the same.
            if (engine_ == Engine::Server && numeric_.value(table).value(i) && !value.isNull() &&
                value.typeId() == QMetaType::QString)
                return makeError(DbErrorKind::Failed,
                                 which() + QStringLiteral("数値の項目「%1」に文字「%2」が入って"
                                                          "います。サーバーの数値の項目には数値"
                                                          "しか入らないため、写せません。元の"
                                                          "データを直してから写してください。")
                                               .arg(fieldName(table, i), value.toString()));
            if (DbError e = toServerValue(table, i, value)) {
                e.message.prepend(which());
                return e;
            }
            q.addBindValue(value);
        }
        if (!q.exec()) {
            DbError e = fail(q.lastError(), table);
            e.message.prepend(which());
            return e;
        }
    }
    return {};
}

DbError Database::update(const QString& table, qint64 rowid, const QVariantList& values) {
    QStringList names;
    QVariantList params;
    if (DbError e = fieldNames(table, values, names, params))
        return e;
    if (names.isEmpty())
        return {};
    params << rowid;
    return exec(
        QStringLiteral("UPDATE %1 SET %2 = ? WHERE %3 = ?")
            .arg(quoteIdentifier(table), names.join(QStringLiteral(" = ?, ")), rowidSql(table)),
        params);
}

DbError Database::remove(const QString& table, qint64 rowid) {
    return exec(
        QStringLiteral("DELETE FROM %1 WHERE %2 = ?").arg(quoteIdentifier(table), rowidSql(table)),
        {rowid});
}

DbError Database::removeWhere(const QString& table, const Where& where, qint64* removed) {
    QVariantList params;
    DbError error;
    const QString clause = whereClause(table, where, params, error);
    if (error)
        return error;
    QSqlQuery* q = nullptr;
    if (DbError e = run(QStringLiteral("DELETE FROM %1%2").arg(quoteIdentifier(table), clause),
                        params, table, q))
        return e;
    if (removed)
        *removed = q->numRowsAffected();
    q->finish();
    return {};
}

DbError Database::exec(const QString& sql, const QVariantList& params) {
    if (params.isEmpty())
        return execDirect(sql);
    QSqlQuery* q = nullptr;
    if (DbError e = run(sql, params, sql.section(u' ', 0, 0), q))
        return e;
    q->finish();
    return {};
}

void Database::setWriteHook(WriteHook hook) {
    writeHook.store(hook);
}

DbError Database::beginImmediate() {
    if (const WriteHook hook = writeHook.load(); hook && automaticCopy_ && !inTransaction_)
        hook(*this);
    if (engine_ == Engine::Server) {
        if (DbError e = execDirect(QStringLiteral("BEGIN")))
            return e;
        inTransaction_ = true;
        if (DbError e =
                execDirect(QStringLiteral("SELECT pg_advisory_xact_lock(%1)").arg(kWriterLock))) {
            rollback();
            return e;
        }
        return {};
    }
    if (DbError e = exec(QStringLiteral("BEGIN IMMEDIATE")))
        return e;
    inTransaction_ = true;
    return {};
}

DbError Database::beginSnapshot() {
    if (engine_ == Engine::Server) {
        if (DbError e =
                execDirect(QStringLiteral("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY")))
            return e;
        inTransaction_ = true;
        // The snapshot is taken by the first statement: now, not at the first table read.
        if (DbError e = execDirect(QStringLiteral("SELECT 1"))) {
            rollback();
            return e;
        }
        return {};
    }
    if (DbError e = execDirect(QStringLiteral("BEGIN")))
        return e;
    inTransaction_ = true;
    // SQLite takes the read lock at the first read: take it now.
    if (DbError e = execDirect(QStringLiteral("SELECT count(*) FROM sqlite_master"))) {
        rollback();
        return e;
    }
    return {};
}

DbError Database::commit() {
    DbError e = execDirect(QStringLiteral("COMMIT"));
    if (e)
        rollback(); // a failed COMMIT leaves the transaction open: nothing half-done stays
    inTransaction_ = false;
    return e;
}

void Database::rollback() {
    QSqlQuery q(db_);
    q.exec(QStringLiteral("ROLLBACK"));
    inTransaction_ = false;
}

} // namespace vorda
