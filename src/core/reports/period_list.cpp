#include "core/reports/period_list.h"

#include "core/data/schema.h"
#include "core/data/values.h"

#include <algorithm>

namespace vorda {

QString noPeriodDataMessage(const QString& chosen) {
    return chosen + QStringLiteral("の工事データがありません。");
}

std::optional<qint64> projectNumberOf(const std::vector<ProjectEntry>& projects,
                                      const QString& chosen) {
    // The list shows names as stored and a click takes the entry trimmed, so the names are
    // compared trimmed too: a name stored with a blank around it is still found.
    std::optional<qint64> number;
    const QString wanted = chosen.trimmed();
    for (const ProjectEntry& p : projects) {
        if (p.name.trimmed() == wanted)
            number = p.number;
    }
    return number;
}

void ppmk(const QString& cell, const std::vector<StaffMark>& marks, qint16 nightFlag,
          std::vector<MarkShifts>& tally) {
    const QString text = cell.trimmed();
    for (std::size_t i = 0; i < marks.size() && i < tally.size(); ++i) {
        if (marks[i].mark.trimmed() != text)
            continue;
        if (nightFlag != 0)
            ++tally[i].night;
        else
            ++tally[i].day;
    }
}

PeriodListData computePeriodList(const QString& chosen, const EraValues& era,
                                 const std::vector<StaffMark>& marks,
                                 const std::vector<PeriodRow>& rows, int currentYear) {
    PeriodListData out;
    out.project = chosen;
    out.era = era;
    out.marks.reserve(marks.size());
    for (const StaffMark& m : marks)
        out.marks.push_back({m.description.trimmed(), 0, 0});
    for (const PeriodRow& row : rows) {
        // A row without a readable date has no place on the calendar.
        if (!row.date.isValid() || row.date.year() < currentYear - 1)
            continue;
        for (const QString& cell : row.actualStaff) {
            if (!cell.trimmed().isEmpty())
                ppmk(cell, marks, row.nightFlag, out.marks);
        }
        out.dates.push_back(row.date);
    }
    std::sort(out.dates.begin(), out.dates.end());
    return out;
}

DbError readPeriodList(const QString& databasePath, const QString& chosen, int currentYear,
                       EraValues& era, PeriodListData& out) {
    out = PeriodListData{};
    out.project = chosen;
    std::vector<StaffMark> marks;
    std::vector<PeriodRow> rows;
    Database db;
    if (DbError e = db.open(databasePath))
        return e;
    if (DbError e = readEra(db, era))
        return e;
    if (DbError e = listStaffMarks(db, marks))
        return e;
    // Only number and name of the projects whose name holds the chosen text (the engine
    // looks, nothing else is decoded): the table only grows, the list must not.
    std::vector<Row> found;
    if (DbError e =
            db.selectFields(table::Projects, {proj::Number, proj::Name},
                            {{proj::Name, Condition::Op::Contains, chosen.trimmed()}}, found))
        return e;
    std::vector<ProjectEntry> projects(found.size());
    for (std::size_t i = 0; i < found.size(); ++i) {
        projects[i].number = storedNumber(found[i].values.value(0));
        projects[i].name = nullSafeText(found[i].values.value(1));
    }
    // An unknown name prints nothing rather than the rows stored under number 0.
    if (const std::optional<qint64> number = projectNumberOf(projects, chosen)) {
        std::vector<Row> dayRows;
        const Where where{{rec::JobNumber, Condition::Op::Eq, *number},
                          {rec::Date, Condition::Op::Ge, toDbDate(QDate(currentYear - 1, 1, 1))}};
        if (DbError e = db.select(table::DailyReport, where, dayRows))
            return e;
        rows.reserve(dayRows.size());
        for (const Row& r : dayRows) {
            PeriodRow row;
            row.date = fromDbDate(r.values.value(rec::Date));
            for (int c = 0; c < kStaffColumns; ++c)
                row.actualStaff[c] = nullSafeText(r.values.value(rec::ActualStaff + c));
            row.nightFlag = countOf(r.values.value(rec::Night));
            rows.push_back(std::move(row));
        }
    }
    out = computePeriodList(chosen, era, marks, rows, currentYear);
    return {};
}

QString periodText(const EraValues& era, int firstYear, int lastYear) {
    return QStringLiteral("( ") + era.name + u' ' + eraYearPadded(firstYear, era.offset) +
           QStringLiteral(" 年 \u3000\uFF5E\u3000") + era.name + u' ' +
           eraYearPadded(lastYear, era.offset) + QStringLiteral(" 年 )");
}

std::vector<PeriodSheet> periodSheets(const PeriodListData& data) {
    std::vector<PeriodSheet> sheets;
    if (data.empty())
        return sheets;
    const int first = data.earliest().year();
    const int last = data.latest().year();
    // Pairs of years from the earliest; a pair without a date (a row dated years ahead
    // leaves such gaps) gets no sheet of its own.
    for (auto it = data.dates.begin(); it != data.dates.end();) {
        const int pairStart = first + (it->year() - first) / kYearsPerSheet * kYearsPerSheet;
        sheets.push_back({pairStart, std::min(kYearsPerSheet, last - pairStart + 1), 0, 0});
        it = std::find_if(it, data.dates.end(),
                          [&](const QDate& d) { return d.year() >= pairStart + kYearsPerSheet; });
    }
    const int markCount = int(data.marks.size());
    const int markSheets = (markCount + kMarksPerSheet - 1) / kMarksPerSheet;
    while (int(sheets.size()) < markSheets)
        sheets.push_back({0, 0, 0, 0});
    for (int i = 0; i < markSheets; ++i) {
        sheets[i].firstMark = i * kMarksPerSheet;
        sheets[i].markCount = std::min(kMarksPerSheet, markCount - i * kMarksPerSheet);
    }
    return sheets;
}

namespace {

class PeriodSheetDrawer {
public:
    PeriodSheetDrawer(Printer& p, const PageScale& s, const PeriodListData& d,
                      const std::function<void(int)>& progress)
        : p_(p), s_(s), d_(d), progress_(progress),
          period_(periodText(d.era, d.earliest().year(), d.latest().year())) {}

