// Backups: the day's copy before the first write, the generations kept, a copy that cannot be
// written, and restores that refuse bad files and otherwise replace the database whole.

#include "core/app/name_caches.h"
#include "core/data/backup.h"
#include "core/data/restore.h"
#include "core/data/values.h"
#include "core/entry/day_store.h"
#include "core/masters/purge.h"
#include "support/files.h"
#include "support/temp_database.h"

#include <QDir>
#include <QSqlQuery>
#include <QTest>

#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

using namespace vorda;

namespace {

// A register of one group on the day, through the entry's own register.
bool registerOn(const QString& path, const QDate& date, const QString& job) {
    DayModel day;
    NameCaches names;
    if (GTDAT(path, date, day, names))
        return false;
    for (GroupSlot& g : day.groups) {
        if (g.jobName.isEmpty()) {
            g.jobName = job;
            break;
        }
    }
    return !registerDay(path, date, QStringLiteral("晴"), day, names);
}

QStringList jobsOn(const QString& path, const QDate& date) {
    Database db;
    std::vector<Row> rows;
    QStringList out;
    if (db.open(path) ||
        db.select(table::DailyReport, {{rec::Date, Condition::Op::Eq, toDbDate(date)}}, rows))
        return {QStringLiteral("unreadable")};
    for (const Row& r : rows)
        out << r.values.value(rec::JobName).toString();
    return out;
}

QStringList names(const std::vector<BackupCopy>& copies) {
    QStringList out;
    for (const BackupCopy& c : copies)
        out << QFileInfo(c.path).fileName();
    return out;
}

QStringList filesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

const QDate kDay(2026, 12, 8);

} // namespace

class TestBackup : public QObject {
    Q_OBJECT
    QDateTime now_;
    QString folder_; // empty: beside the database
    QStringList reports_;

    void install() {
        DailyBackupPolicy policy;
        policy.now = [this] { return now_; };
        policy.folder = [this](const QString& db) { return backupFolder(db, folder_); };
        policy.report = [this](const QString&, const QString& copy, const DbError& e) {
            reports_ << (e ? QStringLiteral("error: ") + e.message
                           : QStringLiteral("copy: ") + QFileInfo(copy).fileName());
        };
        setDailyBackupPolicy(policy);
    }

private slots:
    void init() {
        now_ = QDateTime(kDay, QTime(8, 30, 0));
        folder_.clear();
        reports_.clear();
    }
    void cleanup() { clearDailyBackupPolicy(); }

    void namesAndFolder() {
        QCOMPARE(backupFileName(QStringLiteral("/d/VORDA.db"), QDateTime(kDay, QTime(9, 5, 7))),
                 QStringLiteral("VORDA_20261208_090507.db"));
        QCOMPARE(backupFolder(QStringLiteral("/d/VORDA.db"), {}),
                 QStringLiteral("/d/バックアップ"));
        QCOMPARE(backupFolder(QStringLiteral("/d/VORDA.db"), QStringLiteral("/n/copies/")),
                 QStringLiteral("/n/copies"));
        // Only names this program gives copies of that database.
        QVERIFY(
            backupStamp(QStringLiteral("/d/VORDA.db"), QStringLiteral("VORDA_20261208_090507.db")));
        for (const char* other : {"VORDA_20261308_090507.db", "VORDA_20261208_090507.db.part",
                                  "VORDA_20261208_0905.db", "OTHER_20261208_090507.db",
                                  "VORDA_backup_20261208_090507.db", "VORDA_x_20261208_090507.db"})
            QVERIFY2(!backupStamp(QStringLiteral("/d/VORDA.db"), QLatin1String(other)), other);
    }

