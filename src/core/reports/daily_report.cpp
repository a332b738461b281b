#include "core/reports/daily_report.h"

#include "core/app/name_caches.h"
#include "core/data/schema.h"
#include "core/data/values.h"
#include "core/masters/master_lists.h"

#include <cmath>

namespace vorda {

QString dailyDateLine(const EraValues& era, const QDate& date, const QString& weather) {
    return era.name + QStringLiteral("  ") + eraYearPlain(date.year(), era.offset) +
           QStringLiteral(" 年 ") + QString::number(date.month()) + QStringLiteral("  月 ") +
           QString::number(date.day()) + QStringLiteral("  日") + QStringLiteral(" (") +
           weekdayChar(date) + QStringLiteral("曜日)  天候 ") + weather;
}

DbError readDailyReport(const QString& databasePath, const QDate& date, EraValues& era,
                        DayModel& model, DailyReportData& out) {
    Database db;
    if (DbError e = db.open(databasePath))
        return e;
    if (DbError e = readEra(db, era))
        return e;
    QStringList trade;
    if (DbError e = readTradeName(db, trade))
        return e;
    // Without a trade-name row the title and the person print empty.
    out.title = trade[1];
    out.person = trade[7];
    std::vector<Row> rows;

    if (DbError e = db.selectAll(table::StaffMarks, rows))
        return e;
    out.legend.clear();
    out.daysOff.clear();
    for (const Row& r : rows) {
        const QString text = nullSafeText(r.values.value(mark::Mark)).trimmed();
        // Every day-off mark counts, also one beyond what the legend holds.
        if (countOf(r.values.value(mark::Kind)) == markKind::DayOff && !text.isEmpty())
            out.daysOff << text;
        if (out.legend.size() < kLegendMarks)
            out.legend << text + u'=' + nullSafeText(r.values.value(mark::Description)).trimmed();
    }

    NameCaches names;
    CLRDIM(model, names);
    if (DbError e = db.select(table::DailyReport, {{rec::Date, Condition::Op::Eq, toDbDate(date)}},
                              rows, kSlotBound))
        return e;
    // The model holds 16 slots; a 17th row only says whether a second sheet is due.
    bool seventeenthNamed = false;
    for (int k = 0; k < int(rows.size()); ++k) {
        if (k < kGroupsPerDay)
            rowToSlot(rows[k].values, model, k);
        else
            seventeenthNamed = !nullSafeText(rows[k].values.value(rec::JobName)).isEmpty();
    }
    out.rowsOnDate = qint64(rows.size());
    if (rows.size() >= std::size_t(kSlotBound)) {
        if (DbError e = db.count(table::DailyReport,
                                 {{rec::Date, Condition::Op::Eq, toDbDate(date)}}, out.rowsOnDate))
            return e;
    }
    out.notice.clear();
    if (out.rowsOnDate > kGroupsPerDay)
        out.notice = QStringLiteral("%1 の日報は %2 件あります。印刷するのは最初の %3 件です。")
                         .arg(date.toString(QStringLiteral("yyyy/MM/dd")))
                         .arg(out.rowsOnDate)
                         .arg(kGroupsPerDay);
    if (DbError e = SYAINGET(db, names))
        return e;
    if (DbError e = SYARYOGET(db, names))
        return e;

    // The weather stored for the printed date, whatever date the main screen shows.
    QString weather;
    if (DbError e = db.select(table::Weather, {{weather::Date, Condition::Op::Eq, toDbDate(date)}},
                              rows, 1))
        return e;
    if (!rows.empty())
        weather = nullSafeText(rows[0].values.value(weather::Word));

    out.date = date;
    out.day = model;
    out.names = names;
    out.dateLine = dailyDateLine(era, date, weather);
    out.secondSheet = seventeenthNamed;
    for (int k = 8; k < kGroupsPerDay; ++k)
        out.secondSheet |= !model.groups[k].jobName.isEmpty();
    return {};
}

qint64 manDays(const DayModel& day, int slot, bool actual, const QStringList& daysOff) {
    const Line& line = actual ? day.actual(slot) : day.planned(slot);
    qint64 n = day.groups[slot].spotCount[actual ? 1 : 0];
    for (const QString& cell : line.staff) {
        const QString t = cell.trimmed();
        if (!t.isEmpty() && !daysOff.contains(t))
            ++n;
    }
    return n;
}

qint64 vehicleTotal(const DayModel& day, int slot, bool actual) {
    const Line& line = actual ? day.actual(slot) : day.planned(slot);
    qint64 n = day.groups[slot].extraCount[actual ? 1 : 0];
    for (qint16 v : line.vehicles)
        n += v;
    return n;
}

QStringList jobNameLines(const QString& name) {
    QStringList lines;
    for (int i = 0; i < 5; ++i)
        lines << midChars(name, 8 * i, 8);
    lines << midChars(name, 40, 11);
    return lines;
}

QStringList workContentLines(const QString& text) {
    return {midChars(text, 0, 11), midChars(text, 11, 11), midChars(text, 22, 11)};
}

namespace {

// The sheet's layout in base twips. The grid: an outline, a heading band, eight blocks of a
// planned and an actual half, the first column split into name lines above a strip of
// remarks and client, then times, work content, 44 columns of 300 and the totals.
constexpr int kGridLeft = 400, kGridTop = 1700, kGridRight = 19850, kGridBottom = 12900;
constexpr int kFirstBlock = 2500; // the heading rule: blocks start below it
constexpr int kBlockHeight = 1300, kHalfHeight = 650, kBlocksPerSheet = 8;
constexpr int kStripTop = 1000; // the remarks strip, from a block's top
constexpr int kNameRule = 2100, kStripDivider = 1200;
constexpr int kTimeLabelRule = 2400, kWorkRule = 3200, kWorkLabelRule = 3500;
constexpr int kGridColumnsLeft = 5900, kColumnPitch = 300, kGridColumns = 44;
constexpr int kTextInset = 50; // a grid column's text from its left rule
constexpr int kTotalsRule = 19100;
constexpr int kSpotColumn = 30, kGuardDayColumn = 31, kGuardNightColumn = 32;
constexpr int kFirstVehicleColumn = 33, kExtraColumn = 43;
constexpr int kStampLeft = 13850, kStampTop = 500, kStampRight = 19850, kStampBottom = 1300;
constexpr int kHeavy = 5, kThin = 1; // rule widths in dots
constexpr int kLegendLeft = 700, kLegendTop = 13000, kLegendPitchX = 1600, kLegendPitchY = 150;
constexpr int kLegendPerRow = 12, kLegendWidth = 1550;
constexpr int kPlannedLine = 2700, kActualLine = 3320; // cells of a block's two lines
// The print date stands above the stamp box, at the sheet's right.
constexpr int kMarksTop = 150;

// Which groups a sheet shows and how large its legend is.
struct SheetPart {
    int firstSlot;
    int legendSize;
    int page;
};
constexpr SheetPart kFirstSheet{0, 8, 1};
constexpr SheetPart kSecondSheet{8, 7, 2};

constexpr int columnLeft(int c) {
    return kGridColumnsLeft + kColumnPitch * c;
}
constexpr int blockTop(int b) {
    return kFirstBlock + kBlockHeight * b;
}

class DailySheet {
public:
    DailySheet(Printer& p, const PageScale& s, const DailyReportData& d,
               const std::function<void(int)>& progress)
        : p_(p), s_(s), d_(d), progress_(progress) {}

