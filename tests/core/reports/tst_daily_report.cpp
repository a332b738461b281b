// The page model and the daily report sheet: positions, sizes, texts and totals as printed,
// one golden dump of a whole sheet, and a real PDF read back as text.

#include "core/app/app_state.h"
#include "core/data/schema.h"
#include "core/data/values.h"
#include "core/reports/daily_report.h"
#include "core/reports/painter_printer.h"
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

namespace {

const QDate kDay(2024, 6, 14);

PageScale b4() {
    return PageScale{12, 2, 1.0f, 1.0f};
}

// A small firm with a fixed day: what the golden sheet is made of.
struct Firm {
    explicit Firm(const QString& engine = QStringLiteral("file")) : t(engine) {
        Database db;
        if (db.open(t.path()))
            return;
        for (const char16_t* name : {u"山田", u"佐藤", u"鈴木"})
            db.insert(table::Employees, {QStringLiteral("1"), QString::fromUtf16(name),
                                         QStringLiteral(""), 0, 0, 10});
        db.insert(table::Vehicles, {QStringLiteral("1"), QStringLiteral("2tダンプ")});
        db.insert(table::Vehicles, {QStringLiteral("2"), QStringLiteral("ユニック")});
        QVariantList trade(9, QStringLiteral(""));
        trade[1] = QStringLiteral("作業日報");
        trade[7] = QStringLiteral("北斗 太郎");
        db.update(table::TradeName, 1, trade);
        db.insert(table::Weather, {toDbDate(kDay), QStringLiteral("金"), QStringLiteral("晴")});
        db.insert(table::Weather,
                  {toDbDate(kDay.addDays(1)), QStringLiteral("土"), QStringLiteral("雨")});
    }

    // Stores slot k of `day` as a row of the fixed date.
    void store(const DayModel& day, int k) {
        Database db;
        if (!db.open(t.path()))
            db.insert(table::DailyReport, slotToRow(day, k, kDay, QStringLiteral("晴")));
    }

    DailyReportData read(const QDate& date = kDay) {
        DailyReportData data;
        readDailyReport(t.path(), date, era, model, data);
        return data;
    }

