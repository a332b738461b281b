#include "core/entry/day_findings.h"

#include "core/data/values.h"

#include <QSet>

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

} // namespace

std::vector<DayFinding> dayFindings(const DayModel& day, const std::vector<StaffMark>& marks,
                                    const NameCaches& names) {
    QSet<QString> known;
    for (const StaffMark& m : marks) {
        const QString mark = m.mark.trimmed();
        if (mark.isEmpty())
            continue;
        known.insert(mark);
        known.insert(leftChars(mark, 1));
    }
    std::vector<DayFinding> out;
    for (int k = 0; k < kGroupsPerDay; ++k) {
        if (!written(day.groups[k]))
            continue;
        for (int line = 0; line < 2; ++line) {
            const Line& cells = day.lines[2 * k + line];
            for (int c = 0; c < kStaffColumns; ++c) {
                const QString text = cells.staff[c].trimmed();
                if (text.isEmpty() || known.contains(text))
                    continue;
                const QString message =
                    QStringLiteral("作業 %1 の%2%3の「%4」はスタッフマークにありません。")
                        .arg(k + 1)
                        .arg(line == 0 ? QStringLiteral("予定") : QStringLiteral("実績"),
                             cellName(names, c), text);
                out.push_back({k, line, c, text, message});
            }
        }
    }
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

DbError dayFindings(const QString& databasePath, const DayModel& day, const NameCaches& names,
                    std::vector<DayFinding>& out) {
    out.clear();
    std::vector<StaffMark> marks;
    if (DbError e = listStaffMarks(databasePath, marks))
        return e;
    out = dayFindings(day, marks, names);
    return {};
}

} // namespace vorda
