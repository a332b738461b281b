#pragma once
// The rows of the entry screen: the widgets one visible group has on each of the three
// pages, their names, and how many groups and employee columns a page of a given size
// shows. Rows are built for all sixteen groups and cells for all thirty employee columns;
// those that do not fit are hidden, so a larger window simply shows more of the day.

#include "core/data/daily_record.h"
#include "core/entry/day_edit.h"

#include <QString>
#include <array>

class QCheckBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QScrollBar;
class QStackedWidget;
class QToolButton;
class QWidget;

namespace vorda {

constexpr int kMaxRows = kGroupsPerDay; // every group can be in view at once
constexpr int kDefaultColumns = 13;     // employee columns the screen opens with
constexpr int kDefaultRows = 4;         // what the screen opens with

// The project page part of one visible group: its own box, so rows stack and hide alike.
struct ProjectRow {
    QWidget* box = nullptr;
    QLabel* number = nullptr;
    QLineEdit* job = nullptr;
    QLineEdit* remarks = nullptr;
    QLineEdit* client = nullptr;
    QLineEdit* start = nullptr;
    QLineEdit* end = nullptr;
    QPlainTextEdit* planned = nullptr;
    QPlainTextEdit* actual = nullptr;
    QCheckBox* night = nullptr;
    QCheckBox* del = nullptr;
};

// The two lines (planned, actual) of one group on the work or the vehicle page.
struct LinePair {
    QLabel* number = nullptr;
    QLineEdit* job = nullptr; // the job name repeated
    std::array<QLabel*, 2> captions{};
    QToolButton* promote = nullptr;                               // 予定→実績 for this group
    std::array<std::array<QLineEdit*, kStaffColumns>, 2> cells{}; // work page: staff cells
};

struct VehicleLines {
    LinePair pair;
    std::array<QLineEdit*, 2> spot{};                                  // SPT, SPTJ
    std::array<std::array<QLineEdit*, 2>, 2> guards{};                 // [line][day, night]
    std::array<std::array<QLineEdit*, kVehicleColumns>, 2> vehicles{}; // [line][vehicle]
    std::array<QLineEdit*, 2> extra{};                                 // TOKU, TOKUJ
};

// The three pages of the entry screen (project, work, vehicle) and the widgets the screen
// fills: rows for every group, cells for every employee column.
struct EntryPages {
    std::array<ProjectRow, kMaxRows> rows{};
    std::array<LinePair, kMaxRows> work{};
    std::array<VehicleLines, kMaxRows> vehicle{};
    std::array<QLabel*, kStaffColumns> nameHeaders{};      // NM
    QScrollBar* hscroll = nullptr;                         // HScroll1
    QLineEdit* extraCaption = nullptr;                     // Text12
    std::array<QLabel*, 2> guardHeaders{};                 // GDA
    std::array<QLabel*, kVehicleColumns> vehicleHeaders{}; // SY
};
// The time or count field of `key` when its slot stands in visible row `s`.
QLineEdit* fieldOf(const EntryPages& pages, int s, const FieldKey& key);

// Adds the pages to `pages`, showing `rows` groups and `columns` employee columns.
EntryPages buildPages(QStackedWidget* pages, int rows, int columns);
constexpr int kHeaderHeight = 92; // vertical names of four or five characters

ProjectRow buildProjectRow(QWidget* page, int s);
// Adds the lines of visible row s to a page grid whose line n sits in grid row 1 + n.
LinePair addWorkLines(QGridLayout* grid, QWidget* page, int s);
VehicleLines addVehicleLines(QGridLayout* grid, QWidget* page, int s);

void setRowShown(const ProjectRow& row, bool shown);
// The work page lines show their first `columns` cells.
void setLinesShown(const LinePair& lines, bool shown, int columns);
void setLinesShown(const VehicleLines& lines, bool shown);

// How many groups a page shows: what `height` holds beyond `fixed`, one `pitch` each,
// from one up to all sixteen.
int groupsThatFit(int height, int fixed, int pitch);

// How many employee columns the work page shows: what `width` holds beyond `fixed`, one
// `pitch` each, from one up to all thirty.
int columnsThatFit(int width, int fixed, int pitch);
constexpr int kCellPitch = 31; // a staff cell and the rule beside it

// The group scroll bar for `visible` rows: from 0 to the last offset that shows group 16
// in the last row, one page a screenful.
void setGroupRange(QScrollBar* bar, int visible);

// Shared by the screen: a label centred in its cell, a text box, a count box.
QLabel* makeLabel(QWidget* parent, const QString& name, const QString& text = QString());
QLineEdit* makeText(QWidget* parent, const QString& name, const QString& tip = QString());
QLineEdit* makeCount(QWidget* parent, const QString& name);
QPushButton* makeButton(QWidget* parent, const QString& name, const QString& caption,
                        const QString& tip);
// A name or caption standing vertically, one character a line.
QString vertical(const QString& text);
QString arrayName(const QString& base, int index);

} // namespace vorda
