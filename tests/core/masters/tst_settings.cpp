// The system settings row and the trade name row: how they read as texts, what is written
// back, and that a value the file cannot hold writes nothing at all.

#include "core/data/schema.h"
#include "core/masters/settings.h"
#include "support/files.h"
#include "support/temp_database.h"

#include <QSqlQuery>
#include <QTest>

using namespace vorda;

namespace {

// The system row's fields by ordinal, or nothing when there is no row with 番号 = 1.
QVariantList systemRow(const QString& path) {
    Database db;
    std::vector<Row> rows;
    if (db.open(path) || db.select(table::System, {{sys::Key, Condition::Op::Eq, 1}}, rows, 1) ||
        rows.empty())
        return {};
    return rows[0].values;
}

// What a statement's first value reads as, or "failed".
QString firstValue(const QString& path, const QString& sql) {
    Database db;
    if (db.open(path))
        return QString();
    QSqlQuery q(db.connection());
    return q.exec(sql) && q.next() ? q.value(0).toString() : QStringLiteral("failed");
}

// The type of the value stored in the table's first row: "text", "null", a number's type.
QString storedType(const QString& path, const QString& table, const QString& field) {
    const QString f = quoteIdentifier(field);
    return firstValue(path, (isServerLocation(path)
                                 ? QStringLiteral("SELECT CASE WHEN %1 IS NULL THEN 'null' ELSE "
                                                  "pg_typeof(%1)::text END FROM %2")
                                 : QStringLiteral("SELECT typeof(%1) FROM %2"))
                                .arg(f, quoteIdentifier(table)));
}

SystemSettingsTexts goodTexts() {
    return {"20", "25", "12", "20", "08:30", "08:00", "21:00", "令和", "2018"};
}

} // namespace

class TestSettings : public QObject {
    Q_OBJECT
private slots:
    void yearEndSplitsAtTheFirstSlash_data() {
        test::addEngineColumn();
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<QString>("month");
        QTest::addColumn<QString>("day");
        for (const char* engine : test::kEngines) {
            test::engineRow(engine, "3/31") << QVariant(QStringLiteral("3/31")) << "3"
                                            << "31";
            test::engineRow(engine, "later slashes dropped")
                << QVariant(QStringLiteral("12/2/0")) << "12"
                << "20";
            test::engineRow(engine, "no slash") << QVariant(QStringLiteral("331")) << "331"
                                                << "";
            test::engineRow(engine, "leading slash") << QVariant(QStringLiteral("/5")) << ""
                                                     << "5";
            test::engineRow(engine, "null") << QVariant() << ""
                                            << "";
        }
    }

    void yearEndSplitsAtTheFirstSlash() {
        QFETCH(QVariant, stored);
        QFETCH(QString, engine);
        test::TempDatabase t(engine);
        VORDA_READY(t);
        {
            Database db;
            VORDA_OPEN(db, t.path());
            QVERIFY(
                !db.exec(QStringLiteral("UPDATE \"システム\" SET \"年度終了日\" = ?"), {stored}));
        }
        SystemSettingsTexts s;
        QVERIFY(!readSystemSettings(t.path(), s));
        QFETCH(QString, month);
        QFETCH(QString, day);
        QCOMPARE(s.yearEndMonth, month);
        QCOMPARE(s.yearEndDay, day);
    }

