#include "core/reports/attendance_sheet.h"

#include "core/data/daily_record.h"
#include "core/data/schema.h"

namespace vorda {

namespace {

QString two(int value) {
    return rightAlignKeepLast(QString::number(value), 2);
}

QString dateOfLine(const EraValues& era, const QDate& date) {
    return QStringLiteral("( ") + era.name + u' ' + eraYearPadded(date.year(), era.offset) +
           QStringLiteral(" 年 ") + two(date.month()) + QStringLiteral(" 月 ") + two(date.day()) +
           QStringLiteral(" 日 )");
}

} // namespace

QString attendanceTitle(const EraValues& era, int year, const QString& monthText) {
    return era.name + QStringLiteral("  ") + eraYearPadded(year, era.offset) +
           QStringLiteral(" 年 ") + rightAlignKeepLast(monthText.trimmed(), 2) +
           QStringLiteral(" 月度 ") + QStringLiteral("出 勤 表");
}

QString attendancePeriodLine(const EraValues& era, const Period& period) {
    return dateOfLine(era, period.start) + QStringLiteral("  ～ ") + dateOfLine(era, period.end);
}

DbError readAttendanceSheet(const QString& databasePath, const MonthRequest& request,
                            EraValues& era, AttendanceSheetData& out,
                            const std::function<void(int)>& progress) {
    Database db;
    QVariantList settings;
    if (DbError e = openForSheet(db, databasePath, era, settings))
        return e;

    std::vector<Row> rows;
    if (DbError e = db.selectAll(table::Employees, rows))
        return e;
    out.names.fill(QString());
    out.codes.fill(QString());
    out.givenNames.fill(QString());
    for (int i = 0; i < kAttendanceColumns && i < int(rows.size()); ++i) {
        const QVariantList& v = rows[std::size_t(i)].values;
        out.names[std::size_t(i)] = nullSafeText(v.value(emp::Surname));
        out.codes[std::size_t(i)] = nullSafeText(v.value(emp::Code));
        out.givenNames[std::size_t(i)] = nullSafeText(v.value(emp::GivenName));
    }

    std::vector<StaffMark> staffMarks;
    if (DbError e = listStaffMarks(db, staffMarks))
        return e;
    const std::vector<AttendanceMark> marks = attendanceMarks(staffMarks);

    out.period = HANIDTSYU(settings, request.year, request.month);
    const Period& p = out.period;
    // One read of the period through the index on 日付, in stored order.
    if (DbError e = db.select(table::DailyReport,
                              {{rec::Date, Condition::Op::Ge, toDbDate(p.start)},
                               {rec::Date, Condition::Op::Le, toDbDate(p.end)}},
                              rows))
        return e;
    out.reportRows = int(rows.size());
    AttendanceGrid grid(p.start, p.end);
    for (const Row& r : rows)
        RCGET(r.values, grid);

    out.dates.clear();
    for (int i = 0; i < grid.days(); ++i)
        out.dates.push_back(p.start.addDays(i));
    out.employees.clear();
    for (int c = 0; c < kAttendanceColumns; ++c) {
        out.employees.push_back(classifyEmployee(grid, c, marks, 0, grid.days()));
        if (progress)
            progress(c + 1);
    }
    out.title = attendanceTitle(era, request.year, request.monthText);
    out.periodLine = attendancePeriodLine(era, p);
    return {};
}

namespace {

// Column edges of the sheet, in base twips.
constexpr int kLeft = 1000, kRight = 20150, kTop = 1500, kBottom = 13000;
constexpr int kPeriodLeft = 10000; // the period line beside the title
constexpr int kNameRule = 2000, kDayWidth = 450, kTotalsRule = 15950, kTotalsWidth = 500;
constexpr int kRowHeight = 350, kFirstRow = 2500;
constexpr int kDayColumns = 31, kTotalsColumns = 7;

class AttendanceDrawing {
public:
    AttendanceDrawing(Printer& p, const PageScale& s, const AttendanceSheetData& d,
                      const std::function<void(int)>& progress)
        : p_(p), s_(s), d_(d), progress_(progress) {}

    void sheet() {
        openJob(p_, s_);
        // A long era name must not run the title into the period, nor the period off the sheet.
        if (!d_.title.isEmpty())
            prtxFit(p_, s_, 1000, 500, kPeriodLeft - 200 - 1000, d_.title, 24, 1);
        if (!d_.periodLine.isEmpty())
            prtxFit(p_, s_, kPeriodLeft, 700, kRight - kPeriodLeft, d_.periodLine, 12, 0);
        grid();
        // Below the grid at its right, beside the legend.
        prtPageMarks(p_, s_, kRight, 13100, 1, 1);
        headings();
        days();
        names();
        cells();
        totals();
        p_.end_document();
        if (progress_)
            progress_(0);
    }

private:
    void text(int x, int y, const QString& t, int size, int unlin = 0) {
        if (!t.isEmpty())
            prtx(p_, s_, x, y, t, size, unlin);
    }
    // A text that stays inside its cell, from x to clear of the rule at the cell's right
    // (`dots` wide).
    void cellText(int x, int y, int rule, const QString& t, CellAlign align = CellAlign::Left,
                  int dots = 1) {
        if (!t.isEmpty())
            prtxFit(p_, s_, x, y, clearBefore(s_, rule, dots) - x, t, 10, 0, align);
    }
    static int ruleWidth(int x) { return x == kTotalsRule || x == kRight ? 5 : 1; }
    void line(int x1, int y1, int x2, int y2) { scaledLine(p_, s_, x1, y1, x2, y2); }
    void step() {
        if (progress_ && steps_ < kAttendanceProgressMax)
            progress_(++steps_);
    }

