#pragma once
// The per-project period list "工事別作業期間一覧表": the days one project was worked, on a
// calendar of two years a sheet (a "■" under the weekday of each day), and beside it the
// day-shift and night-shift entries of every staff mark. Its content is read from the file,
// then drawn onto a printer.

#include "core/data/daily_record.h"
#include "core/data/database.h"
#include "core/masters/master_lists.h"
#include "core/masters/settings_row.h"
#include "core/reports/printer.h"

#include <QDate>
#include <array>
#include <functional>
#include <optional>
#include <vector>

namespace vorda {

// What the list takes of one daily report row of the project.
struct PeriodRow {
    QDate date;
    std::array<QString, kStaffColumns> actualStaff; // the actual line's staff cells
    qint16 nightFlag = 0;
};

// The tally of one staff mark: cells of the actual line carrying it, by day and by night.
struct MarkShifts {
    QString description; // trimmed
    qint64 day = 0;
    qint64 night = 0;
};

struct PeriodListData {
    QString project; // the chosen text, as printed
    EraValues era;
    std::vector<QDate> dates;      // one per counted row, ascending (a date may repeat)
    std::vector<MarkShifts> marks; // every staff mark in stored order
    bool empty() const { return dates.empty(); }
    QDate earliest() const { return dates.empty() ? QDate() : dates.front(); }
    QDate latest() const { return dates.empty() ? QDate() : dates.back(); }
};

inline const QString kChooseProjectMessage = QStringLiteral("工事件名を選択してください。");

// What the user is told when the project has no row from last year on.
QString noPeriodDataMessage(const QString& chosen);

// The number of the chosen project: the last entry whose name, blanks around it left out,
// equals the chosen text; nothing when no entry does.
std::optional<qint64> projectNumberOf(const std::vector<ProjectEntry>& projects,
                                      const QString& chosen);

// Counts one staff cell under every mark that equals it (both trimmed): as night shift when
// the row's night flag is not 0, otherwise as day shift. `tally` runs parallel to `marks`.
void ppmk(const QString& cell, const std::vector<StaffMark>& marks, qint16 nightFlag,
          std::vector<MarkShifts>& tally);

// The list of the rows of one project: only rows dated from 1 January of the year before
// `currentYear` on count; their non-empty actual cells are tallied and their dates sorted.
PeriodListData computePeriodList(const QString& chosen, const EraValues& era,
                                 const std::vector<StaffMark>& marks,
                                 const std::vector<PeriodRow>& rows, int currentYear);

// Reads the era, the staff marks, the projects and the chosen project's rows (through the
// index on 工事番号 and 日付) and computes the list. An unknown project, like one without
// rows, gives an empty list. `era` keeps what it had for values the settings row lacks.
DbError readPeriodList(const QString& databasePath, const QString& chosen, int currentYear,
                       EraValues& era, PeriodListData& out);

// "( 令和  6 年 　～　令和  7 年 )": the era years padded to two characters.
QString periodText(const EraValues& era, int firstYear, int lastYear);

// One printed sheet: up to two calendar years from firstYear (years 0: no calendar) and up
// to kMarksPerSheet rows of the staff-mark table from firstMark.
struct PeriodSheet {
    int firstYear = 0;
    int years = 0;
    int firstMark = 0;
    int markCount = 0;
};

constexpr int kYearsPerSheet = 2;
constexpr int kMarksPerSheet = 24;
constexpr int kPeriodProgressMax = 114;

// The sheets of a list: a sheet for every pair of calendar years from the earliest date's
// year that holds a date, the staff-mark table continued on further sheets when it is longer
// than one sheet holds.
std::vector<PeriodSheet> periodSheets(const PeriodListData& data);

// Draws the sheets; progress is told the step count (at most kPeriodProgressMax), then 0.
void drawPeriodList(Printer& printer, const PageScale& scale, const PeriodListData& data,
                    const std::function<void(int)>& progress = {});

} // namespace vorda
