// Registers of several processes at once, on a file and on a server: two registering the
// same day from the same loaded state (one is refused, nothing is doubled), and five
// registering days of their own for a while (nothing refused, nothing lost). Afterwards every
// balance is its start plus the marks stored.

#include "core/data/schema.h"
#include "core/data/values.h"
#include "core/entry/day_store.h"
#include "support/temp_database.h"
#include "support/test_server.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QTest>
#include <QTextStream>
#include <memory>

using namespace vorda;

namespace {

constexpr int kEmployees = 5;
constexpr int kStartBalance = 10;
const QDate kDay(2024, 5, 13);
const QStringList kMarks = {QString(), QStringLiteral("休"), QStringLiteral("☆"),
                            QStringLiteral("○"), QStringLiteral("◇")};

// A database of the engine the test row names, with five employees: a file in a temporary
// folder or a database of its own on the test server.
struct Firm {
    explicit Firm(const QString& engine) {
        if (engine == QLatin1String("server")) {
            server = std::make_unique<test::TempServerDatabase>();
            if (!server->ok()) {
                message = server->message();
                return;
            }
            location = server->url();
            if (DbError e = createDatabase(location, {})) {
                message = e.message;
                return;
            }
        } else {
            file = std::make_unique<test::TempDatabase>();
            location = file->path();
            message = file->message();
            if (!file->ok())
                return;
        }
        Database db;
        if (DbError e = db.open(location)) {
            message = e.message;
            return;
        }
        for (const char16_t* name : {u"山田", u"佐藤", u"鈴木", u"高橋", u"田中"})
            db.insert(table::Employees, {QStringLiteral("1"), QString::fromUtf16(name), QString(),
                                         0, 0, kStartBalance});
        ok = true;
    }
    ~Firm() { Database::releaseKeptConnections(location); }

