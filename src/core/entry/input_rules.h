#pragma once
// The rules the entry screen's fields follow as the user types, free of any widget.

#include "core/data/daily_record.h"

#include <QString>
#include <optional>

namespace vorda {

// Time fields take a text of exactly five characters ("09:00"); others are not taken over.
bool acceptsTime(const QString& text);
inline const QString kDefaultStartTime = QStringLiteral("09:00");
inline const QString kDefaultEndTime = QStringLiteral("17:00");

// Count fields: the leading number, halves to even; nothing when it does not fit 16 bits.
std::optional<qint16> countFromField(const QString& text);

// Multi-line work contents hold at most this many characters.
constexpr int kWorkContentLength = 100;

// The number of groups whose planned (SAGYOCHK) or actual (SAGYOCHK2) cell of employee
// column c holds more than blanks.
int plannedGroupsInColumn(const DayModel& day, int column);
int actualGroupsInColumn(const DayModel& day, int column);

// Whether two day models hold the same day (what a register would write), offsets aside.
bool sameDay(const DayModel& a, const DayModel& b);

} // namespace vorda
