// The purge of old daily reports: which cut-off days are taken, which rows go, the copy
// written before, and that a failed copy deletes nothing.

#include "core/data/daily_record.h"
#include "core/data/schema.h"
#include "core/data/values.h"
#include "core/masters/purge.h"
#include "support/files.h"
#include "support/temp_database.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>
#include <QTextStream>
#include <QThread>

#include <csignal>
#include <sys/resource.h>

using namespace vorda;

namespace {

const QDate kToday(2026, 12, 8);
const QDateTime kStamp(QDate(2026, 12, 8), QTime(9, 15, 30));

struct Fixture {
    explicit Fixture(const QString& engine = QStringLiteral("file")) : t(engine) {
        Database db;
        if (db.open(t.path()))
            return;
        for (const QVariant& date :
             {QVariant(QStringLiteral("1998-12-31")), QVariant(QStringLiteral("1999-04-01")),
              QVariant(QStringLiteral("1999-03-31")), QVariant(QStringLiteral("")), QVariant(),
              QVariant(QStringLiteral("1999-03-31")), QVariant(QStringLiteral("2005-01-01")),
              QVariant(QStringLiteral("1abc")), QVariant(QStringLiteral("2003/5/1")),
              QVariant(QStringLiteral("2026-02-30")), QVariant(QStringLiteral("abc"))}) {
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
                               "(null)",     "1999-03-31", "2005-01-01", "1abc",
                               "2003/5/1",   "2026-02-30", "abc"};
const QStringList kAfterFirstPurge = {"1999-04-01", "",         "(null)",     "2005-01-01",
                                      "1abc",       "2003/5/1", "2026-02-30", "abc"};
// No real day: never "on or before" any cut-off.
const QStringList kUndated = {"", "(null)", "1abc", "2003/5/1", "2026-02-30", "abc"};

QStringList filesBeside(const QString& path) {
    return QDir(QFileInfo(path).absolutePath()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

} // namespace

class TestPurge : public QObject {
    Q_OBJECT
private slots:
    void cutOffDays_data() {
        QTest::addColumn<QString>("year");
        QTest::addColumn<QString>("month");
        QTest::addColumn<QString>("day");
        QTest::addColumn<QDate>("expected"); // invalid: refused
        QTest::addColumn<QString>("refusal");
        const QString bad = QStringLiteral("日付が正しくありません。");
        const QString later = QStringLiteral("今日より後の日付は指定できません。");
        QTest::newRow("31 March 1999") << "1999"
                                       << "3"
                                       << "31" << QDate(1999, 3, 31) << QString();
        QTest::newRow("a year after 2000") << "2001"
                                           << "1"
                                           << "1" << QDate(2001, 1, 1) << QString();
        QTest::newRow("today") << "2026"
                               << "12"
                               << "8" << kToday << QString();
        QTest::newRow("tomorrow") << "2026"
                                  << "12"
                                  << "9" << QDate() << later;
        QTest::newRow("the last day of this year") << "2026"
                                                   << "12"
                                                   << "31" << QDate() << later;
        QTest::newRow("1900") << "1900"
                              << "1"
                              << "1" << QDate(1900, 1, 1) << QString();
        QTest::newRow("full-width") << "１９９９"
                                    << "３"
                                    << "３１" << QDate(1999, 3, 31) << QString();
        QTest::newRow("next year") << "2027"
                                   << "1"
                                   << "1" << QDate() << later;
        QTest::newRow("1899") << "1899"
                              << "12"
                              << "31" << QDate() << bad;
        QTest::newRow("31 April") << "1999"
                                  << "4"
                                  << "31" << QDate() << bad;
        QTest::newRow("29 February of a common year") << "1999"
                                                      << "2"
                                                      << "29" << QDate() << bad;
        QTest::newRow("29 February of a leap year") << "2000"
                                                    << "2"
                                                    << "29" << QDate(2000, 2, 29) << QString();
        QTest::newRow("month 13") << "1999"
                                  << "13"
                                  << "1" << QDate() << bad;
        QTest::newRow("day 0") << "1999"
                               << "1"
                               << "0" << QDate() << bad;
        QTest::newRow("empty year") << ""
                                    << "1"
                                    << "1" << QDate() << bad;
        QTest::newRow("year beyond 16 bits") << "99999"
                                             << "1"
                                             << "1" << QDate() << bad;
    }

    void cutOffDays() {
        QFETCH(QString, year);
        QFETCH(QString, month);
        QFETCH(QString, day);
        QFETCH(QDate, expected);
        QFETCH(QString, refusal);
        const PurgeCutOff cutOff = purgeCutOff(year, month, day, kToday);
        QCOMPARE(cutOff.date, expected);
        QCOMPARE(cutOff.refusal, refusal);
    }

    void deletesThatDayAndBeforeAfterACompleteCopy_data() { test::engineRows(); }
    void deletesThatDayAndBeforeAfterACompleteCopy() {
        QFETCH(QString, engine);
        Fixture f(engine);
        VORDA_READY(f.t);
        const QDate until(1999, 3, 31);
        PurgePlan plan;
        QVERIFY(!planPurge(f.t.path(), until, plan));
        QCOMPARE(plan.rows, qint64(3));
        QCOMPARE(plan.undated, qint64(kUndated.size()));
        QCOMPARE(purgeQuestion(plan),
                 QStringLiteral("1998/12/31 から 1999/03/31 までの日報 3 件を削除します。"));
        QVERIFY(!planPurge(f.t.path(), kToday, plan));
        QCOMPARE(plan.rows, qint64(5));
        QCOMPARE(purgeQuestion(plan),
                 QStringLiteral("1998/12/31 から 2005/01/01 までの日報 5 件を削除します。"));
        if (f.t.onServer())
            return; // the copy a purge writes first is a file's copy
        const QByteArray before = test::fileHash(f.t.path());

        PurgeResult result;
        const DbError e = purgeDailyReports(f.t.path(), until, kStamp, result);
        QVERIFY2(!e, qPrintable(e.message));
        QCOMPARE(result.deleted, qint64(3));
        QCOMPARE(result.undated, qint64(kUndated.size()));
        QCOMPARE(test::reportDates(f.t.path()), kAfterFirstPurge);
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
        QCOMPARE(filesBeside(f.t.path()),
                 QStringList({QStringLiteral("VORDA.db"),
                              QStringLiteral("VORDA_backup_20261208_091530.db")}));

        // Up to today: only real days go, however their text sorts.
        QVERIFY(!purgeDailyReports(f.t.path(), kToday, kStamp.addSecs(1), result));
        QCOMPARE(result.deleted, qint64(2));
        QCOMPARE(test::reportDates(f.t.path()), kUndated);
        QVERIFY(!planPurge(f.t.path(), kToday, plan));
        QCOMPARE(plan.rows, qint64(0));
        QCOMPARE(undatedNote(plan.undated),
                 QStringLiteral("日付がない、または日付の正しくない日報 6 件は削除しません。"));
    }

    void nothingOnOrBeforeTheDayChangesNothing_data() { test::engineRows(); }
    void nothingOnOrBeforeTheDayChangesNothing() {
        QFETCH(QString, engine);
        Fixture f(engine);
        VORDA_READY(f.t);
        const QByteArray before = f.t.hash();
        PurgeResult result;
        QVERIFY(!purgeDailyReports(f.t.path(), QDate(1998, 12, 30), kStamp, result));
        QCOMPARE(result.deleted, qint64(0));
        QCOMPARE(result.undated, qint64(kUndated.size()));
        QVERIFY(result.backupPath.isEmpty());
        QCOMPARE(f.t.hash(), before);
        if (!f.t.onServer())
            QCOMPARE(filesBeside(f.t.path()), QStringList({QStringLiteral("VORDA.db")}));
    }

    // Every way a purge can fail after it began: the data stay as they were, no temporary
    // file or journal is left, and a message names a copy only where one was kept.
    void failuresLeaveTheDataAndNameOnlyAKeptCopy_data() {
        QTest::addColumn<QString>("cause");
        QTest::addColumn<bool>("copyKept");
        QTest::newRow("name taken") << "taken" << false;
        QTest::newRow("disk full during the copy") << "full" << false;
        QTest::newRow("deletion refused after the copy") << "refused" << true;
    }
    void failuresLeaveTheDataAndNameOnlyAKeptCopy() {
        QFETCH(QString, cause);
        QFETCH(bool, copyKept);
        Fixture f;
        const QString backup = purgeBackupPath(f.t.path(), kStamp);
        QStringList expectedFiles = {QStringLiteral("VORDA.db")};
        if (cause == QLatin1String("taken")) {
            // Neither overwritten nor removed.
            QVERIFY(test::writeFile(backup, "earlier copy"));
            expectedFiles << QFileInfo(backup).fileName();
        } else if (cause == QLatin1String("refused")) {
            Database db;
            VORDA_OPEN(db, f.t.path());
            QVERIFY(!db.exec(QStringLiteral("CREATE TRIGGER refuse BEFORE DELETE ON \"VORDA工事\" "
                                            "BEGIN SELECT RAISE(ABORT, 'injected'); END")));
        }
        if (copyKept)
            expectedFiles << QFileInfo(backup).fileName();
        const QByteArray before = test::fileHash(f.t.path());
        const auto purge = [&](QString& message) {
            PurgeResult result;
            const DbError e = purgeDailyReports(f.t.path(), QDate(2026, 1, 1), kStamp, result);
            message = e.message;
            return bool(e) && result.deleted == 0 && result.backupPath.isEmpty();
        };
        if (cause == QLatin1String("full")) {
            // The copy may not grow to the size of the file: a disk full half-way.
            const rlim_t limit = rlim_t(QFileInfo(f.t.path()).size() / 2);
            QCOMPARE(test::withFileSizeLimit(
                         limit,
                         [&] {
                             QString message;
                             const bool failed = purge(message);
                             return failed && message.contains(QStringLiteral("ディスクの空き")) &&
                                            message.contains(QStringLiteral("削除していません")) &&
                                            !message.contains(QStringLiteral("_backup_"))
                                        ? 0
                                        : 1;
                         }),
                     0);
        } else {
            QString message;
            QVERIFY(purge(message));
            QVERIFY2(message.contains(QDir::toNativeSeparators(backup)) == copyKept,
                     qPrintable(message));
            QVERIFY2(message.contains(copyKept ? QStringLiteral("残っています")
                                               : QStringLiteral("削除していません")),
                     qPrintable(message));
        }
        QCOMPARE(test::fileHash(f.t.path()), before);
        QCOMPARE(test::reportDates(f.t.path()), kAllDates);
        QCOMPARE(filesBeside(f.t.path()), expectedFiles);
        if (cause == QLatin1String("taken"))
            QCOMPARE(test::readFile(backup), QByteArray("earlier copy"));
        if (copyKept)
            QCOMPARE(test::reportDates(backup), kAllDates);
    }

    // Another process writes the file all through a run of purges: it waits for each purge
    // (or is refused), never writes in the middle of one. The file stays sound, each copy
    // holds what its purge deleted, and every row the writer committed is somewhere.
    void anotherWriterWaitsForThePurge() {
        test::TempDatabase t;
        VORDA_READY(t);
        {
            Database db;
            VORDA_OPEN(db, t.path());
            Transaction tx(db);
            QVERIFY(!tx.begin());
            QVariantList row(rec::FieldCount);
            row[rec::Remarks] = QString(120, u'備');
            for (int i = 0; i < 20000; ++i) {
                row[rec::Date] = toDbDate(QDate(1999, 1, 1).addDays(i * 7305 / 20000));
                row[rec::JobName] = QStringLiteral("R%1").arg(i);
                QVERIFY(!db.insert(table::DailyReport, row));
            }
            for (int i = 0; i < 20; ++i) {
                row[rec::Date] = toDbDate(QDate(2021, 1, 1).addDays(i));
                QVERIFY(!db.insert(table::DailyReport, row));
            }
            QVERIFY(!tx.commit());
        }
        const QString stop = t.filePath(QStringLiteral("stop"));
        QProcess writer;
        writer.start(QCoreApplication::applicationFilePath(),
                     {QStringLiteral("writer"), t.path(), stop});
        QVERIFY(writer.waitForReadyRead(10000)); // it has committed once

        QStringList backups;
        QList<qint64> deleted;
        const int purges = 6;
        for (int i = 0; i < purges; ++i) {
            PurgeResult result;
            const DbError e =
                purgeDailyReports(t.path(), QDate(2000 + 3 * i, 12, 31), kStamp.addSecs(i), result);
            QVERIFY2(!e, qPrintable(e.message));
            backups << result.backupPath;
            deleted << result.deleted;
        }
        QVERIFY(test::writeFile(stop, QByteArray()));
        QVERIFY(writer.waitForFinished(30000));
        const QString output = QString::fromUtf8(writer.readAllStandardOutput());
        QVERIFY2(writer.exitCode() == 0,
                 qPrintable(QString::fromUtf8(writer.readAllStandardError())));

        const auto jobNames = [](const QString& path, const QString& condition) {
            QSet<QString> names;
            Database db;
            if (db.open(path))
                return names;
            QSqlQuery q(db.connection());
            q.exec(QStringLiteral("SELECT \"工事名\" FROM \"VORDA工事\" WHERE %1").arg(condition));
            while (q.next())
                names << q.value(0).toString();
            return names;
        };
        const auto integrity = [](const QString& path) {
            Database db;
            if (DbError e = db.open(path))
                return e.message;
            QSqlQuery q(db.connection());
            return q.exec(QStringLiteral("PRAGMA integrity_check")) && q.next()
                       ? q.value(0).toString()
                       : q.lastError().text();
        };
        QCOMPARE(integrity(t.path()), QStringLiteral("ok"));
        QSet<QString> everywhere = jobNames(t.path(), QStringLiteral("1"));
        for (int i = 0; i < purges; ++i) {
            QCOMPARE(integrity(backups[i]), QStringLiteral("ok"));
            // The copy holds exactly what its purge deleted up to its day.
            const QSet<QString> upToDay = jobNames(
                backups[i],
                QStringLiteral("\"日付\" <= '%1'").arg(toDbDate(QDate(2000 + 3 * i, 12, 31))));
            QCOMPARE(qint64(upToDay.size()), deleted[i]);
            everywhere += jobNames(backups[i], QStringLiteral("1"));
        }
        int committed = 0;
        for (const QString& line : output.split(u'\n', Qt::SkipEmptyParts)) {
            ++committed;
            QVERIFY2(everywhere.contains(line.trimmed()),
                     qPrintable(line + QStringLiteral(" is lost")));
        }
        QVERIFY(committed > 0);
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
        QCOMPARE(run({"--until", QDate::currentDate().addDays(1).toString(Qt::ISODate), "--yes"},
                     output),
                 2);
        QVERIFY2(output.contains(QStringLiteral("今日より後の日付は指定できません。")),
                 qPrintable(output));
        QCOMPARE(run({"--until", "1999-03-31"}, output), 0);
        QVERIFY2(output.contains(
                     QStringLiteral("1998/12/31 から 1999/03/31 までの日報 3 件を削除します。")),
                 qPrintable(output));
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
        QVERIFY2(output.contains(
                     QStringLiteral("日付がない、または日付の正しくない日報 6 件は削除しません。")),
                 qPrintable(output));
        QCOMPARE(test::reportDates(f.t.path()), kAfterFirstPurge);
    }
};

namespace {

// The other writer of anotherWriterWaitsForThePurge, run as its own process: small
// transactions (five rows rewritten, one row added on a day every purge reaches) until told
// to stop. Prints the job name of each row it committed; a lock it waited for too long is a
// refusal, any other failure ends it with an error.
int writer(const QString& path, const QString& stop) {
    QTextStream out(stdout);
    for (int n = 0; !QFile::exists(stop); ++n) {
        Database db;
        if (DbError e = db.open(path)) {
            QTextStream(stderr) << e.message << Qt::endl;
            return 1;
        }
        Transaction tx(db);
        DbError e = tx.begin();
        if (!e)
            e = db.exec(
                QStringLiteral(
                    "UPDATE \"VORDA工事\" SET \"備考\" = ? WHERE rowid IN (SELECT rowid FROM "
                    "\"VORDA工事\" WHERE \"日付\" >= '2021-01-01' LIMIT 5)"),
                {n});
        QVariantList row(rec::FieldCount);
        row[rec::Date] = QStringLiteral("1999-01-01");
        row[rec::JobName] = QStringLiteral("W%1").arg(n);
        if (!e)
            e = db.insert(table::DailyReport, row);
        if (!e)
            e = tx.commit();
        if (!e) {
            out << row[rec::JobName].toString() << Qt::endl;
        } else if (e.kind != DbErrorKind::Locked) {
            QTextStream(stderr) << e.message << Qt::endl;
            return 1;
        }
        QThread::msleep(QRandomGenerator::global()->bounded(8));
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc == 4 && qstrcmp(argv[1], "writer") == 0)
        return writer(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    TestPurge test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_purge.moc"
