// Opening the project picker on a project table of thirty years (12,500 projects, the last
// few still running): the first opening, which reads the file, and the openings after it,
// which a list kept until the projects change serves.
// Usage: bench_picker [folder]   (the generated file is kept there when a folder is given)

#include "bench_support.h"

#include "core/app/app_state.h"
#include "core/data/database.h"
#include "core/data/new_database.h"
#include "core/data/schema.h"
#include "core/data/values.h"
#include "ui/app/frame_window.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <cstdio>

using namespace vorda;
using vorda::bench::check;
using vorda::bench::fail;

namespace {

constexpr int kProjects = 12500;

// Thirty years of projects, each running two to six months, ending before `today` but the
// last ones.
void generate(const QString& path, const QDate& today) {
    QFile::remove(path);
    check(createDatabase(path, NewDatabaseOptions()));
    Database db;
    check(db.open(path));
    check(db.beginImmediate());
    const QDate first = today.addYears(-30);
    const qint64 span = first.daysTo(today);
    for (int i = 0; i < kProjects; ++i) {
        const QDate start = first.addDays(span * i / kProjects - 60);
        const QDate end = start.addDays(60 + (i * 37) % 120);
        check(db.insert(table::Projects,
                        {i + 1, QStringLiteral("工事件名%1号線舗装補修工事").arg(i + 1),
                         toDbDate(start), toDbDate(end), QStringLiteral("発注者%1").arg(i % 40)}));
    }
    check(db.commit());
}

// Opens the picker through the frame, as F4 on the entry screen does, and closes it again.
double openPicker(FrameWindow& frame) {
    QElapsedTimer t;
    t.start();
    QWidget* picker = frame.openScreen(ScreenId::ProjectPicker);
    QApplication::processEvents();
    const double ms = double(t.nsecsElapsed()) / 1e6;
    if (!picker)
        fail(QStringLiteral("no picker"));
    picker->close();
    QApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    if (frame.screen(ScreenId::ProjectPicker))
        fail(QStringLiteral("the picker stayed open"));
    return ms;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir temp;
    const QString folder = bench::benchFolder(argc, argv, temp);
    const QDate today(2026, 12, 8);
    const QString path = QDir(folder).filePath(QStringLiteral("picker.db"));
    generate(path, today);

    AppState state;
    state.databasePath = state.boundDatabasePath = path;
    state.workingDate = today;
    state.today = [today] { return today; };
    std::vector<double> first, again;
    for (int round = 0; round < 7; ++round) {
        FrameWindow frame(state);
        frame.resize(1200, 790);
        frame.show();
        first.push_back(openPicker(frame));
        std::vector<double> runs;
        for (int i = 0; i < 5; ++i)
            runs.push_back(openPicker(frame));
        again.push_back(bench::median(runs));
    }
    std::printf("projects %d\nfirst opening  %.1f ms\nlater openings %.1f ms\n", kProjects,
                bench::median(first), bench::median(again));
    return 0;
}
