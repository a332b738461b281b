#include "core/data/backup.h"

#include "core/data/schema.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

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

// Flushes a file (or a folder's entries) to the disk. The copy is written with SQLite's
// syncs off, so nothing else does it.
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

QString snapshotTempPath(const QString& target) {
    return target + QStringLiteral(".part");
}

DbError writeSnapshot(Database& db, const QString& target) {
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

} // namespace vorda
