#pragma once
// The golden dump of a sheet: compared line by line, rewritten only on request
// (VORDA_UPDATE_GOLDEN=1), never by a failing run.

#include <QFile>
#include <QString>
#include <QStringList>
#include <algorithm>

namespace vorda::test {

// Empty when the dump equals the golden file, otherwise where it differs. With
// VORDA_UPDATE_GOLDEN set the file is rewritten instead and `written` tells the caller to skip.
inline QString goldenDifference(const QStringList& dump, const QString& path, bool& written) {
    written = false;
    if (qEnvironmentVariableIsSet("VORDA_UPDATE_GOLDEN")) {
        QFile out(path);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return QStringLiteral("cannot write %1").arg(path);
        out.write((dump.join(u'\n') + u'\n').toUtf8());
        written = true;
        return QString();
    }
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly))
        return QStringLiteral("no golden dump %1: run once with VORDA_UPDATE_GOLDEN=1").arg(path);
    const QStringList expected = QString::fromUtf8(in.readAll()).split(u'\n', Qt::SkipEmptyParts);
    for (qsizetype i = 0; i < std::min(dump.size(), expected.size()); ++i) {
        if (dump[i] != expected[i])
            return QStringLiteral("line %1: %2\n golden: %3").arg(i + 1).arg(dump[i], expected[i]);
    }
    if (dump.size() != expected.size())
        return QStringLiteral("%1 lines, golden %2").arg(dump.size()).arg(expected.size());
    return QString();
}

} // namespace vorda::test

// Compares a dump with its golden file, or rewrites the file and skips.
#define VORDA_COMPARE_GOLDEN(dump, path)                                                           \
    do {                                                                                           \
        bool vorda_golden_written = false;                                                         \
        const QString vorda_golden_difference =                                                    \
            ::vorda::test::goldenDifference((dump), (path), vorda_golden_written);                 \
        if (vorda_golden_written)                                                                  \
            QSKIP("golden dump written");                                                          \
        QVERIFY2(vorda_golden_difference.isEmpty(), qPrintable(vorda_golden_difference));          \
    } while (false)
