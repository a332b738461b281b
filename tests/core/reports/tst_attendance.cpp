// The attendance rules on values (times, night hours, periods, symbols, totals), the sheet
// on positions, one golden dump of a crafted month, a real PDF and the command line.

#include "core/data/schema.h"
#include "core/data/values.h"
#include "core/reports/attendance_sheet.h"
#include "core/reports/pdf_output.h"
#include "core/reports/recording_printer.h"
#include "support/golden.h"
#include "support/temp_database.h"

#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QTest>

using namespace vorda;

namespace {

PageScale b4() {
    return PageScale{12, 2, 1.0f, 1.0f};
}

// One daily report row in plain form: the date, the times, the night flag and the actual
// staff cells by employee column.
struct ReportRow {
    const char* date;
    const char16_t* start;
    const char16_t* end;
    int night;
    std::vector<std::pair<int, const char16_t*>> cells;
};

// A firm with the marks of a new file (○ △ 1, 泊 2, ☆ ◇ ▽ 3, 休 有 4) and a few more.
struct Firm {
    explicit Firm(int closingDay, const std::vector<const char16_t*>& employees,
                  const QString& engine = QStringLiteral("file"))
        : t(engine) {
        Database db;
        if (db.open(t.path()))
            return;
        for (const char16_t* name : employees)
            db.insert(table::Employees,
                      {QStringLiteral("1"), QString::fromUtf16(name), QString(), 0, 0, 10});
        db.exec(QStringLiteral("UPDATE \"システム\" SET \"%1\" = ?")
                    .arg(db.fieldName(table::System, 1)),
                {closingDay});
        db.insert(table::StaffMarks,
                  {9, QStringLiteral("特"), QStringLiteral("特別"), QStringLiteral("特別"), 0});
        db.insert(table::StaffMarks,
                  {10, QStringLiteral(" 休 "), QStringLiteral("重複"), QStringLiteral("重複"), 4});
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
            v[rec::PlannedStaff] = QStringLiteral("休"); // the planned line counts nowhere
            db.insert(table::DailyReport, v);
        }
    }

    AttendanceSheetData read(int year, int month) {
        AttendanceSheetData data;
        const DbError e =
            readAttendanceSheet(t.path(), {year, month, QString::number(month)}, era, data);
        if (e)
            qWarning("%s", qPrintable(e.message));
        return data;
    }

    test::TempDatabase t;
    EraValues era;
};

const std::vector<const char16_t*> kFour = {u"山田", u"佐藤", u"鈴木", u"高橋"};

// The crafted month of the golden dump: closing day 25, June 2024 (26 May to 25 June).
const std::vector<ReportRow> kJune = {
    {"2024-05-25", u"08:00", u"17:00", 0, {{0, u"休"}}}, // before the period
    {"2024-05-26", u"08:00", u"17:00", 0, {{0, u"○"}, {1, u"○"}}},
    {"2024-05-26", u"08:00", u"17:00", 0, {{0, u"泊"}, {2, u"◇"}}}, // second row, same day
    {"2024-05-27", u"20:00", u"05:00", 1, {{0, u"○"}, {1, u"◇"}, {3, u"泊"}}},
    {"2024-05-27", u"08:00", u"17:00", 0, {{0, u"○"}}},
    {"2024-05-31", u"22:00", u"02:00", 1, {{1, u"○"}}},
    {"2024-05-31", u"21:00", u"23:00", 1, {{1, u"○"}}}, // two nights, one day
    {"2024-06-03", u"", u"05:00", 1, {{2, u"○"}}},
    {"2024-06-04", u"8:00", u"17:00", 1, {{2, u"休"}}}, // four characters
    {"2024-06-05", u" 8:00", u"17:00", 1, {{3, u"△"}}},
    {"2024-06-10", u"08:00", u"17:00", 0, {{2, u"休"}, {3, u"Ｘ"}, {29, u"○"}}},
    {"2024-06-11", u"08:00", u"17:00", 0, {{2, u"休"}, {3, u"特"}}},
    {"2024-06-12", u"23:00", u"24:00", 1, {{3, u"有"}}},
    {"2024-06-25", u"08:00", u"17:00", 0, {{0, u"☆"}, {2, u"▽"}}},
    {"2024-06-26", u"08:00", u"17:00", 0, {{0, u"○"}}}, // after the period
};

const RecordingPrinter::Text* textAt(const std::vector<RecordingPrinter::Text>& texts, float x,
                                     float y) {
    for (const auto& t : texts) {
        if (qFuzzyCompare(t.x, x) && qFuzzyCompare(t.y, y))
            return &t;
    }
    return nullptr;
}

