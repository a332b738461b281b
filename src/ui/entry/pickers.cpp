#include "ui/entry/pickers.h"

#include "core/app/app_state.h"
#include "ui/app/ui_support.h"
#include "ui/entry/entry_screen.h"

#include <QListWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace vorda {

namespace {

QListWidget* makeList(QWidget* parent, const QString& name) {
    auto* list = new QListWidget(parent);
    list->setObjectName(name);
    QFont f = list->font();
    f.setPointSize(11);
    list->setFont(f);
    auto* layout = new QVBoxLayout(parent);
    layout->addWidget(list);
    return list;
}

} // namespace

ProjectPicker::ProjectPicker(AppState& state, EntryScreen* target, QWidget* parent)
    : QWidget(parent), state_(state), target_(target),
      list_(makeList(this, QStringLiteral("DBList1"))) {
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("工事件名表"));
    setMinimumSize(360, 420);
    refresh();
    connect(list_, &QListWidget::itemClicked, this, &ProjectPicker::choose);
}

void ProjectPicker::refresh() {
    list_->clear();
    // A bound list: it reads the path of the last read of vorda.INI.
    if (const DbError e = listProjects(state_.boundDatabasePath, projects_))
        ui::showMessage(this, e.message);
    for (const ProjectEntry& p : projects_)
        list_->addItem(p.name);
}

void ProjectPicker::choose(QListWidgetItem* item) {
    const int row = list_->row(item);
    if (target_ && row >= 0 && row < int(projects_.size()))
        target_->applyProject(projects_[row].number, item->text(), projects_[row].client);
    QTimer::singleShot(0, this, &QWidget::close);
}

MarkPicker::MarkPicker(AppState& state, EntryScreen* target, QWidget* parent)
    : QWidget(parent), target_(target), list_(makeList(this, QStringLiteral("List1"))) {
    setObjectName(QStringLiteral("Form12"));
    setWindowTitle(QStringLiteral("マーク"));
    setMinimumSize(220, 300);
    if (const DbError e = listStaffMarks(state.boundDatabasePath, marks_))
        ui::showMessage(this, e.message);
    for (const StaffMark& m : marks_)
        list_->addItem(m.mark + QStringLiteral("  ") + m.description);
    connect(list_, &QListWidget::itemClicked, this, &MarkPicker::choose);
}

void MarkPicker::choose(QListWidgetItem* item) {
    const int row = list_->row(item);
    if (target_ && row >= 0 && row < int(marks_.size()))
        target_->applyMark(marks_[row].mark);
    QTimer::singleShot(0, this, &QWidget::close);
}

} // namespace vorda
