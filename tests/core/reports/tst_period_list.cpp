// The per-project period list: which rows count and how, the sheets a list needs, positions
// on the sheet, one golden dump of a crafted project, and a real PDF read back as text.

#include "core/data/schema.h"
#include "core/data/values.h"
#include "core/reports/pdf_output.h"
#include "core/reports/period_list.h"
#include "core/reports/recording_printer.h"
#include "support/golden.h"
#include "support/temp_database.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTest>

using namespace vorda;
using test::printedAt;

namespace {

constexpr int kThisYear = 2026; // the program's clock stands at 2026-12-08 in these tests

PageScale b4() {
    return PageScale{12, 2, 1.0f, 1.0f};
}

const EraValues kReiwa{QStringLiteral("令和"), 2018};

// ○ is listed twice: a cell "○" counts under both.
std::vector<StaffMark> marks() {
    return {{QStringLiteral("○"), QStringLiteral("出勤"), {}, 1},
            {QStringLiteral(" 泊 "), QStringLiteral(" 宿泊 "), {}, 2},
            {QStringLiteral("○"), QStringLiteral("出勤（再掲）"), {}, 1},
            {QStringLiteral("休"), QStringLiteral("休み"), {}, 4}};
}

// "yyyy-MM-dd[n]:cell,cell" — n marks a night row; cells fill columns from 0.
PeriodRow row(const QString& written) {
    PeriodRow r;
    const QString head = written.section(u':', 0, 0);
    r.nightFlag = head.endsWith(u'n') ? 1 : 0;
    r.date = QDate::fromString(head.left(10), QStringLiteral("yyyy-MM-dd"));
    const QStringList cells = written.section(u':', 1).split(u',');
    for (int c = 0; c < cells.size() && c < kStaffColumns; ++c)
        r.actualStaff[c] = cells[c];
    return r;
}

// "day/night" of every mark, in order.
QString tally(const PeriodListData& d) {
    QStringList parts;
    for (const MarkShifts& m : d.marks)
        parts << QStringLiteral("%1/%2").arg(m.day).arg(m.night);
    return parts.join(u' ');
}

QString sheetsText(const std::vector<PeriodSheet>& sheets) {
    QStringList parts;
    for (const PeriodSheet& s : sheets)
        parts << QStringLiteral("%1+%2 m%3+%4")
                     .arg(s.firstYear)
                     .arg(s.years)
                     .arg(s.firstMark)
                     .arg(s.markCount);
    return parts.join(QStringLiteral(" | "));
}

PeriodListData listOf(const QStringList& rowSpecs, int markCount = 4) {
    std::vector<PeriodRow> rows;
    for (const QString& s : rowSpecs)
        rows.push_back(row(s));
    std::vector<StaffMark> m = marks();
    while (int(m.size()) < markCount)
        m.push_back(
            {QStringLiteral("M%1").arg(m.size()), QStringLiteral("記号%1").arg(m.size()), {}, 1});
    m.resize(std::size_t(markCount));
    return computePeriodList(QStringLiteral("市道3号線側溝改良工事"), kReiwa, m, rows, kThisYear);
}

// The crafted project of the golden dump, stored as the entry screen stores rows.
struct CraftedFirm {
    explicit CraftedFirm(const QString& engine = QStringLiteral("file")) : t(engine) {
        if (db.open(t.path()))
            return;
        Transaction all(db); // one commit: the file is written once
        all.begin();
        db.exec(QStringLiteral("DELETE FROM \"スタッフマーク\""));
        const char16_t* markRows[][2] = {{u"○", u"出勤"},
                                         {u"泊", u"宿泊"},
                                         {u"☆", u"休日出勤"},
                                         {u"休", u"休み"},
                                         {u"○", u"出勤（再掲）"}};
        int code = 1;
        for (const auto& m : markRows)
            db.insert(table::StaffMarks,
                      {code++, QString::fromUtf16(m[0]), QString::fromUtf16(m[1]), QString(), 1});
        db.insert(table::Projects, {101, QStringLiteral("市道3号線側溝改良工事"), QString(),
                                    QString(), QStringLiteral("日野市")});
        db.insert(table::Projects, {102, QStringLiteral("中央公園外構工事"), QString(), QString(),
                                    QStringLiteral("八王子市")});
        // date, project, night flag, actual cells by column
        store(QDate(2024, 11, 5), 101, 0, {{0, u"○"}, {1, u"○"}}); // before last year: left out
        store(QDate(2025, 12, 15), 101, 0, {{0, u"○"}, {1, u"泊"}, {2, u"◎"}});
        store(QDate(2025, 12, 15), 101, 1, {{0, u"○"}, {1, u"○"}});
        store(QDate(2026, 1, 5), 101, 0, {{0, u"○"}, {3, u"☆"}, {4, u" 休 "}});
        store(QDate(2026, 3, 2), 101, 1, {{29, u"泊"}});
        store(QDate(2026, 12, 8), 101, 0, {{5, u"○"}});
        store(QDate(2026, 1, 5), 102, 0, {{0, u"○"}}); // another project
        store(QDate(2026, 2, 2), 0, 0, {{0, u"○"}});   // a row without a project number
        // Numbers beyond 16 bits, as a hand-edited file holds them: two projects, not one.
        db.insert(table::Projects, {40000, QStringLiteral("北口駅前広場工事")});
        db.insert(table::Projects, {50000, QStringLiteral("南口駐輪場工事")});
        store(QDate(2026, 4, 6), 40000, 0, {{0, u"○"}, {1, u"泊"}});
        store(QDate(2026, 5, 7), 50000, 1, {{2, u"○"}});
        all.commit();
    }

