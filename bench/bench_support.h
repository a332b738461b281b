#pragma once
// What every benchmark needs: the folder of its generated files, the median of runs, and
// a stop with the reason when the program under measure fails.

#include "core/data/database.h"

#include <QDir>
#include <QString>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace vorda::bench {

inline double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// The folder named on the command line (the files are kept there), or a temporary one.
inline QString benchFolder(int argc, char** argv, const QTemporaryDir& temp) {
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : temp.path();
    QDir().mkpath(folder);
    return folder;
}

[[noreturn]] inline void fail(const QString& message) {
    std::fprintf(stderr, "%s\n", qPrintable(message));
    std::exit(1);
}

inline void check(const DbError& e) {
    if (e)
        fail(e.message);
}

} // namespace vorda::bench
