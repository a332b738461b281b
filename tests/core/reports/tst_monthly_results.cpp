// The monthly operation results: the closing period, the tallies and columns on values, the
// sheet's positions, pages across projects and columns, one golden dump and a real PDF.

#include "core/app/app_state.h"
#include "core/data/schema.h"
#include "core/data/values.h"
#include "core/reports/attendance_rules.h"
#include "core/reports/monthly_results.h"
#include "core/reports/pdf_output.h"
#include "core/reports/recording_printer.h"
#include "support/files.h"
#include "support/golden.h"
#include "support/temp_database.h"

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace vorda;
using test::printedAt;

namespace {

PageScale b4() {
    return PageScale{12, 2, 1.0f, 1.0f};
}

// What a daily report row holds beside its staff cells: guards by day and night (fields 69,
// 70), the night flag (97), the extra column (100) and spot workers (102).
struct Counts {
    int guardDay, guardNight, night, other, spot;
};

struct Month {
    explicit Month(const QString& engine = QStringLiteral("file")) : t(engine) {
        if (!t.ok() || db.open(t.path()) ||
            (!t.onServer() && db.exec(QStringLiteral("PRAGMA synchronous = OFF"))))
            return;
        for (const char16_t* v : {u"2tダンプ", u"ユニック", u"散水車"})
            db.insert(table::Vehicles, {QStringLiteral("1"), QString::fromUtf16(v)});
    }
    bool ok() const { return db.isOpen(); }

    void closingDay(const QVariant& day) { db.update(table::System, 1, {day}); }
    void exec(const QString& sql) { db.exec(sql); }
    void project(int number, const QString& name) { db.insert(table::Projects, {number, name}); }
    void mark(const QString& text, const QString& caption) {
        db.insert(table::StaffMarks, {99, text, QString(), caption, 1});
    }
    void printTitle(const QString& title) {
        QVariantList trade(trade::FieldCount, QStringLiteral(""));
        trade[1] = title;
        db.update(table::TradeName, 1, trade);
    }
    // One row in plain form: only what the sheet reads; vehicles from column 0.
    void add(QDate date, int job, const QStringList& staff, Counts n = {0, 0, 0, 0, 0},
             const QList<int>& vehicles = {}) {
        QVariantList v(rec::FieldCount);
        v[rec::Date] = toDbDate(date);
        v[rec::JobNumber] = job;
        v[rec::JobName] = QStringLiteral("工事");
        for (int c = 0; c < staff.size(); ++c)
            v[rec::ActualStaff + c] = staff[c];
        for (int k = 0; k < vehicles.size(); ++k)
            v[rec::ActualVehicle + k] = vehicles[k];
        v[rec::ActualGuardDay] = n.guardDay;
        v[rec::ActualGuardNight] = n.guardNight;
        v[rec::Night] = n.night;
        v[rec::ExtraActual] = QString::number(n.other);
        v[rec::SpotActual] = QString::number(n.spot);
        if (DbError e = db.insert(table::DailyReport, v))
            error = e.message;
    }

    MonthlyResultsData read(int year, int month) {
        MonthlyResultsData data;
        const DbError e =
            readMonthlyResults(t.path(), {year, month, QString::number(month)}, era, data);
        error = e.message;
        return data;
    }