    test::TempDatabase t;
    EraValues era;
    DayModel model;
};

DayModel sampleDay() {
    DayModel day;
    GroupSlot& g = day.groups[0];
    g.jobNumber = 101;
    g.jobName = QStringLiteral("県道八王子線舗装補修工事");
    g.remarks = QStringLiteral("片側");
    g.client = QStringLiteral("八王子市");
    g.startTime = QStringLiteral("08:00");
    g.endTime = QStringLiteral("17:00");
    g.plannedWork = QStringLiteral("舗装版切断・取壊し");
    g.actualWork = QStringLiteral("舗装版切断");
    g.spotCount = {2, 1};
    g.extraCount = {1, 0};
    day.planned(0).staff[0] = QStringLiteral("○");
    day.planned(0).staff[1] = QStringLiteral("休");
    day.planned(0).staff[2] = QStringLiteral("  ");
    day.actual(0).staff[0] = QStringLiteral(" ○ ");
    day.actual(0).staff[2] = QStringLiteral("泊");
    day.planned(0).guards = {2, 0, 0};
    day.actual(0).guards = {2, 1, 0};
    day.planned(0).vehicles[0] = 1;
    day.planned(0).vehicles[1] = 2;
    day.actual(0).vehicles[1] = 1;
    day.extraCaption = QStringLiteral("応援");
    return day;
}

const RecordingPrinter::Text* textAt(const std::vector<RecordingPrinter::Text>& texts, float x,
                                     float y, int sheet = 0) {
    for (const auto& t : texts) {
        if (qFuzzyCompare(t.x, x) && qFuzzyCompare(t.y, y) && t.sheet == sheet)
            return &t;
    }
    return nullptr;
}

QString printedAt(const std::vector<RecordingPrinter::Text>& texts, float x, float y,
                  int sheet = 0) {
    const auto* t = textAt(texts, x, y, sheet);
    return t ? t->text : QString();
}

// The text of the first sheet that starts on the line y to the right of x.
QString printedRightOf(const std::vector<RecordingPrinter::Text>& texts, float x, float y) {
    for (const auto& t : texts) {
        if (t.sheet == 0 && t.x > x && qAbs(t.y - y) < 1)
            return t.text;
    }
    return QString();
}

// A day that fills every cell: long names and remarks, job names past 32 characters, counts
// of three digits and totals of five, two vehicles alike in their first three characters.
DailyReportData busyDay() {
    DailyReportData d;
    d.title = QStringLiteral("株式会社 北斗建設 八王子営業所 作業日報（道路維持・下水道・外構）");
    d.person = QStringLiteral("長谷川 佐和子 代表取締役");
    d.dateLine =
        dailyDateLine({QStringLiteral("令和"), 2018}, kDay, QStringLiteral("曇時々雨のち晴"));
    for (int r = 0; r < 30; ++r)
        d.legend << QStringLiteral("◎%1=休日出勤（振替・手当あり）").arg(r);
    const char16_t* const vehicles[] = {u"BH0.45", u"BH0.25", u"2tダンプ", u"ユニック", u"散水車"};
    for (int v = 0; v < 5; ++v)
        d.names.vehicles[v] = QString::fromUtf16(vehicles[v]);
    for (int c = 0; c < kStaffColumns; ++c)
        d.names.employees[c] = c % 2 ? QStringLiteral("長谷川") : QStringLiteral("WWW%1").arg(c);
    d.day.extraCaption = QStringLiteral("応援（他社）");
    for (int k = 0; k < 16; ++k) {
        GroupSlot& g = d.day.groups[k];
        g.jobName = QStringLiteral(
                        "東京都南多摩建設事務所発注県道八王子線舗装補修工事その%1（第二工区夜間）")
                        .arg(k + 1);
        g.remarks = QStringLiteral("雨天時中止・翌日順延");
        g.client =
            k % 2 ? QStringLiteral("東京都南多摩建設事務所") : QStringLiteral("みどり住宅株式会社");
        g.startTime = QStringLiteral("０８：００");
        g.endTime = QStringLiteral("17:00");
        g.plannedWork = QString(40, QChar(u'舗'));
        g.actualWork = QStringLiteral("舗装版切断・取壊し");
        g.spotCount = {12345, 999};
        g.extraCount = {20000, 100};
        for (int line = 0; line < 2; ++line) {
            Line& l = line == 0 ? d.day.planned(k) : d.day.actual(k);
            l.guards = {999, 100, 0};
            for (int v = 0; v < kVehicleColumns; ++v)
                l.vehicles[v] = 999;
            for (int c = 0; c < kStaffColumns; ++c)
                l.staff[c] = c % 3 ? QStringLiteral("○") : QStringLiteral("半休");
        }
    }
    d.secondSheet = true;
    return d;
}

struct Rule {
    float x1, y1, x2, y2;
    float half; // half the rule's width: a dot is 4.8 twips
};

// The rules a sheet drew, boxes as their four sides, each with the width in force.
std::vector<Rule> rulesOf(const RecordingPrinter& p) {
    std::vector<Rule> out;
    float half = 2.4f;
    for (const auto& op : p.ops()) {
        const auto& n = op.numbers;
        if (op.name == QLatin1String("set_line_width")) {
            half = n[0] * 4.8f / 2;
        } else if (op.name == QLatin1String("draw_line")) {
            out.push_back({std::min(n[0], n[2]), std::min(n[1], n[3]), std::max(n[0], n[2]),
                           std::max(n[1], n[3]), half});
        } else if (op.name == QLatin1String("draw_box")) {
            out.push_back({n[0], n[1], n[2], n[1], half});
            out.push_back({n[0], n[3], n[2], n[3], half});
            out.push_back({n[0], n[1], n[0], n[3], half});
            out.push_back({n[2], n[1], n[2], n[3], half});
        }
    }
    return out;
}

// What is wrong with the placed texts of one sheet: a text (its advance by the font's metrics,
// one em high) that touches a rule's band, overlaps another text or leaves the layout.
QStringList collisions(const RecordingPrinter& p, float layoutWidth) {
    struct Box {
        QString text;
        float l, t, r, b;
        int sheet;
    };
    std::vector<Box> boxes;
    for (const auto& t : p.texts())
        boxes.push_back({t.text, t.x, t.y, float(t.x + printTextWidth(t.text, t.size)),
                         t.y + t.size * 20, t.sheet});
    const float e = 0.5f;
    QStringList out;
    const std::vector<Rule> rules = rulesOf(p);
    for (const Box& b : boxes) {
        if (b.r > layoutWidth)
            out << QStringLiteral("%1 leaves the sheet").arg(b.text);
        for (const Rule& r : rules) {
            const bool crosses = r.x1 - r.half < b.r - e && r.x2 + r.half > b.l + e &&
                                 r.y1 - r.half < b.b - e && r.y2 + r.half > b.t + e;
            if (crosses) {
                out << QStringLiteral("%1 at %2,%3 touches a rule at %4,%5")
                           .arg(b.text)
                           .arg(b.l)
                           .arg(b.t)
                           .arg(r.x1)
                           .arg(r.y1);
                break;
            }
        }
    }
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        for (std::size_t j = i + 1; j < boxes.size(); ++j) {
            const Box& a = boxes[i];
            const Box& b = boxes[j];
            if (a.sheet == b.sheet && a.l < b.r - e && b.l < a.r - e && a.t < b.b - e &&
                b.t < a.b - e)
                out << QStringLiteral("%1 overlaps %2").arg(a.text, b.text);
        }
    }
    return out;
}

} // namespace

