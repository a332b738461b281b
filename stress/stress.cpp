// Registers under fire: a registering process killed at random moments, two processes
// registering at once, purges (some killed) while two processes register, and backups and
// restores (some killed) while two processes register, each followed by a check of the whole
// file and of the copies left.
//
//   vorda_stress [N] [--seed S]     (default 100 kills, N purges, N backups and restores)
//   vorda_stress --server STATEDIR [N] [--seed S]
//                                   the same kills on a database of the server that
//                                   scripts/firm_server.sh runs in STATEDIR, then N/10 (at least
//                                   3) stops of the server without warning while two
//                                   processes register, each started again
//   vorda_stress child DB DATE SEED SECONDS   one registering process (used by the above)
//   vorda_stress purge DB UNTIL STAMP         one purge (used by the above)
//   vorda_stress backup DB FOLDER STAMP       one backup (used by the above)
//   vorda_stress restore DB FILE FOLDER STAMP one restore (used by the above)

#include "core/data/backup.h"
#include "core/data/database.h"
#include "core/data/new_database.h"
#include "core/data/restore.h"
#include "core/data/schema.h"
#include "core/data/values.h"
#include "core/entry/day_store.h"
#include "core/masters/purge.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>
#include <QUrl>
#include <algorithm>
#include <cstdio>

using namespace vorda;

