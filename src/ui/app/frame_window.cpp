#include "ui/app/frame_window.h"

#include "core/app/app_state.h"
#include "core/app/name_caches.h"

#include <QDir>
#include <QLabel>
#include <QMdiArea>
#include <QStatusBar>

namespace vorda {

FrameWindow::FrameWindow(AppState& state, QWidget* parent)
    : QMainWindow(parent), state_(state), area_(new QMdiArea(this)), status_(new QLabel(this)) {
    setObjectName(QStringLiteral("MDIForm1"));
    setWindowTitle(QStringLiteral("VORDA管理"));
    setCentralWidget(area_);
    statusBar()->addWidget(status_, 1);
    resize(1200, 760);
}

void FrameWindow::showStartupStatus(const IniReadResult& ini) {
    QStringList lines;
    if (!ini.message.isEmpty())
        lines << ini.message;
    Database db;
    if (DbError e = db.open(state_.databasePath)) {
        lines << e.message;
    } else {
        SYAINGET(db, state_.names);
        SYARYOGET(db, state_.names);
        int employees = 0;
        for (const QString& n : state_.names.employees)
            employees += n.isEmpty() ? 0 : 1;
        lines << QStringLiteral("データ: %1（社員 %2 名）")
                     .arg(QDir::toNativeSeparators(state_.databasePath))
                     .arg(employees);
    }
    status_->setText(lines.join(QStringLiteral("　")));
}

} // namespace vorda
