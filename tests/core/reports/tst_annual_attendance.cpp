// The annual attendance per employee: the business year's closing periods, the year against
// twelve monthly attendance sheets, who gets a sheet, one golden dump of a crafted year, a real
// PDF and the command line.

#include "core/data/schema.h"
#include "core/data/values.h"
#include "core/reports/annual_attendance.h"
#include "core/reports/attendance_sheet.h"
#include "core/reports/recording_printer.h"
#include "support/golden.h"
#include "support/temp_database.h"

#include <QFile>
#include <QProcess>
#include <QTest>

using namespace vorda;

namespace {

QVariantList settingsWith(const QVariant& closingDay, const QVariant& yearEnd) {
    QVariantList v(sys::FieldCount);
    v[sys::AttendanceClosingDay] = closingDay;
    v[sys::YearEnd] = yearEnd;
    return v;
}

struct ReportRow {
    const char* date;
    const char16_t* start;
    const char16_t* end;
    int night;
    std::vector<std::pair<int, const char16_t*>> cells;
};

// A firm of a new file (marks ○ △ 1, 泊 2, ☆ ◇ ▽ 3, 休 有 4) with the employees given, codes
// "E01", "E02", …, the attendance closing day and the year-end set.
struct Firm {
    Firm(int closingDay, const QString& yearEnd, const std::vector<const char16_t*>& employees,
         const QString& engine = QStringLiteral("file"))
        : t(engine) {
        Database db;
        if (db.open(t.path()))
            return;
        int code = 0;
        for (const char16_t* name : employees)
            db.insert(table::Employees,
                      {QStringLiteral("E%1").arg(++code, 2, 10, QLatin1Char('0')),
                       QString::fromUtf16(name), QStringLiteral("太郎"), 0, 0, 10});
        db.exec(QStringLiteral("UPDATE \"システム\" SET \"%1\" = ?, \"%2\" = ?")
                    .arg(db.fieldName(table::System, sys::AttendanceClosingDay),
                         db.fieldName(table::System, sys::YearEnd)),
                {closingDay, yearEnd});
    }

    void store(const std::vector<ReportRow>& rows) {
        Database db;
        if (db.open(t.path()))
            return;
        for (const ReportRow& r : rows) {
            QVariantList v(rec::FieldCount, QString());
            v[rec::Rec] = QVariant();
            v[rec::Date] = QString::fromLatin1(r.date);
            v[rec::JobName] = QStringLiteral("現場");
            v[rec::StartTime] = QString::fromUtf16(r.start);
            v[rec::EndTime] = QString::fromUtf16(r.end);
            v[rec::Night] = r.night;
            for (const auto& [column, mark] : r.cells)
                v[rec::ActualStaff + column] = QString::fromUtf16(mark);
            db.insert(table::DailyReport, v);
        }
    }

    AnnualAttendanceData read(int year, std::optional<QString> code = std::nullopt) {
        AnnualAttendanceData data;
        const DbError e = readAnnualAttendance(t.path(), {year, code, std::nullopt}, era, data);
        if (e)
            qWarning("%s", qPrintable(e.message));
        return data;
    }

    test::TempDatabase t;
    EraValues era;
};

const std::vector<const char16_t*> kThree = {u"山田", u"佐藤", u"鈴木"};

// The crafted business year of the golden dump: closing day 20 and year-end 3/31, so the
// business year 2024 runs from 21 March 2023 (first day of the April 2023 period) to 20 March
// 2024 (last day of the March 2024 period). 山田 (E01) has:
//   2023-03-20 ○ by day: the last day of the year before, not on the sheet;
//   2023-03-21 ○ by day: the first day of the year, day 21 of the April period;
//   2023-04-20 ○ on a night row 20:00-05:00: the April period's last day, night, 9 hours;
//   2023-08-15 休 and 2023-08-16 ◇ by day: the August period, a day off and holiday work;
//   2023-12-31 ◇ on a night row 22:00-02:00: "◆", 4 hours, in the January 2024 period;
//   2024-02-29 泊 by day: the leap day, in the March period;
//   2024-03-20 ○ by day and ○ on a night row 21:00-23:00: "○●", 2 hours, the year's last day;
//   2024-03-21 ○ by day: the next year.
// 佐藤 (E02) works only on 2023-03-20 (no sheet for 全員); 鈴木 (E03) on 2023-06-01 ○.
// Year totals of 山田: 通常 2, 夜 2, 時間 15, 泊 1, 休出 2, 休 1, 休残 1.
const std::vector<ReportRow> kYear = {
    {"2023-03-20", u"08:00", u"17:00", 0, {{0, u"○"}, {1, u"○"}}},
    {"2023-03-21", u"08:00", u"17:00", 0, {{0, u"○"}}},
    {"2023-04-20", u"20:00", u"05:00", 1, {{0, u"○"}}},
    {"2023-06-01", u"08:00", u"17:00", 0, {{2, u"○"}}},
    {"2023-08-15", u"08:00", u"17:00", 0, {{0, u"休"}}},
    {"2023-08-16", u"08:00", u"17:00", 0, {{0, u"◇"}}},
    {"2023-12-31", u"22:00", u"02:00", 1, {{0, u"◇"}}},
    {"2024-02-29", u"08:00", u"17:00", 0, {{0, u"泊"}}},
    {"2024-03-20", u"08:00", u"17:00", 0, {{0, u"○"}}},
    {"2024-03-20", u"21:00", u"23:00", 1, {{0, u"○"}}},
    {"2024-03-21", u"08:00", u"17:00", 0, {{0, u"○"}}},
};

QList<int> totalsOf(const AttendanceTotals& t) {
    return {t.regularDays, t.nightShifts, t.nightHours,      t.overnightStays,
            t.holidayWork, t.daysOff,     t.holidayBalance()};
}

} // namespace