namespace {

constexpr int kEmployees = 5;
constexpr int kStartBalance = 10;
const QStringList kMarks = {QString(),           QStringLiteral("休"), QStringLiteral("☆"),
                            QStringLiteral("○"), QStringLiteral("◇"),  QStringLiteral("▽")};

// Generation g of a day: 1 + g % 16 groups named "G<g>-<k>", random marks; stored groups
// beyond them are deleted. A day on file is therefore wholly one generation.
void fillGeneration(DayModel& day, quint32 gen, QRandomGenerator& rng) {
    const int groups = 1 + int(gen % kGroupsPerDay);
    for (int k = 0; k < kGroupsPerDay; ++k) {
        GroupSlot& g = day.groups[k];
        if (k >= groups) {
            g.deleteFlag = g.recordNumber != 0 ? 1 : 0;
            g.jobName.clear();
            continue;
        }
        g.jobName = QStringLiteral("G%1-%2").arg(gen).arg(k);
        g.remarks = QString::number(rng.generate());
        for (int c = 0; c < kEmployees; ++c)
            day.actual(k).staff[c] = kMarks[int(rng.bounded(kMarks.size()))];
    }
}

int child(const QStringList& args) {
    const QString path = args.value(0);
    const QDate date = QDate::fromString(args.value(1), Qt::ISODate);
    QRandomGenerator rng(args.value(2).toUInt());
    const int seconds = args.value(3).toInt();
    QElapsedTimer timer;
    timer.start();
    QTextStream out(stdout);
    int registers = 0, changed = 0, failed = 0;
    DayModel day;
    NameCaches names;
    while (seconds <= 0 || timer.elapsed() < seconds * 1000) {
        DbError e = GTDAT(path, date, day, names);
        if (!e) {
            fillGeneration(day, rng.generate(), rng);
            e = registerDay(path, date, QStringLiteral("晴"), day, names);
        }
        if (!e) {
            ++registers;
            out << "registered" << Qt::endl; // one line per commit, for the killer's count
        } else if (e.kind == DbErrorKind::Changed) {
            ++changed;
        } else if (e.kind == DbErrorKind::Unreachable) {
            // The server is away (stopped on purpose): try again in a moment.
            out << "unreachable" << Qt::endl;
            QThread::msleep(50);
        } else {
            ++failed;
            out << "failed" << Qt::endl;
            QTextStream(stderr) << e.message << Qt::endl;
        }
    }
    out << QStringLiteral("done %1 %2 %3").arg(registers).arg(changed).arg(failed) << Qt::endl;
    return failed == 0 ? 0 : 1;
}

int backupChild(const QStringList& args) {
    BackupResult result;
    if (const DbError e = backupNow(args.value(0), args.value(1),
                                    QDateTime::fromString(args.value(2), Qt::ISODate), result)) {
        QTextStream(stderr) << e.message << Qt::endl;
        return 1;
    }
    QTextStream(stdout) << "backed-up " << result.path << Qt::endl;
    return 0;
}

int restoreChild(const QStringList& args) {
    RestoreResult result;
    if (const DbError e =
            restoreDatabase(args.value(0), args.value(1), args.value(2),
                            QDateTime::fromString(args.value(3), Qt::ISODate), result)) {
        QTextStream(stderr) << e.message << Qt::endl;
        return 1;
    }
    QTextStream(stdout) << "restored" << Qt::endl;
    return 0;
}

int purgeChild(const QStringList& args) {
    PurgeResult result;
    const DbError e =
        purgeDailyReports(args.value(0), QDate::fromString(args.value(1), Qt::ISODate),
                          QDateTime::fromString(args.value(2), Qt::ISODate), result);
    if (e) {
        QTextStream(stderr) << e.message << Qt::endl;
        return 1;
    }
    QTextStream(stdout) << "purged " << result.deleted << Qt::endl;
    return 0;
}

struct Findings {
    int integrityFailures = 0;
    int mixedDays = 0;
    int balanceMismatches = 0;
    int checks = 0;
    QStringList notes;
    bool ok() const { return integrityFailures + mixedDays + balanceMismatches == 0; }
};

// The whole file: integrity, every day one generation complete, every balance its start plus
// the counts of the marks stored.
void checkFile(const QString& path, const QList<QDate>& dates, Findings& f,
               const std::array<qint64, kEmployees>& purged = {}) {
    ++f.checks;
    Database db;
    if (DbError e = db.open(path)) {
        ++f.integrityFailures;
        f.notes << e.message;
        return;
    }
    // One read transaction: writers running meanwhile wait, so days and balances are read
    // as one moment of the file (of the server: one snapshot).
    if (db.engine() == Engine::Server) {
        db.exec(QStringLiteral("BEGIN ISOLATION LEVEL REPEATABLE READ"));
    } else {
        db.exec(QStringLiteral("BEGIN"));
        QSqlQuery q(db.connection());
        q.setForwardOnly(true);
        if (!q.exec(QStringLiteral("PRAGMA integrity_check")) || !q.next() ||
            q.value(0).toString() != "ok") {
            ++f.integrityFailures;
            f.notes << QStringLiteral("integrity_check: %1").arg(q.value(0).toString());
        }
    }
    const auto finish = qScopeGuard([&] { db.rollback(); });
    // The marks of purged rows moved the balances when they were registered.
    std::array<qint64, kEmployees> expected;
    for (int c = 0; c < kEmployees; ++c)
        expected[c] = kStartBalance + purged[c];
    for (const QDate& date : dates) {
        std::vector<Row> rows;
        if (db.select(table::DailyReport, {{rec::Date, Condition::Op::Eq, toDbDate(date)}}, rows)) {
            ++f.integrityFailures;
            continue;
        }
        QSet<QString> gens;
        QSet<int> slotNumbers;
        for (const Row& r : rows) {
            const QStringList parts = r.values[rec::JobName].toString().mid(1).split(u'-');
            gens << parts.value(0);
            slotNumbers << parts.value(1).toInt();
            for (int c = 0; c < kEmployees; ++c)
                expected[c] += dayOffCount(nullSafeText(r.values[rec::ActualStaff + c]));
        }
        const int groups = gens.isEmpty() ? 0 : 1 + int(gens.begin()->toUInt() % kGroupsPerDay);
        if (gens.size() > 1 || int(rows.size()) != groups || slotNumbers.size() != groups) {
            ++f.mixedDays;
            f.notes << QStringLiteral("%1: %2 rows of %3 generations")
                           .arg(toDbDate(date))
                           .arg(rows.size())
                           .arg(gens.size());
        }
    }
    std::vector<Row> staff;
    db.selectAll(table::Employees, staff);
    for (int c = 0; c < kEmployees && c < int(staff.size()); ++c) {
        if (staff[c].values[emp::DaysOffLeft].toLongLong() != expected[c]) {
            ++f.balanceMismatches;
            f.notes << QStringLiteral("employee %1: balance %2, marks say %3")
                           .arg(c)
                           .arg(staff[c].values[emp::DaysOffLeft].toLongLong())
                           .arg(expected[c]);
        }
    }
}

QProcess* startChild(const QString& db, const QDate& date, quint32 seed, int seconds) {
    auto* p = new QProcess;
    p->setProcessChannelMode(QProcess::SeparateChannels);
    p->start(QCoreApplication::applicationFilePath(),
             {QStringLiteral("child"), db, date.toString(Qt::ISODate), QString::number(seed),
              QString::number(seconds)});
    p->waitForStarted();
    return p;
}

int count(const QByteArray& output, const char* word) {
    return int(output.count(word));
}

// A day registered by this process: one generation, retried while another holds the file.
void registerGeneration(const QString& path, const QDate& date, QRandomGenerator& rng) {
    for (int attempt = 0; attempt < 50; ++attempt) {
        DayModel day;
        NameCaches names;
        if (GTDAT(path, date, day, names))
            continue;
        fillGeneration(day, rng.generate(), rng);
        if (!registerDay(path, date, QStringLiteral("晴"), day, names))
            return;
    }
}

// The rows of the days up to a date, by REC, and the marks of their actual lines.
struct OldRows {
    QSet<qint64> recs;
    std::array<qint64, kEmployees> marks{};
};
OldRows oldRows(const QString& path, const QDate& until) {
    OldRows o;
    Database db;
    std::vector<Row> rows;
    if (db.open(path) ||
        db.select(table::DailyReport, {{rec::Date, Condition::Op::Le, toDbDate(until)}}, rows))
        return o;
    for (const Row& r : rows) {
        o.recs << r.values[rec::Rec].toLongLong();
        for (int c = 0; c < kEmployees; ++c)
            o.marks[c] += dayOffCount(nullSafeText(r.values[rec::ActualStaff + c]));
    }
    return o;
}

void purgeUnderFire(const QString& path, const QList<QDate>& dates, int purges,
                    QRandomGenerator& rng, Findings& f, QTextStream& out, QList<QDate>& checked,
                    std::array<qint64, kEmployees>& purged) {
    // Filler on a day no purge reaches, so the copy takes long enough to be killed in.
    {
        Database db;
        db.open(path);
        Transaction tx(db);
        tx.begin();
        QVariantList row(rec::FieldCount);
        row[rec::Date] = QStringLiteral("2026-12-05");
        row[rec::PlannedWork] = QString(150, u'埋');
        for (int i = 0; i < 40000; ++i)
            db.insert(table::DailyReport, row);
        tx.commit();
    }
    const QString folder = QFileInfo(path).absolutePath();
    const QDateTime firstStamp(QDate(2026, 12, 8), QTime(9, 0));
    // Old days, registered here and reached by the purges; the registering children keep to
    // the checked dates, so what a purge took is known exactly.
    checked = dates;
    purged = {};
    QProcess* a = startChild(path, dates[0], rng.generate(), 0);
    QProcess* b = startChild(path, dates[1], rng.generate(), 0);
    int killedPurges = 0, committed = 0, failedPurges = 0, locked = 0, tempsLeft = 0, badCopies = 0,
        copies = 0;
    for (int i = 0; i < purges; ++i) {
        const QDate old = QDate(2026, 1, 1).addDays(i);
        registerGeneration(path, old, rng);
        checked << old;
        const OldRows before = oldRows(path, old);
        const QString stamp = firstStamp.addSecs(i).toString(Qt::ISODate);
        auto* p = new QProcess;
        p->start(QCoreApplication::applicationFilePath(),
                 {QStringLiteral("purge"), path, old.toString(Qt::ISODate), stamp});
        p->waitForStarted();
        const bool kill = i % 2 == 1;
        if (kill) {
            QThread::msleep(rng.bounded(400));
            p->kill();
        }
        p->waitForFinished(60000);
        const bool finished = p->exitStatus() == QProcess::NormalExit;
        const bool succeeded = finished && p->exitCode() == 0;
        if (!finished)
            ++killedPurges;
        else if (!succeeded) {
            ++failedPurges; // refused as locked counts apart; anything else is a failure
            locked +=
                QString::fromUtf8(p->readAllStandardError()).contains(QStringLiteral("使用中")) ? 1
                                                                                                : 0;
            f.notes << QStringLiteral("purge %1: %2")
                           .arg(i)
                           .arg(QString::fromUtf8(p->readAllStandardError()).trimmed());
        }
        delete p;

        // All of the old days went, or none of them: never part of them.
        const OldRows after = oldRows(path, old);
        if (after.recs.isEmpty() && !before.recs.isEmpty()) {
            ++committed;
            for (int c = 0; c < kEmployees; ++c)
                purged[c] += before.marks[c];
        } else if (after.recs != before.recs) {
            ++f.mixedDays;
            f.notes << QStringLiteral("purge %1: %2 of %3 old rows left")
                           .arg(i)
                           .arg(after.recs.size())
                           .arg(before.recs.size());
        }
        // Every copy under a final name is sound and whole; a temporary one is left only by a kill.
        const QString finalName = purgeBackupPath(path, QDateTime::fromString(stamp, Qt::ISODate));
        for (const QString& name : QDir(folder).entryList(QDir::Files)) {
            const QString file = QDir(folder).filePath(name);
            if (name.endsWith(QLatin1String(".part")) ||
                name.endsWith(QLatin1String(".part-journal"))) {
                if (finished) {
                    ++f.integrityFailures;
                    f.notes << QStringLiteral("purge %1 finished and left %2").arg(i).arg(name);
                }
                ++tempsLeft;
                QFile::remove(file);
            }
        }
        if (QFile::exists(finalName)) {
            ++copies;
            Database copy;
            qint64 rows = -1;
            DbError e = copy.open(finalName);
            if (!e)
                e = copy.quickCheck();
            if (!e)
                e = copy.count(table::DailyReport, {{rec::Date, Condition::Op::Le, toDbDate(old)}},
                               rows);
            if (e || rows != before.recs.size()) {
                ++badCopies;
                f.notes << QStringLiteral("copy %1: %2 rows up to %3, %4 expected %5")
                               .arg(QFileInfo(finalName).fileName())
                               .arg(rows)
                               .arg(toDbDate(old))
                               .arg(before.recs.size())
                               .arg(e.message);
            }
        } else if (succeeded && !before.recs.isEmpty()) {
            ++badCopies;
            f.notes << QStringLiteral("purge %1 took %2 rows and left no copy")
                           .arg(i)
                           .arg(before.recs.size());
        }
        checkFile(path, checked, f, purged);
    }
    a->kill();
    b->kill();
    a->waitForFinished();
    b->waitForFinished();
    delete a;
    delete b;
    checkFile(path, checked, f, purged);
    f.integrityFailures += badCopies + failedPurges - locked;
    out << QStringLiteral(
               "purges while two processes register: %1 purges (%2 killed), %3 committed, "
               "%4 refused (%11 of them as locked); %5 copies under their final name, %6 of "
               "them failing their check; %7 temporary files left by kills; integrity "
               "failures %8, half days %9, wrong balances %10")
               .arg(purges)
               .arg(killedPurges)
               .arg(committed)
               .arg(failedPurges)
               .arg(copies)
               .arg(badCopies)
               .arg(tempsLeft)
               .arg(f.integrityFailures)
               .arg(f.mixedDays)
               .arg(f.balanceMismatches)
               .arg(locked)
        << Qt::endl;
}

// The generation registered on the marker day: which file the database is.
const QDate kMarkerDay(2027, 1, 1);
QString markerOf(const QString& path) {
    Database db;
    std::vector<Row> rows;
    if (db.open(path) ||
        db.select(table::DailyReport, {{rec::Date, Condition::Op::Eq, toDbDate(kMarkerDay)}}, rows))
        return QStringLiteral("unreadable");
    return rows.empty() ? QStringLiteral("none")
                        : rows.front().values[rec::JobName].toString().section(u'-', 0, 0);
}

// Backups and restores while two processes register, every other one killed at a random
// moment. After each the database is there, whole, and is the file it was or the copy
// restored into it, never anything else; every copy under a final name is sound.
void backupsUnderFire(const QString& path, const QList<QDate>& dates, const QList<QDate>& checked,
                      const std::array<qint64, kEmployees>& purged, int runs, QRandomGenerator& rng,
                      Findings& f, QTextStream& out) {
    const QString folder = QFileInfo(path).absoluteDir().filePath(QStringLiteral("バックアップ"));
    QList<QDate> days = checked;
    days << kMarkerDay;
    // Three sources, each with a marker of its own.
    const QDateTime firstStamp(QDate(2026, 12, 9), QTime(9, 0));
    QStringList sources, markers;
    for (int j = 0; j < 3; ++j) {
        registerGeneration(path, kMarkerDay, rng);
        BackupResult made;
        if (DbError e = backupNow(path, folder, firstStamp.addSecs(j), made)) {
            ++f.integrityFailures;
            f.notes << e.message;
            return;
        }
        sources << made.path;
        markers << markerOf(made.path);
    }
    QProcess* a = startChild(path, dates[0], rng.generate(), 0);
    QProcess* b = startChild(path, dates[1], rng.generate(), 0);
    int killedRuns = 0, restores = 0, restored = 0, backups = 0, refused = 0, tempsLeft = 0,
        copies = 0, badCopies = 0, missing = 0, strangers = 0, killedRestores = 0,
        killedAfterCopy = 0;
    quint32 restoreMs = 600, backupMs = 300;
    for (int i = 0; i < runs; ++i) {
        const QString before = markerOf(path);
        const bool restore = rng.bounded(2) == 0;
        const int source = int(rng.bounded(sources.size()));
        const QString stamp = firstStamp.addSecs(100 + 2 * i).toString(Qt::ISODate);
        auto* p = new QProcess;
        p->start(QCoreApplication::applicationFilePath(),
                 restore
                     ? QStringList{QStringLiteral("restore"), path, sources[source], folder, stamp}
                     : QStringList{QStringLiteral("backup"), path, folder, stamp});
        p->waitForStarted();
        (restore ? restores : backups)++;
        const bool kill = i % 2 == 1;
        QElapsedTimer took;
        took.start();
        if (kill) {
            // Anywhere in the run: up to the longest the kind has taken so far.
            QThread::msleep(rng.bounded(restore ? restoreMs : backupMs));
            p->kill();
        }
        p->waitForFinished(60000);
        const bool finished = p->exitStatus() == QProcess::NormalExit;
        const bool succeeded = finished && p->exitCode() == 0;
        if (succeeded)
            (restore ? restoreMs : backupMs) =
                std::max(restore ? restoreMs : backupMs, quint32(took.elapsed()));
        if (!finished) {
            ++killedRuns;
            killedRestores += restore ? 1 : 0;
        } else if (!succeeded) {
            ++refused;
            // Refused as locked is what a restore must say under load; anything else fails.
            const QString said = QString::fromUtf8(p->readAllStandardError());
            if (!said.contains(QStringLiteral("使用中")))
                ++f.integrityFailures;
            f.notes << QStringLiteral("%1 %2: %3")
                           .arg(restore ? QStringLiteral("restore") : QStringLiteral("backup"))
                           .arg(i)
                           .arg(said.trimmed());
        }
        if (restore && succeeded)
            ++restored;
        delete p;

        // Never missing; the old file or the restored copy, nothing else.
        if (!QFileInfo::exists(path)) {
            ++missing;
            f.notes << QStringLiteral("run %1: the database is missing").arg(i);
            continue;
        }
        const QString after = markerOf(path);
        const bool expected = after == before || (restore && after == markers[source]);
        if (!expected || (restore && succeeded && after != markers[source]) ||
            (!restore && after != before)) {
            ++strangers;
            f.notes << QStringLiteral("run %1: marker %2, was %3, restored %4")
                           .arg(i)
                           .arg(after, before, restore ? markers[source] : QStringLiteral("-"));
        }
        checkFile(path, days, f, purged);
        // Temporary files only after a kill; copies under a final name are sound.
        const QStringList left = QDir(QFileInfo(path).absolutePath())
                                     .entryList({QStringLiteral("*.restore-part*")}, QDir::Files) +
                                 QDir(folder).entryList({QStringLiteral("*.part*")}, QDir::Files);
        if (!left.isEmpty()) {
            tempsLeft += left.size();
            if (finished) {
                ++f.integrityFailures;
                f.notes
                    << QStringLiteral("run %1 finished and left %2").arg(i).arg(left.join(u' '));
            }
            for (const QString& name : left) {
                QFile::remove(QDir(folder).filePath(name));
                QFile::remove(QDir(QFileInfo(path).absolutePath()).filePath(name));
            }
        }
        for (const BackupCopy& c : listBackups(folder, path)) {
            if (sources.contains(c.path))
                continue;
            // This run's copy: a restore killed after it was killed writing or checking.
            if (restore && !finished)
                ++killedAfterCopy;
            ++copies;
            BackupFacts facts;
            if (DbError e = readBackupFacts(c.path, facts)) {
                ++badCopies;
                f.notes
                    << QStringLiteral("copy %1: %2").arg(QFileInfo(c.path).fileName(), e.message);
            }
            QFile::remove(c.path);
        }
    }
    a->kill();
    b->kill();
    a->waitForFinished();
    b->waitForFinished();
    delete a;
    delete b;
    checkFile(path, days, f, purged);
    f.integrityFailures += badCopies + missing + strangers;
    out << QStringLiteral("backups and restores while two processes register: %1 backups, %2 "
                          "restores (%3 killed, %14 restores of them, %15 after the current "
                          "file's copy), %4 restores done, %5 refused; %6 copies under "
                          "their final name, %7 of them failing their check; %8 temporary files "
                          "left by kills; database missing %9 times, neither the old nor the "
                          "restored file %10 times; integrity failures %11, half days %12, wrong "
                          "balances %13")
               .arg(backups)
               .arg(restores)
               .arg(killedRuns)
               .arg(restored)
               .arg(refused)
               .arg(copies)
               .arg(badCopies)
               .arg(tempsLeft)
               .arg(missing)
               .arg(strangers)
               .arg(f.integrityFailures)
               .arg(f.mixedDays)
               .arg(f.balanceMismatches)
               .arg(killedRestores)
               .arg(killedAfterCopy)
        << Qt::endl;
}

// scripts/firm_server.sh, run on the server's state folder.
bool serverControl(const QString& action, const QString& state, QString* said = nullptr) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QStringLiteral("bash"), {QStringLiteral(VORDA_STRESS_SERVER_SCRIPT), action, state});
    const bool ok =
        p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    if (said)
        *said = QString::fromUtf8(p.readAll()).trimmed();
    return ok;
}

