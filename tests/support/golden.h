#pragma once
// A sheet's dump against its golden file. The file is rewritten only on request: a run with
// VORDA_UPDATE_GOLDEN=1 writes it and skips the comparison; a failing run never touches it.

#include "support/files.h"

#include <QStringList>
#include <QTest>
#include <algorithm>

#define VORDA_COMPARE_GOLDEN(dumpLines, goldenPath)                                                \
    do {                                                                                           \
        const QStringList vorda_dump = (dumpLines);                                                \
        const QString vorda_golden = (goldenPath);                                                 \
        if (qEnvironmentVariableIsSet("VORDA_UPDATE_GOLDEN")) {                                    \
            QVERIFY(::vorda::test::writeFile(vorda_golden,                                         \
                                             (vorda_dump.join(u'\n') + u'\n').toUtf8()));          \
            QSKIP("golden dump written");                                                          \
        }                                                                                          \
        const QByteArray vorda_bytes = ::vorda::test::readFile(vorda_golden);                      \
        QVERIFY2(!vorda_bytes.isEmpty(), "no golden dump: run once with VORDA_UPDATE_GOLDEN=1");   \
        const QStringList vorda_expected =                                                         \
            QString::fromUtf8(vorda_bytes).split(u'\n', Qt::SkipEmptyParts);                       \
        for (qsizetype i = 0; i < std::min(vorda_dump.size(), vorda_expected.size()); ++i)         \
            QCOMPARE(vorda_dump[i], vorda_expected[i]);                                            \
        QCOMPARE(vorda_dump.size(), vorda_expected.size());                                        \
    } while (false)
