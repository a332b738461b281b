#include "core/data/backup.h"

#include "core/data/copy_db.h"
#include "core/data/schema.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLocale>
#include <QMutex>
#include <QRegularExpression>
#include <QSettings>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>

#include <algorithm>
#include <map>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace vorda {

namespace {

// A file of the copy's name is never overwritten, and not named: it is no copy of ours.
const QString kNameTaken = QStringLiteral("同じ名前のファイルがすでにあります（上書きはしません）。"
                                          "少し待ってからもう一度実行してください。");

DbError notWritten(const QString& why) {
    return DbError{DbErrorKind::Failed,
                   QStringLiteral("バックアップを作成できませんでした。%1").arg(why)};
}

// Why VACUUM INTO failed, in words about the copy: the database itself was only read.
QString copyFailure(const QSqlError& error, const QString& databasePath) {
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok) & 0xff;
    const QString engine = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    if (ok && code == 13) // SQLITE_FULL
        return QStringLiteral("ディスクの空きがありません。\n（詳細: %1）").arg(engine);
    if (ok && code == 10) // SQLITE_IOERR
        return QStringLiteral("写しの書き込みに失敗しました。ディスクの空きや場所を確認してください"
                              "。\n（詳細: %1）")
            .arg(engine);
    return dbErrorOf(error, databasePath, QStringLiteral("写しの作成")).message;
}

// The copy opens as a VORDA database (every table with its fields), is sound, and holds as
// many daily report rows as the file it was taken from.
QString checkCopy(const QString& copyPath, qint64 dailyRows) {
    Database copy;
    if (DbError e = copy.open(copyPath))
        return e.message;
    if (DbError e = copy.quickCheck())
        return e.message;
    qint64 rows = -1;
    if (DbError e = copy.count(table::DailyReport, {}, rows))
        return e.message;
    if (rows != dailyRows)
        return QStringLiteral("写しの日報が %1 件で、元の %2 件と合いません。")
            .arg(rows)
            .arg(dailyRows);
    return QString();
}

} // namespace

bool syncPath(const QString& path, bool folder) {
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_RDONLY | O_CLOEXEC | (folder ? O_DIRECTORY : 0));
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

// Gives `from` the name `to` unless a file of that name exists meanwhile.
bool renameNoReplace(const QString& from, const QString& to, int& error) {
    const QByteArray a = QFile::encodeName(from);
    const QByteArray b = QFile::encodeName(to);
    if (::renameat2(AT_FDCWD, a.constData(), AT_FDCWD, b.constData(), RENAME_NOREPLACE) == 0)
        return true;
    error = errno;
    if (error != EINVAL && error != ENOSYS)
        return false;
    // A file system without the flag: a hard link fails on an existing name as well.
    if (::link(a.constData(), b.constData()) != 0) {
        error = errno;
        return false;
    }
    ::unlink(a.constData());
    return true;
}

QString snapshotTempPath(const QString& target) {
    return target + QStringLiteral(".part");
}

