// The tables of the file and their field order; a file made by another hand still works.

#include "core/data/daily_record.h"
#include "core/data/database.h"
#include "core/data/schema.h"
#include "support/temp_database.h"

#include <QSet>
#include <QSqlQuery>
#include <QTest>

using namespace vorda;

namespace {

QStringList columnsOf(Database& db, const QString& table) {
    QStringList names;
    for (int i = 0; i < db.fieldCount(table); ++i)
        names << db.fieldName(table, i);
    return names;
}

} // namespace

class TestSchema : public QObject {
    Q_OBJECT
private slots:
    void fieldCountsAndNamedFields() {
        test::TempDatabase t;
        QVERIFY2(t.ok(), qPrintable(t.message()));
        Database db;
        VORDA_OPEN(db, t.path());
        QCOMPARE(db.fieldCount(table::Employees), 6);
        QCOMPARE(db.fieldCount(table::Vehicles), 2);
        QCOMPARE(db.fieldCount(table::Projects), 5);
        QCOMPARE(db.fieldCount(table::System), 14);
        QCOMPARE(db.fieldCount(table::StaffMarks), 5);
        QCOMPARE(db.fieldCount(table::TradeName), 9);
        QCOMPARE(db.fieldCount(table::WeatherWords), 1);
        QCOMPARE(db.fieldCount(table::Weather), 3);
        QCOMPARE(db.fieldCount(table::DailyReport), 103);

        const QStringList daily = columnsOf(db, table::DailyReport);
        QCOMPARE(daily[rec::Date], QStringLiteral("日付"));
        QCOMPARE(daily[rec::JobNumber], QStringLiteral("工事番号"));
        QCOMPARE(daily[rec::Rec], QStringLiteral("REC"));
        QCOMPARE(QSet<QString>(daily.begin(), daily.end()).size(), 103); // no name twice
        QCOMPARE(columnsOf(db, table::Employees),
                 QStringList({"社員コード", "姓氏", "名前", "出勤年間累計", "出勤月間累計", "休日残"}));
        QCOMPARE(columnsOf(db, table::Projects),
                 QStringList({"工事番号", "工事件名", "開始日", "終了日", "発注者"}));
        QCOMPARE(db.fieldName(table::System, 13), QStringLiteral("番号"));
        QCOMPARE(db.fieldName(table::WeatherWords, 0), QStringLiteral("天候テーブル"));
        QCOMPARE(db.fieldName(table::Weather, 0), QStringLiteral("日付"));
    }

    void indexesServeTheDayAndProjectQueries() {
        test::TempDatabase t;
        QVERIFY(t.ok());
        Database db;
        VORDA_OPEN(db, t.path());
        const auto plan = [&](const QString& sql) {
            QSqlQuery q(db.connection());
            q.exec(QStringLiteral("EXPLAIN QUERY PLAN ") + sql);
            QString text;
            while (q.next())
                text += q.value(3).toString() + u'\n';
            return text;
        };
        QVERIFY(plan(QStringLiteral("SELECT * FROM \"VORDA工事\" WHERE \"日付\" = '2024-01-01' ORDER BY rowid"))
                    .contains(QStringLiteral("USING INDEX")));
        QVERIFY(plan(QStringLiteral("SELECT * FROM \"VORDA工事\" WHERE \"工事番号\" = 3 AND \"日付\" >= '2024-01-01'"))
                    .contains(QStringLiteral("VORDA工事_工事番号_日付")));
        QVERIFY(plan(QStringLiteral("SELECT * FROM \"天候\" WHERE \"日付\" = '2024-01-01'"))
                    .contains(QStringLiteral("USING INDEX")));
    }

    void recAndSystemKeyNumberThemselves() {
        test::TempDatabase t;
        QVERIFY(t.ok());
        Database db;
        VORDA_OPEN(db, t.path());
        std::vector<Row> rows;
        QVERIFY(!db.select(table::System, {{sys::Key, Condition::Op::Eq, 1}}, rows));
        QCOMPARE(rows.size(), std::size_t(1));

        // A deleted REC is not handed out again.
        qint64 first = 0, second = 0, third = 0;
        QVariantList row(rec::FieldCount);
        row[rec::Date] = QStringLiteral("2024-01-01");
        QVERIFY(!db.insert(table::DailyReport, row, &first));
        QVERIFY(!db.insert(table::DailyReport, row, &second));
        QVERIFY(!db.remove(table::DailyReport, second));
        QVERIFY(!db.insert(table::DailyReport, row, &third));
        QCOMPARE(second, first + 1);
        QCOMPARE(third, second + 1);
    }

    void fileWithOtherFreeColumnNamesWorks() {
        // Tables made by hand: only the names the system uses are the same.
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("hand.db"));
        {
            Database db;
            QVERIFY(!db.create(path)); // a file with our tables, replaced below
            for (const TableDef& def : schemaTables())
                QVERIFY(!db.exec(QStringLiteral("DROP TABLE %1").arg(quoteIdentifier(def.name))));
            for (const TableDef& def : schemaTables()) {
                QStringList cols;
                for (int i = 0; i < int(def.fields.size()); ++i) {
                    QString name = QStringLiteral("f%1").arg(i);
                    for (const auto& [ordinal, fixed] : def.namedFields) {
                        if (ordinal == i)
                            name = fixed;
                    }
                    cols << quoteIdentifier(name) + u' ' + def.fields[i].type;
                }
                QVERIFY(!db.exec(QStringLiteral("CREATE TABLE %1 (%2)")
                                     .arg(quoteIdentifier(def.name), cols.join(u','))));
            }
        }
        Database db;
        VORDA_OPEN(db, path);
        QCOMPARE(db.fieldName(table::DailyReport, 6), QStringLiteral("f6"));

        DayModel day;
        day.groups[0].jobName = QStringLiteral("駅前広場外構工事");
        day.actual(0).staff[29] = QStringLiteral("休");
        day.groups[0].spotCount[1] = 3;
        qint64 id = 0;
        QVERIFY(!db.insert(table::DailyReport, slotToRow(day, 0, QDate(2024, 2, 1), QStringLiteral("晴")), &id));
        std::vector<Row> rows;
        QVERIFY(!db.select(table::DailyReport, {{rec::Date, Condition::Op::Eq, QStringLiteral("2024-02-01")}}, rows));
        QCOMPARE(rows.size(), std::size_t(1));
        DayModel back;
        rowToSlot(rows[0].values, back, 0);
        QCOMPARE(back.groups[0].recordNumber, qint32(id));
        QCOMPARE(back.groups[0].jobName, day.groups[0].jobName);
        QCOMPARE(back.actual(0).staff[29], QStringLiteral("休"));
        QCOMPARE(back.groups[0].spotCount[1], qint16(3));

        QVERIFY(!db.insert(table::System, {31, 20, QStringLiteral("3/31")}));
        QVERIFY(!db.select(table::System, {{db.ordinalOf(table::System, QStringLiteral("番号")), Condition::Op::Eq, 1}}, rows));
        QCOMPARE(rows.size(), std::size_t(1));
        QCOMPARE(rows[0].values[sys::AttendanceClosingDay].toInt(), 20);
    }
};

QTEST_GUILESS_MAIN(TestSchema)
#include "tst_schema.moc"