QString printedAt(const std::vector<RecordingPrinter::Text>& texts, float x, float y) {
    const auto* t = textAt(texts, x, y);
    return t ? t->text : QString();
}

QList<int> totalsOf(const EmployeeAttendance& e) {
    const AttendanceTotals& t = e.totals;
    return {t.regularDays, t.nightShifts, t.nightHours,      t.overnightStays,
            t.holidayWork, t.daysOff,     t.holidayBalance()};
}

} // namespace

class TestAttendance : public QObject {
    Q_OBJECT
private slots:
    void nightHoursOfANightRow_data() {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("end");
        QTest::addColumn<int>("hours");
        QTest::newRow("20-05") << "20:00"
                               << "05:00" << 9;
        QTest::newRow("22-02") << "22:00"
                               << "02:00" << 4;
        QTest::newRow("21-23") << "21:00"
                               << "23:00" << 2;
        QTest::newRow("08-17 flagged") << "08:00"
                                       << "17:00" << 21;
        QTest::newRow("23-24") << "23:00"
                               << "24:00" << 1;
        QTest::newRow("empty start") << ""
                                     << "05:00" << 5;
        QTest::newRow("minutes ignored") << "20:45"
                                         << "05:59" << 9;
        QTest::newRow("four characters") << "8:00"
                                         << "17:00" << 5; // 0:00 to 05:00
        QTest::newRow("leading blank") << " 8:00"
                                       << "17:00" << 21;
        QTest::newRow("hour beyond 24") << "25:00"
                                        << "05:00" << 5;
        QTest::newRow("minutes beyond 59") << "20:75"
                                           << "05:00" << 5;
        QTest::newRow("not a time") << "ab:cd"
                                    << "05:00" << 5;
        QTest::newRow("until 06") << "23:00"
                                  << "06:00" << 6;
    }
    void nightHoursOfANightRow() {
        QFETCH(QString, start);
        QFETCH(QString, end);
        QFETCH(int, hours);
        QCOMPARE(nightHours(JIKANCHG(start), JIKANCHG(end)), hours);
    }

    void periods_data() {
        QTest::addColumn<int>("closingDay");
        QTest::addColumn<int>("year");
        QTest::addColumn<int>("month");
        QTest::addColumn<QDate>("start");
        QTest::addColumn<QDate>("end");
        QTest::newRow("25 of June") << 25 << 2024 << 6 << QDate(2024, 5, 26) << QDate(2024, 6, 25);
        QTest::newRow("28 days") << 10 << 2023 << 3 << QDate(2023, 2, 11) << QDate(2023, 3, 10);
        QTest::newRow("31 in November")
            << 31 << 2026 << 11 << QDate(2026, 11, 1) << QDate(2026, 11, 30);
        QTest::newRow("31 in December")
            << 31 << 2026 << 12 << QDate(2026, 12, 1) << QDate(2026, 12, 31);
        QTest::newRow("30 in March") << 30 << 2023 << 3 << QDate(2023, 3, 1) << QDate(2023, 3, 30);
        QTest::newRow("January") << 20 << 2024 << 1 << QDate(2023, 12, 21) << QDate(2024, 1, 20);
    }
    void periods() {
        QFETCH(int, closingDay);
        QFETCH(int, year);
        QFETCH(int, month);
        QFETCH(QDate, start);
        QFETCH(QDate, end);
        const Period p = monthClosingPeriod(year, month, closingDay);
        QCOMPARE(p.start, start);
        QCOMPARE(p.end, end);
    }

    void everyDayIsOnExactlyOneSheet() {
        for (int closingDay = 1; closingDay <= 31; ++closingDay) {
            QDate expected = monthClosingPeriod(2023, 1, closingDay).start;
            for (int m = 1; m <= 24; ++m) {
                const Period p = monthClosingPeriod(2023, m, closingDay);
                QVERIFY2(p.start == expected,
                         qPrintable(QStringLiteral("day %1 month %2").arg(closingDay).arg(m)));
                QVERIFY(p.end >= p.start);
                expected = p.end.addDays(1);
            }
        }
    }

