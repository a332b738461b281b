#pragma once
// The daily report row (table VORDA工事) and the day model; the entry screen and the daily
// report print each keep their own.

#include "core/data/values.h"

#include <QDate>
#include <QString>
#include <QVariantList>
#include <array>
#include <vector>

namespace vorda {

// Field ordinals of a daily report row; 103 fields in all, addressed by position.
namespace rec {
constexpr int Date = 0;      // 日付
constexpr int JobNumber = 1; // 工事番号
constexpr int JobName = 2;   // a non-empty name marks the group as in use
constexpr int Remarks = 3;
constexpr int Client = 4;
constexpr int Rec = 5; // REC, assigned by the database, never written
constexpr int Weather = 6;
constexpr int PlannedStaff = 7; // 7 + employee column 0..29
constexpr int ActualStaff = 37; // 37 + employee column 0..29
constexpr int PlannedGuardDay = 67;
constexpr int PlannedGuardNight = 68;
constexpr int ActualGuardDay = 69;
constexpr int ActualGuardNight = 70;
constexpr int PlannedVehicle = 71; // 71 + vehicle column 0..9
constexpr int ActualVehicle = 81;  // 81 + vehicle column 0..9
constexpr int StartTime = 91;
constexpr int EndTime = 92;
constexpr int Reserve1 = 93;
constexpr int Reserve2 = 94;
constexpr int PlannedWork = 95;
constexpr int ActualWork = 96;
constexpr int Night = 97;
constexpr int ExtraCaption = 98;
constexpr int ExtraPlanned = 99; // TOKU
constexpr int ExtraActual = 100; // TOKUJ
constexpr int SpotPlanned = 101; // SPT
constexpr int SpotActual = 102;  // SPTJ
constexpr int FieldCount = 103;
} // namespace rec

// Bounds of the day model. The arrays are one larger than what is used, as they always were.
constexpr int kSlotBound = 17;      // slots 0..16
constexpr int kGroupsPerDay = 16;   // slots 0..15 used
constexpr int kLineBound = 33;      // lines 0..32; line 2k planned, 2k+1 actual
constexpr int kStaffBound = 31;     // staff cells 0..30
constexpr int kStaffColumns = 30;   // columns 0..29 stored
constexpr int kGuardBound = 3;      // 0 day, 1 night (2 unused)
constexpr int kVehicleBound = 11;   // vehicle cells 0..10
constexpr int kVehicleColumns = 10; // columns 0..9 stored
constexpr int kEmployeeCacheSize = 31;
constexpr int kVehicleCacheSize = 11;
constexpr int kExtraCaptionLength = 6;

// Employee and vehicle names by column position: row i of 社員 and 車両 in stored order.
struct NameCaches {
    std::array<QString, kEmployeeCacheSize> employees;
    std::array<QString, kVehicleCacheSize> vehicles;
    QString beyondColumns; // which employee or vehicle rows have no column; empty when all fit
};

struct GroupSlot {
    qint16 deleteFlag = 0;
    qint64 jobNumber = 0; // 工事番号 as stored, never cut to 16 bits
    QString jobName;
    QString remarks;
    QString client;
    qint64 recordNumber = 0; // REC; 0: no stored row yet
    QString startTime;
    QString endTime;
    QString reserve1;
    QString reserve2;
    QString plannedWork;
    QString actualWork;
    qint16 nightFlag = 0;
    std::array<qint16, 2> extraCount{}; // 0 planned, 1 actual
    std::array<qint16, 2> spotCount{};  // 0 planned, 1 actual
};

struct Line {
    std::array<QString, kStaffBound> staff;
    std::array<qint16, kGuardBound> guards{};
    std::array<qint16, kVehicleBound> vehicles{};
};

struct DayModel {
    std::array<GroupSlot, kSlotBound> groups;
    std::array<Line, kLineBound> lines;
    QString extraCaption; // one for the day; survives CLRDIM
    int groupOffset = 0;  // first group slot shown (0..12)
    int columnOffset = 0; // first employee column shown (0..17)
    // The rows of the date as they were loaded (every field, REC among them), in slot
    // order: a register writes only while the file still holds exactly these.
    std::vector<QVariantList> loadedRows;

    Line& planned(int slot) { return lines[2 * slot]; }
    Line& actual(int slot) { return lines[2 * slot + 1]; }
    const Line& planned(int slot) const { return lines[2 * slot]; }
    const Line& actual(int slot) const { return lines[2 * slot + 1]; }
};

// Clears every slot and line and both name caches; the extra caption is kept.
void CLRDIM(DayModel& day, NameCaches& names);

// Copies a stored row (103 values by ordinal) into slot k (0..15; any other k is passed
// over); sets the day's extra caption.
void rowToSlot(const QVariantList& row, DayModel& day, int k);

// The values of slot k as a row to store: 103 values by ordinal, REC left invalid (never
// written). Texts are never null, so blank inputs are stored as the empty text.
QVariantList slotToRow(const DayModel& day, int k, const QDate& date, const QString& weather);

// The extra caption as stored: its first six characters, blanks at both ends removed.
QString storedExtraCaption(const QString& caption);

} // namespace vorda