    void sheet(const SheetPart& part) {
        prtkotei();
        prtPageMarks(p_, s_, kGridRight, kMarksTop, part.page, d_.secondSheet ? 2 : 1);
        legend(part.legendSize);
        headings();
        for (int b = 0; b < kBlocksPerSheet; ++b)
            block(part.firstSlot + b, b);
        p_.end_document();
    }

private:
    // Every text keeps inside its cell: `right` is where the next rule (counting its width)
    // or text begins, `bottom` the rule below where that is close.
    void text(int x, int y, int right, const QString& t, int size, int unlin = 0) {
        if (!t.isEmpty())
            prtxFit(p_, s_, x, y, right - x, t, size, unlin);
    }
    void text(int x, int y, int right, int bottom, const QString& t, int size) {
        if (!t.isEmpty())
            prtxFit(p_, s_, x, y, right - x, bottom - y, t, size, 0);
    }
    int after(int rule, int dots) const { return clearAfter(s_, rule, dots); }
    int before(int rule, int dots) const { return clearBefore(s_, rule, dots); }
    void line(int x1, int y1, int x2, int y2) { scaledLine(p_, s_, x1, y1, x2, y2); }
    void step() {
        if (progress_ && steps_ < kDailyProgressMax)
            progress_(++steps_);
    }

