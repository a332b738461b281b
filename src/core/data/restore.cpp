#include "core/data/restore.h"

#include "core/data/schema.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDriver>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vorda {

namespace {

DbError refused(const QString& why) {
    return DbError{DbErrorKind::Failed, QStringLiteral("復元できません。%1").arg(why)};
}

QString native(const QString& path) {
    return QDir::toNativeSeparators(path);
}

bool sameFile(const QString& a, const QString& b) {
    struct stat sa {};
    struct stat sb {};
    // stat opens no descriptor, so a connection's locks on the database are safe.
    if (::stat(QFile::encodeName(a).constData(), &sa) != 0 ||
        ::stat(QFile::encodeName(b).constData(), &sb) != 0)
        return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

// Copies a file that no connection of this process holds, byte for byte, into a new file,
// flushed to the disk.
QString copyBytes(const QString& from, const QString& to) {
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly))
        return QStringLiteral("%1 を読めません。（%2）").arg(native(from), in.errorString());
    QFile out(to);
    if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered))
        return QStringLiteral("%1 を作れません。フォルダの権限とディスクの空きを確認してください。"
                              "（%2）")
            .arg(native(to), out.errorString());
    QByteArray chunk;
    while (!(chunk = in.read(1 << 20)).isEmpty()) {
        if (out.write(chunk) != chunk.size()) {
            const QString why = out.errorString();
            out.close();
            QFile::remove(to);
            return QStringLiteral("%1 に書き切れませんでした。ディスクの空きを確認してください。"
                                  "（%2）")
                .arg(native(to), why);
        }
    }
    if (in.error() != QFile::NoError || ::fsync(out.handle()) != 0) {
        out.close();
        QFile::remove(to);
        return QStringLiteral("%1 を写せませんでした。").arg(native(from));
    }
    return QString();
}

// A server's tables are not replaced by a file: the copy goes into an empty database with
// copy-db, and the data location is pointed at it, so the data in use is never dropped.
DbError serverRefusal(const QString& location) {
    return refused(
        QStringLiteral("データの場所がサーバー（%1）のため、写しのファイルで置き換えることは"
                       "できません。サーバーに空のデータベースを作り、「vorda copy-db 写しのファ"
                       "イル postgresql://ユーザー@ホスト/新しいデータベース」で写してから、"
                       "データの場所をそのデータベースに変えてください。")
            .arg(location.trimmed()));
}

// The checks of FILE, and its bytes beside the database under the staging name.
DbError stage(const QString& databasePath, const QString& file, RestorePlan& plan,
              bool readCurrent) {
    plan = {};
    const QFileInfo info(file);
    if (file.trimmed().isEmpty())
        return refused(QStringLiteral("復元するファイルを指定してください。"));
    if (!info.exists())
        return refused(QStringLiteral("%1 がありません。").arg(native(file)));
    if (!info.isFile())
        return refused(QStringLiteral("%1 は普通のファイルではありません。").arg(native(file)));
    if (sameFile(file, databasePath))
        return refused(
            QStringLiteral(
                "%1 は今のデータベースそのものです。バックアップの写しを指定してください。")
                .arg(native(file)));
    for (const char* suffix : {"-journal", "-wal"}) {
        const QFileInfo left(file + QLatin1String(suffix));
        if (left.exists() && left.size() > 0)
            return refused(QStringLiteral("%1 には途中で終わった書き込みの記録（%2）が残っていて、"
                                          "ファイルだけでは中身がそろいません。")
                               .arg(native(file), native(left.filePath())));
    }
    const QFileInfo db(databasePath);
    if (!db.absoluteDir().exists())
        return refused(QStringLiteral("データの場所のフォルダ %1 がありません。")
                           .arg(native(db.absolutePath())));
    const QString staged = restoreStagingPath(databasePath);
    // A staging file is ours by its name: one left by an interrupted restore is dropped.
    QFile::remove(staged);
    QFile::remove(staged + QStringLiteral("-journal"));
    if (const QString why = copyBytes(file, staged); !why.isEmpty())
        return refused(why);
    DbError e = readBackupFacts(staged, plan.file);
    if (e) {
        QFile::remove(staged);
        QFile::remove(staged + QStringLiteral("-journal"));
        // The check ran on the copy; the user knows the file by its own name.
        e.message.replace(native(staged), native(file));
        e.message.replace(staged, native(file));
        return refused(e.message);
    }
    plan.file.path = info.absoluteFilePath();
    plan.file.size = info.size();
    plan.file.written = info.lastModified();
    plan.currentExists = db.exists();
    if (plan.currentExists && readCurrent) {
        if (DbError c = readBackupFacts(databasePath, plan.current))
            plan.currentProblem = c.message;
    }
    return {};
}

void dropStaging(const QString& databasePath) {
    const QString staged = restoreStagingPath(databasePath);
    QFile::remove(staged);
    QFile::remove(staged + QStringLiteral("-journal"));
}

