#include "core/data/daily_record.h"

#include "core/data/values.h"

namespace vorda {

void CLRDIM(DayModel& day, NameCaches& names) {
    const QString caption = day.extraCaption;
    const int groupOffset = day.groupOffset;
    const int columnOffset = day.columnOffset;
    day = DayModel();
    day.extraCaption = caption;
    day.groupOffset = groupOffset;
    day.columnOffset = columnOffset;
    names = NameCaches();
}

namespace {

QString textAt(const QVariantList& row, int ordinal) {
    return ordinal < row.size() ? nullSafeText(row[ordinal]) : QString();
}

qint16 countAt(const QVariantList& row, int ordinal) {
    return ordinal < row.size() ? countOf(row[ordinal]) : qint16(0);
}

} // namespace

void rowToSlot(const QVariantList& row, DayModel& day, int k) {
    // Lines 2k and 2k+1 exist for slots 0..15 only; a day never holds more.
    if (k < 0 || k >= kGroupsPerDay)
        return;
    GroupSlot& s = day.groups[k];
    s.deleteFlag = 0;
    s.jobNumber = rec::JobNumber < row.size() ? storedNumber(row[rec::JobNumber]) : 0;
    s.jobName = textAt(row, rec::JobName);
    s.remarks = textAt(row, rec::Remarks);
    s.client = textAt(row, rec::Client);
    s.recordNumber = rec::Rec < row.size() ? row[rec::Rec].toLongLong() : 0;

    Line& planned = day.planned(k);
    Line& actual = day.actual(k);
    for (int c = 0; c < kStaffColumns; ++c) {
        planned.staff[c] = textAt(row, rec::PlannedStaff + c);
        actual.staff[c] = textAt(row, rec::ActualStaff + c);
    }
    planned.guards[0] = countAt(row, rec::PlannedGuardDay);
    planned.guards[1] = countAt(row, rec::PlannedGuardNight);
    actual.guards[0] = countAt(row, rec::ActualGuardDay);
    actual.guards[1] = countAt(row, rec::ActualGuardNight);
    for (int v = 0; v < kVehicleColumns; ++v) {
        planned.vehicles[v] = countAt(row, rec::PlannedVehicle + v);
        actual.vehicles[v] = countAt(row, rec::ActualVehicle + v);
    }

    s.startTime = textAt(row, rec::StartTime);
    s.endTime = textAt(row, rec::EndTime);
    s.reserve1 = textAt(row, rec::Reserve1);
    s.reserve2 = textAt(row, rec::Reserve2);
    s.plannedWork = textAt(row, rec::PlannedWork);
    s.actualWork = textAt(row, rec::ActualWork);
    s.nightFlag = countAt(row, rec::Night);
    day.extraCaption = textAt(row, rec::ExtraCaption);
    s.extraCount[0] = countAt(row, rec::ExtraPlanned);
    s.extraCount[1] = countAt(row, rec::ExtraActual);
    s.spotCount[0] = countAt(row, rec::SpotPlanned);
    s.spotCount[1] = countAt(row, rec::SpotActual);
}

QVariantList slotToRow(const DayModel& day, int k, const QDate& date, const QString& weather) {
    const GroupSlot& s = day.groups[k];
    const Line& planned = day.planned(k);
    const Line& actual = day.actual(k);
    // A text member is stored as the empty text rather than null.
    auto text = [](const QString& t) { return QVariant(t.isNull() ? QStringLiteral("") : t); };
    auto count = [](qint16 n) { return QVariant(int(n)); };

    QVariantList row;
    row.resize(rec::FieldCount);
    row[rec::Date] = toDbDate(date);
    row[rec::JobNumber] = QVariant(s.jobNumber);
    row[rec::JobName] = text(s.jobName);
    row[rec::Remarks] = text(s.remarks);
    row[rec::Client] = text(s.client);
    row[rec::Rec] = QVariant(); // assigned by the database
    row[rec::Weather] = text(weather);
    for (int c = 0; c < kStaffColumns; ++c) {
        row[rec::PlannedStaff + c] = text(planned.staff[c]);
        row[rec::ActualStaff + c] = text(actual.staff[c]);
    }
    row[rec::PlannedGuardDay] = count(planned.guards[0]);
    row[rec::PlannedGuardNight] = count(planned.guards[1]);
    row[rec::ActualGuardDay] = count(actual.guards[0]);
    row[rec::ActualGuardNight] = count(actual.guards[1]);
    for (int v = 0; v < kVehicleColumns; ++v) {
        row[rec::PlannedVehicle + v] = count(planned.vehicles[v]);
        row[rec::ActualVehicle + v] = count(actual.vehicles[v]);
    }
    row[rec::StartTime] = text(s.startTime);
    row[rec::EndTime] = text(s.endTime);
    row[rec::Reserve1] = text(s.reserve1);
    row[rec::Reserve2] = text(s.reserve2);
    row[rec::PlannedWork] = text(s.plannedWork);
    row[rec::ActualWork] = text(s.actualWork);
    row[rec::Night] = count(s.nightFlag);
    row[rec::ExtraCaption] = text(storedExtraCaption(day.extraCaption));
    row[rec::ExtraPlanned] = count(s.extraCount[0]);
    row[rec::ExtraActual] = count(s.extraCount[1]);
    row[rec::SpotPlanned] = count(s.spotCount[0]);
    row[rec::SpotActual] = count(s.spotCount[1]);
    return row;
}

QString storedExtraCaption(const QString& caption) {
    return leftChars(caption, kExtraCaptionLength).trimmed();
}

} // namespace vorda
