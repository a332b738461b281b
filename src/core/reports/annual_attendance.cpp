#include "core/reports/annual_attendance.h"

#include "core/data/daily_record.h"
#include "core/data/schema.h"
#include "core/reports/attendance_sheet.h"

namespace vorda {

std::pair<int, int> yearEndOf(const QVariantList& settings) {
    const QString text = nullSafeText(settings.value(sys::YearEnd));
    const qsizetype slash = text.indexOf(u'/');
    if (slash > 0) {
        const auto month = typedInteger(text.left(slash));
        const auto day = typedInteger(text.mid(slash + 1));
        if (month && day && *month >= 1 && *month <= 12 && *day >= 1 && *day <= 31)
            return {int(*month), int(*day)};
    }
    return {12, 31};
}

namespace {

// The year-end in `year`: the day of the setting, or the month's last day when the setting
// is at or beyond the end of that month in a common year.
QDate yearEndIn(int year, int month, int day) {
    const int commonLast = QDate(2001, month, 1).daysInMonth();
    const QDate first(year, month, 1);
    return day >= commonLast ? QDate(year, month, first.daysInMonth()) : QDate(year, month, day);
}

AttendanceTotals& operator+=(AttendanceTotals& a, const AttendanceTotals& b) {
    a.regularDays += b.regularDays;
    a.nightShifts += b.nightShifts;
    a.nightHours += b.nightHours;
    a.overnightStays += b.overnightStays;
    a.holidayWork += b.holidayWork;
    a.daysOff += b.daysOff;
    return a;
}

QString two(int value) {
    return rightAlignKeepLast(QString::number(value), 2);
}

} // namespace

BusinessYear businessYear(const QVariantList& settings, int year) {
    const auto [endMonth, endDay] = yearEndOf(settings);
    const int closingDay = attendanceClosingDay(settings);
    BusinessYear out;
    out.year = year;
    out.end = yearEndIn(year, endMonth, endDay);
    // The last closing month is the year-end's month when its period ends by the year-end,
    // otherwise the month before; the decision is the same in every year, so consecutive
    // business years take consecutive runs of twelve.
    int lastYear = year, lastMonth = endMonth;
    if (monthClosingPeriod(year, endMonth, closingDay).end > out.end) {
        if (--lastMonth == 0) {
            lastMonth = 12;
            --lastYear;
        }
    }
    int y = lastYear, m = lastMonth - 11;
    if (m < 1) {
        m += 12;
        --y;
    }
    for (int k = 0; k < 12; ++k) {
        out.months.push_back({y, m, monthClosingPeriod(y, m, closingDay)});
        if (++m == 13) {
            m = 1;
            ++y;
        }
    }
    out.first = out.months.front().period.start;
    return out;
}

DbError readBusinessYear(const QString& databasePath, int year, BusinessYear& out) {
    Database db;
    if (DbError e = db.open(databasePath))
        return e;
    QVariantList settings;
    if (DbError e = readSettingsRow(db, settings))
        return e;
    out = businessYear(settings, year);
    return {};
}

DbError listAnnualEmployees(const QString& databasePath, QStringList& names) {
    names.clear();
    Database db;
    if (DbError e = db.open(databasePath))
        return e;
    std::vector<Row> rows;
    if (DbError e = db.selectFields(table::Employees, {emp::Surname, emp::GivenName}, {}, rows))
        return e;
    for (int c = 0; c < kAttendanceSheetRows && c < int(rows.size()); ++c) {
        const QVariantList& v = rows[std::size_t(c)].values;
        names << (nullSafeText(v.value(0)) + u' ' + nullSafeText(v.value(1))).trimmed();
    }
    return {};
}

QString unknownEmployeeMessage(const QString& code) {
    return QStringLiteral("社員コード「%1」の社員は登録されていません。").arg(code);
}

QString noAnnualDataMessage(const BusinessYear& year) {
    return QStringLiteral("%1 年度（%2～%3）の出勤データがありません。")
        .arg(year.year)
        .arg(year.first.toString(QStringLiteral("yyyy/MM/dd")),
             year.months.back().period.end.toString(QStringLiteral("yyyy/MM/dd")));
}

QString annualTitle(const EraValues& era, const BusinessYear& year) {
    return era.name + QStringLiteral("  ") + eraYearPadded(year.year, era.offset) +
           QStringLiteral(" 年度  個人別年間出勤表");
}

QString annualEmployeeLine(const AnnualSheet& sheet) {
    QString name = sheet.surname;
    if (!sheet.givenName.isEmpty())
        name += u' ' + sheet.givenName;
    return QStringLiteral("社員コード %1　%2").arg(sheet.code, name);
}

QString annualMonthLabel(const ClosingMonth& month) {
    return QStringLiteral("%1年%2月度").arg(month.year).arg(two(month.month));
}

QString annualPeriodLabel(const Period& period) {
    return QStringLiteral("%1/%2～%3/%4")
        .arg(period.start.month())
        .arg(period.start.day())
        .arg(period.end.month())
        .arg(period.end.day());
}

DbError readAnnualAttendance(const QString& databasePath, const AnnualRequest& request,
                             EraValues& era, AnnualAttendanceData& out,
                             const std::function<void(int)>& progress) {
    Database db;
    QVariantList settings;
    if (DbError e = openForSheet(db, databasePath, era, settings))
        return e;
    std::vector<Row> employees;
    if (DbError e = db.selectAll(table::Employees, employees))
        return e;
    // Daily report rows hold cells for the first 30 employees only.
    const int columns = std::min<int>(kAttendanceSheetRows, int(employees.size()));
    int chosen = -1;
    if (request.column) {
        if (*request.column < 0 || *request.column >= columns)
            return DbError{
                DbErrorKind::Failed,
                QStringLiteral("その社員は登録されていません。一覧を開き直してください。")};
        chosen = *request.column;
    } else if (request.employeeCode) {
        for (int c = 0; c < columns && chosen < 0; ++c) {
            if (nullSafeText(employees[std::size_t(c)].values.value(emp::Code)).trimmed() ==
                request.employeeCode->trimmed())
                chosen = c;
        }
        if (chosen < 0)
            return DbError{DbErrorKind::Failed, unknownEmployeeMessage(*request.employeeCode)};
    }

    std::vector<StaffMark> staffMarks;
    if (DbError e = listStaffMarks(db, staffMarks))
        return e;
    const std::vector<AttendanceMark> marks = attendanceMarks(staffMarks);

    out.year = businessYear(settings, request.year);
    out.era = era;
    const QDate first = out.year.first;
    const QDate last = out.year.months.back().period.end;
    std::vector<Row> rows;
    // One read of the year through the index on 日付, in stored order.
    if (DbError e = db.select(table::DailyReport,
                              {{rec::Date, Condition::Op::Ge, toDbDate(first)},
                               {rec::Date, Condition::Op::Le, toDbDate(last)}},
                              rows))
        return e;
    out.reportRows = int(rows.size());
    AttendanceGrid grid(first, last);
    for (const Row& r : rows)
        RCGET(r.values, grid);

    out.sheets.clear();
    for (int c = 0; c < columns; ++c) {
        if (progress)
            progress(c + 1);
        if (chosen >= 0 && c != chosen)
            continue;
        AnnualSheet sheet;
        sheet.column = c;
        const QVariantList& v = employees[std::size_t(c)].values;
        sheet.code = nullSafeText(v.value(emp::Code));
        sheet.surname = nullSafeText(v.value(emp::Surname));
        sheet.givenName = nullSafeText(v.value(emp::GivenName));
        for (int i = 0; i < grid.days() && !sheet.hasRows; ++i)
            sheet.hasRows = !grid.dayCell(c, i).isEmpty() || !grid.nightCell(c, i).isEmpty();
        if (chosen < 0 && !sheet.hasRows)
            continue;
        for (const ClosingMonth& month : out.year.months) {
            const Period& p = month.period;
            const int from = grid.indexOf(p.start);
            const EmployeeAttendance e =
                classifyEmployee(grid, c, marks, from, int(p.start.daysTo(p.end)) + 1);
            AnnualPeriodRow row;
            row.month = month;
            row.dayCells = QStringList(31);
            // A period never holds one day of the month twice (at most 31 consecutive days).
            for (int i = 0; i < e.cells.size(); ++i)
                row.dayCells[p.start.addDays(i).day() - 1] = e.cells[i];
            row.totals = e.totals;
            sheet.total += e.totals;
            sheet.rows.push_back(std::move(row));
        }
        out.sheets.push_back(std::move(sheet));
    }
    for (int c = columns; c < kAnnualReadSteps; ++c) {
        if (progress)
            progress(c + 1);
    }
    out.title = annualTitle(era, out.year);
    out.periodLine = attendancePeriodLine(era, Period{first, last});
    return {};
}

namespace {

// Edges of the sheet, in base twips of B4 landscape.
constexpr int kLeft = 1000, kLabelRule = 2800, kTop = 1500, kHeadRule = 2000;
constexpr int kDayWidth = 420, kDays = 31;
constexpr int kTotalsRule = kLabelRule + kDayWidth * kDays; // 15820
constexpr int kTotalsWidth = 600, kTotalsColumns = 7;
constexpr int kRight = kTotalsRule + kTotalsWidth * kTotalsColumns; // 20020
constexpr int kRowHeight = 800, kRows = 12;
constexpr int kYearRule = kHeadRule + kRowHeight * kRows; // 11600
constexpr int kBottom = kYearRule + 600;                  // 12200
constexpr int kLegendY = 12400;

class AnnualDrawing {
public:
    AnnualDrawing(Printer& p, const PageScale& s, const AnnualAttendanceData& d)
        : p_(p), s_(s), d_(d) {}

