// A whole firm copied between a file and a server: rows, rowids and order kept, nulls apart
// from empty texts, the copy checked; targets that are not new refused and left alone; a
// server's backups and purge written into checked files.

#include "core/data/backup.h"
#include "core/data/copy_db.h"
#include "core/data/restore.h"
#include "core/data/values.h"
#include "core/masters/purge.h"
#include "support/files.h"
#include "support/temp_database.h"
#include "support/test_server.h"

#include <QDir>
#include <QProcess>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

using namespace vorda;
using namespace vorda::test;

namespace {

// Every row of every table as text: rowid, then each value with its kind, in stored order.
QStringList dump(const QString& location) {
    Database db;
    if (DbError e = db.open(location))
        return {e.message};
    QStringList out;
    for (const TableDef& t : schemaTables()) {
        std::vector<Row> rows;
        if (DbError e = db.selectAll(t.name, rows))
            return {e.message};
        for (const Row& r : rows) {
            QStringList values;
            for (const QVariant& v : r.values)
                values << (v.isNull() ? QStringLiteral("NULL")
                                      : v.toString() + (v.typeId() == QMetaType::QString
                                                            ? QStringLiteral("'")
                                                            : QString()));
            out << QStringLiteral("%1 %2: %3").arg(t.name).arg(r.rowid).arg(values.join(u'|'));
        }
    }
    return out;
}

std::vector<TableSum> sumsOf(const QString& location) {
    Database db;
    std::vector<TableSum> sums;
    if (db.open(location) || tableSums(db, sums))
        return {};
    return sums;
}

// A statement on the database, outside the program's own writes (damage and oddities).
bool execOn(const QString& location, const QString& sql, const QVariantList& params = {}) {
    Database db;
    return !db.open(location) && !db.exec(sql, params);
}

qint64 rowsOf(const QString& location, const QString& table) {
    Database db;
    qint64 n = -1;
    if (db.open(location) || db.count(table, {}, n))
        return -1;
    return n;
}

// The order and identity a copy must keep, made unlike a fresh database's: employees out of
// code order, a gap and a large number among the RECs, a null beside an empty text.
bool makeUnusual(const QString& path) {
    const QString report = quoteIdentifier(table::DailyReport);
    return execOn(path,
                  QStringLiteral("DELETE FROM %1 WHERE rowid = (SELECT min(rowid) + 1 FROM %1)")
                      .arg(report)) &&
           execOn(path, QStringLiteral("INSERT INTO \"社員\" (rowid, \"社員コード\", \"姓氏\", "
                                       "\"名前\") VALUES (900, '0', '相田', NULL)")) &&
           execOn(path, QStringLiteral("INSERT INTO \"車両\" (rowid, \"車両コード\", \"車両種類\") "
                                       "VALUES (50, '0', '')")) &&
           execOn(path, QStringLiteral("INSERT INTO %1 (\"日付\", \"REC\", \"備考\", \"発注者\", "
                                       "\"予定社員01\") VALUES ('2024-06-01', 70000, '', NULL, "
                                       "'○')")
                            .arg(report));
}

} // namespace

