#include "core/entry/day_findings.h"

#include "core/data/values.h"
#include "core/entry/input_rules.h"

#include <QSet>
#include <algorithm>

namespace vorda {

namespace {

bool written(const GroupSlot& g) {
    return g.deleteFlag == 0 && (g.recordNumber != 0 || !g.jobName.isEmpty());
}

QString cellName(const NameCaches& names, int column) {
    const QString name = names.employees[column].trimmed();
    return name.isEmpty() ? QStringLiteral("（%1 列目）").arg(column + 1)
                          : QStringLiteral("「%1」").arg(name);
}

QString lineName(int line) {
    return line == 0 ? QStringLiteral("予定") : QStringLiteral("実績");
}

bool working(int kind) {
    return kind >= markKind::Attendance && kind <= markKind::HolidayWork;
}

QString shownDate(const QDate& d) {
    return d.toString(QStringLiteral("yyyy/MM/dd"));
}

} // namespace

int cellMarkKind(const QString& cell, const std::vector<StaffMark>& marks) {
    const QString text = cell.trimmed();
    if (text.isEmpty())
        return 0;
    for (const StaffMark& m : marks) {
        const QString mark = m.mark.trimmed();
        if (!mark.isEmpty() && (text == mark || text == leftChars(mark, 1)))
            return m.kind;
    }
    return 0;
}

std::vector<DayFinding> dayFindings(const DayModel& day, const QDate& date,
                                    const std::vector<StaffMark>& marks,
                                    const std::vector<ProjectEntry>& projects,
                                    const NameCaches& names) {
    std::vector<DayFinding> out;
    for (int k : unnamedGroupsWithWork(day))
        out.push_back(
            {DayFinding::NoJobName, k, -1, -1, QString(),
             QStringLiteral("作業 %1 に工事件名がありません。工事件名のない作業は登録されません。")
                 .arg(k + 1)});

    QSet<QString> known;
    for (const StaffMark& m : marks) {
        const QString mark = m.mark.trimmed();
        if (mark.isEmpty())
            continue;
        known.insert(mark);
        known.insert(leftChars(mark, 1));
    }
    // kinds[line][group][column], for the groups a register writes; 0 elsewhere.
    std::array<std::array<std::array<int, kStaffColumns>, kGroupsPerDay>, 2> kinds{};
    for (int k = 0; k < kGroupsPerDay; ++k) {
        if (!written(day.groups[k]))
            continue;
        for (int line = 0; line < 2; ++line) {
            const Line& cells = day.lines[2 * k + line];
            for (int c = 0; c < kStaffColumns; ++c) {
                const QString text = cells.staff[c].trimmed();
                kinds[line][k][c] = cellMarkKind(text, marks);
                if (text.isEmpty() || known.contains(text))
                    continue;
                out.push_back(
                    {DayFinding::NotAMark, k, line, c, text,
                     QStringLiteral("作業 %1 の%2%3の「%4」はスタッフマークにありません。")
                         .arg(k + 1)
                         .arg(lineName(line), cellName(names, c), text)});
            }
        }
    }

    // One person, one place per shift: a second group of the same shift, or work on a day off.
    for (int line = 0; line < 2; ++line) {
        for (int c = 0; c < kStaffColumns; ++c) {
            std::array<int, 2> firstByShift{-1, -1};
            int firstWork = -1;
            for (int k = 0; k < kGroupsPerDay; ++k) {
                if (!working(kinds[line][k][c]))
                    continue;
                if (firstWork < 0)
                    firstWork = k;
                int& first = firstByShift[day.groups[k].nightFlag == 1 ? 1 : 0];
                if (first < 0) {
                    first = k;
                    continue;
                }
                out.push_back({DayFinding::DoubleBooked, k, line, c,
                               day.lines[2 * k + line].staff[c].trimmed(),
                               QStringLiteral("作業 %1 の%2%3は作業 %4 にも入っています（%5）。")
                                   .arg(k + 1)
                                   .arg(lineName(line), cellName(names, c))
                                   .arg(first + 1)
                                   .arg(day.groups[k].nightFlag == 1 ? QStringLiteral("夜間")
                                                                     : QStringLiteral("昼間"))});
            }
            for (int k = 0; k < kGroupsPerDay && firstWork >= 0; ++k) {
                if (kinds[line][k][c] != markKind::DayOff)
                    continue;
                out.push_back(
                    {DayFinding::DayOffAndWork, k, line, c,
                     day.lines[2 * k + line].staff[c].trimmed(),
                     QStringLiteral("作業 %1 の%2%3は休みですが、作業 %4 に入っています。")
                         .arg(k + 1)
                         .arg(lineName(line), cellName(names, c))
                         .arg(firstWork + 1)});
            }
        }
    }

    for (int k = 0; k < kGroupsPerDay; ++k) {
        const GroupSlot& g = day.groups[k];
        if (!written(g))
            continue;
        bool marked = false;
        for (int c = 0; c < kStaffColumns && !marked; ++c)
            marked =
                !day.actual(k).staff[c].trimmed().isEmpty() && kinds[1][k][c] != markKind::DayOff;
        if (marked && (g.startTime.trimmed().isEmpty() || g.endTime.trimmed().isEmpty()))
            out.push_back(
                {DayFinding::NoTimes, k, 1, -1, QString(),
                 QStringLiteral(
                     "作業 %1 の実績にマークがありますが、開始時間か終了時間がありません。")
                     .arg(k + 1)});
        else if (g.nightFlag != 1 && !g.startTime.isEmpty() && !g.endTime.isEmpty() &&
                 acceptsTime(g.startTime) && acceptsTime(g.endTime) && g.endTime < g.startTime)
            out.push_back({DayFinding::EndBeforeStart, k, -1, -1, QString(),
                           QStringLiteral("作業 %1 の終了時間 %2 が開始時間 %3 より前です。")
                               .arg(k + 1)
                               .arg(g.endTime, g.startTime)});

        if (g.jobNumber == 0)
            continue; // a job name typed by hand names no project
        const auto p = std::find_if(projects.begin(), projects.end(), [&g](const ProjectEntry& e) {
            return e.number == g.jobNumber;
        });
        if (p == projects.end())
            continue;
        if (projectEndedBefore(*p, date))
            out.push_back({DayFinding::ProjectEnded, k, -1, -1, QString(),
                           QStringLiteral("作業 %1 の工事「%2」は %3 に終了しています。")
                               .arg(k + 1)
                               .arg(p->name, shownDate(p->endDate))});
        else if (p->startDate.isValid() && date < p->startDate)
            out.push_back({DayFinding::ProjectNotStarted, k, -1, -1, QString(),
                           QStringLiteral("作業 %1 の工事「%2」は %3 からです。")
                               .arg(k + 1)
                               .arg(p->name, shownDate(p->startDate))});
    }
    std::stable_sort(out.begin(), out.end(),
                     [](const DayFinding& a, const DayFinding& b) { return a.group < b.group; });
    return out;
}

QString findingsQuestion(const std::vector<DayFinding>& findings) {
    constexpr std::size_t kNamed = 20;
    QStringList lines;
    for (std::size_t i = 0; i < findings.size() && i < kNamed; ++i)
        lines << findings[i].message;
    if (findings.size() > kNamed)
        lines << QStringLiteral("ほか %1 件").arg(findings.size() - kNamed);
    lines << QStringLiteral("このまま登録しますか？");
    return lines.join(u'\n');
}

DbError dayFindings(const QString& databasePath, const DayModel& day, const QDate& date,
                    const NameCaches& names, std::vector<DayFinding>& out) {
    out.clear();
    Database db;
    if (DbError e = db.open(databasePath))
        return e;
    std::vector<StaffMark> marks;
    if (DbError e = listStaffMarks(db, marks))
        return e;
    std::vector<qint64> numbers;
    for (int k = 0; k < kGroupsPerDay; ++k) {
        if (written(day.groups[k]) && day.groups[k].jobNumber != 0)
            numbers.push_back(day.groups[k].jobNumber);
    }
    std::vector<ProjectEntry> projects;
    if (DbError e = listProjectsByNumber(db, numbers, projects))
        return e;
    out = dayFindings(day, date, marks, projects, names);
    return {};
}

} // namespace vorda
