#include "core/app/name_caches.h"

#include "core/data/schema.h"
#include "core/data/values.h"

namespace vorda {

namespace {

template <std::size_t N>
DbError fillCache(Database& db, const QString& table, int field, std::array<QString, N>& cache,
                  const QString& what) {
    std::vector<Row> rows;
    if (DbError e = db.selectAll(table, rows))
        return e;
    const std::size_t n = std::min(rows.size(), N);
    for (std::size_t i = 0; i < n; ++i)
        cache[i] = nullSafeText(rows[i].values.value(field));
    if (rows.size() > N)
        return DbError{DbErrorKind::Failed,
                       QStringLiteral("%1が %2 件登録されています。扱えるのは先頭の %3 件までです。%1登録で減らしてください。")
                           .arg(what)
                           .arg(rows.size())
                           .arg(N)};
    return {};
}

template <typename Fill>
DbError withDatabase(AppState& state, Fill fill) {
    Database db;
    if (DbError e = db.open(state.databasePath))
        return e;
    return fill(db, state.names);
}

} // namespace

DbError SYAINGET(Database& db, NameCaches& names) {
    return fillCache(db, table::Employees, emp::Surname, names.employees, QStringLiteral("社員"));
}

DbError SYAINGET(AppState& state) {
    return withDatabase(state, [](Database& db, NameCaches& n) { return SYAINGET(db, n); });
}

DbError SYARYOGET(Database& db, NameCaches& names) {
    return fillCache(db, table::Vehicles, veh::Name, names.vehicles, QStringLiteral("車両"));
}

DbError SYARYOGET(AppState& state) {
    return withDatabase(state, [](Database& db, NameCaches& n) { return SYARYOGET(db, n); });
}

} // namespace vorda
