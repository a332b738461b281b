#pragma once
// A sheet's dump against its golden file. The file is rewritten only on request
// (VORDA_UPDATE_GOLDEN=1), never by a failing run.

#include "core/reports/recording_printer.h"

#include <QFile>
#include <QStringList>
#include <QTest>

namespace vorda::test {

enum class Golden { Match, Written, Differs };

// On Differs, `why` names the first line that differs, or the line counts.
inline Golden compareWithGolden(const QStringList& dump, const QString& path, QString& why) {
    if (qEnvironmentVariableIsSet("VORDA_UPDATE_GOLDEN")) {
        QFile out(path);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            why = QStringLiteral("cannot write ") + path;
            return Golden::Differs;
        }
        out.write((dump.join(u'\n') + u'\n').toUtf8());
        return Golden::Written;
    }
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly)) {
        why = QStringLiteral("no golden dump %1: run once with VORDA_UPDATE_GOLDEN=1").arg(path);
        return Golden::Differs;
    }
    const QStringList expected = QString::fromUtf8(in.readAll()).split(u'\n', Qt::SkipEmptyParts);
    for (int i = 0; i < std::min(dump.size(), expected.size()); ++i) {
        if (dump[i] != expected[i]) {
            why = QStringLiteral("line %1: %2\n   golden: %3").arg(i + 1).arg(dump[i], expected[i]);
            return Golden::Differs;
        }
    }
    if (dump.size() != expected.size()) {
        why = QStringLiteral("%1 lines, golden %2").arg(dump.size()).arg(expected.size());
        return Golden::Differs;
    }
    return Golden::Match;
}

// The text the recording printer placed at (x, y) on the given sheet; empty when none.
inline QString printedAt(const std::vector<RecordingPrinter::Text>& texts, float x, float y,
                         int sheet = 0) {
    for (const auto& t : texts) {
        if (qFuzzyCompare(t.x, x) && qFuzzyCompare(t.y, y) && t.sheet == sheet)
            return t.text;
    }
    return QString();
}

} // namespace vorda::test

// Fails the calling test on a difference; skips it after rewriting the file.
#define VORDA_COMPARE_GOLDEN(dump, path)                                                           \
    do {                                                                                           \
        QString vorda_golden_why;                                                                  \
        switch (::vorda::test::compareWithGolden((dump), (path), vorda_golden_why)) {              \
        case ::vorda::test::Golden::Written:                                                       \
            QSKIP("golden dump written");                                                          \
        case ::vorda::test::Golden::Differs:                                                       \
            QFAIL(qPrintable(vorda_golden_why));                                                   \
        case ::vorda::test::Golden::Match:                                                         \
            break;                                                                                 \
        }                                                                                          \
    } while (false)