class TestCopyDb : public QObject {
    Q_OBJECT

private slots:
    // A server's copies go to the user's data folder: the test's own.
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    // File → server → file: the same rows in the same order at the same rowids, and the
    // same sums on all three; a new row on the server is numbered after the copied ones.
    void roundTrip_data() {
        QTest::addColumn<bool>("viaServer");
        QTest::newRow("file to server to file") << true;
        QTest::newRow("file to file") << false;
    }
    void roundTrip() {
        QFETCH(bool, viaServer);
        if (viaServer)
            VORDA_REQUIRE_SERVER();
        TempDatabase file(true);
        QVERIFY2(file.ok(), qPrintable(file.message()));
        QVERIFY(makeUnusual(file.path()));
        const QStringList before = dump(file.path());
        // 備考 empty, 発注者 null; the added employee last, after the sample's.
        QCOMPARE(
            before.filter(QStringLiteral("VORDA工事 70000: 2024-06-01'|NULL|NULL|'|NULL|70000|"))
                .size(),
            1);
        QVERIFY(before.filter(QStringLiteral("社員 "))
                    .last()
                    .startsWith(QStringLiteral("社員 900: 0'|相田'|NULL|NULL|NULL|NULL")));
        const std::vector<TableSum> sums = sumsOf(file.path());
        QCOMPARE(int(sums.size()), int(schemaTables().size()));

        TempServerDatabase server;
        const QString back = file.filePath(QStringLiteral("戻し #1.db"));
        CopyReport report;
        if (viaServer) {
            QVERIFY2(server.ok(), qPrintable(server.message()));
            DbError e = copyDatabase(file.path(), server.url(), report);
            QVERIFY2(!e, qPrintable(e.message));
            QCOMPARE(dump(server.url()), before);
            e = copyDatabase(server.url(), back, report);
            QVERIFY2(!e, qPrintable(e.message));
        } else {
            const DbError e = copyDatabase(file.path(), back, report);
            QVERIFY2(!e, qPrintable(e.message));
        }
        QCOMPARE(dump(back), before);
        QVERIFY(!QFileInfo::exists(snapshotTempPath(back)));
        for (std::size_t i = 0; i < sums.size(); ++i) {
            QCOMPARE(report.source[i].sha256, sums[i].sha256);
            QCOMPARE(report.target[i].sha256, sums[i].sha256);
            QCOMPARE(sumsOf(back)[i].sha256, sums[i].sha256);
        }
        // A null and an empty text are told apart by the sums.
        QVERIFY(execOn(back, QStringLiteral("UPDATE \"VORDA工事\" SET \"備考\" = NULL WHERE "
                                            "\"REC\" = 70000")));
        QVERIFY(sumsOf(back).back().sha256 != sums.back().sha256);
        if (viaServer) {
            Database db;
            VORDA_OPEN(db, server.url());
            qint64 rec = 0, rowid = 0;
            QVERIFY(!db.insert(table::DailyReport, {QStringLiteral("2024-06-02")}, &rec));
            QCOMPARE(rec, 70001);
            QVERIFY(!db.insert(table::Employees, {QStringLiteral("99")}, &rowid));
            QCOMPARE(rowid, 901);
        }
    }

    // A target that is not new is refused before anything is written, and left as it was.
    void refusesTargetInUse_data() {
        QTest::addColumn<QString>("engine");
        QTest::newRow("file exists") << QStringLiteral("file");
        QTest::newRow("server holds the tables") << QStringLiteral("server");
    }
    void refusesTargetInUse() {
        QFETCH(QString, engine);
        TempDatabase source(true);
        QVERIFY2(source.ok(), qPrintable(source.message()));
        QString target;
        TempServerDatabase server;
        if (engine == QLatin1String("server")) {
            VORDA_REQUIRE_SERVER();
            QVERIFY2(server.ok(), qPrintable(server.message()));
            const DbError e = createDatabase(server.url(), NewDatabaseOptions{});
            QVERIFY2(!e, qPrintable(e.message));
            target = server.url();
        } else {
            target = source.filePath(QStringLiteral("other.db"));
            QVERIFY(writeFile(target, "not to be overwritten"));
        }
        const QStringList before =
            engine == QLatin1String("server") ? dump(target) : QStringList{readFile(target)};
        CopyReport report;
        const DbError e = copyDatabase(source.path(), target, report);
        QVERIFY(e);
        QVERIFY2(e.message.contains(QStringLiteral("上書きはしません")) ||
                     e.message.contains(QStringLiteral("すでにあります")),
                 qPrintable(e.message));
        QCOMPARE(engine == QLatin1String("server") ? dump(target) : QStringList{readFile(target)},
                 before);
    }

