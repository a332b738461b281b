#pragma once
// The pick lists of the entry screen: the project picker Form3 "工事件名表" and the
// staff-mark picker Form12 "マーク". A click or Enter chooses and closes; Escape closes
// without choosing. The choice goes to the entry screen open at that moment, for the row or
// cell chosen last; with none open the picker closes without writing anything. Both lists
// follow the current database. The project list is kept (per file and day) until the
// projects may have changed: a write of the project master, a new data location, a register.

#include "core/masters/master_lists.h"

#include <QDate>
#include <QWidget>

class QCheckBox;

namespace vorda {

struct AppState;
class EntryScreen;
class FrameWindow;
class PickList;

class ProjectPicker : public QWidget {
    Q_OBJECT
public:
    ProjectPicker(AppState& state, FrameWindow& frame, QWidget* parent = nullptr);
    // Reads the projects again (another database, or the project master changed them).
    void refresh();
    // The day the list serves: projects that ended before it are hidden unless asked for.
    void setDay(const QDate& day);
    QSize sizeHint() const override { return {640, 440}; }

private:
    void showRows();
    void choose(int row);

    AppState& state_;
    FrameWindow& frame_;
    PickList* list_;
    QCheckBox* showEnded_;
    QDate day_;
    std::vector<ProjectEntry> projects_;
};

class MarkPicker : public QWidget {
    Q_OBJECT
public:
    MarkPicker(AppState& state, FrameWindow& frame, QWidget* parent = nullptr);
    void refresh();

private:
    void choose(int row);

    AppState& state_;
    FrameWindow& frame_;
    PickList* list_;
    std::vector<StaffMark> marks_;
};

} // namespace vorda
