#include "core/masters/settings_row.h"

#include "core/data/schema.h"
#include "core/data/values.h"

namespace vorda {

DbError findSettingsRow(Database& db, std::vector<Row>& rows) {
    // The key by the name the file gives it: its ordinal is the file's own.
    const int key = db.ordinalOf(table::System, QStringLiteral("番号"));
    return db.select(table::System, {{key, Condition::Op::Eq, 1}}, rows, 1);
}

DbError findTradeNameRow(Database& db, std::vector<Row>& rows) {
    return db.select(table::TradeName, {}, rows, 1);
}

DbError readSettingsRow(Database& db, QVariantList& row) {
    row.clear();
    std::vector<Row> rows;
    if (DbError e = findSettingsRow(db, rows))
        return e;
    if (!rows.empty())
        row = rows[0].values;
    return {};
}

void takeEra(const QVariantList& settings, EraValues& era) {
    if (settings.isEmpty())
        return;
    const QVariant name = settings.value(sys::EraName);
    const QVariant offset = settings.value(sys::EraOffset);
    if (!name.isNull())
        era.name = name.toString();
    if (!offset.isNull())
        era.offset = countOf(offset);
}

DbError readEra(Database& db, EraValues& era) {
    QVariantList settings;
    if (DbError e = readSettingsRow(db, settings))
        return e;
    takeEra(settings, era);
    return {};
}

DbError openForSheet(Database& db, const QString& databasePath, EraValues& era,
                     QVariantList& settings) {
    if (DbError e = db.open(databasePath))
        return e;
    if (DbError e = readSettingsRow(db, settings))
        return e;
    takeEra(settings, era);
    return {};
}

DbError readTradeName(Database& db, QStringList& fields) {
    std::vector<Row> rows;
    if (DbError e = findTradeNameRow(db, rows))
        return e;
    fields.clear();
    for (int i = 0; i < trade::FieldCount; ++i)
        fields << (rows.empty() ? QString() : nullSafeText(rows[0].values.value(i)));
    return {};
}

} // namespace vorda
