#include "core/app/file_output.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringList>
#include <cerrno>
#include <sys/stat.h>

namespace vorda {

namespace {

// The header of a file that is none of the kept ones; only regular files get here.
bool holdsSqliteDatabase(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) && f.read(16) == QByteArray("SQLite format 3\0", 16);
}

// The file a name stands for: the device and inode of what exists under it, or under the
// cleaned name ("sub/.." where sub does not exist yet).
bool statOf(const QString& path, struct stat* st) {
    return ::stat(QFile::encodeName(path).constData(), st) == 0 ||
           ::stat(
               QFile::encodeName(QDir::cleanPath(QFileInfo(path).absoluteFilePath())).constData(),
               st) == 0;
}

// The same file under two names: the same device and inode when both exist (a symbolic or a
// hard link), otherwise the same cleaned absolute path (a file about to be created).
bool sameFile(const QString& a, const QString& b) {
    if (a.isEmpty() || b.trimmed().isEmpty())
        return false;
    struct stat sa {};
    struct stat sb {};
    const bool aExists = statOf(a, &sa);
    const bool bExists = statOf(b, &sb);
    if (aExists && bExists)
        return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
    if (aExists != bExists)
        return false;
    return QDir::cleanPath(QFileInfo(a).absoluteFilePath()) ==
           QDir::cleanPath(QFileInfo(b).absoluteFilePath());
}

QString databaseRefused(const QString& file) {
    return QStringLiteral(
               "%1 "
               "はデータベースのファイルです。上書きしません。別のファイル名を指定してください。")
        .arg(file);
}

// What went wrong with a file, in the user's words (Qt's own text is English). The system's
// error number says why; Qt's error kind only says which step failed.
QString reasonOf(const QFileDevice& f, int err) {
    switch (err) {
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("ディスクの空きが足りません");
    case EFBIG:
        return QStringLiteral("ファイルの大きさの上限を超えます");
    case ENAMETOOLONG:
        return QStringLiteral("ファイル名が長すぎます");
    case EACCES:
    case EPERM:
    case EROFS:
        return QStringLiteral("書き込む権限がありません");
    case ENOENT:
    case ENOTDIR:
        return QStringLiteral("フォルダがありません");
    default:
        break;
    }
    switch (f.error()) {
    case QFileDevice::ResourceError:
        return QStringLiteral("ディスクの空きが足りません");
    case QFileDevice::PermissionsError:
        return QStringLiteral("書き込む権限がありません");
    case QFileDevice::OpenError:
        return QStringLiteral("ファイルを作れません。フォルダと権限を確認してください");
    default:
        return QStringLiteral("書き込みが止められました");
    }
}

} // namespace

QString refuseOutputFile(const QString& path, const KeptFiles& kept) {
    const QString file = QDir::toNativeSeparators(path);
    if (path.trimmed().isEmpty())
        return QStringLiteral("出力先のファイル名が空です。保存するファイル名を指定してください。");
    const QFileInfo info(path); // exists() and isFile() follow links
    if (info.exists() && !info.isFile())
        return info.isDir()
                   ? QStringLiteral("%1 はフォルダです。保存するファイル名を指定してください。")
                         .arg(file)
                   : QStringLiteral("%1 "
                                    "は普通のファイルではありません。上書きしません。別のファイル名"
                                    "を指定してください。")
                         .arg(file);
    if (!kept.databasePath.trimmed().isEmpty()) {
        for (const char* suffix : {"", "-journal", "-wal", "-shm"}) {
            if (sameFile(path, kept.databasePath + QLatin1String(suffix)))
                return databaseRefused(file);
        }
    }
    if (sameFile(path, kept.iniPath))
        return QStringLiteral("%1 "
                              "は使用中の設定ファイル（vorda."
                              "INI）です。上書きしません。別のファイル名を指定してください。")
            .arg(file);
    if (info.isFile() && holdsSqliteDatabase(path))
        return databaseRefused(file);
    return QString();
}

QString writeWholeFile(const QString& path, const QByteArray& bytes, const KeptFiles& kept) {
    if (const QString refused = refuseOutputFile(path, kept); !refused.isEmpty())
        return refused;
    const QString file = QDir::toNativeSeparators(path);
    // Only a file that was there can be said to be kept as it was.
    const QString oldFileNote =
        QFileInfo::exists(path) ? QStringLiteral("元のファイルはそのままです。") : QString();
    // Unbuffered: a buffered write that fails on a full disk goes unseen and commit()
    // would replace the file with an empty one.
    QSaveFile out(path);
    errno = 0;
    if (!out.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return QStringLiteral("%1 に書き込めません（%2）。").arg(file, reasonOf(out, errno));
    if (out.write(bytes) != bytes.size()) {
        const QString reason = reasonOf(out, errno);
        out.cancelWriting();
        return QStringLiteral("%1 に書き込めませんでした（%2）。%3").arg(file, reason, oldFileNote);
    }
    errno = 0;
    if (!out.commit())
        return QStringLiteral("%1 に書き込めませんでした（%2）。%3")
            .arg(file, reasonOf(out, errno), oldFileNote);
    return QString();
}

} // namespace vorda
