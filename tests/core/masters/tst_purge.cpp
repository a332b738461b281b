// The purge of old daily reports: which cut-off days are taken, which rows go, the copy
// written before, and that a failed copy deletes nothing.

#include "core/data/daily_record.h"
#include "core/data/schema.h"
#include "core/data/values.h"
#include "core/masters/purge.h"
#include "support/files.h"
#include "support/temp_database.h"

#include <QDir>
#include <QProcess>
#include <QSqlQuery>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

using namespace vorda;

namespace {

const QDate kToday(2026, 12, 8);
const QDateTime kStamp(QDate(2026, 12, 8), QTime(9, 15, 30));

struct Fixture {
    Fixture() {
        Database db;
        if (db.open(t.path()))
            return;
        for (const QVariant& date :
             {QVariant(QStringLiteral("1998-12-31")), QVariant(QStringLiteral("1999-04-01")),
              QVariant(QStringLiteral("1999-03-31")), QVariant(QStringLiteral("")), QVariant(),
              QVariant(QStringLiteral("1999-03-31")), QVariant(QStringLiteral("2005-01-01"))}) {
            QVariantList row(rec::FieldCount);
            row[rec::Date] = date;
            row[rec::JobName] = QStringLiteral("舗装工事");
            db.insert(table::DailyReport, row);
        }
        db.insert(table::Weather,
                  {QStringLiteral("1999-03-01"), QStringLiteral("月"), QStringLiteral("晴")});
    }
    test::TempDatabase t;
};

const QStringList kAllDates = {"1998-12-31", "1999-04-01", "1999-03-31", "",
                               "(null)",     "1999-03-31", "2005-01-01"};

} // namespace

class TestPurge : public QObject {
    Q_OBJECT
private slots:
    void cutOffDays_data() {
        QTest::addColumn<QString>("year");
        QTest::addColumn<QString>("month");
        QTest::addColumn<QString>("day");
        QTest::addColumn<QDate>("expected"); // invalid: refused
        QTest::newRow("31 March 1999") << "1999"
                                       << "3"
                                       << "31" << QDate(1999, 3, 31);
        QTest::newRow("a year after 2000") << "2001"
                                           << "1"
                                           << "1" << QDate(2001, 1, 1);
        QTest::newRow("the last day of this year") << "2026"
                                                   << "12"
                                                   << "31" << QDate(2026, 12, 31);
        QTest::newRow("1900") << "1900"
                              << "1"
                              << "1" << QDate(1900, 1, 1);
        QTest::newRow("full-width") << "１９９９"
                                    << "３"
                                    << "３１" << QDate(1999, 3, 31);
        QTest::newRow("next year") << "2027"
                                   << "1"
                                   << "1" << QDate();
        QTest::newRow("1899") << "1899"
                              << "12"
                              << "31" << QDate();
        QTest::newRow("31 April") << "1999"
                                  << "4"
                                  << "31" << QDate();
        QTest::newRow("29 February of a common year") << "1999"
                                                      << "2"
                                                      << "29" << QDate();
        QTest::newRow("29 February of a leap year") << "2000"
                                                    << "2"
                                                    << "29" << QDate(2000, 2, 29);
        QTest::newRow("month 13") << "1999"
                                  << "13"
                                  << "1" << QDate();
        QTest::newRow("day 0") << "1999"
                               << "1"
                               << "0" << QDate();
        QTest::newRow("empty year") << ""
                                    << "1"
                                    << "1" << QDate();
        QTest::newRow("year beyond 16 bits") << "99999"
                                             << "1"
                                             << "1" << QDate();
    }

    void cutOffDays() {
        QFETCH(QString, year);
        QFETCH(QString, month);
        QFETCH(QString, day);
        QFETCH(QDate, expected);
        const auto date = purgeCutOff(year, month, day, kToday);
        QCOMPARE(date.value_or(QDate()), expected);
    }

    void deletesThatDayAndBeforeAfterACompleteCopy() {
        Fixture f;
        const QDate until(1999, 3, 31);
        qint64 n = -1;
        QVERIFY(!countPurgeRows(f.t.path(), until, n));
        QCOMPARE(n, qint64(3));
        const QByteArray before = test::fileHash(f.t.path());

        PurgeResult result;
        const DbError e = purgeDailyReports(f.t.path(), until, kStamp, result);
        QVERIFY2(!e, qPrintable(e.message));
        QCOMPARE(result.deleted, qint64(3));
        // Rows without a proper date are not "on or before" any day.
        QCOMPARE(test::reportDates(f.t.path()),
                 QStringList({"1999-04-01", "", "(null)", "2005-01-01"}));
        qint64 weather = 0;
        {
            Database db;
            VORDA_OPEN(db, f.t.path());
            QVERIFY(!db.count(table::Weather, {}, weather));
        }
        QCOMPARE(weather, qint64(1));

        // The copy lies beside the file, opens, is sound and holds every row of before.
        QCOMPARE(result.backupPath,
                 QFileInfo(f.t.path())
                     .absoluteDir()
                     .filePath(QStringLiteral("VORDA_backup_20261208_091530.db")));
        QCOMPARE(test::reportDates(result.backupPath), kAllDates);
        Database copy;
        VORDA_OPEN(copy, result.backupPath);
        QSqlQuery q(copy.connection());
        QVERIFY(q.exec(QStringLiteral("PRAGMA integrity_check")) && q.next());
        QCOMPARE(q.value(0).toString(), QStringLiteral("ok"));
        QVERIFY(test::fileHash(f.t.path()) != before);
    }