sqlite3* handleOf(Database& db) {
    const QVariant v = db.connection().driver()->handle();
    if (!v.isValid() || qstrcmp(v.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3* const*>(v.constData());
}

// The staged file's pages into the open database, in one step of SQLite's online backup:
// one write transaction of the database, journaled, so a process ended half-way leaves the
// old file whole.
DbError writeInto(Database& db, const QString& staged) {
    Database source;
    if (DbError e = source.open(staged))
        return e;
    sqlite3* to = handleOf(db);
    sqlite3* from = handleOf(source);
    if (!to || !from)
        return refused(QStringLiteral("SQLite に直接つなげません。"));
    sqlite3_backup* b = sqlite3_backup_init(to, "main", from, "main");
    if (!b)
        return refused(QString::fromUtf8(sqlite3_errmsg(to)));
    const int step = sqlite3_backup_step(b, -1);
    const int finish = sqlite3_backup_finish(b);
    if (step == SQLITE_BUSY || step == SQLITE_LOCKED)
        return refused(QStringLiteral("データベース %1 "
                                      "を他のプログラムが使用中です。ほかの VORDA "
                                      "を終了してからもう一度実行してください。")
                           .arg(native(db.path())));
    if (step != SQLITE_DONE || finish != SQLITE_OK)
        return DbError{
            DbErrorKind::Failed,
            QStringLiteral("復元の書き込みに失敗しました。データベースは元のままです。"
                           "\n（詳細: %1）")
                .arg(QString::fromUtf8(sqlite3_errstr(step != SQLITE_DONE ? step : finish)))};
    return {};
}

// Gives `from` the name `to`, replacing it, and flushes the folder.
DbError renameInto(const QString& from, const QString& to) {
    if (::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0 ||
        !syncPath(QFileInfo(to).absolutePath(), true))
        return DbError{DbErrorKind::Failed,
                       QStringLiteral("%1 を置き換えられませんでした。（%2）")
                           .arg(native(to), QString::fromLocal8Bit(std::strerror(errno)))};
    return {};
}

} // namespace

QString restoreStagingPath(const QString& databasePath) {
    return QFileInfo(databasePath).absoluteFilePath() + QStringLiteral(".restore-part");
}

DbError checkRestore(const QString& databasePath, const QString& file, RestorePlan& out) {
    out = {};
    if (isServerLocation(databasePath))
        return serverRefusal(databasePath);
    const DbError e = stage(databasePath, file, out, true);
    dropStaging(databasePath);
    return e;
}

QString restoreQuestion(const QString& databasePath, const RestorePlan& plan) {
    const QString what = !plan.currentExists ? QStringLiteral("（今はファイルがありません）")
                         : plan.currentProblem.isEmpty()
                             ? QStringLiteral("（%1）").arg(factsSummary(plan.current))
                             : QStringLiteral("（読めないファイル）");
    return QStringLiteral("データベース %1 %2 を、%3 の内容（%4、%5 の時点）で置き換えます。"
                          "今のデータベースはバックアップのフォルダに写してから置き換えます。")
        .arg(native(databasePath), what, native(plan.file.path), factsSummary(plan.file),
             plan.file.written.toString(QStringLiteral("yyyy/MM/dd HH:mm")));
}

DbError restoreDatabase(const QString& databasePath, const QString& file, const QString& folder,
                        const QDateTime& now, RestoreResult& out, int busyTimeoutMs) {
    out = {};
    if (isServerLocation(databasePath))
        return serverRefusal(databasePath);
    RestorePlan plan;
    // The current file is checked below, under the restore's own steps.
    if (DbError e = stage(databasePath, file, plan, false)) {
        dropStaging(databasePath);
        return e;
    }
    const QString staged = restoreStagingPath(databasePath);
    struct Cleanup {
        QString path;
        ~Cleanup() { dropStaging(path); }
    } cleanup{databasePath};

    if (!plan.currentExists) {
        if (DbError e = renameInto(staged, databasePath))
            return e;
    } else {
        bool readable = false;
        {
            Database current;
            current.setBusyTimeout(busyTimeoutMs);
            const DbError open = current.open(databasePath);
            if (open.kind == DbErrorKind::Locked)
                return refused(open.message);
            readable = !open && !current.quickCheck();
            if (readable) {
                current.setAutomaticCopy(false); // the copy below is the day's copy
                BackupResult copy;
                if (DbError e = backupOpen(current, folder, now, copy))
                    return refused(
                        QStringLiteral("今のデータベースの写しを作れません。\n%1").arg(e.message));
                out.replacedCopy = copy.path;
                if (DbError e = writeInto(current, staged))
                    return e;
            }
        }
        if (!readable) {
            // SQLite cannot read it, so no copy of ours could have it open: its bytes and
            // its journal are kept as they are, and the checked file takes its name.
            if (!QDir().mkpath(folder))
                return refused(
                    QStringLiteral("バックアップのフォルダ %1 を作れません。").arg(native(folder)));
            const QString kept = QDir(folder).filePath(
                QFileInfo(databasePath).completeBaseName() + QStringLiteral("_壊れたファイル_") +
                now.toString(QStringLiteral("yyyyMMdd_HHmmss")) + QStringLiteral(".db"));
            if (const QString why = copyBytes(databasePath, kept); !why.isEmpty())
                return refused(QStringLiteral("今のデータベースの写しを作れません。%1").arg(why));
            const QString journal = databasePath + QStringLiteral("-journal");
            if (QFileInfo::exists(journal) &&
                ::rename(QFile::encodeName(journal).constData(),
                         QFile::encodeName(kept + QStringLiteral("-journal")).constData()) != 0)
                return refused(QStringLiteral("%1 を移せません。").arg(native(journal)));
            out.replacedCopy = kept;
            if (DbError e = renameInto(staged, databasePath))
                return e;
        }
    }
    // Sound and ours; the counts may already differ from FILE's, since another copy of the
    // program waiting for the lock writes as soon as the restore has committed.
    if (DbError e = readBackupFacts(databasePath, out.restored))
        return DbError{DbErrorKind::Failed,
                       QStringLiteral("復元したデータベースの点検で誤りが見つかりました。"
                                      "置き換える前のデータベースは %1 にあります。\n%2")
                           .arg(native(out.replacedCopy), e.message)};
    noteDailyBackup(databasePath, now.date());
    return {};
}

} // namespace vorda
