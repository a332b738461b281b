#pragma once
// The master rows the pickers and the prints read: projects and staff marks.

#include "core/data/database.h"

#include <QDate>
#include <QString>
#include <vector>

namespace vorda {

struct ProjectEntry {
    qint64 number = 0; // 工事番号 as stored (a text by its leading number)
    QString name;      // 工事件名
    QString client;    // 発注者
    QDate startDate;   // 開始日; invalid when empty or unreadable
    QDate endDate;     // 終了日
};

// Whether a project had ended before `day`: its end date is earlier than `day`. A project
// without a readable end date has not ended.
bool projectEndedBefore(const ProjectEntry& project, const QDate& day);

// Mark kinds of スタッフマーク field 4.
namespace markKind {
constexpr int Attendance = 1, OvernightStay = 2, HolidayWork = 3, DayOff = 4;
}

struct StaffMark {
    QString mark;        // field 1 as stored
    QString description; // field 2
    QString caption;     // field 3
    qint16 kind = 0;     // field 4: 1 attendance, 2 overnight stay, 3 holiday work, 4 day off
};

// What a staff mark's kind stands for ("出勤", "宿泊", "休日出勤", "休み"); empty for any
// other number.
QString markKindName(int kind);

// Every project in stored order.
DbError listProjects(const QString& databasePath, std::vector<ProjectEntry>& out);

// Every staff mark in stored order.
DbError listStaffMarks(const QString& databasePath, std::vector<StaffMark>& out);

// The projects the project picker lists, in stored order, with only the fields it shows.
// With `day` valid the query leaves out the projects that ended before it (the rule of
// projectEndedBefore, worked by the database on a bound date); otherwise every project.
DbError listPickerProjects(const QString& databasePath, const QDate& day,
                           std::vector<ProjectEntry>& out);

// The same on a database already open.
DbError listProjects(Database& db, std::vector<ProjectEntry>& out);
DbError listStaffMarks(Database& db, std::vector<StaffMark>& out);

// The projects whose number is one of `numbers`, in stored order: what a day's groups name,
// without reading a table that only grows.
DbError listProjectsByNumber(Database& db, const std::vector<qint64>& numbers,
                             std::vector<ProjectEntry>& out);

} // namespace vorda

namespace vorda {

// The number of rows of 社員 and of 車両: how many employee and vehicle columns are in use.
DbError countEmployeesAndVehicles(const QString& databasePath, int& employees, int& vehicles);

} // namespace vorda
