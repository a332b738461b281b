#include "ui/reports/period_list_screen.h"

#include "core/app/app_state.h"
#include "core/reports/period_list.h"
#include "ui/app/frame_window.h"
#include "ui/app/ui_support.h"
#include "ui/reports/print_screen_parts.h"

#include <QLabel>
#include <QListWidget>
#include <QMdiSubWindow>
#include <QProgressBar>
#include <QRegularExpression>
#include <QVBoxLayout>

namespace vorda {

namespace {

// A project name as part of a file name: characters no file name may hold become "_".
QString pdfNameFor(const QString& project) {
    QString stem = project;
    stem.replace(QRegularExpression(QStringLiteral("[\\\\/:*?\"<>|\\x00-\\x1f]")),
                 QStringLiteral("_"));
    return QStringLiteral("工事別作業期間一覧表_%1.pdf").arg(stem);
}

} // namespace

PeriodListScreen::PeriodListScreen(AppState& state, QWidget* parent)
    : QWidget(parent), state_(state), list_(new QListWidget(this)),
      progress_(new QProgressBar(this)) {
    setObjectName(QStringLiteral("Form18"));
    setWindowTitle(QStringLiteral("工事別期間表"));
    setMinimumSize(420, 460);
    auto* caption = new QLabel(QStringLiteral("工事件名をクリックして選択"), this);
    caption->setObjectName(QStringLiteral("Label1"));
    list_->setObjectName(QStringLiteral("DBList1"));
    QFont f = list_->font();
    f.setPointSize(11);
    list_->setFont(f);
    progress_->setObjectName(QStringLiteral("ProgressBar1"));
    progress_->setRange(0, kPeriodProgressMax);
    progress_->setValue(0);
    progress_->setTextVisible(false);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(caption);
    layout->addWidget(list_, 1);
    layout->addLayout(progressRow(progress_));
    layout->addLayout(printButtons(this, [this](Output output) { run(output); }));

    connect(list_, &QListWidget::itemClicked, this, &PeriodListScreen::choose);
    readProjects(false);
}

void PeriodListScreen::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // Brought to the front after another screen (the project master) was in use: the list
    // may have changed meanwhile.
    if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget()); sub && !followsActivation_) {
        followsActivation_ = true;
        connect(sub, &QMdiSubWindow::aboutToActivate, this, [this] { readProjects(true); });
    }
}

void PeriodListScreen::reloadProjects() {
    readProjects(false);
}

void PeriodListScreen::readProjects(bool quiet) {
    std::vector<ProjectEntry> projects;
    // A bound list: it reads the path of the last read of vorda.INI.
    if (const DbError e = listProjects(state_.boundDatabasePath, projects)) {
        if (!quiet)
            showFailure(this, e);
        return; // the list stays as it was
    }
    QStringList names;
    for (const ProjectEntry& p : projects)
        names << p.name;
    // An unchanged list is left alone, so a click that brings the screen to the front
    // still lands on its entry.
    if (names == names_ && list_->count() == names.size())
        return;
    names_ = names;
    list_->clear();
    list_->addItems(names_);
    for (int i = 0; i < list_->count() && !chosen_.isEmpty(); ++i) {
        if (list_->item(i)->text().trimmed() == chosen_) {
            list_->setCurrentRow(i);
            break;
        }
    }
}

void PeriodListScreen::choose(QListWidgetItem* item) {
    if (item)
        chosen_ = item->text().trimmed();
}

void PeriodListScreen::run(Output output) {
    if (chosen_.isEmpty()) {
        ui::showMessage(this, kChooseProjectMessage);
        return;
    }
    PeriodListData data;
    if (const DbError e =
            readPeriodList(state_.databasePath, chosen_, state_.today().year(), era_, data)) {
        showFailure(this, e);
        return;
    }
    if (data.empty()) {
        ui::showMessage(this, noPeriodDataMessage(chosen_));
        return;
    }
    const PageScale scale{state_.paperCode, state_.orientationCode, state_.positionScale,
                          state_.fontScale, state_.today()};
    const DrawSheets draw = [this, &data, scale](Printer& p) {
        drawPeriodList(p, scale, data, [this](int step) { progress_->setValue(step); });
    };
    sendSheets(this, output, draw, pdfNameFor(chosen_));
    progress_->setValue(0);
}

} // namespace vorda
