#pragma once
// The benchmark file of years of reports: 30 employees, 10 vehicles, 300 projects, 300
// working days a year of 16 groups each.

#include "core/data/daily_record.h"
#include "core/data/database.h"
#include "core/data/new_database.h"
#include "core/data/schema.h"

#include <QFile>
#include <QRandomGenerator>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace vorda::bench {

constexpr int kEmployees = 30;
constexpr int kVehicles = 10;
constexpr int kProjects = 300;
constexpr int kWorkingDaysPerYear = 300;
constexpr int kGroupsPerDayInFile = 16;

// A file of the given number of years ending on `last`; returns the working dates.
inline std::vector<QDate> generateReportFile(const QString& path, int years, const QDate& last) {
    QFile::remove(path);
    NewDatabaseOptions options;
    if (DbError e = createDatabase(path, options)) {
        std::fprintf(stderr, "%s\n", qPrintable(e.message));
        std::exit(1);
    }
    Database db;
    if (DbError e = db.open(path)) {
        std::fprintf(stderr, "%s\n", qPrintable(e.message));
        std::exit(1);
    }
    db.beginImmediate();
    for (int i = 0; i < kEmployees; ++i)
        db.insert(table::Employees, {QString::number(i), QStringLiteral("社員%1").arg(i),
                                     QStringLiteral(""), 0, 0, 1000});
    for (int v = 0; v < kVehicles; ++v)
        db.insert(table::Vehicles, {QString::number(v), QStringLiteral("車両%1").arg(v)});
    for (int p = 0; p < kProjects; ++p)
        db.insert(table::Projects,
                  {p + 1, QStringLiteral("工事%1").arg(p + 1), QStringLiteral("2010-01-01"),
                   QStringLiteral("2040-12-31"), QStringLiteral("発注者%1").arg(p % 20)});
    QRandomGenerator rng(7);
    std::vector<QDate> dates;
    QDate d = last.addYears(-years).addDays(1);
    while (d <= last) {
        // 300 working days a year: skip Sundays and a few more.
        if (d.dayOfWeek() != 7 && rng.bounded(100) < 96)
            dates.push_back(d);
        d = d.addDays(1);
    }
    while (int(dates.size()) > years * kWorkingDaysPerYear)
        dates.erase(dates.begin());
    DayModel day;
    for (const QDate& date : dates) {
        for (int k = 0; k < kGroupsPerDayInFile; ++k) {
            GroupSlot& g = day.groups[0];
            g.jobNumber = qint16(1 + rng.bounded(kProjects));
            g.jobName = QStringLiteral("工事%1").arg(g.jobNumber);
            g.client = QStringLiteral("発注者");
            g.startTime = QStringLiteral("08:00");
            g.endTime = QStringLiteral("17:00");
            g.plannedWork = QStringLiteral("舗装工");
            g.actualWork = QStringLiteral("舗装工");
            day.planned(0) = Line();
            day.actual(0) = Line();
            for (int c = 0; c < kEmployees; ++c) {
                if (rng.bounded(16) == 0) {
                    day.planned(0).staff[c] = QStringLiteral("○");
                    day.actual(0).staff[c] = QStringLiteral("○");
                }
            }
            day.actual(0).vehicles[rng.bounded(kVehicles)] = 1;
            db.insert(table::DailyReport, slotToRow(day, 0, date, QStringLiteral("晴")));
        }
    }
    db.commit();
    return dates;
}

} // namespace vorda::bench
