#include "core/entry/day_edit.h"

#include "core/data/schema.h"
#include "core/data/values.h"
#include "core/entry/day_findings.h"
#include "core/entry/day_store.h"
#include "core/entry/input_rules.h"

#include <QSqlError>
#include <QSqlQuery>

namespace vorda {

namespace {

bool written(const GroupSlot& g) {
    return g.deleteFlag == 0 && (g.recordNumber != 0 || !g.jobName.isEmpty());
}

// The slots an operation on `slot` covers: that one, or for −1 every group a register writes.
std::vector<int> slotsOf(const DayModel& day, int slot) {
    if (slot >= 0)
        return slot < kGroupsPerDay ? std::vector<int>{slot} : std::vector<int>{};
    std::vector<int> out;
    for (int k = 0; k < kGroupsPerDay; ++k) {
        if (written(day.groups[k]))
            out.push_back(k);
    }
    return out;
}

} // namespace

DbError DayEdit::load(const QString& databasePath, const QDate& d, const QString& extraCaption) {
    DayModel loaded = day;
    loaded.extraCaption = extraCaption;
    NameCaches loadedNames = names;
    if (DbError e = GTDAT(databasePath, d, loaded, loadedNames))
        return e;
    day = std::move(loaded);
    names = std::move(loadedNames);
    date = d;
    refused_.clear();
    loaded_ = day;
    return {};
}

DbError DayEdit::save(const QString& databasePath, const QString& weather) {
    return registerDay(databasePath, date, weather, day, names);
}

void DayEdit::takeAsLoaded() {
    loaded_ = day;
}

bool DayEdit::hasUnsavedChanges() const {
    return !refused_.empty() || !sameDay(day, loaded_);
}

bool DayEdit::holdsWork() const {
    for (int k = 0; k < kGroupsPerDay; ++k) {
        if (loaded_.groups[k].recordNumber != 0)
            return true;
    }
    return hasUnsavedChanges();
}

void DayEdit::take(const FieldKey& key, const QString& text, bool valid) {
    if (valid)
        refused_.erase(key);
    else
        refused_[key] = text;
}

void DayEdit::dropRefused(int slot, bool actualOnly) {
    std::erase_if(refused_, [slot, actualOnly](const auto& r) {
        const FieldKey& k = r.first;
        const bool line = k.kind != EntryField::Start && k.kind != EntryField::End && k.actual == 1;
        return (slot < 0 || k.slot == slot) && (!actualOnly || line);
    });
}

QString DayEdit::shown(const FieldKey& key, const QString& value) const {
    const auto it = refused_.find(key);
    return it != refused_.end() ? it->second : value;
}

QString DayEdit::refusedMessage() const {
    const auto& [key, text] = *refused_.begin();
    const bool times = key.kind == EntryField::Start || key.kind == EntryField::End;
    const QString why = times
                            ? QStringLiteral("時刻は 00:00 から 24:00 の形で入力してください。")
                            : QStringLiteral("数量は 0 から 32767 までの数字で入力してください。");
    return QStringLiteral("作業 %1 の%2「%3」は正しくありません。\n%4\n登録は行いませんでした。")
        .arg(key.slot + 1)
        .arg(fieldLabel(key), text, why);
}

QString DayEdit::fieldLabel(const FieldKey& key) const {
    const QString line = key.actual ? QStringLiteral("実績の") : QStringLiteral("予定の");
    switch (key.kind) {
    case EntryField::Start:
        return QStringLiteral("開始時間");
    case EntryField::End:
        return QStringLiteral("終了時間");
    case EntryField::Guard:
        return line +
               (key.index == 0 ? QStringLiteral("ガードマン昼") : QStringLiteral("ガードマン夜"));
    case EntryField::Vehicle: {
        const QString name = names.vehicles[key.index].trimmed();
        return line + (name.isEmpty() ? QStringLiteral("車両 %1").arg(key.index + 1)
                                      : QStringLiteral("車両「%1」").arg(name));
    }
    case EntryField::Spot:
        return line + QStringLiteral("スポット作業者");
    case EntryField::Extra: {
        const QString caption = day.extraCaption.trimmed();
        return line + (caption.isEmpty() ? QStringLiteral("予備の数量")
                                         : QStringLiteral("「%1」").arg(caption));
    }
    }
    return QString();
}

DbError dateWithRows(const QString& databasePath, const QDate& from, int direction, QDate& out) {
    out = QDate();
    Database db;
    if (DbError e = db.open(databasePath))
        return e;
    const QString date = quoteIdentifier(db.fieldName(table::DailyReport, rec::Date));
    // Along the date index from `from`; texts that are no real day (2003/5/1, 2026-02-30) are
    // passed over, as a day is loaded by its exact YYYY-MM-DD text.
    const QString sql =
        QStringLiteral("SELECT %1 FROM %2 WHERE %1 %3 ? AND %5 ORDER BY %1 %4 LIMIT 1")
            .arg(date, quoteIdentifier(table::DailyReport),
                 direction < 0 ? QStringLiteral("<") : QStringLiteral(">"),
                 direction < 0 ? QStringLiteral("DESC") : QStringLiteral("ASC"),
                 db.realDateSql(date));
    QSqlQuery q(db.connection());
    q.setForwardOnly(true);
    if (!q.prepare(sql))
        return dbErrorOf(q.lastError(), databasePath, QStringLiteral("日報の日付"));
    q.addBindValue(toDbDate(from));
    if (!q.exec())
        return dbErrorOf(q.lastError(), databasePath, QStringLiteral("日報の日付"));
    if (q.next())
        out = fromDbDate(q.value(0));
    return {};
}

void copyDay(const DayModel& from, DayModel& into, const std::vector<StaffMark>& marks) {
    std::vector<int> source;
    for (int k = 0; k < kGroupsPerDay; ++k) {
        if (written(from.groups[k]))
            source.push_back(k);
    }
    for (int k = 0; k < kGroupsPerDay; ++k) {
        GroupSlot& g = into.groups[k];
        const qint64 stored = g.recordNumber;
        const QString reserve1 = g.reserve1; // the stored row's own, written back unchanged
        const QString reserve2 = g.reserve2;
        g = GroupSlot();
        into.planned(k) = Line();
        into.actual(k) = Line();
        g.recordNumber = stored;
        g.reserve1 = reserve1;
        g.reserve2 = reserve2;
        if (k >= int(source.size())) {
            g.deleteFlag = stored != 0 ? 1 : 0; // a stored group the copy does not fill goes
            continue;
        }
        const GroupSlot& f = from.groups[source[k]];
        g.jobNumber = f.jobNumber;
        g.jobName = f.jobName;
        g.remarks = f.remarks;
        g.client = f.client;
        g.nightFlag = f.nightFlag;
        g.startTime = f.startTime;
        g.endTime = f.endTime;
        g.plannedWork = f.plannedWork;
        g.actualWork = f.actualWork;
        g.extraCount[0] = f.extraCount[0];
        g.spotCount[0] = f.spotCount[0];
        Line& planned = into.planned(k);
        planned = from.planned(source[k]);
        for (QString& cell : planned.staff) {
            const int kind = cellMarkKind(cell, marks);
            if (kind == markKind::HolidayWork || kind == markKind::DayOff)
                cell.clear();
        }
    }
    into.extraCaption = from.extraCaption;
}

int promotionOverwrites(const DayModel& day, int slot) {
    int n = 0;
    for (int k : slotsOf(day, slot)) {
        const Line& p = day.planned(k);
        const Line& a = day.actual(k);
        for (int c = 0; c < kStaffColumns; ++c)
            n += !a.staff[c].trimmed().isEmpty() && a.staff[c] != p.staff[c];
        for (int i = 0; i < 2; ++i)
            n += a.guards[i] != 0 && a.guards[i] != p.guards[i];
        for (int v = 0; v < kVehicleColumns; ++v)
            n += a.vehicles[v] != 0 && a.vehicles[v] != p.vehicles[v];
        const GroupSlot& g = day.groups[k];
        n += g.spotCount[1] != 0 && g.spotCount[1] != g.spotCount[0];
        n += g.extraCount[1] != 0 && g.extraCount[1] != g.extraCount[0];
    }
    return n;
}

void promotePlanned(DayModel& day, int slot, bool overwrite) {
    auto take = [overwrite](auto& actual, const auto& planned, bool empty) {
        if (empty || overwrite)
            actual = planned;
    };
    for (int k : slotsOf(day, slot)) {
        const Line& p = day.planned(k);
        Line& a = day.actual(k);
        for (int c = 0; c < kStaffColumns; ++c)
            take(a.staff[c], p.staff[c], a.staff[c].trimmed().isEmpty());
        for (int i = 0; i < 2; ++i)
            take(a.guards[i], p.guards[i], a.guards[i] == 0);
        for (int v = 0; v < kVehicleColumns; ++v)
            take(a.vehicles[v], p.vehicles[v], a.vehicles[v] == 0);
        GroupSlot& g = day.groups[k];
        take(g.spotCount[1], g.spotCount[0], g.spotCount[1] == 0);
        take(g.extraCount[1], g.extraCount[0], g.extraCount[1] == 0);
        if (g.actualWork.isEmpty())
            g.actualWork = g.plannedWork;
    }
}

QString markByNumber(const std::vector<StaffMark>& marks, int number) {
    if (number < 1 || number > kNumberedMarks || number > int(marks.size()))
        return QString();
    return marks[std::size_t(number - 1)].mark;
}

QString numberedMarks(const std::vector<StaffMark>& marks) {
    QStringList lines;
    for (int i = 0; i < int(marks.size()) && i < kNumberedMarks; ++i)
        lines << QStringLiteral("%1  %2  %3")
                     .arg(i + 1)
                     .arg(marks[std::size_t(i)].mark.trimmed(),
                          marks[std::size_t(i)].description.trimmed());
    return lines.join(u'\n');
}

} // namespace vorda
