// The import of a firm's Access file, in its two steps: the reader on a real Jet 4 file
// (tests/data/node-adodb.mdb, MIT licence beside it: one table Users), and the writing of
// rows into a new database on rows built here, since nothing here can write a Jet file
// with our tables.

#include "core/data/daily_record.h"
#include "core/data/database.h"
#include "core/data/mdb_import.h"
#include "core/data/mdb_reader.h"
#include "core/data/schema.h"
#include "support/files.h"

#include <QDateTime>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace vorda;

namespace {

const QString kSample = QStringLiteral(VORDA_TEST_DATA "/node-adodb.mdb");

QStringList fieldNames(const QString& table) {
    for (const TableDef& t : schemaTables()) {
        if (t.name == table) {
            QStringList names;
            for (const FieldDef& f : t.fields)
                names << f.name;
            return names;
        }
    }
    return {};
}

QVariantList nulls(int n) {
    return QVariantList(n);
}

// Every table with rows a firm might have: employees out of code order, a null surname, an
// extra field; dates as date values and as texts; reports whose REC values are not in
// stored order; a long text; the settings key after an extra field.
std::vector<SourceTable> firmTables() {
    std::vector<SourceTable> t;
    QStringList emp = fieldNames(table::Employees);
    emp << QStringLiteral("メモ");
    t.push_back(
        {table::Employees,
         emp,
         {{QStringLiteral("3"), QStringLiteral("山田"), QStringLiteral("一郎"), 120, 10, 4,
           QStringLiteral("x")},
          {QStringLiteral("1"), QVariant(), QVariant(), QVariant(), QVariant(), 0.5, QVariant()},
          {QStringLiteral("2"), QStringLiteral("髙橋"), QStringLiteral("①"), 0, 0, -1,
           QVariant()}}});
    t.push_back({table::Vehicles,
                 fieldNames(table::Vehicles),
                 {{QStringLiteral("B"), QStringLiteral("4tダンプ")},
                  {QStringLiteral("A"), QStringLiteral("2tダンプ")}}});
    t.push_back(
        {table::Projects,
         fieldNames(table::Projects),
         {{101, QStringLiteral("県道～補修"), QDateTime(QDate(2003, 4, 1), QTime(0, 0)),
           QStringLiteral("2003/5/12"), QStringLiteral("㈱多摩")},
          {102, QStringLiteral("市道"), QStringLiteral("2004-01-05"), QVariant(), QVariant()}}});
    QStringList sys = fieldNames(table::System);
    sys.removeLast();
    sys << QStringLiteral("追加") << QStringLiteral("番号");
    QVariantList settings = nulls(15);
    settings[0] = 20;
    settings[1] = 25;
    settings[2] = QStringLiteral("3/31");
    settings[8] = QStringLiteral("8:00");
    settings[11] = QStringLiteral("平成");
    settings[12] = 1988;
    settings[13] = QStringLiteral("x");
    settings[14] = 1;
    t.push_back({table::System, sys, {settings}});
    t.push_back({table::StaffMarks,
                 fieldNames(table::StaffMarks),
                 {{1, QStringLiteral("○"), QStringLiteral("出勤"), QStringLiteral("出勤"), 1},
                  {2, QStringLiteral("休"), QStringLiteral("休み"), QVariant(), 4}}});
    QVariantList trade = nulls(trade::FieldCount);
    trade[0] = QStringLiteral("多摩建設");
    trade[3] = QString(3000, QChar(u'長'));
    t.push_back({table::TradeName, fieldNames(table::TradeName), {trade}});
    t.push_back({table::WeatherWords,
                 fieldNames(table::WeatherWords),
                 {{QStringLiteral("晴")}, {QStringLiteral("雨")}}});
    t.push_back({table::Weather,
                 fieldNames(table::Weather),
                 {{QDateTime(QDate(2003, 5, 12), QTime(0, 0)), QStringLiteral("月"),
                   QStringLiteral("晴")}}});
    QVariantList a = nulls(rec::FieldCount), b = a, c = a;
    a[rec::Date] = QDateTime(QDate(2003, 5, 12), QTime(0, 0));
    a[rec::JobNumber] = 101;
    a[rec::JobName] = QStringLiteral("県道～補修");
    a[rec::Rec] = 12;
    a[rec::PlannedStaff] = QStringLiteral("○");
    a[rec::ActualStaff + 29] = QStringLiteral("休");
    a[rec::ActualVehicle + 9] = 2;
    a[rec::StartTime] = QStringLiteral("8:00");
    a[rec::ActualWork] = QString(5000, QChar(u'作'));
    a[rec::Night] = 1;
    a[rec::SpotActual] = 3;
    b[rec::Date] = QStringLiteral("2002/12/31");
    b[rec::Rec] = 3;
    b[rec::JobName] = QStringLiteral("市道");
    c[rec::Date] = QStringLiteral("2003-01-02");
    c[rec::Rec] = 7;
    t.push_back({table::DailyReport, fieldNames(table::DailyReport), {a, b, c}});
    return t;
}

SourceTable& tableOf(std::vector<SourceTable>& tables, const QString& name) {
    for (SourceTable& t : tables) {
        if (t.name == name)
            return t;
    }
    static SourceTable none;
    return none;
}

std::vector<Row> rowsOf(const QString& path, const QString& table) {
    Database db;
    std::vector<Row> rows;
    if (db.open(path) || db.selectAll(table, rows))
        return {};
    return rows;
}

} // namespace

