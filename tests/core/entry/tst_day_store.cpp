// Loading and registering a day: which rows, what is written, how the day-off balances move,
// that a failure or another program's lock never leaves a half-saved day, and what a
// register points out before it writes.

#include "core/data/schema.h"
#include "core/data/values.h"
#include "core/entry/day_edit.h"
#include "core/entry/day_findings.h"
#include "core/entry/day_store.h"
#include "support/temp_database.h"

#include <QElapsedTimer>
#include <QTest>
#include <QThread>
#include <atomic>
#include <limits>

using namespace vorda;

namespace {

const QDate kDay(2024, 5, 13);

struct Fixture {
    explicit Fixture(const QString& engine = QStringLiteral("file")) : t(engine) {
        Database db;
        if (db.open(t.path()))
            return;
        // Column 0..4; 佐藤 twice: the first in stored order is the one found by name.
        for (const char16_t* name : {u"山田", u"佐藤", u"鈴木", u"大'塚", u"佐藤"})
            db.insert(table::Employees, {QStringLiteral("1"), QString::fromUtf16(name),
                                         QStringLiteral(""), 0, 0, 10});
        db.insert(table::Vehicles, {QStringLiteral("1"), QStringLiteral("2tダンプ")});
    }

    // Adds a stored row for the date with a job name; returns its REC.
    qint64 addRow(const QString& jobName, const QDate& date = kDay,
                  const QString& caption = QString()) {
        Database db;
        if (db.open(t.path()))
            return -1;
        DayModel day;
        day.groups[0].jobName = jobName;
        day.extraCaption = caption;
        qint64 id = -1;
        db.insert(table::DailyReport, slotToRow(day, 0, date, QStringLiteral("晴")), &id);
        return id;
    }

    std::vector<Row> rowsOf(const QDate& date) {
        Database db;
        std::vector<Row> rows;
        if (!db.open(t.path()))
            db.select(table::DailyReport, {{rec::Date, Condition::Op::Eq, toDbDate(date)}}, rows);
        return rows;
    }

    QList<int> balances() { return test::daysOffBalances(t.path()); }

    DbError load() { return GTDAT(t.path(), kDay, day, names); }
    DbError save() { return registerDay(t.path(), kDay, QStringLiteral("曇"), day, names); }

    test::TempDatabase t;
    DayModel day;
    NameCaches names;
};

QStringList jobNames(const std::vector<Row>& rows) {
    QStringList out;
    for (const Row& r : rows)
        out << r.values[rec::JobName].toString();
    return out;
}

} // namespace

class TestDayStore : public QObject {
    Q_OBJECT
private slots:
    void aDayIsItsFirstSixteenRows_data() { test::engineRows(); }
    void aDayIsItsFirstSixteenRows() {
        QFETCH(QString, engine);
        Fixture f(engine);
        VORDA_READY(f.t);
        f.addRow(QStringLiteral("前日"), kDay.addDays(-1));
        QList<qint64> ids;
        for (int i = 1; i <= 20; ++i) {
            ids << f.addRow(QStringLiteral("工事%1").arg(i));
            if (i == 10)
                f.addRow(QStringLiteral("翌日"), kDay.addDays(1));
        }
        QVERIFY(!f.load());
        for (int k = 0; k < 16; ++k) {
            QCOMPARE(f.day.groups[k].jobName, QStringLiteral("工事%1").arg(k + 1));
            QCOMPARE(qint64(f.day.groups[k].recordNumber), ids[k]);
        }
        QVERIFY(f.day.groups[16].jobName.isEmpty());
        QCOMPARE(f.names.employees[3], QStringLiteral("大'塚"));
        QCOMPARE(f.names.vehicles[0], QStringLiteral("2tダンプ"));

        const std::vector<Row> before = f.rowsOf(kDay);
        f.day.groups[0].jobName = QStringLiteral("工事1改");
        f.day.groups[15].deleteFlag = 1;
        QVERIFY(!f.save());
        const std::vector<Row> after = f.rowsOf(kDay);
        QCOMPARE(after.size(), std::size_t(19));
        QCOMPARE(after[0].values[rec::JobName].toString(), QStringLiteral("工事1改"));
        // Rows 17 to 20 are untouched by loading and saving, to the last field.
        for (int i = 16; i < 20; ++i)
            QCOMPARE(after[i - 1].values, before[i].values);
        // Now the 17th row has moved into the day.
        QCOMPARE(f.day.groups[15].jobName, QStringLiteral("工事17"));
    }

    void nullsLoadAsEmptyAndTheLastCaptionWins_data() { test::engineRows(); }
    void nullsLoadAsEmptyAndTheLastCaptionWins() {
        QFETCH(QString, engine);
        Fixture f(engine);
        VORDA_READY(f.t);
        {
            Database db;
            VORDA_OPEN(db, f.t.path());
            QVariantList row(rec::FieldCount);
            row[rec::Date] = toDbDate(kDay);
            row[rec::JobName] = QStringLiteral("空欄の多い行");
            QVERIFY(!db.insert(table::DailyReport, row)); // every other field null
        }
        f.addRow(QStringLiteral("二行目"), kDay, QStringLiteral("誘導"));
        f.day.groups[5].jobName = QStringLiteral("前の残り");
        f.day.extraCaption = QStringLiteral("前の日");
        QVERIFY(!f.load());
        QCOMPARE(f.day.groups[0].startTime, QString());
        QCOMPARE(f.day.actual(0).staff[29], QString());
        QCOMPARE(f.day.groups[0].extraCount[0], qint16(0));
        QCOMPARE(f.day.planned(0).vehicles[3], qint16(0));
        QCOMPARE(f.day.groups[0].nightFlag, qint16(0));
        QVERIFY(f.day.groups[5].jobName.isEmpty());
        QCOMPARE(f.day.extraCaption, QStringLiteral("誘導"));

        // A date without rows keeps the caption last loaded.
        QVERIFY(!GTDAT(f.t.path(), kDay.addDays(3), f.day, f.names));
        QCOMPARE(f.day.extraCaption, QStringLiteral("誘導"));
        QVERIFY(f.day.groups[0].jobName.isEmpty());
    }

