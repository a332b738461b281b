// Loading (GTDAT) and registering a full day on files of one and ten years of reports.
// Usage: bench_day [folder]   (the generated files are kept there when a folder is given)

#include "bench_support.h"
#include "core/data/daily_record.h"
#include "core/data/database.h"
#include "core/data/new_database.h"
#include "core/data/schema.h"
#include "core/data/values.h"
#include "core/entry/day_store.h"
#include "report_file.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

using namespace vorda;
using vorda::bench::median;

namespace {

struct Result {
    double load;
    double reg;
    qint64 rows;
};

Result measure(const QString& path, const QDate& date) {
    DayModel day;
    NameCaches names;
    std::vector<double> loads;
    for (int i = 0; i < 200; ++i) {
        QElapsedTimer t;
        t.start();
        if (DbError e = GTDAT(path, date, day, names)) {
            std::fprintf(stderr, "%s\n", qPrintable(e.message));
            std::exit(1);
        }
        loads.push_back(t.nsecsElapsed() / 1e6);
    }
    std::vector<double> regs;
    for (int i = 0; i < 30; ++i) {
        // Every register rewrites all 16 groups and moves balances: the first four columns
        // alternate between a day off and holiday work.
        for (int k = 0; k < kGroupsPerDay; ++k) {
            day.groups[k].remarks = QStringLiteral("回%1").arg(i);
            for (int c = 0; c < 4; ++c)
                day.actual(k).staff[c] = (i + c) % 2 ? QStringLiteral("休") : QStringLiteral("☆");
        }
        QElapsedTimer t;
        t.start();
        if (DbError e = registerDay(path, date, QStringLiteral("晴"), day, names)) {
            std::fprintf(stderr, "%s\n", qPrintable(e.message));
            std::exit(1);
        }
        regs.push_back(t.nsecsElapsed() / 1e6);
    }
    Database db;
    db.open(path);
    qint64 rows = 0;
    db.count(table::DailyReport, {}, rows);
    return {median(loads), median(regs), rows};
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir temp;
    const QString folder = bench::benchFolder(argc, argv, temp);
    const QDate last(2026, 11, 30);
    const int years[2] = {1, 10};
    QString paths[2];
    QDate dates[2];
    for (int i = 0; i < 2; ++i) {
        paths[i] = QDir(folder).filePath(QStringLiteral("bench_%1y.db").arg(years[i]));
        const std::vector<QDate> working = bench::generateReportFile(paths[i], years[i], last);
        dates[i] = working[working.size() / 2];
    }
    // Rounds alternate between the files, so a busy moment of the machine hits both alike.
    std::vector<double> loads[2], regs[2];
    qint64 rows[2] = {0, 0};
    for (int round = 0; round < 5; ++round) {
        for (int i = 0; i < 2; ++i) {
            const Result r = measure(paths[i], dates[i]);
            loads[i].push_back(r.load);
            regs[i].push_back(r.reg);
            rows[i] = r.rows;
        }
    }
    std::printf("%-8s %10s %14s %18s\n", "file", "rows", "GTDAT median", "register median");
    for (int i = 0; i < 2; ++i)
        std::printf("%2d years %10lld %11.3f ms %15.3f ms\n", years[i], qlonglong(rows[i]),
                    median(loads[i]), median(regs[i]));
    std::printf("10 years / 1 year: GTDAT %.2f, register %.2f\n",
                median(loads[1]) / median(loads[0]), median(regs[1]) / median(regs[0]));
    return 0;
}