    void sheet(const AnnualSheet& sheet, int page, int pages) {
        openJob(p_, s_);
        prtx(p_, s_, 1000, 500, d_.title, 24, 1);
        text(11000, 300, annualEmployeeLine(sheet), 14);
        text(11000, 900, d_.periodLine, 12);
        grid();
        headings();
        for (int r = 0; r < int(sheet.rows.size()) && r < kRows; ++r)
            periodRow(sheet.rows[std::size_t(r)], kHeadRule + kRowHeight * r);
        yearRow(sheet.total);
        prtPageMarks(p_, s_, kRight, kLegendY, page, pages);
        p_.end_document();
    }

private:
    void text(int x, int y, const QString& t, int size) {
        if (!t.isEmpty())
            prtx(p_, s_, x, y, t, size, 0);
    }
    // A text kept inside its cell, from x to clear of the rule at `rule` (`dots` wide).
    void cellText(int x, int y, int rule, const QString& t, int size = 10,
                  CellAlign align = CellAlign::Left, int dots = 1) {
        if (!t.isEmpty())
            prtxFit(p_, s_, x, y, clearBefore(s_, rule, dots) - x, t, size, 0, align);
    }
    static int dayLeft(int i) { return kLabelRule + kDayWidth * i; }
    static int ruleDots(int x) { return x == kTotalsRule || x == kRight ? 5 : 1; }
    void line(int x1, int y1, int x2, int y2) { scaledLine(p_, s_, x1, y1, x2, y2); }