class TestDailyReport : public QObject {
    Q_OBJECT
private slots:
    void prtxScalesPositionsAndSizes() {
        RecordingPrinter p;
        prtx(p, b4(), 400, 500, QStringLiteral("題"), 18, 1);
        prtx(p, PageScale{8, 2, scaleForPaper(8), scaleForPaper(8)}, 400, 500, QStringLiteral("題"),
             18, 0);
        prtx(p, PageScale{11, 2, scaleForPaper(11), scaleForPaper(11)}, 1000, 1000,
             QStringLiteral("小"), 10, 0);
        const auto texts = p.texts();
        QCOMPARE(texts[0].x, 400.0f);
        QCOMPARE(texts[0].y, 500.0f);
        QCOMPARE(texts[0].size, 18.0f);
        QVERIFY(texts[0].underline);
        QCOMPARE(texts[1].x, 460.0f);
        QCOMPARE(texts[1].y, 575.0f);
        QCOMPARE(texts[1].size, 20.7f);
        QVERIFY(!texts[1].underline);
        QCOMPARE(texts[2].x, 410.0f);
        QCOMPARE(texts[2].size, 4.1f);
        // The order of the routine: position, size, underline, text.
        QStringList names;
        for (int i = 0; i < 4; ++i)
            names << p.ops()[i].name;
        QCOMPARE(names, QStringList({"move_to", "set_font_size", "set_underline", "print_text"}));
    }

    void jobOpensWithPaperOrientationAndFont() {
        RecordingPrinter p;
        openJob(p, PageScale{13, 1, 0.71f, 0.71f});
        QCOMPARE(p.dump(), QStringList({"set_paper 13.00", "set_orientation 1.00",
                                        "set_font_name \"ＭＳ 明朝\"", "new_line"}));
        QCOMPARE(pageSizeOf(12)->id(), QPageSize::JisB4);
        QCOMPARE(pageSizeOf(13)->id(), QPageSize::JisB5);
        QCOMPARE(pageSizeOf(8)->id(), QPageSize::A3);
        QVERIFY(!pageSizeOf(14));
    }

    void headerAndDateLine_data() { test::engineRows(); }
    void headerAndDateLine() {
        QFETCH(QString, engine);
        Firm f(engine);
        VORDA_READY(f.t);
        f.store(sampleDay(), 0);
        const DailyReportData data = f.read();
        RecordingPrinter p;
        drawDailyReport(p, b4(), data);
        const auto texts = p.texts();
        const auto* title = textAt(texts, 400, 500);
        QVERIFY(title);
        QCOMPARE(title->text, QStringLiteral("作業日報"));
        QCOMPARE(title->size, 18.0f);
        QVERIFY(title->underline);
        // The weather is the one stored for the printed date.
        QCOMPARE(printedAt(texts, 1000, 1050),
                 QStringLiteral("令和  6 年 6  月 14  日 (金曜日)  天候 晴"));
        QCOMPARE(printedAt(texts, 16500, 1400), QStringLiteral("北斗 太郎"));
        QCOMPARE(printedAt(texts, 5950, 1800), QStringLiteral("山"));
        QCOMPARE(printedAt(texts, 5950, 2000), QStringLiteral("田"));
        QCOMPARE(printedAt(texts, 5950 + 300 * 33, 2200), QStringLiteral("ダ"));
        QCOMPARE(printedAt(texts, 18850, 1800), QStringLiteral("応"));
        QCOMPARE(printedAt(texts, 700, 13000), QStringLiteral("○=出勤"));
        QCOMPARE(printedAt(texts, 700 + 1600 * 6, 13000), QStringLiteral("休=休み"));

        EraValues heisei{QStringLiteral("平成"), 1988};
        QCOMPARE(dailyDateLine(heisei, QDate(2003, 2, 2), QStringLiteral("雪")),
                 QStringLiteral("平成  15 年 2  月 2  日 (日曜日)  天候 雪"));
    }

