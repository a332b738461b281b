#include "core/app/name_caches.h"

#include "core/data/schema.h"
#include "core/data/values.h"

namespace vorda {

namespace {

// Rows past the daily record's columns load nothing; the day still loads, and the note says
// which rows they are.
template <std::size_t N>
DbError fillCache(Database& db, const QString& table, int field, std::array<QString, N>& cache,
                  int columns, const QString& what, QString& note) {
    std::vector<Row> rows;
    if (DbError e = db.selectAll(table, rows))
        return e;
    const std::size_t n = std::min(rows.size(), N);
    for (std::size_t i = 0; i < n; ++i)
        cache[i] = nullSafeText(rows[i].values.value(field));
    if (rows.size() > std::size_t(columns)) {
        QStringList beyond;
        for (std::size_t i = std::size_t(columns); i < rows.size() && beyond.size() < 5; ++i)
            beyond << nullSafeText(rows[i].values.value(field));
        if (rows.size() > std::size_t(columns) + 5)
            beyond << QStringLiteral("ほか");
        const QString line = QStringLiteral("%1が %2 件登録されています。日報の列は %3 "
                                            "件分のため、%4 件目から（%5）は日報に入りません。")
                                 .arg(what)
                                 .arg(rows.size())
                                 .arg(columns)
                                 .arg(columns + 1)
                                 .arg(beyond.join(QStringLiteral("、")));
        note = note.isEmpty() ? line : note + u'\n' + line;
    }
    return {};
}

} // namespace

DbError SYAINGET(Database& db, NameCaches& names) {
    return fillCache(db, table::Employees, emp::Surname, names.employees, kStaffColumns,
                     QStringLiteral("社員"), names.beyondColumns);
}

DbError SYARYOGET(Database& db, NameCaches& names) {
    return fillCache(db, table::Vehicles, veh::Name, names.vehicles, kVehicleColumns,
                     QStringLiteral("車両"), names.beyondColumns);
}

} // namespace vorda