    std::unique_ptr<test::TempDatabase> file;
    std::unique_ptr<test::TempServerDatabase> server;
    QString location;
    QString message;
    bool ok = false;
};

// Each balance against its start plus the day-off counts of every actual line stored, read
// in one transaction; empty when they agree.
QString balancesAgainstMarks(const QString& location) {
    Database db;
    if (DbError e = db.open(location))
        return e.message;
    Transaction tx(db);
    if (DbError e = tx.begin())
        return e.message;
    std::vector<Row> rows, staff;
    if (DbError e = db.selectAll(table::DailyReport, rows))
        return e.message;
    if (DbError e = db.selectAll(table::Employees, staff))
        return e.message;
    std::array<qint64, kEmployees> expected;
    expected.fill(kStartBalance);
    for (const Row& r : rows) {
        for (int c = 0; c < kEmployees; ++c)
            expected[c] += dayOffCount(nullSafeText(r.values[rec::ActualStaff + c]));
    }
    QStringList wrong;
    for (int c = 0; c < kEmployees; ++c) {
        const qint64 stored = staff.at(c).values[emp::DaysOffLeft].toLongLong();
        if (stored != expected[c])
            wrong << QStringLiteral("employee %1: %2, marks say %3")
                         .arg(c)
                         .arg(stored)
                         .arg(expected[c]);
    }
    return wrong.join(u'\n');
}

QStringList jobNamesOf(const QString& location, const QDate& date) {
    Database db;
    std::vector<Row> rows;
    if (db.open(location) ||
        db.select(table::DailyReport, {{rec::Date, Condition::Op::Eq, toDbDate(date)}}, rows))
        return {QStringLiteral("unreadable")};
    QStringList names;
    for (const Row& r : rows)
        names << r.values[rec::JobName].toString();
    return names;
}

// Generation g of a day: 1 + g % 4 groups named "<tag><g>-<k>" with random marks; stored
// groups beyond them are deleted, so the day on record is wholly one generation.
void fillGeneration(DayModel& day, const QString& tag, quint32 gen, QRandomGenerator& rng) {
    const int groups = 1 + int(gen % 4);
    for (int k = 0; k < kGroupsPerDay; ++k) {
        GroupSlot& g = day.groups[k];
        if (k >= groups) {
            g.deleteFlag = g.recordNumber != 0 ? 1 : 0;
            g.jobName.clear();
            continue;
        }
        g.jobName = QStringLiteral("%1%2-%3").arg(tag).arg(gen).arg(k);
        for (int c = 0; c < kEmployees; ++c)
            day.actual(k).staff[c] = kMarks[int(rng.bounded(kMarks.size()))];
    }
}

QStringList generation(const QString& tag, quint32 gen) {
    QStringList names;
    for (int k = 0; k < 1 + int(gen % 4); ++k)
        names << QStringLiteral("%1%2-%3").arg(tag).arg(gen).arg(k);
    return names;
}

// One registering process, run by the tests below.
//   once LOCATION DATE TAG: loads the day, says "loaded", waits for a line on its input,
//       registers generation 1 under TAG and says "registered", "changed" or the error.
//   loop LOCATION DATE TAG MS: registers new generations of the day for MS milliseconds,
//       saying "registered GEN" after each commit; any failure ends it with the message.
int child(const QStringList& args) {
    const QString location = args.value(1);
    const QDate date = QDate::fromString(args.value(2), Qt::ISODate);
    const QString tag = args.value(3);
    QTextStream out(stdout);
    QTextStream err(stderr);
    DayModel day;
    NameCaches names;
    if (args.value(0) == QLatin1String("once")) {
        if (DbError e = GTDAT(location, date, day, names)) {
            err << e.message << Qt::endl;
            return 1;
        }
        QRandomGenerator rng(tag.size() + 1);
        fillGeneration(day, tag, 1, rng);
        out << "loaded" << Qt::endl;
        QTextStream(stdin).readLine();
        const DbError e = registerDay(location, date, QStringLiteral("晴"), day, names);
        if (e.kind == DbErrorKind::Changed && e.message == kDayChangedMessage)
            out << "changed" << Qt::endl;
        else if (e)
            err << e.message << Qt::endl;
        else
            out << "registered" << Qt::endl;
        return e && e.kind != DbErrorKind::Changed ? 1 : 0;
    }
    QRandomGenerator rng(qHash(tag));
    QElapsedTimer timer;
    timer.start();
    for (quint32 gen = 1; timer.elapsed() < args.value(4).toInt(); ++gen) {
        DbError e = GTDAT(location, date, day, names);
        if (!e) {
            fillGeneration(day, tag, gen, rng);
            e = registerDay(location, date, QStringLiteral("晴"), day, names);
        }
        if (e) {
            err << e.message << Qt::endl;
            return 1;
        }
        out << "registered " << gen << Qt::endl;
    }
    return 0;
}

QProcess* startChild(const QStringList& args, QObject* parent) {
    auto* p = new QProcess(parent);
    p->start(QCoreApplication::applicationFilePath(), args);
    return p;
}

} // namespace

class TestRegistersTogether : public QObject {
    Q_OBJECT
private slots:
    void twoRegistersOfOneDay_data() {
        test::addEngineColumn();
        QTest::newRow("file") << QStringLiteral("file");
        QTest::newRow("server") << QStringLiteral("server");
    }

