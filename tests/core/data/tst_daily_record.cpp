// The daily report row and the day model: all 103 ordinals, clearing, the extra caption.

#include "core/data/daily_record.h"
#include "core/data/database.h"
#include "core/data/schema.h"
#include "support/temp_database.h"

#include <QTest>

using namespace vorda;

namespace {

// A slot with a distinct value in every member, so a swapped ordinal shows.
void fillSlot(DayModel& day, int k) {
    GroupSlot& s = day.groups[k];
    s.jobNumber = 123;
    s.jobName = QStringLiteral("県道八王子線舗装補修工事");
    s.remarks = QStringLiteral("片側交互通行");
    s.client = QStringLiteral("八王子市");
    s.startTime = QStringLiteral("20:00");
    s.endTime = QStringLiteral("05:00");
    s.reserve1 = QStringLiteral("予備一");
    s.reserve2 = QStringLiteral("予備二");
    s.plannedWork = QStringLiteral("舗装版切断");
    s.actualWork = QStringLiteral("舗装版切断・取壊し");
    s.nightFlag = 1;
    s.extraCount = {11, 12};
    s.spotCount = {13, 14};
    for (int c = 0; c < kStaffColumns; ++c) {
        day.planned(k).staff[c] = QString(QChar(u'ア' + c));
        day.actual(k).staff[c] = QString(QChar(u'あ' + c));
    }
    day.planned(k).guards = {21, 22, 0};
    day.actual(k).guards = {23, 24, 0};
    for (int v = 0; v < kVehicleColumns; ++v) {
        day.planned(k).vehicles[v] = qint16(30 + v);
        day.actual(k).vehicles[v] = qint16(40 + v);
    }
    day.extraCaption = QStringLiteral("応援");
}

} // namespace

class TestDailyRecord : public QObject {
    Q_OBJECT
private slots:
    void rowOrdinals() {
        DayModel day;
        fillSlot(day, 3);
        const QVariantList row = slotToRow(day, 3, QDate(2024, 5, 12), QStringLiteral("晴"));
        QCOMPARE(row.size(), 103);
        QCOMPARE(row[0].toString(), QStringLiteral("2024-05-12"));
        QCOMPARE(row[1].toInt(), 123);
        QCOMPARE(row[2].toString(), QStringLiteral("県道八王子線舗装補修工事"));
        QCOMPARE(row[3].toString(), QStringLiteral("片側交互通行"));
        QCOMPARE(row[4].toString(), QStringLiteral("八王子市"));
        QVERIFY(!row[5].isValid()); // REC is never written
        QCOMPARE(row[6].toString(), QStringLiteral("晴"));
        QCOMPARE(row[7].toString(), QStringLiteral("ア"));
        QCOMPARE(row[36].toString(), QString(QChar(u'ア' + 29)));
        QCOMPARE(row[37].toString(), QStringLiteral("あ"));
        QCOMPARE(row[66].toString(), QString(QChar(u'あ' + 29)));
        QCOMPARE(row[67].toInt(), 21);
        QCOMPARE(row[68].toInt(), 22);
        QCOMPARE(row[69].toInt(), 23);
        QCOMPARE(row[70].toInt(), 24);
        QCOMPARE(row[71].toInt(), 30);
        QCOMPARE(row[80].toInt(), 39);
        QCOMPARE(row[81].toInt(), 40);
        QCOMPARE(row[90].toInt(), 49);
        QCOMPARE(row[91].toString(), QStringLiteral("20:00"));
        QCOMPARE(row[92].toString(), QStringLiteral("05:00"));
        QCOMPARE(row[93].toString(), QStringLiteral("予備一"));
        QCOMPARE(row[94].toString(), QStringLiteral("予備二"));
        QCOMPARE(row[95].toString(), QStringLiteral("舗装版切断"));
        QCOMPARE(row[96].toString(), QStringLiteral("舗装版切断・取壊し"));
        QCOMPARE(row[97].toInt(), 1);
        QCOMPARE(row[98].toString(), QStringLiteral("応援"));
        QCOMPARE(row[99].toInt(), 11);
        QCOMPARE(row[100].toInt(), 12);
        QCOMPARE(row[101].toInt(), 13);
        QCOMPARE(row[102].toInt(), 14);
    }

