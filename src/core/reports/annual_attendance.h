#pragma once
// The annual attendance per employee (個人別年間出勤表): for one business year, a row per
// attendance closing period with its day cells and the seven totals, and the year's totals.
// The cells and totals are those of the monthly attendance sheet (attendance_rules), read
// once over the whole year; then one sheet per employee, drawn on B4 landscape.

#include "core/masters/settings_row.h"
#include "core/reports/attendance_rules.h"
#include "core/reports/printer.h"

#include <QDate>
#include <functional>
#include <optional>
#include <vector>

namespace vorda {

// One attendance closing period of the year: the closing month it is named by.
struct ClosingMonth {
    int year = 0;
    int month = 0;
    Period period;
};

// The business year that ends in `year`: its last day and its closing periods in order.
struct BusinessYear {
    int year = 0;
    QDate end;   // the year-end of the settings in `year`
    QDate first; // the first day of the first period
    std::vector<ClosingMonth> months;
};

// The year-end of the settings row ("年度終了日", field 2, "M/D") as month and day; 12/31
// without the row, without a value, or for a value that is no month and day.
std::pair<int, int> yearEndOf(const QVariantList& settings);

// The business year ending in `year`. A closing period belongs to the business year in which
// its last day falls. The year-end is the day of the settings in its month, or that month's
// last day when the setting is at or beyond it (2/28 and 2/29 both mean the end of February),
// so every business year holds exactly twelve closing periods, each in one year only:
// with closing day 20 and year-end 3/31 the year runs from the period ending 4/20 of the year
// before to the one ending 3/20; with closing day 25 and year-end 3/20 the March period ends
// after the year-end and opens the next year, so the year holds the closing months March of
// the year before to February.
BusinessYear businessYear(const QVariantList& settings, int year);

// The business year ending in `year` by the settings of the file.
DbError readBusinessYear(const QString& databasePath, int year, BusinessYear& out);

// The employees that have a column (the first 30 in stored order): surname and given name.
DbError listAnnualEmployees(const QString& databasePath, QStringList& names);

// One closing period of one employee.
struct AnnualPeriodRow {
    ClosingMonth month;
    QStringList dayCells; // by day of month 1..31 (index 0 is day 1); empty where no date
    AttendanceTotals totals;
};

struct AnnualSheet {
    int column = 0; // the employee column
    QString code;
    QString surname;
    QString givenName;
    std::vector<AnnualPeriodRow> rows; // the year's closing periods in order
    AttendanceTotals total;            // the sum of the rows
    bool hasRows = false;              // a cell of the employee in the year holds a mark
};

struct AnnualAttendanceData {
    BusinessYear year;
    EraValues era;
    QString title;
    QString periodLine;
    std::vector<AnnualSheet> sheets;
    int reportRows = 0; // daily report rows of the year
};

// Which employees: every one with rows in the year, or the one with this code (the command
// line), or the one of this employee column (the screen's list, where codes may repeat).
struct AnnualRequest {
    int year = 0;
    std::optional<QString> employeeCode;
    std::optional<int> column;
};

// Message for a code no employee of the first 30 has.
QString unknownEmployeeMessage(const QString& code);
// Message when no employee has rows in the year.
QString noAnnualDataMessage(const BusinessYear& year);

// Reads the year: settings, employees, marks, and every daily report row of the year with one
// query over 日付; then classifies each employee period by period. With a code, that one
// employee's sheet (also without rows); without, every employee column with a name and rows.
// progress is told 1..kAnnualReadSteps.
constexpr int kAnnualReadSteps = kAttendanceColumns;
DbError readAnnualAttendance(const QString& databasePath, const AnnualRequest& request,
                             EraValues& era, AnnualAttendanceData& out,
                             const std::function<void(int)>& progress = {});

// Texts of the sheet.
QString annualTitle(const EraValues& era, const BusinessYear& year);
QString annualEmployeeLine(const AnnualSheet& sheet);
QString annualMonthLabel(const ClosingMonth& month);
QString annualPeriodLabel(const Period& period);

// Draws one sheet per employee (each ends with end_document); progress is told the sheets
// done after the read, scaled to kAnnualProgressMax, then 0.
constexpr int kAnnualProgressMax = 100;
void drawAnnualAttendance(Printer& printer, const PageScale& scale,
                          const AnnualAttendanceData& data,
                          const std::function<void(int)>& progress = {});

} // namespace vorda
