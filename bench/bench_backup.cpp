// Backups of the 10-year benchmark file: a copy by hand, the first register of a day with the
// day's automatic copy against a register without one, and a restore.
// Usage: bench_backup [folder]   (the generated file is kept there when a folder is given)

#include "bench_support.h"
#include "core/data/backup.h"
#include "core/data/restore.h"
#include "core/entry/day_store.h"
#include "report_file.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>

using namespace vorda;
using vorda::bench::median;

namespace {

double since(const QElapsedTimer& t) {
    return t.nsecsElapsed() / 1e6;
}

void stopOn(const DbError& e) {
    if (e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.message));
        std::exit(1);
    }
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir temp;
    const QString folder = bench::benchFolder(argc, argv, temp);
    const QString path = QDir(folder).filePath(QStringLiteral("bench_backup_10y.db"));
    const std::vector<QDate> dates = bench::generateReportFile(path, 10, QDate(2026, 11, 30));
    const QString copies = QDir(folder).filePath(QStringLiteral("copies"));
    QDir(copies).removeRecursively();
    const QDateTime start(QDate(2026, 12, 1), QTime(8, 0));

    // A copy by hand: open, VACUUM INTO, flush, check, rename, generations.
    std::vector<double> byHand;
    for (int i = 0; i < 7; ++i) {
        BackupResult r;
        QElapsedTimer t;
        t.start();
        stopOn(backupNow(path, copies, start.addSecs(i), r));
        byHand.push_back(since(t));
    }

    // The first register of a day makes the day's copy; the next one does not.
    QDateTime now = start;
    DailyBackupPolicy policy;
    policy.now = [&now] { return now; };
    policy.folder = [&copies](const QString&) { return copies; };
    setDailyBackupPolicy(policy);
    std::vector<double> first, next;
    DayModel day;
    NameCaches names;
    const QDate date = dates[dates.size() / 2];
    for (int i = 0; i < 7; ++i) {
        now = start.addDays(i + 1);
        for (int round = 0; round < 2; ++round) {
            stopOn(GTDAT(path, date, day, names));
            for (int k = 0; k < kGroupsPerDay; ++k)
                day.groups[k].remarks = QStringLiteral("回%1-%2").arg(i).arg(round);
            QElapsedTimer t;
            t.start();
            stopOn(registerDay(path, date, QStringLiteral("晴"), day, names));
            (round == 0 ? first : next).push_back(since(t));
            now = now.addSecs(60);
        }
    }
    clearDailyBackupPolicy();

    // A restore of the newest copy: check, the copy of the current file, the write, the check.
    std::vector<double> restores;
    for (int i = 0; i < 3; ++i) {
        const QString source = listBackups(copies, path).front().path;
        RestoreResult r;
        QElapsedTimer t;
        t.start();
        stopOn(restoreDatabase(path, source, copies, start.addDays(20 + i), r));
        restores.push_back(since(t));
    }
    std::printf("10-year file: %.1f MB\n", QFileInfo(path).size() / 1e6);
    std::printf("backup (copy, flush, check, rename) median of 7: %8.1f ms\n", median(byHand));
    std::printf("first register of a day, with its copy, median of 7: %8.1f ms\n", median(first));
    std::printf("next register of the day, median of 7: %8.1f ms\n", median(next));
    std::printf("restore of a copy, median of 3: %8.1f ms\n", median(restores));
    QDir(copies).removeRecursively();
    return 0;
}