    void blockContentsAndTotals_data() { test::engineRows(); }
    void blockContentsAndTotals() {
        QFETCH(QString, engine);
        Firm f(engine);
        VORDA_READY(f.t);
        DayModel day = sampleDay();
        day.actual(0).staff[1] = QStringLiteral("有"); // paid leave, a day off like 休
        f.store(day, 0);
        const DailyReportData data = f.read();
        QCOMPARE(data.daysOff, QStringList({QStringLiteral("休"), QStringLiteral("有")}));
        RecordingPrinter p;
        drawDailyReport(p, b4(), data);
        const auto texts = p.texts();
        QCOMPARE(printedAt(texts, 416, 2516), QStringLiteral("県道八王子線舗装"));
        QCOMPARE(printedAt(texts, 416, 2716), QStringLiteral("補修工事"));
        QCOMPARE(printedAt(texts, 2510, 2710), QStringLiteral("08:00"));
        QCOMPARE(printedAt(texts, 3510, 2516), QStringLiteral("舗装版切断・取壊し"));
        QCOMPARE(printedAt(texts, 5950, 2700), QStringLiteral("○"));
        QCOMPARE(printedAt(texts, 6250, 2700), QStringLiteral("休")); // printed, not counted
        QCOMPARE(printedAt(texts, 6550, 2700), QString());            // blanks print nothing
        QCOMPARE(printedAt(texts, 5950, 3320), QStringLiteral("○"));  // trimmed
        QCOMPARE(printedAt(texts, 14950, 2700), QStringLiteral("2"));
        QCOMPARE(printedAt(texts, 15550, 3320), QStringLiteral("1"));
        QCOMPARE(printedAt(texts, 15550, 2700), QString()); // zero prints nothing
        QCOMPARE(printedAt(texts, 18850, 2700), QStringLiteral("1"));
        QCOMPARE(printedAt(texts, 18850, 3320), QString());
        // Planned man-days: 2 spot + "○" (休 and blanks left out); vehicles 1 + 2 + extra 1.
        // Actual: 1 spot + "○" + "泊", 有 left out.
        QCOMPARE(printedAt(texts, 19600, 2600), QStringLiteral("3"));
        QCOMPARE(printedAt(texts, 19600, 2920), QStringLiteral("4"));
        QCOMPARE(printedAt(texts, 19600, 3170), QStringLiteral("3"));
        QCOMPARE(printedAt(texts, 19600, 3490), QStringLiteral("1"));
        // An empty block prints no totals.
        QCOMPARE(printedAt(texts, 19600, 2600 + 1300), QString());
    }

    void totalsAreWideIntegers() {
        DayModel day;
        for (int v = 0; v < kVehicleColumns; ++v)
            day.actual(0).vehicles[v] = 4000;
        day.groups[0].extraCount[1] = 32767;
        day.groups[0].spotCount[0] = 32767;
        for (int c = 0; c < kStaffColumns; ++c)
            day.planned(0).staff[c] = QStringLiteral("○");
        QCOMPARE(vehicleTotal(day, 0, true), qint64(40000 + 32767));
        QCOMPARE(manDays(day, 0, false, {}), qint64(32767 + 30));
        // Every day-off mark of the firm is left out, compared trimmed; other marks count.
        day.planned(0).staff[0] = QStringLiteral(" 代 ");
        day.planned(0).staff[1] = QStringLiteral("休");
        QCOMPARE(manDays(day, 0, false, {QStringLiteral("代"), QStringLiteral("有")}),
                 qint64(32767 + 29));
    }

    // A date may hold more rows than a day shows (made by another program or by hand): the
    // first 16 print, a 17th decides the second sheet by its name, and the screen is told.
    void moreRowsThanADayHolds_data() {
        test::addEngineColumn();
        QTest::addColumn<int>("rows");
        for (const char* engine : test::kEngines) {
            test::engineRow(engine, "17 rows") << 17;
            test::engineRow(engine, "30 rows") << 30;
        }
    }
    void moreRowsThanADayHolds() {
        QFETCH(int, rows);
        QFETCH(QString, engine);
        Firm f(engine);
        VORDA_READY(f.t);
        DayModel day;
        for (int k = 0; k < 16; ++k) {
            day.groups[0].jobName = k < 8 ? QStringLiteral("現場%1").arg(k + 1) : QString();
            f.store(day, 0);
        }
        for (int k = 16; k < rows; ++k) {
            day.groups[0].jobName = QStringLiteral("現場%1").arg(k + 1);
            f.store(day, 0);
        }
        const DailyReportData data = f.read();
        QCOMPARE(data.rowsOnDate, qint64(rows));
        QVERIFY(data.secondSheet); // the 17th row is named, slots 9 to 16 are not
        QVERIFY2(data.notice.contains(QString::number(rows)), qPrintable(data.notice));
        RecordingPrinter p;
        drawDailyReport(p, b4(), data);
        for (const auto& t : p.texts())
            QVERIFY2(!t.text.startsWith(QStringLiteral("現場17")), qPrintable(t.text));
        QCOMPARE(printedAt(p.texts(), 416, 2516, 0), QStringLiteral("現場1"));
    }

    void longTextsAreSplitByCharacters() {
        QCOMPARE(jobNameLines(QStringLiteral("一二三四五六七八九十")),
                 QStringList({"一二三四五六七八", "九十", "", "", "", ""}));
        QString sixty;
        for (int i = 0; i < 60; ++i)
            sixty += QChar(u'あ' + i);
        const QStringList lines = jobNameLines(sixty);
        QCOMPARE(lines.join(QString()), sixty.left(51));
        QCOMPARE(lines[5].size(), 11);
        QString forty;
        for (int i = 0; i < 40; ++i)
            forty += QChar(u'ア' + i);
        const QStringList work = workContentLines(forty);
        QCOMPARE(work.join(QString()), forty.left(33));
        QCOMPARE(work[0].size(), 11);
    }

