#include "core/app/working_date.h"

#include "core/app/app_state.h"
#include "core/data/schema.h"
#include "core/data/values.h"

namespace vorda {

namespace {

std::optional<int> wholeNumber(const QString& text) {
    const QString t = text.trimmed();
    if (t.isEmpty() || t.size() > 4)
        return std::nullopt;
    int value = 0;
    for (QChar c : t) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
    }
    return value;
}

Where dateIs(const QDate& date) {
    return {{weather::Date, Condition::Op::Eq, toDbDate(date)}};
}

} // namespace

std::optional<QDate> dateFromFields(const QString& year, const QString& month, const QString& day) {
    const auto y = wholeNumber(year);
    const auto m = wholeNumber(month);
    const auto d = wholeNumber(day);
    if (!y || !m || !d)
        return std::nullopt;
    int fullYear = *y;
    if (year.trimmed().size() <= 2)
        fullYear += fullYear < 30 ? 2000 : 1900;
    if (fullYear < 100)
        return std::nullopt;
    const QDate date(fullYear, *m, *d);
    if (!date.isValid())
        return std::nullopt;
    return date;
}

void setWorkingDate(AppState& state, const QDate& date) {
    state.workingDate = date;
    state.weekdayText = weekdayChar(date);
}

DbError readWeather(const QString& databasePath, const QDate& date, QString& word) {
    word.clear();
    Database db;
    if (DbError e = db.open(databasePath))
        return e;
    std::vector<Row> rows;
    if (DbError e = db.select(table::Weather, dateIs(date), rows, 1))
        return e;
    if (!rows.empty())
        word = nullSafeText(rows.front().values.value(weather::Word));
    return {};
}

DbError weatherWords(const QString& databasePath, QStringList& words) {
    words.clear();
    Database db;
    if (DbError e = db.open(databasePath))
        return e;
    std::vector<Row> rows;
    if (DbError e = db.selectAll(table::WeatherWords, rows))
        return e;
    for (const Row& r : rows)
        words << nullSafeText(r.values.value(0));
    return {};
}

DbError tenkiset(const AppState& state) {
    Database db;
    if (DbError e = db.open(state.databasePath))
        return e;
    // Find and write under one lock, so two copies of the program cannot both add a row.
    Transaction tx(db);
    if (DbError e = tx.begin())
        return e;
    std::vector<Row> rows;
    if (DbError e = db.select(table::Weather, dateIs(state.workingDate), rows, 1))
        return e;
    if (rows.empty()) {
        if (DbError e = db.insert(table::Weather, {toDbDate(state.workingDate), state.weekdayText,
                                                   state.weatherText}))
            return e;
    } else {
        if (DbError e = db.update(table::Weather, rows.front().rowid,
                                  {QVariant(), state.weekdayText, state.weatherText}))
            return e;
    }
    return tx.commit();
}

} // namespace vorda
