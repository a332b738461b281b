#pragma once
// The keyboard path through the entry screen: where Tab, Shift+Tab and the arrow keys go,
// what the mouse wheel scrolls, and where the mark picker stands. The screen asks; these
// rules answer.

#include <QKeySequence>
#include <QRect>
#include <QWidget>
#include <functional>
#include <optional>
#include <vector>

class QWheelEvent;

namespace vorda {

struct ProjectRow;
struct LinePair;
struct VehicleLines;

// A key of a screen, acting while the focus is in it (not in a picker or a screen beside it).
void onKey(QWidget* screen, const QKeySequence& keys, const std::function<void()>& act);

// The fields of one visible group on a page, in reading order (left to right, then down).
std::vector<QWidget*> tabFields(const ProjectRow& row);
std::vector<QWidget*> tabFields(const LinePair& lines, int columns); // the visible columns
std::vector<QWidget*> tabFields(const VehicleLines& lines);

// One Tab (forward) or Shift+Tab from field `index` of visible row `row`.
struct TabStep {
    enum Kind {
        Field,    // go to field `index` of visible row `row`
        Scroll,   // scroll the groups by `scroll`, then go to field `index` of `row`
        Register, // past the last field of group 16: the register button
        Leave,    // before the first field of group 1: the controls above the page
    } kind = Field;
    int row = 0;
    int index = 0;
    int scroll = 0;
};
// `length` is the number of fields of a row, `visible` the rows in view and `offset` the
// first group in view; groups run from 0 to `groups` − 1.
TabStep tabStep(int row, int index, int length, int visible, int offset, int groups, bool forward);

// An arrow key on the work or the vehicle page, which are grids of cells: ←→ along the line,
// ↑↓ between the planned and actual lines and on to the next group, as in a spreadsheet.
// The cell is `column` (0 … `columns` − 1 in view) of page line `line` (0 … `lines` − 1; line
// 2 × row is a planned line, 2 × row + 1 its actual line). At an edge the groups or the
// columns scroll by one while there are more (`groupOffset` of `groups` − lines / 2 groups,
// `columnOffset` of `allColumns` − `columns` columns); past the last one the key does nothing.
struct CellStep {
    int line = 0;
    int column = 0;
    int scrollGroups = 0;  // −1, 0 or +1, before moving
    int scrollColumns = 0; // −1, 0 or +1, before moving
};
struct CellGrid {
    int lines = 0;
    int columns = 0;
    int groupOffset = 0;
    int groups = 0;
    int columnOffset = 0;
    int allColumns = 0;
};
std::optional<CellStep> arrowStep(Qt::Key key, int line, int column, const CellGrid& grid);

// Where a picker of `size` opens beside `cell` inside `view`: to its right (its left when the
// right has no room), level with it, and not above `clearTop` (the names over the grid) as
// long as the view has room below it.
QPoint besideCell(const QRect& cell, const QSize& size, const QRect& view, int clearTop);
// Moves the picker's sub-window there (shorter when the view below `above` is too low),
// keeping clear of the widget `above` the cell (the employee names).
void placeBesideCell(QWidget* picker, const QWidget* cell, const QWidget* above);

// Whole wheel steps of an event (positive: down, towards later groups or columns); the
// remainder of a fine-grained wheel is kept in `rest` for the next event.
int wheelSteps(const QWheelEvent* event, int& rest);

} // namespace vorda