    void prtkotei() {
        openJob(p_, s_);
        // The title and the date line end short of the stamp box; the person and the labels
        // beside it stay above the grid.
        const int aboveGrid = before(kGridTop, kHeavy);
        text(400, 500, before(kStampLeft, kHeavy), d_.title, 18, 1);
        text(1000, 1050, before(kStampLeft, kHeavy), d_.dateLine, 18, 1);
        text(15000, 1450, 16450, aboveGrid, QStringLiteral("責任者氏名"), 12);
        text(16500, 1400, 18400, aboveGrid, d_.person, 16);
        text(18500, 1450, kGridRight, aboveGrid, QStringLiteral("印"), 12);
        p_.set_line_width(kHeavy);
        scaledBox(p_, s_, kStampLeft, kStampTop, kStampRight, kStampBottom);
        for (int x = kStampLeft + 1000; x < kStampRight; x += 1000)
            line(x, kStampTop, x, kStampBottom);
        scaledBox(p_, s_, kGridLeft, kGridTop, kGridRight, kGridBottom);
        line(kGridLeft, kFirstBlock, kGridRight, kFirstBlock);
        p_.set_line_width(kThin);
        for (int k = 1; k < 2 * kBlocksPerSheet; ++k)
            line(kNameRule, kFirstBlock + kHalfHeight * k, kGridRight,
                 kFirstBlock + kHalfHeight * k);
        p_.set_line_width(kHeavy);
        for (int b = 1; b < kBlocksPerSheet; ++b)
            line(kGridLeft, blockTop(b), kGridRight, blockTop(b));
        p_.set_line_width(kThin);
        for (int b = 0; b < kBlocksPerSheet; ++b) {
            const int strip = blockTop(b) + kStripTop;
            line(kGridLeft, strip, kNameRule, strip);
            line(kStripDivider, strip, kStripDivider, blockTop(b + 1));
        }
        line(kNameRule, kGridTop, kNameRule, kGridBottom);
        line(kTimeLabelRule, kFirstBlock, kTimeLabelRule, kGridBottom);
        line(kWorkRule, kGridTop, kWorkRule, kGridBottom);
        line(kWorkLabelRule, kFirstBlock, kWorkLabelRule, kGridBottom);
        line(kGridColumnsLeft, kGridTop, kGridColumnsLeft, kGridBottom);
        for (int k = 1; k < kGridColumns; ++k)
            line(columnLeft(k), kGridTop, columnLeft(k), kGridBottom);
        p_.set_line_width(kHeavy);
        line(kTotalsRule, kGridTop, kTotalsRule, kGridBottom);
        text(600, 2000, before(kNameRule, kThin), QStringLiteral("工 事 名"), 16);
        text(2300, 2000, before(kWorkRule, kThin), QStringLiteral("時 間"), 16);
        text(3700, 2000, before(kGridColumnsLeft, kThin), QStringLiteral("作 業 内 容"), 16);
        p_.set_line_width(kThin);
        line(kGridRight, kGridTop, kGridRight, kGridBottom);
        text(19300, 2000, before(kGridRight, kHeavy), QStringLiteral("計"), 16);
        static const struct {
            int x, y;
            const char16_t* t;
        } labels[] = {{2150, 2595, u"開"},    {2150, 2920, u"始"},    {2150, 3180, u"終"},
                      {2150, 3495, u"了"},    {3250, 2595, u"予"},    {3250, 2920, u"定"},
                      {3250, 3180, u"実"},    {3250, 3495, u"積"},    {19150, 2600, u"人工"},
                      {19150, 2920, u"車両"}, {19150, 3170, u"人工"}, {19150, 3490, u"車両"}};
        for (int b = 0; b < kBlocksPerSheet; ++b) {
            for (const auto& l : labels) {
                const int right = l.x < kTimeLabelRule   ? before(kTimeLabelRule, kThin)
                                  : l.x < kWorkLabelRule ? before(kWorkLabelRule, kThin)
                                                         : before(kGridRight, kHeavy);
                text(l.x, l.y + kBlockHeight * b, right, QString::fromUtf16(l.t), 10);
            }
        }
    }

