#pragma once
// The list every picker shows: rows in columns, a filter line above them, and the keys a
// clerk expects. Arrow keys move, Enter or a click chooses, Escape gives up, and typing
// anywhere in the picker narrows the rows to those that contain the typed text.

#include <QStringList>
#include <QWidget>
#include <vector>

class QKeyEvent;
class QLineEdit;
class QTreeWidget;
class QTreeWidgetItem;

namespace vorda {

class PickList : public QWidget {
    Q_OBJECT
public:
    PickList(const QString& listName, const QStringList& headers, QWidget* parent = nullptr);

    // The rows, each its column texts; `shown` false keeps a row out of the list (but the
    // row numbers chosen() reports stay those of `rows`).
    void setRows(const std::vector<QStringList>& rows, const std::vector<bool>& shown = {});

    QTreeWidget* list() const { return list_; }
    QLineEdit* filter() const { return filter_; }
    // The rows in view now, as indexes into the rows last set.
    std::vector<int> visibleRows() const;

signals:
    void chosen(int row);
    void cancelled();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void applyFilter();
    void choose(QTreeWidgetItem* item);

    QLineEdit* filter_;
    QTreeWidget* list_;
    std::vector<bool> shown_;
    bool done_ = false; // chosen: a picker closes then, a second click changes nothing
};

// F4, Alt+Down, or Space in an empty field open the field's picker.
bool opensPicker(const QKeyEvent* event, bool fieldEmpty);

// Closes a picker once the click or key that chose has reached its list.
void closeSoon(QWidget* picker);

} // namespace vorda