    void whatARegisterAddsKeepsAndDeletes_data() { test::engineRows(); }
    void whatARegisterAddsKeepsAndDeletes() {
        QFETCH(QString, engine);
        Fixture f(engine);
        VORDA_READY(f.t);
        QVERIFY(!f.load());
        // Slot 0 new with the delete box ticked; slot 1 new without a name but with counts;
        // slots 2..4 new groups.
        f.day.groups[0].jobName = QStringLiteral("取りやめ");
        f.day.groups[0].deleteFlag = 1;
        f.day.groups[1].spotCount = {3, 3};
        f.day.actual(1).staff[0] = QStringLiteral("休");
        for (int k = 2; k <= 4; ++k)
            f.day.groups[k].jobName = QStringLiteral("現場%1").arg(k);
        f.day.extraCaption = QStringLiteral("交通誘導員応援班");
        QVERIFY(!f.save());
        std::vector<Row> rows = f.rowsOf(kDay);
        QCOMPARE(jobNames(rows), QStringList({"現場2", "現場3", "現場4"}));
        QCOMPARE(rows[0].values[rec::ExtraCaption].toString(), QStringLiteral("交通誘導員応"));
        QCOMPARE(rows[0].values[rec::Weather].toString(), QStringLiteral("曇"));
        QCOMPARE(f.balances()[0], 10); // the unsaved slot moved nothing
        // After the register the model is the stored day, the delete flags are clear.
        QCOMPARE(f.day.groups[0].jobName, QStringLiteral("現場2"));
        QCOMPARE(qint64(f.day.groups[0].recordNumber), rows[0].rowid);
        QVERIFY(f.day.groups[3].jobName.isEmpty());
        for (const GroupSlot& g : f.day.groups)
            QCOMPARE(g.deleteFlag, qint16(0));

        // A cleared name is rewritten, not deleted; deleting slot 1 moves slot 2 up.
        f.day.groups[0].jobName.clear();
        f.day.groups[1].deleteFlag = 1;
        QVERIFY(!f.save());
        rows = f.rowsOf(kDay);
        QCOMPARE(jobNames(rows), QStringList({"", "現場4"}));
        QCOMPARE(f.day.groups[0].jobName, QString());
        QCOMPARE(f.day.groups[1].jobName, QStringLiteral("現場4"));
        QVERIFY(f.day.groups[0].recordNumber != 0);
    }

    // Every balance is its start plus the counts of the marks stored, whatever the edits were.
    void dayOffBalancesFollowTheStoredMarks_data() { test::engineRows(); }
    void dayOffBalancesFollowTheStoredMarks() {
        QFETCH(QString, engine);
        Fixture f(engine);
        VORDA_READY(f.t);
        QVERIFY(!f.load());
        f.day.groups[0].jobName = QStringLiteral("現場");
        f.day.actual(0).staff[0] = QStringLiteral("休");
        f.day.actual(0).staff[2] = QStringLiteral("休");
        f.day.actual(0).staff[3] = QStringLiteral("☆");   // holiday work in a new group
        f.day.planned(0).staff[1] = QStringLiteral("休"); // a planned line moves nothing
        QVERIFY(!f.save());
        QCOMPARE(f.balances(), QList<int>({9, 10, 9, 11, 10}));
        QVERIFY(!f.save()); // the same day again moves nothing
        QCOMPARE(f.balances(), QList<int>({9, 10, 9, 11, 10}));

        // 休 → ○ → 休 ends where it started; ○ → ☆ gives one day back.
        f.day.actual(0).staff[0] = QStringLiteral("○");
        f.day.actual(0).staff[2] = QStringLiteral("○");
        QVERIFY(!f.save());
        QCOMPARE(f.balances(), QList<int>({10, 10, 10, 11, 10}));
        f.day.actual(0).staff[0] = QStringLiteral("休");
        f.day.actual(0).staff[2] = QStringLiteral(" ☆ ");
        QVERIFY(!f.save());
        QCOMPARE(f.balances(), QList<int>({9, 10, 11, 11, 10}));
        // ☆ → ◇ is still holiday work.
        f.day.actual(0).staff[2] = QStringLiteral("◇");
        QVERIFY(!f.save());
        QCOMPARE(f.balances(), QList<int>({9, 10, 11, 11, 10}));

        // A mark moved from one employee to another, and a second group on the same day.
        f.day.actual(0).staff[0].clear();
        f.day.actual(0).staff[1] = QStringLiteral("休");
        f.day.groups[1].jobName = QStringLiteral("二つ目");
        f.day.actual(1).staff[1] = QStringLiteral("休");
        f.day.actual(1).staff[2] = QStringLiteral("▽");
        QVERIFY(!f.save());
        QCOMPARE(f.balances(), QList<int>({10, 8, 12, 11, 10}));

        // Deleting a group gives its marks back; the other group's stay.
        f.day.groups[0].deleteFlag = 1;
        QVERIFY(!f.save());
        QCOMPARE(f.balances(), QList<int>({10, 9, 11, 10, 10}));
        QCOMPARE(jobNames(f.rowsOf(kDay)), QStringList({"二つ目"}));
        f.day.groups[0].deleteFlag = 1;
        QVERIFY(!f.save());
        QCOMPARE(f.balances(), QList<int>({10, 10, 10, 10, 10}));
    }