    void legend(int size) {
        for (int r = 0; r < int(d_.legend.size()); ++r) {
            const int x = kLegendLeft + kLegendPitchX * (r % kLegendPerRow);
            text(x, kLegendTop + kLegendPitchY * (r / kLegendPerRow), x + kLegendWidth,
                 d_.legend[r], size);
        }
    }

    // A heading reads down its column (the rule shared with the monthly results).
    void vertical(int column, const QString& heading, bool alike = false) {
        const int x = columnLeft(column) + kTextInset;
        const int right = column == kExtraColumn ? before(kTotalsRule, kHeavy)
                                                 : before(columnLeft(column + 1), kThin);
        prtxHeading(p_, s_, x, 1800, 200, after(kGridTop, kHeavy), before(kFirstBlock, kHeavy),
                    right - x, heading, 10, alike);
        step();
    }

    void headings() {
        std::vector<QString> names(d_.names.employees.begin(),
                                   d_.names.employees.begin() + kStaffColumns);
        names.insert(names.end(), d_.names.vehicles.begin(),
                     d_.names.vehicles.begin() + kVehicleColumns);
        const std::vector<bool> alike = headingsAlike(names);
        for (int c = 0; c < kStaffColumns; ++c)
            vertical(c, names[c], alike[c]);
        vertical(kSpotColumn, QStringLiteral("スポト"));
        vertical(kGuardDayColumn, QStringLiteral("ガド昼"));
        vertical(kGuardNightColumn, QStringLiteral("ガド夜"));
        for (int v = 0; v < kVehicleColumns; ++v)
            vertical(kFirstVehicleColumn + v, names[kStaffColumns + v], alike[kStaffColumns + v]);
        vertical(kExtraColumn, d_.day.extraCaption);
    }

    // A mark in its grid column, from the column's text position to the next rule.
    void cell(int column, int y, const QString& t) {
        const int x = columnLeft(column) + kTextInset;
        text(x, y, before(columnLeft(column + 1), kThin), t, 10);
    }
    // A count takes its column's whole free width before it shrinks.
    void figure(int column, int y, const QString& t) {
        const int right = column == kExtraColumn ? before(kTotalsRule, kHeavy)
                                                 : before(columnLeft(column + 1), kThin);
        prtxFigure(p_, s_, columnLeft(column) + kTextInset, y, after(columnLeft(column), kThin),
                   right, t, 10);
    }
    // A total stands at 19600 and takes the blank beside its label before it shrinks.
    void total(int y, const QString& label, qint64 value) {
        const int left = 19150 + int(std::ceil(printTextWidth(label, 10))) + 20;
        prtxFigure(p_, s_, 19600, y, left, before(kGridRight, kHeavy), countOrEmpty(value), 10);
    }