    void aGroupInSlotEightBringsTheSecondSheet_data() { test::engineRows(); }
    void aGroupInSlotEightBringsTheSecondSheet() {
        QFETCH(QString, engine);
        Firm f(engine);
        VORDA_READY(f.t);
        DayModel day;
        for (int k = 0; k < 8; ++k) {
            day.groups[k].jobName = QStringLiteral("現場%1").arg(k + 1);
            f.store(day, k);
        }
        DailyReportData data = f.read();
        QVERIFY(!data.secondSheet);
        RecordingPrinter one;
        drawDailyReport(one, b4(), data);
        int ends = 0;
        for (const auto& op : one.ops())
            ends += op.name == QLatin1String("end_document") ? 1 : 0;
        QCOMPARE(ends, 1);

        day.groups[8].jobName = QStringLiteral("現場9");
        f.store(day, 8);
        data = f.read();
        QVERIFY(data.secondSheet);
        RecordingPrinter two;
        drawDailyReport(two, b4(), data);
        const auto texts = two.texts();
        QCOMPARE(printedAt(texts, 416, 2516, 1), QStringLiteral("現場9"));
        QCOMPARE(printedAt(texts, 416, 2516, 0), QStringLiteral("現場1"));
        // The second sheet's legend is in 7 points, the first's in 8.
        QCOMPARE(textAt(texts, 700, 13000, 0)->size, 8.0f);
        QCOMPARE(textAt(texts, 700, 13000, 1)->size, 7.0f);
        QCOMPARE(texts.back().sheet, 1);
    }

    void aDayWithoutRowsPrintsAnEmptySheetWithTheLastCaption_data() { test::engineRows(); }
    void aDayWithoutRowsPrintsAnEmptySheetWithTheLastCaption() {
        QFETCH(QString, engine);
        Firm f(engine);
        VORDA_READY(f.t);
        f.store(sampleDay(), 0);
        f.read(); // the print's own model now holds the caption "応援"
        const DailyReportData empty = f.read(kDay.addDays(1));
        RecordingPrinter p;
        drawDailyReport(p, b4(), empty);
        const auto texts = p.texts();
        QCOMPARE(printedAt(texts, 18850, 1800), QStringLiteral("応"));
        QCOMPARE(printedAt(texts, 416, 2516), QString());
        QVERIFY(printedAt(texts, 1000, 1050).endsWith(QStringLiteral("天候 雨")));
    }

    void wholeSheetMatchesTheGoldenDump_data() { test::engineRows(); }
    void wholeSheetMatchesTheGoldenDump() {
        QFETCH(QString, engine);
        Firm f(engine);
        VORDA_READY(f.t);
        DayModel day = sampleDay();
        f.store(day, 0);
        day.groups[1] = day.groups[0];
        day.groups[1].jobName = QStringLiteral("夜間工事");
        day.groups[1].nightFlag = 1;
        day.groups[1].startTime = QStringLiteral("20:00");
        day.lines[2] = day.lines[1];
        day.lines[3] = day.lines[0];
        f.store(day, 1);
        RecordingPrinter p;
        drawDailyReport(p, b4(), f.read());
        const QStringList dump = p.dump();
        VORDA_COMPARE_GOLDEN(dump, QStringLiteral(VORDA_GOLDEN_DIR "/daily_report.txt"));
    }

    void pdfOfADemoDayReadsBack_data() { test::engineRows(); }
    void pdfOfADemoDayReadsBack() {
        QFETCH(QString, engine);
        const QDate today(2024, 6, 14); // a Friday: the sample firm's busy day
        test::TempDatabase t(engine, true, today);
        VORDA_READY(t);
        EraValues era;
        DayModel model;
        DailyReportData data;
        QVERIFY(!readDailyReport(t.path(), today, era, model, data));
        QVERIFY(data.secondSheet);
        const QString pdf = t.filePath(QStringLiteral("日報.pdf"));
        QCOMPARE(printToPdf(pdf, [&](Printer& p) { drawDailyReport(p, b4(), data); }), QString());
        const QString infoText = test::toolOutput(QStringLiteral("pdfinfo"), {pdf});
        QVERIFY2(infoText.contains(QRegularExpression(QStringLiteral("Pages:\\s+2"))),
                 qPrintable(infoText));
        QVERIFY2(infoText.contains(QStringLiteral("1031.")) ||
                     infoText.contains(QStringLiteral("1032")),
                 qPrintable(infoText)); // JIS B4 landscape, 364 mm wide
        const QString content = test::pdfText(pdf);
        QVERIFY2(content.contains(QStringLiteral("作業日報")), qPrintable(content.left(400)));
        QVERIFY(content.contains(QStringLiteral("令和")));
        QVERIFY(content.contains(QStringLiteral("(金曜日)")));
        for (int k = 0; k < 3; ++k)
            QVERIFY(content.contains(jobNameLines(data.day.groups[k].jobName)[0]));
    }

