#pragma once
// What "登録" points out about a day before it is written: the findings the user is shown
// and may register anyway. Today one kind: a staff cell whose text is no staff mark (the daily
// sheet would count it as a man-day while the monthly sheets pass it over).

#include "core/data/daily_record.h"
#include "core/data/database.h"
#include "core/masters/master_lists.h"

#include <QString>
#include <vector>

namespace vorda {

struct DayFinding {
    int group = 0;   // slot 0..15
    int line = 0;    // 0 planned, 1 actual
    int column = 0;  // employee column 0..29
    QString text;    // the cell without blanks at either end
    QString message; // says which cell and why, in Japanese, as it stands
};

// The staff cells of the groups a register writes (stored groups, and new ones with a job
// name; deleted ones aside) whose text is neither a registered mark nor the first character
// of one (what the mark picker puts), group by group, planned before actual, left to right.
std::vector<DayFinding> dayFindings(const DayModel& day, const std::vector<StaffMark>& marks,
                                    const NameCaches& names);

// The question "登録" asks about them: one line each (twenty at most, then how many more, as a
// box taller than the screen would hide its buttons), then "このまま登録しますか？".
QString findingsQuestion(const std::vector<DayFinding>& findings);

// The same with the staff marks of the file.
DbError dayFindings(const QString& databasePath, const DayModel& day, const NameCaches& names,
                    std::vector<DayFinding>& out);

} // namespace vorda