    // Both load the day (one stored group) before either registers: the first to take the
    // writer's lock writes its day, the other finds the rows changed and writes nothing.
    void twoRegistersOfOneDay() {
        QFETCH(QString, engine);
        if (engine == QLatin1String("server"))
            VORDA_REQUIRE_SERVER();
        Firm firm(engine);
        QVERIFY2(firm.ok, qPrintable(firm.message));
        {
            DayModel day;
            NameCaches names;
            QVERIFY(!GTDAT(firm.location, kDay, day, names));
            day.groups[0].jobName = QStringLiteral("元");
            day.actual(0).staff[0] = QStringLiteral("休");
            QVERIFY(!registerDay(firm.location, kDay, QStringLiteral("晴"), day, names));
        }
        if (engine == QLatin1String("server")) {
            // Each row written takes a while, so the second register certainly starts
            // while the first is in the middle of its transaction.
            Database db;
            VORDA_OPEN(db, firm.location);
            QVERIFY(!db.exec(
                QStringLiteral("CREATE FUNCTION slow_row() RETURNS trigger LANGUAGE plpgsql AS "
                               "$$ BEGIN PERFORM pg_sleep(0.1); RETURN NEW; END $$")));
            QVERIFY(!db.exec(QStringLiteral("CREATE TRIGGER slow_row BEFORE INSERT OR UPDATE ON "
                                            "\"VORDA工事\" FOR EACH ROW EXECUTE FUNCTION "
                                            "slow_row()")));
        }
        for (int round = 0; round < 3; ++round) {
            QObject owner;
            const QString date = toDbDate(kDay);
            QProcess* a = startChild(
                {QStringLiteral("once"), firm.location, date, QStringLiteral("A%1-").arg(round)},
                &owner);
            QProcess* b = startChild(
                {QStringLiteral("once"), firm.location, date, QStringLiteral("B%1-").arg(round)},
                &owner);
            for (QProcess* p : {a, b}) {
                QVERIFY2(p->waitForReadyRead(20000), p->readAllStandardError().constData());
                QCOMPARE(p->readLine().trimmed(), QByteArray("loaded"));
            }
            // QProcess writes only while waiting: both are let go before either is awaited.
            for (QProcess* p : {a, b})
                p->write("go\n");
            for (QProcess* p : {a, b})
                QVERIFY(p->waitForBytesWritten(10000));
            QStringList said;
            for (QProcess* p : {a, b}) {
                QVERIFY(p->waitForFinished(30000));
                QVERIFY2(p->exitCode() == 0, p->readAllStandardError().constData());
                said << QString::fromUtf8(p->readAllStandardOutput()).trimmed();
            }
            said.sort();
            QCOMPARE(said, QStringList({QStringLiteral("changed"), QStringLiteral("registered")}));
            // The day is wholly the winner's generation: no row of the other, none twice.
            const QStringList names = jobNamesOf(firm.location, kDay);
            const QString winner = names.value(0).left(3);
            QCOMPARE(names, generation(winner, 1));
            QCOMPARE(balancesAgainstMarks(firm.location), QString());
        }
    }

    void fiveProcessesOnDaysOfTheirOwn_data() {
        test::addEngineColumn();
        QTest::newRow("file") << QStringLiteral("file");
        QTest::newRow("server") << QStringLiteral("server");
    }

    // For a few seconds each registers its own day again and again: no one is refused or
    // fails, and each day holds the last generation its process committed.
    void fiveProcessesOnDaysOfTheirOwn() {
        QFETCH(QString, engine);
        if (engine == QLatin1String("server"))
            VORDA_REQUIRE_SERVER();
        Firm firm(engine);
        QVERIFY2(firm.ok, qPrintable(firm.message));
        QObject owner;
        QList<QProcess*> children;
        for (int i = 0; i < 5; ++i)
            children << startChild({QStringLiteral("loop"), firm.location,
                                    toDbDate(kDay.addDays(i)), QStringLiteral("P%1-").arg(i),
                                    QStringLiteral("2500")},
                                   &owner);
        int total = 0;
        for (int i = 0; i < 5; ++i) {
            QProcess* p = children[i];
            QVERIFY(p->waitForFinished(60000));
            QVERIFY2(p->exitStatus() == QProcess::NormalExit && p->exitCode() == 0,
                     p->readAllStandardError().constData());
            const QList<QByteArray> lines = p->readAllStandardOutput().trimmed().split('\n');
            QVERIFY(lines.size() >= 1 && lines.back().startsWith("registered "));
            total += int(lines.size());
            const quint32 last = lines.back().mid(11).toUInt();
            QCOMPARE(jobNamesOf(firm.location, kDay.addDays(i)),
                     generation(QStringLiteral("P%1-").arg(i), last));
        }
        QVERIFY2(total >= 10, qPrintable(QString::number(total)));
        QCOMPARE(balancesAgainstMarks(firm.location), QString());
    }
};

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.value(0) == QLatin1String("once") || args.value(0) == QLatin1String("loop"))
        return child(args);
    TestRegistersTogether test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_registers_together.moc"