class TestMdbImport : public QObject {
    Q_OBJECT

private slots:
    // Text (Chinese, through UCS-2), numbers and a date of a real Jet 4 file.
    void readsJet4Sample() {
        MdbReader reader;
        QCOMPARE(reader.open(kSample).message, QString());
        QCOMPARE(reader.formatName(), QStringLiteral("Jet 4"));
        QCOMPARE(reader.tableNames(), QStringList{QStringLiteral("Users")});
        SourceTable users;
        QCOMPARE(reader.readTable(QStringLiteral("Users"), users).message, QString());
        QCOMPARE(users.fields,
                 (QStringList{QStringLiteral("UserId"), QStringLiteral("UserName"),
                              QStringLiteral("UserSex"), QStringLiteral("UserBirthday"),
                              QStringLiteral("UserMarried")}));
        QCOMPARE(users.rows.size(), size_t(3));
        const QVariantList& third = users.rows[2];
        QCOMPARE(third[0], QVariant(qint64(3)));
        QCOMPARE(third[1], QVariant(QStringLiteral("张三")));
        QCOMPARE(third[2], QVariant(QStringLiteral("男")));
        QCOMPARE(third[3].toDateTime(), QDateTime(QDate(1986, 12, 18), QTime(0, 0)));
        QCOMPARE(users.rows[0][3].toDateTime().date(), QDate(1989, 1, 25));
        QCOMPARE(users.rows[1][1], QVariant(QStringLiteral("Angela")));
    }

    // Files that are refused before anything is made: the message names why, and neither the
    // new file nor its temporary name is left.
    void refusesFile_data() {
        QTest::addColumn<QString>("source"); // {DIR} stands for a folder of the test's own
        QTest::addColumn<QString>("says");
        QTest::addRow("no tables of ours")
            << kSample
            << QStringLiteral("次の表がありません: 社員、車両、工事件名、システム、スタッフマーク、"
                              "屋号、天候テーブル、天候、VORDA工事");
        QTest::addRow("a text file")
            << QStringLiteral("{DIR}/text.mdb")
            << QStringLiteral("Access のデータベース（.mdb）ではありません");
        QTest::addRow("an SQLite file")
            << QStringLiteral("{DIR}/ours.db")
            << QStringLiteral("Access のデータベース（.mdb）ではありません");
        QTest::addRow("cut short")
            << QStringLiteral("{DIR}/short.mdb") << QStringLiteral("表の一覧を読めません");
        QTest::addRow("missing") << QStringLiteral("{DIR}/none.mdb")
                                 << QStringLiteral("がありません");
    }
    void refusesFile() {
        QFETCH(QString, source);
        QFETCH(QString, says);
        QTemporaryDir dir;
        QVERIFY(test::writeFile(dir.filePath(QStringLiteral("text.mdb")), "Standard Jet DB\n"));
        QVERIFY(test::writeFile(dir.filePath(QStringLiteral("short.mdb")),
                                test::readFile(kSample).left(4096)));
        Database db;
        QVERIFY(!db.create(dir.filePath(QStringLiteral("ours.db"))));
        source.replace(QStringLiteral("{DIR}"), dir.path());
        const QString target = dir.filePath(QStringLiteral("新.db"));
        ImportReport report;
        const DbError e = importMdb(source, target, report);
        QVERIFY(e);
        QVERIFY2(e.message.contains(says), qPrintable(e.message));
        QVERIFY(!QFileInfo::exists(target));
        QVERIFY(!QFileInfo::exists(importTempPath(target)));
    }