    void aBalanceBeyondSixtyFourBitsIsRefused_data() {
        test::addEngineColumn();
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<QString>("mark");
        QTest::addColumn<QVariant>("expected"); // invalid: refused
        for (const char* engine : test::kEngines) {
            test::engineRow(engine, "largest + 1") << QVariant(std::numeric_limits<qint64>::max())
                                                   << QStringLiteral("☆") << QVariant();
            test::engineRow(engine, "smallest - 1") << QVariant(std::numeric_limits<qint64>::min())
                                                    << QStringLiteral("休") << QVariant();
            test::engineRow(engine, "largest - 1")
                << QVariant(std::numeric_limits<qint64>::max()) << QStringLiteral("休")
                << QVariant(std::numeric_limits<qint64>::max() - 1);
        }
        // What only a file can hold: a server's integer field refuses it when it is written.
        const char* file = test::kEngines[0];
        test::engineRow(file, "1e20") << QVariant(1e20) << QStringLiteral("休") << QVariant();
        test::engineRow(file, "text 1e20")
            << QVariant(QStringLiteral("1e20")) << QStringLiteral("休") << QVariant();
        test::engineRow(file, "not a number counts from 0")
            << QVariant(QStringLiteral("なし")) << QStringLiteral("休") << QVariant(qint64(-1));
    }
    void aBalanceBeyondSixtyFourBitsIsRefused() {
        QFETCH(QVariant, stored);
        QFETCH(QString, mark);
        QFETCH(QVariant, expected);
        QFETCH(QString, engine);
        Fixture f(engine);
        VORDA_READY(f.t);
        {
            Database db;
            VORDA_OPEN(db, f.t.path());
            QVERIFY(!db.exec(
                QStringLiteral("UPDATE \"社員\" SET \"休日残\" = ? WHERE \"姓氏\" = '鈴木'"),
                {stored}));
        }
        QVERIFY(!f.load());
        f.day.groups[0].jobName = QStringLiteral("現場");
        f.day.actual(0).staff[0] = QStringLiteral("休");
        f.day.actual(0).staff[2] = mark;
        const DbError e = f.save();
        Database db;
        VORDA_OPEN(db, f.t.path());
        std::vector<Row> staff;
        QVERIFY(!db.selectAll(table::Employees, staff));
        if (!expected.isValid()) {
            QVERIFY(e);
            QVERIFY2(e.message.contains(QStringLiteral("鈴木")), qPrintable(e.message));
            QCOMPARE(staff[2].values[emp::DaysOffLeft], stored);
            QCOMPARE(staff[0].values[emp::DaysOffLeft].toInt(), 10); // nothing of the register
            QVERIFY(f.rowsOf(kDay).empty());
        } else {
            QVERIFY2(!e, qPrintable(e.message));
            QCOMPARE(staff[2].values[emp::DaysOffLeft].toLongLong(), expected.toLongLong());
        }
    }

    // Two copies of the program on one day: the second register finds the rows changed.
    void aDayChangedByAnotherCopyIsNotOverwritten_data() { test::engineRows(); }
    void aDayChangedByAnotherCopyIsNotOverwritten() {
        QFETCH(QString, engine);
        Fixture f(engine);
        VORDA_READY(f.t);
        f.addRow(QStringLiteral("既存"));
        DayModel other;
        NameCaches otherNames;
        QVERIFY(!f.load());
        QVERIFY(!GTDAT(f.t.path(), kDay, other, otherNames));

        other.groups[1].jobName = QStringLiteral("別のパソコン");
        other.actual(1).staff[0] = QStringLiteral("休");
        QVERIFY(!registerDay(f.t.path(), kDay, QStringLiteral("晴"), other, otherNames));
        const std::vector<Row> stored = f.rowsOf(kDay);
        const QList<int> balances = f.balances();
        QCOMPARE(balances[0], 9);

        f.day.groups[1].jobName = QStringLiteral("この画面");
        f.day.actual(1).staff[0] = QStringLiteral("休");
        const DayModel typed = f.day;
        DbError e = f.save();
        QCOMPARE(e.kind, DbErrorKind::Changed);
        QCOMPARE(e.message, QStringLiteral("この日の日報は別の画面またはパソコンで変更されました。"
                                           "読み直してから登録してください。"));
        QCOMPARE(f.rowsOf(kDay).size(), stored.size());
        QCOMPARE(f.balances(), balances);
        QCOMPARE(f.day.groups[1].jobName, typed.groups[1].jobName); // the typed work stays

        // A rewrite of a loaded row by the other copy is caught as well.
        QVERIFY(!GTDAT(f.t.path(), kDay, f.day, f.names));
        other.groups[0].remarks = QStringLiteral("備考だけ変更");
        QVERIFY(!registerDay(f.t.path(), kDay, QStringLiteral("晴"), other, otherNames));
        f.day.groups[0].jobName = QStringLiteral("上書き");
        QCOMPARE(f.save().kind, DbErrorKind::Changed);
        QCOMPARE(f.rowsOf(kDay)[0].values[rec::JobName].toString(), QStringLiteral("既存"));

        // Read again, the register goes through.
        QVERIFY(!f.load());
        f.day.groups[0].jobName = QStringLiteral("上書き");
        e = f.save();
        QVERIFY2(!e, qPrintable(e.message));
        QCOMPARE(jobNames(f.rowsOf(kDay)), QStringList({"上書き", "別のパソコン"}));
    }