    void store(const QDate& date, int number, int night,
               std::initializer_list<std::pair<int, const char16_t*>> cells) {
        DayModel day;
        day.groups[0].jobNumber = number;
        day.groups[0].jobName = QStringLiteral("工事%1").arg(number);
        day.groups[0].nightFlag = qint16(night);
        for (const auto& [c, mark] : cells)
            day.actual(0).staff[c] = QString::fromUtf16(mark);
        db.insert(table::DailyReport, slotToRow(day, 0, date, QStringLiteral("晴")));
    }

    test::TempDatabase t;
    Database db;
};

} // namespace

class TestPeriodList : public QObject {
    Q_OBJECT
private slots:
    void rowsAndCells_data() {
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QString>("dates");
        QTest::addColumn<QString>("counts"); // ○, 泊, ○ again, 休
        QTest::newRow("a listed mark, by day") << QStringList{"2026-04-01:○"} << "2026-04-01"
                                               << "1/0 0/0 1/0 0/0";
        QTest::newRow("the night flag") << QStringList{"2026-04-01n:○,泊,泊"} << "2026-04-01"
                                        << "0/1 0/2 0/1 0/0";
        QTest::newRow("blanks around cell and mark")
            << QStringList{"2026-04-01: 泊 ,休　"} << "2026-04-01"
            << "0/0 1/0 0/0 1/0";
        QTest::newRow("unlisted and empty cells count nowhere")
            << QStringList{"2026-04-01:◎,,  ,○○"} << "2026-04-01"
            << "0/0 0/0 0/0 0/0";
        QTest::newRow("two rows of one date both count")
            << QStringList{"2026-05-10:○", "2026-05-10n:○"} << "2026-05-10 2026-05-10"
            << "1/1 0/0 1/1 0/0";
        QTest::newRow("from 1 January of last year on")
            << QStringList{"2024-12-31:○", "2025-01-01:休"} << "2025-01-01"
            << "0/0 0/0 0/0 1/0";
        QTest::newRow("sorted, whatever the stored order")
            << QStringList{"2026-03-01:", "2025-12-31:", "2026-01-01:"}
            << "2025-12-31 2026-01-01 2026-03-01"
            << "0/0 0/0 0/0 0/0";
        QTest::newRow("a row without a date") << QStringList{"bad:○"} << ""
                                              << "0/0 0/0 0/0 0/0";
    }
    void rowsAndCells() {
        QFETCH(QStringList, rows);
        QFETCH(QString, dates);
        QFETCH(QString, counts);
        const PeriodListData d = listOf(rows);
        QStringList got;
        for (const QDate& date : d.dates)
            got << date.toString(Qt::ISODate);
        QCOMPARE(got.join(u' '), dates);
        QCOMPARE(tally(d), counts);
        QCOMPARE(d.marks[1].description, QStringLiteral("宿泊"));
    }

    void theChosenProjectsNumber() {
        const std::vector<ProjectEntry> projects{{101, QStringLiteral("舗装工事"), {}, {}, {}},
                                                 {102, QStringLiteral(" 外構工事 "), {}, {}, {}},
                                                 {103, QStringLiteral("舗装工事"), {}, {}, {}},
                                                 {0, QStringLiteral("番号なし"), {}, {}, {}}};
        QCOMPARE(projectNumberOf(projects, QStringLiteral("舗装工事")),
                 std::optional<qint64>(103)); // the last wins
        QCOMPARE(projectNumberOf(projects, QStringLiteral("外構工事")), std::optional<qint64>(102));
        QCOMPARE(projectNumberOf(projects, QStringLiteral("番号なし")), std::optional<qint64>(0));
        QCOMPARE(projectNumberOf(projects, QStringLiteral("外構")), std::nullopt);
        QCOMPARE(projectNumberOf(projects, QString()), std::nullopt);
        QCOMPARE(noPeriodDataMessage(QStringLiteral("外構")),
                 QStringLiteral("外構の工事データがありません。"));
    }