// A new database on the server of the state folder, with the five employees.
QString serverDatabase(const QString& state, QTextStream& out) {
    QFile file(QDir(state).filePath(QStringLiteral("url")));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    const QUrl server(QString::fromUtf8(file.readAll()).trimmed());
    {
        QSqlDatabase admin = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), "stress-admin");
        admin.setHostName(server.host());
        admin.setPort(server.port());
        admin.setUserName(server.userName());
        admin.setDatabaseName(server.path().mid(1));
        QSqlQuery q(admin);
        if (!admin.open() || !q.exec(QStringLiteral("DROP DATABASE IF EXISTS vorda_stress")) ||
            !q.exec(QStringLiteral("CREATE DATABASE vorda_stress TEMPLATE template0 ENCODING "
                                   "'UTF8' LC_COLLATE 'C' LC_CTYPE 'C'"))) {
            out << admin.lastError().text() << q.lastError().text() << Qt::endl;
            return QString();
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("stress-admin"));
    QUrl u(server);
    u.setPath(QStringLiteral("/vorda_stress"));
    return u.toString();
}

// Stops of the server without warning while two processes register (one day shared, one
// of its own), each followed by a start (crash recovery) and a check of every day and
// balance. The processes meet the lost connection mid-register and go on once it is back.
void serverStopsUnderFire(const QString& state, const QString& url, const QList<QDate>& dates,
                          int stops, QRandomGenerator& rng, Findings& f, QTextStream& out) {
    int registers = 0, unreachable = 0, failures = 0, refusedRestarts = 0;
    QStringList errors;
    QElapsedTimer down;
    qint64 longestDown = 0;
    for (int i = 0; i < stops; ++i) {
        QProcess* a = startChild(url, dates[0], rng.generate(), 0);
        QProcess* b = startChild(url, dates[i % 2 ? 0 : 1], rng.generate(), 0);
        QThread::msleep(200 + rng.bounded(600));
        QString said;
        if (!serverControl(QStringLiteral("crash"), state, &said)) {
            ++refusedRestarts;
            f.notes << QStringLiteral("stop %1: %2").arg(i).arg(said);
        }
        down.start();
        QThread::msleep(rng.bounded(500));
        if (!serverControl(QStringLiteral("resume"), state, &said)) {
            ++refusedRestarts;
            f.notes << QStringLiteral("start %1: %2").arg(i).arg(said);
        }
        longestDown = std::max(longestDown, down.elapsed());
        // Back: the processes register again for a while, then are killed mid-work.
        QThread::msleep(300 + rng.bounded(500));
        for (QProcess* p : {a, b}) {
            p->kill();
            p->waitForFinished();
            const QByteArray output = p->readAllStandardOutput();
            registers += count(output, "registered");
            unreachable += count(output, "unreachable");
            // Its own failures only; the driver's warnings about the lost connection aside.
            if (const int failed = count(output, "failed")) {
                failures += failed;
                errors << QString::fromUtf8(p->readAllStandardError()).trimmed().left(300);
            }
            delete p;
        }
        checkFile(url, dates, f);
    }
    Database::releaseKeptConnections(url);
    f.integrityFailures += failures + refusedRestarts;
    out << QStringLiteral("server stopped without warning while two processes register: %1 "
                          "stops (down up to %2 ms), %3 registers committed, %4 attempts met "
                          "the server away, %5 other failures; half days %6, wrong balances %7")
               .arg(stops)
               .arg(longestDown)
               .arg(registers)
               .arg(unreachable)
               .arg(failures)
               .arg(f.mixedDays)
               .arg(f.balanceMismatches)
        << Qt::endl;
    for (const QString& e : errors.mid(0, 5))
        f.notes << e;
}

