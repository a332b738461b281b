#include "core/data/database.h"

#include "core/data/daily_record.h"
#include "core/data/schema.h"

#include <QAtomicInt>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUrl>

#include <atomic>
#include <unistd.h>

namespace vorda {

namespace {

QAtomicInt connectionCounter;
std::atomic<Database::WriteHook> writeHook{nullptr};

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
    if (db_.isValid()) {
        if (inTransaction_)
            rollback();
        db_.close();
        db_ = QSqlDatabase();
        QSqlDatabase::removeDatabase(connectionName_);
    }
    columns_.clear();
}

DbError Database::fail(const QSqlError& error, const QString& what) const {
    return dbErrorOf(error, path_, what);
}

DbError dbErrorOf(const QSqlError& error, const QString& path, const QString& what) {
    // Our own words first; the engine's English only as a detail after them.
    const QString engine = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    const QString detail = QStringLiteral("\n（詳細: %1: %2）").arg(what, engine);
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
    close();
    path_ = path;
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

DbError Database::open(const QString& path) {
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
    // A pipe or a device would block the read below, or feed it endlessly.
    if (!info.isFile())
        return makeError(
            DbErrorKind::NotDatabase,
            QStringLiteral(
                "%1 は普通のファイルではありません。データベースのファイルを指定してください。")
                .arg(file));
    // The header is checked by SQLite itself (its first read reports SQLITE_NOTADB): a
    // descriptor of our own, opened and closed while another connection of this process
    // holds the file, would drop that connection's locks with it.
    if (DbError e = connect(path)) {
        close();
        return e;
    }
    if (DbError e = loadSchema()) {
        close();
        return e;
    }
    if (DbError e = checkSchema()) {
        close();
        return e;
    }
    if (DbError e = leaveWal()) {
        close();
        return e;
    }
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

DbError Database::create(const QString& path) {
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
    return {};
}

DbError Database::loadSchema() {
    columns_.clear();
    QSqlQuery q(db_);
    q.setForwardOnly(true);
    if (!q.exec(
            QStringLiteral("SELECT m.name, p.cid, p.name, p.type, p.pk FROM sqlite_master AS m, "
                           "pragma_table_info(m.name) AS p "
                           "WHERE m.type = 'table' ORDER BY m.name, p.cid")))
        return fail(q.lastError(), QStringLiteral("表の確認"));
    int dailyKeys = 0;
    bool recIsKey = false;
    while (q.next()) {
        const QString table = q.value(0).toString();
        columns_[table].append(q.value(2).toString());
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
    if (dailyRecIsKey_) {
        if (!q.prepare(
                QStringLiteral("SELECT count(*) FROM pragma_index_list(?) WHERE origin = 'pk'")))
            return fail(q.lastError(), QStringLiteral("表の確認"));
        q.addBindValue(table::DailyReport);
        if (!q.exec() || !q.next())
            return fail(q.lastError(), QStringLiteral("表の確認"));
        dailyRecIsKey_ = q.value(0).toInt() == 0;
    }
    return {};
}

DbError Database::checkSchema() const {
    const QString file = QDir::toNativeSeparators(path_);
    for (const TableDef& t : schemaTables()) {
        const auto it = columns_.constFind(t.name);
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
        const QString name = fieldName(table, c.ordinal);
        if (name.isEmpty()) {
            error = missingField(table, c.ordinal);
            return QString();
        }
        if (c.op == Condition::Op::In) {
            const QVariantList values = c.value.toList();
            parts << (values.isEmpty()
                          ? QStringLiteral("0")
                          : quoteIdentifier(name) + QLatin1String(opSql(c.op)) + u'(' +
                                QStringList(values.size(), QStringLiteral("?")).join(u',') + u')');
            params << values;
            continue;
        }
        const QString field = quoteIdentifier(name);
        parts << (c.op == Condition::Op::Contains ? QStringLiteral("instr(") + field : field) +
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
    for (int i = 0; i < values.size(); ++i) {
        if (!values[i].isValid())
            continue;
        const QString name = fieldName(table, i);
        if (name.isEmpty())
            return missingField(table, i);
        names << quoteIdentifier(name);
        params << values[i];
    }
    return {};
}

DbError Database::run(QSqlQuery& q, const QString& sql, const QVariantList& params,
                      const QString& what) const {
    if (!q.prepare(sql))
        return fail(q.lastError(), what);
    for (const QVariant& p : params)
        q.addBindValue(p);
    if (!q.exec())
        return fail(q.lastError(), what);
    return {};
}

DbError Database::select(const QString& table, const Where& where, std::vector<Row>& out,
                         int limit) {
    return selectColumns(table, QStringLiteral("*"), where, out, limit);
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
    QString sql = QStringLiteral("SELECT rowid, %1 FROM %2%3 ORDER BY rowid")
                      .arg(columns, quoteIdentifier(table), clause);
    if (limit >= 0)
        sql += QStringLiteral(" LIMIT %1").arg(limit);
    QSqlQuery q(db_);
    q.setForwardOnly(true);
    if (DbError e = run(q, sql, params, table))
        return e;
    const int fields = q.record().count() - 1;
    while (q.next()) {
        Row r;
        r.rowid = q.value(0).toLongLong();
        r.values.reserve(fields);
        for (int i = 1; i <= fields; ++i)
            r.values.append(q.value(i));
        out.push_back(std::move(r));
    }
    // All rows are fetched: no unfinished read keeps its lock on the file.
    if (q.lastError().isValid())
        return fail(q.lastError(), table);
    return {};
}

DbError Database::count(const QString& table, const Where& where, qint64& out) {
    out = 0;
    QVariantList params;
    DbError error;
    const QString clause = whereClause(table, where, params, error);
    if (error)
        return error;
    QSqlQuery q(db_);
    q.setForwardOnly(true);
    if (DbError e =
            run(q, QStringLiteral("SELECT count(*) FROM %1%2").arg(quoteIdentifier(table), clause),
                params, table))
        return e;
    if (!q.next())
        return fail(q.lastError(), table);
    out = q.value(0).toLongLong();
    return {};
}

DbError Database::anyValueIn(const QString& table, const std::vector<int>& ordinals, bool& out) {
    out = false;
    QStringList parts;
    for (int ordinal : ordinals) {
        const QString name = fieldName(table, ordinal);
        if (name.isEmpty())
            return missingField(table, ordinal);
        parts << QStringLiteral("coalesce(%1, '') NOT IN ('', 0)").arg(quoteIdentifier(name));
    }
    if (parts.isEmpty())
        return {};
    QSqlQuery q(db_);
    q.setForwardOnly(true);
    if (DbError e = run(q,
                        QStringLiteral("SELECT EXISTS (SELECT 1 FROM %1 WHERE %2)")
                            .arg(quoteIdentifier(table), parts.join(QStringLiteral(" OR "))),
                        {}, table))
        return e;
    if (!q.next())
        return fail(q.lastError(), table);
    out = q.value(0).toBool();
    return {};
}

DbError Database::insert(const QString& table, const QVariantList& values, qint64* rowid) {
    QStringList names;
    QVariantList params;
    if (DbError e = fieldNames(table, values, names, params))
        return e;
    const QString sql =
        names.isEmpty()
            ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(quoteIdentifier(table))
            : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                  .arg(quoteIdentifier(table), names.join(u','),
                       QStringList(names.size(), QStringLiteral("?")).join(u','));
    QSqlQuery q(db_);
    if (DbError e = run(q, sql, params, table))
        return e;
    if (rowid)
        *rowid = q.lastInsertId().toLongLong();
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
    return exec(QStringLiteral("UPDATE %1 SET %2 = ? WHERE rowid = ?")
                    .arg(quoteIdentifier(table), names.join(QStringLiteral(" = ?, "))),
                params);
}

DbError Database::remove(const QString& table, qint64 rowid) {
    return exec(QStringLiteral("DELETE FROM %1 WHERE rowid = ?").arg(quoteIdentifier(table)),
                {rowid});
}

DbError Database::removeWhere(const QString& table, const Where& where, qint64* removed) {
    QVariantList params;
    DbError error;
    const QString clause = whereClause(table, where, params, error);
    if (error)
        return error;
    QSqlQuery q(db_);
    if (DbError e = run(q, QStringLiteral("DELETE FROM %1%2").arg(quoteIdentifier(table), clause),
                        params, table))
        return e;
    if (removed)
        *removed = q.numRowsAffected();
    return {};
}

DbError Database::exec(const QString& sql, const QVariantList& params) {
    QSqlQuery q(db_);
    return run(q, sql, params, sql.section(u' ', 0, 0));
}

void Database::setWriteHook(WriteHook hook) {
    writeHook.store(hook);
}

DbError Database::beginImmediate() {
    if (const WriteHook hook = writeHook.load(); hook && automaticCopy_ && !inTransaction_)
        hook(*this);
    if (DbError e = exec(QStringLiteral("BEGIN IMMEDIATE")))
        return e;
    inTransaction_ = true;
    return {};
}

DbError Database::commit() {
    DbError e = exec(QStringLiteral("COMMIT"));
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