    // One copy before the first write of each day that has writes, holding the file as it
    // was before that write; none on a day that only reads; none again in a new session.
    void onceADayBeforeTheFirstWrite() {
        test::TempDatabase t;
        QVERIFY(t.ok());
        const QString folder = t.filePath(QStringLiteral("バックアップ"));
        install();
        QVERIFY(registerOn(t.path(), kDay, QStringLiteral("一番目")));
        QCOMPARE(reports_, QStringList{QStringLiteral("copy: VORDA_20261208_083000.db")});
        const QString first = QDir(folder).filePath(QStringLiteral("VORDA_20261208_083000.db"));
        QCOMPARE(jobsOn(first, kDay), QStringList());
        QCOMPARE(jobsOn(t.path(), kDay), QStringList{QStringLiteral("一番目")});

        now_ = now_.addSecs(3600);
        QVERIFY(registerOn(t.path(), kDay, QStringLiteral("二番目")));
        QCOMPARE(filesIn(folder), QStringList{QStringLiteral("VORDA_20261208_083000.db")});

        // A day that only reads makes no copy.
        now_ = QDateTime(kDay.addDays(1), QTime(7, 0));
        DayModel day;
        NameCaches cache;
        QVERIFY(!GTDAT(t.path(), kDay, day, cache));
        QCOMPARE(filesIn(folder).size(), 1);
        now_ = QDateTime(kDay.addDays(2), QTime(7, 0));
        QVERIFY(registerOn(t.path(), kDay.addDays(2), QStringLiteral("三番目")));
        QCOMPARE(filesIn(folder), QStringList({QStringLiteral("VORDA_20261208_083000.db"),
                                               QStringLiteral("VORDA_20261210_070000.db")}));
        QCOMPARE(jobsOn(QDir(folder).filePath(QStringLiteral("VORDA_20261210_070000.db")), kDay),
                 QStringList({QStringLiteral("一番目"), QStringLiteral("二番目")}));

        // The program started again the same day finds that day's copy in the folder.
        clearDailyBackupPolicy();
        install();
        now_ = now_.addSecs(60);
        QVERIFY(registerOn(t.path(), kDay.addDays(2), QStringLiteral("四番目")));
        QCOMPARE(filesIn(folder).size(), 2);

        // A purge makes its own copy beside the file: that is the day's only copy.
        now_ = QDateTime(kDay.addDays(3), QTime(10, 0));
        PurgeResult purged;
        QVERIFY(!purgeDailyReports(t.path(), kDay, now_, purged));
        QCOMPARE(purged.deleted, 2);
        QVERIFY(registerOn(t.path(), kDay.addDays(3), QStringLiteral("五番目")));
        QCOMPARE(filesIn(folder).size(), 2);
        QCOMPARE(reports_.size(), 2);
    }

    void generations_data() {
        QTest::addColumn<QStringList>("stamps"); // yyyyMMdd_HHmmss of the copies there
        QTest::addColumn<QDate>("today");
        QTest::addColumn<QStringList>("expired");
        QTest::newRow("14 days all, then the first of the month")
            << QStringList{"20261208_080000", "20261125_090000", "20261125_080000",
                           "20261124_080000", "20261123_080000", "20261102_080000",
                           "20261101_170000"}
            << kDay << QStringList{"20261124_080000", "20261123_080000", "20261102_080000"};
        QTest::newRow("the first of a month for 24 months, then the first of the year")
            << QStringList{"20250101_080000", "20241201_080000", "20241215_080000",
                           "20241101_080000", "20240110_080000", "20240105_080000",
                           "20230301_080000", "20230101_080000"}
            << kDay
            << QStringList{"20241201_080000", "20241215_080000", "20241101_080000",
                           "20240110_080000", "20230301_080000"};
        QTest::newRow("a month's first is its earliest copy, not the 1st")
            << QStringList{"20260920_080000", "20260917_120000", "20260917_110000"} << kDay
            << QStringList{"20260920_080000", "20260917_120000"};
        QTest::newRow("copies of a later clock are kept")
            << QStringList{"20270105_080000", "20270101_080000"} << kDay << QStringList{};
    }
    void generations() {
        QFETCH(QStringList, stamps);
        QFETCH(QDate, today);
        QFETCH(QStringList, expired);
        std::vector<BackupCopy> copies;
        for (const QString& s : stamps)
            copies.push_back({s, QDateTime::fromString(s, QStringLiteral("yyyyMMdd_HHmmss")), 0});
        QStringList got;
        for (const BackupCopy& c : expiredBackups(copies, today))
            got << c.path;
        QCOMPARE(got, expired);
    }

