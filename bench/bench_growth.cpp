// The month's sheets as the project table grows: the same two years of daily reports over
// 300 running projects, once in a file whose project table holds only those 300 and once in
// a file of thirty years of projects (12,500). The monthly operation results, the attendance
// sheet and the period list of the same month must not grow with the project table.
// Usage: bench_growth [folder]   (the generated files are kept there when a folder is given)

#include "bench_support.h"
#include "core/data/daily_record.h"
#include "core/data/database.h"
#include "core/data/new_database.h"
#include "core/data/schema.h"
#include "core/data/values.h"
#include "core/reports/attendance_sheet.h"
#include "core/reports/monthly_results.h"
#include "core/reports/period_list.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <cstdio>

using namespace vorda;
using vorda::bench::check;
using vorda::bench::fail;
using vorda::bench::median;

namespace {

constexpr int kAllProjects = 12500; // thirty years of about 420 projects a year
constexpr int kRunning = 300;       // the projects the reports of the two years name
const QDate kLast(2026, 11, 30);
const MonthRequest kMonth{2026, 6, QStringLiteral("6")};

// Projects `first` to kAllProjects, each with its own name, dates and client; then two years
// to kLast of 16 groups a working day over the last kRunning projects (the same rows, from the
// same seed, in both files).
void generate(const QString& path, int first) {
    QFile::remove(path);
    check(createDatabase(path, NewDatabaseOptions()));
    Database db;
    check(db.open(path));
    check(db.exec(QStringLiteral("PRAGMA synchronous = OFF")));
    check(db.beginImmediate());
    for (int i = 0; i < kStaffColumns; ++i)
        check(db.insert(table::Employees, {QString::number(i), QStringLiteral("社員%1").arg(i),
                                           QString(), 0, 0, 20}));
    for (int v = 0; v < kVehicleColumns; ++v)
        check(db.insert(table::Vehicles, {QString::number(v), QStringLiteral("車両%1").arg(v)}));
    const QDate firstStart = kLast.addYears(-30);
    for (int p = first; p <= kAllProjects; ++p) {
        const QDate start = firstStart.addDays(qint64(p) * 30 * 365 / kAllProjects);
        check(db.insert(table::Projects,
                        {p, QStringLiteral("第%1号 市道改良工事（その%2）").arg(p).arg(p % 7 + 1),
                         toDbDate(start), toDbDate(start.addDays(90 + p % 200)),
                         QStringLiteral("発注者%1").arg(p % 40)}));
    }
    const QStringList marks = {QStringLiteral("○"), QStringLiteral("泊"), QStringLiteral("☆"),
                               QStringLiteral("休"), QStringLiteral("有")};
    QRandomGenerator rng(22);
    for (QDate d = kLast.addYears(-2).addDays(1); d <= kLast; d = d.addDays(1)) {
        if (d.dayOfWeek() == 7)
            continue;
        for (int k = 0; k < 16; ++k) {
            const bool night = rng.bounded(7) == 0;
            QVariantList v(rec::FieldCount);
            v[rec::Date] = toDbDate(d);
            v[rec::JobNumber] = kAllProjects - kRunning + 1 + int(rng.bounded(kRunning));
            v[rec::JobName] = QStringLiteral("工事");
            v[rec::StartTime] = night ? QStringLiteral("20:00") : QStringLiteral("08:00");
            v[rec::EndTime] = night ? QStringLiteral("05:00") : QStringLiteral("17:00");
            v[rec::Night] = night ? 1 : 0;
            for (int c = 0; c < kStaffColumns; ++c) {
                if (c % 16 == k || rng.bounded(40) == 0)
                    v[rec::ActualStaff + c] = marks[rng.bounded(20) == 0 ? rng.bounded(5) : 0];
            }
            v[rec::ActualGuardDay] = night ? 0 : int(rng.bounded(3));
            v[rec::ActualGuardNight] = night ? 1 : 0;
            for (int c = 0; c < kVehicleColumns; ++c)
                v[rec::ActualVehicle + c] = rng.bounded(5) == 0 ? 1 : 0;
            v[rec::SpotActual] = int(rng.bounded(3));
            check(db.insert(table::DailyReport, v));
        }
    }
    check(db.commit());
}

template <typename Work> double timeOf(Work work) {
    QElapsedTimer t;
    t.start();
    work();
    return double(t.nsecsElapsed()) / 1e6;
}

struct Sheets {
    QString path;
    QString project; // a running project's name, for the period list
    std::vector<double> monthly, attendance, period;

