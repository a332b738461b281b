#pragma once
// The keyboard path through the entry screen: where Tab and Shift+Tab go, which keys open
// a picker, and what the mouse wheel scrolls. The screen asks; these rules answer.

#include <QWidget>
#include <vector>

class QWheelEvent;

namespace vorda {

struct ProjectRow;
struct LinePair;
struct VehicleLines;

// The fields of one visible group on a page, in reading order (left to right, then down).
std::vector<QWidget*> tabFields(const ProjectRow& row);
std::vector<QWidget*> tabFields(const LinePair& lines);
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

// Whole wheel steps of an event (positive: down, towards later groups or columns); the
// remainder of a fine-grained wheel is kept in `rest` for the next event.
int wheelSteps(const QWheelEvent* event, int& rest);

} // namespace vorda