    // The command line on the sample: exit 1, the missing tables on stderr, nothing made.
    void commandRefusesSample() {
        const QString exe = qEnvironmentVariable("VORDA_EXE");
        if (exe.isEmpty())
            QSKIP("VORDA_EXE is not set");
        QTemporaryDir dir;
        QProcess p;
        p.setWorkingDirectory(dir.path());
        p.start(exe, {QStringLiteral("import-mdb"), kSample, QStringLiteral("新.db"),
                      QStringLiteral("--set-data")});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 1);
        const QString said = QString::fromUtf8(p.readAllStandardError());
        QVERIFY2(said.contains(QStringLiteral("次の表がありません: 社員、")), qPrintable(said));
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList());
    }

    // Every table lands in the new file as it was: order, REC, nulls, dates as our text,
    // texts and numbers as stored; the file passes the check and reports go on after it.
    void writesEveryTable() {
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("新.db"));
        ImportReport report;
        QCOMPARE(writeImport(firmTables(), target, report).message, QString());
        QVERIFY(!QFileInfo::exists(importTempPath(target)));
        QCOMPARE(Database::check(target).message, QString());

        const std::vector<Row> emp = rowsOf(target, table::Employees);
        QCOMPARE(emp.size(), size_t(3));
        QCOMPARE(emp[0].values.mid(0, 6), (QVariantList{QStringLiteral("3"), QStringLiteral("山田"),
                                                        QStringLiteral("一郎"), 120, 10, 4}));
        QVERIFY(emp[1].values[emp::Surname].isNull());
        QVERIFY(emp[1].values[emp::YearTotal].isNull());
        QCOMPARE(emp[1].values[emp::DaysOffLeft].toDouble(), 0.5);
        QCOMPARE(emp[2].values[emp::Surname].toString(), QStringLiteral("髙橋"));
        QCOMPARE(emp[2].values[emp::GivenName].toString(), QStringLiteral("①"));
        const std::vector<Row> veh = rowsOf(target, table::Vehicles);
        QCOMPARE(veh.size(), size_t(2));
        QCOMPARE(veh[0].values[veh::Name].toString(), QStringLiteral("4tダンプ"));
        QCOMPARE(veh[1].values[veh::Name].toString(), QStringLiteral("2tダンプ"));

        const std::vector<Row> proj = rowsOf(target, table::Projects);
        QCOMPARE(proj[0].values[proj::StartDate].toString(), QStringLiteral("2003-04-01"));
        QCOMPARE(proj[0].values[proj::EndDate].toString(), QStringLiteral("2003-05-12"));
        QCOMPARE(proj[0].values[proj::Client].toString(), QStringLiteral("㈱多摩"));
        QCOMPARE(proj[1].values[proj::StartDate].toString(), QStringLiteral("2004-01-05"));
        QVERIFY(proj[1].values[proj::EndDate].isNull());

        const std::vector<Row> sys = rowsOf(target, table::System);
        QCOMPARE(sys.size(), size_t(1));
        QCOMPARE(sys[0].values[sys::Key].toInt(), 1);
        QCOMPARE(sys[0].values[sys::EraName].toString(), QStringLiteral("平成"));
        QCOMPARE(sys[0].values[sys::EraOffset].toInt(), 1988);
        QVERIFY(sys[0].values[3].isNull());

        const std::vector<Row> trade = rowsOf(target, table::TradeName);
        QCOMPARE(trade[0].values[3].toString(), QString(3000, QChar(u'長')));
        QCOMPARE(rowsOf(target, table::Weather)[0].values[weather::Date].toString(),
                 QStringLiteral("2003-05-12"));
        QCOMPARE(rowsOf(target, table::StaffMarks)[1].values[mark::Kind].toInt(), 4);

        // Reports keep their REC; the day's rows come in REC order whatever the stored order.
        const std::vector<Row> days = rowsOf(target, table::DailyReport);
        QCOMPARE(days.size(), size_t(3));
        QCOMPARE(days[0].values[rec::Rec].toInt(), 3);
        QCOMPARE(days[0].values[rec::Date].toString(), QStringLiteral("2002-12-31"));
        QCOMPARE(days[1].values[rec::Rec].toInt(), 7);
        QCOMPARE(days[1].values[rec::Date].toString(), QStringLiteral("2003-01-02"));
        const QVariantList& a = days[2].values;
        QCOMPARE(a[rec::Rec].toInt(), 12);
        QCOMPARE(a[rec::Date].toString(), QStringLiteral("2003-05-12"));
        QCOMPARE(a[rec::PlannedStaff].toString(), QStringLiteral("○"));
        QCOMPARE(a[rec::ActualStaff + 29].toString(), QStringLiteral("休"));
        QVERIFY(a[rec::ActualStaff].isNull());
        QCOMPARE(a[rec::ActualVehicle + 9].toInt(), 2);
        QVERIFY(a[rec::PlannedVehicle].isNull());
        QCOMPARE(a[rec::ActualWork].toString(), QString(5000, QChar(u'作')));
        QCOMPARE(a[rec::Night].toInt(), 1);
        QCOMPARE(a[rec::SpotActual].toInt(), 3);
        QCOMPARE(a[rec::StartTime].toString(), QStringLiteral("8:00"));

        // A report added after the import never takes a REC the firm had.
        Database db;
        QVERIFY(!db.open(target));
        QVariantList added(rec::FieldCount);
        added[rec::Date] = QStringLiteral("2003-05-13");
        qint64 rowid = 0;
        QVERIFY(!db.insert(table::DailyReport, added, &rowid));
        QCOMPARE(rowid, 13);

        const QStringList summary = report.summary();
        QVERIFY2(summary.contains(QStringLiteral("VORDA工事: 3 件（2002-12-31 ～ 2003-05-12）")),
                 qPrintable(summary.join(u'\n')));
        QVERIFY(summary.contains(QStringLiteral("車両: 2 件")));
        QVERIFY(summary.filter(QStringLiteral("社員: 3 件"))
                    .join(QString())
                    .contains(QStringLiteral("1 つは取り込みませんでした: メモ")));
        QVERIFY(summary.filter(QStringLiteral("システム: 1 件"))
                    .join(QString())
                    .contains(QStringLiteral("追加")));
    }

    // Rows that cannot be taken as they are: refused naming the table and field, no file
    // made, and a file already at the target never touched.
    void refusesRows_data() {
        QTest::addColumn<int>("fault");
        QTest::addColumn<QString>("says");
        QTest::addRow("a table missing") << 0 << QStringLiteral("次の表がありません: 天候");
        QTest::addRow("too few fields") << 1 << QStringLiteral("表 車両 のフィールドが足りません");
        QTest::addRow("surname not in its place")
            << 2 << QStringLiteral("表 社員 の 2 番目のフィールドが 姓氏 ではありません（氏名）");
        QTest::addRow("no settings key")
            << 3 << QStringLiteral("表 システム にフィールド 番号 がありません");
        QTest::addRow("a date that is none")
            << 4
            << QStringLiteral("表 VORDA工事 の 2 行目の 日付「12/31/02」は日付として読めません");
        QTest::addRow("two rows with one REC") << 5 << QStringLiteral("UNIQUE");
        QTest::addRow("a file at the target") << 6 << QStringLiteral("上書きはしません");
    }
    void refusesRows() {
        QFETCH(int, fault);
        QFETCH(QString, says);
        std::vector<SourceTable> tables = firmTables();
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("新.db"));
        switch (fault) {
        case 0:
            tables.erase(tables.begin() + 7);
            break;
        case 1:
            for (QVariantList& r : tableOf(tables, table::Vehicles).rows)
                r.removeLast();
            tableOf(tables, table::Vehicles).fields.removeLast();
            break;
        case 2:
            tableOf(tables, table::Employees).fields[1] = QStringLiteral("氏名");
            break;
        case 3:
            tableOf(tables, table::System).fields.last() = QStringLiteral("予備");
            break;
        case 4:
            tableOf(tables, table::DailyReport).rows[1][rec::Date] = QStringLiteral("12/31/02");
            break;
        case 5:
            tableOf(tables, table::DailyReport).rows[2][rec::Rec] = 12;
            break;
        case 6:
            QVERIFY(test::writeFile(target, "the firm's file"));
            break;
        }
        ImportReport report;
        const DbError e = writeImport(tables, target, report);
        QVERIFY(e);
        QVERIFY2(e.message.contains(says), qPrintable(e.message));
        QCOMPARE(QFileInfo::exists(target), fault == 6);
        if (fault == 6)
            QCOMPARE(test::readFile(target), QByteArray("the firm's file"));
        QVERIFY(!QFileInfo::exists(importTempPath(target)));
        QVERIFY(!QFileInfo::exists(importTempPath(target) + QStringLiteral("-journal")));
    }
};

QTEST_GUILESS_MAIN(TestMdbImport)
#include "tst_mdb_import.moc"
