// The monthly operation results on a file of ten years of reports: reading and tallying one
// month against the floor of reading the same rows with one plain query, drawing the sheet,
// and the whole `print monthly` command.
// Usage: bench_monthly [folder]   (the generated file is kept there when a folder is given)

#include "bench_support.h"
#include "core/data/daily_record.h"
#include "core/data/database.h"
#include "core/data/new_database.h"
#include "core/data/schema.h"
#include "core/data/values.h"
#include "core/reports/monthly_results.h"
#include "core/reports/pdf_output.h"
#include "core/reports/recording_printer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

using namespace vorda;
using vorda::bench::check;
using vorda::bench::fail;

namespace {

// Ten years ending on `last`: 300 working days a year, 16 groups a day over 300 projects,
// every kind of the sheet in use (marks, night work, guards, spot workers, vehicles, extra).
void generate(const QString& path, const QDate& last) {
    QFile::remove(path);
    check(createDatabase(path, NewDatabaseOptions()));
    Database db;
    check(db.open(path));
    check(db.beginImmediate());
    for (int i = 0; i < 30; ++i)
        check(db.insert(table::Employees, {QString::number(i), QStringLiteral("社員%1").arg(i),
                                           QString(), 0, 0, 20}));
    for (int v = 0; v < 10; ++v)
        check(db.insert(table::Vehicles, {QString::number(v), QStringLiteral("車両%1").arg(v)}));
    for (int p = 1; p <= 300; ++p)
        check(db.insert(table::Projects, {p, QStringLiteral("工事%1").arg(p)}));
    const QStringList marks = {QStringLiteral("○"), QStringLiteral("△"), QStringLiteral("泊"),
                               QStringLiteral("☆"), QStringLiteral("休")};
    QRandomGenerator rng(13);
    int days = 0;
    for (QDate d = last.addYears(-10).addDays(1); d <= last && days < 3000; d = d.addDays(1)) {
        if (d.dayOfWeek() == 7 || rng.bounded(100) >= 96)
            continue;
        ++days;
        for (int k = 0; k < 16; ++k) {
            QVariantList row(rec::FieldCount);
            row[rec::Date] = toDbDate(d);
            row[rec::JobNumber] = 1 + int(rng.bounded(300));
            row[rec::JobName] = QStringLiteral("工事");
            for (int c = 0; c < 30; ++c)
                row[rec::ActualStaff + c] =
                    rng.bounded(8) == 0 ? marks[rng.bounded(marks.size())] : QString();
            const bool night = rng.bounded(8) == 0;
            row[rec::ActualGuardDay] = night ? 0 : int(rng.bounded(3));
            row[rec::ActualGuardNight] = night ? 1 + int(rng.bounded(2)) : 0;
            for (int v = 0; v < 10; ++v)
                row[rec::ActualVehicle + v] = rng.bounded(5) == 0 ? 1 : 0;
            row[rec::Night] = night ? 1 : 0;
            row[rec::ExtraActual] = QString::number(rng.bounded(3));
            row[rec::SpotActual] = QString::number(rng.bounded(3));
            check(db.insert(table::DailyReport, row));
        }
    }
    check(db.commit());
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

template <typename Work> double timeOf(Work work) {
    QElapsedTimer t;
    t.start();
    work();
    return double(t.nsecsElapsed()) / 1e6;
}

// The floor: open the file and read every value of the period's rows with one plain query.
qint64 plainRead(const QString& path, const Period& period) {
    Database db;
    check(db.open(path));
    QSqlQuery q(db.connection());
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT * FROM %1 WHERE %2 >= ? AND %2 <= ?")
                  .arg(quoteIdentifier(table::DailyReport),
                       quoteIdentifier(db.fieldName(table::DailyReport, rec::Date))));
    q.addBindValue(toDbDate(period.start));
    q.addBindValue(toDbDate(period.end));
    if (!q.exec())
        fail(QStringLiteral("plain query failed"));
    qint64 rows = 0;
    QVariantList values;
    while (q.next()) {
        values.clear();
        for (int i = 0; i < rec::FieldCount; ++i)
            values.append(q.value(i));
        ++rows;
    }
    return rows;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen"); // fonts are measured; no display is needed
    QGuiApplication app(argc, argv);
    QTemporaryDir temp;
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : temp.path();
    QDir().mkpath(folder);
    const QString path = QDir(folder).filePath(QStringLiteral("bench_monthly_10y.db"));
    generate(path, QDate(2026, 11, 30));
    // The same rows on the server, when there is one.
    const QString server = bench::benchServerUrl();
    const QString onServer =
        server.isEmpty() ? QString()
                         : bench::freshServerDatabase(server, QStringLiteral("bench_monthly"));
    if (!onServer.isEmpty())
        generate(onServer, QDate(2026, 11, 30));

    const MonthRequest month{2021, 6, QStringLiteral("6")};
    EraValues era;
    MonthlyResultsData data;
    check(readMonthlyResults(path, month, era, data));
    const qint64 rows = plainRead(path, data.period);

    // Rounds alternate the measures, so a busy moment of the machine hits all alike.
    std::vector<double> compute, floor, draw, pdf, serverCompute;
    for (int round = 0; round < 7; ++round) {
        for (int i = 0; i < 20; ++i) {
            compute.push_back(timeOf([&] {
                MonthlyResultsData d;
                check(readMonthlyResults(path, month, era, d));
            }));
            floor.push_back(timeOf([&] { plainRead(path, data.period); }));
            if (!onServer.isEmpty())
                serverCompute.push_back(timeOf([&] {
                    MonthlyResultsData d;
                    check(readMonthlyResults(onServer, month, era, d));
                }));
            draw.push_back(timeOf([&] {
                RecordingPrinter p;
                drawMonthlyResults(p, PageScale(), data);
            }));
        }
        pdf.push_back(timeOf([&] {
            printToPdf(QDir(folder).filePath(QStringLiteral("bench_monthly.pdf")),
                       [&](Printer& p) { drawMonthlyResults(p, PageScale(), data); });
        }));
    }
    std::printf("month %d-%02d: %lld rows, %zu projects, %zu columns, %d page(s)\n", month.year,
                month.month, qlonglong(rows), data.projects.size(), data.columns.size(),
                monthlyPageCount(data));
    std::printf("read and tally   %8.3f ms\n", median(compute));
    std::printf("plain read floor %8.3f ms   ratio %.2f\n", median(floor),
                median(compute) / median(floor));
    if (!serverCompute.empty()) {
        MonthlyResultsData d;
        check(readMonthlyResults(onServer, month, era, d));
        if (d.projects.size() != data.projects.size() || d.columns.size() != data.columns.size())
            fail(QStringLiteral("the server's month differs from the file's"));
        std::printf("read and tally on the server %8.3f ms   server / file %.2f\n",
                    median(serverCompute), median(serverCompute) / median(compute));
        bench::dropServerDatabase(server, QStringLiteral("bench_monthly"));
    }
    std::printf("draw (recording) %8.3f ms\n", median(draw));
    std::printf("draw to PDF      %8.3f ms\n", median(pdf));

    // The whole command, start-up to the written PDF.
    const QString ini = QDir(folder).filePath(QStringLiteral("bench_monthly.INI"));
    QFile f(ini);
    if (!f.open(QIODevice::WriteOnly))
        fail(QStringLiteral("cannot write %1").arg(ini));
    f.write(path.toUtf8() + "\r\n\r\n 12 \r\n 2 \r\n");
    f.close();
    std::vector<double> command;
    for (int i = 0; i < 15; ++i) {
        command.push_back(timeOf([&] {
            QProcess p;
            p.start(QStringLiteral(VORDA_EXE_PATH),
                    {QStringLiteral("--ini"), ini, QStringLiteral("print"),
                     QStringLiteral("monthly"), QStringLiteral("--year"),
                     QString::number(month.year), QStringLiteral("--month"),
                     QString::number(month.month), QStringLiteral("--out"),
                     QDir(folder).filePath(QStringLiteral("cli.pdf"))});
            if (!p.waitForFinished(30000) || p.exitCode() != 0)
                fail(QString::fromUtf8(p.readAllStandardError()));
        }));
    }
    std::sort(command.begin(), command.end());
    std::printf("print monthly    %8.1f ms (median of 15, %.1f to %.1f)\n", median(command),
                command.front(), command.back());
    return 0;
}
