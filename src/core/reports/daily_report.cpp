#include "core/reports/daily_report.h"

#include "core/app/name_caches.h"
#include "core/data/schema.h"
#include "core/data/values.h"
#include "core/masters/master_lists.h"

namespace vorda {

QString dailyDateLine(const EraValues& era, const QDate& date, const QString& weather) {
    return era.name + QStringLiteral("  ") + eraYearPlain(date.year(), era.offset) + QStringLiteral(" 年 ") +
           QString::number(date.month()) + QStringLiteral("  月 ") + QString::number(date.day()) +
           QStringLiteral("  日") + QStringLiteral(" (") + weekdayChar(date) + QStringLiteral("曜日)  天候 ") +
           weather;
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
        if (DbError e = db.count(table::DailyReport, {{rec::Date, Condition::Op::Eq, toDbDate(date)}},
                                 out.rowsOnDate))
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
    if (DbError e = db.select(table::Weather, {{weather::Date, Condition::Op::Eq, toDbDate(date)}}, rows, 1))
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

// From a grid column's text (50 in from its rule) to 10 short of the next rule.
constexpr int kColumnWidth = 240;
constexpr int kLegendWidth = 1550;
constexpr int kLongHeading = 6;

class DailySheet {
public:
    DailySheet(Printer& p, const PageScale& s, const DailyReportData& d,
               const std::function<void(int)>& progress)
        : p_(p), s_(s), d_(d), progress_(progress) {}

    void sheet(int first, int legendSize) {
        prtkotei();
        legend(legendSize);
        headings();
        for (int b = 0; b < 8; ++b)
            block(first + b, b);
        p_.end_document();
    }

private:
    // Every text keeps inside its cell: `width` to the next rule or text, `height` down to
    // the rule below where that is close.
    void text(int x, int y, int width, const QString& t, int size, int unlin = 0) {
        if (!t.isEmpty())
            prtxFit(p_, s_, x, y, width, t, size, unlin);
    }
    void text(int x, int y, int width, int height, const QString& t, int size) {
        if (!t.isEmpty())
            prtxFit(p_, s_, x, y, width, height, t, size, 0);
    }
    void line(int x1, int y1, int x2, int y2) { scaledLine(p_, s_, x1, y1, x2, y2); }
    void step() {
        if (progress_ && steps_ < kDailyProgressMax)
            progress_(++steps_);
    }

    void prtkotei() {
        openJob(p_, s_);
        // The title and the date line end short of the stamp box; the person and the labels
        // beside it stay above the grid.
        text(400, 500, 13350, d_.title, 18, 1);
        text(1000, 1050, 12750, d_.dateLine, 18, 1);
        text(15000, 1450, 1450, 240, QStringLiteral("責任者氏名"), 12);
        text(16500, 1400, 1900, 290, d_.person, 16);
        text(18500, 1450, 1340, 240, QStringLiteral("印"), 12);
        p_.set_line_width(5);
        scaledBox(p_, s_, 13850, 500, 19850, 1300);
        for (int x = 14850; x <= 18850; x += 1000)
            line(x, 500, x, 1300);
        scaledBox(p_, s_, 400, 1700, 19850, 12900);
        line(400, 2500, 19850, 2500);
        p_.set_line_width(1);
        for (int k = 1; k <= 15; ++k)
            line(2100, 2500 + 650 * k, 19850, 2500 + 650 * k);
        p_.set_line_width(5);
        for (int k = 1; k <= 7; ++k)
            line(400, 2500 + 1300 * k, 19850, 2500 + 1300 * k);
        p_.set_line_width(1);
        for (int b = 0; b < 8; ++b) {
            line(400, 3500 + 1300 * b, 2100, 3500 + 1300 * b);
            line(1200, 3500 + 1300 * b, 1200, 3800 + 1300 * b);
        }
        line(2100, 1700, 2100, 12900);
        line(2400, 2500, 2400, 12900);
        line(3200, 1700, 3200, 12900);
        line(3500, 2500, 3500, 12900);
        line(5900, 1700, 5900, 12900);
        for (int k = 1; k <= 43; ++k)
            line(5900 + 300 * k, 1700, 5900 + 300 * k, 12900);
        p_.set_line_width(5);
        line(19100, 1700, 19100, 12900);
        text(600, 2000, 1490, QStringLiteral("工 事 名"), 16);
        text(2300, 2000, 890, QStringLiteral("時 間"), 16);
        text(3700, 2000, 2190, QStringLiteral("作 業 内 容"), 16);
        p_.set_line_width(1);
        line(19850, 1700, 19850, 12900);
        text(19300, 2000, 540, QStringLiteral("計"), 16);
        static const struct {
            int x, y, width;
            const char16_t* t;
        } labels[] = {{2150, 2595, 240, u"開"},   {2150, 2920, 240, u"始"},   {2150, 3180, 240, u"終"},
                      {2150, 3495, 240, u"了"},   {3250, 2595, 240, u"予"},   {3250, 2920, 240, u"定"},
                      {3250, 3180, 240, u"実"},   {3250, 3495, 240, u"積"},   {19150, 2600, 440, u"人工"},
                      {19150, 2920, 440, u"車両"}, {19150, 3170, 440, u"人工"}, {19150, 3490, 440, u"車両"}};
        for (int b = 0; b < 8; ++b) {
            for (const auto& l : labels)
                text(l.x, l.y + 1300 * b, l.width, QString::fromUtf16(l.t), 10);
        }
    }

    void legend(int size) {
        for (int r = 0; r < int(d_.legend.size()); ++r)
            text(700 + 1600 * (r % 12), 13000 + 150 * (r / 12), kLegendWidth, d_.legend[r], size);
    }

    // A heading reads down its column, one character a line: the first three in the band,
    // or, for a name that only more characters tell apart, up to six from the band's top, as
    // many a line as the column holds.
    void vertical(int x, const QString& heading, bool more = false) {
        if (more) {
            prtxFitColumn(p_, s_, x, 1720, kColumnWidth, 770, midChars(heading, 0, kLongHeading), 10, 0);
        } else {
            QStringList chars;
            for (int i = 0; i < 3; ++i)
                chars << midChars(heading, i, 1);
            prtxFitLines(p_, s_, x, 1800, kColumnWidth, 690, chars, 10, 0, 200);
        }
        step();
    }

    // The names whose first three characters another column's name shares.
    std::vector<bool> alike(const std::vector<QString>& names) const {
        std::vector<bool> out(names.size(), false);
        for (std::size_t i = 0; i < names.size(); ++i) {
            for (std::size_t j = 0; j < names.size() && !out[i]; ++j) {
                out[i] = i != j && names[i].size() > 3 && names[j] != names[i] &&
                         !names[j].isEmpty() && midChars(names[j], 0, 3) == midChars(names[i], 0, 3);
            }
        }
        return out;
    }

    void headings() {
        std::vector<QString> names(d_.names.employees.begin(), d_.names.employees.begin() + kStaffColumns);
        names.insert(names.end(), d_.names.vehicles.begin(), d_.names.vehicles.begin() + kVehicleColumns);
        const std::vector<bool> more = alike(names);
        for (int c = 0; c < kStaffColumns; ++c)
            vertical(5950 + 300 * c, names[c], more[c]);
        vertical(14950, QStringLiteral("スポト"));
        vertical(15250, QStringLiteral("ガド昼"));
        vertical(15550, QStringLiteral("ガド夜"));
        for (int v = 0; v < kVehicleColumns; ++v)
            vertical(5950 + 300 * (33 + v), names[kStaffColumns + v], more[kStaffColumns + v]);
        vertical(18850, d_.day.extraCaption);
    }

    void block(int k, int b) {
        const int Y = 1300 * b;
        const GroupSlot& g = d_.day.groups[k];
        const Line& planned = d_.day.planned(k);
        const Line& actual = d_.day.actual(k);
        // Six name lines above the strip of remarks and client; two work lines of three.
        prtxFitLines(p_, s_, 410, 2510 + Y, 1680, 980, jobNameLines(g.jobName), 10, 0, 200);
        step();
        if (!g.remarks.isEmpty())
            prtxFitWrapped(p_, s_, 410, 3590 + Y, 780, 3510 + Y, 3790 + Y, g.remarks, 10, 0);
        if (!g.client.isEmpty())
            prtxFitWrapped(p_, s_, 1210, 3590 + Y, 880, 3510 + Y, 3790 + Y, g.client, 10, 0);
        step();
        if (!g.startTime.isEmpty())
            text(2510, 2710 + Y, 680, rightAlignKeepFirst(g.startTime, 5), 10);
        if (!g.endTime.isEmpty())
            text(2510, 3330 + Y, 680, rightAlignKeepFirst(g.endTime, 5), 10);
        step();
        prtxFitLines(p_, s_, 3510, 2510 + Y, 2380, 630, workContentLines(g.plannedWork), 10, 0, 200);
        prtxFitLines(p_, s_, 3510, 3170 + Y, 2380, 620, workContentLines(g.actualWork), 10, 0, 200);
        step();
        for (int c = 0; c < kStaffColumns; ++c) {
            text(5950 + 300 * c, 2700 + Y, kColumnWidth, planned.staff[c].trimmed(), 10);
            text(5950 + 300 * c, 3320 + Y, kColumnWidth, actual.staff[c].trimmed(), 10);
            step();
        }
        auto pair = [&](int x, qint16 plannedCount, qint16 actualCount) {
            text(x, 2700 + Y, kColumnWidth, countOrEmpty(plannedCount), 10);
            text(x, 3320 + Y, kColumnWidth, countOrEmpty(actualCount), 10);
            step();
        };
        pair(14950, g.spotCount[0], g.spotCount[1]);
        pair(15250, planned.guards[0], actual.guards[0]);
        pair(15550, planned.guards[1], actual.guards[1]);
        for (int v = 0; v < kVehicleColumns; ++v)
            pair(5950 + 300 * (33 + v), planned.vehicles[v], actual.vehicles[v]);
        pair(18850, g.extraCount[0], g.extraCount[1]);
        // A total has the room from beside its label to the right frame.
        const auto plannedMen = manDays(d_.day, k, false, d_.daysOff);
        const auto plannedVehicles = vehicleTotal(d_.day, k, false);
        const auto actualMen = manDays(d_.day, k, true, d_.daysOff);
        const auto actualVehicles = vehicleTotal(d_.day, k, true);
        text(19600, 2600 + Y, kColumnWidth, countOrEmpty(plannedMen), 10);
        text(19600, 2920 + Y, kColumnWidth, countOrEmpty(plannedVehicles), 10);
        text(19600, 3170 + Y, kColumnWidth, countOrEmpty(actualMen), 10);
        text(19600, 3490 + Y, kColumnWidth, countOrEmpty(actualVehicles), 10);
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
    sheet.sheet(0, 8);
    if (data.secondSheet)
        sheet.sheet(8, 7);
    if (progress)
        progress(0);
}

} // namespace vorda