    test::TempDatabase t;
    Database db;
    EraValues era;
    QString error;
};

// The crafted month of the golden dump (described for reviewers outside the tree): closing
// day 20, November 2026, so 21 October to 20 November.
void craftedMonth(Month& m) {
    m.closingDay(20);
    m.printTitle(QStringLiteral("北斗建設"));
    m.mark(QString(), QStringLiteral("空き"));            // an empty mark is never counted
    m.mark(QStringLiteral(" ○"), QStringLiteral("応援")); // ○ listed twice
    m.project(101, QStringLiteral("県道舗装補修工事"));
    m.project(205, QStringLiteral("駅前広場整備工事"));
    m.project(101, QStringLiteral("県道八王子線舗装補修工事")); // the later row names 101
    const QString o = QStringLiteral("○");
    const QString stay = QStringLiteral("泊");
    // clang-format off
    //    date                 job  staff cells (37..)     {guards day, night, flag, other, spot}  vehicles
    m.add(QDate(2026, 10, 20), 101, {o, o, o},                  {0, 0, 0, 0, 9}); // before
    m.add(QDate(2026, 10, 21), 205, {o, o, stay},               {0, 2, 1, 0, 2},    {1});
    m.add(QDate(2026, 10, 22), 101, {o, "△", "", " "},          {0, 0, 0, 0, 1},    {0, 2});
    m.add(QDate(2026, 11, 5),  101, {o, "☆"},                   {0, 0, 2, 0, 3},    {1});
    m.add(QDate(2026, 11, 6),  300, {o},                        {0, 0, 0, 1234, 0});
    m.add(QDate(2026, 11, 20), 205, {" 泊 ", o},                {0, 1, 1, 2, 0});
    m.add(QDate(2026, 11, 21), 205, {o},                        {5, 0, 0, 0, 0}); // after
    // clang-format on
}

QStringList headings(const MonthlyResultsData& d) {
    QStringList h;
    for (const MonthlyColumn& c : d.columns)
        h << c.heading;
    return h;
}

QList<qint64> valuesOf(const MonthlyResultsData& d, const QString& heading) {
    for (const MonthlyColumn& c : d.columns) {
        if (c.heading == heading)
            return QList<qint64>(c.values.begin(), c.values.end());
    }
    return {};
}

} // namespace

class TestMonthlyResults : public QObject {
    Q_OBJECT
private slots:
    void closingPeriod_data() {
        test::addEngineColumn();
        QTest::addColumn<QVariant>("closingDay"); // invalid: no settings row
        QTest::addColumn<int>("year");
        QTest::addColumn<int>("month");
        QTest::addColumn<QDate>("start");
        QTest::addColumn<QDate>("end");
        for (const char* engine : test::kEngines) {
            test::engineRow(engine, "day 20, March")
                << QVariant(20) << 2026 << 3 << QDate(2026, 2, 21) << QDate(2026, 3, 20);
            test::engineRow(engine, "day 20, January")
                << QVariant(20) << 2026 << 1 << QDate(2025, 12, 21) << QDate(2026, 1, 20);
            test::engineRow(engine, "day 31, April closes on the 30th")
                << QVariant(31) << 2026 << 4 << QDate(2026, 4, 1) << QDate(2026, 4, 30);
            test::engineRow(engine, "day 31, May starts on the 1st")
                << QVariant(31) << 2026 << 5 << QDate(2026, 5, 1) << QDate(2026, 5, 31);
            test::engineRow(engine, "day 31, December")
                << QVariant(31) << 2026 << 12 << QDate(2026, 12, 1) << QDate(2026, 12, 31);
            test::engineRow(engine, "day 30, March, leap")
                << QVariant(30) << 2024 << 3 << QDate(2024, 3, 1) << QDate(2024, 3, 30);
            test::engineRow(engine, "no row")
                << QVariant() << 2026 << 3 << QDate(2026, 3, 1) << QDate(2026, 3, 31);
            test::engineRow(engine, "null day") << QVariant(QMetaType(QMetaType::Int)) << 2026 << 3
                                                << QDate(2026, 3, 1) << QDate(2026, 3, 31);
            test::engineRow(engine, "day 0")
                << QVariant(0) << 2026 << 3 << QDate(2026, 3, 1) << QDate(2026, 3, 31);
        }
    }
    void closingPeriod() {
        QFETCH(QVariant, closingDay);
        QFETCH(int, year);
        QFETCH(int, month);
        QFETCH(QDate, start);
        QFETCH(QDate, end);
        QFETCH(QString, engine);
        Month m(engine);
        VORDA_READY(m.t);
        QVERIFY(m.ok());
        if (closingDay.isValid())
            m.closingDay(closingDay);
        else
            m.exec(QStringLiteral("DELETE FROM ") + quoteIdentifier(table::System));
        Period p;
        QVERIFY(!HANIDT(m.t.path(), year, month, p));
        QCOMPARE(p.start, start);
        QCOMPARE(p.end, end);
        // The print computes the same period.
        m.add(end, 1, {"○"});
        m.add(start, 2, {"○"});
        m.add(end.addDays(1), 3, {"○"});
        m.add(start.addDays(-1), 4, {"○"});
        const MonthlyResultsData d = m.read(year, month);
        QCOMPARE(d.period.start, start);
        QCOMPARE(d.projects.size(), std::size_t(2));
    }