DbError writeSnapshot(Database& db, const QString& target) {
    if (db.engine() == Engine::Server) {
        // A server has no VACUUM INTO: its rows are copied into a new file, read in one
        // snapshot (or under the caller's writers' lock), checked table by table.
        if (QFileInfo::exists(target) || QFileInfo::exists(snapshotTempPath(target)))
            return notWritten(kNameTaken);
        CopyReport report;
        if (DbError e = copyIntoNewFile(db, target, report))
            return notWritten(e.message);
        return {};
    }
    const QString temp = snapshotTempPath(target);
    const QString folder = QFileInfo(target).absolutePath();
    if (QFileInfo::exists(target))
        return notWritten(kNameTaken);
    {
        // Claim the temporary name: a file of that name is never ours to overwrite.
        QFile claim(temp);
        if (!claim.open(QIODevice::NewOnly | QIODevice::WriteOnly))
            return notWritten(
                QFileInfo::exists(temp)
                    ? kNameTaken
                    : QStringLiteral("写しの置き場所 %1 "
                                     "に書き込めません。フォルダの権限とディスクの空きを確認してく"
                                     "ださい。\n（詳細: %2）")
                          .arg(QDir::toNativeSeparators(QFileInfo(target).absolutePath()),
                               claim.errorString()));
    }
    auto abandon = [&](const QString& why) {
        QFile::remove(temp);
        QFile::remove(temp + QStringLiteral("-journal"));
        return notWritten(why);
    };

    // Writers are held off for the time of the copy, so the count below is the copy's.
    bool ownTransaction = false;
    if (!db.inTransaction()) {
        if (DbError e = db.beginImmediate()) {
            if (e.kind != DbErrorKind::ReadOnly)
                return abandon(e.message);
            // A file we may not write: a read transaction keeps writers from committing.
            if ((e = db.exec(QStringLiteral("BEGIN"))))
                return abandon(e.message);
        }
        ownTransaction = true;
    }
    struct EndTransaction {
        Database& db;
        bool active;
        ~EndTransaction() {
            if (active)
                db.rollback();
        }
    } end{db, ownTransaction};

    qint64 dailyRows = 0;
    if (DbError e = db.count(table::DailyReport, {}, dailyRows))
        return abandon(e.message);
    {
        // VACUUM cannot run inside a transaction: a second connection reads the file, which
        // the lock above keeps as it was committed.
        Database source;
        if (DbError e = source.open(db.path()))
            return abandon(e.message);
        QSqlQuery q(source.connection());
        if (!q.prepare(QStringLiteral("VACUUM INTO ?")))
            return abandon(copyFailure(q.lastError(), db.path()));
        q.addBindValue(temp);
        if (!q.exec())
            return abandon(copyFailure(q.lastError(), db.path()));
    }
    if (!syncPath(temp, false) || !syncPath(folder, true))
        return abandon(QStringLiteral("写しをディスクに書き切れませんでした。"));
    if (const QString why = checkCopy(temp, dailyRows); !why.isEmpty())
        return abandon(QStringLiteral("写しの点検で誤りが見つかりました。%1").arg(why));
    int error = 0;
    if (!renameNoReplace(temp, target, error))
        return abandon(error == EEXIST ? kNameTaken
                                       : QStringLiteral("写しに名前を付けられませんでした（%1）。")
                                             .arg(QString::fromLocal8Bit(std::strerror(error))));
    if (!syncPath(folder, true)) {
        // The copy is whole and checked; only its new name may not have reached the disk.
        QFile::remove(target);
        return notWritten(QStringLiteral("写しの名前をディスクに書き切れませんでした。"));
    }
    return {};
}

namespace {

const QString kFolderKey = QStringLiteral("backup/folder");

QSettings userSettings() {
    // The same file as the frame's place: the user's own, not the firm's vorda.INI.
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("vorda"),
                     QStringLiteral("window"));
}

QString withCount(qint64 n) {
    return QLocale(QLocale::Japanese, QLocale::Japan).toString(n);
}

// Days and months between a copy and today, for the generations.
int monthIndex(const QDate& d) {
    return d.year() * 12 + d.month() - 1;
}

} // namespace

QString backupFolder(const QString& databasePath, const QString& chosen) {
    if (!chosen.trimmed().isEmpty())
        return QDir::cleanPath(QDir::fromNativeSeparators(chosen));
    // A server's data has no folder beside it on this computer: the user's own data folder.
    if (isServerLocation(databasePath))
        return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
            .filePath(QStringLiteral("vorda/バックアップ"));
    return QFileInfo(databasePath).absoluteDir().filePath(QStringLiteral("バックアップ"));
}