    // Record numbers past 32 bits still find their rows: nothing is added twice.
    void recordNumbersAreSixtyFourBits_data() { test::engineRows(); }
    void recordNumbersAreSixtyFourBits() {
        QFETCH(QString, engine);
        Fixture f(engine);
        VORDA_READY(f.t);
        {
            Database db;
            VORDA_OPEN(db, f.t.path());
            QVERIFY(!db.exec(
                QStringLiteral(
                    "INSERT INTO \"VORDA工事\" (\"日付\", \"工事名\", \"REC\") VALUES (?, ?, ?)"),
                {toDbDate(kDay), QStringLiteral("大きな番号"), qint64(1) << 32}));
        }
        QVERIFY(!f.load());
        QCOMPARE(f.day.groups[0].recordNumber, qint64(1) << 32);
        f.day.groups[0].remarks = QStringLiteral("書き直し");
        QVERIFY(!f.save());
        const std::vector<Row> rows = f.rowsOf(kDay);
        QCOMPARE(rows.size(), std::size_t(1));
        QCOMPARE(rows[0].values[rec::Remarks].toString(), QStringLiteral("書き直し"));
    }

    void employeesAreFoundByName_data() { test::engineRows(); }
    void employeesAreFoundByName() {
        QFETCH(QString, engine);
        Fixture f(engine);
        VORDA_READY(f.t);
        QVERIFY(!f.load());
        f.day.groups[0].jobName = QStringLiteral("現場");
        f.day.actual(0).staff[3] = QStringLiteral("休"); // 大'塚: an apostrophe is just a letter
        f.day.actual(0).staff[4] =
            QStringLiteral("休"); // the second 佐藤: the first one is changed
        QVERIFY(!f.save());
        QCOMPARE(f.balances(), QList<int>({10, 9, 10, 9, 10}));

        // An employee gone from the table since the load is passed over.
        {
            Database db;
            VORDA_OPEN(db, f.t.path());
            std::vector<Row> staff;
            QVERIFY(!db.selectAll(table::Employees, staff));
            QVERIFY(!db.remove(table::Employees, staff[0].rowid));
        }
        f.day.groups[1].jobName = QStringLiteral("別の現場");
        f.day.actual(1).staff[0] = QStringLiteral("休");
        QVERIFY(!f.save());
        QCOMPARE(f.balances(), QList<int>({9, 10, 9, 10}));
    }

    void aFailureLeavesEverythingAsItWas_data() {
        test::addEngineColumn();
        QTest::addColumn<QString>("tableName");
        QTest::addColumn<QString>("event");
        QTest::addColumn<QString>("condition");
        for (const char* engine : test::kEngines) {
            test::engineRow(engine, "insert of the third group") << table::DailyReport << "INSERT"
                                                                 << "NEW.\"工事名\" = '三番目'";
            test::engineRow(engine, "update of the third group") << table::DailyReport << "UPDATE"
                                                                 << "NEW.\"工事名\" = '三番目'";
            test::engineRow(engine, "a balance") << table::Employees << "UPDATE"
                                                 << "NEW.\"休日残\" = 7";
        }
    }
    void aFailureLeavesEverythingAsItWas() {
        QFETCH(QString, tableName);
        QFETCH(QString, event);
        QFETCH(QString, condition);
        QFETCH(QString, engine);
        Fixture f(engine);
        VORDA_READY(f.t);
        const bool updating = tableName != table::DailyReport || event == QLatin1String("UPDATE");
        if (updating) {
            for (int k = 0; k < 3; ++k)
                f.addRow(QStringLiteral("現場%1").arg(k));
        }
        {
            Database db;
            VORDA_OPEN(db, f.t.path());
            QVERIFY(!test::addFailingTrigger(db, tableName, event, condition));
        }
        QVERIFY(!f.load());
        for (int k = 0; k < 3; ++k) {
            f.day.groups[k].jobName =
                k == 2 ? QStringLiteral("三番目") : QStringLiteral("更新%1").arg(k);
            f.day.actual(k).staff[0] = QStringLiteral("休");
        }
        f.day.actual(1).staff[1] = QStringLiteral("休");
        const std::vector<Row> before = f.rowsOf(kDay);
        const QList<int> balancesBefore = f.balances();
        const DayModel typed = f.day;

        const DbError e = f.save();
        QVERIFY(e);
        QVERIFY2(e.message.contains(QStringLiteral("injected")), qPrintable(e.message));
        const std::vector<Row> after = f.rowsOf(kDay);
        QCOMPARE(after.size(), before.size());
        for (std::size_t i = 0; i < after.size(); ++i)
            QCOMPARE(after[i].values, before[i].values);
        QCOMPARE(f.balances(), balancesBefore);
        // The typed day is still there to register again.
        for (int k = 0; k < 3; ++k) {
            QCOMPARE(f.day.groups[k].jobName, typed.groups[k].jobName);
            QCOMPARE(f.day.groups[k].recordNumber, typed.groups[k].recordNumber);
            QCOMPARE(f.day.actual(k).staff[0], QStringLiteral("休"));
        }
    }

