#include "ui/entry/entry_keys.h"

#include "ui/entry/entry_rows.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QWheelEvent>

namespace vorda {

std::vector<QWidget*> tabFields(const ProjectRow& r) {
    return {r.job, r.client, r.start, r.end, r.remarks, r.night, r.del, r.planned, r.actual};
}

std::vector<QWidget*> tabFields(const LinePair& lines) {
    std::vector<QWidget*> fields;
    for (const auto& line : lines.cells)
        fields.insert(fields.end(), line.begin(), line.end());
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

int wheelSteps(const QWheelEvent* event, int& rest) {
    // Shift+wheel comes as a horizontal turn on some systems: either axis counts.
    const QPoint d = event->angleDelta();
    rest += d.y() != 0 ? d.y() : d.x();
    const int steps = rest / 120;
    rest -= steps * 120;
    return -steps;
}

} // namespace vorda