    void sheet(const PeriodSheet& sheet, int page, int pages) {
        frame(sheet);
        // Below the outline at its right.
        prtPageMarks(p_, s_, 19700, 12950, page, pages);
        for (int b = 0; b < sheet.years; ++b)
            band(sheet.firstYear + b, b);
        for (int r = 0; r < sheet.markCount; ++r)
            markRow(d_.marks[sheet.firstMark + r], r);
        p_.end_document();
    }

private:
    void text(int x, int y, const QString& t, int size, int unlin = 0) {
        if (!t.isEmpty())
            prtx(p_, s_, x, y, t, size, unlin);
    }
    void line(int x1, int y1, int x2, int y2) { scaledLine(p_, s_, x1, y1, x2, y2); }
    void width(int dots) {
        if (dots != width_)
            p_.set_line_width(dots);
        width_ = dots;
    }
    void step() {
        if (progress_ && steps_ < kPeriodProgressMax)
            progress_(++steps_);
    }

    void frame(const PeriodSheet& sheet) {
        openJob(p_, s_);
        width_ = -1;
        text(1000, 500, QStringLiteral("工事別作業期間一覧表"), 24, 1);
        prtxFit(p_, s_, 6000, 700, 6800, period_, 16, 0);
        prtxFit(p_, s_, 13000, 700, 6700, d_.project, 16, 1);
        width(5);
        scaledBox(p_, s_, 1000, 1500, 19700, 12800);
        line(1000, 2000, 19700, 2000);
        for (int i = 1; i <= 24; ++i) {
            const int y = 2000 + 450 * i;
            if (i % 12 == 0) {
                width(5);
                line(1000, y, 19700, y);
            } else {
                width(3);
                line(1500, y, 19700, y);
            }
            step();
        }
        width(1);
        for (int i = 1; i <= 24; ++i)
            line(2000, 2150 + 450 * (i - 1), 15950, 2150 + 450 * (i - 1));
        text(18150, 1600, QStringLiteral("昼勤"), 10);
        text(19050, 1600, QStringLiteral("夜勤"), 10);
        width(5);
        for (int x : {1500, 2000, 17900, 18800})
            line(x, 1500, x, 12800);
        width(1);
        for (int k = 1; k <= 30; ++k)
            line(2000 + 450 * k, 1500, 2000 + 450 * k, 12800);
        width(5);
        line(15950, 1500, 15950, 12800);
        for (int d = 1; d <= 31; ++d) {
            text(2150 + 450 * (d - 1), 1600, rightAlignKeepLast(QString::number(d), 2), 10);
            step();
        }
        for (int i = 1; i <= 24; ++i) {
            text(1650, 1650 + 450 * i, rightAlignKeepLast(QString::number(i > 12 ? i - 12 : i), 2),
                 10);
            step();
        }
        text(1100, 1600, QStringLiteral("年"), 10);
        text(1600, 1600, QStringLiteral("月"), 10);
        if (sheet.years >= 1)
            text(1100, 2150, eraYearPadded(sheet.firstYear, d_.era.offset), 10);
        if (sheet.years >= 2)
            text(1100, 7550, eraYearPadded(sheet.firstYear + 1, d_.era.offset), 10);
    }

