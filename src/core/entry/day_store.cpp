#include "core/entry/day_store.h"

#include "core/app/name_caches.h"
#include "core/data/schema.h"
#include "core/data/values.h"

#include <cmath>

namespace vorda {

bool isHolidayWorkMark(const QString& mark) {
    return mark == QStringLiteral("☆") || mark == QStringLiteral("◇") || mark == QStringLiteral("▽");
}

namespace {

DbError loadInto(Database& db, const QDate& date, DayModel& day, NameCaches& names) {
    CLRDIM(day, names);
    std::vector<Row> rows;
    if (DbError e = db.select(table::DailyReport, {{rec::Date, Condition::Op::Eq, toDbDate(date)}},
                              rows, kGroupsPerDay))
        return e;
    for (int k = 0; k < int(rows.size()); ++k)
        rowToSlot(rows[k].values, day, k);
    day.groupOffset = 0;
    day.columnOffset = 0;
    if (DbError e = SYARYOGET(db, names))
        return e;
    return SYAINGET(db, names);
}

// GTDAT on an open file, into copies that replace the model only when all went well.
DbError reload(Database& db, const QDate& date, DayModel& day, NameCaches& names) {
    DayModel fresh = day;
    NameCaches freshNames = names;
    if (DbError e = loadInto(db, date, fresh, freshNames))
        return e;
    day = std::move(fresh);
    names = std::move(freshNames);
    return {};
}

// The writer of one register: every slot and balance goes through the one open transaction.
class Register {
public:
    Register(Database& db, const QDate& date, const QString& weather, const DayModel& day,
             const NameCaches& names)
        : db_(db), date_(date), weather_(weather), day_(day), names_(names) {}

    DbError slot(int k) {
        const GroupSlot& g = day_.groups[k];
        std::vector<Row> found;
        if (DbError e = db_.select(table::DailyReport,
                                   {{rec::Rec, Condition::Op::Eq, g.recordNumber}}, found, 1))
            return e;
        if (g.deleteFlag != 0)
            return found.empty() ? DbError() : db_.remove(table::DailyReport, found[0].rowid);
        if (found.empty())
            return g.jobName.isEmpty() ? DbError() : wrtdat(k);
        return eddat(k, found[0]);
    }

private:
    // A new group: its row, and one day less for every "休" of its actual line.
    DbError wrtdat(int k) {
        if (DbError e = db_.insert(table::DailyReport, slotToRow(day_, k, date_, weather_)))
            return e;
        const Line& actual = day_.actual(k);
        for (int c = 0; c < kStaffColumns; ++c) {
            if (actual.staff[c] == kDayOffMark) {
                if (DbError e = moveBalance(c, -1))
                    return e;
            }
        }
        return {};
    }

    // A stored group rewritten: a balance moves only when the mark is new to the cell.
    DbError eddat(int k, const Row& stored) {
        std::array<QString, kStaffColumns> old;
        for (int c = 0; c < kStaffColumns; ++c) {
            const QVariant v = stored.values.value(rec::ActualStaff + c);
            old[c] = v.isNull() ? QStringLiteral("  ") : v.toString().trimmed();
        }
        if (DbError e = db_.update(table::DailyReport, stored.rowid, slotToRow(day_, k, date_, weather_)))
            return e;
        const Line& actual = day_.actual(k);
        for (int c = 0; c < kStaffColumns; ++c) {
            const QString now = actual.staff[c].trimmed();
            int delta = 0;
            if (now == kDayOffMark)
                delta = old[c] == kDayOffMark ? 0 : -1;
            else if (isHolidayWorkMark(now))
                delta = isHolidayWorkMark(old[c]) ? 0 : 1;
            else
                continue;
            if (DbError e = moveBalance(c, delta))
                return e;
        }
        return {};
    }

    // The employee of column c is found by surname, the first of that name in stored order;
    // one not found is passed over. A column without a name identifies nobody.
    DbError moveBalance(int c, int delta) {
        const QString& surname = names_.employees[c];
        if (delta == 0 || surname.isEmpty())
            return {};
        std::vector<Row> found;
        if (DbError e = db_.select(table::Employees, {{emp::Surname, Condition::Op::Eq, surname}}, found, 1))
            return e;
        if (found.empty())
            return {};
        const double now = leadingNumber(nullSafeText(found[0].values.value(emp::DaysOffLeft))) + delta;
        QVariantList values(emp::FieldCount);
        values[emp::DaysOffLeft] = now == std::floor(now) ? QVariant(qlonglong(now)) : QVariant(now);
        return db_.update(table::Employees, found[0].rowid, values);
    }

    Database& db_;
    const QDate& date_;
    const QString& weather_;
    const DayModel& day_;
    const NameCaches& names_;
};

} // namespace

DbError GTDAT(const QString& databasePath, const QDate& date, DayModel& day, NameCaches& names) {
    Database db;
    if (DbError e = db.open(databasePath))
        return e;
    return reload(db, date, day, names);
}

DbError registerDay(const QString& databasePath, const QDate& date, const QString& weather,
                    DayModel& day, NameCaches& names) {
    Database db;
    if (DbError e = db.open(databasePath))
        return e;
    {
        Transaction tx(db);
        if (DbError e = tx.begin())
            return e;
        Register reg(db, date, weather, day, names);
        for (int k = 0; k < kGroupsPerDay; ++k) {
            if (DbError e = reg.slot(k))
                return e; // rolled back: nothing of this register is in the file
        }
        if (DbError e = tx.commit())
            return e;
    }
    if (DbError e = reload(db, date, day, names))
        return DbError{e.kind, QStringLiteral("登録しましたが、日報の読み直しに失敗しました。\n") + e.message};
    return {};
}

} // namespace vorda
