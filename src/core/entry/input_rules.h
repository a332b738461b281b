#pragma once
// The rules the entry screen's fields follow as the user types, free of any widget.

#include "core/data/daily_record.h"

#include <QColor>
#include <QString>
#include <optional>
#include <vector>

namespace vorda {

// Time fields take a time of five characters, "HH:MM" with hours 00 to 24 and minutes 00 to
// 59 ("24:00" is the last), or nothing at all; any other text is not taken over.
bool acceptsTime(const QString& text);
inline const QString kDefaultStartTime = QStringLiteral("09:00");
inline const QString kDefaultEndTime = QStringLiteral("17:00");

// Count fields: a number of digits (full-width ones too, blanks ignored, a fraction rounded
// half to even), the empty text giving 0; nothing for letters, a sign, or a value beyond
// 16 bits, so that the field can show red and keep the value from being saved.
std::optional<qint16> countFromField(const QString& text);

// Slots of new groups without a job name that hold typed work (marks, counts, texts,
// times other than the defaults, the night box): a register would not save them.
std::vector<int> unnamedGroupsWithWork(const DayModel& day);

// Multi-line work contents hold at most this many characters.
constexpr int kWorkContentLength = 100;

// The number of groups whose planned (SAGYOCHK) or actual (SAGYOCHK2) cell of employee
// column c holds more than blanks.
int plannedGroupsInColumn(const DayModel& day, int column);
int actualGroupsInColumn(const DayModel& day, int column);
// The employee header's background (SAGYOCHK) and text colour (SAGYOCHK2) by those numbers:
// 0, 1, 2, 3, 4 or more.
QColor plannedHeaderColour(int groups);
QColor actualHeaderColour(int groups);

// Whether two day models hold the same day (what a register would write), offsets aside.
bool sameDay(const DayModel& a, const DayModel& b);

} // namespace vorda