    // Sixty days of writes, the clock driven day by day: the folder keeps the last 14 days and
    // the first copy of each month, and never touches a file of another name.
    void generationsKeptByTheDailyCopies() {
        test::TempDatabase t;
        QVERIFY(t.ok());
        folder_ = t.filePath(QStringLiteral("copies"));
        QVERIFY(QDir().mkpath(folder_));
        const QStringList foreign = {"VORDA_20250101_080000.db.part", "VORDA_メモ.db",
                                     "OTHER_20250101_080000.db", "VORDA_20250101_0800.db"};
        for (const QString& f : foreign)
            QVERIFY(test::writeFile(QDir(folder_).filePath(f), "not ours"));
        install();
        const QDate start(2026, 1, 1);
        for (int i = 0; i < 60; ++i) {
            now_ = QDateTime(start.addDays(i), QTime(8, 0));
            QVERIFY(registerOn(t.path(), start.addDays(i), QStringLiteral("日%1").arg(i)));
        }
        QStringList expected = foreign;
        expected << "VORDA_20260101_080000.db"
                 << "VORDA_20260201_080000.db";
        for (int i = 46; i < 60; ++i)
            expected << backupFileName(t.path(), QDateTime(start.addDays(i), QTime(8, 0)));
        expected.sort();
        QCOMPARE(filesIn(folder_), expected);
        QCOMPARE(names(listBackups(folder_, t.path())).first(),
                 QStringLiteral("VORDA_20260301_080000.db"));
    }

    // A copy that cannot be made never stops the write; it is said each time it is tried, at
    // every write until one succeeds, and leaves no file.
    void aFailedCopyLeavesTheWriteDone() {
        test::TempDatabase t;
        QVERIFY(t.ok());
        const QString plainFile = t.filePath(QStringLiteral("plain"));
        QVERIFY(test::writeFile(plainFile, "a file, not a folder"));
        folder_ = plainFile + QStringLiteral("/copies");
        install();
        QVERIFY(registerOn(t.path(), kDay, QStringLiteral("一番目")));
        QCOMPARE(reports_.size(), 1);
        QVERIFY2(reports_[0].startsWith(QStringLiteral("error: ")) &&
                     reports_[0].contains(QStringLiteral("フォルダ")),
                 qPrintable(reports_[0]));
        QVERIFY(registerOn(t.path(), kDay, QStringLiteral("二番目")));
        QCOMPARE(reports_.size(), 2);
        QCOMPARE(jobsOn(t.path(), kDay),
                 QStringList({QStringLiteral("一番目"), QStringLiteral("二番目")}));
        folder_ = t.filePath(QStringLiteral("copies"));
        QVERIFY(registerOn(t.path(), kDay, QStringLiteral("三番目")));
        QCOMPARE(reports_.last(), QStringLiteral("copy: VORDA_20261208_083000.db"));

        // A disk full half-way through the copy (a file-size limit in a child process).
        clearDailyBackupPolicy(); // the filler is no write of the day
        test::TempDatabase big;
        QVERIFY(big.ok());
        {
            Database db;
            VORDA_OPEN(db, big.path());
            Transaction tx(db);
            QVERIFY(!tx.begin());
            // Pages a register never writes: the copy outgrows the limit, the register not.
            for (int i = 0; i < 2000; ++i)
                QVERIFY(!db.insert(table::Projects, {10000 + i, QString(200, u'工'), QVariant(),
                                                     QVariant(), QStringLiteral("発注者")}));
            QVERIFY(!tx.commit());
        }
        folder_.clear();
        reports_.clear();
        install();
        const QString folder = big.filePath(QStringLiteral("バックアップ"));
        QVERIFY(QDir().mkpath(folder));
        const rlim_t limit = rlim_t(QFileInfo(big.path()).size() / 4);
        QCOMPARE(test::withFileSizeLimit(
                     limit,
                     [&] {
                         std::signal(SIGXFSZ, SIG_IGN);
                         const bool written = registerOn(big.path(), kDay, QStringLiteral("満杯"));
                         return written && reports_.size() == 1 &&
                                        reports_[0].contains(QStringLiteral("ディスクの空き"))
                                    ? 0
                                    : 1;
                     }),
                 0);
        QCOMPARE(filesIn(folder), QStringList());
        QCOMPARE(jobsOn(big.path(), kDay), QStringList{QStringLiteral("満杯")});
    }