    void measure() {
        monthly.push_back(timeOf([&] {
            EraValues era;
            MonthlyResultsData d;
            check(readMonthlyResults(path, kMonth, era, d));
        }));
        attendance.push_back(timeOf([&] {
            EraValues era;
            AttendanceSheetData d;
            check(readAttendanceSheet(path, kMonth, era, d));
        }));
        period.push_back(timeOf([&] {
            EraValues era;
            PeriodListData d;
            check(readPeriodList(path, project, kLast.year(), era, d));
            if (d.empty())
                fail(QStringLiteral("the period list is empty"));
        }));
    }
};

// The whole command, start-up to the written PDF: median of `runs`.
double command(const QString& folder, const QString& path, const QStringList& sheet, int runs) {
    const QString ini = QDir(folder).filePath(QStringLiteral("bench_growth.INI"));
    QFile f(ini);
    if (!f.open(QIODevice::WriteOnly))
        fail(QStringLiteral("cannot write %1").arg(ini));
    f.write(path.toUtf8() + "\r\n\r\n 12 \r\n 2 \r\n");
    f.close();
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        times.push_back(timeOf([&] {
            QProcess p;
            p.start(QStringLiteral(VORDA_EXE_PATH),
                    QStringList{QStringLiteral("--ini"), ini, QStringLiteral("print")} + sheet +
                        QStringList{QStringLiteral("--out"),
                                    QDir(folder).filePath(QStringLiteral("growth.pdf"))});
            if (!p.waitForFinished(30000) || p.exitCode() != 0)
                fail(QString::fromUtf8(p.readAllStandardError()));
        }));
    }
    return median(times);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir temp;
    const QString folder = bench::benchFolder(argc, argv, temp);
    const int firstRunning = kAllProjects - kRunning + 1;
    const QString project = QStringLiteral("第%1号 市道改良工事（その%2）")
                                .arg(kAllProjects - 10)
                                .arg((kAllProjects - 10) % 7 + 1);
    Sheets small{QDir(folder).filePath(QStringLiteral("bench_growth_300.db")), project, {}, {}, {}};
    Sheets large{QDir(folder).filePath(QStringLiteral("bench_growth_30y.db")), project, {}, {}, {}};
    generate(small.path, firstRunning);
    generate(large.path, 1);

    // Rounds alternate the files, so a busy moment of the machine hits both alike.
    for (int round = 0; round < 7; ++round) {
        for (int i = 0; i < 15; ++i) {
            small.measure();
            large.measure();
        }
    }
    std::printf("month %d-%02d, %d projects against %d\n", kMonth.year, kMonth.month, kAllProjects,
                kRunning);
    const struct {
        const char* name;
        std::vector<double> Sheets::*times;
    } measures[] = {{"readMonthlyResults ", &Sheets::monthly},
                    {"readAttendanceSheet", &Sheets::attendance},
                    {"readPeriodList     ", &Sheets::period}};
    for (const auto& m : measures) {
        const double a = median(small.*m.times);
        const double b = median(large.*m.times);
        std::printf("%s  300: %7.2f ms  12,500: %7.2f ms  ratio %.2f\n", m.name, a, b, b / a);
    }
    const QStringList monthly = {QStringLiteral("monthly"), QStringLiteral("--year"),
                                 QString::number(kMonth.year), QStringLiteral("--month"),
                                 QString::number(kMonth.month)};
    const QStringList period = {QStringLiteral("period"), QStringLiteral("--project"), project};
    for (const auto& [name, sheet] :
         {std::pair{"print monthly", monthly}, {"print period ", period}}) {
        const double a = command(folder, small.path, sheet, 9);
        const double b = command(folder, large.path, sheet, 9);
        std::printf(
            "%s  300: %7.1f ms  12,500: %7.1f ms  ratio %.2f (whole command, median of 9)\n", name,
            a, b, b / a);
    }
    return 0;
}
