#pragma once
// What "登録" points out about a day before it is written: the findings the user is shown
// in one question and may register anyway. Each names its group, line and employee column
// where it has one, so that "戻る" can put the focus on it.

#include "core/data/daily_record.h"
#include "core/data/database.h"
#include "core/masters/master_lists.h"

#include <QString>
#include <vector>

namespace vorda {

struct DayFinding {
    enum Kind {
        NoJobName,      // typed work in a new group without a job name: not saved
        NotAMark,       // a staff cell whose text is no staff mark
        DoubleBooked,   // working in two groups of the same shift
        DayOffAndWork,  // a day off in one group, working in another
        NoTimes,        // an actual line with marks but no start or end time
        EndBeforeStart, // a day group that ends before it starts
        ProjectEnded,   // the job's project ended before the date
        ProjectNotStarted,
    };
    Kind kind = NotAMark;
    int group = 0;   // slot 0..15
    int line = -1;   // 0 planned, 1 actual; -1 for the group as a whole
    int column = -1; // employee column 0..29; -1 when no employee is meant
    QString text;    // the cell without blanks at either end, where a cell is meant
    QString message; // says which group, line and employee and why, in Japanese, as it stands
};

// The kind of the staff mark a cell holds: the first mark in stored order whose text, or
// whose first character (what the mark picker writes), equals the cell without blanks at
// either end; 0 for an empty cell or a text that is no mark.
int cellMarkKind(const QString& cell, const std::vector<StaffMark>& marks);

// Everything "登録" points out, group by group (in each group in the order of the kinds):
// only about the groups a register writes (stored ones, and new ones with a job name;
// deleted ones aside), and about new groups without a job name that hold typed work.
// `projects` need only hold the projects the groups' job numbers name.
std::vector<DayFinding> dayFindings(const DayModel& day, const QDate& date,
                                    const std::vector<StaffMark>& marks,
                                    const std::vector<ProjectEntry>& projects,
                                    const NameCaches& names);

// The question "登録" asks about them: one line each (twenty at most, then how many more, as a
// box taller than the screen would hide its buttons), then "このまま登録しますか？".
QString findingsQuestion(const std::vector<DayFinding>& findings);

// The same with the staff marks of the file and the projects the day names.
DbError dayFindings(const QString& databasePath, const DayModel& day, const QDate& date,
                    const NameCaches& names, std::vector<DayFinding>& out);

} // namespace vorda