    void nothingOnOrBeforeTheDayChangesNothing() {
        Fixture f;
        const QByteArray before = test::fileHash(f.t.path());
        PurgeResult result;
        QVERIFY(!purgeDailyReports(f.t.path(), QDate(1998, 12, 30), kStamp, result));
        QCOMPARE(result.deleted, qint64(0));
        QVERIFY(result.backupPath.isEmpty());
        QCOMPARE(test::fileHash(f.t.path()), before);
        QCOMPARE(QDir(QFileInfo(f.t.path()).absolutePath()).entryList(QDir::Files),
                 QStringList({QStringLiteral("VORDA.db")}));
    }

    void aFailedCopyDeletesNothing() {
        Fixture f;
        // A file of that name already there: it is neither overwritten nor removed.
        const QString taken = purgeBackupPath(f.t.path(), kStamp);
        QVERIFY(test::writeFile(taken, "earlier copy"));
        const QByteArray before = test::fileHash(f.t.path());
        PurgeResult result;
        const DbError e = purgeDailyReports(f.t.path(), QDate(2026, 1, 1), kStamp, result);
        QVERIFY(e);
        QVERIFY2(e.message.contains(QStringLiteral("バックアップ")) &&
                     e.message.contains(QStringLiteral("削除していません")),
                 qPrintable(e.message));
        QCOMPARE(result.deleted, qint64(0));
        QCOMPARE(test::fileHash(f.t.path()), before);
        QCOMPARE(test::reportDates(f.t.path()), kAllDates);
        QCOMPARE(test::readFile(taken), QByteArray("earlier copy"));
    }

    void commandLine() {
        const QString exe = qEnvironmentVariable("VORDA_EXE");
        if (exe.isEmpty())
            QSKIP("VORDA_EXE is not set");
        Fixture f;
        const QString ini = f.t.filePath(QStringLiteral("vorda.INI"));
        QVERIFY(test::writeFile(ini, QFile::encodeName(f.t.path()) + "\r\n\r\n 12 \r\n 2 \r\n"));
        // fileLimit: no file of the child may grow beyond it (a full disk).
        const auto run = [&](const QStringList& args, QString& output, rlim_t fileLimit = 0) {
            QProcess p;
            if (fileLimit)
                p.setChildProcessModifier([fileLimit] {
                    std::signal(SIGXFSZ, SIG_IGN); // a failed write, not a killed process
                    const rlimit limit{fileLimit, fileLimit};
                    setrlimit(RLIMIT_FSIZE, &limit);
                });
            p.start(exe,
                    QStringList({QStringLiteral("--ini"), ini, QStringLiteral("purge")}) + args);
            p.waitForFinished(60000);
            output = QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
            return p.exitCode();
        };
        QString output;
        QCOMPARE(run({"--until", "1999-04-31"}, output), 2);
        QCOMPARE(run({"--until", "1999-03-31"}, output), 0);
        QVERIFY2(output.contains(QStringLiteral("3 件")), qPrintable(output));
        QCOMPARE(test::reportDates(f.t.path()), kAllDates);
        QCOMPARE(run({"--until", "1998-12-30", "--yes"}, output), 1);
        QVERIFY2(output.contains(QStringLiteral("データがありません。")), qPrintable(output));
        // The copy cannot be written whole: it is removed and nothing is deleted.
        const QByteArray before = test::fileHash(f.t.path());
        QCOMPARE(run({"--until", "1999-03-31", "--yes"}, output, 16384), 1);
        QVERIFY2(output.contains(QStringLiteral("削除していません")), qPrintable(output));
        QCOMPARE(test::fileHash(f.t.path()), before);
        QCOMPARE(QDir(f.t.filePath(QString())).entryList(QDir::Files, QDir::Name),
                 QStringList({QStringLiteral("VORDA.db"), QStringLiteral("vorda.INI")}));

        QCOMPARE(run({"--until", "1999-03-31", "--yes"}, output), 0);
        QVERIFY2(output.contains(QStringLiteral("3 件")) &&
                     output.contains(QStringLiteral("_backup_")),
                 qPrintable(output));
        QCOMPARE(test::reportDates(f.t.path()),
                 QStringList({"1999-04-01", "", "(null)", "2005-01-01"}));
    }
};

QTEST_GUILESS_MAIN(TestPurge)
#include "tst_purge.moc"