    // One calendar year: the weekday of every day of it, and "■" on each date worked.
    void band(int year, int b) {
        for (int m = 1; m <= 12; ++m) {
            for (int d = 1; d <= 31; ++d) {
                const QDate date(year, m, d);
                if (!date.isValid())
                    continue; // days a month does not have stay empty
                const int x = 2150 + 450 * (d - 1);
                const int y = 450 * (m - 1) + 5400 * b;
                // The weekday's strip lies between the month's rule (heavy every twelve months)
                // and the thin strip rule: the character keeps clear of both.
                const int top = clearAfter(s_, 2000 + y, (m - 1 + 12 * b) % 12 == 0 ? 5 : 3);
                const int at = std::max(2010 + y, top);
                prtxFit(p_, s_, x, at, 300, clearBefore(s_, 2150 + y, 1) - at, weekdayChar(date), 7,
                        0);
                if (std::binary_search(d_.dates.begin(), d_.dates.end(), date))
                    text(x, 2200 + y, QStringLiteral("■"), 10);
            }
            step();
        }
    }

    void markRow(const MarkShifts& m, int r) {
        const int y = 2110 + 450 * r;
        // Counts are never cut: a figure longer than five places is drawn smaller instead.
        auto count = [](qint64 n) { return QString::number(n).rightJustified(5, u' '); };
        prtxFit(p_, s_, 16000, y, 1850, m.description, 10, 0);
        prtxFit(p_, s_, 18100, y, 650, count(m.day), 10, 0, CellAlign::Right);
        prtxFit(p_, s_, 19000, y, 650, count(m.night), 10, 0, CellAlign::Right);
    }

    Printer& p_;
    const PageScale& s_;
    const PeriodListData& d_;
    const std::function<void(int)>& progress_;
    const QString period_;
    int steps_ = 0;
    int width_ = -1;
};

} // namespace

void drawPeriodList(Printer& printer, const PageScale& scale, const PeriodListData& data,
                    const std::function<void(int)>& progress) {
    PeriodSheetDrawer drawer(printer, scale, data, progress);
    const std::vector<PeriodSheet> sheets = periodSheets(data);
    for (std::size_t i = 0; i < sheets.size(); ++i)
        drawer.sheet(sheets[i], int(i) + 1, int(sheets.size()));
    if (progress)
        progress(0);
}

} // namespace vorda