    // Consecutive months meet for every closing day, and the monthly results of a month
    // cover the same days as its attendance sheet with the same closing day.
    void everyDayIsOnExactlyOneSheet() {
        for (int closingDay = 1; closingDay <= 31; ++closingDay) {
            QVariantList settings(sys::FieldCount);
            settings[sys::MonthlyClosingDay] = closingDay;
            settings[sys::AttendanceClosingDay] = closingDay;
            QDate next = HANIDT(settings, 2023, 1).start;
            for (int m = 1; m <= 24; ++m) {
                const Period p = HANIDT(settings, 2023, m);
                const QString where = QStringLiteral("day %1 month %2").arg(closingDay).arg(m);
                QVERIFY2(p.start == next && p.end >= p.start, qPrintable(where));
                const Period a = HANIDTSYU(settings, 2023, m);
                QVERIFY2(a.start == p.start && a.end == p.end, qPrintable(where));
                next = p.end.addDays(1);
            }
        }
    }

    void yearAndMonthFields_data() {
        QTest::addColumn<QString>("year");
        QTest::addColumn<QString>("month");
        QTest::addColumn<int>("wantYear"); // 0: refused
        QTest::addColumn<int>("wantMonth");
        QTest::newRow("plain") << "2026"
                               << "11" << 2026 << 11;
        QTest::newRow("blanks") << " 2026 "
                                << " 3 " << 2026 << 3;
        QTest::newRow("two-digit year") << "26"
                                        << "3" << 2026 << 3;
        QTest::newRow("month 0") << "2026"
                                 << "0" << 0 << 0;
        QTest::newRow("month 13") << "2026"
                                  << "13" << 0 << 0;
        QTest::newRow("text") << "二千"
                              << "3" << 0 << 0;
        QTest::newRow("full-width year") << "２０２４"
                                         << "6" << 0 << 0;
        QTest::newRow("empty month") << "2026"
                                     << "" << 0 << 0;
        QTest::newRow("decimal") << "2026"
                                 << "3.5" << 0 << 0;
    }
    void yearAndMonthFields() {
        QFETCH(QString, year);
        QFETCH(QString, month);
        QFETCH(int, wantYear);
        QFETCH(int, wantMonth);
        const auto r = monthFromFields(year, month);
        QCOMPARE(bool(r), wantYear != 0);
        if (r) {
            QCOMPARE(r->year, wantYear);
            QCOMPARE(r->month, wantMonth);
            QCOMPARE(r->monthText, month.trimmed());
        }
    }

