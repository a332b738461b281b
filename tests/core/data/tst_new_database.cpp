// New files: the rows a new firm needs, and the sample firm for trying every sheet.

#include "core/app/app_state.h"
#include "core/data/daily_record.h"
#include "core/data/database.h"
#include "core/data/new_database.h"
#include "core/data/schema.h"
#include "core/data/values.h"
#include "support/files.h"
#include "support/temp_database.h"

#include <QProcess>
#include <QSet>
#include <QTest>

using namespace vorda;

class TestNewDatabase : public QObject {
    Q_OBJECT
private slots:
    void newFirmRows() {
        test::TempDatabase t;
        QVERIFY2(t.ok(), qPrintable(t.message()));
        Database db;
        VORDA_OPEN(db, t.path());

        std::vector<Row> marks;
        QVERIFY(!db.selectAll(table::StaffMarks, marks));
        QHash<QString, int> kinds;
        QSet<int> kindsSeen;
        for (const Row& r : marks) {
            QVERIFY(!r.values[mark::Description].toString().isEmpty());
            QVERIFY(!r.values[mark::Caption].toString().isEmpty());
            kinds.insert(r.values[mark::Mark].toString(), r.values[mark::Kind].toInt());
            kindsSeen.insert(r.values[mark::Kind].toInt());
        }
        QVERIFY(marks.size() <= 31);
        QCOMPARE(kinds.value(QStringLiteral("休")), 4);
        for (const char16_t* m : {u"☆", u"◇", u"▽"})
            QVERIFY(kinds.contains(QString::fromUtf16(m)));
        QVERIFY(kindsSeen.contains(1) && kindsSeen.contains(2) && kindsSeen.contains(3));

        std::vector<Row> rows;
        QVERIFY(!db.selectAll(table::TradeName, rows));
        QCOMPARE(rows.size(), std::size_t(1));

        QVERIFY(!db.select(table::System, {{sys::Key, Condition::Op::Eq, 1}}, rows));
        QCOMPARE(rows.size(), std::size_t(1));
        const QVariantList& s = rows[0].values;
        QCOMPARE(s[sys::MonthlyClosingDay].toInt(), 31);
        QCOMPARE(s[sys::AttendanceClosingDay].toInt(), 31);
        QCOMPARE(s[sys::YearEnd].toString(), QStringLiteral("3/31"));
        QCOMPARE(s[sys::EraName].toString(), QStringLiteral("令和"));
        QCOMPARE(s[sys::EraOffset].toInt(), 2018);
        QVERIFY(!s[sys::StartOfWork].toString().isEmpty());

        qint64 n = 0;
        QVERIFY(!db.count(table::WeatherWords, {}, n));
        QVERIFY(n >= 3);
        QVERIFY(!db.count(table::DailyReport, {}, n));
        QCOMPARE(n, 0);
        QVERIFY(!db.count(table::Employees, {}, n));
        QCOMPARE(n, 0);
    }

