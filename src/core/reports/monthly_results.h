#pragma once
// The monthly operation results (月間稼働実績) of one closing period: per project that has
// daily report rows in the period, the staff by mark, spot workers and guards by day and
// night, vehicles and the extra column ("その他"). Read and tallied first (plain values),
// then drawn onto a printer on as many pages as the projects and columns need.

#include "core/data/daily_record.h"
#include "core/data/database.h"
#include "core/data/values.h"
#include "core/masters/master_lists.h"
#include "core/masters/settings_row.h"
#include "core/reports/printer.h"
#include "core/reports/sheet_month.h"

#include <QString>
#include <array>
#include <functional>
#include <optional>
#include <vector>

namespace vorda {

// The closing day of the monthly results: field 0 of the settings row (readSettingsRow); 31 without
// the row, and also for a value that is no day of a month (null, below 1, above 31).
int monthlyClosingDay(const QVariantList& settings);

// The period of a year and month by the monthly closing day (monthClosingPeriod, as the
// attendance sheet's): consecutive months meet, and a closing day beyond a month's end closes
// it on its last day.
Period HANIDT(const QVariantList& settings, int year, int month);
DbError HANIDT(const QString& databasePath, int year, int month, Period& out);

// One printed column: its heading and a value per project, in project order.
struct MonthlyColumn {
    QString heading;
    std::vector<qint64> values;
};

struct MonthlyProject {
    qint64 number = 0;
    QString name;   // empty when the number is not in 工事件名
    QString client; // 発注者 of the same row (the CSV carries it; the sheet does not)
};

struct MonthlyResultsData {
    MonthRequest request;
    Period period;
    EraValues era;
    QString printTitle;                   // 屋号 field 1; empty without a 屋号 row
    std::vector<MonthlyProject> projects; // ascending number, each once
    std::vector<MonthlyColumn> columns;   // only the kinds used, in the sheet's order
};

// The daily report fields the tally reads, decoded from one row.
struct MonthlyRowValues {
    qint64 jobNumber = 0;                     // as stored: two projects beyond 16 bits stay two
    std::array<QString, kStaffColumns> staff; // actual line, trimmed
    qint16 guardDay = 0;
    qint16 guardNight = 0;
    std::array<qint16, kVehicleColumns> vehicles{};
    qint16 night = 0;
    qint16 other = 0; // field 100
    qint16 spot = 0;  // field 102
};

MonthlyRowValues monthlyRowValues(const QVariantList& row);

// The projects and columns of the period's rows (any order), by the project list (the name
// of the last row with a number counts), the staff marks and the vehicle names.
void tallyMonthlyResults(const std::vector<MonthlyRowValues>& rows,
                         const std::vector<ProjectEntry>& projectList,
                         const std::vector<StaffMark>& marks,
                         const std::array<QString, kVehicleCacheSize>& vehicles,
                         MonthlyResultsData& out);

// The progress of one print run: 1 to 29, then 0.
constexpr int kMonthlyProgressMax = 29;

// Reads and tallies the sheet of a month: the era into `era` (kept by the screen between
// runs), the print title, the period's rows with one query over 日付. Progress 1 to 9.
DbError readMonthlyResults(const QString& databasePath, const MonthRequest& request, EraValues& era,
                           MonthlyResultsData& out, const std::function<void(int)>& progress = {});

// What one page holds: at most 29 projects and 24 columns.
constexpr int kMonthlyRowsPerPage = 29;
constexpr int kMonthlyColumnsPerPage = 24;
int monthlyPageCount(const MonthlyResultsData& data);

// The texts of the title and of one period date.
QString monthlyTitle(const MonthlyResultsData& data);
QString monthlyPeriodText(const EraValues& era, const QDate& date);

// A cell's text: nothing for 0, right-aligned in three characters, a longer figure whole.
QString monthlyCellText(qint64 value);

// Draws every page (each ends with end_document); progress 10 to 29, then 0.
void drawMonthlyResults(Printer& printer, const PageScale& scale, const MonthlyResultsData& data,
                        const std::function<void(int)>& progress = {});

} // namespace vorda
