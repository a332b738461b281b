#pragma once
// The day being edited on the entry screen, free of any widget: the day model, the day as
// loaded (what unsaved work is measured against; its rows are what "登録" compares with the
// file), the texts the field rules refused, and the operations on the day: a copy of another
// date, planned to actual, marks by number. The screen shows the day and forwards keys.

#include "core/data/daily_record.h"
#include "core/data/database.h"
#include "core/masters/master_lists.h"

#include <QDate>
#include <QString>
#include <map>
#include <tuple>
#include <vector>

namespace vorda {

// A time or count field, by the day-model member it stands for.
enum class EntryField { Start, End, Guard, Vehicle, Spot, Extra };
struct FieldKey {
    EntryField kind;
    int slot;
    int actual; // 0 planned, 1 actual
    int index;  // guard 0 day / 1 night, vehicle column
    // Group by group, so that "登録" names the first group's field first.
    bool operator<(const FieldKey& o) const {
        return std::tie(slot, kind, actual, index) < std::tie(o.slot, o.kind, o.actual, o.index);
    }
};

class DayEdit {
public:
    DayModel day;
    NameCaches names;
    QDate date;

    // Reads the day of `date` (a day without rows shows `extraCaption`). On an error nothing
    // changes. The screen calls takeAsLoaded once it shows the day.
    DbError load(const QString& databasePath, const QDate& date, const QString& extraCaption);
    // Registers the day; on an error nothing was written and the typed day stays.
    DbError save(const QString& databasePath, const QString& weather);
    // What the day now holds is what the file holds.
    void takeAsLoaded();

    // Whether the day differs from what was last loaded or registered, or a field shows a
    // refused text.
    bool hasUnsavedChanges() const;
    // Whether a copy would replace something: stored groups, or anything typed.
    bool holdsWork() const;

    // A field's rule took its text (valid) or refused it: a refused text is kept, so that
    // redraws show it again and "登録" stops.
    void take(const FieldKey& key, const QString& text, bool valid);
    // What a field shows: the text it showed refused, or else `value`.
    QString shown(const FieldKey& key, const QString& value) const;
    bool anyRefused() const { return !refused_.empty(); }
    const FieldKey& firstRefused() const { return refused_.begin()->first; }
    // Forgets the refused texts of a slot (every slot for −1), of its actual line only when
    // `actualOnly`: what a copy or 予定→実績 has just filled in.
    void dropRefused(int slot, bool actualOnly);
    // Why "登録" writes nothing while the first refused field stands.
    QString refusedMessage() const;
    QString fieldLabel(const FieldKey& key) const;

private:
    DayModel loaded_;
    std::map<FieldKey, QString> refused_;
};

// The nearest date before (`direction` −1) or after (+1) `from` that has daily report rows;
// an invalid date when there is none. Reads the date index, never the whole table.
DbError dateWithRows(const QString& databasePath, const QDate& from, int direction, QDate& out);

// Fills `into` with the groups of `from` (a loaded day) in slot order: job number, name,
// client, remarks, night flag, times, planned and actual work texts, the planned line (marks,
// guards, vehicles, spot, extra) and the day's extra caption. The actual lines stay empty;
// planned marks of kind 3 and 4 (holiday work, day off) are left out, as they move balances
// and belong to one day. The stored groups of `into` keep their record numbers (a register
// rewrites them); those beyond the copy are emptied and marked for deletion. Nothing is
// written here.
void copyDay(const DayModel& from, DayModel& into, const std::vector<StaffMark>& marks);

// The cells of slot's actual line (every written group for slot −1) that hold a typed value
// other than the planned one: what promotePlanned(…, false) keeps.
int promotionOverwrites(const DayModel& day, int slot);
// The actual line takes the planned marks, guards, vehicles, spot and extra counts (empty
// cells only, unless `overwrite`); the actual work text takes the planned one when empty.
// Slot −1: every group a register writes.
void promotePlanned(DayModel& day, int slot, bool overwrite);

// Marks by number: number n (1..9) is the mark at position n of the list; empty when the list
// is shorter. The list as a tool tip: one line a mark, "1  ○  出勤".
QString markByNumber(const std::vector<StaffMark>& marks, int number);
QString numberedMarks(const std::vector<StaffMark>& marks);
constexpr int kNumberedMarks = 9;

} // namespace vorda
