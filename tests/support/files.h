#pragma once
// Whole-file reads and writes for tests, and a fingerprint to tell "left as it was".

#include <QByteArray>
#include <QCryptographicHash>
#include <QFile>
#include <QString>

namespace vorda::test {

inline QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// Empty for a file that cannot be read.
inline QByteArray fileHash(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256)
                                       : QByteArray();
}

} // namespace vorda::test
