#include "core/entry/day_store.h"

#include "core/app/name_caches.h"
#include "core/data/schema.h"
#include "core/data/values.h"

#include <QHash>
#include <cmath>

namespace vorda {

bool isHolidayWorkMark(const QString& mark) {
    return mark == QStringLiteral("☆") || mark == QStringLiteral("◇") ||
           mark == QStringLiteral("▽");
}

int dayOffCount(const QString& mark) {
    const QString m = mark.trimmed();
    if (m == kDayOffMark)
        return -1;
    return isHolidayWorkMark(m) ? 1 : 0;
}

const QString kDayChangedMessage = QStringLiteral(
    "この日の日報は別の画面またはパソコンで変更されました。読み直してから登録してください。");

namespace {

DbError readDay(Database& db, const QDate& date, std::vector<Row>& rows) {
    return db.select(table::DailyReport, {{rec::Date, Condition::Op::Eq, toDbDate(date)}}, rows,
                     kGroupsPerDay);
}

DbError loadInto(Database& db, const QDate& date, DayModel& day, NameCaches& names) {
    CLRDIM(day, names);
    std::vector<Row> rows;
    if (DbError e = readDay(db, date, rows))
        return e;
    for (int k = 0; k < int(rows.size()); ++k) {
        rowToSlot(rows[k].values, day, k);
        day.loadedRows.push_back(rows[k].values);
    }
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

// The stored balance as a whole number of 64 bits; a fraction stays a fraction. False when
// the value is beyond what 64 bits hold.
bool storedBalance(const QVariant& stored, qint64& whole, double& fraction, bool& isWhole) {
    if (stored.typeId() == QMetaType::LongLong || stored.typeId() == QMetaType::Int) {
        whole = stored.toLongLong();
        isWhole = true;
        return true;
    }
    const double v = leadingNumber(nullSafeText(stored));
    // 2^63 is exactly representable; anything at or beyond it does not fit.
    if (!(v > -9223372036854775808.0 && v < 9223372036854775808.0))
        return false;
    isWhole = v == std::floor(v);
    whole = isWhole ? qint64(v) : 0;
    fraction = v;
    return true;
}

// The writer of one register: every slot and balance goes through the one open transaction.
// A balance moves by the change of the day-off counts of the actual lines it stores.
class Register {
public:
    Register(Database& db, const QDate& date, const QString& weather, const DayModel& day,
             const NameCaches& names)
        : db_(db), date_(date), weather_(weather), day_(day), names_(names) {}

    // The rows of the date are still those the day model was loaded from.
    DbError unchanged() {
        std::vector<Row> rows;
        if (DbError e = readDay(db_, date_, rows))
            return e;
        bool same = rows.size() == day_.loadedRows.size();
        for (std::size_t i = 0; same && i < rows.size(); ++i)
            same = rows[i].values == day_.loadedRows[i];
        if (!same)
            return DbError{DbErrorKind::Changed, kDayChangedMessage};
        for (Row& r : rows)
            stored_.insert(r.values.value(rec::Rec).toLongLong(), std::move(r));
        return {};
    }

    DbError slot(int k) {
        const GroupSlot& g = day_.groups[k];
        // The day's rows were just read in this transaction; a row of another day, or one
        // this register has already written, is read again.
        std::vector<Row> found;
        if (const auto it = stored_.find(g.recordNumber); it != stored_.end()) {
            found.push_back(std::move(it.value()));
            stored_.erase(it);
        } else if (DbError e =
                       db_.select(table::DailyReport,
                                  {{rec::Rec, Condition::Op::Eq, g.recordNumber}}, found, 1)) {
            return e;
        }
        if (g.deleteFlag != 0) {
            if (found.empty())
                return {};
            count(found[0].values, -1);
            return db_.remove(table::DailyReport, found[0].rowid);
        }
        if (found.empty()) {
            if (g.jobName.isEmpty())
                return {};
            count(day_.actual(k), +1);
            return db_.insert(table::DailyReport, slotToRow(day_, k, date_, weather_));
        }
        count(found[0].values, -1);
        count(day_.actual(k), +1);
        return db_.update(table::DailyReport, found[0].rowid, slotToRow(day_, k, date_, weather_));
    }

    DbError balances() {
        for (int c = 0; c < kStaffColumns; ++c) {
            if (DbError e = moveBalance(c, delta_[c]))
                return e;
        }
        return {};
    }

private:
    void count(const QVariantList& stored, int sign) {
        for (int c = 0; c < kStaffColumns; ++c)
            delta_[c] += sign * dayOffCount(nullSafeText(stored.value(rec::ActualStaff + c)));
    }
    void count(const Line& actual, int sign) {
        for (int c = 0; c < kStaffColumns; ++c)
            delta_[c] += sign * dayOffCount(actual.staff[c]);
    }

    // The employee of column c is found by surname, the first of that name in stored order;
    // one not found is passed over. A column without a name identifies nobody.
    DbError moveBalance(int c, qint64 delta) {
        const QString& surname = names_.employees[c];
        if (delta == 0 || surname.isEmpty())
            return {};
        std::vector<Row> found;
        if (DbError e = db_.select(table::Employees, {{emp::Surname, Condition::Op::Eq, surname}},
                                   found, 1))
            return e;
        if (found.empty())
            return {};
        const QVariant stored = found[0].values.value(emp::DaysOffLeft);
        qint64 whole = 0;
        double fraction = 0;
        bool isWhole = true;
        QVariantList values(emp::FieldCount);
        if (!storedBalance(stored, whole, fraction, isWhole) ||
            (isWhole && __builtin_add_overflow(whole, delta, &whole)))
            return DbError{
                DbErrorKind::Failed,
                QStringLiteral(
                    "社員「%1」の休日残（%"
                    "2）が大きすぎて計算できません。社員の休日残を直してから登録してください。")
                    .arg(surname, nullSafeText(stored))};
        values[emp::DaysOffLeft] = isWhole ? QVariant(whole) : QVariant(fraction + double(delta));
        return db_.update(table::Employees, found[0].rowid, values);
    }

    Database& db_;
    const QDate& date_;
    const QString& weather_;
    const DayModel& day_;
    const NameCaches& names_;
    std::array<qint64, kStaffColumns> delta_{};
    QHash<qint64, Row> stored_; // the day's rows by REC, each until a slot writes it
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
        if (DbError e = reg.unchanged())
            return e;
        for (int k = 0; k < kGroupsPerDay; ++k) {
            if (DbError e = reg.slot(k))
                return e; // rolled back: nothing of this register is in the file
        }
        if (DbError e = reg.balances())
            return e;
        if (DbError e = tx.commit())
            return e;
    }
    if (DbError e = reload(db, date, day, names))
        return DbError{e.kind, QStringLiteral("登録しましたが、日報の読み直しに失敗しました。\n") +
                                   e.message};
    return {};
}

} // namespace vorda