    // A value the server cannot take stops the copy naming the table, the row and the field,
    // and the server is left without tables, as it was.
    void refusesWhatTheServerCannotHold_data() {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("shown");
        QTest::newRow("text in an integer field")
            << QStringLiteral("'二人'") << QStringLiteral("二人");
        QTest::newRow("fraction in an integer field")
            << QStringLiteral("1.5") << QStringLiteral("1.5");
        QTest::newRow("empty text in an integer field")
            << QStringLiteral("''") << QStringLiteral("「」");
    }
    void refusesWhatTheServerCannotHold() {
        QFETCH(QString, value);
        QFETCH(QString, shown);
        VORDA_REQUIRE_SERVER();
        TempDatabase source(true);
        QVERIFY2(source.ok(), qPrintable(source.message()));
        QVERIFY(execOn(source.path(),
                       QStringLiteral("UPDATE \"VORDA工事\" SET \"予定ガードマン昼\" = %1 WHERE "
                                      "\"REC\" = (SELECT max(\"REC\") FROM \"VORDA工事\")")
                           .arg(value)));
        Database db;
        VORDA_OPEN(db, source.path());
        std::vector<Row> last;
        QVERIFY(!db.select(
            table::DailyReport,
            {{Condition::Rowid, Condition::Op::Ge, std::numeric_limits<qint64>::min()}}, last));
        const qint64 rec = last.back().rowid;
        db.rollback();
        TempServerDatabase server;
        QVERIFY2(server.ok(), qPrintable(server.message()));
        CopyReport report;
        const DbError e = copyDatabase(source.path(), server.url(), report);
        QVERIFY(e);
        for (const QString& part : {QStringLiteral("VORDA工事"), QStringLiteral("REC %1").arg(rec),
                                    QStringLiteral("予定ガードマン昼"), shown})
            QVERIFY2(e.message.contains(part), qPrintable(e.message));
        const DbError open = Database::check(server.url());
        QCOMPARE(open.kind, DbErrorKind::NotDatabase);
        QVERIFY2(open.message.contains(QStringLiteral("VORDAの表がありません")),
                 qPrintable(open.message));
    }

    // A server's copy by hand and the purge's copy are sound files under names without
    // the URL's separators, holding the server's rows; the purge deletes only after it.
    void serverBackupAndPurge() {
        VORDA_REQUIRE_SERVER();
        TempServerDatabase server;
        QVERIFY2(server.ok(), qPrintable(server.message()));
        NewDatabaseOptions options;
        options.demo = true;
        options.today = QDate(2024, 6, 14);
        DbError e = createDatabase(server.url(), options);
        QVERIFY2(!e, qPrintable(e.message));
        const std::vector<TableSum> sums = sumsOf(server.url());
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("copies"));
        const QDateTime now(QDate(2024, 6, 14), QTime(9, 15, 30));

        BackupResult backup;
        e = backupNow(server.url(), folder, now, backup);
        QVERIFY2(!e, qPrintable(e.message));
        const QString name = QFileInfo(backup.path).fileName();
        QVERIFY2(name.startsWith(server.name() + u'@') &&
                     name.endsWith(QStringLiteral("_20240614_091530.db")),
                 qPrintable(name));
        QVERIFY(!name.contains(u':') && !name.contains(u'/'));
        QCOMPARE(int(listBackups(folder, server.url()).size()), 1);
        QCOMPARE(filesIn(folder), QStringList{name});
        BackupFacts facts;
        e = readBackupFacts(backup.path, facts);
        QVERIFY2(!e, qPrintable(e.message));
        const std::vector<TableSum> copied = sumsOf(backup.path);
        QCOMPARE(int(copied.size()), int(sums.size()));
        for (std::size_t i = 0; i < sums.size(); ++i)
            QCOMPARE(copied[i].sha256, sums[i].sha256);

        // The day's copy before the first write reads the server on the writer's own
        // connection, which then writes as usual.
        DailyBackupPolicy policy;
        policy.now = [&now] { return now.addDays(1); };
        policy.folder = [&folder](const QString&) { return folder; };
        setDailyBackupPolicy(policy);
        {
            Database db;
            VORDA_OPEN(db, server.url());
            Transaction tx(db);
            e = tx.begin();
            QVERIFY2(!e, qPrintable(e.message));
            QVERIFY(!db.insert(table::Vehicles, {QStringLiteral("99"), QStringLiteral("台車")}));
            e = tx.commit();
            QVERIFY2(!e, qPrintable(e.message));
        }
        clearDailyBackupPolicy();
        QCOMPARE(int(listBackups(folder, server.url()).size()), 2);
        QCOMPARE(rowsOf(listBackups(folder, server.url()).front().path, table::Vehicles),
                 rowsOf(server.url(), table::Vehicles) - 1);

