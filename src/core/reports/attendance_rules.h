#pragma once
// The attendance rules: the closing period of the attendance sheet, how the actual line of
// each daily report row puts its staff marks into day and night cells, the night hours, and
// how a cell is classified by the kind of its mark into symbols and totals.
//
// The cells are kept by date over any run of consecutive dates, so the same rules serve a
// month for every employee or a whole year for one.

#include "core/data/database.h"
#include "core/data/values.h"
#include "core/masters/master_lists.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <optional>
#include <vector>

namespace vorda {

// Employee columns the attendance rules keep (0..30); daily report rows fill 0..29.
constexpr int kAttendanceColumns = 31;

// The attendance closing day of the settings row (readSettingsRow): field 1, or 31 without
// the row, with the field empty or with a day outside 1 to 31.
int attendanceClosingDay(const QVariantList& settings);

// HANIDTSYU: the attendance sheet's closing period of a year and month, by the closing day
// of the settings row (monthClosingPeriod).
Period HANIDTSYU(const QVariantList& settings, int year, int month);
DbError HANIDTSYU(Database& db, int year, int month, Period& period);
DbError HANIDTSYU(const QString& databasePath, int year, int month, Period& period);

struct TimeOfDay {
    int hour = 0;
    int minute = 0;
};

// JIKANCHG: a text of exactly five characters as hours and minutes ("08:00", " 8:00"), an
// hour of 24 reading as 0. Any other text, and one whose hour or minutes are no time of day
// ("8:00", "25:00", "08:75"), gives 0:00.
TimeOfDay JIKANCHG(const QString& text);

// The night hours of a night row by its start and end: whole hours from the start to the
// end when that lies from 22:00 to 05:00, otherwise to 05:00 of the next morning.
// Minutes play no part.
int nightHours(const TimeOfDay& start, const TimeOfDay& end);

// Day and night cells and night hours, per employee column and date of a run of dates.
class AttendanceGrid {
public:
    AttendanceGrid(const QDate& first, const QDate& last);

    const QDate& first() const { return first_; }
    int days() const { return days_; }
    // The index of a date in the run; -1 outside it.
    int indexOf(const QDate& date) const;

    QString& dayCell(int column, int index) { return cell(column, index).day; }
    QString& nightCell(int column, int index) { return cell(column, index).night; }
    int& nightHoursAt(int column, int index) { return cell(column, index).nightHours; }
    const QString& dayCell(int column, int index) const { return cell(column, index).day; }
    const QString& nightCell(int column, int index) const { return cell(column, index).night; }
    int nightHoursAt(int column, int index) const { return cell(column, index).nightHours; }

private:
    struct Cell {
        QString day;
        QString night;
        int nightHours = 0;
    };
    Cell& cell(int column, int index) { return cells_[std::size_t(column * days_ + index)]; }
    const Cell& cell(int column, int index) const {
        return cells_[std::size_t(column * days_ + index)];
    }

    QDate first_;
    int days_ = 0;
    std::vector<Cell> cells_;
};

// YORUJIKAN: the mark of employee column `column` on the date of index `index`. A day row
// appends it to the day cell; a night row to the night cell, adding the row's night hours.
void YORUJIKAN(AttendanceGrid& grid, int index, int column, const TimeOfDay& start,
               const TimeOfDay& end, const QString& mark, qint16 nightFlag);

// RCGET: one daily report row (103 values by ordinal) into the grid; a row whose date lies
// outside the grid's dates changes nothing.
void RCGET(const QVariantList& row, AttendanceGrid& grid);

// A staff mark as the classification compares it: its trimmed text and its kind.
struct AttendanceMark {
    QString text;
    int kind = 0;
};
std::vector<AttendanceMark> attendanceMarks(const std::vector<StaffMark>& marks);

// "○" "泊" "◇" "休" by day, "●" "泊" "◆" "休" by night, "？" for any other kind.
QString attendanceSymbol(int kind, bool night);

struct AttendanceTotals {
    int regularDays = 0;
    int nightShifts = 0;
    int nightHours = 0;
    int overnightStays = 0;
    int holidayWork = 0;
    int daysOff = 0;
    int holidayBalance() const { return holidayWork - daysOff; }
};

struct EmployeeAttendance {
    QStringList cells; // per date: the day text followed by the night text
    AttendanceTotals totals;
};

// Classifies the cells of one employee column over `count` dates from index `from`: the
// first character of a cell is compared with the marks in stored order; the first mark that
// equals it gives the cell's symbol and counts the date under its kind. A cell that equals
// no mark is shown as collected and counts nowhere.
EmployeeAttendance classifyEmployee(const AttendanceGrid& grid, int column,
                                    const std::vector<AttendanceMark>& marks, int from, int count);

// The printed forms of the totals: a figure right-aligned in two places and the holiday
// balance in three; zero prints nothing, and a longer figure prints whole.
QString attendanceFigure(int value);
QString holidayBalanceFigure(int balance);

} // namespace vorda
