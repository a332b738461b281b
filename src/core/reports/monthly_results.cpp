#include "core/reports/monthly_results.h"

#include "core/app/name_caches.h"
#include "core/data/schema.h"

#include <QHash>
#include <QSet>
#include <algorithm>
#include <map>

namespace vorda {

int monthlyClosingDay(const QVariantList& settings) {
    const QVariant stored = settings.value(sys::MonthlyClosingDay);
    const int value = countOf(stored);
    return stored.isValid() && !stored.isNull() && value >= 1 && value <= 31 ? value : 31;
}

Period HANIDT(const QVariantList& settings, int year, int month) {
    return monthClosingPeriod(year, month, monthlyClosingDay(settings));
}

DbError HANIDT(const QString& databasePath, int year, int month, Period& out) {
    out = Period();
    Database db;
    if (DbError e = db.open(databasePath))
        return e;
    QVariantList settings;
    if (DbError e = readSettingsRow(db, settings))
        return e;
    out = HANIDT(settings, year, month);
    return {};
}

MonthlyRowValues monthlyRowValues(const QVariantList& row) {
    MonthlyRowValues v;
    v.jobNumber = storedNumber(row.value(rec::JobNumber));
    for (int c = 0; c < kStaffColumns; ++c)
        v.staff[c] = nullSafeText(row.value(rec::ActualStaff + c)).trimmed();
    v.guardDay = countOf(row.value(rec::ActualGuardDay));
    v.guardNight = countOf(row.value(rec::ActualGuardNight));
    for (int k = 0; k < kVehicleColumns; ++k)
        v.vehicles[k] = countOf(row.value(rec::ActualVehicle + k));
    v.night = countOf(row.value(rec::Night));
    v.other = countOf(row.value(rec::ExtraActual));
    v.spot = countOf(row.value(rec::SpotActual));
    return v;
}

void tallyMonthlyResults(const std::vector<MonthlyRowValues>& rows,
                         const std::vector<ProjectEntry>& projectList,
                         const std::vector<StaffMark>& marks,
                         const std::array<QString, kVehicleCacheSize>& vehicles,
                         MonthlyResultsData& out) {
    // Each project once, in ascending number.
    std::map<qint64, std::size_t> position;
    for (const MonthlyRowValues& r : rows)
        position.emplace(r.jobNumber, 0);
    QHash<qint64, const ProjectEntry*> entries;
    for (const ProjectEntry& e : projectList)
        entries.insert(e.number, &e); // a number listed twice: the later row's name
    out.projects.clear();
    for (auto& [number, p] : position) {
        p = out.projects.size();
        const ProjectEntry* e = entries.value(number);
        out.projects.push_back({number, e ? e->name : QString(), e ? e->client : QString()});
    }
    const std::size_t n = out.projects.size();

    // The marks a cell text stands for; a text listed twice counts under both.
    QHash<QString, std::vector<std::size_t>> byText;
    for (std::size_t m = 0; m < marks.size(); ++m) {
        const QString text = marks[m].mark.trimmed();
        if (!text.isEmpty())
            byText[text].push_back(m);
    }
    std::vector<qint64> markCount(marks.size() * n), markNight(marks.size() * n);
    std::vector<qint64> spotDay(n), spotNight(n), guardDay(n), guardNight(n), other(n);
    std::vector<qint64> vehicleCount(kVehicleColumns * n);
    for (const MonthlyRowValues& r : rows) {
        const std::size_t p = position[r.jobNumber];
        for (const QString& cell : r.staff) {
            if (cell.isEmpty())
                continue;
            const auto found = byText.constFind(cell);
            if (found == byText.cend())
                continue;
            for (std::size_t m : *found) {
                ++markCount[m * n + p];
                if (r.night == 1)
                    ++markNight[m * n + p];
            }
        }
        guardDay[p] += r.guardDay;
        guardNight[p] += r.guardNight;
        for (int v = 0; v < kVehicleColumns; ++v)
            vehicleCount[v * n + p] += r.vehicles[v];
        other[p] += r.other;
        (r.night != 0 ? spotNight : spotDay)[p] += r.spot;
    }

    // A kind gets a column only when some project used it.
    out.columns.clear();
    auto column = [&](const QString& heading, std::vector<qint64> values) {
        if (std::any_of(values.begin(), values.end(), [](qint64 v) { return v != 0; }))
            out.columns.push_back({heading, std::move(values)});
    };
    auto slice = [n](const std::vector<qint64>& all, std::size_t k) {
        return std::vector<qint64>(all.begin() + k * n, all.begin() + (k + 1) * n);
    };
    for (std::size_t m = 0; m < marks.size(); ++m)
        column(marks[m].caption, slice(markCount, m));
    for (std::size_t m = 0; m < marks.size(); ++m)
        column(leftChars(marks[m].caption, 2) + QStringLiteral("夜"), slice(markNight, m));
    column(QStringLiteral("スポ昼"), spotDay);
    column(QStringLiteral("スポ夜"), spotNight);
    column(QStringLiteral("ガド昼"), guardDay);
    column(QStringLiteral("ガド夜"), guardNight);
    for (int v = 0; v < kVehicleColumns; ++v)
        column(vehicles[v], slice(vehicleCount, v));
    column(QStringLiteral("その他"), other);
}

namespace {

// Number and name of every project whose number one of the rows holds, in stored order.
DbError readProjectNames(Database& db, const std::vector<MonthlyRowValues>& rows,
                         std::vector<ProjectEntry>& out) {
    out.clear();
    QSet<qint64> seen;
    QVariantList numbers;
    for (const MonthlyRowValues& r : rows) {
        if (!seen.contains(r.jobNumber)) {
            seen.insert(r.jobNumber);
            numbers << qlonglong(r.jobNumber); // bound as integers, as the field stores them
        }
    }
    if (numbers.isEmpty())
        return {};
    std::vector<Row> found;
    if (DbError e = db.selectFields(table::Projects, {proj::Number, proj::Name, proj::Client},
                                    {{proj::Number, Condition::Op::In, numbers}}, found))
        return e;
    out.reserve(found.size());
    for (const Row& r : found) {
        ProjectEntry p;
        p.number = storedNumber(r.values.value(0));
        p.name = nullSafeText(r.values.value(1));
        p.client = nullSafeText(r.values.value(2));
        out.push_back(std::move(p));
    }
    return {};
}

} // namespace

DbError readMonthlyResults(const QString& databasePath, const MonthRequest& request, EraValues& era,
                           MonthlyResultsData& out, const std::function<void(int)>& progress) {
    auto step = [&](int value) {
        if (progress)
            progress(value);
    };
    Database db;
    QVariantList settings;
    if (DbError e = openForSheet(db, databasePath, era, settings))
        return e;
    step(1);
    QStringList trade;
    if (DbError e = readTradeName(db, trade))
        return e;
    out.printTitle = trade[1]; // empty without a trade-name row

    step(2);
    step(3);
    std::vector<StaffMark> marks;
    if (DbError e = listStaffMarks(db, marks))
        return e;
    step(4);
    NameCaches names;
    if (DbError e = SYARYOGET(db, names))
        return e;
    step(5);

    out.request = request;
    out.era = era;
    out.period = HANIDT(settings, request.year, request.month);
    std::vector<Row> rows;
    if (DbError e = db.select(table::DailyReport,
                              {{rec::Date, Condition::Op::Ge, toDbDate(out.period.start)},
                               {rec::Date, Condition::Op::Le, toDbDate(out.period.end)}},
                              rows))
        return e;
    step(6);
    std::vector<MonthlyRowValues> values;
    values.reserve(rows.size());
    for (const Row& r : rows)
        values.push_back(monthlyRowValues(r.values));
    step(7);
    // The names of the projects the rows name, and only those: the project table only grows,
    // and the month's sheet must not.
    std::vector<ProjectEntry> projects;
    if (DbError e = readProjectNames(db, values, projects))
        return e;
    step(8);
    tallyMonthlyResults(values, projects, marks, names.vehicles, out);
    step(9);
    return {};
}

int monthlyPageCount(const MonthlyResultsData& data) {
    auto blocks = [](std::size_t count, int per) {
        return std::max<int>(1, int((count + per - 1) / per));
    };
    return blocks(data.projects.size(), kMonthlyRowsPerPage) *
           blocks(data.columns.size(), kMonthlyColumnsPerPage);
}

QString monthlyTitle(const MonthlyResultsData& data) {
    return data.era.name + QStringLiteral("  ") +
           eraYearPadded(data.request.year, data.era.offset) + QStringLiteral(" 年 ") +
           rightAlignKeepLast(data.request.monthText, 2) + QStringLiteral(" 月度 ") +
           data.printTitle + QStringLiteral(" 稼 働 実 績");
}

QString monthlyPeriodText(const EraValues& era, const QDate& date) {
    return QStringLiteral("( ") + era.name + u' ' + eraYearPadded(date.year(), era.offset) +
           QStringLiteral(" 年 ") + rightAlignKeepLast(QString::number(date.month()), 2) +
           QStringLiteral(" 月 ") + rightAlignKeepLast(QString::number(date.day()), 2) +
           QStringLiteral(" 日 )");
}

QString monthlyCellText(qint64 value) {
    if (value == 0)
        return QString();
    const QString digits = QString::number(value);
    // A figure of four places or more prints whole: a cut one would be a wrong figure.
    return digits.size() >= 3 ? digits : rightAlignKeepLast(digits, 3);
}

namespace {

// Cell widths in base twips: each text stays inside its rules.
constexpr int kTitleWidth = 14800;
constexpr int kPeriodWidth = 4000; // to the paper's margin: the period texts reach past the grid
// The grid: an outline, the heading rule, the name column and columns of 500.
constexpr int kGridLeft = 1000, kGridTop = 1300, kGridRight = 19000, kGridBottom = 13600;
constexpr int kHeadingRule = 2000, kNameRule = 7000, kColumnPitch = 500;
constexpr int kHeavy = 5, kThin = 1; // rule widths in dots

class MonthlySheet {
public:
    MonthlySheet(Printer& p, const PageScale& s, const MonthlyResultsData& d,
                 const std::function<void(int)>& progress)
        : p_(p), s_(s), d_(d), progress_(progress), pages_(monthlyPageCount(d)) {
        std::vector<QString> headings;
        for (const MonthlyColumn& c : d.columns)
            headings.push_back(c.heading);
        alike_ = headingsAlike(headings);
    }

