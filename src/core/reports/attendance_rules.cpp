#include "core/reports/attendance_rules.h"

#include "core/data/daily_record.h"
#include "core/data/schema.h"
#include "core/masters/settings_row.h"

#include <algorithm>
#include <cmath>

namespace vorda {

int attendanceClosingDay(const QVariantList& settings) {
    // An empty field, or a day no month has, is taken as no closing day set, as a missing row
    // is: the month's end.
    const QVariant stored = settings.value(sys::AttendanceClosingDay);
    const int day = countOf(stored);
    return stored.isNull() || !stored.isValid() || day < 1 || day > 31 ? 31 : day;
}

Period HANIDTSYU(const QVariantList& settings, int year, int month) {
    return monthClosingPeriod(year, month, attendanceClosingDay(settings));
}

DbError HANIDTSYU(Database& db, int year, int month, Period& period) {
    QVariantList settings;
    if (DbError e = readSettingsRow(db, settings))
        return e;
    period = HANIDTSYU(settings, year, month);
    return {};
}

DbError HANIDTSYU(const QString& databasePath, int year, int month, Period& period) {
    Database db;
    if (DbError e = db.open(databasePath))
        return e;
    return HANIDTSYU(db, year, month, period);
}

namespace {

// The whole number of a part of a time text, as a typed count is read; nothing when it is
// not a whole number within [0, max].
std::optional<int> timePart(const QString& text, int max) {
    const double v = leadingNumber(text);
    if (v < 0 || v > max || v != std::floor(v))
        return std::nullopt;
    return int(v);
}

} // namespace

TimeOfDay JIKANCHG(const QString& text) {
    if (text.size() != 5)
        return {};
    const auto hour = timePart(text.left(2), 24);
    const auto minute = timePart(text.right(2), 59);
    if (!hour || !minute)
        return {};
    return {*hour == 24 ? 0 : *hour, *minute};
}

int nightHours(const TimeOfDay& start, const TimeOfDay& end) {
    const int s = start.hour == 0 ? 24 : start.hour;
    int e = end.hour == 0 ? 24 : end.hour;
    e = (e <= 5 || e >= 22) ? e + 24 : 29;
    return (e - s) % 24;
}

AttendanceGrid::AttendanceGrid(const QDate& first, const QDate& last)
    : first_(first), days_(first.isValid() && last >= first ? int(first.daysTo(last)) + 1 : 0),
      cells_(std::size_t(kAttendanceColumns * days_)) {}

int AttendanceGrid::indexOf(const QDate& date) const {
    if (!date.isValid() || days_ == 0)
        return -1;
    const qint64 i = first_.daysTo(date);
    return i >= 0 && i < days_ ? int(i) : -1;
}

void YORUJIKAN(AttendanceGrid& grid, int index, int column, const TimeOfDay& start,
               const TimeOfDay& end, const QString& mark, qint16 nightFlag) {
    if (nightFlag == 0) {
        grid.dayCell(column, index) += mark.trimmed();
        return;
    }
    grid.nightCell(column, index) += mark.trimmed();
    grid.nightHoursAt(column, index) += nightHours(start, end);
}

void RCGET(const QVariantList& row, AttendanceGrid& grid) {
    const int index = grid.indexOf(fromDbDate(row.value(rec::Date)));
    if (index < 0)
        return;
    // Times that are empty stay 0:00.
    const QString startText = nullSafeText(row.value(rec::StartTime));
    const QString endText = nullSafeText(row.value(rec::EndTime));
    const TimeOfDay start = startText.trimmed().isEmpty() ? TimeOfDay{} : JIKANCHG(startText);
    const TimeOfDay end = endText.trimmed().isEmpty() ? TimeOfDay{} : JIKANCHG(endText);
    const qint16 night = countOf(row.value(rec::Night));
    for (int p = 0; p < kStaffColumns; ++p) {
        const QString mark = nullSafeText(row.value(rec::ActualStaff + p));
        if (!mark.trimmed().isEmpty())
            YORUJIKAN(grid, index, p, start, end, mark, night);
    }
}

std::vector<AttendanceMark> attendanceMarks(const std::vector<StaffMark>& marks) {
    std::vector<AttendanceMark> out;
    out.reserve(marks.size());
    for (const StaffMark& m : marks)
        out.push_back({m.mark.trimmed(), m.kind});
    return out;
}

QString attendanceSymbol(int kind, bool night) {
    switch (kind) {
    case markKind::Attendance:
        return night ? QStringLiteral("●") : QStringLiteral("○");
    case markKind::OvernightStay:
        return QStringLiteral("泊");
    case markKind::HolidayWork:
        return night ? QStringLiteral("◆") : QStringLiteral("◇");
    case markKind::DayOff:
        return QStringLiteral("休");
    default:
        return QStringLiteral("？");
    }
}

namespace {

// The first character of a text, a surrogate pair kept whole.
QString firstCharacter(const QString& text) {
    if (text.size() >= 2 && text[0].isHighSurrogate() && text[1].isLowSurrogate())
        return text.left(2);
    return text.left(1);
}

// The text a cell shows, counting its date in the totals.
QString classify(const QString& cell, bool night, const std::vector<AttendanceMark>& marks,
                 AttendanceTotals& totals) {
    if (cell.isEmpty())
        return QString();
    const QString first = firstCharacter(cell);
    for (const AttendanceMark& m : marks) {
        if (m.text != first)
            continue;
        switch (m.kind) {
        case markKind::Attendance:
            ++(night ? totals.nightShifts : totals.regularDays);
            break;
        case markKind::OvernightStay:
            ++totals.overnightStays;
            break;
        case markKind::HolidayWork:
            ++totals.holidayWork;
            break;
        case markKind::DayOff:
            ++totals.daysOff;
            break;
        default:
            break;
        }
        // One date counts once, under the first mark of its text.
        return attendanceSymbol(m.kind, night);
    }
    return cell;
}

} // namespace

EmployeeAttendance classifyEmployee(const AttendanceGrid& grid, int column,
                                    const std::vector<AttendanceMark>& marks, int from, int count) {
    EmployeeAttendance out;
    const int last = std::min(grid.days(), from + count);
    for (int i = std::max(0, from); i < last; ++i) {
        const QString day = classify(grid.dayCell(column, i), false, marks, out.totals);
        const QString night = classify(grid.nightCell(column, i), true, marks, out.totals);
        out.cells << day + night;
        out.totals.nightHours += grid.nightHoursAt(column, i);
    }
    return out;
}

QString attendanceFigure(int value) {
    return sheetFigure(value, 2);
}

QString holidayBalanceFigure(int balance) {
    return sheetFigure(balance, 3);
}

} // namespace vorda
