// The rules of the master grids on values: typed values, unique numbers and surnames, the
// row limits of the daily report columns, and deletes that stored reports forbid.

#include "core/data/daily_record.h"
#include "core/data/schema.h"
#include "core/masters/master_edit.h"
#include "core/masters/master_lists.h"
#include "support/files.h"
#include "support/temp_database.h"

#include <QTest>

using namespace vorda;

namespace {

std::vector<Row> rowsOf(const QString& path, const QString& table) {
    Database db;
    std::vector<Row> rows;
    if (!db.open(path))
        db.selectAll(table, rows);
    return rows;
}

QStringList column(const QString& path, const QString& table, int ordinal) {
    QStringList out;
    for (const Row& r : rowsOf(path, table))
        out << r.values.value(ordinal).toString();
    return out;
}

void addEmployees(const QString& path, int n) {
    Database db;
    if (db.open(path))
        return;
    for (int i = 0; i < n; ++i)
        db.insert(table::Employees, {QString::number(i + 1), QStringLiteral("社員%1").arg(i + 1),
                                     QString(), 0, 0, 5});
}

void addVehicles(const QString& path, int n) {
    Database db;
    if (db.open(path))
        return;
    for (int i = 0; i < n; ++i)
        db.insert(table::Vehicles, {QString::number(i + 1), QStringLiteral("車%1").arg(i + 1)});
}

// A stored daily report with one value at one ordinal.
void addReport(const QString& path, int ordinal, const QVariant& value) {
    Database db;
    if (db.open(path))
        return;
    QVariantList v(rec::FieldCount);
    v[rec::Date] = QStringLiteral("2024-05-13");
    v[rec::JobName] = QStringLiteral("工事");
    v[ordinal] = value;
    db.insert(table::DailyReport, v);
}

QVariantList values(int size, std::initializer_list<std::pair<int, QVariant>> set) {
    QVariantList v(size);
    for (const auto& [i, x] : set)
        v[i] = x;
    return v;
}

} // namespace

