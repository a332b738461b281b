// Opening the file: never creating one, refusing what is not ours without touching it;
// bound values; atomic work that leaves the file as it was on failure.

#include "core/data/daily_record.h"
#include "core/data/database.h"
#include "core/data/schema.h"
#include "support/files.h"
#include "support/temp_database.h"
#include "support/test_server.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>
#include <QUrl>
#include <sys/stat.h>

using namespace vorda;

namespace {

QStringList listing(const QString& dir) {
    return QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
}

QVariantList employee(const QString& surname, int daysOff) {
    return {QStringLiteral("9"), surname, QStringLiteral(""), 0, 0, daysOff};
}

// The daily report table's columns as created, with REC declared as given.
QString dailyColumns(const QString& recType) {
    QStringList columns;
    for (const TableDef& def : schemaTables()) {
        if (def.name != table::DailyReport)
            continue;
        for (int i = 0; i < int(def.fields.size()); ++i)
            columns << quoteIdentifier(def.fields[i].name) + u' ' +
                           (i == rec::Rec ? recType : def.fields[i].type);
    }
    return columns.join(u',');
}

} // namespace

class TestDatabase : public QObject {
    Q_OBJECT
private slots:
    void missingFolderAndFileAreToldApartAndNothingIsCreated() {
        QTemporaryDir dir;
        Database db;
        DbError e = db.open(QString());
        QCOMPARE(e.kind, DbErrorKind::FolderMissing);
        e = db.open(dir.filePath(QStringLiteral("なし/VORDA.db")));
        QCOMPARE(e.kind, DbErrorKind::FolderMissing);
        e = db.open(dir.filePath(QStringLiteral("VORDA.db")));
        QCOMPARE(e.kind, DbErrorKind::FileMissing);
        QVERIFY(e.message.contains(QStringLiteral("VORDA.db")));
        QVERIFY(!db.isOpen());
        QCOMPARE(listing(dir.path()), QStringList());
    }