    void block(int k, int b) {
        const int Y = kBlockHeight * b;
        const int top = blockTop(b);
        const int strip = top + kStripTop;
        const GroupSlot& g = d_.day.groups[k];
        const Line& planned = d_.day.planned(k);
        const Line& actual = d_.day.actual(k);
        // Six name lines above the strip of remarks and client; two work lines of three.
        const int nameLeft = after(kGridLeft, kHeavy);
        const int nameTop = after(top, kHeavy);
        prtxFitLines(p_, s_, nameLeft, nameTop, before(kNameRule, kThin) - nameLeft,
                     before(strip, kThin) - nameTop, jobNameLines(g.jobName), 10, 0, 200);
        step();
        const int stripTop = after(strip, kThin);
        const int stripBottom = before(top + kBlockHeight, kHeavy);
        if (!g.remarks.isEmpty())
            prtxFitWrapped(p_, s_, nameLeft, 3590 + Y, before(kStripDivider, kThin) - nameLeft,
                           stripTop, stripBottom, g.remarks, 10, 0);
        if (!g.client.isEmpty())
            prtxFitWrapped(p_, s_, 1210, 3590 + Y, before(kNameRule, kThin) - 1210, stripTop,
                           stripBottom, g.client, 10, 0);
        step();
        if (!g.startTime.isEmpty())
            text(2510, 2710 + Y, before(kWorkRule, kThin), rightAlignKeepFirst(g.startTime, 5), 10);
        if (!g.endTime.isEmpty())
            text(2510, 3330 + Y, before(kWorkRule, kThin), rightAlignKeepFirst(g.endTime, 5), 10);
        step();
        const int workRight = before(kGridColumnsLeft, kThin);
        const int half = top + kHalfHeight;
        const int plannedTop = after(top, kHeavy);
        const int actualTop = std::max(3170 + Y, after(half, kThin));
        prtxFitLines(p_, s_, 3510, plannedTop, workRight - 3510, before(half, kThin) - plannedTop,
                     workContentLines(g.plannedWork), 10, 0, 200);
        prtxFitLines(p_, s_, 3510, actualTop, workRight - 3510, stripBottom - actualTop,
                     workContentLines(g.actualWork), 10, 0, 200);
        step();
        for (int c = 0; c < kStaffColumns; ++c) {
            cell(c, kPlannedLine + Y, planned.staff[c].trimmed());
            cell(c, kActualLine + Y, actual.staff[c].trimmed());
            step();
        }
        auto pair = [&](int column, qint16 plannedCount, qint16 actualCount) {
            figure(column, kPlannedLine + Y, countOrEmpty(plannedCount));
            figure(column, kActualLine + Y, countOrEmpty(actualCount));
            step();
        };
        pair(kSpotColumn, g.spotCount[0], g.spotCount[1]);
        pair(kGuardDayColumn, planned.guards[0], actual.guards[0]);
        pair(kGuardNightColumn, planned.guards[1], actual.guards[1]);
        for (int v = 0; v < kVehicleColumns; ++v)
            pair(kFirstVehicleColumn + v, planned.vehicles[v], actual.vehicles[v]);
        pair(kExtraColumn, g.extraCount[0], g.extraCount[1]);
        total(2600 + Y, QStringLiteral("人工"), manDays(d_.day, k, false, d_.daysOff));
        total(2920 + Y, QStringLiteral("車両"), vehicleTotal(d_.day, k, false));
        total(3170 + Y, QStringLiteral("人工"), manDays(d_.day, k, true, d_.daysOff));
        total(3490 + Y, QStringLiteral("車両"), vehicleTotal(d_.day, k, true));
        step();
    }

    Printer& p_;
    const PageScale& s_;
    const DailyReportData& d_;
    const std::function<void(int)>& progress_;
    int steps_ = 0;
};

} // namespace

void drawDailyReport(Printer& printer, const PageScale& scale, const DailyReportData& data,
                     const std::function<void(int)>& progress) {
    DailySheet sheet(printer, scale, data, progress);
    sheet.sheet(kFirstSheet);
    if (data.secondSheet)
        sheet.sheet(kSecondSheet);
    if (progress)
        progress(0);
}

} // namespace vorda
