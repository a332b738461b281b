#pragma once
// The daily report sheet of one date: its content read from the file, then drawn onto a
// printer. Groups 1 to 8 make the first sheet; a job name in a later slot brings a second.

#include "core/data/daily_record.h"
#include "core/data/database.h"
#include "core/masters/settings_row.h"
#include "core/reports/printer.h"

#include <QDate>
#include <QStringList>
#include <functional>

namespace vorda {

struct DailyReportData {
    QDate date;
    QString title;  // 屋号 field 1
    QString person; // 屋号 field 7
    QString dateLine;
    QStringList legend;  // "mark=description", at most 101
    QStringList daysOff; // trimmed texts of the marks of kind 4 (day off): no man-days
    DayModel day;        // slots 0..15 as read
    NameCaches names;
    bool secondSheet = false;
    qint64 rowsOnDate = 0; // every stored row of the date; beyond 16 they are not printed
    QString notice;        // for the screen, once: what of the date the sheet leaves out
};

constexpr int kLegendMarks = 101;
constexpr int kDailyProgressMax = 720;

// Reads the sheet of a date: settings, trade name, marks, the first 16 rows of the date into
// `model` (a 17th row only decides the second sheet by its job name)
// (the print's own day model; its extra caption stands for a day without rows) and the
// weather stored for that date.
DbError readDailyReport(const QString& databasePath, const QDate& date, EraValues& era,
                        DayModel& model, DailyReportData& out);

// The date line: era, era year, month, day, weekday and weather.
QString dailyDateLine(const EraValues& era, const QDate& date, const QString& weather);

// Man-days (spot workers and every staff cell but blanks and the day-off marks `daysOff`,
// compared trimmed) and vehicles (all vehicle columns and the extra column) of one line of a
// slot; actual for the actual line.
// Wide integers: ten columns of 4000 are 40000, never a wrapped 16-bit figure.
qint64 manDays(const DayModel& day, int slot, bool actual, const QStringList& daysOff);
qint64 vehicleTotal(const DayModel& day, int slot, bool actual);

// The job name on six lines (eight characters each, the sixth up to eleven) and a work
// content on three lines of eleven characters.
QStringList jobNameLines(const QString& name);
QStringList workContentLines(const QString& text);

// Draws the sheet or sheets; progress is told the step count (at most 720).
void drawDailyReport(Printer& printer, const PageScale& scale, const DailyReportData& data,
                     const std::function<void(int)>& progress = {});

} // namespace vorda
