#include "core/app/app_state.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace vorda {

float scaleForPaper(int paperCode) {
    switch (paperCode) {
    case 8:
        return 1.15f; // A3
    case 9:
    case 10:
        return 0.82f; // A4, A4 small
    case 11:
        return 0.41f; // A5: the B4 layout at 0.41 keeps the sheet inside the smaller page
    case 12:
        return 1.0f; // B4, the reference
    case 13:
        return 0.71f; // B5
    default:
        return 1.0f;
    }
}

void applyPaperScale(AppState& state) {
    state.positionScale = scaleForPaper(state.paperCode);
    state.fontScale = state.positionScale;
}

IniReadResult INIREAD(AppState& state) {
    IniReadResult r = readIniFile(state.iniPath);
    state.secondValue = r.values.secondValue;
    state.paperCode = r.values.paperCode;
    state.orientationCode = r.values.orientationCode;
    state.boundDatabasePath = r.values.databasePath;
    state.databasePath = r.values.databasePath;
    applyPaperScale(state);
    return r;
}

QString INIWRITE(const AppState& state) {
    IniValues v;
    v.databasePath = state.databasePath;
    v.secondValue = state.secondValue;
    v.paperCode = state.paperCode;
    v.orientationCode = state.orientationCode;
    return writeIniFile(state.iniPath, v);
}

QString defaultIniPath(const QString& programDir) {
    const QFileInfo dir(programDir);
    // An installed program (the package puts it in /usr/bin) keeps each user's vorda.INI in
    // the user's folder, even for root, who could write beside it.
    const QString canonical = dir.canonicalFilePath();
    const bool installed = canonical.startsWith(QLatin1String("/usr/")) ||
                           canonical == QLatin1String("/bin") ||
                           canonical == QLatin1String("/sbin");
    if (dir.isDir() && dir.isWritable() && !installed)
        return QDir(programDir).filePath(QStringLiteral("vorda.INI"));
    QString config = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    if (config.isEmpty())
        config = QDir::home().filePath(QStringLiteral(".config/vorda"));
    QDir().mkpath(config);
    return QDir(config).filePath(QStringLiteral("vorda.INI"));
}

} // namespace vorda