int serverMain(const QString& state, int kills, quint32 seed) {
    QTextStream out(stdout);
    const QString url = serverDatabase(state, out);
    if (url.isEmpty()) {
        out << "no server in " << state << " (scripts/firm_server.sh start)" << Qt::endl;
        return 1;
    }
    if (DbError e = createDatabase(url, {})) {
        out << e.message << Qt::endl;
        return 1;
    }
    {
        Database db;
        db.open(url);
        for (const char16_t* name : {u"山田", u"佐藤", u"鈴木", u"高橋", u"田中"})
            db.insert(table::Employees, {QStringLiteral("1"), QString::fromUtf16(name), QString(),
                                         0, 0, kStartBalance});
    }
    const QList<QDate> dates = {QDate(2026, 12, 1), QDate(2026, 12, 2), QDate(2026, 12, 3)};
    QRandomGenerator rng(seed);
    QElapsedTimer timer;
    timer.start();
    out << QStringLiteral("server %1, seed %2, %3 kills").arg(url).arg(seed).arg(kills) << Qt::endl;
    // 1. A registering process killed at a random moment (its connection dies with it; the
    // server rolls back what it had begun), then every day and balance checked.
    Findings killed;
    int committed = 0;
    for (int i = 0; i < kills; ++i) {
        QProcess* p = startChild(url, dates[int(rng.bounded(dates.size()))], rng.generate(), 0);
        QThread::msleep(50 + rng.bounded(400));
        p->kill();
        p->waitForFinished();
        committed += count(p->readAllStandardOutput(), "registered");
        delete p;
        checkFile(url, dates, killed);
    }
    out << QStringLiteral("killed during registers: %1 kills, %2 registers committed before "
                          "them; half days %3, wrong balances %4")
               .arg(kills)
               .arg(committed)
               .arg(killed.mixedDays)
               .arg(killed.balanceMismatches)
        << Qt::endl;
    // 2. The server itself stopped without warning.
    Findings stopped;
    serverStopsUnderFire(state, url, dates, std::max(3, kills / 10), rng, stopped, out);
    for (const QString& n : killed.notes + stopped.notes)
        out << "  " << n << Qt::endl;
    out << QStringLiteral("%1 checks in %2 s")
               .arg(killed.checks + stopped.checks)
               .arg(timer.elapsed() / 1000.0, 0, 'f', 1)
        << Qt::endl;
    return killed.ok() && stopped.ok() ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.value(0) == QLatin1String("child"))
        return child(args.mid(1));
    if (args.value(0) == QLatin1String("purge"))
        return purgeChild(args.mid(1));
    if (args.value(0) == QLatin1String("backup"))
        return backupChild(args.mid(1));
    if (args.value(0) == QLatin1String("restore"))
        return restoreChild(args.mid(1));

    int kills = 100;
    quint32 seed = QRandomGenerator::global()->generate();
    QString serverState;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--seed") && i + 1 < args.size())
            seed = args[++i].toUInt();
        else if (args[i] == QLatin1String("--server") && i + 1 < args.size())
            serverState = args[++i];
        else
            kills = args[i].toInt();
    }
    if (!serverState.isEmpty())
        return serverMain(serverState, kills, seed);
    QTextStream out(stdout);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("VORDA.db"));
    if (DbError e = createDatabase(path, {})) {
        out << e.message << Qt::endl;
        return 1;
    }
    {
        Database db;
        db.open(path);
        for (const char16_t* name : {u"山田", u"佐藤", u"鈴木", u"高橋", u"田中"})
            db.insert(table::Employees, {QStringLiteral("1"), QString::fromUtf16(name), QString(),
                                         0, 0, kStartBalance});
    }
    const QList<QDate> dates = {QDate(2026, 12, 1), QDate(2026, 12, 2), QDate(2026, 12, 3)};
    QRandomGenerator rng(seed);
    QElapsedTimer timer;
    timer.start();
    out << QStringLiteral("seed %1, %2 kills").arg(seed).arg(kills) << Qt::endl;

    // 1. A registering process killed at a random moment, then the file checked.
    // A journal left behind means the kill came inside a transaction, which the next open
    // rolls back.
    Findings killed;
    int committed = 0;
    int insideTransaction = 0;
    for (int i = 0; i < kills; ++i) {
        QProcess* p = startChild(path, dates[int(rng.bounded(dates.size()))], rng.generate(), 0);
        QThread::msleep(20 + rng.bounded(300));
        p->kill();
        p->waitForFinished();
        committed += count(p->readAllStandardOutput(), "registered");
        delete p;
        if (QFile::exists(path + QStringLiteral("-journal")))
            ++insideTransaction;
        checkFile(path, dates, killed);
    }
    out << QStringLiteral(
               "killed during registers: %1 kills (%2 inside a transaction), %3 registers "
               "committed before them; integrity failures %4, half days %5, wrong balances %6")
               .arg(kills)
               .arg(insideTransaction)
               .arg(committed)
               .arg(killed.integrityFailures)
               .arg(killed.mixedDays)
               .arg(killed.balanceMismatches)
        << Qt::endl;

    // 2. Two processes registering at once, on one day and on different days.
    Findings together;
    for (const bool sameDay : {true, false}) {
        QProcess* a = startChild(path, dates[0], rng.generate(), 5);
        QProcess* b = startChild(path, sameDay ? dates[0] : dates[1], rng.generate(), 5);
        a->waitForFinished(60000);
        b->waitForFinished(60000);
        const QString lastA =
            QString::fromUtf8(a->readAllStandardOutput()).trimmed().section(u'\n', -1);
        const QString lastB =
            QString::fromUtf8(b->readAllStandardOutput()).trimmed().section(u'\n', -1);
        const QString errors =
            QString::fromUtf8(a->readAllStandardError() + b->readAllStandardError()).trimmed();
        checkFile(path, dates, together);
        out << QStringLiteral(
                   "two processes, %1: [registers refused-as-changed failures] %2 | %3%4")
                   .arg(sameDay ? QStringLiteral("one day") : QStringLiteral("different days"),
                        lastA.mid(5), lastB.mid(5),
                        errors.isEmpty() ? QString()
                                         : QStringLiteral("\n  errors: ") + errors.left(500))
            << Qt::endl;
        if (a->exitCode() != 0 || b->exitCode() != 0)
            ++together.integrityFailures;
        delete a;
        delete b;
    }
    out << QStringLiteral(
               "after the two-process runs: integrity failures %1, half days %2, wrong balances %3")
               .arg(together.integrityFailures)
               .arg(together.mixedDays)
               .arg(together.balanceMismatches)
        << Qt::endl;
    // 3. Purges while two processes register, every other one killed at a random moment.
    Findings purging;
    QList<QDate> checked;
    std::array<qint64, kEmployees> purged{};
    purgeUnderFire(path, dates, kills, rng, purging, out, checked, purged);
    // 4. Backups and restores while two processes register, every other one killed.
    Findings restoring;
    backupsUnderFire(path, dates, checked, purged, kills, rng, restoring, out);

    for (const QString& n : killed.notes + together.notes + purging.notes + restoring.notes)
        out << "  " << n << Qt::endl;
    out << QStringLiteral("%1 checks in %2 s")
               .arg(killed.checks + together.checks + purging.checks + restoring.checks)
               .arg(timer.elapsed() / 1000.0, 0, 'f', 1)
        << Qt::endl;
    return killed.ok() && together.ok() && purging.ok() && restoring.ok() ? 0 : 1;
}