    void periodOfTheSettings_data() { test::engineRows(); }
    void periodOfTheSettings() {
        QFETCH(QString, engine);
        Firm f(25, kFour, engine);
        VORDA_READY(f.t);
        Period p;
        QVERIFY(!HANIDTSYU(f.t.path(), 2024, 6, p));
        QCOMPARE(p.start, QDate(2024, 5, 26));
        Database db;
        VORDA_OPEN(db, f.t.path());
        QVERIFY(!db.exec(QStringLiteral("DELETE FROM \"システム\"")));
        QVERIFY(!HANIDTSYU(db, 2024, 6, p));
        QCOMPARE(p.start, QDate(2024, 6, 1)); // no row: the month's end
        QCOMPARE(p.end, QDate(2024, 6, 30));
        // An empty closing day, or one no month has, closes at the month's end.
        QVariantList settings(sys::FieldCount);
        QCOMPARE(attendanceClosingDay(settings), 31);
        for (const auto& [stored, day] : {std::pair{0, 31}, {40, 31}, {-3, 31}, {1, 1}, {25, 25}}) {
            settings[sys::AttendanceClosingDay] = stored;
            QCOMPARE(attendanceClosingDay(settings), day);
        }
    }

    void cellsAndTotals_data() { test::engineRows(); }
    void cellsAndTotals() {
        QFETCH(QString, engine);
        Firm f(25, kFour, engine);
        VORDA_READY(f.t);
        f.store(kJune);
        const AttendanceSheetData d = f.read(2024, 6);
        QCOMPARE(d.reportRows, 13); // the rows before and after the period are not read
        QCOMPARE(int(d.dates.size()), 31);
        QCOMPARE(int(d.employees.size()), kAttendanceColumns);
        const auto& e = d.employees;
        // Two day rows of one day: only the first character counts.
        QCOMPARE(e[0].cells[0], QStringLiteral("○"));
        // A day row and a night row of one day.
        QCOMPARE(e[0].cells[1], QStringLiteral("○●"));
        QCOMPARE(e[0].cells[30], QStringLiteral("◇"));
        QCOMPARE(totalsOf(e[0]), QList<int>({2, 1, 9, 0, 1, 0, 1}));
        // Kind 3 by night shows ◆; two night rows of one day add their hours twice.
        QCOMPARE(e[1].cells[1], QStringLiteral("◆"));
        QCOMPARE(e[1].cells[5], QStringLiteral("●"));
        QCOMPARE(totalsOf(e[1]), QList<int>({1, 1, 9 + 4 + 2, 0, 1, 0, 1}));
        // Three days off against two holiday works: −1; a duplicated mark counts a day once.
        QCOMPARE(e[2].cells[15], QStringLiteral("休"));
        QCOMPARE(totalsOf(e[2]), QList<int>({0, 1, 5 + 5, 0, 2, 3, -1}));
        QCOMPARE(holidayBalanceFigure(e[2].totals.holidayBalance()), QStringLiteral(" -1"));
        // An unregistered mark prints as collected; a mark of no kind shows ？; neither counts.
        QCOMPARE(e[3].cells[15], QStringLiteral("Ｘ"));
        QCOMPARE(e[3].cells[16], QStringLiteral("？"));
        QCOMPARE(e[3].cells[1], QStringLiteral("泊"));
        QCOMPARE(totalsOf(e[3]), QList<int>({0, 1, 9 + 21 + 1, 1, 0, 1, -1}));
        QCOMPARE(e[29].cells[15], QStringLiteral("○"));
        for (const QString& c : e[30].cells)
            QVERIFY(c.isEmpty());
    }

    void printedFigures() {
        QCOMPARE(attendanceFigure(0), QString());
        QCOMPARE(attendanceFigure(7), QStringLiteral(" 7"));
        QCOMPARE(attendanceFigure(23), QStringLiteral("23"));
        QCOMPARE(attendanceFigure(123), QStringLiteral("123"));
        QCOMPARE(holidayBalanceFigure(0), QString());
        QCOMPARE(holidayBalanceFigure(5), QStringLiteral("  5"));
        QCOMPARE(holidayBalanceFigure(-12), QStringLiteral("-12"));
        QCOMPARE(holidayBalanceFigure(-123), QStringLiteral("-123"));
    }