    void prtxFitKeepsATextInsideItsCell_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("paper");
        QTest::addColumn<bool>("right");
        QTest::addColumn<QString>("shown"); // empty: the whole text
        QTest::addColumn<float>("size");    // 0: smaller than 10 points, not below the floor
        QTest::newRow("fits") << "八王子市" << 880 << 12 << false << "" << 10.0f;
        QTest::newRow("fits exactly") << "○○" << 400 << 12 << false << "" << 10.0f;
        QTest::newRow("smaller") << "雨天時中止" << 780 << 12 << false << "" << 0.0f;
        QTest::newRow("smaller on A4") << "雨天時中止" << 780 << 9 << false << "" << 0.0f;
        QTest::newRow("right edge kept") << "雨天時中止" << 780 << 12 << true << "" << 0.0f;
        QTest::newRow("cut at the floor")
            << "東京都南多摩建設事務所" << 880 << 12 << false << "東京都南多摩建" << 6.0f;
        QTest::newRow("a figure is never cut") << "12345" << 240 << 12 << false << "" << 4.8f;
        QTest::newRow("a negative figure") << "-32768" << 240 << 12 << true << "" << 4.0f;
        QTest::newRow("cut at the floor, however long")
            << QString(10000, QChar(u'東')) << 880 << 12 << false << QString(7, QChar(u'東'))
            << 6.0f;
    }

    void prtxFitKeepsATextInsideItsCell() {
        QFETCH(QString, text);
        QFETCH(int, width);
        QFETCH(int, paper);
        QFETCH(bool, right);
        QFETCH(QString, shown);
        QFETCH(float, size);
        const float f = scaleForPaper(paper);
        const PageScale scale{qint16(paper), 2, f, f};
        RecordingPrinter fit;
        prtxFit(fit, scale, 1000, 500, width, text, 10, 0,
                right ? CellAlign::Right : CellAlign::Left);
        const auto t = fit.texts().at(0);
        QCOMPARE(t.text, shown.isEmpty() ? text : shown);
        QVERIFY2(t.x + printTextWidth(t.text, t.size) <= 1000.0 * f + width * f + 0.01,
                 qPrintable(QString::number(t.size)));
        QCOMPARE(t.y, 500 * f);
        if (size == 10.0f) {
            // What fits is drawn exactly as prtx draws it.
            RecordingPrinter plain;
            prtx(plain, scale, 1000, 500, text, 10, 0);
            QCOMPARE(fit.dump(), plain.dump());
        } else if (size == 0.0f) {
            QVERIFY(t.size < 10 * f && t.size >= 10 * f * float(kFitFloor) - 0.05f);
        } else {
            QCOMPARE(t.size, size * f);
        }
        if (right)
            QVERIFY(qAbs(t.x + printTextWidth(t.text, t.size) - (1000 + width) * f) < 0.01);
        else
            QCOMPARE(t.x, 1000 * f);
    }

    void aBusyDayKeepsEveryTextInsideItsCell() {
        const DailyReportData busy = busyDay();
        const QDate printed(2026, 12, 8);
        for (const int paper : {12, 9}) {
            RecordingPrinter p;
            const float f = scaleForPaper(paper);
            drawDailyReport(p, PageScale{qint16(paper), 2, f, f, printed}, busy);
            const QStringList wrong = collisions(p, 20150 * f);
            QVERIFY2(wrong.isEmpty(), qPrintable(wrong.mid(0, 10).join(u'\n')));
            const auto texts = p.texts();
            // Figures in full, however small: counts of three digits, totals of five.
            QCOMPARE(printedRightOf(texts, 15200 * f, 2700 * f), QStringLiteral("999"));
            QCOMPARE(printedRightOf(texts, 19500 * f, 2600 * f), QStringLiteral("12375"));
            QCOMPARE(printedRightOf(texts, 19500 * f, 2920 * f), QStringLiteral("29990"));
            // A long client on two lines of its strip, whole.
            QString client;
            for (const auto& t : texts) {
                if (qFuzzyCompare(t.x, 1210 * f + 0) && t.y > 3500 * f && t.y < 3800 * f &&
                    t.sheet == 0)
                    client += t.text;
            }
            QCOMPARE(client, QStringLiteral("みどり住宅株式会社"));
            // Each sheet says which of the two it is and when it was printed.
            for (int sheet = 0; sheet < 2; ++sheet) {
                QStringList marks;
                for (const auto& t : texts) {
                    if (t.sheet == sheet && t.y < 500 * f && t.x > 13850 * f)
                        marks << t.text;
                }
                QCOMPARE(marks, QStringList({QStringLiteral("印刷日 2026/12/08"),
                                             QStringLiteral("%1 / 2").arg(sheet + 1)}));
            }
        }

        // A firm's largest day: totals of four digits, a client of eleven characters, marks
        // of two. Nothing is smaller than 6 points on B4, and nothing touches a rule.
        DailyReportData firm = busyDay();
        firm.legend = QStringList({"○=出勤", "泊=宿泊", "☆=休日出勤", "休=休み", "有=有給休暇"});
        for (int k = 0; k < 16; ++k) {
            firm.day.groups[k].client = QStringLiteral("東京都南多摩建設事務所");
            firm.day.groups[k].remarks = QStringLiteral("雨天時中止・翌日順延");
            firm.day.groups[k].spotCount = {997, 997};
            firm.day.groups[k].extraCount = {9, 9};
            firm.day.planned(k).guards = {1000, 100, 0};
        }
        RecordingPrinter largest;
        drawDailyReport(largest, b4(), firm);
        const QStringList wrong = collisions(largest, 20150);
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong.mid(0, 10).join(u'\n')));
        const auto drawn = largest.texts();
        const RecordingPrinter::Text* least = nullptr;
        for (const auto& t : drawn) {
            if (!least || t.size < least->size)
                least = &t;
        }
        QVERIFY2(least->size >= 6.0f,
                 qPrintable(QStringLiteral("%1 at %2 pt").arg(least->text).arg(least->size)));
        QCOMPARE(printedRightOf(drawn, 19500, 2600), QStringLiteral("1027"));
        for (const auto& t : drawn) {
            if (t.text == QLatin1String("1027")) // the blank beside its label, not its 240 twips
                QVERIFY2(t.size > 6.5f, qPrintable(QString::number(t.size)));
        }
        QCOMPARE(printedRightOf(drawn, 19500, 2920), QStringLiteral("9999"));
        QCOMPARE(printedRightOf(drawn, 15200, 2700), QStringLiteral("1000"));
        QString client;
        for (const auto& t : drawn) {
            if (qFuzzyCompare(t.x, 1210.0f) && t.y > 3500 && t.y < 3800 && t.sheet == 0)
                client += t.text;
        }
        QCOMPARE(client, QStringLiteral("東京都南多摩建設事務所"));

        // The two backhoes' headings differ; names that differ in their first three do not change.
        RecordingPrinter p;
        drawDailyReport(p, b4(), busy);
        auto heading = [&](int x) {
            QString h;
            for (const auto& t : p.texts()) {
                if (qFuzzyCompare(t.x, float(x)) && t.y < 2500 && t.sheet == 0)
                    h += t.text;
            }
            return h;
        };
        QCOMPARE(heading(5950 + 300 * 33), QStringLiteral("BH0.45"));
        QCOMPARE(heading(5950 + 300 * 34), QStringLiteral("BH0.25"));
        QCOMPARE(heading(5950 + 300 * 35), QStringLiteral("2tダ"));
        QCOMPARE(heading(5950 + 300 * 1), QStringLiteral("長谷川"));
    }

    // A text of any length costs a few measurements: a day with 10,000 characters in every
    // text field, title and headings included, prints both sheets at once.
    void aDayOfEndlessTextsPrintsAtOnce() {
        QString endless;
        while (endless.size() < 10000)
            endless += QStringLiteral("県道八王子線 Route 16 舗装補修");
        endless.truncate(10000);
        DailyReportData d = busyDay();
        d.title = d.person = d.dateLine = endless;
        d.legend = QStringList(30, endless);
        d.names.employees.fill(endless);
        d.names.vehicles.fill(endless);
        d.day.extraCaption = endless;
        for (int k = 0; k < 16; ++k) {
            GroupSlot& g = d.day.groups[k];
            g.jobName = g.remarks = g.client = g.startTime = g.endTime = g.plannedWork =
                g.actualWork = endless;
            d.day.planned(k).staff.fill(endless);
            d.day.actual(k).staff.fill(endless);
        }
        QTemporaryDir dir;
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(printToPdf(dir.filePath(QStringLiteral("長文.pdf")),
                            [&](Printer& p) { drawDailyReport(p, b4(), d); }),
                 QString());
        const qint64 ms = timer.elapsed();
#ifdef __SANITIZE_ADDRESS__
        const qint64 limit = 10000; // the sanitizers slow every measurement down
#else
        const qint64 limit = 1000;
#endif
        QVERIFY2(ms < limit, qPrintable(QStringLiteral("%1 ms").arg(ms)));
        // A title that long is cut to the room before the stamp box, never drawn whole.
        RecordingPrinter p;
        drawDailyReport(p, b4(), d);
        QVERIFY(collisions(p, 20150).filter(QStringLiteral("leaves the sheet")).isEmpty());
    }

    void portraitAndOtherPapersFitTheirPage_data() {
        QTest::addColumn<int>("paper");
        QTest::addColumn<double>("width"); // mm
        QTest::addColumn<double>("height");
        QTest::addColumn<double>("margin");
        QTest::addColumn<double>("fit");
        QTest::newRow("B4 landscape") << 12 << 364.0 << 257.0 << 5.0 << 1.0;
        QTest::newRow("A4 landscape, printer margins") << 9 << 297.0 << 210.0 << 6.0 << 1.0;
        QTest::newRow("B4 portrait") << 12 << 257.0 << 364.0 << 0.0 << 257.0 / 364.0;
        QTest::newRow("A4 portrait") << 9 << 210.0 << 297.0 << 0.0 << 210.0 / 297.0;
        QTest::newRow("A4 portrait, printer margins")
            << 9 << 210.0 << 297.0 << 6.0 << 198.0 / (20150.0 / 1440 * 25.4 * 0.82);
        QTest::newRow("code 14 on A4 landscape") << 14 << 297.0 << 210.0 << 0.0 << 297.0 / 364.0;
        QTest::newRow("code 7 on A3 portrait") << 7 << 297.0 << 420.0 << 0.0 << 297.0 / 364.0;
    }

    void portraitAndOtherPapersFitTheirPage() {
        QFETCH(int, paper);
        QFETCH(double, width);
        QFETCH(double, height);
        QFETCH(double, margin);
        QFETCH(double, fit);
        const double twips = 1440.0 / 25.4;
        QVERIFY(qAbs(pageFit(qint16(paper), scaleForPaper(paper), width * twips, height * twips,
                             (width - 2 * margin) * twips, (height - 2 * margin) * twips) -
                     fit) < 1e-4);
    }

    void portraitPdfKeepsTheWholeSheetOnThePage() {
        // B4 portrait and a code outside the list (the writer's own paper): every word inside.
        QTemporaryDir dir;
        for (const qint16 paper : {qint16(12), qint16(14)}) {
            const QString pdf = dir.filePath(QStringLiteral("p%1.pdf").arg(paper));
            const PageScale scale{paper, qint16(paper == 12 ? 1 : 2), scaleForPaper(paper),
                                  scaleForPaper(paper)};
            QCOMPARE(printToPdf(pdf, [&](Printer& p) { drawDailyReport(p, scale, busyDay()); }),
                     QString());
            QProcess box;
            box.start(QStringLiteral("pdftotext"),
                      {QStringLiteral("-bbox"), QStringLiteral("-f"), QStringLiteral("1"),
                       QStringLiteral("-l"), QStringLiteral("1"), pdf, QStringLiteral("-")});
            QVERIFY(box.waitForFinished(20000));
            const QString html = QString::fromUtf8(box.readAllStandardOutput());
            const auto page =
                QRegularExpression(QStringLiteral("<page width=\"([0-9.]+)\" height=\"([0-9.]+)\""))
                    .match(html);
            QVERIFY(page.hasMatch());
            const double pageWidth = page.captured(1).toDouble();
            QVERIFY(paper == 12 ? pageWidth < page.captured(2).toDouble()
                                : pageWidth > page.captured(2).toDouble());
            double right = 0;
            auto words = QRegularExpression(QStringLiteral("xMax=\"([0-9.]+)\"")).globalMatch(html);
            while (words.hasNext())
                right = std::max(right, words.next().captured(1).toDouble());
            // The totals reach near the right frame, and not past the page.
            QVERIFY2(right > pageWidth * 0.9 && right < pageWidth,
                     qPrintable(QStringLiteral("%1 %2").arg(right).arg(pageWidth)));
        }
    }

    void aFileThatCannotBeWrittenIsReported() {
        const QString e = printToPdf(QStringLiteral("/nonexistent-vorda/日報.pdf"),
                                     [](Printer& p) { p.draw_line(0, 0, 100, 100); });
        QVERIFY(!e.isEmpty());
        // A database chosen as the PDF by mistake stays a database.
        test::TempDatabase t;
        VORDA_READY(t);
        const QByteArray before = test::fileHash(t.path());
        const QString refused =
            printToPdf(t.path(), [](Printer& p) { p.draw_line(0, 0, 100, 100); });
        QVERIFY2(refused.contains(QStringLiteral("データベースのファイルです")),
                 qPrintable(refused));
        QCOMPARE(test::fileHash(t.path()), before);
    }
};

QTEST_MAIN(TestDailyReport)
#include "tst_daily_report.moc"