    void grid() {
        p_.set_line_width(5);
        scaledBox(p_, s_, kLeft, kTop, kRight, kBottom);
        line(kLeft, kHeadRule, kRight, kHeadRule);
        line(kLeft, kYearRule, kRight, kYearRule);
        line(kLabelRule, kTop, kLabelRule, kBottom);
        line(kTotalsRule, kTop, kTotalsRule, kBottom);
        p_.set_line_width(1);
        for (int u = 1; u < kRows; ++u)
            line(kLeft, kHeadRule + kRowHeight * u, kRight, kHeadRule + kRowHeight * u);
        for (int u = 1; u < kDays; ++u)
            line(dayLeft(u), kTop, dayLeft(u), kBottom);
        for (int u = 1; u < kTotalsColumns; ++u)
            line(kTotalsRule + kTotalsWidth * u, kTop, kTotalsRule + kTotalsWidth * u, kBottom);
    }

    void headings() {
        text(1300, 1650, QStringLiteral("月　度"), 10);
        for (int i = 0; i < kDays; ++i)
            cellText(dayLeft(i) + 110, 1650, dayLeft(i + 1), two(i + 1), 10, CellAlign::Left,
                     ruleDots(dayLeft(i + 1)));
        static const char16_t* const totals[] = {u"通常", u" 夜",  u"時間", u" 泊",
                                                 u"休出", u" 休 ", u"休残"};
        for (int k = 0; k < kTotalsColumns; ++k)
            text(kTotalsRule + kTotalsWidth * k + 100, 1650, QString::fromUtf16(totals[k]), 10);
        static const char16_t* const legend[] = {u"○=出勤",   u"◇=休出",  u"●=夜勤",
                                                 u"◆=夜休出", u"泊=宿泊", u"休=休み"};
        for (int k = 0; k < 6; ++k)
            text(1000 + 1000 * k, kLegendY, QString::fromUtf16(legend[k]), 10);
    }