    void aLockHeldBrieflyByAnotherCopyIsWaitedFor_data() { test::engineRows(); }
    void aLockHeldBrieflyByAnotherCopyIsWaitedFor() {
        QFETCH(QString, engine);
        Fixture f(engine);
        VORDA_READY(f.t);
        QVERIFY(!f.load());
        f.day.groups[0].jobName = QStringLiteral("現場");
        f.day.actual(0).staff[0] = QStringLiteral("休");

        std::atomic<bool> locked{false};
        std::atomic<bool> otherOk{false};
        const QString path = f.t.path();
        std::unique_ptr<QThread> other(QThread::create([&] {
            Database db;
            if (db.open(path) || db.beginImmediate())
                return;
            // The other copy changes a balance while it holds the lock.
            std::vector<Row> staff;
            db.selectAll(table::Employees, staff);
            QVariantList v(emp::FieldCount);
            v[emp::DaysOffLeft] = 20;
            db.update(table::Employees, staff[0].rowid, v);
            locked = true;
            QThread::msleep(300);
            otherOk = !db.commit();
        }));
        other->start();
        QTRY_VERIFY(locked.load());
        QElapsedTimer timer;
        timer.start();
        const DbError e = f.save();
        other->wait();
        QVERIFY2(!e, qPrintable(e.message));
        QVERIFY(otherOk);
        QVERIFY(timer.elapsed() >= 200);
        // The other copy's update is not lost: the register counted from it.
        QCOMPARE(f.balances()[0], 19);
        QCOMPARE(f.rowsOf(kDay).size(), std::size_t(1));
    }

    // Cells that hold no staff mark, in the groups a register writes, named one by one.
    void marksThatAreNoStaffMark_data() {
        test::addEngineColumn();
        QTest::addColumn<QString>("cell");
        QTest::addColumn<int>("line");
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("group");    // stored, named, unnamed, deleted
        QTest::addColumn<QString>("expected"); // empty: no finding
        for (const char* engine : test::kEngines) {
            const QString o =
                QStringLiteral("作業 2 の実績「佐藤」の「o」はスタッフマークにありません。");
            test::engineRow(engine, "Latin o, actual") << "o" << 1 << 1 << "named" << o;
            test::engineRow(engine, "blanks around it") << " o　" << 1 << 1 << "stored" << o;
            test::engineRow(engine, "planned, no name in the column")
                << "x" << 0 << 7 << "named"
                << QStringLiteral("作業 2 の予定（8 列目）の「x」はスタッフマークにありません。");
            test::engineRow(engine, "a mark") << "休" << 1 << 1 << "named"
                                              << "";
            test::engineRow(engine, "a mark with blanks") << " ○ " << 0 << 0 << "named"
                                                          << "";
            test::engineRow(engine, "only blanks") << "  " << 1 << 1 << "named"
                                                   << "";
            test::engineRow(engine, "two marks in one cell")
                << "○○" << 1 << 1 << "named"
                << QStringLiteral("作業 2 の実績「佐藤」の「○○」はスタッフマークにありません。");
            test::engineRow(engine, "a new group without a name is not written")
                << "o" << 1 << 1 << "unnamed"
                << "";
            test::engineRow(engine, "a deleted group is not written") << "o" << 1 << 1 << "deleted"
                                                                      << "";
        }
    }
    void marksThatAreNoStaffMark() {
        QFETCH(QString, cell);
        QFETCH(int, line);
        QFETCH(int, column);
        QFETCH(QString, group);
        QFETCH(QString, expected);
        QFETCH(QString, engine);
        Fixture f(engine);
        VORDA_READY(f.t);
        QVERIFY(!f.load());
        f.day.groups[0].jobName = QStringLiteral("一番目");
        f.day.lines[1].staff[0] = QStringLiteral("○"); // group 1 is clean
        GroupSlot& g = f.day.groups[1];
        g.jobName = group == QLatin1String("unnamed") ? QString() : QStringLiteral("二番目");
        g.recordNumber =
            group == QLatin1String("stored") || group == QLatin1String("deleted") ? 7 : 0;
        g.deleteFlag = group == QLatin1String("deleted") ? 1 : 0;
        f.day.lines[2 + line].staff[column] = cell;
        for (int k = 0; k < 2; ++k) {
            f.day.groups[k].startTime = QStringLiteral("08:00");
            f.day.groups[k].endTime = QStringLiteral("17:00");
        }
        std::vector<DayFinding> found;
        QVERIFY(!dayFindings(f.t.path(), f.day, kDay, f.names, found));
        // Only this kind here (a new group without a name is a finding of its own).
        std::erase_if(found, [](const DayFinding& d) { return d.kind != DayFinding::NotAMark; });
        if (expected.isEmpty()) {
            QCOMPARE(found.size(), std::size_t(0));
            return;
        }
        QCOMPARE(found.size(), std::size_t(1));
        QCOMPARE(found[0].group, 1);
        QCOMPARE(found[0].line, line);
        QCOMPARE(found[0].column, column);
        QCOMPARE(found[0].text, cell.trimmed());
        QCOMPARE(found[0].message, expected);

        // A mark registered in the master is no finding any more; so is its first character
        // (what the mark picker writes for a mark of two characters).
        Database db;
        VORDA_OPEN(db, f.t.path());
        QVERIFY(!db.insert(table::StaffMarks, {9, cell.trimmed() + QStringLiteral("延"),
                                               QStringLiteral("試し"), QStringLiteral("試し"), 1}));
        QVERIFY(!dayFindings(f.t.path(), f.day, kDay, f.names, found));
        QCOMPARE(found.size(), cell.trimmed().size() == 1 ? std::size_t(0) : std::size_t(1));

        // The question names twenty and counts the rest, so that its buttons stay on screen.
        for (int c = 0; c < 25; ++c)
            f.day.lines[3].staff[c] = QStringLiteral("z");
        QVERIFY(!dayFindings(f.t.path(), f.day, kDay, f.names, found));
        const QStringList lines = findingsQuestion(found).split(u'\n');
        QCOMPARE(lines.size(), 22);
        QCOMPARE(lines[20], QStringLiteral("ほか 5 件"));
        QCOMPARE(lines[21], QStringLiteral("このまま登録しますか？"));
    }

