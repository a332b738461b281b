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
#include "support/temp_database.h"

#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

using namespace vorda;

namespace {

const QDate kDay(2024, 6, 14);

PageScale b4() {
    return PageScale{12, 2, 1.0f, 1.0f};
}

// A small firm with a fixed day: what the golden sheet is made of.
struct Firm {
    Firm() {
        Database db;
        if (db.open(t.path()))
            return;
        for (const char16_t* name : {u"山田", u"佐藤", u"鈴木"})
            db.insert(table::Employees, {QStringLiteral("1"), QString::fromUtf16(name), QStringLiteral(""), 0, 0, 10});
        db.insert(table::Vehicles, {QStringLiteral("1"), QStringLiteral("2tダンプ")});
        db.insert(table::Vehicles, {QStringLiteral("2"), QStringLiteral("ユニック")});
        QVariantList trade(9, QStringLiteral(""));
        trade[1] = QStringLiteral("作業日報");
        trade[7] = QStringLiteral("北斗 太郎");
        db.update(table::TradeName, 1, trade);
        db.insert(table::Weather, {toDbDate(kDay), QStringLiteral("金"), QStringLiteral("晴")});
        db.insert(table::Weather, {toDbDate(kDay.addDays(1)), QStringLiteral("土"), QStringLiteral("雨")});
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

const RecordingPrinter::Text* textAt(const std::vector<RecordingPrinter::Text>& texts, float x, float y,
                                     int sheet = 0) {
    for (const auto& t : texts) {
        if (qFuzzyCompare(t.x, x) && qFuzzyCompare(t.y, y) && t.sheet == sheet)
            return &t;
    }
    return nullptr;
}

QString printedAt(const std::vector<RecordingPrinter::Text>& texts, float x, float y, int sheet = 0) {
    const auto* t = textAt(texts, x, y, sheet);
    return t ? t->text : QString();
}

} // namespace

class TestDailyReport : public QObject {
    Q_OBJECT
private slots:
    void prtxScalesPositionsAndSizes() {
        RecordingPrinter p;
        prtx(p, b4(), 400, 500, QStringLiteral("題"), 18, 1);
        prtx(p, PageScale{8, 2, scaleForPaper(8), scaleForPaper(8)}, 400, 500, QStringLiteral("題"), 18, 0);
        prtx(p, PageScale{11, 2, scaleForPaper(11), scaleForPaper(11)}, 1000, 1000, QStringLiteral("小"), 10, 0);
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
        QCOMPARE(p.dump(), QStringList({"set_paper 13.00", "set_orientation 1.00", "set_font_name \"ＭＳ 明朝\"", "new_line"}));
        QCOMPARE(pageSizeOf(12)->id(), QPageSize::JisB4);
        QCOMPARE(pageSizeOf(13)->id(), QPageSize::JisB5);
        QCOMPARE(pageSizeOf(8)->id(), QPageSize::A3);
        QVERIFY(!pageSizeOf(14));
    }