class TestAnnualAttendance : public QObject {
    Q_OBJECT
private slots:
    void periodsOfTheYear_data() {
        QTest::addColumn<QVariant>("closingDay");
        QTest::addColumn<QVariant>("yearEnd");
        QTest::addColumn<int>("year");
        QTest::addColumn<QString>("firstMonth"); // the closing month of the first period
        QTest::addColumn<QDate>("first");
        QTest::addColumn<QDate>("last");
        // Without values: calendar months of the calendar year.
        QTest::newRow("none") << QVariant() << QVariant() << 2024 << "2024/1" << QDate(2024, 1, 1)
                              << QDate(2024, 12, 31);
        QTest::newRow("not a day") << QVariant(31) << QVariant("3/") << 2024 << "2024/1"
                                   << QDate(2024, 1, 1) << QDate(2024, 12, 31);
        QTest::newRow("20, 3/31") << QVariant(20) << QVariant("3/31") << 2024 << "2023/4"
                                  << QDate(2023, 3, 21) << QDate(2024, 3, 20);
        // The March period ends on 25 March, after the year-end: it opens the next year.
        QTest::newRow("25, 3/20") << QVariant(25) << QVariant("3/20") << 2024 << "2023/3"
                                  << QDate(2023, 2, 26) << QDate(2024, 2, 25);
        QTest::newRow("20, 3/20") << QVariant(20) << QVariant("3/20") << 2024 << "2023/4"
                                  << QDate(2023, 3, 21) << QDate(2024, 3, 20);
        // 2/28 means the end of February: the leap day stays in its year.
        QTest::newRow("29, 2/28 leap") << QVariant(29) << QVariant("2/28") << 2024 << "2023/3"
                                       << QDate(2023, 3, 1) << QDate(2024, 2, 29);
        QTest::newRow("31, 2/29 common") << QVariant(31) << QVariant("2/29") << 2023 << "2022/3"
                                         << QDate(2022, 3, 1) << QDate(2023, 2, 28);
        QTest::newRow("10, 6/5") << QVariant(10) << QVariant("6/5") << 2024 << "2023/6"
                                 << QDate(2023, 5, 11) << QDate(2024, 5, 10);
    }
    void periodsOfTheYear() {
        QFETCH(QVariant, closingDay);
        QFETCH(QVariant, yearEnd);
        QFETCH(int, year);
        QFETCH(QString, firstMonth);
        QFETCH(QDate, first);
        QFETCH(QDate, last);
        const QVariantList settings = settingsWith(closingDay, yearEnd);
        const BusinessYear y = businessYear(settings, year);
        QCOMPARE(int(y.months.size()), 12);
        QCOMPARE(QStringLiteral("%1/%2").arg(y.months[0].year).arg(y.months[0].month), firstMonth);
        QCOMPARE(y.first, first);
        QCOMPARE(y.months.back().period.end, last);
        // Every day of eleven years lies in exactly one period of one business year, and each
        // period ends within its year.
        QDate next;
        for (int k = year - 5; k <= year + 5; ++k) {
            const BusinessYear b = businessYear(settings, k);
            const BusinessYear before = businessYear(settings, k - 1);
            QVERIFY(!next.isValid() || b.first == next);
            for (const ClosingMonth& m : b.months) {
                QCOMPARE(m.period.start, next.isValid() ? next : b.first);
                QVERIFY2(m.period.end <= b.end && m.period.end > before.end,
                         qPrintable(m.period.end.toString(Qt::ISODate)));
                QCOMPARE(m.period.start, HANIDTSYU(settings, m.year, m.month).start);
                next = m.period.end.addDays(1);
            }
        }
    }