    void fullRowThroughTheFileAndBack() {
        test::TempDatabase t;
        QVERIFY(t.ok());
        Database db;
        VORDA_OPEN(db, t.path());
        DayModel day;
        fillSlot(day, 15);
        qint64 id = 0;
        QVERIFY(!db.insert(table::DailyReport, slotToRow(day, 15, QDate(2024, 5, 12), QStringLiteral("雨")), &id));
        std::vector<Row> rows;
        QVERIFY(!db.select(table::DailyReport, {{rec::Rec, Condition::Op::Eq, id}}, rows));
        QCOMPARE(rows.size(), std::size_t(1));

        DayModel back;
        back.extraCaption = QStringLiteral("前の日");
        rowToSlot(rows[0].values, back, 0);
        DayModel expected = day;
        expected.groups[0] = day.groups[15];
        expected.groups[0].recordNumber = qint32(id);
        expected.lines[0] = day.lines[30];
        expected.lines[1] = day.lines[31];
        const GroupSlot& a = back.groups[0];
        const GroupSlot& e = expected.groups[0];
        QCOMPARE(a.recordNumber, e.recordNumber);
        QCOMPARE(a.jobNumber, e.jobNumber);
        QCOMPARE(a.jobName, e.jobName);
        QCOMPARE(a.remarks, e.remarks);
        QCOMPARE(a.client, e.client);
        QCOMPARE(a.startTime, e.startTime);
        QCOMPARE(a.endTime, e.endTime);
        QCOMPARE(a.reserve1, e.reserve1);
        QCOMPARE(a.reserve2, e.reserve2);
        QCOMPARE(a.plannedWork, e.plannedWork);
        QCOMPARE(a.actualWork, e.actualWork);
        QCOMPARE(a.nightFlag, e.nightFlag);
        QVERIFY(a.extraCount == e.extraCount);
        QVERIFY(a.spotCount == e.spotCount);
        for (int j = 0; j < 2; ++j) {
            QVERIFY(back.lines[j].staff == expected.lines[j].staff);
            QVERIFY(back.lines[j].guards == expected.lines[j].guards);
            QVERIFY(back.lines[j].vehicles == expected.lines[j].vehicles);
        }
        QCOMPARE(back.extraCaption, QStringLiteral("応援"));
    }

    void nullsLoadAsEmptyAndZero() {
        QVariantList row(rec::FieldCount);
        for (QVariant& v : row)
            v = QVariant(QMetaType(QMetaType::QString)); // null, as the engine hands it out
        row[rec::Rec] = 42;
        DayModel day;
        fillSlot(day, 2);
        rowToSlot(row, day, 2);
        QCOMPARE(day.groups[2].recordNumber, 42);
        QCOMPARE(day.groups[2].jobName, QString());
        QCOMPARE(day.groups[2].nightFlag, qint16(0));
        QCOMPARE(day.groups[2].extraCount[0], qint16(0));
        QCOMPARE(day.actual(2).staff[0], QString());
        QCOMPARE(day.planned(2).vehicles[9], qint16(0));
        QCOMPARE(day.actual(2).guards[1], qint16(0));
        QCOMPARE(day.extraCaption, QString());
    }

    void countsReadByTheLeadingNumberRule() {
        QVariantList row(rec::FieldCount);
        row[rec::ExtraPlanned] = QStringLiteral("");
        row[rec::ExtraActual] = QStringLiteral("2.5");
        row[rec::SpotPlanned] = QStringLiteral("3人");
        row[rec::SpotActual] = QStringLiteral("３");
        row[rec::PlannedGuardDay] = QStringLiteral("100000");
        row[rec::Night] = QStringLiteral(" 1 ");
        DayModel day;
        rowToSlot(row, day, 0);
        QCOMPARE(day.groups[0].extraCount[0], qint16(0));
        QCOMPARE(day.groups[0].extraCount[1], qint16(2));
        QCOMPARE(day.groups[0].spotCount[0], qint16(3));
        QCOMPARE(day.groups[0].spotCount[1], qint16(3));
        QCOMPARE(day.planned(0).guards[0], qint16(32767));
        QCOMPARE(day.groups[0].nightFlag, qint16(1));
    }

