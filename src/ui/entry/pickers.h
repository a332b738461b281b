#pragma once
// The pick lists of the entry screen: the project picker Form3 "工事件名表" and the
// staff-mark picker Form12 "マーク". A single click chooses and closes; a picker whose entry
// screen has gone closes without writing anything.

#include "core/masters/master_lists.h"

#include <QPointer>
#include <QWidget>

class QListWidget;
class QListWidgetItem;

namespace vorda {

struct AppState;
class EntryScreen;

class ProjectPicker : public QWidget {
    Q_OBJECT
public:
    ProjectPicker(AppState& state, EntryScreen* target, QWidget* parent = nullptr);
    // Reads the projects again (after the project master changed them).
    void refresh();

private:
    void choose(QListWidgetItem* item);

    AppState& state_;
    QPointer<EntryScreen> target_;
    QListWidget* list_;
    std::vector<ProjectEntry> projects_;
};

class MarkPicker : public QWidget {
    Q_OBJECT
public:
    MarkPicker(AppState& state, EntryScreen* target, QWidget* parent = nullptr);

private:
    void choose(QListWidgetItem* item);

    QPointer<EntryScreen> target_;
    QListWidget* list_;
    std::vector<StaffMark> marks_;
};

} // namespace vorda