    void yearEqualsTheTwelveMonthlySheets_data() { test::engineRows(); }
    void yearEqualsTheTwelveMonthlySheets() {
        QFETCH(QString, engine);
        Firm f(20, QStringLiteral("3/31"), kThree, engine);
        VORDA_READY(f.t);
        f.store(kYear);
        const AnnualAttendanceData year = f.read(2024);
        QCOMPARE(int(year.sheets.size()), 2); // 佐藤 works only in the year before
        QCOMPARE(year.sheets[0].surname, QStringLiteral("山田"));
        QCOMPARE(year.sheets[1].surname, QStringLiteral("鈴木"));
        for (const AnnualSheet& sheet : year.sheets) {
            AttendanceTotals sum;
            QCOMPARE(int(sheet.rows.size()), 12);
            for (const AnnualPeriodRow& row : sheet.rows) {
                AttendanceSheetData month;
                EraValues era;
                const MonthRequest request{row.month.year, row.month.month,
                                           QString::number(row.month.month)};
                QVERIFY(!readAttendanceSheet(f.t.path(), request, era, month));
                QCOMPARE(month.period.start, row.month.period.start);
                const EmployeeAttendance& e = month.employees[std::size_t(sheet.column)];
                QCOMPARE(totalsOf(row.totals), totalsOf(e.totals));
                for (int i = 0; i < e.cells.size(); ++i)
                    QCOMPARE(row.dayCells[month.dates[std::size_t(i)].day() - 1], e.cells[i]);
                sum.regularDays += e.totals.regularDays;
                sum.nightShifts += e.totals.nightShifts;
                sum.nightHours += e.totals.nightHours;
                sum.overnightStays += e.totals.overnightStays;
                sum.holidayWork += e.totals.holidayWork;
                sum.daysOff += e.totals.daysOff;
            }
            QCOMPARE(totalsOf(sheet.total), totalsOf(sum));
        }
        QCOMPARE(totalsOf(year.sheets[0].total), (QList<int>{2, 2, 15, 1, 2, 1, 1}));
        // The first and last days of the year, by day of month.
        QCOMPARE(year.sheets[0].rows[0].dayCells[20], QStringLiteral("○"));
        QCOMPARE(year.sheets[0].rows[0].dayCells[19], QStringLiteral("●"));
        QCOMPARE(year.sheets[0].rows[11].dayCells[19], QStringLiteral("○●"));
        QCOMPARE(year.sheets[0].rows[11].dayCells[28], QStringLiteral("泊"));
    }

    void whoGetsASheet_data() { test::engineRows(); }
    void whoGetsASheet() {
        QFETCH(QString, engine);
        Firm f(20, QStringLiteral("3/31"), kThree, engine);
        VORDA_READY(f.t);
        f.store(kYear);
        // One employee by code, also one without rows in the year.
        const AnnualAttendanceData sato = f.read(2024, QStringLiteral("E02"));
        QCOMPARE(int(sato.sheets.size()), 1);
        QVERIFY(!sato.sheets[0].hasRows);
        QCOMPARE(totalsOf(sato.sheets[0].total), (QList<int>{0, 0, 0, 0, 0, 0, 0}));
        // 佐藤 has a sheet for the year before, in which his one day lies.
        const AnnualAttendanceData before = f.read(2023);
        QCOMPARE(int(before.sheets.size()), 2);
        QCOMPARE(before.sheets[1].surname, QStringLiteral("佐藤"));
        QVERIFY(f.read(2030).sheets.empty());
        AnnualAttendanceData none;
        const DbError e = readAnnualAttendance(
            f.t.path(), {2024, QStringLiteral("E99"), std::nullopt}, f.era, none);
        QVERIFY(e);
        QCOMPARE(e.message, unknownEmployeeMessage(QStringLiteral("E99")));
        // Drawing the chosen employees: one job per sheet, each with its page mark.
        RecordingPrinter p;
        drawAnnualAttendance(p, PageScale{12, 2, 1.0f, 1.0f}, f.read(2024));
        int ends = 0;
        for (const QString& line : p.dump())
            ends += line.startsWith(QStringLiteral("end_document"));
        QCOMPARE(ends, 2);
    }