    void readAndWriteBackTheRow_data() { test::engineRows(); }
    void readAndWriteBackTheRow() {
        QFETCH(QString, engine);
        test::TempDatabase t(engine);
        VORDA_READY(t);
        {
            Database db;
            VORDA_OPEN(db, t.path());
            QVERIFY(!db.exec(QStringLiteral("UPDATE \"システム\" SET \"予備1\" = 'keep'")));
        }
        SystemSettingsTexts s;
        QVERIFY(!readSystemSettings(t.path(), s));
        const SystemSettingsTexts expected = {"31",    "31",    "3",    "31",  "08:00",
                                              "08:00", "20:00", "令和", "2018"};
        QCOMPARE(s, expected);

        // Typed through an input method, with blanks: stored as the numbers they are.
        s.monthlyClosingDay = QStringLiteral("２０");
        s.yearEndDay = QStringLiteral(" 30 ");
        s.nightStart = QString();
        QVERIFY(!writeSystemSettings(t.path(), s));
        const QVariantList row = systemRow(t.path());
        QCOMPARE(row.value(sys::MonthlyClosingDay), QVariant(qlonglong(20)));
        QCOMPARE(row.value(sys::YearEnd).toString(), QStringLiteral("3/30"));
        QCOMPARE(row.value(sys::EraOffset), QVariant(qlonglong(2018)));
        QCOMPARE(row.value(3).toString(), QStringLiteral("keep")); // fields the screen lacks stay
        QCOMPARE(storedType(t.path(), table::System, QStringLiteral("夜間開始時間")),
                 QStringLiteral("text"));
        QCOMPARE(firstValue(t.path(), QStringLiteral("SELECT count(*) FROM \"システム\"")),
                 QStringLiteral("1"));
    }

    void aMissingRowIsAddedWithKeyOne_data() {
        test::addEngineColumn();
        QTest::addColumn<QString>("sql");
        for (const char* engine : test::kEngines) {
            test::engineRow(engine, "empty table") << "DELETE FROM \"システム\"";
            // Another row keeps a higher number: the new one must still be found by 番号 = 1.
            test::engineRow(engine, "only row 5") << "UPDATE \"システム\" SET \"番号\" = 5";
        }
    }

    void aMissingRowIsAddedWithKeyOne() {
        QFETCH(QString, engine);
        test::TempDatabase t(engine);
        VORDA_READY(t);
        QFETCH(QString, sql);
        {
            Database db;
            VORDA_OPEN(db, t.path());
            QVERIFY(!db.exec(sql));
        }
        SystemSettingsTexts s;
        QVERIFY(!readSystemSettings(t.path(), s));
        QCOMPARE(s, SystemSettingsTexts());
        QVERIFY(!writeSystemSettings(t.path(), goodTexts()));
        QCOMPARE(systemRow(t.path()).value(sys::YearEnd).toString(), QStringLiteral("12/20"));
        QVERIFY(!readSystemSettings(t.path(), s));
        QCOMPARE(s, goodTexts());
    }

    void theTimesFollowStartOfWork_data() { test::engineRows(); }
    void theTimesFollowStartOfWork() {
        QFETCH(QString, engine);
        test::TempDatabase t(engine);
        VORDA_READY(t);
        Database db;
        VORDA_OPEN(db, t.path());
        SystemSettingsTexts s;
        QVERIFY(!db.exec(QStringLiteral("UPDATE \"システム\" SET \"始業時間\" = NULL")));
        QVERIFY(!readSystemSettings(t.path(), s));
        QCOMPARE(s.startOfWork + s.workingTime + s.nightStart, QString());
        QCOMPARE(s.eraName, QStringLiteral("令和"));
        // A start cleared to the empty text is stored, not missing: the other two show.
        QVERIFY(!db.exec(QStringLiteral("UPDATE \"システム\" SET \"始業時間\" = ''")));
        QVERIFY(!readSystemSettings(t.path(), s));
        QCOMPARE(s.workingTime, QStringLiteral("08:00"));
        QCOMPARE(s.nightStart, QStringLiteral("20:00"));
    }

