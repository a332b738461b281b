#include "core/app/file_output.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace vorda {

namespace {

bool holdsSqliteDatabase(const QFileInfo& info) {
    if (!info.isFile())
        return false;
    QFile f(info.filePath());
    return f.open(QIODevice::ReadOnly) && f.read(16) == QByteArray("SQLite format 3\0", 16);
}

bool sameFile(const QFileInfo& a, const QFileInfo& b) {
    if (a.exists() && b.exists())
        return a.canonicalFilePath() == b.canonicalFilePath();
    return QDir::cleanPath(a.absoluteFilePath()) == QDir::cleanPath(b.absoluteFilePath());
}

} // namespace

QString refuseOverDatabase(const QString& path, const QString& databasePath) {
    const QFileInfo info(path);
    const bool configured = !databasePath.trimmed().isEmpty() && sameFile(info, QFileInfo(databasePath));
    if (!configured && !holdsSqliteDatabase(info))
        return QString();
    return QStringLiteral("%1 はデータベースのファイルです。上書きしません。別のファイル名を指定してください。")
        .arg(QDir::toNativeSeparators(path));
}

QString writeWholeFile(const QString& path, const QByteArray& bytes, const QString& databasePath) {
    if (const QString refused = refuseOverDatabase(path, databasePath); !refused.isEmpty())
        return refused;
    const QString file = QDir::toNativeSeparators(path);
    // Unbuffered: a buffered write that fails on a full disk goes unseen and commit()
    // would replace the file with an empty one.
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return QStringLiteral("%1 に書き込めません（%2）。").arg(file, out.errorString());
    if (out.write(bytes) != bytes.size()) {
        const QString reason = out.errorString();
        out.cancelWriting();
        return QStringLiteral("%1 に書き込めませんでした（%2）。ディスクの空きを確認してください。元のファイルはそのままです。")
            .arg(file, reason);
    }
    if (!out.commit())
        return QStringLiteral("%1 に書き込めませんでした（%2）。元のファイルはそのままです。").arg(file, out.errorString());
    return QString();
}

} // namespace vorda