    void talliesOfTheCraftedMonth_data() { test::engineRows(); }
    void talliesOfTheCraftedMonth() {
        QFETCH(QString, engine);
        Month m(engine);
        VORDA_READY(m.t);
        QVERIFY(m.ok());
        craftedMonth(m);
        const MonthlyResultsData d = m.read(2026, 11);
        QVERIFY2(m.error.isEmpty(), qPrintable(m.error));
        QCOMPARE(d.projects.size(), std::size_t(3));
        QCOMPARE(d.projects[0].number, qint64(101));
        QCOMPARE(d.projects[0].name, QStringLiteral("県道八王子線舗装補修工事"));
        QCOMPARE(d.projects[1].name, QStringLiteral("駅前広場整備工事"));
        QCOMPARE(d.projects[2].number, qint64(300));
        QCOMPARE(d.projects[2].name, QString()); // not in 工事件名
        // No day guards: no "ガド昼"; 散水車 unused: no column; "空き" never counted.
        QCOMPARE(headings(d),
                 QStringList({"出勤", "半日", "宿泊", "休出", "応援", "出勤夜", "宿泊夜", "応援夜",
                              "スポ昼", "スポ夜", "ガド夜", "2tダンプ", "ユニック", "その他"}));
        QCOMPARE(valuesOf(d, "出勤"), QList<qint64>({2, 3, 1}));
        QCOMPARE(valuesOf(d, "応援"), valuesOf(d, "出勤"));
        // Flag 1 counts marks as night; flag 2 (project 101) does not, but its spot workers are
        // night.
        QCOMPARE(valuesOf(d, "出勤夜"), QList<qint64>({0, 3, 0}));
        QCOMPARE(valuesOf(d, "宿泊夜"), QList<qint64>({0, 2, 0}));
        QCOMPARE(valuesOf(d, "スポ昼"), QList<qint64>({1, 0, 0}));
        QCOMPARE(valuesOf(d, "スポ夜"), QList<qint64>({3, 2, 0}));
        QCOMPARE(valuesOf(d, "ガド夜"), QList<qint64>({0, 3, 0}));
        QCOMPARE(valuesOf(d, "2tダンプ"), QList<qint64>({1, 1, 0}));
        QCOMPARE(valuesOf(d, "ユニック"), QList<qint64>({2, 0, 0}));
        QCOMPARE(valuesOf(d, "その他"), QList<qint64>({0, 2, 1234}));
        QCOMPARE(monthlyTitle(d), QStringLiteral("令和   8 年 11 月度 北斗建設 稼 働 実 績"));
        QCOMPARE(monthlyPeriodText(d.era, d.period.start),
                 QStringLiteral("( 令和  8 年 10 月 21 日 )"));
    }

    void aProjectOnTenDaysIsOneLineInNumberOrder_data() { test::engineRows(); }
    void aProjectOnTenDaysIsOneLineInNumberOrder() {
        QFETCH(QString, engine);
        Month m(engine);
        VORDA_READY(m.t);
        QVERIFY(m.ok());
        for (int day = 1; day <= 10; ++day)
            m.add(QDate(2026, 7, day), 7, {"○"});
        m.add(QDate(2026, 7, 11), 12, {"○"});
        m.add(QDate(2026, 7, 12), 3, {"○"});
        // Numbers beyond 16 bits (a hand-edited file) stay two projects with their own names.
        m.project(40000, QStringLiteral("北口駅前広場工事"));
        m.project(50000, QStringLiteral("南口駐輪場工事"));
        m.add(QDate(2026, 7, 13), 40000, {"○", "○"});
        m.add(QDate(2026, 7, 14), 50000, {"○"});
        const MonthlyResultsData d = m.read(2026, 7);
        QList<qint64> numbers;
        QStringList names;
        for (const MonthlyProject& p : d.projects) {
            numbers << p.number;
            names << p.name;
        }
        QCOMPARE(numbers, QList<qint64>({3, 7, 12, 40000, 50000}));
        QCOMPARE(names.mid(3), QStringList({"北口駅前広場工事", "南口駐輪場工事"}));
        QCOMPARE(valuesOf(d, "出勤"), QList<qint64>({1, 10, 1, 2, 1}));
        // No row at night: no night columns at all.
        QCOMPARE(headings(d), QStringList({"出勤"}));
    }

