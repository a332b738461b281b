// Loading (GTDAT) and registering a full day on files of one and ten years of reports,
// against the floor of the same writes done by SQLite with statements prepared once; with a
// server (VORDA_BENCH_SERVER_URL), the same on databases of the same rows on the server.
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
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <ctime>

using namespace vorda;
using vorda::bench::check;
using vorda::bench::fail;
using vorda::bench::median;

namespace {

struct Result {
    double load;
    double reg;
    double regCpu;
    qint64 rows;
};

// This process's CPU time in ms: on a machine busy with other work a wall-clock time also
// holds the waits for a core, and the disk's flushes hide everything else.
double cpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

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
    std::vector<double> regs, cpus;
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
        const double cpu = cpuMs();
        if (DbError e = registerDay(path, date, QStringLiteral("晴"), day, names)) {
            std::fprintf(stderr, "%s\n", qPrintable(e.message));
            std::exit(1);
        }
        cpus.push_back(cpuMs() - cpu);
        regs.push_back(t.nsecsElapsed() / 1e6);
    }
    Database db;
    check(db.open(path));
    qint64 rows = 0;
    check(db.count(table::DailyReport, {}, rows));
    return {median(loads), median(regs), median(cpus), rows};
}

// The floor of a register: what SQLite itself needs for its writes. In one transaction the
// day's 16 rows are rewritten field by field and a balance is moved for each of the 64 marks
// changed; after the commit the day is read back. Every statement is prepared once.
class Floor {
public:
    Floor(const QString& path, const QDate& date) : date_(toDbDate(date)) {
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), kName);
            db.setDatabaseName(path);
            if (!db.open())
                fail(QStringLiteral("floor: cannot open %1").arg(path));
        }
        const QStringList rec = columns(table::DailyReport);
        const QStringList emp = columns(table::Employees);
        QStringList set;
        for (int i = 0; i < rec.size(); ++i) {
            if (i != rec::Rec)
                set << quoteIdentifier(rec[i]) + QStringLiteral(" = ?");
        }
        const QString daily = quoteIdentifier(table::DailyReport);
        prepare(begin_, QStringLiteral("BEGIN IMMEDIATE"));
        prepare(commit_, QStringLiteral("COMMIT"));
        prepare(write_, QStringLiteral("UPDATE %1 SET %2 WHERE %3 = ?")
                            .arg(daily, set.join(u','), quoteIdentifier(rec[rec::Rec])));
        prepare(move_,
                QStringLiteral("UPDATE %1 SET %2 = %2 + ? WHERE %3 = ?")
                    .arg(quoteIdentifier(table::Employees), quoteIdentifier(emp[emp::DaysOffLeft]),
                         quoteIdentifier(emp[emp::Surname])));
        prepare(read_, QStringLiteral("SELECT rowid, * FROM %1 WHERE %2 = ? ORDER BY rowid")
                           .arg(daily, quoteIdentifier(rec[rec::Date])));
        rows_ = readDay();
        if (rows_.size() != std::size_t(kGroupsPerDay))
            fail(QStringLiteral("floor: %1 rows on %2").arg(rows_.size()).arg(date_));
        QSqlQuery names(QSqlDatabase::database(kName, false));
        names.exec(QStringLiteral("SELECT %1 FROM %2 ORDER BY rowid LIMIT 4")
                       .arg(quoteIdentifier(emp[emp::Surname]), quoteIdentifier(table::Employees)));
        while (names.next())
            surnames_ << names.value(0).toString();
    }
    ~Floor() {
        for (QSqlQuery* q : {&begin_, &commit_, &write_, &move_, &read_})
            *q = QSqlQuery();
        QSqlDatabase::database(kName, false).close();
        QSqlDatabase::removeDatabase(kName);
    }

    // The wall-clock time of one run; its CPU time in cpu.
    double run(int round, double& cpu) {
        for (auto& row : rows_) {
            row[rec::Remarks] = QStringLiteral("床%1").arg(round);
            for (int c = 0; c < 4; ++c)
                row[rec::ActualStaff + c] =
                    (round + c) % 2 ? QStringLiteral("休") : QStringLiteral("☆");
        }
        QElapsedTimer t;
        t.start();
        cpu = cpuMs();
        exec(begin_);
        for (const QVariantList& row : rows_) {
            int at = 0;
            for (int i = 0; i < row.size(); ++i) {
                if (i != rec::Rec)
                    write_.bindValue(at++, row[i]);
            }
            write_.bindValue(at, row[rec::Rec]);
            exec(write_);
            for (int c = 0; c < 4; ++c) {
                move_.bindValue(0, (round + c) % 2 ? -2 : 2);
                move_.bindValue(1, surnames_.value(c));
                exec(move_);
            }
        }
        exec(commit_);
        readDay();
        cpu = cpuMs() - cpu;
        return t.nsecsElapsed() / 1e6;
    }