    void sampleFirmShowsSomethingEverywhere() {
        const QDate today(2024, 6, 14);
        test::TempDatabase t(true, today);
        QVERIFY2(t.ok(), qPrintable(t.message()));
        Database db;
        VORDA_OPEN(db, t.path());
        qint64 employees = 0, vehicles = 0, projects = 0;
        QVERIFY(!db.count(table::Employees, {}, employees));
        QVERIFY(!db.count(table::Vehicles, {}, vehicles));
        QVERIFY(!db.count(table::Projects, {}, projects));
        QCOMPARE(employees, 15);
        QCOMPARE(vehicles, 8);
        QCOMPARE(projects, 25);
        // The period list finds a project by its name: no two share one.
        std::vector<Row> projectRows;
        QVERIFY(!db.selectAll(table::Projects, projectRows));
        QSet<QString> names;
        for (const Row& r : projectRows)
            names.insert(r.values[proj::Name].toString());
        QCOMPARE(names.size(), 25);

        std::vector<Row> rows;
        QVERIFY(!db.selectAll(table::DailyReport, rows));
        QVERIFY(rows.size() > 200);
        QDate first = today, last;
        QSet<QString> marksUsed;
        QHash<QString, int> perDay;
        bool night = false, guards = false, spot = false, extra = false, vehicle = false;
        for (const Row& r : rows) {
            const QDate d = fromDbDate(r.values[rec::Date]);
            QVERIFY(d.isValid());
            first = std::min(first, d);
            last = std::max(last, d);
            ++perDay[r.values[rec::Date].toString()];
            DayModel day;
            rowToSlot(r.values, day, 0);
            QVERIFY(!day.groups[0].jobName.isEmpty());
            QVERIFY(!r.values[rec::Weather].toString().isEmpty());
            for (int j = 0; j < 2; ++j) {
                for (int c = 0; c < kStaffColumns; ++c) {
                    if (!day.lines[j].staff[c].isEmpty())
                        marksUsed.insert(day.lines[j].staff[c]);
                }
                guards |= day.lines[j].guards[0] + day.lines[j].guards[1] > 0;
                for (int v = 0; v < kVehicleColumns; ++v)
                    vehicle |= day.lines[j].vehicles[v] > 0;
            }
            night |= day.groups[0].nightFlag == 1;
            spot |= day.groups[0].spotCount[0] + day.groups[0].spotCount[1] > 0;
            extra |= day.groups[0].extraCount[0] + day.groups[0].extraCount[1] > 0 &&
                     !day.extraCaption.isEmpty();
        }
        QCOMPARE(last, today);
        QVERIFY(first >= today.addMonths(-3));
        QVERIFY(night && guards && spot && extra && vehicle);
        for (const QString& d : perDay.keys())
            QVERIFY(perDay[d] <= kGroupsPerDay);
        // Every mark of the list appears somewhere.
        std::vector<Row> marks;
        QVERIFY(!db.selectAll(table::StaffMarks, marks));
        for (const Row& m : marks)
            QVERIFY2(marksUsed.contains(m.values[mark::Mark].toString()),
                     qPrintable(m.values[mark::Mark].toString()));

        // Weather for every working day, one row per date.
        qint64 weatherRows = 0;
        QVERIFY(!db.count(table::Weather, {}, weatherRows));
        QCOMPARE(weatherRows, qint64(perDay.size()));

        // Balances as the saves would have left them.
        std::vector<Row> staff;
        QVERIFY(!db.selectAll(table::Employees, staff));
        for (int c = 0; c < int(staff.size()); ++c) {
            int off = 0;
            for (const Row& r : rows)
                off += r.values[rec::ActualStaff + c].toString() == QStringLiteral("休") ? 1 : 0;
            QCOMPARE(staff[c].values[emp::DaysOffLeft].toInt(), 20 - off);
        }
    }

    void failedCreationLeavesNoFile() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("なし/VORDA.db"));
        QCOMPARE(createDatabase(path, {}).kind, DbErrorKind::FolderMissing);
        QVERIFY(!QFileInfo::exists(path));
    }

    void commandLine() {
        const QString exe = qEnvironmentVariable("VORDA_EXE");
        if (exe.isEmpty())
            QSKIP("VORDA_EXE is not set");
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("見本.db"));
        QProcess p;
        p.start(exe, {QStringLiteral("init-db"), path, QStringLiteral("--demo")});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 0);
        Database db;
        VORDA_OPEN(db, path);

        // A second run refuses to overwrite.
        p.start(exe, {QStringLiteral("init-db"), path});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 1);
        QVERIFY(QString::fromUtf8(p.readAllStandardError()).contains(QStringLiteral("上書き")));

        // set-data registers the path and keeps the other lines of vorda.INI.
        const QString ini = dir.filePath(QStringLiteral("vorda.INI"));
        {
            QFile f(ini);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("old\r\nkeep\r\n 9 \r\n 1 \r\n");
        }
        p.start(exe, {QStringLiteral("--ini"), ini, QStringLiteral("set-data"), path});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 0);
        AppState s;
        s.iniPath = ini;
        INIREAD(s);
        QCOMPARE(s.databasePath, path);
        QCOMPARE(s.secondValue, QStringLiteral("keep"));
        QCOMPARE(s.paperCode, qint16(9));

        // A file that is not a database is not registered.
        const QString text = dir.filePath(QStringLiteral("memo.txt"));
        {
            QFile f(text);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("memo");
        }
        p.start(exe, {QStringLiteral("--ini"), ini, QStringLiteral("set-data"), text});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 1);
        INIREAD(s);
        QCOMPARE(s.databasePath, path);

        // Neither an INI nor a PDF is ever written over a database; check-db reads it whole.
        const QByteArray database = test::fileHash(path);
        const QList<QStringList> overDatabase = {
            {QStringLiteral("--ini"), path, QStringLiteral("set-data"), path},
            {QStringLiteral("--ini"), ini, QStringLiteral("print"), QStringLiteral("daily"), QStringLiteral("--date"),
             QStringLiteral("2024-06-14"), QStringLiteral("--out"), path},
        };
        for (const QStringList& args : overDatabase) {
            p.start(exe, args);
            QVERIFY(p.waitForFinished(60000));
            QCOMPARE(p.exitCode(), 2);
            QVERIFY(QString::fromUtf8(p.readAllStandardError()).contains(QStringLiteral("データベースのファイルです")));
            QCOMPARE(test::fileHash(path), database);
        }
        p.start(exe, {QStringLiteral("check-db"), path});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 0);
    }
};

QTEST_GUILESS_MAIN(TestNewDatabase)
#include "tst_new_database.moc"