    void awkwardPathCharacters() {
        // "#" and "?" in a path must neither create a file nor open another one.
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("工事#1 ?～")));
        const QString path = dir.filePath(QStringLiteral("工事#1 ?～/VORDA#.db"));
        Database missing;
        QCOMPARE(missing.open(path).kind, DbErrorKind::FileMissing);
        QCOMPARE(listing(dir.filePath(QStringLiteral("工事#1 ?～"))), QStringList());
        QVERIFY(!createDatabase(path, {}));
        Database db;
        VORDA_OPEN(db, path);
        qint64 n = 0;
        QVERIFY(!db.count(table::StaffMarks, {}, n));
        QVERIFY(n > 0);
        QCOMPARE(listing(dir.path()), QStringList({QStringLiteral("工事#1 ?～")}));
    }

    void foreignFilesAreRefusedAndLeftAsTheyWere_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("text") << QByteArray("日付,工事番号\r\n2024/01/01,1\r\n");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("damaged header")
            << QByteArray("SQLite format 3\0garbage-garbage-garbage", 40);
    }
    void foreignFilesAreRefusedAndLeftAsTheyWere() {
        QFETCH(QByteArray, content);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("VORDA.db"));
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(content);
        }
        const QByteArray before = test::fileHash(path);
        Database db;
        const DbError e = db.open(path);
        QVERIFY(e.kind == DbErrorKind::NotDatabase || e.kind == DbErrorKind::Failed);
        QVERIFY(!e.message.isEmpty());
        QVERIFY(!db.isOpen());
        QCOMPARE(test::fileHash(path), before);
        QCOMPARE(listing(dir.path()), QStringList({QStringLiteral("VORDA.db")}));
    }

    void sqliteFileWithoutOurTablesIsRefused() {
        test::TempDatabase t;
        VORDA_READY(t);
        {
            Database db;
            VORDA_OPEN(db, t.path());
            QVERIFY(!db.exec(QStringLiteral("DROP TABLE \"天候\"")));
        }
        const QByteArray before = test::fileHash(t.path());
        Database db;
        const DbError e = db.open(t.path());
        QCOMPARE(e.kind, DbErrorKind::NotDatabase);
        QVERIFY2(e.message.contains(QStringLiteral("天候")), qPrintable(e.message));
        QCOMPARE(test::fileHash(t.path()), before);
    }

    // Tables made by hand that the program cannot work with are refused by name.
    void handMadeTablesAreRefused_data() {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("columns");
        QTest::addColumn<QString>("named");
        QTest::addColumn<QString>("options"); // after the columns
        QTest::newRow("too few fields")
            << table::Vehicles << QStringLiteral("a TEXT") << QStringLiteral("車両") << QString();
        // A plain INTEGER REC is never numbered: every register would add the day again.
        QTest::newRow("REC not the key")
            << table::DailyReport << dailyColumns(QStringLiteral("INTEGER"))
            << QStringLiteral("REC") << QString();
        // Keys kept in an index of their own, not the rowid: REC would be stored null.
        QTest::newRow("REC descending")
            << table::DailyReport << dailyColumns(QStringLiteral("INTEGER PRIMARY KEY DESC"))
            << QStringLiteral("REC") << QString();
        // Read by position, swapped fields would put the job name in the remarks' place.
        QTest::newRow("fields out of order")
            << table::DailyReport
            << dailyColumns(QStringLiteral("INTEGER PRIMARY KEY"))
                   .replace(QStringLiteral("\"工事名\" TEXT,\"備考\""),
                            QStringLiteral("\"備考\" TEXT,\"工事名\""))
            << QStringLiteral("工事名") << QString();
        QTest::newRow("without rowid")
            << table::DailyReport << dailyColumns(QStringLiteral("INTEGER PRIMARY KEY"))
            << QStringLiteral("REC") << QStringLiteral(" WITHOUT ROWID");
    }
    void handMadeTablesAreRefused() {
        QFETCH(QString, table);
        QFETCH(QString, columns);
        QFETCH(QString, named);
        QFETCH(QString, options);
        test::TempDatabase t;
        VORDA_READY(t);
        {
            Database db;
            VORDA_OPEN(db, t.path());
            QVERIFY(!db.exec(QStringLiteral("DROP TABLE %1").arg(quoteIdentifier(table))));
            QVERIFY(!db.exec(QStringLiteral("CREATE TABLE %1 (%2)%3")
                                 .arg(quoteIdentifier(table), columns, options)));
        }
        const QByteArray before = test::fileHash(t.path());
        Database db;
        const DbError e = db.open(t.path());
        QCOMPARE(e.kind, DbErrorKind::NotDatabase);
        QVERIFY2(e.message.contains(named), qPrintable(e.message));
        QCOMPARE(test::fileHash(t.path()), before);
    }

    void createNeverOverwrites() {
        test::TempDatabase t;
        VORDA_READY(t);
        const QByteArray before = test::fileHash(t.path());
        QVERIFY(createDatabase(t.path(), {}));
        QCOMPARE(test::fileHash(t.path()), before);
    }

    void valuesAreBoundNeverSpliced_data() { test::engineRows(); }
    void valuesAreBoundNeverSpliced() {
        QFETCH(QString, engine);
        test::TempDatabase t(engine);
        VORDA_READY(t);
        Database db;
        VORDA_OPEN(db, t.path());
        QVERIFY(!db.insert(table::Employees, employee(QStringLiteral("大'塚"), 5)));
        QVERIFY(!db.insert(table::Employees, employee(QStringLiteral("x' OR '1'='1"), 5)));
        std::vector<Row> rows;
        QVERIFY(!db.select(table::Employees,
                           {{emp::Surname, Condition::Op::Eq, QStringLiteral("大'塚")}}, rows));
        QCOMPARE(rows.size(), std::size_t(1));
        QCOMPARE(rows[0].values[emp::Surname].toString(), QStringLiteral("大'塚"));
        QVERIFY(!db.select(table::Employees,
                           {{emp::Surname, Condition::Op::Eq, QStringLiteral("' OR '1'='1")}},
                           rows));
        QCOMPARE(rows.size(), std::size_t(0));
    }

    void rangeAndOrder_data() { test::engineRows(); }
    void rangeAndOrder() {
        QFETCH(QString, engine);
        test::TempDatabase t(engine);
        VORDA_READY(t);
        Database db;
        VORDA_OPEN(db, t.path());
        for (const char* d :
             {"2024-03-02", "2024-02-29", "2024-03-01", "2024-03-31", "2024-04-01"}) {
            QVariantList row(rec::FieldCount);
            row[rec::Date] = QString::fromLatin1(d);
            row[rec::JobNumber] = 7;
            QVERIFY(!db.insert(table::DailyReport, row));
        }
        std::vector<Row> rows;
        QVERIFY(!db.select(table::DailyReport,
                           {{rec::JobNumber, Condition::Op::Eq, 7},
                            {rec::Date, Condition::Op::Ge, QStringLiteral("2024-03-01")},
                            {rec::Date, Condition::Op::Le, QStringLiteral("2024-03-31")}},
                           rows));
        QStringList dates;
        for (const Row& r : rows)
            dates << r.values[rec::Date].toString();
        // Stored order, not date order.
        QCOMPARE(dates, QStringList({"2024-03-02", "2024-03-01", "2024-03-31"}));

        const auto datesWhere = [&](const Where& where) {
            std::vector<Row> found;
            QStringList out;
            if (DbError e =
                    db.selectFields(table::DailyReport, {rec::Date, rec::JobNumber}, where, found))
                return QStringList{e.message};
            for (const Row& r : found)
                out << r.values[0].toString() + u'/' + r.values[1].toString();
            return out;
        };
        QCOMPARE(datesWhere({{rec::Date, Condition::Op::In,
                              QVariantList{QStringLiteral("2024-04-01"), QStringLiteral("x"),
                                           QStringLiteral("2024-02-29")}}}),
                 QStringList({"2024-02-29/7", "2024-04-01/7"}));
        QCOMPARE(datesWhere({{rec::Date, Condition::Op::In, QVariantList{}}}), QStringList());
        QCOMPARE(datesWhere({{rec::Date, Condition::Op::Contains, QStringLiteral("-0")},
                             {rec::Date, Condition::Op::Contains, QStringLiteral("3-3")}}),
                 QStringList({"2024-03-31/7"}));
        // Rows are written and removed by their rowid; a text of digits is a number anywhere.
        QVariantList job(rec::FieldCount);
        job[rec::JobNumber] = QStringLiteral("8");
        QVERIFY(!db.update(table::DailyReport, rows[0].rowid, job));
        QVERIFY(!db.remove(table::DailyReport, rows[1].rowid));
        qint64 removed = -1;
        QVERIFY(!db.removeWhere(table::DailyReport,
                                {{rec::Date, Condition::Op::Le, QStringLiteral("2024-02-29")}},
                                &removed));
        QCOMPARE(removed, 1);
        qint64 added = 0;
        QVERIFY(!db.insert(table::DailyReport, {QStringLiteral("2024-01-01"), 9}, &added));
        QCOMPARE(datesWhere({}),
                 QStringList({"2024-03-02/8", "2024-03-31/7", "2024-04-01/7", "2024-01-01/9"}));
        QVERIFY(!db.select(table::DailyReport, {{rec::JobNumber, Condition::Op::Eq, 9}}, rows));
        QCOMPARE(rows.size(), std::size_t(1));
        QCOMPARE(rows[0].rowid, added);
        bool any = true;
        QVERIFY(!db.anyValueIn(table::DailyReport, {rec::Remarks}, any));
        QVERIFY(!any);
        QVERIFY(!db.anyValueIn(table::DailyReport, {rec::Remarks, rec::JobNumber}, any));
        QVERIFY(any);
    }

    void failureMidTransactionLeavesTheFileAsItWas_data() { test::engineRows(); }
    void failureMidTransactionLeavesTheFileAsItWas() {
        QFETCH(QString, engine);
        test::TempDatabase t(engine);
        VORDA_READY(t);
        {
            Database db;
            VORDA_OPEN(db, t.path());
            QVERIFY(!db.insert(table::Employees, employee(QStringLiteral("山田"), 10)));
            // The third daily report row of the day fails.
            QVERIFY(!test::addFailingTrigger(db, table::DailyReport, QStringLiteral("INSERT"),
                                             QStringLiteral("(SELECT count(*) FROM "
                                                            "\"VORDA工事\") >= 2")));
        }
        const QByteArray before = t.onServer() ? QByteArray() : test::fileHash(t.path());

        {
            Database db;
            VORDA_OPEN(db, t.path());
            DbError failure;
            {
                Transaction tx(db);
                QVERIFY(!tx.begin());
                QVERIFY(db.inTransaction());
                std::vector<Row> staff;
                QVERIFY(!db.selectAll(table::Employees, staff));
                QVERIFY(
                    !db.update(table::Employees, staff[0].rowid,
                               {QVariant(), QVariant(), QVariant(), QVariant(), QVariant(), 9}));
                for (int i = 0; i < 3 && !failure; ++i) {
                    QVariantList row(rec::FieldCount);
                    row[rec::Date] = QStringLiteral("2024-05-01");
                    failure = db.insert(table::DailyReport, row);
                }
                // Leaving the scope without commit rolls everything back.
            }
            QCOMPARE(failure.kind, DbErrorKind::Failed);
            QVERIFY2(failure.message.contains(QStringLiteral("injected")),
                     qPrintable(failure.message));
            QVERIFY(!db.inTransaction());

            qint64 n = -1;
            QVERIFY(!db.count(table::DailyReport, {}, n));
            QCOMPARE(n, 0);
            std::vector<Row> staff;
            QVERIFY(!db.selectAll(table::Employees, staff));
            QCOMPARE(staff[0].values[emp::DaysOffLeft].toInt(), 10);
        }
        if (!t.onServer())
            QCOMPARE(test::fileHash(t.path()), before);
    }

    void committedWorkIsKept_data() { test::engineRows(); }
    void committedWorkIsKept() {
        QFETCH(QString, engine);
        test::TempDatabase t(engine);
        VORDA_READY(t);
        {
            Database db;
            VORDA_OPEN(db, t.path());
            Transaction tx(db);
            QVERIFY(!tx.begin());
            QVERIFY(!db.insert(table::WeatherWords, {QStringLiteral("霧")}));
            QVERIFY(!tx.commit());
        }
        Database db;
        VORDA_OPEN(db, t.path());
        qint64 n = 0;
        QVERIFY(!db.count(table::WeatherWords, {{0, Condition::Op::Eq, QStringLiteral("霧")}}, n));
        QCOMPARE(n, 1);
    }

    void writeToMissingOrdinalIsAnError_data() { test::engineRows(); }
    void writeToMissingOrdinalIsAnError() {
        QFETCH(QString, engine);
        test::TempDatabase t(engine);
        VORDA_READY(t);
        Database db;
        VORDA_OPEN(db, t.path());
        const DbError e =
            db.insert(table::Vehicles, {QStringLiteral("1"), QStringLiteral("2t"), 3});
        QCOMPARE(e.kind, DbErrorKind::Failed);
        qint64 n = -1;
        QVERIFY(!db.count(table::Vehicles, {}, n));
        QCOMPARE(n, 0);
    }

    void lockHeldByAnotherProgramIsReportedAsSuch_data() { test::engineRows(); }
    void lockHeldByAnotherProgramIsReportedAsSuch() {
        QFETCH(QString, engine);
        test::TempDatabase t(engine);
        VORDA_READY(t);
        Database other;
        VORDA_OPEN(other, t.path());
        QVERIFY(!other.beginImmediate());
        QVERIFY(!other.insert(table::WeatherWords, {QStringLiteral("霧")}));

        Database db;
        db.setBusyTimeout(100);
        VORDA_OPEN(db, t.path());
        const DbError e = db.beginImmediate();
        QCOMPARE(e.kind, DbErrorKind::Locked);
        QVERIFY2(e.message.contains(t.onServer() ? QStringLiteral("書き込み中")
                                                 : QStringLiteral("使用中")),
                 qPrintable(e.message));
        QVERIFY(!db.inTransaction());
        // Readers still see the file as it was before the other's uncommitted work.
        qint64 n = -1;
        QVERIFY(!db.count(table::WeatherWords, {{0, Condition::Op::Eq, QStringLiteral("霧")}}, n));
        QCOMPARE(n, 0);
        other.rollback();
        QVERIFY(!db.beginImmediate());
        QVERIFY(!db.commit());
    }

    void aPipeOrDeviceIsRefusedWithoutWaiting() {
        QTemporaryDir dir;
        const QString fifo = dir.filePath(QStringLiteral("VORDA.db"));
        QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        for (const QString& path : {fifo, QStringLiteral("/dev/zero")}) {
            Database db;
            const DbError e = db.open(path);
            QCOMPARE(e.kind, DbErrorKind::NotDatabase);
            QVERIFY2(e.message.contains(QStringLiteral("普通のファイルではありません")),
                     qPrintable(e.message));
        }
    }

    void aWalFileIsTurnedBackToTheRollbackJournal() {
        test::TempDatabase t;
        VORDA_READY(t);
        auto journalByte = [&] { return test::readFile(t.path()).at(18); }; // 2: WAL, 1: rollback
        {
            Database db;
            VORDA_OPEN(db, t.path());
            QVERIFY(!db.exec(QStringLiteral("PRAGMA journal_mode = WAL")));
        }
        QCOMPARE(journalByte(), char(2));
        {
            // Open elsewhere in WAL: it cannot be switched now, and is refused.
            QSqlDatabase other =
                QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("wal-holder"));
            other.setDatabaseName(t.path());
            QVERIFY(other.open());
            QSqlQuery q(other);
            QVERIFY(q.exec(QStringLiteral("SELECT count(*) FROM \"天候\"")) && q.next());
            Database db;
            db.setBusyTimeout(100);
            const DbError e = db.open(t.path());
            QCOMPARE(e.kind, DbErrorKind::Locked);
            QVERIFY2(e.message.contains(QStringLiteral("WAL")), qPrintable(e.message));
            q.finish();
            other.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("wal-holder"));
        Database db;
        VORDA_OPEN(db, t.path());
        QCOMPARE(journalByte(), char(1));
        QVERIFY(!db.insert(table::WeatherWords, {QStringLiteral("霧")}));
        QVERIFY(!QFile::exists(t.path() + QStringLiteral("-wal")));
    }

    void aDamagedPageIsFoundByTheCheck() {
        test::TempDatabase t;
        VORDA_READY(t);
        qint64 pages = 0;
        {
            Database db;
            VORDA_OPEN(db, t.path());
            QVERIFY(!db.quickCheck());
            for (int i = 0; i < 200; ++i) {
                QVariantList row(rec::FieldCount);
                row[rec::Date] = QStringLiteral("2024-05-01");
                row[rec::PlannedWork] = QString(200, u'あ');
                QVERIFY(!db.insert(table::DailyReport, row));
            }
            QSqlQuery q(db.connection());
            QVERIFY(q.exec(QStringLiteral("PRAGMA page_count")) && q.next());
            pages = q.value(0).toLongLong();
        }
        QFile f(t.path());
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.seek((pages - 1) * 4096)); // a page of rows: its header made invalid
        f.write(QByteArray("\x0d\xff\xff\xff\xff\xff\xff\xff", 8));
        f.close();
        Database db;
        VORDA_OPEN(db, t.path());
        const DbError e = db.quickCheck();
        QCOMPARE(e.kind, DbErrorKind::Failed);
        QVERIFY2(e.message.contains(QStringLiteral("壊れています")), qPrintable(e.message));
    }

    // A full disk and a failed write each get their own words, not the engine's English.
    void aFullDiskIsToldInJapanese() {
        test::TempDatabase t;
        VORDA_READY(t);
        auto fill = [&](Database& db) {
            DbError e;
            for (int i = 0; i < 2000 && !e; ++i) {
                QVariantList row(rec::FieldCount);
                row[rec::PlannedWork] = QString(500, u'あ');
                e = db.insert(table::DailyReport, row);
            }
            return e;
        };
        {
            Database db;
            VORDA_OPEN(db, t.path());
            QSqlQuery q(db.connection());
            QVERIFY(q.exec(QStringLiteral("PRAGMA page_count")) && q.next());
            const qint64 pages = q.value(0).toLongLong();
            QVERIFY(q.exec(QStringLiteral("PRAGMA max_page_count = %1").arg(pages + 2)));
            const DbError e = fill(db);
            QVERIFY2(e.message.contains(QStringLiteral("ディスクの空きがありません")),
                     qPrintable(e.message));
        }
        const qint64 size = QFileInfo(t.path()).size();
        const int code = test::withFileSizeLimit(rlim_t(size + 4096), [&] {
            Database db;
            if (db.open(t.path()))
                return 2;
            const DbError e = fill(db);
            return e.message.contains(QStringLiteral("ファイルの読み書きに失敗しました")) ? 0 : 1;
        });
        QCOMPARE(code, 0);
        Database db;
        VORDA_OPEN(db, t.path());
        QVERIFY(!db.quickCheck());
    }

    // A journal left by a transaction that never ended must be played back before the file
    // can be read; where that cannot be written, the message says what to do, not "disk or
    // network". Run as another user: root writes through any permission bits.
    void aJournalThatCannotBePlayedBackSaysSo_data() {
        QTest::addColumn<int>("folderMode");
        QTest::addColumn<int>("fileMode"); // of the file and its journal
        QTest::newRow("read-only folder") << 0555 << 0666;
        QTest::newRow("read-only file and journal") << 0777 << 0644;
    }
    void aJournalThatCannotBePlayedBackSaysSo() {
        QFETCH(int, folderMode);
        QFETCH(int, fileMode);
        test::TempDatabase t;
        VORDA_READY(t);
        const QString folder = t.filePath(QStringLiteral("left"));
        const QString path = folder + QStringLiteral("/VORDA.db");
        QVERIFY(QDir().mkpath(folder));
        {
            // A transaction big enough to spill into the file; the file and its journal are
            // copied as they stand mid-way, as a process killed there leaves them.
            Database db;
            VORDA_OPEN(db, t.path());
            QVERIFY(!db.exec(QStringLiteral("PRAGMA cache_size = 10")));
            QVERIFY(!db.beginImmediate());
            for (int i = 0; i < 300; ++i) {
                QVariantList row(rec::FieldCount);
                row[rec::PlannedWork] = QString(500, u'あ');
                QVERIFY(!db.insert(table::DailyReport, row));
            }
            QVERIFY(QFile::copy(t.path(), path));
            QVERIFY(QFile::copy(t.path() + QStringLiteral("-journal"),
                                path + QStringLiteral("-journal")));
            db.rollback();
        }
        const QByteArray before = test::fileHash(path);
        for (const QString& f : {path, path + QStringLiteral("-journal")})
            QCOMPARE(chmod(QFile::encodeName(f).constData(), mode_t(fileMode)), 0);
        QCOMPARE(chmod(QFile::encodeName(folder).constData(), mode_t(folderMode)), 0);
        QCOMPARE(chmod(QFile::encodeName(t.filePath(QString())).constData(), 0755), 0);
        const QString message = t.filePath(QStringLiteral("message")); // the child's words
        QVERIFY(test::writeFile(message, QByteArray()));
        QCOMPARE(chmod(QFile::encodeName(message).constData(), 0666), 0);
        const int code = test::asAnotherUser([&] {
            Database db;
            const DbError e = db.open(path);
            test::writeFile(message, e.message.toUtf8());
            return e.kind == DbErrorKind::ReadOnly ? 0 : 1;
        });
        const QString said = QString::fromUtf8(test::readFile(message));
        QVERIFY2(code == 0, qPrintable(said));
        QVERIFY2(said.contains(QStringLiteral("書き込みのできる場所で")) &&
                     said.contains(QStringLiteral("-journal")),
                 qPrintable(said));
        if (fileMode == 0644) // a file that may be written is rolled back by SQLite already
            QCOMPARE(test::fileHash(path), before);
        // Where it can be written, the journal is played back: the file as before the transaction.
        QCOMPARE(chmod(QFile::encodeName(folder).constData(), 0755), 0);
        Database db;
        VORDA_OPEN(db, path);
        qint64 n = -1;
        QVERIFY(!db.count(table::DailyReport, {}, n));
        QCOMPARE(n, 0);
        QVERIFY(!QFile::exists(path + QStringLiteral("-journal")));
    }

    void manyConnectionsComeAndGo_data() { test::engineRows(); }
    void manyConnectionsComeAndGo() {
        // Every operation opens and releases the data; names must never collide.
        QFETCH(QString, engine);
        test::TempDatabase t(engine);
        VORDA_READY(t);
        for (int i = 0; i < 200; ++i) {
            Database db;
            VORDA_OPEN(db, t.path());
        }
        Database a, b;
        a.setBusyTimeout(100);
        VORDA_OPEN(a, t.path());
        VORDA_OPEN(b, t.path());
        QVERIFY(!a.insert(table::WeatherWords, {QStringLiteral("霰")}));
        qint64 n = 0;
        QVERIFY(!b.count(table::WeatherWords, {{0, Condition::Op::Eq, QStringLiteral("霰")}}, n));
        QCOMPARE(n, 1);
        // Statements serve again and again, but none stays open: b's reads, each of one row
        // out of more, keep no lock on the file that would stop a's commit.
        bool any = false;
        QVERIFY(!b.anyValueIn(table::WeatherWords, {0}, any));
        QVERIFY(any);
        qint64 before = 0;
        QVERIFY(!b.count(table::WeatherWords, {}, before));
        for (int i = 0; i < 3; ++i) {
            QVERIFY(!b.count(table::WeatherWords, {}, n));
            QVERIFY(!a.beginImmediate());
            QVERIFY(!a.insert(table::WeatherWords, {QStringLiteral("霙%1").arg(i)}));
            const DbError e = a.commit();
            QVERIFY2(!e, qPrintable(e.message));
        }
        QVERIFY(!b.count(table::WeatherWords, {}, n));
        QCOMPARE(n, before + 3);
    }

    // A connection the server ends (a restart, the network) fails its next statement as
    // unreachable, is let go without the driver's complaints about its statements, and the
    // next open connects anew.
    void aLostServerConnectionIsToldAndReplaced() {
        VORDA_REQUIRE_SERVER();
        test::TempServerDatabase t;
        QVERIFY2(t.ok(), qPrintable(t.message()));
        QVERIFY(!createDatabase(t.url(), {}));
        QTest::failOnWarning(QRegularExpression(QStringLiteral("free statement")));
        qint64 backend = 0;
        {
            Database db;
            VORDA_OPEN(db, t.url());
            qint64 n = 0;
            QVERIFY(!db.count(table::WeatherWords, {}, n));
            std::vector<Row> rows;
            QVERIFY(
                !db.select(table::Employees, {{1, Condition::Op::Eq, QStringLiteral("x")}}, rows));
            QSqlQuery q(db.connection());
            QVERIFY(q.exec(QStringLiteral("SELECT pg_backend_pid()")) && q.next());
            backend = q.value(0).toLongLong();
        }
        {
            const QString admin = QStringLiteral("tst_database_terminate");
            {
                QSqlDatabase a = test::addServerConnection(test::testServerUrl(), admin);
                QVERIFY2(a.open(), qPrintable(a.lastError().text()));
                QSqlQuery q(a);
                QVERIFY(q.prepare(QStringLiteral("SELECT pg_terminate_backend(?)")));
                q.addBindValue(backend);
                QVERIFY2(q.exec() && q.next() && q.value(0).toBool(),
                         qPrintable(q.lastError().text()));
            }
            QSqlDatabase::removeDatabase(admin);
        }
        QTest::qWait(200);
        {
            // The kept connection fails its check and is replaced without a word.
            Database db;
            VORDA_OPEN(db, t.url());
            qint64 n = 0;
            QVERIFY(!db.count(table::WeatherWords, {}, n));
            QVERIFY(n > 0);
            QSqlQuery q(db.connection());
            QVERIFY(q.exec(QStringLiteral("SELECT pg_backend_pid()")) && q.next());
            QVERIFY(q.value(0).toLongLong() != backend);
            backend = q.value(0).toLongLong();
        }
        {
            // Ended while open: the next statement says so in Japanese.
            Database db;
            VORDA_OPEN(db, t.url());
            QSqlDatabase a = test::addServerConnection(test::testServerUrl(), "tst_terminate2");
            QVERIFY(a.open());
            QSqlQuery q(a);
            QVERIFY(q.exec(QStringLiteral("SELECT pg_terminate_backend(%1)").arg(backend)));
            QTest::qWait(200);
            qint64 n = 0;
            const DbError e = db.count(table::WeatherWords, {}, n);
            QCOMPARE(e.kind, DbErrorKind::Unreachable);
            QVERIFY(e.message.contains(QStringLiteral("接続が切れました")));
        }
        QSqlDatabase::removeDatabase(QStringLiteral("tst_terminate2"));
    }

    // A server's connection can break at any moment (the server restarted, the network
    // gone): the work under way is rolled back, the message says so, and the next open
    // connects anew, whether the connection broke mid-work or while it was kept idle.
    void aLostServerConnectionRollsBackAndTheNextOpenReconnects() {
        test::TempDatabase t(QStringLiteral("server"));
        VORDA_READY(t);
        const QString database = QUrl(t.path()).path().mid(1);
        // Ends this database's client connections from a session of its own, and waits
        // until they are gone.
        const auto cutConnections = [&] {
            const QString name = QStringLiteral("tst_database_cutter");
            int cut = -1;
            {
                QSqlDatabase admin = test::addServerConnection(test::testServerUrl(), name);
                QSqlQuery q(admin);
                if (admin.open() &&
                    q.prepare(QStringLiteral("SELECT count(pg_terminate_backend(pid, 5000)) FROM "
                                             "pg_stat_activity WHERE datname = ? AND "
                                             "backend_type = 'client backend'"))) {
                    q.addBindValue(database);
                    if (q.exec() && q.next())
                        cut = q.value(0).toInt();
                }
            }
            QSqlDatabase::removeDatabase(name);
            return cut;
        };
        const auto count = [&](const QString& word) {
            Database db;
            qint64 n = -1;
            if (db.open(t.path()) ||
                db.count(table::WeatherWords, {{0, Condition::Op::Eq, word}}, n))
                return qint64(-1);
            return n;
        };

        {
            Database db;
            VORDA_OPEN(db, t.path());
            DbError e;
            {
                Transaction tx(db);
                QVERIFY(!tx.begin());
                QVERIFY(!db.insert(table::WeatherWords, {QStringLiteral("霧")}));
                QCOMPARE(cutConnections(), 1);
                e = db.insert(table::WeatherWords, {QStringLiteral("霰")});
                QVERIFY(e);
                QCOMPARE(tx.commit().kind, DbErrorKind::Unreachable);
            }
            QCOMPARE(e.kind, DbErrorKind::Unreachable);
            QVERIFY2(e.message.contains(QStringLiteral("接続が切れました")) &&
                         e.message.contains(QStringLiteral("取り消され")),
                     qPrintable(e.message));
            QVERIFY(!db.inTransaction());
        }
        QCOMPARE(count(QStringLiteral("霧")), 0);

        // Kept after a sound operation, then cut while nobody used it.
        QCOMPARE(count(QStringLiteral("霰")), 0);
        QVERIFY(cutConnections() >= 1);
        {
            Database db;
            VORDA_OPEN(db, t.path());
            QVERIFY(!db.insert(table::WeatherWords, {QStringLiteral("霧")}));
        }
        QCOMPARE(count(QStringLiteral("霧")), 1);
    }

    void theTestServerGivesEachTestADatabaseOfItsOwn() {
        // Under ctest the server must answer; run by hand without it, the test is skipped.
        VORDA_REQUIRE_SERVER();
        const QString connection = QStringLiteral("tst_database_server");
        QStringList names;
        QSqlDatabase db;
        {
            test::TempServerDatabase t;
            test::TempServerDatabase other;
            QVERIFY2(t.ok(), qPrintable(t.message()));
            QVERIFY2(other.ok(), qPrintable(other.message()));
            names << t.name() << other.name();
            QVERIFY(t.name() != other.name());
            QVERIFY(t.url().endsWith(u'/' + t.name()));
            db = test::addServerConnection(t.url(), connection);
            QVERIFY2(db.open(), qPrintable(db.lastError().text()));
            QSqlQuery q(db);
            QVERIFY2(q.exec(QStringLiteral("CREATE TABLE \"天気\" (\"REC\" integer GENERATED BY "
                                           "DEFAULT AS IDENTITY, \"天気\" text)")),
                     qPrintable(q.lastError().text()));
            QVERIFY(q.prepare(QStringLiteral("INSERT INTO \"天気\" (\"天気\") VALUES (?)")));
            q.addBindValue(QStringLiteral("霰"));
            QVERIFY2(q.exec(), qPrintable(q.lastError().text()));
            QVERIFY(q.exec(QStringLiteral("SELECT \"REC\", \"天気\" FROM \"天気\"")));
            QVERIFY(q.next());
            QCOMPARE(q.value(0).toInt(), 1);
            QCOMPARE(q.value(1).toString(), QStringLiteral("霰"));
            // The connection stays open: dropping must not wait for it.
        }
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(connection);

        const QString admin = QStringLiteral("tst_database_server_admin");
        {
            QSqlDatabase a = test::addServerConnection(test::testServerUrl(), admin);
            QVERIFY2(a.open(), qPrintable(a.lastError().text()));
            QSqlQuery q(a);
            QVERIFY(q.prepare(
                QStringLiteral("SELECT count(*) FROM pg_database WHERE datname IN (?, ?)")));
            q.addBindValue(names.value(0));
            q.addBindValue(names.value(1));
            QVERIFY2(q.exec() && q.next(), qPrintable(q.lastError().text()));
            QCOMPARE(q.value(0).toInt(), 0);
        }
        QSqlDatabase::removeDatabase(admin);
    }
};

QTEST_GUILESS_MAIN(TestDatabase)
#include "tst_database.moc"