    // Figures right-aligned in three places (a year can reach 365), ending near the rule.
    void totalsCells(const AttendanceTotals& t, int y) {
        const QString figures[kTotalsColumns] = {sheetFigure(t.regularDays, 3),
                                                 sheetFigure(t.nightShifts, 3),
                                                 sheetFigure(t.nightHours, 3),
                                                 sheetFigure(t.overnightStays, 3),
                                                 sheetFigure(t.holidayWork, 3),
                                                 sheetFigure(t.daysOff, 3),
                                                 holidayBalanceFigure(t.holidayBalance())};
        for (int k = 0; k < kTotalsColumns; ++k) {
            const int right = kTotalsRule + kTotalsWidth * (k + 1);
            cellText(right - 400, y, right - 80, figures[k], 10, CellAlign::Right);
        }
    }

    void periodRow(const AnnualPeriodRow& row, int top) {
        cellText(1100, top + 120, kLabelRule, annualMonthLabel(row.month), 10, CellAlign::Left, 5);
        cellText(1100, top + 470, kLabelRule, annualPeriodLabel(row.month.period), 8,
                 CellAlign::Left, 5);
        for (int i = 0; i < kDays && i < row.dayCells.size(); ++i) {
            const QString& t = row.dayCells[i];
            // One symbol stands in the middle of its day; two start near the rule.
            const bool one = t.toUcs4().size() == 1;
            cellText(dayLeft(i) + (one ? 110 : 10), top + 300, dayLeft(i + 1), t, 10,
                     CellAlign::Left, ruleDots(dayLeft(i + 1)));
        }
        totalsCells(row.totals, top + 300);
    }

    void yearRow(const AttendanceTotals& total) {
        text(1300, kYearRule + 200, QStringLiteral("年 間 計"), 10);
        totalsCells(total, kYearRule + 200);
    }

    Printer& p_;
    const PageScale& s_;
    const AnnualAttendanceData& d_;
};

} // namespace

void drawAnnualAttendance(Printer& printer, const PageScale& scale,
                          const AnnualAttendanceData& data,
                          const std::function<void(int)>& progress) {
    AnnualDrawing drawing(printer, scale, data);
    const int pages = int(data.sheets.size());
    for (int k = 0; k < pages; ++k) {
        drawing.sheet(data.sheets[std::size_t(k)], k + 1, pages);
        if (progress)
            progress(kAnnualReadSteps + (kAnnualProgressMax - kAnnualReadSteps) * (k + 1) / pages);
    }
    if (progress)
        progress(0);
}

} // namespace vorda