    void periodTextPadsTheEraYears() {
        QCOMPARE(periodText(kReiwa, 2025, 2026),
                 QStringLiteral("( 令和  7 年 \u3000～\u3000令和  8 年 )"));
        QCOMPARE(periodText({QStringLiteral("平成"), 1988}, 1998, 2000),
                 QStringLiteral("( 平成 10 年 \u3000～\u3000平成 12 年 )"));
        // More than two places keep the last two, as on every sheet with an era year.
        QCOMPARE(periodText({QString(), 0}, 2026, 2026),
                 QStringLiteral("(  26 年 \u3000～\u3000 26 年 )"));
    }

    void sheetsOfAList_data() {
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<int>("markCount");
        QTest::addColumn<QString>("sheets");
        QTest::newRow("this year only")
            << QStringList{"2026-02-01:", "2026-11-30:"} << 4 << "2026+1 m0+4";
        QTest::newRow("last year and this year")
            << QStringList{"2025-05-01:", "2026-11-30:"} << 4 << "2025+2 m0+4";
        QTest::newRow("last year only") << QStringList{"2025-05-01:"} << 4 << "2025+1 m0+4";
        QTest::newRow("a row dated next year")
            << QStringList{"2025-05-01:", "2027-01-04:"} << 4 << "2025+2 m0+4 | 2027+1 m0+0";
        QTest::newRow("years ahead leave no empty sheets")
            << QStringList{"2025-05-01:", "2031-06-01:", "2032-01-01:"} << 4
            << "2025+2 m0+4 | 2031+2 m0+0";
        QTest::newRow("24 marks fit") << QStringList{"2026-02-01:"} << 24 << "2026+1 m0+24";
        QTest::newRow("30 marks continue")
            << QStringList{"2026-02-01:"} << 30 << "2026+1 m0+24 | 0+0 m24+6";
        QTest::newRow("no row, no sheet") << QStringList{"2020-01-01:"} << 4 << "";
    }
    void sheetsOfAList() {
        QFETCH(QStringList, rows);
        QFETCH(int, markCount);
        QFETCH(QString, sheets);
        const PeriodListData d = listOf(rows, markCount);
        QCOMPARE(sheetsText(periodSheets(d)), sheets);
        RecordingPrinter p;
        drawPeriodList(p, b4(), d);
        int ends = 0;
        for (const auto& op : p.ops())
            ends += op.name == QLatin1String("end_document") ? 1 : 0;
        QCOMPARE(ends, int(periodSheets(d).size()));
        // Below the outline only "n / m" of a print of several sheets, at the right.
        QStringList marks;
        for (const auto& t : p.texts()) {
            if (t.y >= 12800) {
                QVERIFY2(t.x > 15950 && t.x + printTextWidth(t.text, t.size) <= 19700.5,
                         qPrintable(t.text));
                marks << QStringLiteral("%1:%2").arg(t.sheet).arg(t.text);
            }
        }
        QStringList expected;
        for (int k = 0; ends > 1 && k < ends; ++k)
            expected << QStringLiteral("%1:%2 / %3").arg(k).arg(k + 1).arg(ends);
        QCOMPARE(marks, expected);
    }