    void talliesAreWideAndCellsPrintWholeFigures_data() { test::engineRows(); }
    void talliesAreWideAndCellsPrintWholeFigures() {
        QFETCH(QString, engine);
        Month m(engine);
        VORDA_READY(m.t);
        QVERIFY(m.ok());
        for (int day = 1; day <= 3; ++day)
            m.add(QDate(2026, 7, day), 1, {}, {0, 0, 0, 30000, 0});
        m.add(QDate(2026, 7, 4), 2, {}, {0, 0, 0, 7, 0});
        const MonthlyResultsData d = m.read(2026, 7);
        QCOMPARE(valuesOf(d, "その他"), QList<qint64>({90000, 7}));
        QCOMPARE(monthlyCellText(0), QString());
        QCOMPARE(monthlyCellText(7), QStringLiteral("  7"));
        QCOMPARE(monthlyCellText(-7), QStringLiteral(" -7"));
        QCOMPARE(monthlyCellText(1234), QStringLiteral("1234"));
        RecordingPrinter p;
        drawMonthlyResults(p, b4(), d);
        const auto texts = p.texts();
        QCOMPARE(printedAt(texts, 7080, 2480), QStringLiteral("  7"));
        // 90000 prints whole, smaller, ending inside its column.
        const auto big = std::find_if(texts.begin(), texts.end(), [](const auto& t) {
            return t.text == QStringLiteral("90000");
        });
        QVERIFY(big != texts.end());
        QCOMPARE(big->y, 2080.0f);
        // Five places take the column's free width first: smaller, but nothing on the sheet
        // is below 6 points.
        QVERIFY2(big->size < 10.0f && big->size > 9.0f, qPrintable(QString::number(big->size)));
        for (const auto& t : texts)
            QVERIFY2(t.size >= 6.0f, qPrintable(t.text));
        QVERIFY(big->x >= 7000.0f + 12);
        QVERIFY(big->x + printTextWidth(big->text, big->size) <= 7500.0f - 2.4f);

        // Two vehicles alike in their first three characters head their columns by up to six,
        // as on the daily sheet; a heading of three reads as it stands.
        MonthlyResultsData alike = d;
        alike.columns[0].heading = QStringLiteral("BH0.45");
        alike.columns.push_back(alike.columns[0]);
        alike.columns[1].heading = QStringLiteral("BH0.25");
        alike.columns.push_back(alike.columns[0]);
        alike.columns[2].heading = QStringLiteral("散水車");
        RecordingPrinter h;
        drawMonthlyResults(h, b4(), alike);
        auto heading = [&](int c) {
            QString out;
            for (const auto& t : h.texts()) {
                if (qFuzzyCompare(t.x, 7150.0f + 500 * c) && t.y < 2000)
                    out += t.text;
            }
            return out;
        };
        QCOMPARE(heading(0), QStringLiteral("BH0.45"));
        QCOMPARE(heading(1), QStringLiteral("BH0.25"));
        QCOMPARE(heading(2), QStringLiteral("散水車"));
    }

    void aMonthWithoutRowsPrintsTheFrame_data() { test::engineRows(); }
    void aMonthWithoutRowsPrintsTheFrame() {
        QFETCH(QString, engine);
        Month m(engine);
        VORDA_READY(m.t);
        QVERIFY(m.ok());
        m.exec(QStringLiteral("DELETE FROM ") + quoteIdentifier(table::TradeName));
        const MonthlyResultsData d = m.read(2026, 2);
        QVERIFY(m.error.isEmpty());
        QVERIFY(d.projects.empty() && d.columns.empty());
        QCOMPARE(monthlyTitle(d), QStringLiteral("令和   8 年  2 月度  稼 働 実 績"));
        RecordingPrinter p;
        std::vector<int> steps;
        drawMonthlyResults(p, b4(), d, [&](int s) { steps.push_back(s); });
        const QStringList dump = p.dump();
        QCOMPARE(dump.count(QStringLiteral("end_document")), 1);
        QCOMPARE(dump.filter(QStringLiteral("draw_line")).size(), 1 + 27 + 1 + 23);
        QCOMPARE(steps.back(), 0);
        QCOMPARE(*std::max_element(steps.begin(), steps.end()), kMonthlyProgressMax);

        // A title of 10,000 characters is cut to its room at once, not character by character.
        MonthlyResultsData endless = d;
        endless.printTitle = QString(10000, QChar(u'稼'));
        QTemporaryDir dir;
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(printToPdf(dir.filePath(QStringLiteral("月報.pdf")),
                            [&](Printer& out) { drawMonthlyResults(out, b4(), endless); }),
                 QString());
#ifdef __SANITIZE_ADDRESS__
        QVERIFY2(timer.elapsed() < 10000, qPrintable(QString::number(timer.elapsed())));
#else
        QVERIFY2(timer.elapsed() < 1000, qPrintable(QString::number(timer.elapsed())));
#endif
    }