        // A restore does not replace a server's tables with a file.
        RestorePlan plan;
        e = checkRestore(server.url(), backup.path, plan);
        QVERIFY(e && e.message.contains(QStringLiteral("copy-db")));

        PurgePlan p;
        const QDate until(2024, 4, 30);
        QVERIFY(!planPurge(server.url(), until, p));
        QVERIFY(p.rows > 0);
        const qint64 all = rowsOf(server.url(), table::DailyReport);
        PurgeResult purged;
        e = purgeDailyReports(server.url(), until, now.addSecs(60), purged);
        QVERIFY2(!e, qPrintable(e.message));
        QCOMPARE(purged.deleted, p.rows);
        QCOMPARE(rowsOf(server.url(), table::DailyReport), all - p.rows);
        QCOMPARE(QFileInfo(purged.backupPath).absolutePath(),
                 QFileInfo(backupFolder(server.url(), chosenBackupFolder())).absoluteFilePath());
        QCOMPARE(rowsOf(purged.backupPath, table::DailyReport), all);
        QVERIFY(!planPurge(server.url(), until, p));
        QCOMPARE(p.rows, 0);
        QFile::remove(purged.backupPath);
    }

    // The command: each table's counts and sums said, and a refusal exits 1.
    void commandLine() {
        VORDA_REQUIRE_SERVER();
        TempDatabase source(true);
        QVERIFY2(source.ok(), qPrintable(source.message()));
        TempServerDatabase server;
        QVERIFY2(server.ok(), qPrintable(server.message()));
        const auto run = [](const QStringList& args, QString* text) {
            QProcess p;
            p.start(qEnvironmentVariable("VORDA_EXE"), args);
            p.waitForFinished(60000);
            *text = QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
            return p.exitCode();
        };
        QString text;
        QCOMPARE(run({QStringLiteral("copy-db"), source.path(), server.url()}, &text), 0);
        QCOMPARE(text.count(QStringLiteral(" 一致 (sha256 ")), int(schemaTables().size()));
        QVERIFY2(text.contains(QStringLiteral("社員: 15 件 / 15 件 一致")), qPrintable(text));
        QCOMPARE(run({QStringLiteral("copy-db"), source.path(), server.url()}, &text), 1);
        QVERIFY2(text.contains(QStringLiteral("上書きはしません")), qPrintable(text));
        QCOMPARE(run({QStringLiteral("copy-db"), source.path()}, &text), 2);
        // A server address with a slip is refused as one, never written as a file of its name.
        QTemporaryDir here;
        QProcess p;
        p.setWorkingDirectory(here.path());
        p.start(qEnvironmentVariable("VORDA_EXE"),
                {QStringLiteral("copy-db"), source.path(), QStringLiteral("postgresql:x")});
        p.waitForFinished(60000);
        QCOMPARE(p.exitCode(), 1);
        QVERIFY(QString::fromUtf8(p.readAllStandardError()).contains(QStringLiteral("読めません")));
        QCOMPARE(filesIn(here.path()), QStringList());
        // A user who may log in but not read the tables is told so, not sent to init-db.
        const QString role =
            QStringLiteral("vorda_t_noread_%1").arg(QCoreApplication::applicationPid());
        {
            Database admin;
            VORDA_OPEN(admin, server.url());
            QVERIFY(!admin.exec(QStringLiteral("CREATE ROLE %1 LOGIN").arg(role)));
        }
        QUrl asRole(server.url());
        asRole.setUserName(role);
        Database reader;
        const DbError e = reader.open(asRole.toString());
        Database admin;
        VORDA_OPEN(admin, server.url());
        QVERIFY(!admin.exec(QStringLiteral("DROP ROLE %1").arg(role)));
        QCOMPARE(e.kind, DbErrorKind::ReadOnly);
        QVERIFY2(e.message.contains(QStringLiteral("読む権限がありません")), qPrintable(e.message));
    }

private:
    static QStringList filesIn(const QString& folder) {
        return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }
};

QTEST_GUILESS_MAIN(TestCopyDb)
#include "tst_copy_db.moc"
