// The monthly attendance sheet on a file of ten years of reports: the computation of one
// month (open, settings, employees, marks, the period's rows, cells and totals) against the
// floor of reading and decoding the same rows with one plain query, and the whole command
// `vorda print attendance … --out FILE.pdf`; and the annual attendance of all 30 employees,
// `vorda print annual --year 2021 --out FILE.pdf` (30 sheets of a whole business year).
// Usage: bench_attendance [folder]   (the generated file is kept there when a folder is given)

#include "bench_support.h"
#include "core/data/daily_record.h"
#include "core/data/database.h"
#include "core/data/new_database.h"
#include "core/data/schema.h"
#include "core/data/values.h"
#include "core/reports/attendance_sheet.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

using namespace vorda;
using vorda::bench::fail;
using vorda::bench::median;

namespace {

// Ten years to `last`: 300 working days a year, 16 groups a day, every employee in one or
// two groups, one group in seven by night, now and then a day off or holiday work.
void generate(const QString& path, const QDate& last) {
    QFile::remove(path);
    if (DbError e = createDatabase(path, NewDatabaseOptions{}))
        fail(e.message);
    Database db;
    if (DbError e = db.open(path))
        fail(e.message);
    db.beginImmediate();
    for (int i = 0; i < kStaffColumns; ++i)
        db.insert(table::Employees,
                  {QString::number(i), QStringLiteral("社員%1").arg(i), QString(), 0, 0, 20});
    const QString marks[] = {QStringLiteral("○"), QStringLiteral("泊"), QStringLiteral("☆"),
                             QStringLiteral("休")};
    QRandomGenerator rng(14);
    int days = 0;
    for (QDate d = last.addYears(-10).addDays(1); d <= last && days < 3000; d = d.addDays(1)) {
        if (d.dayOfWeek() == 7 || rng.bounded(100) >= 96)
            continue;
        ++days;
        for (int k = 0; k < 16; ++k) {
            const bool night = rng.bounded(7) == 0;
            QVariantList v(rec::FieldCount, QString());
            v[rec::Rec] = QVariant();
            v[rec::Date] = toDbDate(d);
            v[rec::JobNumber] = 1 + int(rng.bounded(300));
            v[rec::JobName] = QStringLiteral("工事%1").arg(v[rec::JobNumber].toInt());
            v[rec::StartTime] = night ? QStringLiteral("20:00") : QStringLiteral("08:00");
            v[rec::EndTime] = night ? QStringLiteral("05:00") : QStringLiteral("17:00");
            v[rec::Night] = night ? 1 : 0;
            for (int c = 0; c < kStaffColumns; ++c) {
                if (c % 16 == k || rng.bounded(40) == 0)
                    v[rec::ActualStaff + c] = marks[rng.bounded(20) == 0 ? rng.bounded(4) : 0];
            }
            db.insert(table::DailyReport, v);
        }
    }
    db.commit();
}

double msSince(const QElapsedTimer& t) {
    return double(t.nsecsElapsed()) / 1e6;
}

// The floor: a plain connection, one query over the period, every field of every row
// decoded (texts as text), nothing else.
double readFloor(const QString& path, const Period& p, int& rows) {
    QElapsedTimer t;
    t.start();
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("floor"));
        db.setDatabaseName(path);
        if (!db.open())
            fail(QStringLiteral("floor: cannot open"));
        QSqlQuery q(db);
        q.setForwardOnly(true);
        q.prepare(QStringLiteral("SELECT rowid, * FROM \"VORDA工事\" WHERE \"日付\" >= ? AND "
                                 "\"日付\" <= ? ORDER BY rowid"));
        q.addBindValue(toDbDate(p.start));
        q.addBindValue(toDbDate(p.end));
        q.exec();
        rows = 0;
        qsizetype chars = 0;
        while (q.next()) {
            for (int i = 1; i <= rec::FieldCount; ++i)
                chars += q.value(i).toString().size();
            ++rows;
        }
        if (chars == 0)
            fail(QStringLiteral("floor: nothing read"));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("floor"));
    return msSince(t);
}