    void restoreRefusesBadFiles_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("says");
        QTest::newRow("not SQLite") << "text"
                                    << "VORDAのデータベースではありません";
        QTest::newRow("empty file") << "empty"
                                    << "VORDAのデータベースではありません";
        QTest::newRow("damaged pages") << "damaged"
                                       << "壊れています";
        QTest::newRow("a table missing") << "table"
                                         << "";
        QTest::newRow("a field missing") << "field"
                                         << "";
        QTest::newRow("the database itself") << "itself"
                                             << "そのもの";
        QTest::newRow("the database under another name") << "hardlink"
                                                         << "そのもの";
        QTest::newRow("an unfinished write beside it") << "journal"
                                                       << "途中で終わった";
        QTest::newRow("missing") << "missing"
                                 << "ありません";
        QTest::newRow("a folder") << "folder"
                                  << "普通のファイルではありません";
        QTest::newRow("held by another program") << "locked"
                                                 << "使用中";
    }
    void restoreRefusesBadFiles() {
        QFETCH(QString, kind);
        QFETCH(QString, says);
        test::TempDatabase t(true);
        QVERIFY(t.ok());
        const QString folder = t.filePath(QStringLiteral("バックアップ"));
        BackupResult made;
        QVERIFY(!backupNow(t.path(), folder, now_, made));
        QString file = t.filePath(QStringLiteral("candidate.db"));
        QVERIFY(QFile::copy(made.path, file));
        const auto raw = [&](const QString& sql) {
            QSqlDatabase c =
                QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("raw"));
            c.setDatabaseName(file);
            bool ok = c.open() && QSqlQuery(c).exec(sql);
            c.close();
            c = QSqlDatabase();
            QSqlDatabase::removeDatabase(QStringLiteral("raw"));
            return ok;
        };
        Database holder;
        if (kind == QLatin1String("text"))
            QVERIFY(test::writeFile(file, "日報の控え\n"));
        else if (kind == QLatin1String("empty"))
            QVERIFY(test::writeFile(file, ""));
        else if (kind == QLatin1String("damaged")) {
            QByteArray bytes = test::readFile(file);
            for (int i = 8 * 4096; i < 20 * 4096 && i < bytes.size(); ++i)
                bytes[i] = char(0x55);
            QVERIFY(test::writeFile(file, bytes));
        } else if (kind == QLatin1String("table"))
            QVERIFY(raw(QStringLiteral("DROP TABLE \"天候\"")));
        else if (kind == QLatin1String("field"))
            QVERIFY(raw(QStringLiteral("ALTER TABLE \"スタッフマーク\" DROP COLUMN \"区分\"")));
        else if (kind == QLatin1String("itself"))
            file = t.path();
        else if (kind == QLatin1String("hardlink")) {
            QFile::remove(file);
            QCOMPARE(::link(QFile::encodeName(t.path()).constData(),
                            QFile::encodeName(file).constData()),
                     0);
        } else if (kind == QLatin1String("journal"))
            QVERIFY(test::writeFile(file + QStringLiteral("-journal"), QByteArray(512, 'j')));
        else if (kind == QLatin1String("missing"))
            file = t.filePath(QStringLiteral("none.db"));
        else if (kind == QLatin1String("folder"))
            file = folder;
        else if (kind == QLatin1String("locked")) {
            VORDA_OPEN(holder, t.path());
            QVERIFY(!holder.exec(QStringLiteral("BEGIN IMMEDIATE")));
        }
        const QByteArray before = test::fileHash(t.path());
        const QStringList copiesBefore = filesIn(folder);
        const QStringList beside = filesIn(t.filePath(QString()));
        RestorePlan plan;
        const DbError checked = checkRestore(t.path(), file, plan);
        if (kind != QLatin1String("locked")) {
            QVERIFY(checked);
            QVERIFY2(checked.message.contains(says), qPrintable(checked.message));
            QVERIFY2(!checked.message.contains(QStringLiteral("restore-part")),
                     qPrintable(checked.message));
        }
        RestoreResult result;
        const DbError e = restoreDatabase(t.path(), file, folder, now_, result, 200);
        QVERIFY(e);
        QVERIFY2(e.message.startsWith(QStringLiteral("復元できません。")) &&
                     e.message.contains(says),
                 qPrintable(e.message));
        if (holder.isOpen())
            holder.rollback();
        QCOMPARE(test::fileHash(t.path()), before);
        QCOMPARE(filesIn(t.filePath(QString())), beside);
        QCOMPARE(filesIn(folder), copiesBefore);
    }

    // A good restore: the current file is copied first, replaced whole, and the day
    // registered after it goes into the restored file.
    void restoreReplacesTheDatabase() {
        test::TempDatabase t;
        QVERIFY(t.ok());
        const QString folder = t.filePath(QStringLiteral("バックアップ"));
        install();
        QVERIFY(registerOn(t.path(), kDay, QStringLiteral("残る日")));
        const QString kept = QDir(folder).filePath(QStringLiteral("VORDA_20261208_083000.db"));
        // Yesterday's copy has none of today's work; restore it.
        now_ = QDateTime(kDay.addDays(1), QTime(9, 0));
        QVERIFY(registerOn(t.path(), kDay.addDays(1), QStringLiteral("消える日")));
        const QString copy = QDir(folder).filePath(QStringLiteral("VORDA_20261209_090000.db"));
        QVERIFY(registerOn(t.path(), kDay.addDays(1), QStringLiteral("消える日2")));
        RestorePlan plan;
        QVERIFY(!checkRestore(t.path(), copy, plan));
        QCOMPARE(plan.file.dailyRows, 1);
        QCOMPARE(plan.current.dailyRows, 3);
        QVERIFY(restoreQuestion(t.path(), plan).contains(QDir::toNativeSeparators(t.path())));
        now_ = now_.addSecs(3600);
        RestoreResult result;
        const DbError e = restoreDatabase(t.path(), copy, folder, now_, result);
        QVERIFY2(!e, qPrintable(e.message));
        QCOMPARE(QFileInfo(result.replacedCopy).fileName(),
                 QStringLiteral("VORDA_20261209_100000.db"));
        QCOMPARE(jobsOn(result.replacedCopy, kDay.addDays(1)),
                 QStringList({QStringLiteral("消える日"), QStringLiteral("消える日2")}));
        QCOMPARE(jobsOn(t.path(), kDay), QStringList{QStringLiteral("残る日")});
        QCOMPARE(jobsOn(t.path(), kDay.addDays(1)), QStringList());
        QVERIFY(QFileInfo::exists(kept));
        QVERIFY(!QFileInfo::exists(restoreStagingPath(t.path())));
        // The day registered next is in the restored file; the restore's copy is the day's.
        QVERIFY(registerOn(t.path(), kDay.addDays(1), QStringLiteral("新しい日")));
        QCOMPARE(jobsOn(t.path(), kDay.addDays(1)), QStringList{QStringLiteral("新しい日")});
        QCOMPARE(listBackups(folder, t.path()).size(), size_t(3));

        // A file SQLite cannot read at all is kept as it is and replaced.
        QVERIFY(test::writeFile(t.path(), QByteArray(8192, 'x')));
        QVERIFY(test::writeFile(t.path() + QStringLiteral("-journal"), QByteArray(512, 'j')));
        const DbError again = restoreDatabase(t.path(), copy, folder, now_, result);
        QVERIFY2(!again, qPrintable(again.message));
        QVERIFY(result.replacedCopy.contains(QStringLiteral("_壊れたファイル_")));
        QCOMPARE(test::readFile(result.replacedCopy), QByteArray(8192, 'x'));
        QVERIFY(!QFileInfo::exists(t.path() + QStringLiteral("-journal")));
        QCOMPARE(jobsOn(t.path(), kDay), QStringList{QStringLiteral("残る日")});
    }
};

QTEST_GUILESS_MAIN(TestBackup)
#include "tst_backup.moc"