    void sheetOfATwentyEightDayPeriod_data() { test::engineRows(); }
    void sheetOfATwentyEightDayPeriod() {
        QFETCH(QString, engine);
        Firm f(10, kFour, engine);
        VORDA_READY(f.t);
        std::vector<ReportRow> rows;
        // 5 × 21 + 2 × 9 = 123 night hours for 佐藤, each row its own day.
        for (const char* date :
             {"2023-02-11", "2023-02-12", "2023-02-13", "2023-02-14", "2023-02-15"})
            rows.push_back({date, u"08:00", u"17:00", 1, {{1, u"○"}}});
        for (const char* date : {"2023-02-16", "2023-02-17"})
            rows.push_back({date, u"20:00", u"05:00", 1, {{1, u"○"}}});
        rows.push_back({"2023-03-10", u"08:00", u"17:00", 0, {{0, u"○"}}});
        rows.push_back({"2023-03-10", u"08:00", u"17:00", 1, {{0, u"泊"}}});
        f.store(rows);
        const AttendanceSheetData d = f.read(2023, 3);
        RecordingPrinter p;
        QList<int> steps;
        drawAttendanceSheet(p, b4(), d, [&](int s) { steps << s; });
        const auto texts = p.texts();
        QCOMPARE(printedAt(texts, 1000, 500), QStringLiteral("令和   5 年  3 月度 出 勤 表"));
        QVERIFY(textAt(texts, 1000, 500)->underline);
        QCOMPARE(textAt(texts, 1000, 500)->size, 24.0f);
        QCOMPARE(printedAt(texts, 10000, 700),
                 QStringLiteral("( 令和  5 年  2 月 11 日 )  ～ ( 令和  5 年  3 月 10 日 )"));
        QCOMPARE(printedAt(texts, 2150, 1700), QStringLiteral("11"));
        QCOMPARE(printedAt(texts, 2150, 2200), QStringLiteral("土"));
        QCOMPARE(printedAt(texts, 2150 + 450 * 18, 1700), QStringLiteral(" 1"));
        QCOMPARE(printedAt(texts, 2150 + 450 * 27, 1700), QStringLiteral("10"));
        QCOMPARE(printedAt(texts, 2150 + 450 * 27, 2200), QStringLiteral("金"));
        for (int i = 28; i < 31; ++i) {
            QVERIFY(!textAt(texts, 2150 + 450 * i, 1700));
            QVERIFY(!textAt(texts, 2150 + 450 * i, 2200));
        }
        // One character in the middle of its day, two from 140 further left.
        QCOMPARE(printedAt(texts, 2150, 2550 + 350), QStringLiteral("●"));
        QCOMPARE(printedAt(texts, 2010 + 450 * 27, 2550), QStringLiteral("○泊"));
        QCOMPARE(printedAt(texts, 1100, 2600 + 350), QStringLiteral("佐藤"));
        // 123 night hours print whole, inside the column of 時間.
        const auto* hours = textAt(texts, 17100, 2550 + 350);
        QVERIFY(hours);
        QCOMPARE(hours->text, QStringLiteral("123"));
        QVERIFY(17100 + printTextWidth(hours->text, hours->size) <= 17450);
        QCOMPARE(printedAt(texts, 16600, 2550 + 350), QStringLiteral(" 7"));
        QCOMPARE(printedAt(texts, 16100, 2550), QStringLiteral(" 1"));
        QCOMPARE(printedAt(texts, 17600, 2550), QStringLiteral(" 1"));
        // Employees without rows: the name, nothing else; the rows hold 30 names.
        QCOMPARE(printedAt(texts, 1100, 2600 + 350 * 3), QStringLiteral("高橋"));
        for (int k = 0; k < 7; ++k)
            QVERIFY(!textAt(texts, 16100 + 500 * k, 2550 + 350 * 3));
        QCOMPARE(steps.last(), 0);
        QCOMPARE(steps[steps.size() - 2], kAttendanceProgressMax);
        QCOMPARE(steps.first(), kAttendanceReadSteps + 1);
    }