    // A copy takes the planned side of each group and leaves the actual line, the marks that
    // move balances and the record numbers; nothing moves until "登録".
    void aCopyOfAnEarlierDay_data() { test::engineRows(); }
    void aCopyOfAnEarlierDay() {
        QFETCH(QString, engine);
        Fixture f(engine);
        VORDA_READY(f.t);
        const QDate earlier = kDay.addDays(-3);
        QVERIFY(!GTDAT(f.t.path(), earlier, f.day, f.names));
        GroupSlot& g = f.day.groups[0];
        g = {0,
             15,
             QStringLiteral("本町"),
             QStringLiteral("備考"),
             QStringLiteral("発注者"),
             0,
             QStringLiteral("08:00"),
             QStringLiteral("17:30"),
             QStringLiteral("予備1"),
             QString(),
             QStringLiteral("掘削"),
             QStringLiteral("掘削済"),
             1,
             {4, 5},
             {2, 3}};
        f.day.planned(0).staff = {QStringLiteral("○"), QStringLiteral("☆"), QStringLiteral("休"),
                                  QStringLiteral("泊"), QStringLiteral(" 有 ")};
        f.day.planned(0).guards = {1, 2};
        f.day.planned(0).vehicles[0] = 3;
        f.day.actual(0).staff[0] = QStringLiteral("休");
        f.day.actual(0).guards = {7, 7};
        f.day.actual(0).vehicles[0] = 7;
        f.day.groups[1].jobName = QStringLiteral("二番目");
        f.day.extraCaption = QStringLiteral("応援");
        QVERIFY(!registerDay(f.t.path(), earlier, QStringLiteral("晴"), f.day, f.names));
        QCOMPARE(f.balances(), QList<int>({9, 10, 10, 10, 10}));
        const DayModel from = f.day;

        // Into a day that has one stored group of its own: it is reused, the second is new.
        DayEdit edit;
        QVERIFY(!edit.load(f.t.path(), kDay, QString()));
        QVERIFY(!edit.holdsWork());
        f.addRow(QStringLiteral("既存"));
        QVERIFY(!edit.load(f.t.path(), kDay, QString()));
        QVERIFY(edit.holdsWork());
        const qint64 stored = edit.day.groups[0].recordNumber;
        edit.day.groups[1].recordNumber = 0;
        std::vector<StaffMark> marks;
        QVERIFY(!listStaffMarks(f.t.path(), marks));
        copyDay(from, edit.day, marks);
        const GroupSlot& c = edit.day.groups[0];
        QCOMPARE(c.recordNumber, stored);
        QCOMPARE(c.deleteFlag, qint16(0));
        QCOMPARE(c.jobNumber, qint64(15));
        QCOMPARE(QStringList({c.jobName, c.remarks, c.client, c.startTime, c.endTime, c.plannedWork,
                              c.actualWork, c.reserve1}),
                 QStringList({"本町", "備考", "発注者", "08:00", "17:30", "掘削", "掘削済", ""}));
        QCOMPARE(c.nightFlag, qint16(1));
        QCOMPARE(c.extraCount, (std::array<qint16, 2>{4, 0}));
        QCOMPARE(c.spotCount, (std::array<qint16, 2>{2, 0}));
        const Line& p = edit.day.planned(0);
        QCOMPARE(QStringList({p.staff[0], p.staff[1], p.staff[2], p.staff[3], p.staff[4]}),
                 QStringList({"○", "", "", "泊", ""}));
        QCOMPARE(p.guards, (std::array<qint16, kGuardBound>{1, 2, 0}));
        QCOMPARE(p.vehicles[0], qint16(3));
        const Line& a = edit.day.actual(0);
        QCOMPARE(a.staff[0], QString());
        QCOMPARE(a.guards[0], qint16(0));
        QCOMPARE(a.vehicles[0], qint16(0));
        QCOMPARE(edit.day.groups[1].jobName, QStringLiteral("二番目"));
        QCOMPARE(edit.day.groups[1].recordNumber, qint64(0));
        QCOMPARE(edit.day.extraCaption, QStringLiteral("応援"));
        QCOMPARE(f.rowsOf(kDay).size(), std::size_t(1)); // nothing written yet
        QVERIFY(!edit.save(f.t.path(), QStringLiteral("晴")));
        QCOMPARE(jobNames(f.rowsOf(kDay)), QStringList({"本町", "二番目"}));
        QCOMPARE(f.balances(), QList<int>({9, 10, 10, 10, 10})); // the copy moved no balance

        // A copy of a shorter day marks the stored groups it does not fill for deletion.
        DayModel one = from;
        one.groups[1] = GroupSlot();
        copyDay(one, edit.day, marks);
        QCOMPARE(edit.day.groups[1].deleteFlag, qint16(1));
        QVERIFY(edit.day.groups[1].jobName.isEmpty());
        QCOMPARE(edit.day.groups[2].deleteFlag, qint16(0));
    }

