// The employee and vehicle name caches: positional, bounded, never written past.

#include "core/app/name_caches.h"
#include "core/data/schema.h"
#include "support/temp_database.h"

#include <QTest>

using namespace vorda;

namespace {

void addEmployees(Database& db, int n, int from = 0) {
    for (int i = from; i < from + n; ++i)
        QVERIFY(!db.insert(table::Employees, {QString::number(i), QStringLiteral("社員%1").arg(i),
                                              QStringLiteral(""), 0, 0, 10}));
}

} // namespace

class TestNameCaches : public QObject {
    Q_OBJECT
private slots:
    void fillsOnlyTheRowsThereAre_data() { test::engineRows(); }
    void fillsOnlyTheRowsThereAre() {
        QFETCH(QString, engine);
        test::TempDatabase t(engine);
        VORDA_READY(t);
        Database db;
        VORDA_OPEN(db, t.path());
        addEmployees(db, 3);
        // A null surname gives the empty text.
        QVERIFY(!db.insert(table::Employees,
                           {QStringLiteral("4"), QVariant(QMetaType(QMetaType::QString))}));
        NameCaches names;
        for (QString& n : names.employees)
            n = QStringLiteral("前の値");
        QVERIFY(!SYAINGET(db, names));
        QCOMPARE(names.employees[0], QStringLiteral("社員0"));
        QCOMPARE(names.employees[2], QStringLiteral("社員2"));
        QCOMPARE(names.employees[3], QString());
        QCOMPARE(names.employees[4], QStringLiteral("前の値"));
        QCOMPARE(names.employees[30], QStringLiteral("前の値"));
    }

    void followsStoredOrder_data() { test::engineRows(); }
    void followsStoredOrder() {
        QFETCH(QString, engine);
        test::TempDatabase t(engine);
        VORDA_READY(t);
        Database db;
        VORDA_OPEN(db, t.path());
        for (const char16_t* name : {u"ダンプ", u"ユニック", u"散水車"})
            QVERIFY(!db.insert(table::Vehicles, {QStringLiteral("9"), QString::fromUtf16(name)}));
        // Deleting the middle row moves the later one up a column; rewriting a row keeps
        // its column.
        std::vector<Row> rows;
        QVERIFY(!db.selectAll(table::Vehicles, rows));
        QVERIFY(!db.remove(table::Vehicles, rows[1].rowid));
        QVERIFY(
            !db.update(table::Vehicles, rows[0].rowid, {QVariant(), QStringLiteral("4tダンプ")}));
        NameCaches names;
        QVERIFY(!SYARYOGET(db, names));
        QCOMPARE(names.vehicles[0], QStringLiteral("4tダンプ"));
        QCOMPARE(names.vehicles[1], QStringLiteral("散水車"));
        QCOMPARE(names.vehicles[2], QString());
    }

    void tooManyRowsFillWhatFitsAndSaySo_data() { test::engineRows(); }
    void tooManyRowsFillWhatFitsAndSaySo() {
        QFETCH(QString, engine);
        test::TempDatabase t(engine);
        VORDA_READY(t);
        Database db;
        VORDA_OPEN(db, t.path());
        addEmployees(db, 33);
        for (int i = 0; i < 12; ++i)
            QVERIFY(
                !db.insert(table::Vehicles, {QString::number(i), QStringLiteral("車%1").arg(i)}));
        NameCaches names;
        // Not an error: the day must still load; the note names the rows without a column.
        QVERIFY(!SYAINGET(db, names));
        QCOMPARE(names.employees[30], QStringLiteral("社員30"));
        QVERIFY2(names.beyondColumns.contains(QStringLiteral("33")),
                 qPrintable(names.beyondColumns));
        QVERIFY(names.beyondColumns.contains(QStringLiteral("社員30、社員31、社員32")));
        QVERIFY(!names.beyondColumns.contains(QStringLiteral("社員29")));
        QVERIFY(!SYARYOGET(db, names));
        QCOMPARE(names.vehicles[10], QStringLiteral("車10"));
        QVERIFY(names.beyondColumns.contains(QStringLiteral("車10、車11")));
    }
};

QTEST_GUILESS_MAIN(TestNameCaches)
#include "tst_name_caches.moc"