    void aValueTheFileCannotHoldWritesNothing_data() {
        QTest::addColumn<int>("member");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("named");
        const int closing = int(SettingsField::MonthlyClosingDay);
        QTest::newRow("closing day 0") << 0 << "0" << closing << "月報締日";
        QTest::newRow("closing day 32") << 0 << "32" << closing << "月報締日";
        QTest::newRow("closing day empty") << 0 << "" << closing << "月報締日";
        QTest::newRow("closing day with a word") << 0 << "20日" << closing << "月報締日";
        QTest::newRow("closing day fraction") << 0 << "20.5" << closing << "月報締日";
        QTest::newRow("attendance day -1")
            << 1 << "-1" << int(SettingsField::AttendanceClosingDay) << "出勤表締日";
        QTest::newRow("month 13") << 2 << "13" << int(SettingsField::YearEndMonth)
                                  << "年度終了日の月";
        QTest::newRow("month 0") << 2 << "0" << int(SettingsField::YearEndMonth)
                                 << "年度終了日の月";
        QTest::newRow("day 32") << 3 << "32" << int(SettingsField::YearEndDay) << "年度終了日の日";
        QTest::newRow("era offset text")
            << 4 << "平成" << int(SettingsField::EraOffset) << "西暦－元号";
        QTest::newRow("era offset empty")
            << 4 << "" << int(SettingsField::EraOffset) << "西暦－元号";
        QTest::newRow("era offset beyond 16 bits")
            << 4 << "40000" << int(SettingsField::EraOffset) << "西暦－元号";
    }

    void aValueTheFileCannotHoldWritesNothing() {
        QFETCH(int, member);
        QFETCH(QString, text);
        QFETCH(int, field);
        QFETCH(QString, named);
        test::TempDatabase t;
        QVERIFY(t.ok());
        SystemSettingsTexts s = goodTexts();
        QString* members[] = {&s.monthlyClosingDay, &s.attendanceClosingDay, &s.yearEndMonth,
                              &s.yearEndDay, &s.eraOffset};
        *members[member] = text;
        const auto problem = checkSystemSettings(s);
        QVERIFY(problem);
        QCOMPARE(int(problem->field), field);
        QVERIFY2(problem->message.startsWith(named), qPrintable(problem->message));
        const QByteArray before = test::fileHash(t.path());
        const DbError e = writeSystemSettings(t.path(), s);
        QCOMPARE(e.message, problem->message);
        QCOMPARE(test::fileHash(t.path()), before);
    }

    void boundaryValuesAreTaken() {
        SystemSettingsTexts s = goodTexts();
        s.monthlyClosingDay = QStringLiteral("1");
        s.attendanceClosingDay = QStringLiteral("31");
        s.yearEndMonth = QStringLiteral("１２");
        s.yearEndDay = QStringLiteral("1");
        s.eraOffset = QStringLiteral("-5");
        QVERIFY(!checkSystemSettings(s));
    }

    void tradeNameRow_data() { test::engineRows(); }
    void tradeNameRow() {
        QFETCH(QString, engine);
        test::TempDatabase t(engine, true);
        VORDA_READY(t);
        TradeNameTexts texts;
        QVERIFY(!readTradeName(t.path(), texts));
        QCOMPARE(texts[0], QStringLiteral("株式会社 北斗建設"));
        QCOMPARE(texts[8], QStringLiteral("山田 一郎"));
        texts[0] = QStringLiteral("有限会社 O'Brien工務店");
        texts[6] = QString();
        QVERIFY(!writeTradeName(t.path(), texts));
        TradeNameTexts again;
        QVERIFY(!readTradeName(t.path(), again));
        QCOMPARE(again, texts);
        QCOMPARE(storedType(t.path(), table::TradeName, QStringLiteral("FAX")),
                 QStringLiteral("text"));

        // No row at all: empty texts, and registering adds the one row.
        {
            Database db;
            VORDA_OPEN(db, t.path());
            QVERIFY(!db.exec(QStringLiteral("DELETE FROM \"屋号\"")));
        }
        QVERIFY(!readTradeName(t.path(), again));
        QCOMPARE(again, TradeNameTexts());
        QVERIFY(!writeTradeName(t.path(), texts));
        QVERIFY(!writeTradeName(t.path(), texts));
        QCOMPARE(firstValue(t.path(), QStringLiteral("SELECT count(*) FROM \"屋号\"")),
                 QStringLiteral("1"));
        QVERIFY(!readTradeName(t.path(), again));
        QCOMPARE(again, texts);
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