private:
    static constexpr const char* kName = "bench-floor";

    QStringList columns(const QString& table) {
        QSqlQuery q(QSqlDatabase::database(kName, false));
        q.exec(QStringLiteral("SELECT name FROM pragma_table_info('%1') ORDER BY cid").arg(table));
        QStringList names;
        while (q.next())
            names << q.value(0).toString();
        return names;
    }
    void prepare(QSqlQuery& q, const QString& sql) {
        q = QSqlQuery(QSqlDatabase::database(kName, false));
        q.setForwardOnly(true);
        if (!q.prepare(sql))
            fail(QStringLiteral("floor: %1").arg(q.lastError().text()));
    }
    void exec(QSqlQuery& q) {
        if (!q.exec())
            fail(QStringLiteral("floor: %1").arg(q.lastError().text()));
        q.finish();
    }
    std::vector<QVariantList> readDay() {
        read_.bindValue(0, date_);
        if (!read_.exec())
            fail(QStringLiteral("floor: %1").arg(read_.lastError().text()));
        std::vector<QVariantList> rows;
        const int fields = read_.record().count();
        while (read_.next()) {
            QVariantList row;
            for (int i = 1; i < fields; ++i)
                row.append(read_.value(i));
            rows.push_back(std::move(row));
        }
        read_.finish();
        return rows;
    }

    QString date_;
    QSqlQuery begin_, commit_, write_, move_, read_;
    std::vector<QVariantList> rows_;
    QStringList surnames_;
};

std::pair<double, double> floorOf(const QString& path, const QDate& date) {
    std::vector<double> runs, cpus;
    Floor floor(path, date);
    for (int i = 0; i < 30; ++i) {
        double cpu = 0;
        runs.push_back(floor.run(i, cpu));
        cpus.push_back(cpu);
    }
    return {median(runs), median(cpus)};
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir temp;
    const QString folder = bench::benchFolder(argc, argv, temp);
    const QString server = bench::benchServerUrl();
    const QDate last(2026, 11, 30);
    const int years[2] = {1, 10};
    // Files first, then the same rows on the server when there is one.
    QStringList locations;
    QDate dates[2];
    for (int i = 0; i < 2; ++i) {
        locations << QDir(folder).filePath(QStringLiteral("bench_%1y.db").arg(years[i]));
        const std::vector<QDate> working =
            bench::generateReportFile(locations.back(), years[i], last);
        dates[i] = working[working.size() / 2];
    }
    for (int i = 0; !server.isEmpty() && i < 2; ++i) {
        locations << bench::freshServerDatabase(server,
                                                QStringLiteral("bench_day_%1y").arg(years[i]));
        bench::generateReportFile(locations.back(), years[i], last);
    }
    // Rounds alternate the measures, so a busy moment of the machine hits all alike.
    const int n = int(locations.size());
    std::vector<std::vector<double>> loads(n), regs(n), floors(2), regCpus(2), floorCpus(2);
    std::vector<qint64> rows(n, 0);
    for (int round = 0; round < 5; ++round) {
        for (int i = 0; i < n; ++i) {
            const Result r = measure(locations[i], dates[i % 2]);
            loads[i].push_back(r.load);
            regs[i].push_back(r.reg);
            rows[i] = r.rows;
            if (i < 2) {
                Database::releaseKeptConnections(locations[i]); // the floor writes the file
                const auto [wall, cpu] = floorOf(locations[i], dates[i]);
                floors[i].push_back(wall);
                floorCpus[i].push_back(cpu);
                regCpus[i].push_back(r.regCpu);
            }
        }
    }
    std::printf("%-15s %8s %14s %18s %13s %7s\n", "database", "rows", "GTDAT median",
                "register median", "SQLite floor", "ratio");
    for (int i = 0; i < n; ++i) {
        const bool file = i < 2;
        std::printf("%2d years %-6s %8lld %11.3f ms %15.3f ms", years[i % 2],
                    file ? "file" : "server", qlonglong(rows[i]), median(loads[i]),
                    median(regs[i]));
        if (file)
            std::printf(" %10.3f ms %7.2f", median(floors[i]), median(regs[i]) / median(floors[i]));
        std::printf("\n");
    }
    for (int i = 0; i < 2; ++i)
        std::printf("CPU time, %2d years file: register %.3f ms, floor %.3f ms, ratio %.2f\n",
                    years[i], median(regCpus[i]), median(floorCpus[i]),
                    median(regCpus[i]) / median(floorCpus[i]));
    std::printf("10 years / 1 year: GTDAT %.2f, register %.2f\n",
                median(loads[1]) / median(loads[0]), median(regs[1]) / median(regs[0]));
    if (n == 4) {
        for (int i = 0; i < 2; ++i)
            std::printf("server / file, %2d years: GTDAT %.2f, register %.2f\n", years[i],
                        median(loads[i + 2]) / median(loads[i]),
                        median(regs[i + 2]) / median(regs[i]));
        for (int i = 0; i < 2; ++i)
            bench::dropServerDatabase(server, QStringLiteral("bench_day_%1y").arg(years[i]));
    }
    return 0;
}
