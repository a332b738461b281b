#include "ui/entry/entry_keys.h"

#include "ui/entry/entry_rows.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QShortcut>
#include <QWheelEvent>
#include <algorithm>

namespace vorda {

void onKey(QWidget* screen, const QKeySequence& keys, const std::function<void()>& act) {
    auto* key = new QShortcut(keys, screen);
    key->setContext(Qt::WidgetWithChildrenShortcut);
    QObject::connect(key, &QShortcut::activated, screen, act);
}

std::vector<QWidget*> tabFields(const ProjectRow& r) {
    return {r.job, r.client, r.start, r.end, r.remarks, r.night, r.del, r.planned, r.actual};
}

std::vector<QWidget*> tabFields(const LinePair& lines, int columns) {
    std::vector<QWidget*> fields;
    for (const auto& line : lines.cells)
        fields.insert(fields.end(), line.begin(), line.begin() + columns);
    return fields;
}

std::vector<QWidget*> tabFields(const VehicleLines& v) {
    std::vector<QWidget*> fields;
    for (int a = 0; a < 2; ++a) {
        fields.push_back(v.spot[a]);
        fields.push_back(v.guards[a][0]);
        fields.push_back(v.guards[a][1]);
        fields.insert(fields.end(), v.vehicles[a].begin(), v.vehicles[a].end());
        fields.push_back(v.extra[a]);
    }
    return fields;
}

TabStep tabStep(int row, int index, int length, int visible, int offset, int groups, bool forward) {
    if (forward) {
        if (index + 1 < length)
            return {TabStep::Field, row, index + 1, 0};
        if (row + 1 < visible)
            return {TabStep::Field, row + 1, 0, 0};
        if (offset + visible < groups)
            return {TabStep::Scroll, row, 0, 1}; // the next group comes into the last row
        return {TabStep::Register, row, index, 0};
    }
    if (index > 0)
        return {TabStep::Field, row, index - 1, 0};
    if (row > 0)
        return {TabStep::Field, row - 1, length - 1, 0};
    if (offset > 0)
        return {TabStep::Scroll, 0, length - 1, -1};
    return {TabStep::Leave, row, index, 0};
}

std::optional<CellStep> arrowStep(Qt::Key key, int line, int column, const CellGrid& g) {
    CellStep step{line, column, 0, 0};
    switch (key) {
    case Qt::Key_Left:
        if (column > 0)
            step.column = column - 1;
        else if (g.columnOffset > 0)
            step.scrollColumns = -1;
        else
            return std::nullopt;
        return step;
    case Qt::Key_Right:
        if (column + 1 < g.columns)
            step.column = column + 1;
        else if (g.columnOffset + g.columns < g.allColumns)
            step.scrollColumns = 1;
        else
            return std::nullopt;
        return step;
    case Qt::Key_Up:
        if (line > 0)
            step.line = line - 1;
        else if (g.groupOffset > 0)
            step = {1, column, -1, 0}; // the group before comes into the first row: its actual line
        else
            return std::nullopt;
        return step;
    case Qt::Key_Down:
        if (line + 1 < g.lines)
            step.line = line + 1;
        else if (g.groupOffset + g.lines / 2 < g.groups)
            step = {g.lines - 2, column, 1,
                    0}; // the next group comes into the last row: its planned line
        else
            return std::nullopt;
        return step;
    default:
        return std::nullopt;
    }
}

QPoint besideCell(const QRect& cell, const QSize& size, const QRect& view, int clearTop) {
    constexpr int gap = 4;
    int x = cell.right() + 1 + gap;
    if (x + size.width() > view.right() + 1)
        x = cell.left() - gap - size.width();
    x = std::clamp(x, view.left(), std::max(view.left(), view.right() + 1 - size.width()));
    const int lowest = view.bottom() + 1 - size.height();
    const int top = lowest >= clearTop ? clearTop : view.top();
    const int y = std::clamp(cell.top(), top, std::max(top, lowest));
    return {x, y};
}

void placeBesideCell(QWidget* picker, const QWidget* cell, const QWidget* above) {
    auto* sub = qobject_cast<QMdiSubWindow*>(picker->parentWidget());
    QWidget* view = sub ? sub->parentWidget() : nullptr;
    if (!view || !view->isAncestorOf(cell) || !view->isAncestorOf(above))
        return;
    const int clearTop = above->mapTo(view, QPoint(0, above->height())).y();
    if (sub->height() > view->height() - clearTop)
        sub->resize(sub->width(),
                    std::max(view->height() - clearTop, sub->minimumSizeHint().height()));
    sub->move(besideCell(QRect(cell->mapTo(view, QPoint(0, 0)), cell->size()), sub->size(),
                         view->rect(), clearTop));
}

int wheelSteps(const QWheelEvent* event, int& rest) {
    // Shift+wheel comes as a horizontal turn on some systems: either axis counts.
    const QPoint d = event->angleDelta();
    rest += d.y() != 0 ? d.y() : d.x();
    const int steps = rest / 120;
    rest -= steps * 120;
    return -steps;
}

} // namespace vorda