    // Texts expected at positions: "sheet x y text" (an empty text: nothing printed there).
    void printedTexts_data() {
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<int>("markCount");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<int>("squares");
        const auto at = [](int sheet, int x, int y, const QString& t) {
            return QStringLiteral("%1 %2 %3 %4").arg(sheet).arg(x).arg(y).arg(t);
        };
        const QString thisYear = QStringLiteral("( 令和  8 年 \u3000～\u3000令和  8 年 )");
        QTest::newRow("this year: one band, no second label")
            << QStringList{"2026-01-01:○", "2026-02-28:○"} << 4
            << QStringList{at(0, 1100, 2150, " 8"),
                           at(0, 1100, 7550, ""),
                           at(0, 2150, 2016, "木"), // 1 January 2026
                           at(0, 2150, 2200, "■"),
                           at(0, 2150 + 450 * 27, 2200 + 450, "■"),
                           at(0, 2150 + 450 * 28, 2012 + 450, ""), // no 29 February
                           at(0, 2150, 2016 + 5400, ""),
                           at(0, 6000, 700, thisYear)}
            << 2;
        QTest::newRow("a December date opens the first band; two rows, one mark")
            << QStringList{"2025-12-31:○", "2026-01-02:○", "2026-01-02:○"} << 4
            << QStringList{at(0, 1100, 2150, " 7"),
                           at(0, 1100, 7550, " 8"),
                           at(0, 2150 + 450 * 30, 2012 + 450 * 11, "水"), // 31 December 2025
                           at(0, 2150 + 450 * 30, 2200 + 450 * 11, "■"),
                           at(0, 2150 + 450, 2200 + 5400, "■"),
                           at(0, 2150, 2200 + 5400, "")}
            << 2;
        QTest::newRow("the staff-mark table")
            << QStringList{"2026-04-01:○,○,泊", "2026-04-02n:○"} << 4
            << QStringList{at(0, 16000, 2110, "出勤"),
                           at(0, 18100, 2110, "    2"),
                           at(0, 19000, 2110, "    1"),
                           at(0, 16000, 2560, "宿泊"),
                           at(0, 19000, 2560, "    0"), // zero prints
                           at(0, 16000, 2110 + 900, "出勤（再掲）"),
                           at(0, 18100, 2110 + 900, "    2")}
            << 2;
        QTest::newRow("further sheets repeat the header")
            << QStringList{"2025-06-01:○", "2027-01-01:○"} << 30
            << QStringList{at(1, 1000, 500, "工事別作業期間一覧表"),
                           at(1, 6000, 700, "( 令和  7 年 \u3000～\u3000令和  9 年 )"),
                           at(1, 13000, 700, "市道3号線側溝改良工事"),
                           at(1, 1100, 2150, " 9"),
                           at(1, 1100, 7550, ""),
                           at(1, 2150, 2016, "金"), // 1 January 2027
                           at(1, 2150, 2200, "■"),
                           at(1, 16000, 2110, "記号24"), // the 25th mark
                           at(1, 16000, 2110 + 450 * 6, "")}
            << 2;
    }
    void printedTexts() {
        QFETCH(QStringList, rows);
        QFETCH(int, markCount);
        QFETCH(QStringList, expected);
        QFETCH(int, squares);
        RecordingPrinter p;
        drawPeriodList(p, b4(), listOf(rows, markCount));
        const auto texts = p.texts();
        for (const QString& e : expected) {
            const QStringList f = e.split(u' ');
            QCOMPARE(printedAt(texts, f[1].toFloat(), f[2].toFloat(), f[0].toInt()),
                     e.section(u' ', 3));
        }
        QCOMPARE(int(std::count_if(texts.begin(), texts.end(),
                                   [](const auto& t) { return t.text == QStringLiteral("■"); })),
                 squares);
    }

    void aFigureIsNeverCut() {
        PeriodListData d = listOf({"2026-04-01:休"});
        d.marks[3].day = 1234567;
        RecordingPrinter p;
        drawPeriodList(p, b4(), d);
        const auto texts = p.texts();
        const auto it = std::find_if(texts.begin(), texts.end(), [](const auto& t) {
            return t.text.trimmed() == QStringLiteral("1234567");
        });
        QVERIFY(it != texts.end());
        QVERIFY(it->x + printTextWidth(it->text, it->size) <= 18800.5f); // inside its column
    }

    void progressStaysInRangeAndEndsAtZero() {
        QList<int> steps;
        RecordingPrinter p;
        drawPeriodList(p, b4(), listOf({"2025-01-01:", "2028-01-01:"}), [&](int s) { steps << s; });
        QVERIFY(steps.size() > 80);
        QCOMPARE(steps.back(), 0);
        QVERIFY(*std::max_element(steps.begin(), steps.end()) <= kPeriodProgressMax);
    }