    void wholeSheetMatchesTheGoldenDump_data() { test::engineRows(); }
    void wholeSheetMatchesTheGoldenDump() {
        QFETCH(QString, engine);
        Firm f(20, QStringLiteral("3/31"), kThree, engine);
        VORDA_READY(f.t);
        f.store(kYear);
        RecordingPrinter p;
        drawAnnualAttendance(p, PageScale{12, 2, 1.0f, 1.0f, QDate(2024, 4, 5)},
                             f.read(2024, QStringLiteral("E01")));
        VORDA_COMPARE_GOLDEN(p.dump(), QStringLiteral(VORDA_GOLDEN_DIR "/annual_attendance.txt"));
    }

    void commandLinePrintsAndExportsTheYear_data() { test::engineRows(); }
    void commandLinePrintsAndExportsTheYear() {
        QFETCH(QString, engine);
        Firm f(20, QStringLiteral("3/31"), kThree, engine);
        VORDA_READY(f.t);
        f.store(kYear);
        const QString exe = qEnvironmentVariable("VORDA_EXE");
        const QString ini = f.t.filePath(QStringLiteral("vorda.INI"));
        auto run = [&](QStringList args) {
            QProcess p;
            p.start(exe, QStringList{QStringLiteral("--ini"), ini} + args);
            p.waitForFinished(20000);
            return std::make_pair(p.exitCode(), QString::fromUtf8(p.readAllStandardError()));
        };
        QCOMPARE(run({QStringLiteral("set-data"), f.t.path()}).first, 0);
        const QString pdf = f.t.filePath(QStringLiteral("年間.pdf"));
        const auto bad =
            run({QStringLiteral("print"), QStringLiteral("annual"), QStringLiteral("--year"),
                 QStringLiteral("24"), QStringLiteral("--out"), pdf});
        QCOMPARE(bad.first, 2);
        QVERIFY(!QFile::exists(pdf));
        const auto unknown =
            run({QStringLiteral("print"), QStringLiteral("annual"), QStringLiteral("--year"),
                 QStringLiteral("2024"), QStringLiteral("--employee"), QStringLiteral("E99"),
                 QStringLiteral("--out"), pdf});
        QCOMPARE(unknown.first, 1);
        QVERIFY(unknown.second.contains(QStringLiteral("E99")));
        const auto empty =
            run({QStringLiteral("print"), QStringLiteral("annual"), QStringLiteral("--year"),
                 QStringLiteral("2030"), QStringLiteral("--out"), pdf});
        QCOMPARE(empty.first, 1);
        QVERIFY(empty.second.contains(QStringLiteral("出勤データがありません")));
        QVERIFY(!QFile::exists(pdf));
        const auto good =
            run({QStringLiteral("print"), QStringLiteral("annual"), QStringLiteral("--year"),
                 QStringLiteral("2024"), QStringLiteral("--out"), pdf});
        QVERIFY2(good.first == 0, qPrintable(good.second));
        QProcess text;
        text.start(QStringLiteral("pdftotext"),
                   {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
        QVERIFY(text.waitForFinished(20000));
        const QString content = QString::fromUtf8(text.readAllStandardOutput());
        QVERIFY2(content.contains(QStringLiteral("個人別年間出勤表")),
                 qPrintable(content.left(600)));
        QVERIFY(content.contains(QStringLiteral("社員コード E01")));
        QVERIFY(content.contains(QStringLiteral("社員コード E03")));
        QVERIFY(!content.contains(QStringLiteral("社員コード E02")));
        QVERIFY(content.contains(QStringLiteral("2023年 4月度")));
        QVERIFY(content.contains(QStringLiteral("年 間 計")));
        QVERIFY(content.contains(QStringLiteral("○=出勤")));
        QCOMPARE(content.count(u'\f'), 2); // two sheets

        const QString csv = f.t.filePath(QStringLiteral("年間.csv"));
        const auto exported =
            run({QStringLiteral("export"), QStringLiteral("annual"), QStringLiteral("--year"),
                 QStringLiteral("2024"), QStringLiteral("--employee"), QStringLiteral("E01"),
                 QStringLiteral("--out"), csv, QStringLiteral("--utf8")});
        QVERIFY2(exported.first == 0, qPrintable(exported.second));
        QFile in(csv);
        QVERIFY(in.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(in.readAll().mid(3))
                                      .split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 1 + 12 + 1);
        QVERIFY(lines[1].startsWith(
            QStringLiteral("E01,山田,太郎,2023/04,2023-03-21,2023-04-20,1,1,9,")));
        QVERIFY(lines[13].startsWith(
            QStringLiteral("E01,山田,太郎,年間計,2023-03-21,2024-03-20,2,2,15,1,2,1,1")));
    }
};

QTEST_MAIN(TestAnnualAttendance)
#include "tst_annual_attendance.moc"
