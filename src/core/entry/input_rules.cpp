#include "core/entry/input_rules.h"

#include "core/data/values.h"

#include <cmath>

namespace vorda {

bool acceptsTime(const QString& text) {
    return text.size() == 5;
}

std::optional<qint16> countFromField(const QString& text) {
    const double rounded = std::nearbyint(leadingNumber(text));
    if (!(rounded >= -32768.0 && rounded <= 32767.0))
        return std::nullopt;
    return static_cast<qint16>(rounded);
}

namespace {

int groupsWithCell(const DayModel& day, int column, int lineParity) {
    int n = 0;
    for (int k = 0; k < kGroupsPerDay; ++k) {
        if (!day.lines[2 * k + lineParity].staff[column].trimmed().isEmpty())
            ++n;
    }
    return n;
}

bool sameLine(const Line& a, const Line& b) {
    for (int c = 0; c < kStaffColumns; ++c) {
        if (a.staff[c] != b.staff[c])
            return false;
    }
    for (int v = 0; v < kVehicleColumns; ++v) {
        if (a.vehicles[v] != b.vehicles[v])
            return false;
    }
    return a.guards[0] == b.guards[0] && a.guards[1] == b.guards[1];
}

bool sameGroup(const GroupSlot& a, const GroupSlot& b) {
    return a.deleteFlag == b.deleteFlag && a.jobNumber == b.jobNumber && a.jobName == b.jobName &&
           a.remarks == b.remarks && a.client == b.client && a.recordNumber == b.recordNumber &&
           a.startTime == b.startTime && a.endTime == b.endTime && a.reserve1 == b.reserve1 &&
           a.reserve2 == b.reserve2 && a.plannedWork == b.plannedWork &&
           a.actualWork == b.actualWork && a.nightFlag == b.nightFlag &&
           a.extraCount == b.extraCount && a.spotCount == b.spotCount;
}

} // namespace

int plannedGroupsInColumn(const DayModel& day, int column) {
    return groupsWithCell(day, column, 0);
}

int actualGroupsInColumn(const DayModel& day, int column) {
    return groupsWithCell(day, column, 1);
}

bool sameDay(const DayModel& a, const DayModel& b) {
    if (storedExtraCaption(a.extraCaption) != storedExtraCaption(b.extraCaption))
        return false;
    for (int k = 0; k < kGroupsPerDay; ++k) {
        if (!sameGroup(a.groups[k], b.groups[k]) || !sameLine(a.planned(k), b.planned(k)) ||
            !sameLine(a.actual(k), b.actual(k)))
            return false;
    }
    return true;
}

} // namespace vorda