QString backupBaseName(const QString& databasePath) {
    ServerLocation server;
    QString why;
    if (!isServerLocation(databasePath) || !parseServerLocation(databasePath, server, why))
        return QFileInfo(databasePath).completeBaseName();
    // "DB@HOST" (and "-PORT" when not the usual one): nothing of the URL that a folder, a
    // drive or a file pattern would read otherwise.
    QString name = server.database + u'@' + server.host;
    if (server.port != 5432)
        name += u'-' + QString::number(server.port);
    for (QChar& c : name) {
        if (c.unicode() < 0x20 || QStringLiteral("/\\:*?\"<>|[]").contains(c))
            c = u'-';
    }
    return name;
}

QString chosenBackupFolder() {
    return userSettings().value(kFolderKey).toString();
}

void setChosenBackupFolder(const QString& folder) {
    QSettings settings = userSettings();
    if (folder.trimmed().isEmpty())
        settings.remove(kFolderKey);
    else
        settings.setValue(kFolderKey, QDir::cleanPath(QDir::fromNativeSeparators(folder)));
    settings.sync();
}

QString backupFileName(const QString& databasePath, const QDateTime& stamp) {
    return backupBaseName(databasePath) + u'_' + stamp.toString(QStringLiteral("yyyyMMdd_HHmmss")) +
           QStringLiteral(".db");
}

std::optional<QDateTime> backupStamp(const QString& databasePath, const QString& fileName) {
    const QString base = backupBaseName(databasePath);
    const QRegularExpression form(
        QStringLiteral("^%1_([0-9]{8}_[0-9]{6})\\.db$").arg(QRegularExpression::escape(base)));
    const QRegularExpressionMatch m = form.match(fileName);
    if (!m.hasMatch())
        return std::nullopt;
    const QDateTime stamp = QDateTime::fromString(m.captured(1), QStringLiteral("yyyyMMdd_HHmmss"));
    // A name that reads back otherwise (20261399_…) is no name of ours.
    if (!stamp.isValid() || backupFileName(databasePath, stamp) != fileName)
        return std::nullopt;
    return stamp;
}

std::vector<BackupCopy> listBackups(const QString& folder, const QString& databasePath) {
    std::vector<BackupCopy> out;
    const QDir dir(folder);
    const QString base = backupBaseName(databasePath);
    const QFileInfoList entries =
        dir.entryInfoList({base + QStringLiteral("_*.db")}, QDir::Files | QDir::Hidden);
    for (const QFileInfo& f : entries) {
        if (const auto stamp = backupStamp(databasePath, f.fileName()))
            out.push_back(BackupCopy{f.absoluteFilePath(), *stamp, f.size()});
    }
    std::sort(out.begin(), out.end(),
              [](const BackupCopy& a, const BackupCopy& b) { return a.stamp > b.stamp; });
    return out;
}

std::vector<BackupCopy> expiredBackups(const std::vector<BackupCopy>& copies, const QDate& today) {
    // The first copy of each month and of each year among those there are.
    std::map<int, QDateTime> firstOfMonth, firstOfYear;
    for (const BackupCopy& c : copies) {
        const int m = monthIndex(c.stamp.date());
        if (!firstOfMonth.count(m) || c.stamp < firstOfMonth[m])
            firstOfMonth[m] = c.stamp;
        const int y = c.stamp.date().year();
        if (!firstOfYear.count(y) || c.stamp < firstOfYear[y])
            firstOfYear[y] = c.stamp;
    }
    std::vector<BackupCopy> out;
    for (const BackupCopy& c : copies) {
        const QDate day = c.stamp.date();
        if (day.daysTo(today) < 14)
            continue;
        const int m = monthIndex(day);
        if (firstOfMonth[m] == c.stamp && monthIndex(today) - m < 24)
            continue;
        if (firstOfYear[day.year()] == c.stamp)
            continue;
        out.push_back(c);
    }
    return out;
}

QStringList pruneBackups(const QString& folder, const QString& databasePath, const QDate& today) {
    QStringList removed;
    for (const BackupCopy& c : expiredBackups(listBackups(folder, databasePath), today)) {
        if (QFile::remove(c.path))
            removed << c.path;
    }
    return removed;
}