    void draw() {
        const int columnBlocks = pages_ / std::max<int>(1, rowBlocks());
        int page = 0;
        // A block of projects with all its columns, then the next block of projects.
        for (int r = 0; r < rowBlocks(); ++r) {
            for (int c = 0; c < columnBlocks; ++c)
                sheet(r * kMonthlyRowsPerPage, c * kMonthlyColumnsPerPage, ++page);
        }
    }

private:
    int rowBlocks() const {
        return std::max<int>(
            1, int((d_.projects.size() + kMonthlyRowsPerPage - 1) / kMonthlyRowsPerPage));
    }

    void fit(int x, int y, int width, const QString& t, int size, int unlin = 0,
             CellAlign align = CellAlign::Left) {
        if (!t.isEmpty())
            prtxFit(p_, s_, x, y, width, t, size, unlin, align);
    }
    void line(int x1, int y1, int x2, int y2) { scaledLine(p_, s_, x1, y1, x2, y2); }
    // The last base position of column c clear of the rule at its right.
    int columnRight(int c) const {
        const int rule = kNameRule + kColumnPitch * (c + 1);
        return clearBefore(s_, rule, rule >= kGridRight ? kHeavy : kThin);
    }
    // Twenty steps a page, spread over 10 to 29 whatever the page count.
    void advance(int steps) {
        done_ += steps;
        if (progress_)
            progress_(9 + done_ / pages_);
    }

