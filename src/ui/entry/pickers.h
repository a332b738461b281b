#pragma once
// The pick lists of the entry screen: the project picker Form3 "工事件名表" and the
// staff-mark picker Form12 "マーク". A single click chooses and closes. The choice goes to
// the entry screen open at that moment, for the row or cell clicked last; with none open
// the picker closes without writing anything. Both lists follow the current database.

#include "core/masters/master_lists.h"

#include <QWidget>

class QListWidget;
class QListWidgetItem;

namespace vorda {

struct AppState;
class EntryScreen;
class FrameWindow;

class ProjectPicker : public QWidget {
    Q_OBJECT
public:
    ProjectPicker(AppState& state, FrameWindow& frame, QWidget* parent = nullptr);
    // Reads the projects again (another database, or the project master changed them).
    void refresh();

private:
    void choose(QListWidgetItem* item);

    AppState& state_;
    FrameWindow& frame_;
    QListWidget* list_;
    std::vector<ProjectEntry> projects_;
};

class MarkPicker : public QWidget {
    Q_OBJECT
public:
    MarkPicker(AppState& state, FrameWindow& frame, QWidget* parent = nullptr);
    void refresh();

private:
    void choose(QListWidgetItem* item);

    AppState& state_;
    FrameWindow& frame_;
    QListWidget* list_;
    std::vector<StaffMark> marks_;
};

} // namespace vorda