    void moreProjectsAndColumnsThanAPageHolds_data() {
        test::engineRows();
    }
    void moreProjectsAndColumnsThanAPageHolds() {
        QFETCH(QString, engine);
        Month m(engine);
        VORDA_READY(m.t);
        QVERIFY(m.ok());
        m.exec(QStringLiteral("DELETE FROM ") + quoteIdentifier(table::StaffMarks));
        // 33 marks, the last 24 in use, plus spot workers by day and "その他": 26 columns.
        for (int i = 0; i < 33; ++i)
            m.mark(QString(QChar(u'Ａ' + i)), QStringLiteral("印%1").arg(i));
        for (int p = 0; p < 31; ++p) {
            m.project(p + 1, QStringLiteral("工事%1").arg(p + 1));
            QStringList staff;
            for (int i = 9; i < 33; ++i)
                staff << QString(QChar(u'Ａ' + i));
            m.add(QDate(2026, 7, 1 + p % 28), p + 1, staff, {0, 0, 0, p + 1, 1});
        }
        const MonthlyResultsData d = m.read(2026, 7);
        QVERIFY2(m.error.isEmpty(), qPrintable(m.error));
        QCOMPARE(d.projects.size(), std::size_t(31));
        QCOMPARE(d.columns.size(), std::size_t(26));
        QCOMPARE(d.columns[23].heading, QStringLiteral("印32")); // marks beyond 31 count
        QCOMPARE(monthlyPageCount(d), 4);

        RecordingPrinter p;
        const QDate printed(2026, 12, 8);
        drawMonthlyResults(p, PageScale{12, 2, 1.0f, 1.0f, printed}, d);
        const auto texts = p.texts();
        // Projects 1 to 29 with columns 1 to 24, then with 25 and 26 (names repeated),
        // then projects 30 and 31 in the same two ways; each page with its header.
        const QStringList firstName = {"工事1", "工事1", "工事30", "工事30"};
        const QStringList firstHeading = {"印", "ス", "印", "ス"};
        for (int sheet = 0; sheet < 4; ++sheet) {
            QVERIFY(printedAt(texts, 1000, 300, sheet).endsWith(QStringLiteral("稼 働 実 績")));
            QVERIFY(printedAt(texts, 16000, 800, sheet).startsWith(QStringLiteral("( 令和")));
            QCOMPARE(printedAt(texts, 1016, 2070, sheet), firstName[sheet]);
            QCOMPARE(printedAt(texts, 7150, 1320, sheet), firstHeading[sheet]);
        }
        QCOMPARE(printedAt(texts, 1016, 2070 + 400 * 28, 0), QStringLiteral("工事29"));
        QCOMPARE(printedAt(texts, 1016, 2870, 2), QString());
        QCOMPARE(printedAt(texts, 7080 + 500, 2480, 3), QStringLiteral(" 31")); // その他 of 工事31
        // Every text inside the grid or the header; each cell once; a page mark per page.
        int cells = 0;
        QStringList pageMarks;
        for (const auto& t : texts) {
            // The period texts above the grid reach towards the paper's edge, nothing else.
            const double right = t.y < 1300 ? 20150 : 19000;
            QVERIFY2(t.x >= 1000 && t.x + printTextWidth(t.text, t.size) <= right + 1,
                     qPrintable(t.text));
            if (t.y >= 13600)
                pageMarks << t.text;
            else if (t.y >= 2000 && t.x >= 7000)
                ++cells;
        }
        QCOMPARE(cells, 31 * 26);
        const QString date = QStringLiteral("印刷日 2026/12/08");
        QCOMPARE(pageMarks,
                 QStringList({date, "1 / 4", date, "2 / 4", date, "3 / 4", date, "4 / 4"}));

        // On A3 every position and size is the B4 one times 1.15.
        RecordingPrinter a3;
        const float k = scaleForPaper(8);
        drawMonthlyResults(a3, PageScale{8, 2, k, k, printed}, d);
        const auto large = a3.texts();
        QCOMPARE(large.size(), texts.size());
        for (std::size_t i = 0; i < texts.size(); ++i) {
            QCOMPARE(large[i].x, texts[i].x * k);
            QCOMPARE(large[i].y, texts[i].y * k);
            QCOMPARE(large[i].size, texts[i].size * k);
        }
    }