    void grid() {
        p_.set_line_width(5);
        scaledBox(p_, s_, kLeft, kTop, kRight, kBottom);
        line(kLeft, 2000, kRight, 2000);
        line(kLeft, kFirstRow, kRight, kFirstRow);
        text(1100, 2200, QStringLiteral("作業者"), 12);
        p_.set_line_width(1);
        for (int u = 1; u <= kAttendanceSheetRows; ++u) {
            line(kLeft, kFirstRow + kRowHeight * u, kRight, kFirstRow + kRowHeight * u);
            step();
        }
        p_.set_line_width(5);
        line(kNameRule, kTop, kNameRule, kBottom);
        p_.set_line_width(1);
        for (int u = 1; u < kDayColumns; ++u) {
            line(kNameRule + kDayWidth * u, kTop, kNameRule + kDayWidth * u, kBottom);
            step();
        }
        p_.set_line_width(5);
        line(kTotalsRule, kTop, kTotalsRule, kBottom);
        p_.set_line_width(1);
        for (int u = 0; u <= kTotalsColumns; ++u) {
            line(kTotalsRule + kTotalsWidth * u, 2000, kTotalsRule + kTotalsWidth * u, kBottom);
            step();
        }
    }

    void headings() {
        text(17000, 1700, QStringLiteral("合　         　計"), 10);
        static const char16_t* const totals[] = {u"通常", u" 夜",  u"時間", u" 泊",
                                                 u"休出", u" 休 ", u"休残"};
        for (int k = 0; k < kTotalsColumns; ++k)
            text(16000 + kTotalsWidth * k, 2200, QString::fromUtf16(totals[k]), 10);
        static const char16_t* const legend[] = {u"○=出勤",   u"◇=休出",  u"●=夜勤",
                                                 u"◆=夜休出", u"泊=宿泊", u"休=休み"};
        for (int k = 0; k < 6; ++k)
            text(1000 + 1000 * k, 13100, QString::fromUtf16(legend[k]), 10);
    }

    static int dayLeft(int i) { return kNameRule + kDayWidth * i; }

    void days() {
        for (int i = 0; i < int(d_.dates.size()) && i < kDayColumns; ++i) {
            const QDate& date = d_.dates[std::size_t(i)];
            const int right = dayLeft(i + 1);
            cellText(2150 + kDayWidth * i, 1700, right,
                     rightAlignKeepLast(QString::number(date.day()), 2), CellAlign::Left,
                     ruleWidth(right));
            cellText(2150 + kDayWidth * i, 2200, right, weekdayChar(date), CellAlign::Left,
                     ruleWidth(right));
        }
    }

    void names() {
        for (int e = 0; e < kAttendanceSheetRows; ++e) {
            // A name too long for one line goes onto two lines of its row, never cut.
            const QString& name = d_.names[std::size_t(e)];
            const int rowTop = kFirstRow + kRowHeight * e;
            if (!name.isEmpty())
                prtxFitWrapped(
                    p_, s_, 1100, 2600 + kRowHeight * e, clearBefore(s_, kNameRule, 5) - 1100,
                    clearAfter(s_, rowTop, e == 0 ? 5 : 1),
                    clearBefore(s_, rowTop + kRowHeight, e + 1 == kAttendanceSheetRows ? 5 : 1),
                    name, 10, 0);
            step();
        }
    }

    void cells() {
        for (int e = 0; e < kAttendanceColumns; ++e) {
            if (e < int(d_.employees.size())) {
                const QStringList& texts = d_.employees[std::size_t(e)].cells;
                for (int i = 0; i < texts.size() && i < kDayColumns; ++i) {
                    const QString& t = texts[i];
                    // One character stands in the middle of its day; more start near the rule.
                    const bool one = t.toUcs4().size() == 1;
                    cellText((one ? 2150 : 2010) + kDayWidth * i, 2550 + kRowHeight * e,
                             dayLeft(i + 1), t, CellAlign::Left, ruleWidth(dayLeft(i + 1)));
                }
            }
            step();
        }
    }

    void totals() {
        for (int e = 0; e < kAttendanceSheetRows; ++e) {
            if (e < int(d_.employees.size())) {
                const AttendanceTotals& t = d_.employees[std::size_t(e)].totals;
                const QString figures[kTotalsColumns] = {
                    attendanceFigure(t.regularDays),         attendanceFigure(t.nightShifts),
                    attendanceFigure(t.nightHours),          attendanceFigure(t.overnightStays),
                    attendanceFigure(t.holidayWork),         attendanceFigure(t.daysOff),
                    holidayBalanceFigure(t.holidayBalance())};
                const int y = 2550 + kRowHeight * e;
                for (int k = 0; k < kTotalsColumns; ++k)
                    cellText(16100 + kTotalsWidth * k, y, kTotalsRule + kTotalsWidth * (k + 1),
                             figures[k], CellAlign::Right);
            }
            step();
        }
    }

    Printer& p_;
    const PageScale& s_;
    const AttendanceSheetData& d_;
    const std::function<void(int)>& progress_;
    int steps_ = kAttendanceReadSteps;
};

} // namespace

void drawAttendanceSheet(Printer& printer, const PageScale& scale, const AttendanceSheetData& data,
                         const std::function<void(int)>& progress) {
    AttendanceDrawing(printer, scale, data, progress).sheet();
}

} // namespace vorda