    void theDateACopyComesFrom_data() {
        test::addEngineColumn();
        QTest::addColumn<QStringList>("stored");
        QTest::addColumn<int>("direction");
        QTest::addColumn<QString>("expected"); // empty: none
        for (const char* engine : test::kEngines) {
            const QStringList dates = {"2024-05-01", "2024-05-09", "2024-05-13", "2024-05-20"};
            test::engineRow(engine, "the last before, over a gap") << dates << -1 << "2024-05-09";
            test::engineRow(engine, "the next after") << dates << 1 << "2024-05-20";
            test::engineRow(engine, "none before")
                << QStringList({"2024-05-13", "2024-06-01"}) << -1 << "";
            test::engineRow(engine, "none at all") << QStringList() << -1 << "";
            test::engineRow(engine, "texts that are no day are passed over")
                << QStringList({"2024-05-02", "2024-05-10x", "2024/05/11", "2024-02-30"}) << -1
                << "2024-05-02";
        }
    }
    void theDateACopyComesFrom() {
        QFETCH(QStringList, stored);
        QFETCH(int, direction);
        QFETCH(QString, expected);
        QFETCH(QString, engine);
        Fixture f(engine);
        VORDA_READY(f.t);
        Database db;
        VORDA_OPEN(db, f.t.path());
        DayModel day;
        day.groups[0].jobName = QStringLiteral("x");
        for (const QString& d : stored) {
            QVariantList row = slotToRow(day, 0, kDay, QString());
            row[rec::Date] = d;
            QVERIFY(!db.insert(table::DailyReport, row));
        }
        QDate found(1999, 1, 1);
        QVERIFY(!dateWithRows(f.t.path(), kDay, direction, found));
        QCOMPARE(found, expected.isEmpty() ? QDate() : QDate::fromString(expected, Qt::ISODate));
    }

    // Planned to actual: empty cells take the planned value, typed ones stay unless overwritten.
    void plannedToActual() {
        DayModel day;
        day.groups[0].jobName = QStringLiteral("一");
        day.groups[0].plannedWork = QStringLiteral("予定の作業");
        day.groups[0].spotCount = {2, 0};
        day.groups[0].extraCount = {1, 5};
        day.planned(0).staff = {QStringLiteral("○"), QStringLiteral("○"), QStringLiteral("泊"),
                                QString()};
        day.actual(0).staff = {QString(), QStringLiteral("○"), QStringLiteral("休"),
                               QStringLiteral("△")};
        day.planned(0).guards = {1, 0};
        day.actual(0).guards = {0, 3};
        day.planned(0).vehicles[1] = 4;
        day.groups[1].jobName = QStringLiteral("二");
        day.groups[1].actualWork = QStringLiteral("書いた");
        day.groups[1].plannedWork = QStringLiteral("予定");
        day.planned(1).staff[5] = QStringLiteral("○");
        day.planned(2).staff[6] = QStringLiteral("○"); // a group without a name: not the day's

        // Typed and different: 休 over 泊, △ over nothing, night guards 3 over 0, extra 5 over 1.
        QCOMPARE(promotionOverwrites(day, 0), 4);
        QCOMPARE(promotionOverwrites(day, -1), 4);
        DayModel kept = day;
        promotePlanned(kept, 0, false);
        const Line& a = kept.actual(0);
        QCOMPARE(QStringList({a.staff[0], a.staff[1], a.staff[2], a.staff[3]}),
                 QStringList({"○", "○", "休", "△"}));
        QCOMPARE(a.guards[0], qint16(1));
        QCOMPARE(a.guards[1], qint16(3));
        QCOMPARE(a.vehicles[1], qint16(4));
        QCOMPARE(kept.groups[0].spotCount[1], qint16(2));
        QCOMPARE(kept.groups[0].extraCount[1], qint16(5));
        QCOMPARE(kept.groups[0].actualWork, QStringLiteral("予定の作業"));
        QCOMPARE(kept.actual(1).staff[5], QString()); // one group only
        QCOMPARE(promotionOverwrites(kept, 0), 4);

        DayModel over = day;
        promotePlanned(over, -1, true);
        QCOMPARE(QStringList({over.actual(0).staff[2], over.actual(0).staff[3]}),
                 QStringList({"泊", ""}));
        QCOMPARE(over.actual(0).guards[1], qint16(0));
        QCOMPARE(over.groups[0].extraCount[1], qint16(1));
        QCOMPARE(promotionOverwrites(over, -1), 0);
        QCOMPARE(over.actual(1).staff[5], QStringLiteral("○"));
        QCOMPARE(over.groups[1].actualWork, QStringLiteral("書いた")); // a typed text stays
        QCOMPARE(over.actual(2).staff[6], QString());
    }

