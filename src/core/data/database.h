#pragma once
// Access to the firm's database: a file (SQLite) or a database on a PostgreSQL server, by
// its location (a path or a postgresql:// address). Each operation opens the location,
// works and releases it; the connection itself is kept for the next operation of this
// thread and checked before it is used again (a server's connection costs ~40 ms to make,
// a file's schema check most of a register). Fields are addressed by ordinal; column names
// are looked up in the database itself, so free columns may carry any name. Nothing above
// this class writes engine-specific SQL: it asks for the pieces that differ.

#include <QHash>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariantList>

#include "core/data/location.h"
#include <memory>
#include <vector>

class QSqlError;
class QSqlQuery;

namespace vorda {

enum class DbErrorKind {
    None,
    FolderMissing, // the path names no existing folder (or is empty): set the data location
    FileMissing,   // the folder exists, the file does not
    NotDatabase,   // not an SQLite file, or not one of ours (a table or field is missing)
    Locked,        // another program holds the file longer than we wait
    ReadOnly,      // the file or its folder cannot be written
    Failed,        // any other failure of the database engine
    Changed,       // the rows being written were changed by another screen or computer
    Unreachable,   // the server cannot be reached, refused the login, or the connection broke
};

struct DbError {
    DbErrorKind kind = DbErrorKind::None;
    QString message; // Japanese, ready to show as it stands

    explicit operator bool() const { return kind != DbErrorKind::None; }
};

// The error of a failed statement on the database at `path` (a file or a server), in our
// own words (Japanese), the engine's text only as a detail after them. `what` names the
// step that failed.
DbError dbErrorOf(const QSqlError& error, const QString& path, const QString& what);

// One selection condition on a field by ordinal; the value is always a bound parameter.
// In: the field equals one of the values of a QVariantList (each bound; an empty list
// matches no row). Contains: the field's text holds the value's text anywhere.
struct Condition {
    enum class Op { Eq, Ge, Le, In, Contains };
    static constexpr int Rowid = -1; // the ordinal that stands for the row's stored order
    int ordinal;
    Op op;
    QVariant value;
};
using Where = std::vector<Condition>;

struct Row {
    qint64 rowid = 0;
    QVariantList values; // by ordinal
};

class Database {
public:
    Database();
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // Opens an existing regular file read-write, or connects to a server's database, and
    // checks that it holds every table with its fields. Never creates a file; never writes
    // to a database that fails the check. A file in WAL mode is switched to the rollback
    // journal (refused while another copy has it).
    DbError open(const QString& path);

    Engine engine() const { return engine_; }

    // How long statements of this connection wait for another program's lock; set before
    // open. The default suits the desktop; tests shorten it.
    void setBusyTimeout(int ms) { busyTimeoutMs_ = ms; }

    // Whether the path holds a usable VORDA database: open() and release, nothing written.
    static DbError check(const QString& path);

    // PRAGMA quick_check of the open file: damage is an error that says how much.
    DbError quickCheck();

    // Creates a new file with all tables and indexes (refuses an existing file) and opens it;
    // on a server, creates the tables in an empty database (refuses one that has any of them).
    // `uncommitted` (server only): the tables stay in an open transaction for the caller to
    // fill and commit, so a failure or a lost connection before the commit leaves no table.
    DbError create(const QString& path, bool uncommitted = false);
    // Drops the program's tables from a server's database this object created (a new firm
    // that could not be filled); does nothing on a file.
    void dropCreatedTables();

    bool isOpen() const { return db_.isOpen(); }
    const QString& path() const { return path_; }

    // The fields of a table as the file has them.
    int fieldCount(const QString& table) const;
    QString fieldName(const QString& table, int ordinal) const;
    int ordinalOf(const QString& table, const QString& fieldName) const;

    // SQL pieces that differ between the engines, for the few queries written outside this
    // class. A boolean that is never null: the text is a real day written YYYY-MM-DD.
    QString realDateSql(const QString& expr) const;
    // The text with blanks (ASCII and the full-width space) cut from both ends.
    QString trimBlanksSql(const QString& expr) const;
    // The column that keeps a table's stored order (and its rows' identity).
    QString rowidSql(const QString& table) const;

    // Rows in stored order (by rowid), all fields by ordinal.
    DbError select(const QString& table, const Where& where, std::vector<Row>& out, int limit = -1);
    DbError selectAll(const QString& table, std::vector<Row>& out) {
        return select(table, {}, out);
    }
    // The same with only the fields a use needs: values[i] is field ordinals[i].
    DbError selectFields(const QString& table, const std::vector<int>& ordinals, const Where& where,
                         std::vector<Row>& out);
    DbError count(const QString& table, const Where& where, qint64& out);
    // Whether any row holds a value in one of the fields: not null, not the empty text, not 0.
    DbError anyValueIn(const QString& table, const std::vector<int>& ordinals, bool& out);

    // Writes by ordinal: values[i] goes to field i; an invalid QVariant leaves field i out.
    DbError insert(const QString& table, const QVariantList& values, qint64* rowid = nullptr);
    // The same at a given rowid (a copy keeps every row's identity and order); on a server
    // renumberAfterCopy() then moves the numbering of new rows past the copied ones.
    DbError insertAt(const QString& table, qint64 rowid, const QVariantList& values);
    DbError renumberAfterCopy();
    // Many rows at their rowids through one prepared statement (a whole table copied). A
    // value the database cannot take is refused naming the table, the row and the field.
    DbError insertManyAt(const QString& table, const std::vector<Row>& rows);
    DbError update(const QString& table, qint64 rowid, const QVariantList& values);
    DbError remove(const QString& table, qint64 rowid);
    DbError removeWhere(const QString& table, const Where& where, qint64* removed = nullptr);