DbError readBackupFacts(const QString& path, BackupFacts& out, bool check) {
    out = {};
    const QFileInfo info(path);
    out.path = info.absoluteFilePath();
    out.size = info.size();
    out.written = info.lastModified();
    Database db;
    if (DbError e = db.open(path))
        return e;
    if (DbError e = check ? db.quickCheck() : DbError{})
        return e;
    for (const TableDef& t : schemaTables()) {
        qint64 n = 0;
        if (DbError e = db.count(t.name, {}, n))
            return e;
        out.tableRows.emplace_back(t.name, n);
        if (t.name == table::DailyReport)
            out.dailyRows = n;
    }
    // Each end on the 日付 index, over dates written YYYY-MM-DD.
    const QString date = quoteIdentifier(db.fieldName(table::DailyReport, 0));
    const QString name = quoteIdentifier(table::DailyReport);
    const QString range = QStringLiteral("%1 >= '0000-01-01' AND %1 <= '9999-12-31'").arg(date);
    for (const bool first : {true, false}) {
        QSqlQuery q(db.connection());
        q.setForwardOnly(true);
        if (!q.exec(QStringLiteral("SELECT %1(%2) FROM %3 WHERE %4")
                        .arg(first ? QStringLiteral("min") : QStringLiteral("max"), date, name,
                             range)) ||
            !q.next())
            return dbErrorOf(q.lastError(), path, table::DailyReport);
        (first ? out.firstReport : out.lastReport) =
            QDate::fromString(q.value(0).toString(), Qt::ISODate);
    }
    return {};
}

QString factsSummary(const BackupFacts& facts) {
    QString text = QStringLiteral("日報 %1 件").arg(withCount(facts.dailyRows));
    if (facts.firstReport.isValid())
        text += QStringLiteral("、%1 ～ %2")
                    .arg(facts.firstReport.toString(QStringLiteral("yyyy/MM/dd")),
                         facts.lastReport.toString(QStringLiteral("yyyy/MM/dd")));
    return text;
}

DbError backupOpen(Database& db, const QString& folder, const QDateTime& now, BackupResult& out) {
    out = {};
    if (!QDir().mkpath(folder) || !QFileInfo(folder).isDir())
        return DbError{DbErrorKind::Failed,
                       QStringLiteral("バックアップを作成できませんでした。バックアップの"
                                      "フォルダ %1 を作れません。場所と権限を確認してください。")
                           .arg(QDir::toNativeSeparators(folder))};
    // Never over a file: two copies within one second take the next free second.
    QDateTime stamp = now;
    QString target = QDir(folder).filePath(backupFileName(db.path(), stamp));
    for (int i = 0;
         i < 60 && (QFileInfo::exists(target) || QFileInfo::exists(snapshotTempPath(target)));
         ++i) {
        stamp = stamp.addSecs(1);
        target = QDir(folder).filePath(backupFileName(db.path(), stamp));
    }
    if (DbError e = writeSnapshot(db, target))
        return e;
    out.path = target;
    noteDailyBackup(db.path(), now.date());
    out.removed = pruneBackups(folder, db.path(), now.date());
    // writeSnapshot has just checked the copy whole.
    if (DbError e = readBackupFacts(target, out.facts, false))
        return e;
    return {};
}

DbError backupNow(const QString& databasePath, const QString& folder, const QDateTime& now,
                  BackupResult& out) {
    out = {};
    Database db;
    if (DbError e = db.open(databasePath))
        return e;
    db.setAutomaticCopy(false); // this is the copy
    return backupOpen(db, folder, now, out);
}

