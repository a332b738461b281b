#include "core/masters/settings.h"

#include "core/data/values.h"
#include "core/masters/settings_row.h"

namespace vorda {

namespace {

// A stored number as decimal text; a text that is not a number stays as it is.
QString numericText(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
        return QString::number(value.toLongLong());
    case QMetaType::Double:
        return QString::number(value.toDouble(), 'g', 15);
    default:
        return nullSafeText(value);
    }
}

// An empty field is stored as the empty text, never as a null.
QString storedText(const QString& text) {
    return text.isNull() ? QStringLiteral("") : text;
}

std::optional<qint64> numberIn(const QString& text, qint64 low, qint64 high) {
    const std::optional<qint64> n = typedInteger(text);
    if (!n || *n < low || *n > high)
        return std::nullopt;
    return n;
}

// The row a finder gives, read on a connection of its own.
template <typename Find>
DbError readRow(const QString& databasePath, Find find, std::vector<Row>& rows) {
    Database db;
    if (DbError e = db.open(databasePath))
        return e;
    return find(db, rows);
}

// Rewrites the row found, or adds one, inside one transaction.
// keyName: a key field the added row must carry as 1.
template <typename Find>
DbError writeRow(const QString& databasePath, const QString& tableName, QVariantList values,
                 Find find, const QString& keyName = QString()) {
    Database db;
    if (DbError e = db.open(databasePath))
        return e;
    Transaction tx(db);
    if (DbError e = tx.begin())
        return e;
    std::vector<Row> rows;
    if (DbError e = find(db, rows))
        return e;
    if (!rows.empty()) {
        if (DbError e = db.update(tableName, rows[0].rowid, values))
            return e;
    } else {
        // The key is given, not left to the table: the row must be found by 番号 = 1
        // even when other rows hold higher numbers. Its ordinal is the file's own.
        const int keyOrdinal = keyName.isEmpty() ? -1 : db.ordinalOf(tableName, keyName);
        if (keyOrdinal >= 0) {
            if (values.size() <= keyOrdinal)
                values.resize(keyOrdinal + 1);
            values[keyOrdinal] = 1;
        }
        if (DbError e = db.insert(tableName, values))
            return e;
    }
    return tx.commit();
}

DbError refused(const QString& message) {
    return DbError{DbErrorKind::Failed, message};
}

} // namespace

DbError readSystemSettings(const QString& databasePath, SystemSettingsTexts& out) {
    out = {};
    std::vector<Row> rows;
    if (DbError e = readRow(databasePath, findSettingsRow, rows))
        return e;
    if (rows.empty())
        return {};
    const QVariantList& v = rows[0].values;
    out.monthlyClosingDay = numericText(v.value(sys::MonthlyClosingDay));
    out.attendanceClosingDay = nullSafeText(v.value(sys::AttendanceClosingDay));
    const QString yearEnd = nullSafeText(v.value(sys::YearEnd));
    const qsizetype slash = yearEnd.indexOf(u'/');
    out.yearEndMonth = yearEnd.left(slash < 0 ? yearEnd.size() : slash);
    if (slash >= 0)
        out.yearEndDay = yearEnd.mid(slash + 1).remove(u'/');
    if (!v.value(sys::StartOfWork).isNull()) {
        out.startOfWork = nullSafeText(v.value(sys::StartOfWork));
        out.workingTime = nullSafeText(v.value(sys::WorkingTime));
        out.nightStart = nullSafeText(v.value(sys::NightStart));
    }
    out.eraName = nullSafeText(v.value(sys::EraName));
    out.eraOffset = nullSafeText(v.value(sys::EraOffset));
    return {};
}

std::optional<SettingsProblem> checkSystemSettings(const SystemSettingsTexts& t) {
    const struct {
        const QString& text;
        SettingsField field;
        qint64 low, high;
        const char16_t* message;
    } rules[] = {
        {t.monthlyClosingDay, SettingsField::MonthlyClosingDay, 1, 31,
         u"月報締日は 1 から 31 までの整数で入力してください。"},
        {t.attendanceClosingDay, SettingsField::AttendanceClosingDay, 1, 31,
         u"出勤表締日は 1 から 31 までの整数で入力してください。"},
        {t.yearEndMonth, SettingsField::YearEndMonth, 1, 12,
         u"年度終了日の月は 1 から 12 までの整数で入力してください。"},
        {t.yearEndDay, SettingsField::YearEndDay, 1, 31,
         u"年度終了日の日は 1 から 31 までの整数で入力してください。"},
        // The offset is a 16-bit field of the file.
        {t.eraOffset, SettingsField::EraOffset, -32768, 32767,
         u"西暦－元号は整数で入力してください（-32768 から 32767 まで）。"},
    };
    for (const auto& rule : rules) {
        if (!numberIn(rule.text, rule.low, rule.high))
            return SettingsProblem{rule.field, QString::fromUtf16(rule.message)};
    }
    return std::nullopt;
}

DbError writeSystemSettings(const QString& databasePath, const SystemSettingsTexts& t) {
    if (const auto problem = checkSystemSettings(t))
        return refused(problem->message);
    QVariantList values(sys::FieldCount); // fields left invalid are not written
    values[sys::MonthlyClosingDay] = *typedInteger(t.monthlyClosingDay);
    values[sys::AttendanceClosingDay] = *typedInteger(t.attendanceClosingDay);
    values[sys::YearEnd] = QString::number(*typedInteger(t.yearEndMonth)) + u'/' +
                           QString::number(*typedInteger(t.yearEndDay));
    values[sys::StartOfWork] = storedText(t.startOfWork);
    values[sys::WorkingTime] = storedText(t.workingTime);
    values[sys::NightStart] = storedText(t.nightStart);
    values[sys::EraName] = storedText(t.eraName);
    values[sys::EraOffset] = *typedInteger(t.eraOffset);
    return writeRow(databasePath, table::System, values, findSettingsRow, QStringLiteral("番号"));
}

DbError readTradeName(const QString& databasePath, TradeNameTexts& out) {
    out = {};
    Database db;
    if (DbError e = db.open(databasePath))
        return e;
    // The same reading as the sheets that print these texts.
    QStringList fields;
    if (DbError e = readTradeName(db, fields))
        return e;
    for (int i = 0; i < trade::FieldCount; ++i)
        out[i] = fields.value(i);
    return {};
}

DbError writeTradeName(const QString& databasePath, const TradeNameTexts& texts) {
    QVariantList values;
    for (const QString& t : texts)
        values << storedText(t);
    return writeRow(databasePath, table::TradeName, values, findTradeNameRow);
}

} // namespace vorda