    void sheet(int firstProject, int firstColumn, int page) {
        openJob(p_, s_);
        fit(1000, 300, kTitleWidth, monthlyTitle(d_), 24, 1);
        fit(16000, 300, kPeriodWidth, monthlyPeriodText(d_.era, d_.period.start), 12);
        fit(16000, 800, kPeriodWidth, monthlyPeriodText(d_.era, d_.period.end), 12);
        prtx(p_, s_, 2300, 1500, QStringLiteral("工    事    件    名"), 18, 0);
        grid();
        prtPageMarks(p_, s_, kGridRight, 13700, page, pages_);
        advance(1);

        const int rows = std::min<int>(kMonthlyRowsPerPage, int(d_.projects.size()) - firstProject);
        const int columns =
            std::min<int>(kMonthlyColumnsPerPage, int(d_.columns.size()) - firstColumn);
        // Names from clear of the outline to clear of the name column's rule.
        const int nameLeft = std::max(1010, clearAfter(s_, kGridLeft, kHeavy));
        for (int p = 0; p < rows; ++p)
            fit(nameLeft, 2070 + 400 * p, clearBefore(s_, kNameRule, kHeavy) - nameLeft,
                d_.projects[firstProject + p].name, 12);
        advance(1);
        // Headings read down their columns, by the daily sheet's rule for names alike.
        for (int c = 0; c < columns; ++c) {
            const int x = 7150 + kColumnPitch * c;
            prtxHeading(p_, s_, x, 1320, 200, clearAfter(s_, kGridTop, kHeavy),
                        clearBefore(s_, kHeadingRule, kHeavy), columnRight(c) - x,
                        d_.columns[firstColumn + c].heading, 10,
                        alike_[std::size_t(firstColumn + c)]);
        }
        advance(11);
        // A figure takes its column's free width before it shrinks.
        for (int c = 0; c < columns; ++c) {
            const std::vector<qint64>& values = d_.columns[firstColumn + c].values;
            const int left = clearAfter(s_, kNameRule + kColumnPitch * c, c == 0 ? kHeavy : kThin);
            for (int p = 0; p < rows; ++p)
                prtxFigure(p_, s_, 7080 + kColumnPitch * c, 2080 + 400 * p, left, columnRight(c),
                           monthlyCellText(values[firstProject + p]), 10);
        }
        advance(7);
        p_.end_document();
    }

    void grid() {
        p_.set_line_width(kHeavy);
        scaledBox(p_, s_, kGridLeft, kGridTop, kGridRight, kGridBottom);
        line(kGridLeft, kHeadingRule, kGridRight, kHeadingRule);
        p_.set_line_width(kThin);
        for (int u = 1; u <= 27; ++u)
            line(kGridLeft, kHeadingRule + 400 * u, kGridRight, kHeadingRule + 400 * u);
        p_.set_line_width(kHeavy);
        line(kNameRule, kGridTop, kNameRule, kGridBottom);
        p_.set_line_width(kThin);
        for (int u = 1; u <= 23; ++u)
            line(kNameRule + kColumnPitch * u, kGridTop, kNameRule + kColumnPitch * u, kGridBottom);
    }

    Printer& p_;
    const PageScale& s_;
    const MonthlyResultsData& d_;
    const std::function<void(int)>& progress_;
    const int pages_;
    std::vector<bool> alike_;
    int done_ = 0;
};

} // namespace

void drawMonthlyResults(Printer& printer, const PageScale& scale, const MonthlyResultsData& data,
                        const std::function<void(int)>& progress) {
    MonthlySheet(printer, scale, data, progress).draw();
    if (progress)
        progress(0);
}

} // namespace vorda