DbError backupTo(const QString& databasePath, const QString& target, BackupResult& out) {
    out = {};
    const QFileInfo info(target);
    if (target.trimmed().isEmpty() || info.exists() || info.isSymLink())
        return DbError{DbErrorKind::Failed,
                       QStringLiteral("%1 はすでにあります。バックアップは新しいファイルにだけ"
                                      "書きます。")
                           .arg(QDir::toNativeSeparators(target))};
    if (!info.absoluteDir().exists())
        return DbError{DbErrorKind::FolderMissing,
                       QStringLiteral("フォルダ %1 がありません。")
                           .arg(QDir::toNativeSeparators(info.absolutePath()))};
    Database db;
    if (DbError e = db.open(databasePath))
        return e;
    db.setAutomaticCopy(false);
    if (DbError e = writeSnapshot(db, info.absoluteFilePath()))
        return e;
    out.path = info.absoluteFilePath();
    return readBackupFacts(out.path, out.facts);
}

namespace {

struct DailyState {
    QMutex mutex;
    std::optional<DailyBackupPolicy> policy;
    QHash<QString, QDate> done;   // database → the day its copy exists
    QHash<QString, QDate> looked; // database → the day its folder was looked at
    bool copying = false;         // the copy's own lock must not make another copy
};

DailyState& daily() {
    static DailyState s;
    return s;
}

QString dailyKey(const QString& databasePath) {
    return isServerLocation(databasePath) ? databasePath.trimmed()
                                          : QFileInfo(databasePath).absoluteFilePath();
}

// Whether a copy of that day already lies in the folder (this program's name), or a purge
// made one beside the database that day.
bool haveCopyOf(const QString& folder, const QString& databasePath, const QDate& day) {
    const QString stamp = day.toString(QStringLiteral("yyyyMMdd"));
    for (const BackupCopy& c : listBackups(folder, databasePath)) {
        if (c.stamp.date() == day)
            return true;
    }
    // A purge's copy: beside a file; a server's among its other copies.
    const QDir dir =
        isServerLocation(databasePath) ? QDir(folder) : QFileInfo(databasePath).absoluteDir();
    return !dir.entryList({backupBaseName(databasePath) + QStringLiteral("_backup_") + stamp +
                           QStringLiteral("_??????*")},
                          QDir::Files)
                .isEmpty();
}

void beforeWrite(Database& db) {
    DailyState& s = daily();
    DailyBackupPolicy policy;
    QDateTime now;
    QString key;
    {
        QMutexLocker lock(&s.mutex);
        if (!s.policy || s.copying)
            return;
        policy = *s.policy;
        now = policy.now ? policy.now() : QDateTime::currentDateTime();
        key = dailyKey(db.path());
        if (s.done.value(key) == now.date())
            return;
    }
    const QString folder = policy.folder ? policy.folder(db.path()) : backupFolder(db.path(), {});
    {
        QMutexLocker lock(&s.mutex);
        // The folder is looked at once a day; after that only a failed copy is tried again.
        if (s.looked.value(key) != now.date()) {
            s.looked[key] = now.date();
            if (haveCopyOf(folder, db.path(), now.date())) {
                s.done[key] = now.date();
                return;
            }
        }
        s.copying = true;
    }
    BackupResult result;
    const DbError e = backupOpen(db, folder, now, result);
    {
        QMutexLocker lock(&s.mutex);
        s.copying = false;
    }
    if (policy.report)
        policy.report(db.path(), result.path, e);
}

} // namespace

void setDailyBackupPolicy(const DailyBackupPolicy& policy) {
    DailyState& s = daily();
    {
        QMutexLocker lock(&s.mutex);
        s.policy = policy;
        s.done.clear();
        s.looked.clear();
    }
    Database::setWriteHook(&beforeWrite);
}

void clearDailyBackupPolicy() {
    Database::setWriteHook(nullptr);
    DailyState& s = daily();
    QMutexLocker lock(&s.mutex);
    s.policy.reset();
    s.done.clear();
    s.looked.clear();
}

void noteDailyBackup(const QString& databasePath, const QDate& day) {
    DailyState& s = daily();
    QMutexLocker lock(&s.mutex);
    s.done[dailyKey(databasePath)] = day;
}

} // namespace vorda
