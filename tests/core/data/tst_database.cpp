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
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>
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
        QVERIFY(t.ok());
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
        QVERIFY(t.ok());
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
        QVERIFY(t.ok());
        const QByteArray before = test::fileHash(t.path());
        QVERIFY(createDatabase(t.path(), {}));
        QCOMPARE(test::fileHash(t.path()), before);
    }

    void valuesAreBoundNeverSpliced() {
        test::TempDatabase t;
        QVERIFY(t.ok());
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

    void rangeAndOrder() {
        test::TempDatabase t;
        QVERIFY(t.ok());
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
    }

    void failureMidTransactionLeavesTheFileAsItWas() {
        test::TempDatabase t;
        QVERIFY(t.ok());
        {
            Database db;
            VORDA_OPEN(db, t.path());
            QVERIFY(!db.insert(table::Employees, employee(QStringLiteral("山田"), 10)));
            // The third daily report row of the day fails.
            QVERIFY(
                !db.exec(QStringLiteral("CREATE TRIGGER fail_third BEFORE INSERT ON \"VORDA工事\" "
                                        "WHEN (SELECT count(*) FROM \"VORDA工事\") >= 2 "
                                        "BEGIN SELECT RAISE(ABORT, 'injected'); END")));
        }
        const QByteArray before = test::fileHash(t.path());

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
        QCOMPARE(test::fileHash(t.path()), before);
    }

    void committedWorkIsKept() {
        test::TempDatabase t;
        QVERIFY(t.ok());
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

    void writeToMissingOrdinalIsAnError() {
        test::TempDatabase t;
        QVERIFY(t.ok());
        Database db;
        VORDA_OPEN(db, t.path());
        const DbError e =
            db.insert(table::Vehicles, {QStringLiteral("1"), QStringLiteral("2t"), 3});
        QCOMPARE(e.kind, DbErrorKind::Failed);
        qint64 n = -1;
        QVERIFY(!db.count(table::Vehicles, {}, n));
        QCOMPARE(n, 0);
    }

    void lockHeldByAnotherProgramIsReportedAsSuch() {
        test::TempDatabase t;
        QVERIFY(t.ok());
        Database other;
        VORDA_OPEN(other, t.path());
        QVERIFY(!other.beginImmediate());
        QVERIFY(!other.insert(table::WeatherWords, {QStringLiteral("霧")}));

        Database db;
        db.setBusyTimeout(100);
        VORDA_OPEN(db, t.path());
        const DbError e = db.beginImmediate();
        QCOMPARE(e.kind, DbErrorKind::Locked);
        QVERIFY(e.message.contains(QStringLiteral("使用中")));
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
        QVERIFY(t.ok());
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
        QVERIFY(t.ok());
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
        QVERIFY(t.ok());
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
        QVERIFY(t.ok());
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

    void manyConnectionsComeAndGo() {
        // Every operation opens and releases the file; names must never collide.
        test::TempDatabase t;
        QVERIFY(t.ok());
        for (int i = 0; i < 200; ++i) {
            Database db;
            VORDA_OPEN(db, t.path());
        }
        Database a, b;
        VORDA_OPEN(a, t.path());
        VORDA_OPEN(b, t.path());
        QVERIFY(!a.insert(table::WeatherWords, {QStringLiteral("霰")}));
        qint64 n = 0;
        QVERIFY(!b.count(table::WeatherWords, {{0, Condition::Op::Eq, QStringLiteral("霰")}}, n));
        QCOMPARE(n, 1);
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
