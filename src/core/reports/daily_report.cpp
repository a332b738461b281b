#include "core/reports/daily_report.h"

#include "core/app/name_caches.h"
#include "core/data/schema.h"
#include "core/data/values.h"

namespace vorda {

namespace {

// Characters, never halves of one.
QString midChars(const QString& text, int from, int count) {
    QString rest = text;
    const QString head = leftChars(rest, from);
    rest.remove(0, head.size());
    return leftChars(rest, count);
}

} // namespace

QString dailyDateLine(const EraValues& era, const QDate& date, const QString& weather) {
    return era.name + QStringLiteral("  ") + eraYearPlain(date.year(), era.offset) + QStringLiteral(" 年 ") +
           QString::number(date.month()) + QStringLiteral("  月 ") + QString::number(date.day()) +
           QStringLiteral("  日") + QStringLiteral(" (") + weekdayChar(date) + QStringLiteral("曜日)  天候 ") +
           weather;
}

DbError readSettingsRow(Database& db, QVariantList& row) {
    row.clear();
    std::vector<Row> rows;
    const int key = db.ordinalOf(table::System, QStringLiteral("番号"));
    if (DbError e = db.select(table::System, {{key, Condition::Op::Eq, 1}}, rows, 1))
        return e;
    if (!rows.empty())
        row = rows[0].values;
    return {};
}

void takeEra(const QVariantList& settings, EraValues& era) {
    if (settings.isEmpty())
        return;
    const QVariant name = settings.value(sys::EraName);
    const QVariant offset = settings.value(sys::EraOffset);
    if (!name.isNull())
        era.name = name.toString();
    if (!offset.isNull())
        era.offset = countOf(offset);
}

DbError openForSheet(Database& db, const QString& databasePath, EraValues& era, QVariantList& settings) {
    if (DbError e = db.open(databasePath))
        return e;
    if (DbError e = readSettingsRow(db, settings))
        return e;
    takeEra(settings, era);
    return {};
}

DbError readDailyReport(const QString& databasePath, const QDate& date, EraValues& era,
                        DayModel& model, DailyReportData& out) {
    Database db;
    QVariantList settings;
    if (DbError e = openForSheet(db, databasePath, era, settings))
        return e;
    std::vector<Row> rows;
    if (DbError e = db.select(table::TradeName, {}, rows, 1))
        return e;
    // Without a trade-name row the title and the person print empty.
    out.title = rows.empty() ? QString() : nullSafeText(rows[0].values.value(1));
    out.person = rows.empty() ? QString() : nullSafeText(rows[0].values.value(7));

    if (DbError e = db.selectAll(table::StaffMarks, rows))
        return e;
    out.legend.clear();
    for (const Row& r : rows) {
        if (out.legend.size() >= kLegendMarks)
            break; // the legend holds 101 marks; more are left out
        out.legend << nullSafeText(r.values.value(mark::Mark)).trimmed() + u'=' +
                          nullSafeText(r.values.value(mark::Description)).trimmed();
    }

    NameCaches names;
    CLRDIM(model, names);
    if (DbError e = db.select(table::DailyReport, {{rec::Date, Condition::Op::Eq, toDbDate(date)}},
                              rows, kSlotBound))
        return e;
    for (int k = 0; k < int(rows.size()); ++k)
        rowToSlot(rows[k].values, model, k);
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
    out.secondSheet = false;
    for (int k = 8; k < kSlotBound; ++k)
        out.secondSheet |= !model.groups[k].jobName.isEmpty();
    return {};
}

int manDays(const DayModel& day, int slot, bool actual) {
    const Line& line = actual ? day.actual(slot) : day.planned(slot);
    int n = day.groups[slot].spotCount[actual ? 1 : 0];
    for (const QString& cell : line.staff) {
        const QString t = cell.trimmed();
        if (!t.isEmpty() && t != QStringLiteral("休"))
            ++n;
    }
    return qint16(n);
}

int vehicleTotal(const DayModel& day, int slot, bool actual) {
    const Line& line = actual ? day.actual(slot) : day.planned(slot);
    int n = day.groups[slot].extraCount[actual ? 1 : 0];
    for (qint16 v : line.vehicles)
        n += v;
    return qint16(n);
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
    void text(int x, int y, const QString& t, int size, int unlin = 0) {
        if (!t.isEmpty())
            prtx(p_, s_, x, y, t, size, unlin);
    }
    void line(int x1, int y1, int x2, int y2) { scaledLine(p_, s_, x1, y1, x2, y2); }
    void step() {
        if (progress_ && steps_ < kDailyProgressMax)
            progress_(++steps_);
    }

    void prtkotei() {
        openJob(p_, s_);
        text(400, 500, d_.title, 18, 1);
        text(1000, 1050, d_.dateLine, 18, 1);
        text(15000, 1450, QStringLiteral("責任者氏名"), 12);
        text(16500, 1400, d_.person, 16);
        text(18500, 1450, QStringLiteral("印"), 12);
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
        text(600, 2000, QStringLiteral("工 事 名"), 16);
        text(2300, 2000, QStringLiteral("時 間"), 16);
        text(3700, 2000, QStringLiteral("作 業 内 容"), 16);
        p_.set_line_width(1);
        line(19850, 1700, 19850, 12900);
        text(19300, 2000, QStringLiteral("計"), 16);
        static const struct {
            int x, y;
            const char16_t* t;
        } labels[] = {{2150, 2595, u"開"},   {2150, 2920, u"始"},   {2150, 3180, u"終"},
                      {2150, 3495, u"了"},   {3250, 2595, u"予"},   {3250, 2920, u"定"},
                      {3250, 3180, u"実"},   {3250, 3495, u"積"},   {19150, 2600, u"人工"},
                      {19150, 2920, u"車両"}, {19150, 3170, u"人工"}, {19150, 3490, u"車両"}};
        for (int b = 0; b < 8; ++b) {
            for (const auto& l : labels)
                text(l.x, l.y + 1300 * b, QString::fromUtf16(l.t), 10);
        }
    }

    void legend(int size) {
        for (int r = 0; r < int(d_.legend.size()); ++r)
            text(700 + 1600 * (r % 12), 13000 + 150 * (r / 12), d_.legend[r], size);
    }

    void vertical(int x, const QString& heading) {
        for (int i = 0; i < 3; ++i)
            text(x, 1800 + 200 * i, midChars(heading, i, 1), 10);
        step();
    }

    void headings() {
        for (int c = 0; c < kStaffColumns; ++c)
            vertical(5950 + 300 * c, d_.names.employees[c]);
        vertical(14950, QStringLiteral("スポト"));
        vertical(15250, QStringLiteral("ガド昼"));
        vertical(15550, QStringLiteral("ガド夜"));
        for (int v = 0; v < kVehicleColumns; ++v)
            vertical(5950 + 300 * (33 + v), d_.names.vehicles[v]);
        vertical(18850, d_.day.extraCaption);
    }

    void block(int k, int b) {
        const int Y = 1300 * b;
        const GroupSlot& g = d_.day.groups[k];
        const Line& planned = d_.day.planned(k);
        const Line& actual = d_.day.actual(k);
        const QStringList name = jobNameLines(g.jobName);
        for (int i = 0; i < 6; ++i)
            text(410, 2510 + 200 * i + Y, name[i], 10);
        step();
        text(410, 3590 + Y, g.remarks, 10);
        text(1210, 3590 + Y, g.client, 10);
        step();
        if (!g.startTime.isEmpty())
            text(2510, 2710 + Y, rightAlignKeepFirst(g.startTime, 5), 10);
        if (!g.endTime.isEmpty())
            text(2510, 3330 + Y, rightAlignKeepFirst(g.endTime, 5), 10);
        step();
        const QStringList plannedWork = workContentLines(g.plannedWork);
        const QStringList actualWork = workContentLines(g.actualWork);
        for (int i = 0; i < 3; ++i) {
            text(3510, 2510 + 200 * i + Y, plannedWork[i], 10);
            text(3510, 3170 + 200 * i + Y, actualWork[i], 10);
        }
        step();
        for (int c = 0; c < kStaffColumns; ++c) {
            text(5950 + 300 * c, 2700 + Y, planned.staff[c].trimmed(), 10);
            text(5950 + 300 * c, 3320 + Y, actual.staff[c].trimmed(), 10);
            step();
        }
        auto pair = [&](int x, qint16 plannedCount, qint16 actualCount) {
            text(x, 2700 + Y, countOrEmpty(plannedCount), 10);
            text(x, 3320 + Y, countOrEmpty(actualCount), 10);
            step();
        };
        pair(14950, g.spotCount[0], g.spotCount[1]);
        pair(15250, planned.guards[0], actual.guards[0]);
        pair(15550, planned.guards[1], actual.guards[1]);
        for (int v = 0; v < kVehicleColumns; ++v)
            pair(5950 + 300 * (33 + v), planned.vehicles[v], actual.vehicles[v]);
        pair(18850, g.extraCount[0], g.extraCount[1]);
        text(19600, 2600 + Y, countOrEmpty(manDays(d_.day, k, false)), 10);
        text(19600, 2920 + Y, countOrEmpty(vehicleTotal(d_.day, k, false)), 10);
        text(19600, 3170 + Y, countOrEmpty(manDays(d_.day, k, true)), 10);
        text(19600, 3490 + Y, countOrEmpty(vehicleTotal(d_.day, k, true)), 10);
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