    void clearKeepsOnlyTheExtraCaption() {
        DayModel day;
        NameCaches names;
        for (int k = 0; k < kGroupsPerDay; ++k)
            fillSlot(day, k);
        day.groups[16] = day.groups[0];
        day.groups[4].deleteFlag = 1;
        day.groups[4].recordNumber = 99;
        day.lines[32].staff[30] = QStringLiteral("○");
        day.lines[32].guards[2] = 5;
        day.lines[32].vehicles[10] = 5;
        day.extraCaption = QStringLiteral("誘導員");
        names.employees[30] = QStringLiteral("木村");
        names.vehicles[10] = QStringLiteral("散水車");

        CLRDIM(day, names);
        for (const GroupSlot& s : day.groups) {
            QCOMPARE(s.deleteFlag, qint16(0));
            QCOMPARE(s.recordNumber, 0);
            QCOMPARE(s.jobNumber, qint16(0));
            QVERIFY(s.jobName.isEmpty() && s.remarks.isEmpty() && s.client.isEmpty());
            QVERIFY(s.startTime.isEmpty() && s.actualWork.isEmpty() && s.reserve2.isEmpty());
            QCOMPARE(s.nightFlag, qint16(0));
            QCOMPARE(s.spotCount[1], qint16(0));
        }
        for (const Line& l : day.lines) {
            for (const QString& c : l.staff)
                QVERIFY(c.isEmpty());
            for (qint16 g : l.guards)
                QCOMPARE(g, qint16(0));
            for (qint16 v : l.vehicles)
                QCOMPARE(v, qint16(0));
        }
        for (const QString& n : names.employees)
            QVERIFY(n.isEmpty());
        for (const QString& n : names.vehicles)
            QVERIFY(n.isEmpty());
        QCOMPARE(day.extraCaption, QStringLiteral("誘導員"));
    }

    void extraCaptionIsCutAndTrimmed_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("stored");
        QTest::newRow("short") << QStringLiteral("応援") << QStringLiteral("応援");
        QTest::newRow("eight characters") << QStringLiteral("交通誘導員応援班") << QStringLiteral("交通誘導員応");
        QTest::newRow("nine characters") << QStringLiteral("123456789") << QStringLiteral("123456");
        QTest::newRow("blanks around") << QStringLiteral("  応援 ") << QStringLiteral("応援");
        QTest::newRow("blank after six") << QStringLiteral("ab cdef gh") << QStringLiteral("ab cde");
        QTest::newRow("cut at a blank") << QStringLiteral("abcde fgh") << QStringLiteral("abcde");
        QTest::newRow("character outside the basic plane") << QStringLiteral("𠮷野家𠮷野家𠮷") << QStringLiteral("𠮷野家𠮷野家");
        QTest::newRow("empty") << QString() << QString();
    }
    void extraCaptionIsCutAndTrimmed() {
        QFETCH(QString, typed);
        QFETCH(QString, stored);
        DayModel day;
        day.extraCaption = typed;
        QCOMPARE(slotToRow(day, 0, QDate(2024, 1, 1), QString())[rec::ExtraCaption].toString(), stored);
    }

    void blankTextsAreStoredAsEmptyNotNull() {
        DayModel day;
        const QVariantList row = slotToRow(day, 0, QDate(2024, 1, 1), QString());
        for (int i : {rec::JobName, rec::Remarks, rec::Weather, rec::PlannedStaff, rec::ActualStaff + 29,
                      rec::StartTime, rec::Reserve1, rec::ActualWork, rec::ExtraCaption}) {
            QVERIFY2(!row[i].isNull(), qPrintable(QString::number(i)));
            QCOMPARE(row[i].toString(), QString());
        }
    }
};

QTEST_GUILESS_MAIN(TestDailyRecord)
#include "tst_daily_record.moc"