    void readsTheChosenProjectsRows_data() { test::engineRows(); }
    void readsTheChosenProjectsRows() {
        QFETCH(QString, engine);
        CraftedFirm f(engine);
        VORDA_READY(f.t);
        QVERIFY2(f.t.ok(), qPrintable(f.t.message()));
        EraValues era;
        PeriodListData d;
        QVERIFY(!readPeriodList(f.t.path(), QStringLiteral(" 市道3号線側溝改良工事 "), kThisYear,
                                era, d));
        QCOMPARE(era.name, QStringLiteral("令和"));
        QCOMPARE(d.dates,
                 (std::vector<QDate>{QDate(2025, 12, 15), QDate(2025, 12, 15), QDate(2026, 1, 5),
                                     QDate(2026, 3, 2), QDate(2026, 12, 8)}));
        QCOMPARE(tally(d), QStringLiteral("3/2 1/1 1/0 1/0 3/2"));

        // An unknown name finds nothing, not the rows stored under number 0.
        QVERIFY(!readPeriodList(f.t.path(), QStringLiteral("県道工事"), kThisYear, era, d));
        QVERIFY(d.empty());
        QCOMPARE(d.project, QStringLiteral("県道工事"));

        // A settings row without an era keeps the era in hand.
        {
            Database db;
            VORDA_OPEN(db, f.t.path());
            QVERIFY(!db.exec(QStringLiteral("UPDATE \"システム\" SET \"%1\" = NULL, \"%2\" = NULL")
                                 .arg(db.fieldName(table::System, sys::EraName),
                                      db.fieldName(table::System, sys::EraOffset))));
        }
        era = {QStringLiteral("平成"), 1988};
        QVERIFY(!readPeriodList(f.t.path(), QStringLiteral("中央公園外構工事"), kThisYear, era, d));
        QCOMPARE(d.era.name, QStringLiteral("平成"));
        QCOMPARE(d.era.offset, qint16(1988));
        QCOMPARE(d.dates.size(), std::size_t(1));

        QVERIFY(!readPeriodList(f.t.path(), QStringLiteral("北口駅前広場工事"), kThisYear, era, d));
        QCOMPARE(d.dates, std::vector<QDate>{QDate(2026, 4, 6)});
        QCOMPARE(tally(d), QStringLiteral("1/0 1/0 0/0 0/0 1/0"));
        QVERIFY(!readPeriodList(f.t.path(), QStringLiteral("南口駐輪場工事"), kThisYear, era, d));
        QCOMPARE(d.dates, std::vector<QDate>{QDate(2026, 5, 7)});

        QCOMPARE(readPeriodList(f.t.filePath(QStringLiteral("なし.db")),
                                QStringLiteral("中央公園外構工事"), kThisYear, era, d)
                     .kind,
                 DbErrorKind::FileMissing);
    }

    void wholeSheetMatchesTheGoldenDump_data() { test::engineRows(); }
    void wholeSheetMatchesTheGoldenDump() {
        QFETCH(QString, engine);
        CraftedFirm f(engine);
        VORDA_READY(f.t);
        EraValues era;
        PeriodListData d;
        QVERIFY(!readPeriodList(f.t.path(), QStringLiteral("市道3号線側溝改良工事"), kThisYear, era,
                                d));
        RecordingPrinter p;
        drawPeriodList(p, b4(), d);
        VORDA_COMPARE_GOLDEN(p.dump(), QStringLiteral(VORDA_GOLDEN_DIR "/period_list.txt"));
    }

    void pdfOfADemoProjectReadsBack_data() { test::engineRows(); }
    void pdfOfADemoProjectReadsBack() {
        QFETCH(QString, engine);
        const QDate today(2026, 12, 8);
        test::TempDatabase t(engine, true, today);
        VORDA_READY(t);
        std::vector<ProjectEntry> projects;
        QVERIFY(!listProjects(t.path(), projects));
        EraValues era;
        PeriodListData d;
        for (const ProjectEntry& project : projects) {
            QVERIFY(!readPeriodList(t.path(), project.name, today.year(), era, d));
            if (!d.empty())
                break;
        }
        QVERIFY(!d.empty());
        const QString pdf = t.filePath(QStringLiteral("期間表.pdf"));
        QCOMPARE(printToPdf(pdf, [&](Printer& p) { drawPeriodList(p, b4(), d); }), QString());
        QProcess info;
        info.start(QStringLiteral("pdfinfo"), {pdf});
        QVERIFY(info.waitForFinished(20000));
        const QString infoText = QString::fromUtf8(info.readAllStandardOutput());
        QVERIFY2(infoText.contains(QRegularExpression(QStringLiteral("Pages:\\s+1\\b"))),
                 qPrintable(infoText));
        QProcess text;
        text.start(QStringLiteral("pdftotext"),
                   {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
        QVERIFY(text.waitForFinished(20000));
        const QString content = QString::fromUtf8(text.readAllStandardOutput());
        for (const QString& s :
             {QStringLiteral("工事別作業期間一覧表"), d.project, QStringLiteral("昼勤"),
              QStringLiteral("夜勤"), QStringLiteral("■"), QStringLiteral("出勤")})
            QVERIFY2(content.contains(s), qPrintable(s + u'\n' + content.left(600)));
        QVERIFY(content.contains(QRegularExpression(QStringLiteral("令和\\s+8\\s+年"))));
    }
};

QTEST_MAIN(TestPeriodList)
#include "tst_period_list.moc"