    // Atomic work: BEGIN IMMEDIATE takes the write lock up front (waiting up to the busy
    // timeout), so a read-then-write inside cannot fail half-way for another's lock.
    // Every write of the program starts here, so the day's automatic copy is made here too:
    // the write hook, when one is set, runs before the lock is taken.
    DbError beginImmediate();
    // A read of many statements that sees one moment and writes nothing: on a server a
    // REPEATABLE READ READ ONLY transaction (writers go on meanwhile), on a file a read
    // transaction (writers wait for its end). Ended by rollback().
    DbError beginSnapshot();

    // Runs before BEGIN IMMEDIATE outside a transaction (the day's automatic copy). Its
    // failure never stops the write; it is reported by whoever set the hook.
    using WriteHook = void (*)(Database&);
    static void setWriteHook(WriteHook hook);
    // Whether the hook runs for this connection: off for a new file, and for the work that
    // makes a copy of its own (purge, backup, restore).
    void setAutomaticCopy(bool on) { automaticCopy_ = on; }
    DbError commit();
    void rollback();
    bool inTransaction() const { return inTransaction_; }

    // A statement without results, every value bound. For schema work and tests.
    DbError exec(const QString& sql, const QVariantList& params = {});

    QSqlDatabase& connection() { return db_; }

    // Closes the connections kept for later operations of this thread (all, or those of one
    // location): before a file is replaced, and when the data location changes.
    static void releaseKeptConnections(const QString& location = QString());

    // Asks for a server's password when libpq's own means (~/.pgpass, a service file,
    // PGPASSWORD) give none: once per location and session; an empty answer gives up.
    using PasswordSource = QString (*)(const QString& location, const QString& user, bool again);
    static void setPasswordSource(PasswordSource source);

    // How long a statement waits for another program's lock before giving up.
    static constexpr int kBusyTimeoutMs = 5000;
    // The most prepared statements a connection keeps.
    static constexpr int kMaxStatements = 200;

private:
    DbError connect(const QString& path);
    DbError connectServer(const QString& location);
    static DbError checkFileLocation(const QString& path);
    bool adoptKept(const QString& location);
    DbError loadSchema();
    DbError loadServerSchema();
    bool serverTablesHidden() const;
    DbError execDirect(const QString& sql);
    DbError toServerValue(const QString& table, int ordinal, QVariant& value) const;
    DbError checkSchema() const;
    DbError leaveWal();
    DbError fail(const QSqlError& error, const QString& what) const;
    QString whereClause(const QString& table, const Where& where, QVariantList& params,
                        DbError& error) const;
    DbError missingField(const QString& table, int ordinal) const;
    DbError fieldNames(const QString& table, const QVariantList& values, QStringList& names,
                       QVariantList& params) const;
    // SELECT rowid and the columns (SQL of quoted names, or *) in stored order, all fetched.
    DbError selectColumns(const QString& table, const QString& columns, const Where& where,
                          std::vector<Row>& out, int limit);
    // Executes the statement of this SQL with the values bound; q is this connection's
    // statement, prepared on its first use and kept with the connection. The caller reads
    // what it needs and calls finish(), so no read stays open on a file.
    DbError run(const QString& sql, const QVariantList& params, const QString& what,
                QSqlQuery*& q) const;
    // The first row's first value of a statement run, and the statement finished.
    DbError firstValue(QSqlQuery& q, const QString& what, qint64& out) const;
    void close();
    void discard();

    QString connectionName_;
    QString path_;
    Engine engine_ = Engine::File;
    QSqlDatabase db_;
    QHash<QString, QStringList> columns_;
    QHash<QString, QList<bool>> numeric_;    // per field: an integer column (server)
    QHash<QString, QStringList> identities_; // columns that number themselves (server)
    QHash<QString, int> rowidField_;         // the field that is the rowid, if any
    // Prepared statements by their SQL: a register runs a few statements some hundred times,
    // and preparing one of ~100 columns costs more than running it.
    using Statements = QHash<QString, std::shared_ptr<QSqlQuery>>;
    mutable Statements statements_;
    // Each table's column names quoted for SQL, and all of them as a select list.
    struct Quoted {
        QStringList names;
        QString all;
    };
    mutable QHash<QString, Quoted> quoted_;
    const QStringList& quotedColumns(const QString& table) const;
    bool dailyRecIsKey_ = false;  // VORDA工事.REC is the table's INTEGER PRIMARY KEY
    bool keep_ = false;           // the connection is sound and may serve the next operation
    bool createdTables_ = false;  // this object made the server's tables (dropCreatedTables)
    mutable bool failed_ = false; // a statement failed: the connection is not kept
    qint64 schemaVersion_ = 0;    // the file's schema cookie when its tables were checked
    bool inTransaction_ = false;
    bool automaticCopy_ = true;
    int busyTimeoutMs_ = kBusyTimeoutMs;
};

// Commits on request, rolls back on every other way out of a scope.
class Transaction {
public:
    explicit Transaction(Database& db) : db_(db) {}
    ~Transaction() {
        if (active_)
            db_.rollback();
    }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    DbError begin() {
        DbError e = db_.beginImmediate();
        active_ = !e;
        return e;
    }
    DbError commit() {
        DbError e = db_.commit();
        active_ = false;
        return e;
    }

private:
    Database& db_;
    bool active_ = false;
};

} // namespace vorda