double compute(const QString& path, int& rows) {
    QElapsedTimer t;
    t.start();
    EraValues era;
    AttendanceSheetData data;
    if (DbError e = readAttendanceSheet(path, {2021, 6, QStringLiteral("6")}, era, data))
        fail(e.message);
    rows = data.reportRows;
    return msSince(t);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir temp;
    const QString folder = bench::benchFolder(argc, argv, temp);
    const QString path = QDir(folder).filePath(QStringLiteral("bench_attendance_10y.db"));
    generate(path, QDate(2026, 11, 30));
    const Period period = monthClosingPeriod(2021, 6, 31);
    // The same rows on the server, when there is one.
    const QString server = bench::benchServerUrl();
    const QString onServer =
        server.isEmpty() ? QString()
                         : bench::freshServerDatabase(server, QStringLiteral("bench_attendance"));
    if (!onServer.isEmpty())
        generate(onServer, QDate(2026, 11, 30));

    // Rounds alternate between the two, so a busy moment of the machine hits both alike.
    std::vector<double> floors, computes, serverComputes;
    int floorRows = 0, computeRows = 0, serverRows = 0;
    for (int round = 0; round < 5; ++round) {
        std::vector<double> f, c, s;
        for (int i = 0; i < 40; ++i) {
            f.push_back(readFloor(path, period, floorRows));
            c.push_back(compute(path, computeRows));
            if (!onServer.isEmpty())
                s.push_back(compute(onServer, serverRows));
        }
        floors.push_back(median(f));
        computes.push_back(median(c));
        if (!s.empty())
            serverComputes.push_back(median(s));
    }
    if (!onServer.isEmpty() && serverRows != computeRows)
        fail(QStringLiteral("the server's month has %1 rows, the file's %2")
                 .arg(serverRows)
                 .arg(computeRows));
    if (floorRows != computeRows)
        fail(
            QStringLiteral("the floor read %1 rows, the sheet %2").arg(floorRows).arg(computeRows));

    // The whole command, as the office runs it.
    const QString exe = QStringLiteral(VORDA_EXE_PATH);
    const QString ini = QDir(folder).filePath(QStringLiteral("bench_attendance.INI"));
    QProcess::execute(exe, {QStringLiteral("--ini"), ini, QStringLiteral("set-data"), path});
    const QString pdf = QDir(folder).filePath(QStringLiteral("bench_attendance.pdf"));
    std::vector<double> commands;
    for (int i = 0; i < 15; ++i) {
        QElapsedTimer t;
        t.start();
        const int rc = QProcess::execute(
            exe, {QStringLiteral("--ini"), ini, QStringLiteral("print"),
                  QStringLiteral("attendance"), QStringLiteral("--year"), QStringLiteral("2021"),
                  QStringLiteral("--month"), QStringLiteral("6"), QStringLiteral("--out"), pdf});
        commands.push_back(msSince(t));
        if (rc != 0)
            fail(QStringLiteral("print attendance failed: %1").arg(rc));
    }
    std::sort(commands.begin(), commands.end());

    // The annual attendance of every employee: a business year's rows, 30 sheets.
    const QString annualPdf = QDir(folder).filePath(QStringLiteral("bench_annual.pdf"));
    std::vector<double> annual;
    for (int i = 0; i < 7; ++i) {
        QElapsedTimer t;
        t.start();
        const int rc =
            QProcess::execute(exe, {QStringLiteral("--ini"), ini, QStringLiteral("print"),
                                    QStringLiteral("annual"), QStringLiteral("--year"),
                                    QStringLiteral("2021"), QStringLiteral("--out"), annualPdf});
        annual.push_back(msSince(t));
        if (rc != 0)
            fail(QStringLiteral("print annual failed: %1").arg(rc));
    }
    std::sort(annual.begin(), annual.end());

    std::printf("month 2021-06 of the 10-year file: %d rows\n", computeRows);
    std::printf("floor (plain query, all fields decoded) %8.3f ms\n", median(floors));
    std::printf("attendance computation                  %8.3f ms\n", median(computes));
    std::printf("ratio                                   %8.2f\n",
                median(computes) / median(floors));
    if (!serverComputes.empty()) {
        std::printf("attendance computation on the server   %8.3f ms\n", median(serverComputes));
        std::printf("server / file                           %8.2f\n",
                    median(serverComputes) / median(computes));
        bench::dropServerDatabase(server, QStringLiteral("bench_attendance"));
    }
    std::printf("print attendance --out (whole process)  %8.1f ms median (%.1f to %.1f)\n",
                median(commands), commands.front(), commands.back());
    std::printf("print annual --year 2021, 30 sheets     %8.1f ms median (%.1f to %.1f)\n",
                median(annual), annual.front(), annual.back());
    return 0;
}