    void longTextsStayInTheirCells() {
        AttendanceSheetData d;
        d.period = monthClosingPeriod(2024, 6, 31);
        for (int i = 0; i < 30; ++i)
            d.dates.push_back(d.period.start.addDays(i));
        // Names too long for a line go onto two, whole, clear of the name column's 5-dot rule.
        const QStringList names = {"長谷川右衛門三郎", "ジョンソンスミス", "長谷川一郎", "佐藤"};
        for (int e = 0; e < names.size(); ++e)
            d.names[std::size_t(e)] = names[e];
        d.employees.resize(kAttendanceColumns);
        d.employees[0].cells = QStringList(30, QString());
        d.employees[0].cells[0] = QStringLiteral("ＸＹＺＷＶ");
        d.employees[0].totals.holidayWork = 1234;
        // A long era name: the title stays left of the period, the period on the sheet.
        const EraValues era{QStringLiteral("令和平成昭和大正明治令和"), 2018};
        d.title = attendanceTitle(era, 2024, QStringLiteral("6"));
        d.periodLine = attendancePeriodLine(era, d.period);
        RecordingPrinter p;
        drawAttendanceSheet(p, PageScale{12, 2, 1.0f, 1.0f, QDate(2026, 12, 8)}, d);
        QStringList shown(names.size());
        for (const auto& t : p.texts()) {
            const double right = t.x + printTextWidth(t.text, t.size);
            if (qFuzzyCompare(t.y, 2550.0f) && t.x < 2450)
                QVERIFY2(right <= 2450, qPrintable(t.text)); // not over the next day
            if (qFuzzyCompare(t.x, 1100.0f) && t.y > 2500 && t.y < 2500 + 350 * names.size()) {
                const int row = (int(t.y) - 2500) / 350;
                shown[row] += t.text;
                QVERIFY2(right <= 2000 - 12, qPrintable(t.text));
                QVERIFY2(t.y + t.size * 20 <= 2500 + 350 * (row + 1) - 2.4, qPrintable(t.text));
                QVERIFY2(t.size >= 6.0f, qPrintable(t.text));
            }
            if (qFuzzyCompare(t.y, 2550.0f) && t.x > 18000 && t.x < 18450) {
                QCOMPARE(t.text, QStringLiteral("1234"));
                QVERIFY(right <= 18450.5);
            }
        }
        QCOMPARE(shown, names);
        int headers = 0;
        for (const auto& t : p.texts()) {
            const double right = t.x + printTextWidth(t.text, t.size);
            if (t.text == d.title || t.text == d.periodLine) {
                ++headers;
                QVERIFY2(right <= (t.text == d.title ? 9800 : 20150.5), qPrintable(t.text));
            }
        }
        QCOMPARE(headers, 2);
        // The print date below the grid at its right; one sheet, so no "1 / 1".
        const auto texts = p.texts();
        const auto date = std::find_if(texts.begin(), texts.end(), [](const auto& t) {
            return t.text.startsWith(QStringLiteral("印刷日"));
        });
        QVERIFY(date != texts.end());
        QCOMPARE(date->text, QStringLiteral("印刷日 2026/12/08"));
        QVERIFY(date->y > 13000 && date->x + printTextWidth(date->text, date->size) <= 20150.5);
        QCOMPARE(date->size, 8.0f);
    }

    void wholeSheetMatchesTheGoldenDump_data() { test::engineRows(); }
    void wholeSheetMatchesTheGoldenDump() {
        QFETCH(QString, engine);
        Firm f(25, kFour, engine);
        VORDA_READY(f.t);
        f.store(kJune);
        RecordingPrinter p;
        drawAttendanceSheet(p, b4(), f.read(2024, 6));
        const QStringList dump = p.dump();
        VORDA_COMPARE_GOLDEN(dump, QStringLiteral(VORDA_GOLDEN_DIR "/attendance.txt"));
    }

    void commandLineWritesAPdfThatReadsBack_data() { test::engineRows(); }
    void commandLineWritesAPdfThatReadsBack() {
        QFETCH(QString, engine);
        test::TempDatabase t(engine, true, QDate(2024, 6, 14));
        VORDA_READY(t);
        const QString exe = qEnvironmentVariable("VORDA_EXE");
        const QString ini = t.filePath(QStringLiteral("vorda.INI"));
        QProcess set;
        set.start(exe, {QStringLiteral("--ini"), ini, QStringLiteral("set-data"), t.path()});
        QVERIFY(set.waitForFinished(20000));
        QCOMPARE(set.exitCode(), 0);
        const QString pdf = t.filePath(QStringLiteral("出勤表.pdf"));
        auto run = [&](const QString& month) {
            QProcess p;
            p.start(exe,
                    {QStringLiteral("--ini"), ini, QStringLiteral("print"),
                     QStringLiteral("attendance"), QStringLiteral("--year"), QStringLiteral("2024"),
                     QStringLiteral("--month"), month, QStringLiteral("--out"), pdf});
            p.waitForFinished(20000);
            return std::make_pair(p.exitCode(), QString::fromUtf8(p.readAllStandardError()));
        };
        const auto bad = run(QStringLiteral("六"));
        QCOMPARE(bad.first, 2);
        QVERIFY(bad.second.contains(QStringLiteral("年月に誤りがあります。")));
        QVERIFY(!QFile::exists(pdf));
        QCOMPARE(run(QStringLiteral("6")).first, 0);
        QProcess text;
        text.start(QStringLiteral("pdftotext"),
                   {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
        QVERIFY(text.waitForFinished(20000));
        const QString content = QString::fromUtf8(text.readAllStandardOutput());
        QVERIFY2(content.contains(QStringLiteral("6 月度 出 勤 表")),
                 qPrintable(content.left(400)));
        QVERIFY(content.contains(QStringLiteral("作業者")));
        QVERIFY(content.contains(QStringLiteral("山田")));
        QVERIFY(content.contains(QStringLiteral("○=出勤")));
    }
};

QTEST_MAIN(TestAttendance)
#include "tst_attendance.moc"
