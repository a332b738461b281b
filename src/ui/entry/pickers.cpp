#include "ui/entry/pickers.h"

#include "core/app/app_state.h"
#include "ui/app/frame_window.h"
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

// The entry screen open now: a picker outlives the screen it was opened from.
EntryScreen* openEntry(FrameWindow& frame) {
    return qobject_cast<EntryScreen*>(frame.screen(ScreenId::Entry));
}

} // namespace

ProjectPicker::ProjectPicker(AppState& state, FrameWindow& frame, QWidget* parent)
    : QWidget(parent), state_(state), frame_(frame),
      list_(makeList(this, QStringLiteral("DBList1"))) {
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("工事件名表"));
    setMinimumSize(360, 420);
    refresh();
    frame.followDatabase(this, [&state] { return state.boundDatabasePath; }, [this] { refresh(); });
    connect(list_, &QListWidget::itemClicked, this, &ProjectPicker::choose);
}

void ProjectPicker::refresh() {
    list_->clear();
    projects_.clear();
    // A bound list: the path vorda.INI holds, as last read or registered.
    if (const DbError e = listProjects(state_.boundDatabasePath, projects_))
        ui::showMessage(this, e.message);
    for (const ProjectEntry& p : projects_)
        list_->addItem(p.name);
}

void ProjectPicker::choose(QListWidgetItem* item) {
    const int row = list_->row(item);
    if (EntryScreen* entry = openEntry(frame_); entry && row >= 0 && row < int(projects_.size()))
        entry->applyProject(projects_[row].number, item->text(), projects_[row].client);
    QTimer::singleShot(0, this, &QWidget::close);
}

MarkPicker::MarkPicker(AppState& state, FrameWindow& frame, QWidget* parent)
    : QWidget(parent), state_(state), frame_(frame), list_(makeList(this, QStringLiteral("List1"))) {
    setObjectName(QStringLiteral("Form12"));
    setWindowTitle(QStringLiteral("マーク"));
    setMinimumSize(220, 300);
    refresh();
    frame.followDatabase(this, [&state] { return state.boundDatabasePath; }, [this] { refresh(); });
    connect(list_, &QListWidget::itemClicked, this, &MarkPicker::choose);
}

void MarkPicker::refresh() {
    list_->clear();
    marks_.clear();
    if (const DbError e = listStaffMarks(state_.boundDatabasePath, marks_))
        ui::showMessage(this, e.message);
    for (const StaffMark& m : marks_)
        list_->addItem(m.mark + QStringLiteral("  ") + m.description);
}

void MarkPicker::choose(QListWidgetItem* item) {
    const int row = list_->row(item);
    if (EntryScreen* entry = openEntry(frame_); entry && row >= 0 && row < int(marks_.size()))
        entry->applyMark(marks_[row].mark);
    QTimer::singleShot(0, this, &QWidget::close);
}

} // namespace vorda