    void wholeSheetMatchesTheGoldenDump_data() {
        test::engineRows();
    }
    void wholeSheetMatchesTheGoldenDump() {
        QFETCH(QString, engine);
        Month m(engine);
        VORDA_READY(m.t);
        QVERIFY(m.ok());
        craftedMonth(m);
        RecordingPrinter p;
        drawMonthlyResults(p, b4(), m.read(2026, 11));
        const QStringList dump = p.dump();
        VORDA_COMPARE_GOLDEN(dump, QStringLiteral(VORDA_GOLDEN_DIR "/monthly_results.txt"));
    }

    void pdfOfADemoMonthReadsBack_data() {
        test::engineRows();
    }
    void pdfOfADemoMonthReadsBack() {
        QFETCH(QString, engine);
        test::TempDatabase t(engine, true, QDate(2024, 6, 14));
        VORDA_READY(t);
        EraValues era;
        MonthlyResultsData data;
        QVERIFY(!readMonthlyResults(t.path(), {2024, 5, QStringLiteral("5")}, era, data));
        QVERIFY(!data.projects.empty());
        const QString pdf = t.filePath(QStringLiteral("月報.pdf"));
        QCOMPARE(printToPdf(pdf, [&](Printer& p) { drawMonthlyResults(p, b4(), data); }),
                 QString());
        const QString infoText = test::toolOutput(QStringLiteral("pdfinfo"), {pdf});
        const QString pages = QStringLiteral("Pages:\\s+%1\\n").arg(monthlyPageCount(data));
        QVERIFY2(infoText.contains(QRegularExpression(pages)), qPrintable(infoText));
        const QString content = test::pdfText(pdf);
        // pdftotext spaces the texts its own way: compare words, not blanks.
        QVERIFY2(content.contains(QStringLiteral("月度 作業日報 稼 働 実 績")),
                 qPrintable(content.left(300)));
        QVERIFY(content.contains(QStringLiteral("5 月 31 日 )")));
        for (const MonthlyProject& p : data.projects)
            QVERIFY2(content.contains(p.name), qPrintable(p.name));
    }

    void commandLine_data() {
        test::engineRows();
    }
    void commandLine() {
        QFETCH(QString, engine);
        const QString exe = qEnvironmentVariable("VORDA_EXE");
        if (exe.isEmpty())
            QSKIP("VORDA_EXE is not set");
        test::TempDatabase t(engine, true, QDate(2024, 6, 14));
        VORDA_READY(t);
        const QString ini = t.filePath(QStringLiteral("vorda.INI"));
        QVERIFY(test::writeFile(ini, t.path().toUtf8() + "\r\n\r\n 12 \r\n 2 \r\n"));
        const QString pdf = t.filePath(QStringLiteral("月報.pdf"));
        auto run = [&](const QStringList& args) {
            QProcess p;
            p.start(exe, QStringList({QStringLiteral("--ini"), ini, QStringLiteral("print"),
                                      QStringLiteral("monthly")}) +
                             args);
            p.waitForFinished(30000);
            return std::make_pair(p.exitCode(), QString::fromUtf8(p.readAllStandardError()));
        };
        const QStringList out = {QStringLiteral("--out"), pdf};
        auto [code, message] = run(QStringList({"--year", "2024", "--month", "5"}) + out);
        QCOMPARE(code, 0);
        QVERIFY(test::readFile(pdf).startsWith("%PDF"));
        QFile::remove(pdf);
        std::tie(code, message) = run(QStringList({"--year", "2024", "--month", "13"}) + out);
        QCOMPARE(code, 2);
        QVERIFY2(message.contains(QStringLiteral("年月に誤りがあります。")), qPrintable(message));
        std::tie(code, message) = run(QStringList({"--year", "2024"}) + out);
        QCOMPARE(code, 2);
        QVERIFY(!QFile::exists(pdf));
        QVERIFY(test::writeFile(ini, "/nonexistent-vorda/VORDA.db\r\n\r\n 12 \r\n 2 \r\n"));
        std::tie(code, message) = run(QStringList({"--year", "2024", "--month", "5"}) + out);
        QCOMPARE(code, 1);
        QVERIFY(!message.isEmpty());
        QVERIFY(!QFile::exists(pdf));
    }
};

QTEST_MAIN(TestMonthlyResults)
#include "tst_monthly_results.moc"