    void headerAndDateLine() {
        Firm f;
        QVERIFY(f.t.ok());
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
        QCOMPARE(printedAt(texts, 1000, 1050), QStringLiteral("令和  6 年 6  月 14  日 (金曜日)  天候 晴"));
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

    void blockContentsAndTotals() {
        Firm f;
        QVERIFY(f.t.ok());
        DayModel day = sampleDay();
        f.store(day, 0);
        const DailyReportData data = f.read();
        RecordingPrinter p;
        drawDailyReport(p, b4(), data);
        const auto texts = p.texts();
        QCOMPARE(printedAt(texts, 410, 2510), QStringLiteral("県道八王子線舗装"));
        QCOMPARE(printedAt(texts, 410, 2710), QStringLiteral("補修工事"));
        QCOMPARE(printedAt(texts, 2510, 2710), QStringLiteral("08:00"));
        QCOMPARE(printedAt(texts, 3510, 2510), QStringLiteral("舗装版切断・取壊し"));
        QCOMPARE(printedAt(texts, 5950, 2700), QStringLiteral("○"));
        QCOMPARE(printedAt(texts, 6250, 2700), QStringLiteral("休")); // printed, not counted
        QCOMPARE(printedAt(texts, 6550, 2700), QString());             // blanks print nothing
        QCOMPARE(printedAt(texts, 5950, 3320), QStringLiteral("○"));   // trimmed
        QCOMPARE(printedAt(texts, 14950, 2700), QStringLiteral("2"));
        QCOMPARE(printedAt(texts, 15550, 3320), QStringLiteral("1"));
        QCOMPARE(printedAt(texts, 15550, 2700), QString()); // zero prints nothing
        QCOMPARE(printedAt(texts, 18850, 2700), QStringLiteral("1"));
        QCOMPARE(printedAt(texts, 18850, 3320), QString());
        // Planned man-days: 2 spot + "○" (休 and blanks left out); vehicles 1 + 2 + extra 1.
        QCOMPARE(printedAt(texts, 19600, 2600), QStringLiteral("3"));
        QCOMPARE(printedAt(texts, 19600, 2920), QStringLiteral("4"));
        QCOMPARE(printedAt(texts, 19600, 3170), QStringLiteral("3"));
        QCOMPARE(printedAt(texts, 19600, 3490), QStringLiteral("1"));
        // An empty block prints no totals.
        QCOMPARE(printedAt(texts, 19600, 2600 + 1300), QString());
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

    void aGroupInSlotEightBringsTheSecondSheet() {
        Firm f;
        QVERIFY(f.t.ok());
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
        QCOMPARE(printedAt(texts, 410, 2510, 1), QStringLiteral("現場9"));
        QCOMPARE(printedAt(texts, 410, 2510, 0), QStringLiteral("現場1"));
        // The second sheet's legend is in 7 points, the first's in 8.
        QCOMPARE(textAt(texts, 700, 13000, 0)->size, 8.0f);
        QCOMPARE(textAt(texts, 700, 13000, 1)->size, 7.0f);
        QCOMPARE(texts.back().sheet, 1);
    }

    void aDayWithoutRowsPrintsAnEmptySheetWithTheLastCaption() {
        Firm f;
        QVERIFY(f.t.ok());
        f.store(sampleDay(), 0);
        f.read(); // the print's own model now holds the caption "応援"
        const DailyReportData empty = f.read(kDay.addDays(1));
        RecordingPrinter p;
        drawDailyReport(p, b4(), empty);
        const auto texts = p.texts();
        QCOMPARE(printedAt(texts, 18850, 1800), QStringLiteral("応"));
        QCOMPARE(printedAt(texts, 410, 2510), QString());
        QVERIFY(printedAt(texts, 1000, 1050).endsWith(QStringLiteral("天候 雨")));
    }

    void wholeSheetMatchesTheGoldenDump() {
        Firm f;
        QVERIFY(f.t.ok());
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
        const QString golden = QStringLiteral(VORDA_GOLDEN_DIR "/daily_report.txt");
        if (qEnvironmentVariableIsSet("VORDA_UPDATE_GOLDEN")) {
            QFile out(golden);
            QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
            out.write((dump.join(u'\n') + u'\n').toUtf8());
            QSKIP("golden dump written");
        }
        QFile in(golden);
        QVERIFY2(in.open(QIODevice::ReadOnly), "no golden dump: run once with VORDA_UPDATE_GOLDEN=1");
        const QStringList expected = QString::fromUtf8(in.readAll()).split(u'\n', Qt::SkipEmptyParts);
        for (int i = 0; i < std::min(dump.size(), expected.size()); ++i)
            QCOMPARE(dump[i], expected[i]);
        QCOMPARE(dump.size(), expected.size());
    }

    void pdfOfADemoDayReadsBack() {
        const QDate today(2024, 6, 14); // a Friday: the sample firm's busy day
        test::TempDatabase t(true, today);
        QVERIFY(t.ok());
        EraValues era;
        DayModel model;
        DailyReportData data;
        QVERIFY(!readDailyReport(t.path(), today, era, model, data));
        QVERIFY(data.secondSheet);
        const QString pdf = t.filePath(QStringLiteral("日報.pdf"));
        QCOMPARE(printToPdf(pdf, [&](Printer& p) { drawDailyReport(p, b4(), data); }), QString());
        QProcess info;
        info.start(QStringLiteral("pdfinfo"), {pdf});
        QVERIFY(info.waitForFinished(20000));
        const QString infoText = QString::fromUtf8(info.readAllStandardOutput());
        QVERIFY2(infoText.contains(QRegularExpression(QStringLiteral("Pages:\\s+2"))), qPrintable(infoText));
        QVERIFY2(infoText.contains(QStringLiteral("1031.")) || infoText.contains(QStringLiteral("1032")),
                 qPrintable(infoText)); // JIS B4 landscape, 364 mm wide
        QProcess text;
        text.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
        QVERIFY(text.waitForFinished(20000));
        const QString content = QString::fromUtf8(text.readAllStandardOutput());
        QVERIFY2(content.contains(QStringLiteral("作業日報")), qPrintable(content.left(400)));
        QVERIFY(content.contains(QStringLiteral("令和")));
        QVERIFY(content.contains(QStringLiteral("(金曜日)")));
        for (int k = 0; k < 3; ++k)
            QVERIFY(content.contains(jobNameLines(data.day.groups[k].jobName)[0]));
    }

    void aFileThatCannotBeWrittenIsReported() {
        const QString e = printToPdf(QStringLiteral("/nonexistent-vorda/日報.pdf"), [](Printer& p) {
            p.draw_line(0, 0, 100, 100);
        });
        QVERIFY(!e.isEmpty());
        // A database chosen as the PDF by mistake stays a database.
        test::TempDatabase t;
        QVERIFY(t.ok());
        const QByteArray before = test::fileHash(t.path());
        const QString refused = printToPdf(t.path(), [](Printer& p) { p.draw_line(0, 0, 100, 100); });
        QVERIFY2(refused.contains(QStringLiteral("データベースのファイルです")), qPrintable(refused));
        QCOMPARE(test::fileHash(t.path()), before);
    }
};

QTEST_MAIN(TestDailyReport)
#include "tst_daily_report.moc"
