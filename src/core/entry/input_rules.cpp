#include "core/entry/input_rules.h"

#include "core/data/values.h"

#include <algorithm>
#include <cmath>

namespace vorda {

bool acceptsTime(const QString& text) {
    if (text.isEmpty())
        return true;
    if (text.size() != 5 || text[2] != u':')
        return false;
    for (int i : {0, 1, 3, 4}) {
        if (text[i] < u'0' || text[i] > u'9')
            return false;
    }
    const int hours = text.left(2).toInt();
    const int minutes = text.mid(3).toInt();
    return minutes <= 59 && (hours < 24 || (hours == 24 && minutes == 0));
}

std::optional<qint16> countFromField(const QString& text) {
    QString digits;
    bool point = false;
    for (QChar c : text) {
        char16_t u = c.unicode();
        if (u >= 0xFF10 && u <= 0xFF19) // full-width digits typed through the input method
            u = char16_t(u - 0xFF10 + u'0');
        else if (u == 0xFF0E)
            u = u'.';
        if (u == u' ' || u == u'\t' || u == 0x3000)
            continue;
        if (u == u'.' && !point) {
            point = true;
        } else if (u < u'0' || u > u'9') {
            return std::nullopt;
        }
        digits += QChar(u);
    }
    if (digits.isEmpty())
        return qint16(0);
    if (digits == QLatin1String("."))
        return std::nullopt;
    const double rounded = std::nearbyint(digits.toDouble());
    if (!(rounded <= 32767.0))
        return std::nullopt;
    return static_cast<qint16>(rounded);
}

namespace {

bool lineHasWork(const Line& line) {
    for (int c = 0; c < kStaffColumns; ++c) {
        if (!line.staff[c].trimmed().isEmpty())
            return true;
    }
    for (int v = 0; v < kVehicleColumns; ++v) {
        if (line.vehicles[v] != 0)
            return true;
    }
    return line.guards[0] != 0 || line.guards[1] != 0;
}

bool typedTime(const QString& time, const QString& byDefault) {
    return !time.isEmpty() && time != byDefault;
}

} // namespace

std::vector<int> unnamedGroupsWithWork(const DayModel& day) {
    std::vector<int> unnamed;
    for (int k = 0; k < kGroupsPerDay; ++k) {
        const GroupSlot& g = day.groups[k];
        if (g.recordNumber != 0 || g.deleteFlag != 0 || !g.jobName.isEmpty())
            continue;
        const bool work =
            !g.remarks.isEmpty() || !g.client.isEmpty() || !g.plannedWork.isEmpty() ||
            !g.actualWork.isEmpty() || !g.reserve1.isEmpty() || !g.reserve2.isEmpty() ||
            g.nightFlag != 0 || g.extraCount != std::array<qint16, 2>{} ||
            g.spotCount != std::array<qint16, 2>{} || typedTime(g.startTime, kDefaultStartTime) ||
            typedTime(g.endTime, kDefaultEndTime) || lineHasWork(day.planned(k)) ||
            lineHasWork(day.actual(k));
        if (work)
            unnamed.push_back(k);
    }
    return unnamed;
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

QColor plannedHeaderColour(int groups) {
    static const QColor colours[] = {
        {0, 255, 255}, {255, 255, 255}, {255, 255, 0}, {0, 0, 255}, {255, 0, 0}};
    return colours[std::clamp(groups, 0, 4)];
}

QColor actualHeaderColour(int groups) {
    static const QColor colours[] = {
        {0, 0, 0}, {0, 128, 128}, {128, 0, 128}, {128, 128, 0}, {192, 192, 192}};
    return colours[std::clamp(groups, 0, 4)];
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
