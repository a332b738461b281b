// The value rules every screen and sheet relies on.

#include "core/data/values.h"

#include <QTest>
#include <limits>

using namespace vorda;

class TestValues : public QObject {
    Q_OBJECT
private slots:
    void leadingNumber_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("count");
        QTest::newRow("empty") << QString() << 0;
        QTest::newRow("plain") << QStringLiteral("12") << 12;
        QTest::newRow("trailing letters") << QStringLiteral("12abc") << 12;
        QTest::newRow("blanks anywhere") << QStringLiteral(" 1 2 ") << 12;
        QTest::newRow("letters first") << QStringLiteral("abc12") << 0;
        QTest::newRow("negative") << QStringLiteral("-3") << -3;
        QTest::newRow("half rounds to even, down") << QStringLiteral("2.5") << 2;
        QTest::newRow("half rounds to even, up") << QStringLiteral("3.5") << 4;
        QTest::newRow("just below half") << QStringLiteral("0.49") << 0;
        QTest::newRow("leading point") << QStringLiteral(".6") << 1;
        QTest::newRow("exponent") << QStringLiteral("1e2") << 100;
        QTest::newRow("dangling exponent") << QStringLiteral("7e") << 7;
        QTest::newRow("full-width digit") << QStringLiteral("３") << 3;
        QTest::newRow("full-width digits and point") << QStringLiteral("１２．５") << 12;
        QTest::newRow("full-width blank") << QStringLiteral("　４") << 4;
        QTest::newRow("second sign stops") << QStringLiteral("5-3") << 5;
        QTest::newRow("saturates high") << QStringLiteral("99999") << 32767;
        QTest::newRow("saturates low") << QStringLiteral("-99999") << -32768;
        QTest::newRow("beyond double") << QStringLiteral("1e999") << 32767;
        QTest::newRow("time text") << QStringLiteral("08:30") << 8;
    }
    void leadingNumber() {
        QFETCH(QString, text);
        QFETCH(int, count);
        QCOMPARE(int(countOf(text)), count);
    }

    void countOfStoredValues() {
        QCOMPARE(countOf(QVariant()), qint16(0));
        QCOMPARE(countOf(QVariant(qlonglong(7))), qint16(7));
        QCOMPARE(countOf(QVariant(4.5)), qint16(4));
        QCOMPARE(countOf(QVariant(QStringLiteral("9人"))), qint16(9));
        QCOMPARE(countOf(QVariant(qlonglong(70000))), qint16(32767));
        // Identities (project numbers) are kept whole; only counts saturate.
        QCOMPARE(storedNumber(QVariant(qlonglong(70000))), qint64(70000));
        QCOMPARE(storedNumber(QVariant(QStringLiteral(" 40000"))), qint64(40000));
        QCOMPARE(storedNumber(QVariant(QStringLiteral("9223372036854775807"))),
                 qint64(9223372036854775807));
        QCOMPARE(storedNumber(QVariant(QStringLiteral("50000号"))), qint64(50000));
        QCOMPARE(storedNumber(QVariant(1e300)), std::numeric_limits<qint64>::max());
        QCOMPARE(storedNumber(QVariant(QMetaType(QMetaType::QString))), qint64(0));
    }

    void nullSafeText() {
        QCOMPARE(vorda::nullSafeText(QVariant()), QString());
        QCOMPARE(vorda::nullSafeText(QVariant(QMetaType(QMetaType::QString))), QString());
        QCOMPARE(vorda::nullSafeText(QVariant(qlonglong(12))), QStringLiteral("12"));
        QCOMPARE(vorda::nullSafeText(QVariant(QStringLiteral("休"))), QStringLiteral("休"));
    }

    void monthClosingPeriod_data() {
        QTest::addColumn<int>("year");
        QTest::addColumn<int>("month");
        QTest::addColumn<int>("closingDay");
        QTest::addColumn<QDate>("start");
        QTest::addColumn<QDate>("end");
        QTest::newRow("20th of March")
            << 2023 << 3 << 20 << QDate(2023, 2, 21) << QDate(2023, 3, 20);
        QTest::newRow("31 in April closes on the 30th")
            << 2023 << 4 << 31 << QDate(2023, 4, 1) << QDate(2023, 4, 30);
        QTest::newRow("31 in May starts on the 1st")
            << 2023 << 5 << 31 << QDate(2023, 5, 1) << QDate(2023, 5, 31);
        QTest::newRow("29 in March, leap year")
            << 2024 << 3 << 29 << QDate(2024, 3, 1) << QDate(2024, 3, 29);
        QTest::newRow("30 in March, common year")
            << 2023 << 3 << 30 << QDate(2023, 3, 1) << QDate(2023, 3, 30);
        QTest::newRow("30 in February, leap")
            << 2024 << 2 << 30 << QDate(2024, 1, 31) << QDate(2024, 2, 29);
        QTest::newRow("30 in February, common")
            << 2023 << 2 << 30 << QDate(2023, 1, 31) << QDate(2023, 2, 28);
        QTest::newRow("20th of January crosses the year")
            << 2024 << 1 << 20 << QDate(2023, 12, 21) << QDate(2024, 1, 20);
        QTest::newRow("month 13") << 2023 << 13 << 20 << QDate(2023, 12, 21) << QDate(2024, 1, 20);
        QTest::newRow("day 0 closes on the 1st")
            << 2023 << 3 << 0 << QDate(2023, 2, 2) << QDate(2023, 3, 1);
    }
    void monthClosingPeriod() {
        QFETCH(int, year);
        QFETCH(int, month);
        QFETCH(int, closingDay);
        QFETCH(QDate, start);
        QFETCH(QDate, end);
        const Period p = vorda::monthClosingPeriod(year, month, closingDay);
        QCOMPARE(p.start, start);
        QCOMPARE(p.end, end);
    }

    void dateWithCarry() {
        QCOMPARE(vorda::dateWithCarry(2023, 4, 31), QDate(2023, 5, 1));
        QCOMPARE(vorda::dateWithCarry(2023, 13, 1), QDate(2024, 1, 1));
        QCOMPARE(vorda::dateWithCarry(2023, 0, 15), QDate(2022, 12, 15));
        QCOMPARE(vorda::dateWithCarry(2024, 3, 0), QDate(2024, 2, 29));
    }

    void eraYear() {
        QCOMPARE(eraYearPlain(2024, 2018), QStringLiteral("6"));
        QCOMPARE(eraYearPadded(2024, 2018), QStringLiteral(" 6"));
        QCOMPARE(eraYearPadded(2030, 2018), QStringLiteral("12"));
        // Heisei 31 printed on a two-place sheet keeps its last two characters.
        QCOMPARE(eraYearPadded(2019, 1988), QStringLiteral("31"));
        QCOMPARE(eraYearPadded(2120, 2018), QStringLiteral("02"));
    }

    void alignment() {
        QCOMPARE(rightAlignKeepLast(QStringLiteral("1234"), 3), QStringLiteral("234"));
        QCOMPARE(rightAlignKeepLast(QStringLiteral("7"), 3), QStringLiteral("  7"));
        QCOMPARE(rightAlignKeepFirst(QStringLiteral("8:00"), 5), QStringLiteral(" 8:00"));
        QCOMPARE(rightAlignKeepFirst(QStringLiteral("08:00pm"), 5), QStringLiteral("08:00"));
        // Characters, not code units: 𠮷 is one character of two units.
        const QString name = QStringLiteral("𠮷野家の工事");
        QCOMPARE(leftChars(name, 1), QStringLiteral("𠮷"));
        QCOMPARE(midChars(name, 1, 2), QStringLiteral("野家"));
        QCOMPARE(midChars(name, 0, 2), QStringLiteral("𠮷野"));
        QCOMPARE(midChars(name, 5, 3), QStringLiteral("事"));
        QCOMPARE(midChars(name, 9, 3), QString());
    }

    void weekday() {
        QCOMPARE(weekdayChar(QDate(2003, 2, 2)), QStringLiteral("日"));
        QCOMPARE(weekdayChar(QDate(2003, 2, 3)), QStringLiteral("月"));
        QCOMPARE(weekdayChar(QDate(2003, 2, 8)), QStringLiteral("土"));
        QCOMPARE(weekdayChar(QDate()), QString());
    }

    void dbDates() {
        QCOMPARE(toDbDate(QDate(2003, 5, 12)), QStringLiteral("2003-05-12"));
        QCOMPARE(fromDbDate(QStringLiteral("2003-05-12")), QDate(2003, 5, 12));
        QCOMPARE(fromDbDate(QStringLiteral("2003-05-12 00:00:00")), QDate(2003, 5, 12));
        QVERIFY(!fromDbDate(QVariant()).isValid());
    }
};

QTEST_GUILESS_MAIN(TestValues)
#include "tst_values.moc"