class TestMasterEdit : public QObject {
    Q_OBJECT
private slots:
    void typedValues_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QVariant>("stored"); // invalid: refused
        const auto n16 = int(FieldKind::Number16);
        const auto count = int(FieldKind::Count);
        const auto date = int(FieldKind::Date);
        const auto text = int(FieldKind::Text);
        QTest::newRow("text as typed") << text << " 山田 " << QVariant(QStringLiteral(" 山田 "));
        QTest::newRow("text emptied") << text << "" << QVariant(QString());
        QTest::newRow("number") << n16 << "12" << QVariant(12);
        QTest::newRow("number full-width") << n16 << "１２" << QVariant(12);
        QTest::newRow("number negative edge") << n16 << "-32768" << QVariant(-32768);
        QTest::newRow("number beyond 16 bits") << n16 << "32768" << QVariant();
        QTest::newRow("number with letters") << n16 << "12a" << QVariant();
        QTest::newRow("number with a point") << n16 << "1.5" << QVariant();
        QTest::newRow("number emptied") << n16 << "  " << QVariant(QString());
        QTest::newRow("count beyond 16 bits") << count << "40000" << QVariant(40000);
        QTest::newRow("count negative") << count << "-3" << QVariant(-3);
        QTest::newRow("count beyond 32 bits") << count << "3000000000" << QVariant();
        QTest::newRow("count text") << count << "三" << QVariant();
        QTest::newRow("date slashes")
            << date << "2003/5/12" << QVariant(QStringLiteral("2003-05-12"));
        QTest::newRow("date dashes")
            << date << "2003-05-12" << QVariant(QStringLiteral("2003-05-12"));
        QTest::newRow("date full-width")
            << date << "２００３／５／１２" << QVariant(QStringLiteral("2003-05-12"));
        QTest::newRow("date impossible") << date << "2003/2/29" << QVariant();
        QTest::newRow("date mixed separators") << date << "2003/5-12" << QVariant();
        QTest::newRow("date two-digit year") << date << "03/5/12" << QVariant();
        QTest::newRow("date emptied") << date << "" << QVariant(QString());
    }
    void typedValues() {
        QFETCH(int, kind);
        QFETCH(QString, typed);
        QFETCH(QVariant, stored);
        const FieldCheck c = checkField(FieldKind(kind), typed);
        QCOMPARE(c.ok(), stored.isValid());
        if (!stored.isValid())
            return;
        QCOMPARE(c.value.toString(), stored.toString());
        // An emptied field is written as NULL, not as an empty text or 0.
        if (stored.toString().isEmpty())
            QVERIFY(c.value.isValid() && c.value.toString().isNull());
    }

    // The picker's query hides what projectEndedBefore hides, whatever the end field holds,
    // and reads the fields the picker shows in stored order.
    void thePickerQueryLeavesOutEndedProjects_data() { test::engineRows(); }
    void thePickerQueryLeavesOutEndedProjects() {
        QFETCH(QString, engine);
        test::TempDatabase t(engine);
        VORDA_READY(t);
        const QVariant ends[] = {QStringLiteral("2024-06-02"),
                                 QStringLiteral("2024-06-03"),
                                 QStringLiteral("2024-06-04"),
                                 QVariant(),
                                 QStringLiteral(""),
                                 QStringLiteral(" 2024-06-01 "),
                                 QStringLiteral("2024-06-01 10:00"),
                                 QStringLiteral("2024-02-30"),
                                 QStringLiteral("2024-6-01"),
                                 QStringLiteral("来月"),
                                 20240601,
                                 QStringLiteral("1999-12-31"),
                                 QStringLiteral("\u30002024-05-31")};
        {
            Database db;
            VORDA_OPEN(db, t.path());
            int n = 0;
            for (const QVariant& end : ends) {
                ++n;
                QVERIFY(!db.insert(table::Projects, {n, QStringLiteral("工事%1").arg(n),
                                                     QStringLiteral("2024-01-01"), end,
                                                     QStringLiteral("発注者%1").arg(n)}));
            }
        }
        std::vector<ProjectEntry> all;
        QVERIFY(!listProjects(t.path(), all));
        QCOMPARE(all.size(), std::size(ends));
        const QDate day(2024, 6, 3);
        QStringList expected;
        for (const ProjectEntry& p : all)
            if (!projectEndedBefore(p, day))
                expected << QStringLiteral("%1 %2 %3 %4 %5")
                                .arg(p.number)
                                .arg(p.name, p.client, p.startDate.toString(Qt::ISODate),
                                     p.endDate.toString(Qt::ISODate));
        QCOMPARE(expected.size(), 8); // the five readable ends before the day go
        std::vector<ProjectEntry> listed;
        QVERIFY(!listPickerProjects(t.path(), day, listed));
        QStringList got;
        for (const ProjectEntry& p : listed)
            got << QStringLiteral("%1 %2 %3 %4 %5")
                       .arg(p.number)
                       .arg(p.name, p.client, p.startDate.toString(Qt::ISODate),
                            p.endDate.toString(Qt::ISODate));
        QCOMPARE(got.join(u'|'), expected.join(u'|'));
        // Without a day: every project.
        QVERIFY(!listPickerProjects(t.path(), QDate(), listed));
        QCOMPARE(listed.size(), all.size());
    }

    void storedDatesShowInTheTypedForm() {
        QCOMPARE(displayText(FieldKind::Date, QStringLiteral("2003-05-12")),
                 QStringLiteral("2003/05/12"));
        QCOMPARE(displayText(FieldKind::Date, QStringLiteral("未定")), QStringLiteral("未定"));
        QCOMPARE(displayText(FieldKind::Date, QVariant()), QString());
    }

    void projectNumbersAreRequiredAndUnique_data() { test::engineRows(); }
    void projectNumbersAreRequiredAndUnique() {
        QFETCH(QString, engine);
        test::TempDatabase t(engine);
        VORDA_READY(t);
        const MasterDef& d = projectMaster();
        const int n = proj::FieldCount;
        qint64 first = 0;
        QVERIFY(
            writeMasterRow(t.path(), d, 0, values(n, {{0, 7}, {1, QStringLiteral("甲")}}), &first)
                .ok());
        QVERIFY(first > 0);
        const QByteArray before = t.hash();

        EditOutcome o =
            writeMasterRow(t.path(), d, 0, values(n, {{0, 7}, {1, QStringLiteral("乙")}}));
        QVERIFY(!o.ok() && !o.error);
        QVERIFY2(o.refusal.contains(QStringLiteral("番号「7」")), qPrintable(o.refusal));
        o = writeMasterRow(t.path(), d, 0, values(n, {{1, QStringLiteral("番号なし")}}));
        QCOMPARE(o.refusal, QStringLiteral("番号を入力してください。"));
        o = writeMasterRow(t.path(), d, first, values(n, {{0, QVariant(QString())}}));
        QCOMPARE(o.refusal, QStringLiteral("番号を入力してください。"));
        QCOMPARE(t.hash(), before);

        // A row keeps its own number; changing only its name does not collide with itself.
        QVERIFY(writeMasterRow(t.path(), d, first, values(n, {{0, 7}, {1, QStringLiteral("甲改")}}))
                    .ok());
        QCOMPARE(column(t.path(), table::Projects, proj::Name),
                 QStringList{QStringLiteral("甲改")});
    }

    void surnamesAreUniqueButClearedNamesMayRepeat_data() { test::engineRows(); }
    void surnamesAreUniqueButClearedNamesMayRepeat() {
        QFETCH(QString, engine);
        test::TempDatabase t(engine);
        VORDA_READY(t);
        addEmployees(t.path(), 3);
        const auto rows = rowsOf(t.path(), table::Employees);
        const MasterDef& d = employeeMaster();
        const EditOutcome o =
            writeMasterRow(t.path(), d, rows[2].rowid,
                           values(emp::FieldCount, {{emp::Surname, QStringLiteral("社員1")}}));
        QVERIFY(o.refusal.contains(QStringLiteral("姓氏「社員1」")));
        QVERIFY(clearMasterNames(t.path(), d, rows[1].rowid).ok());
        QVERIFY(clearMasterNames(t.path(), d, rows[2].rowid).ok());
        QCOMPARE(column(t.path(), table::Employees, emp::Surname),
                 (QStringList{QStringLiteral("社員1"), QString(), QString()}));
        // Clearing keeps the balance: the column and its stored cells stay.
        QCOMPARE(test::daysOffBalances(t.path()), (QList<int>{5, 5, 5}));
    }

    void rowLimitsFollowTheReportColumns_data() {
        test::addEngineColumn();
        QTest::addColumn<bool>("employees");
        QTest::addColumn<int>("limit");
        for (const char* engine : test::kEngines) {
            test::engineRow(engine, "30 employees") << true << kStaffColumns;
            test::engineRow(engine, "10 vehicles") << false << kVehicleColumns;
        }
    }
    void rowLimitsFollowTheReportColumns() {
        QFETCH(bool, employees);
        QFETCH(int, limit);
        QFETCH(QString, engine);
        test::TempDatabase t(engine);
        VORDA_READY(t);
        employees ? addEmployees(t.path(), limit - 1) : addVehicles(t.path(), limit - 1);
        const MasterDef& d = employees ? employeeMaster() : vehicleMaster();
        const QVariantList row = values(6, {{1, QStringLiteral("新人")}});
        QVERIFY(writeMasterRow(t.path(), d, 0, row).ok());
        const EditOutcome o =
            writeMasterRow(t.path(), d, 0, values(6, {{1, QStringLiteral("もう一人")}}));
        QCOMPARE(o.refusal, d.limitMessage);
        QVERIFY(d.limitMessage.contains(QString::number(limit)));
        QCOMPARE(int(rowsOf(t.path(), d.table).size()), limit);
        // Changing a row at the limit is no new row.
        QVERIFY(writeMasterRow(t.path(), d, rowsOf(t.path(), d.table).back().rowid,
                               values(6, {{0, QStringLiteral("99")}}))
                    .ok());
    }

    // Employee rows 0..4; position 2 is deleted. Cells in its column or later forbid it.
    void deletesThatWouldMoveStoredCells_data() {
        test::addEngineColumn();
        QTest::addColumn<bool>("employees");
        QTest::addColumn<int>("ordinal"); // -1: no report at all
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<bool>("refused");
        for (const char* engine : test::kEngines) {
            test::engineRow(engine, "no reports") << true << -1 << QVariant() << false;
            test::engineRow(engine, "planned mark in an earlier column")
                << true << rec::PlannedStaff + 1 << QVariant(QStringLiteral("○")) << false;
            test::engineRow(engine, "planned mark in its column")
                << true << rec::PlannedStaff + 2 << QVariant(QStringLiteral("○")) << true;
            test::engineRow(engine, "actual mark in a later column")
                << true << rec::ActualStaff + 4 << QVariant(QStringLiteral("休")) << true;
            test::engineRow(engine, "mark in the last column")
                << true << rec::ActualStaff + 29 << QVariant(QStringLiteral("○")) << true;
            test::engineRow(engine, "empty mark text")
                << true << rec::ActualStaff + 3 << QVariant(QString("")) << false;
            test::engineRow(engine, "vehicle count later")
                << false << rec::ActualVehicle + 3 << QVariant(2) << true;
            test::engineRow(engine, "vehicle count zero")
                << false << rec::PlannedVehicle + 3 << QVariant(0) << false;
            test::engineRow(engine, "vehicle count earlier")
                << false << rec::PlannedVehicle + 1 << QVariant(4) << false;
        }
    }
    void deletesThatWouldMoveStoredCells() {
        QFETCH(bool, employees);
        QFETCH(int, ordinal);
        QFETCH(QVariant, value);
        QFETCH(bool, refused);
        QFETCH(QString, engine);
        test::TempDatabase t(engine);
        VORDA_READY(t);
        employees ? addEmployees(t.path(), 5) : addVehicles(t.path(), 5);
        if (ordinal >= 0)
            addReport(t.path(), ordinal, value);
        const MasterDef& d = employees ? employeeMaster() : vehicleMaster();
        const auto before = rowsOf(t.path(), d.table);
        const QByteArray hash = t.hash();
        const DeleteOutcome o = deleteMasterRow(t.path(), d, before[2].rowid);
        QVERIFY2(!o.error, qPrintable(o.error.message));
        QCOMPARE(o.inUse, refused);
        const auto after = rowsOf(t.path(), d.table);
        if (refused) {
            QVERIFY(o.refusal.contains(QStringLiteral("3列目")));
            QCOMPARE(t.hash(), hash);
        } else {
            QVERIFY(o.ok());
            QCOMPARE(after.size(), before.size() - 1);
            QCOMPARE(after[2].rowid, before[3].rowid);
        }
    }

    void rowsBeyondTheColumnsAreUsedByNoReport_data() { test::engineRows(); }
    void rowsBeyondTheColumnsAreUsedByNoReport() {
        QFETCH(QString, engine);
        test::TempDatabase t(engine);
        VORDA_READY(t);
        addEmployees(t.path(), 31); // a file that already holds the 31st (cache-only) row
        addReport(t.path(), rec::ActualStaff + 29, QStringLiteral("○"));
        Database db;
        VORDA_OPEN(db, t.path());
        bool used = true;
        QVERIFY(!reportsUseColumnsFrom(db, Positional::EmployeeColumn, 30, used));
        QVERIFY(!used);
        QVERIFY(!reportsUseColumnsFrom(db, Positional::EmployeeColumn, 29, used));
        QVERIFY(used);
    }
};

QTEST_GUILESS_MAIN(TestMasterEdit)
#include "tst_master_edit.moc"