    // Each check "登録" makes, and the same day without the fault.
    void theChecksBeforeARegister_data() {
        test::addEngineColumn();
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("expected"); // empty: no finding
        QTest::addColumn<int>("line");
        QTest::addColumn<int>("column");
        for (const char* engine : test::kEngines) {
            test::engineRow(engine, "clean") << ""
                                             << "" << -1 << -1;
            test::engineRow(engine, "two day groups")
                << "double"
                << "作業 2 の実績「佐藤」は作業 1 にも入っています（昼間）。" << 1 << 1;
            test::engineRow(engine, "two night groups")
                << "double night"
                << "作業 2 の実績「佐藤」は作業 1 にも入っています（夜間）。" << 1 << 1;
            test::engineRow(engine, "a day and a night group") << "day and night"
                                                               << "" << -1 << -1;
            test::engineRow(engine, "twice in the planned lines")
                << "double planned"
                << "作業 2 の予定「佐藤」は作業 1 にも入っています（昼間）。" << 0 << 1;
            test::engineRow(engine, "a day off and work")
                << "day off"
                << "作業 2 の実績「佐藤」は休みですが、作業 1 に入っています。" << 1 << 1;
            test::engineRow(engine, "no times")
                << "no times"
                << "作業 1 の実績にマークがありますが、開始時間か終了時間がありません。" << 1 << -1;
            test::engineRow(engine, "only days off need no times") << "no times, day off"
                                                                   << "" << -1 << -1;
            test::engineRow(engine, "end before start")
                << "end before start"
                << "作業 1 の終了時間 08:00 が開始時間 17:00 より前です。" << -1 << -1;
            test::engineRow(engine, "a night group ends the next day") << "end before start, night"
                                                                       << "" << -1 << -1;
            test::engineRow(engine, "project ended")
                << "ended"
                << "作業 1 の工事「本町」は 2024/05/12 に終了しています。" << -1 << -1;
            test::engineRow(engine, "project not started")
                << "not started"
                << "作業 1 の工事「本町」は 2024/05/14 からです。" << -1 << -1;
            test::engineRow(engine, "project on its last day") << "last day"
                                                               << "" << -1 << -1;
            test::engineRow(engine, "no job name")
                << "unnamed"
                << "作業 3 に工事件名がありません。工事件名のない作業は登録されません。" << -1
                << -1;
            test::engineRow(engine, "a deleted group is not checked") << "deleted"
                                                                      << "" << -1 << -1;
        }
    }
    void theChecksBeforeARegister() {
        QFETCH(QString, fault);
        QFETCH(QString, expected);
        QFETCH(int, line);
        QFETCH(int, column);
        QFETCH(QString, engine);
        Fixture f(engine);
        VORDA_READY(f.t);
        Database db;
        VORDA_OPEN(db, f.t.path());
        const QString end = fault == "ended" ? "2024-05-12" : "2024-05-13";
        const QString start = fault == "not started" ? "2024-05-14"
                              : fault == "last day"  ? "2024-05-13"
                                                     : "2024-05-01";
        QVERIFY(!db.insert(table::Projects,
                           {15, QStringLiteral("本町"), start, end, QStringLiteral("発注者")}));
        QVERIFY(!f.load());
        for (int k = 0; k < 2; ++k) {
            f.day.groups[k].jobName = k == 0 ? QStringLiteral("本町") : QStringLiteral("二番目");
            f.day.groups[k].startTime = QStringLiteral("08:00");
            f.day.groups[k].endTime = QStringLiteral("17:00");
            f.day.actual(k).staff[k] = QStringLiteral("○");
        }
        f.day.groups[0].jobNumber = 15;
        if (fault.startsWith("double") || fault == "day and night") {
            const int l = fault == "double planned" ? 0 : 1;
            f.day.lines[l].staff[1] = QStringLiteral("○");
            f.day.lines[2 + l].staff[1] = QStringLiteral("☆");
            f.day.groups[0].nightFlag = f.day.groups[1].nightFlag = fault == "double night";
            if (fault == "day and night")
                f.day.groups[1].nightFlag = 1;
        } else if (fault == "day off") {
            f.day.actual(1).staff[1] = QStringLiteral("有");
            f.day.actual(0).staff[1] = QStringLiteral("泊");
        } else if (fault.startsWith("no times")) {
            f.day.groups[0].endTime.clear();
            if (fault.endsWith("day off"))
                f.day.actual(0).staff[0] = QStringLiteral("休");
        } else if (fault.startsWith("end before start")) {
            f.day.groups[0].startTime = QStringLiteral("17:00");
            f.day.groups[0].endTime = QStringLiteral("08:00");
            f.day.groups[0].nightFlag = fault.endsWith("night");
        } else if (fault == "unnamed") {
            f.day.groups[2].remarks = QStringLiteral("名前なし");
        } else if (fault == "deleted") {
            f.day.groups[1].deleteFlag = 1;
            f.day.groups[1].endTime.clear();
            f.day.actual(1).staff[0] = QStringLiteral("○");
        }
        f.names.employees[1] = QStringLiteral("佐藤");
        std::vector<DayFinding> found;
        QVERIFY(!dayFindings(f.t.path(), f.day, kDay, f.names, found));
        QStringList messages;
        for (const DayFinding& d : found)
            messages << d.message;
        QCOMPARE(messages, expected.isEmpty() ? QStringList() : QStringList({expected}));
        if (!found.empty()) {
            QCOMPARE(found[0].line, line);
            QCOMPARE(found[0].column, column);
        }
    }

    void aLoadThatFailsLeavesTheModelAlone() {
        DayModel day;
        NameCaches names;
        day.groups[0].jobName = QStringLiteral("打ち込み中");
        names.employees[0] = QStringLiteral("山田");
        const DbError e = GTDAT(QStringLiteral("/nonexistent-vorda/VORDA.db"), kDay, day, names);
        QVERIFY(e);
        QCOMPARE(day.groups[0].jobName, QStringLiteral("打ち込み中"));
        QCOMPARE(names.employees[0], QStringLiteral("山田"));
    }
};

QTEST_GUILESS_MAIN(TestDayStore)
#include "tst_day_store.moc"
