#pragma once
// The monthly attendance sheet of a closing period: its content read from the file (the
// attendance rules over every row of the period), then drawn onto a printer on one page.

#include "core/masters/settings_row.h"
#include "core/reports/attendance_rules.h"
#include "core/reports/printer.h"
#include "core/reports/sheet_month.h"

#include <QDate>
#include <array>
#include <functional>
#include <optional>

namespace vorda {

// Employee rows the sheet holds; the daily report rows have cells for these only.
constexpr int kAttendanceSheetRows = 30;
// Steps of the progress bar: the classification of the 31 employee columns as the content
// is read, then the grid, the names, the cells and the totals as the sheet is drawn.
constexpr int kAttendanceReadSteps = kAttendanceColumns;
constexpr int kAttendanceProgressMax = 190;

struct AttendanceSheetData {
    QString title;
    QString periodLine;
    Period period;
    std::vector<QDate> dates;                           // the period's dates, start to end
    std::array<QString, kAttendanceColumns> names;      // 社員 field 1 by column
    std::array<QString, kAttendanceColumns> codes;      // 社員 field 0 (the CSV carries them)
    std::array<QString, kAttendanceColumns> givenNames; // 社員 field 2
    std::vector<EmployeeAttendance> employees;          // columns 0..30
    int reportRows = 0;                                 // daily report rows of the period
};

// The title and the period line. The month of the title is the month text as typed.
QString attendanceTitle(const EraValues& era, int year, const QString& monthText);
QString attendancePeriodLine(const EraValues& era, const Period& period);

// Reads the sheet of a year and month: settings (the era where the row has it, the closing
// day), employees, marks, every daily report row of the period in stored order.
// progress is told steps 1 to kAttendanceReadSteps.
DbError readAttendanceSheet(const QString& databasePath, const MonthRequest& request,
                            EraValues& era, AttendanceSheetData& out,
                            const std::function<void(int)>& progress = {});

// Draws the sheet; progress is told the steps after the read up to kAttendanceProgressMax,
// then 0.
void drawAttendanceSheet(Printer& printer, const PageScale& scale, const AttendanceSheetData& data,
                         const std::function<void(int)>& progress = {});

} // namespace vorda
