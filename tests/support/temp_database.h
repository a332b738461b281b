#pragma once
// A fresh database file in its own temporary folder, for one test.

#include "core/data/daily_record.h"
#include "core/data/database.h"
#include "core/data/new_database.h"
#include "core/data/schema.h"

#include <QTemporaryDir>
#include <QTest>

namespace vorda::test {

class TempDatabase {
public:
    explicit TempDatabase(bool demo = false, QDate today = QDate(2024, 6, 14)) {
        path_ = dir_.filePath(QStringLiteral("VORDA.db"));
        NewDatabaseOptions options;
        options.demo = demo;
        options.today = today;
        const DbError e = createDatabase(path_, options);
        ok_ = !e && dir_.isValid();
        message_ = e.message;
    }

    const QString& path() const { return path_; }
    QString filePath(const QString& name) const { return dir_.filePath(name); }
    bool ok() const { return ok_; }
    const QString& message() const { return message_; }

private:
    QTemporaryDir dir_;
    QString path_;
    QString message_;
    bool ok_ = false;
};

// The day-off balance (field 5 of 社員) of every employee, in stored order.
inline QList<int> daysOffBalances(const QString& path) {
    Database db;
    std::vector<Row> rows;
    QList<int> out;
    if (!db.open(path) && !db.selectAll(QStringLiteral("社員"), rows)) {
        for (const Row& r : rows)
            out << r.values.value(5).toInt();
    }
    return out;
}

// The dates of the daily report rows, in stored order; a null date shows as "(null)".
inline QStringList reportDates(const QString& path) {
    Database db;
    std::vector<Row> rows;
    if (db.open(path) || db.selectAll(table::DailyReport, rows))
        return {QStringLiteral("unreadable")};
    QStringList out;
    for (const Row& r : rows)
        out << (r.values.value(rec::Date).isNull() ? QStringLiteral("(null)")
                                                   : r.values.value(rec::Date).toString());
    return out;
}

// Opens the database or fails the calling test with its message.
#define VORDA_OPEN(db, path)                                                                     \
    do {                                                                                         \
        const ::vorda::DbError vorda_open_error = (db).open(path);                               \
        QVERIFY2(!vorda_open_error, qPrintable(vorda_open_error.message));                       \
    } while (false)

} // namespace vorda::test
