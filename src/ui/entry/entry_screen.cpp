#include "ui/entry/entry_screen.h"

#include "core/app/app_state.h"
#include "core/app/working_date.h"
#include "core/data/values.h"
#include "core/entry/day_findings.h"
#include "core/entry/day_store.h"
#include "core/entry/input_rules.h"
#include "core/masters/master_lists.h"
#include "ui/app/frame_window.h"
#include "ui/app/pick_list.h"
#include "ui/app/ui_support.h"
#include "ui/entry/entry_keys.h"
#include "ui/entry/pickers.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QStackedWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>
#include <functional>

namespace vorda {

namespace {

const QColor kErrorText(255, 0, 0);

void setTextColour(QWidget* w, const QColor& colour) {
    QPalette p = w->palette();
    p.setColor(QPalette::Text, colour);
    w->setPalette(p);
}

const QString kShownDate = QStringLiteral("yyyy/MM/dd");

} // namespace

EntryScreen::EntryScreen(AppState& state, FrameWindow& frame, QWidget* parent)
    : QWidget(parent), state_(state), frame_(frame), dateField_(new QLineEdit(this)),
      copyFrom_(new QLineEdit(this)), pages_(new QStackedWidget(this)),
      vscroll_(new QScrollBar(Qt::Vertical, this)) {
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("VORDA"));

    dateField_->setObjectName(QStringLiteral("Text10"));
    dateField_->setReadOnly(true);
    dateField_->setFocusPolicy(Qt::NoFocus);
    dateField_->setFixedWidth(120);
    dateField_->setAlignment(Qt::AlignCenter);

    auto* top = new QHBoxLayout;
    top->addWidget(dateField_);
    // Alt+1 to Alt+3 bring the pages forward and Ctrl+S registers, while the focus is in this
    // screen (not in a picker or a print screen beside it); the buttons show their keys.
    const QString pageCaptions[3] = {QStringLiteral("件名登録"), QStringLiteral("作業登録"),
                                     QStringLiteral("車両登録")};
    for (int i = 0; i < 3; ++i) {
        auto* b =
            new QPushButton(QStringLiteral("%1 (Alt+%2)").arg(pageCaptions[i]).arg(i + 1), this);
        b->setObjectName(arrayName(QStringLiteral("COMBTN"), i));
        b->setToolTip(QStringLiteral("%1 (Alt+%2)").arg(pageCaptions[i]).arg(i + 1));
        connect(b, &QPushButton::clicked, this, [this, i] {
            // Typing goes on in the same group on the page brought forward. The row is taken
            // before the switch: the page coming forward hands the focus to a field of its own.
            const int row = focusedRow();
            showPage(i);
            rowFields(i, row).front()->setFocus(Qt::TabFocusReason);
        });
        pageButtons_[i] = b;
        onKey(this, QKeySequence(Qt::ALT | Qt::Key(Qt::Key_1 + i)), [b] { b->click(); });
        top->addWidget(b);
    }
    top->addStretch();
    // The day of another date copied in (← → step between the dates that have rows), and the
    // planned lines taken as the actual ones.
    copyFrom_->setObjectName(QStringLiteral("CopyFrom"));
    copyFrom_->setToolTip(QStringLiteral("写す日報の日付（← → で日報のある日に移ります）"));
    copyFrom_->setFixedWidth(86);
    copyFrom_->setAlignment(Qt::AlignCenter);
    auto* copy = makeButton(
        this, QStringLiteral("CopyDay"), QStringLiteral("前日複写 (Ctrl+D)"),
        QStringLiteral("左の日付の日報をこの日に写します。登録するまで書き込みません。"));
    auto* promoteAll = makeButton(
        this, QStringLiteral("PromoteAll"), QStringLiteral("予定→実績"),
        QStringLiteral("全作業の予定を実績に写します (Ctrl+Shift+R)。一つの作業は Ctrl+R。"));
    connect(copy, &QPushButton::clicked, this, &EntryScreen::copyDay);
    connect(promoteAll, &QPushButton::clicked, this, [this] { promote(-1); });
    onKey(this, QKeySequence(Qt::CTRL | Qt::Key_D), [this] { copyDay(); });
    onKey(this, QKeySequence(Qt::CTRL | Qt::Key_R), [this] { promote(slotOf(focusedRow())); });
    onKey(this, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_R), [this] { promote(-1); });
    for (QWidget* w : {static_cast<QWidget*>(copyFrom_), static_cast<QWidget*>(copy),
                       static_cast<QWidget*>(promoteAll)})
        top->addWidget(w);
    register_ = makeButton(this, QStringLiteral("Command3"), QStringLiteral("登録"),
                           QStringLiteral("登録します (Ctrl+S)"));
    onKey(this, QKeySequence(Qt::CTRL | Qt::Key_S), [this] { register_->click(); });
    auto* close = new QPushButton(QStringLiteral("終了"), this);
    close->setObjectName(QStringLiteral("Command2"));
    connect(register_, &QPushButton::clicked, this, &EntryScreen::registerDay);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    top->addWidget(register_);
    top->addWidget(close);
    ui::pressWithEnter(this);

    p_ = buildPages(pages_, visible_, columns_);
    // The pages may be smaller than all their rows: fitRows hides those that do not fit.
    pages_->setMinimumHeight(kHeaderHeight + 80);
    pages_->setMinimumWidth(480); // and narrower than all their columns: fitRows hides those too

    vscroll_->setObjectName(QStringLiteral("VScroll1"));
    setGroupRange(vscroll_, visible_);
    connect(vscroll_, &QScrollBar::valueChanged, this, [this] { verticalRedraw(); });
    connect(p_.hscroll, &QScrollBar::valueChanged, this, [this] { horizontalRedraw(); });

    auto* middle = new QHBoxLayout;
    middle->addWidget(pages_, 1);
    middle->addWidget(vscroll_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(middle, 1);

    connectRules();
    for (int s = 0; s < kMaxRows; ++s) {
        for (QToolButton* b : {p_.work[s].promote, p_.vehicle[s].pair.promote})
            connect(b, &QToolButton::clicked, this, [this, s] { promote(slotOf(s)); });
    }
    for (QLineEdit* e : findChildren<QLineEdit*>())
        e->installEventFilter(this);
}

void EntryScreen::connectRules() {
    for (int s = 0; s < kMaxRows; ++s) {
        ProjectRow& r = p_.rows[s];
        connect(r.job, &QLineEdit::textChanged, this, [this, s](const QString& t) {
            edit_.day.groups[slotOf(s)].jobName = t;
            p_.work[s].job->setText(t);
            p_.vehicle[s].pair.job->setText(t);
        });
        connect(r.remarks, &QLineEdit::textChanged, this,
                [this, s](const QString& t) { edit_.day.groups[slotOf(s)].remarks = t; });
        connect(r.client, &QLineEdit::textChanged, this,
                [this, s](const QString& t) { edit_.day.groups[slotOf(s)].client = t; });
        auto timeRule = [this](QLineEdit* field, QString GroupSlot::*member, EntryField kind,
                               int s) {
            connect(field, &QLineEdit::textChanged, this,
                    [this, field, member, kind, s](const QString& t) {
                        const bool valid = acceptsTime(t);
                        if (valid)
                            edit_.day.groups[slotOf(s)].*member = t;
                        takeField({kind, slotOf(s), 0, 0}, t, valid, field);
                    });
        };
        timeRule(r.start, &GroupSlot::startTime, EntryField::Start, s);
        timeRule(r.end, &GroupSlot::endTime, EntryField::End, s);
        auto workRule = [this](QPlainTextEdit* field, QString GroupSlot::*member, int s) {
            connect(field, &QPlainTextEdit::textChanged, this, [this, field, member, s] {
                QString t = field->toPlainText();
                if (t.size() > kWorkContentLength) {
                    t = leftChars(t, kWorkContentLength);
                    field->setPlainText(t); // runs this rule again with the cut text
                    field->moveCursor(QTextCursor::End);
                    return;
                }
                edit_.day.groups[slotOf(s)].*member = t;
            });
        };
        workRule(r.planned, &GroupSlot::plannedWork, s);
        workRule(r.actual, &GroupSlot::actualWork, s);
        connect(r.night, &QCheckBox::clicked, this,
                [this, s](bool on) { edit_.day.groups[slotOf(s)].nightFlag = on ? 1 : 0; });
        connect(r.del, &QCheckBox::clicked, this,
                [this, s](bool on) { edit_.day.groups[slotOf(s)].deleteFlag = on ? 1 : 0; });
        for (QWidget* w : tabFields(r))
            w->installEventFilter(this);
    }

    for (int n = 0; n < 2 * kMaxRows; ++n) {
        for (int j = 0; j < kStaffColumns; ++j) {
            connect(cell(n, j), &QLineEdit::textChanged, this, [this, n, j](const QString& t) {
                if (edit_.day.columnOffset + j >= kStaffColumns)
                    return; // a cell out of view past column 30 stands for nobody
                edit_.day.lines[lineOf(n)].staff[edit_.day.columnOffset + j] = t;
                if (n % 2 == 0)
                    SAGYOCHK(j);
                else
                    SAGYOCHK2(j);
            });
        }
    }

    // The number rule: a count of digits; anything else is refused and shown red.
    auto numberRule = [this](QLineEdit* field, std::function<FieldKey()> key,
                             std::function<qint16&()> member) {
        connect(field, &QLineEdit::textChanged, this, [this, field, key, member](const QString& t) {
            const auto v = countFromField(t);
            if (v)
                member() = *v;
            takeField(key(), t, v.has_value(), field);
        });
    };
    for (int n = 0; n < 2 * kMaxRows; ++n) {
        auto lineKey = [this, n](EntryField kind, int index) {
            return [this, n, kind, index] {
                return FieldKey{kind, lineOf(n) / 2, lineOf(n) % 2, index};
            };
        };
        for (int i = 0; i < 2; ++i)
            numberRule(guard(n, i), lineKey(EntryField::Guard, i),
                       [this, n, i]() -> qint16& { return edit_.day.lines[lineOf(n)].guards[i]; });
        for (int v = 0; v < kVehicleColumns; ++v)
            numberRule(vehicle(n, v), lineKey(EntryField::Vehicle, v), [this, n, v]() -> qint16& {
                return edit_.day.lines[lineOf(n)].vehicles[v];
            });
    }
    for (int s = 0; s < kMaxRows; ++s) {
        for (int a = 0; a < 2; ++a) {
            auto key = [this, s, a](EntryField kind) {
                return [this, s, a, kind] { return FieldKey{kind, slotOf(s), a, 0}; };
            };
            numberRule(p_.vehicle[s].spot[a], key(EntryField::Spot), [this, s, a]() -> qint16& {
                return edit_.day.groups[slotOf(s)].spotCount[a];
            });
            numberRule(p_.vehicle[s].extra[a], key(EntryField::Extra), [this, s, a]() -> qint16& {
                return edit_.day.groups[slotOf(s)].extraCount[a];
            });
        }
    }
    connect(p_.extraCaption, &QLineEdit::textChanged, this, [this](const QString& t) {
        edit_.day.extraCaption = t;
        state_.extraCaption = t; // one caption for the program, also after this screen closes
    });
}

std::vector<QWidget*> EntryScreen::rowFields(int page, int row) const {
    switch (page) {
    case 0:
        return tabFields(p_.rows[row]);
    case 1:
        return tabFields(p_.work[row], columns_);
    default:
        return tabFields(p_.vehicle[row]);
    }
}

// Tab follows the reading order of the page in front; past the last row it scrolls the
// next group in, and past group 16 it reaches "登録".
bool EntryScreen::focusNextPrevChild(bool next) {
    QWidget* focus = focusWidget();
    const int page = pages_->currentIndex();
    for (int s = 0; s < visible_; ++s) {
        const std::vector<QWidget*> fields = rowFields(page, s);
        const auto at = std::find(fields.begin(), fields.end(), focus);
        if (at == fields.end())
            continue;
        const TabStep step = tabStep(s, int(at - fields.begin()), int(fields.size()), visible_,
                                     edit_.day.groupOffset, kGroupsPerDay, next);
        switch (step.kind) {
        case TabStep::Scroll:
            vscroll_->setValue(vscroll_->value() + step.scroll);
            [[fallthrough]];
        case TabStep::Field:
            rowFields(page, step.row)[std::size_t(step.index)]->setFocus(
                next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            return true;
        case TabStep::Register:
            register_->setFocus(Qt::TabFocusReason);
            return true;
        case TabStep::Leave:
            return QWidget::focusNextPrevChild(next);
        }
    }
    return QWidget::focusNextPrevChild(next);
}

void EntryScreen::openProjectPicker(int row) {
    pickerRow_ = row + 1;
    if (auto* picker = qobject_cast<ProjectPicker*>(frame_.openScreen(ScreenId::ProjectPicker))) {
        picker->setDay(edit_.date);
        frame_.placeNear(picker, p_.rows[row].job);
        picker->setFocus(Qt::OtherFocusReason);
        returnFocusAfter(picker, p_.rows[row].job);
    }
}

void EntryScreen::openMarkPicker(int line, int j) {
    pickerLine_ = line + 1;
    pickerCell_ = j;
    QWidget* picker = frame_.openScreen(ScreenId::MarkPicker);
    if (!picker)
        return;
    placeBesideCell(picker, cell(line, j), p_.nameHeaders[0]); // the names stay readable
    picker->setFocus(Qt::OtherFocusReason);
    returnFocusAfter(picker, cell(line, j));
}

// When a picker closes, typing goes on in the field it was opened from: the sub-window
// coming to the front would give the focus to a field it remembered from earlier.
void EntryScreen::returnFocusAfter(QWidget* picker, QWidget* field) {
    connect(picker, &QObject::destroyed, field, [this, field] {
        QTimer::singleShot(0, field, [this, field] {
            if (isAncestorOf(QApplication::focusWidget()) && field->isVisible())
                field->setFocus(Qt::OtherFocusReason);
        });
    }); // opened again from another field before closing: the latest connection acts last
}

// The work and vehicle pages are grids: the arrow keys move from cell to cell and scroll the
// groups and the employee columns as they reach an edge.
bool EntryScreen::moveByArrow(QLineEdit* field, Qt::Key key) {
    const int page = pages_->currentIndex();
    for (int s = 0; page != 0 && s < visible_; ++s) {
        const std::vector<QWidget*> fields = rowFields(page, s);
        const auto at = std::find(fields.begin(), fields.end(), field);
        if (at == fields.end())
            continue;
        const int perLine = int(fields.size()) / 2;
        const int i = int(at - fields.begin());
        const bool work = page == 1;
        const CellGrid grid{lines(),
                            perLine,
                            edit_.day.groupOffset,
                            kGroupsPerDay,
                            work ? edit_.day.columnOffset : 0,
                            work ? kStaffColumns : perLine};
        if (const auto step = arrowStep(key, 2 * s + i / perLine, i % perLine, grid)) {
            vscroll_->setValue(vscroll_->value() + step->scrollGroups);
            p_.hscroll->setValue(p_.hscroll->value() + step->scrollColumns);
            auto* to = static_cast<QLineEdit*>(rowFields(
                page, step->line / 2)[std::size_t((step->line % 2) * perLine + step->column)]);
            to->setFocus(Qt::TabFocusReason);
            to->selectAll(); // typing replaces the cell, also when the columns moved under it
        }
        return true;
    }
    return false;
}

int EntryScreen::rowHolding(const QObject* widget) const {
    for (int page = 0; page < 3; ++page) {
        for (int s = 0; s < visible_; ++s) {
            const std::vector<QWidget*> fields = rowFields(page, s);
            if (std::find(fields.begin(), fields.end(), widget) != fields.end())
                return s;
        }
    }
    return -1;
}

int EntryScreen::focusedRow() const {
    const int s = rowHolding(focusWidget());
    return std::min(s >= 0 ? s : focusRow_, visible_ - 1);
}

bool EntryScreen::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn) {
        if (const int s = rowHolding(watched); s >= 0)
            focusRow_ = s;
    }
    auto* field = qobject_cast<QLineEdit*>(watched);
    if (field && event->type() == QEvent::Wheel) {
        wheelEvent(static_cast<QWheelEvent*>(event)); // a field under the wheel scrolls the groups
        return true;
    }
    if (!field)
        return QWidget::eventFilter(watched, event);
    if (field == copyFrom_ && event->type() == QEvent::KeyPress) {
        const int k = static_cast<QKeyEvent*>(event)->key();
        if (k == Qt::Key_Left || k == Qt::Key_Right) {
            const QDate from = QDate::fromString(copyFrom_->text().trimmed(), kShownDate);
            stepCopyFrom(from.isValid() ? from : edit_.date, k == Qt::Key_Left ? -1 : 1);
            return true;
        }
        if (k == Qt::Key_Return || k == Qt::Key_Enter) {
            copyDay();
            return true;
        }
    }

    const bool press = event->type() == QEvent::MouseButtonPress;
    auto* key = event->type() == QEvent::KeyPress ? static_cast<QKeyEvent*>(event) : nullptr;
    if (key && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
        focusNextChild(); // Enter moves on, as Tab does
        return true;
    }
    const bool picks = key && opensPicker(key, field->text().isEmpty());
    if (press || picks) {
        for (int s = 0; s < visible_; ++s) {
            if (field == p_.rows[s].job) {
                openProjectPicker(s);
                return picks;
            }
        }
        for (int n = 0; n < lines(); ++n) {
            for (int j = 0; j < columns_; ++j) {
                if (field == cell(n, j)) {
                    openMarkPicker(n, j);
                    return picks;
                }
            }
        }
    }
    if (key && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        if (markByDigit(field, key))
            return true;
        switch (key->key()) {
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Up:
        case Qt::Key_Down:
            if (moveByArrow(field, Qt::Key(key->key())))
                return true;
            break;
        case Qt::Key_Delete: // empties a cell of the work or vehicle page
            if (pages_->currentIndex() != 0 && rowHolding(field) >= 0) {
                field->clear();
                return true;
            }
            break;
        default:
            break;
        }
    }
    if (event->type() == QEvent::FocusIn) {
        for (int s = 0; s < visible_; ++s) {
            const bool start = field == p_.rows[s].start;
            if (start || field == p_.rows[s].end) {
                // An empty time of a named group takes the default; a typed one stays,
                // selected to retype. Passing through a group without a job changes nothing.
                if (field->text().isEmpty() && !edit_.day.groups[slotOf(s)].jobName.isEmpty())
                    field->setText(start ? kDefaultStartTime : kDefaultEndTime);
                QTimer::singleShot(0, field, &QLineEdit::selectAll);
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

// The wheel turns the groups; with Shift on the work page, the employee columns.
void EntryScreen::wheelEvent(QWheelEvent* event) {
    const int steps = wheelSteps(event, wheelRest_);
    QScrollBar* bar = (event->modifiers() & Qt::ShiftModifier) && pages_->currentIndex() == 1
                          ? p_.hscroll
                          : vscroll_;
    bar->setValue(bar->value() + steps);
    event->accept();
}

// As many groups as the pages' height holds, on every page alike.
void EntryScreen::fitRows() {
    const int height = pages_->height();
    const QMargins m = pages_->widget(0)->layout()->contentsMargins();
    const int spacing = 3;
    const int projectPitch = p_.rows[0].box->sizeHint().height() + spacing;
    int fit = groupsThatFit(height + spacing, m.top() + m.bottom(), projectPitch);
    const int line = cell(0, 0)->sizeHint().height() + 1;
    const int fixed = m.top() + m.bottom() + kHeaderHeight + p_.hscroll->sizeHint().height() + 2;
    fit = std::min(fit, groupsThatFit(height, fixed, 2 * line));
    setVisibleRows(fit);

    // As many employee columns as the work page's width holds, beside the group's heading.
    const LinePair& p = p_.work[0];
    const int left = m.left() + m.right() + p.number->minimumSizeHint().width() +
                     p.job->minimumWidth() + p.captions[0]->sizeHint().width() + 3 + 4;
    setVisibleColumns(columnsThatFit(pages_->width(), left, kCellPitch));
}

void EntryScreen::setVisibleColumns(int columns) {
    if (columns == columns_)
        return;
    columns_ = columns;
    for (int j = 0; j < kStaffColumns; ++j)
        p_.nameHeaders[j]->setVisible(j < columns_);
    for (int s = 0; s < kMaxRows; ++s)
        setLinesShown(p_.work[s], s < visible_, columns_);
    pickerCell_ = std::min(pickerCell_, columns_ - 1);
    {
        // The last column stays in view: the offset moves back when more columns show.
        const QSignalBlocker block(p_.hscroll);
        p_.hscroll->setRange(0, kStaffColumns - columns_);
        p_.hscroll->setPageStep(columns_);
    }
    horizontalRedraw();
}

void EntryScreen::setVisibleRows(int visible) {
    if (visible == visible_)
        return;
    // Typing stays where it was: the focused group remains in view when rows go.
    visible_ = visible;
    for (int s = 0; s < kMaxRows; ++s) {
        setRowShown(p_.rows[s], s < visible_);
        setLinesShown(p_.work[s], s < visible_, columns_);
        setLinesShown(p_.vehicle[s], s < visible_);
    }
    pickerRow_ = std::min(pickerRow_, visible_);
    focusRow_ = std::min(focusRow_, visible_ - 1);
    pickerLine_ = std::min(pickerLine_, lines());
    {
        const QSignalBlocker block(vscroll_);
        setGroupRange(vscroll_, visible_);
    }
    verticalRedraw();
    showPage(pages_->currentIndex());
}

void EntryScreen::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    fitRows();
}

void EntryScreen::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    fitRows();
    if (!shownOnce_) {
        shownOnce_ = true;
        // After the frame has given the new window its focus: the day starts in group 1.
        QTimer::singleShot(0, p_.rows[0].job,
                           [this] { p_.rows[0].job->setFocus(Qt::OtherFocusReason); });
    }
}

void EntryScreen::refreshCounts() {
    // On a failure the last counts stand: clearing columns on a passing error would lose cells.
    int employees = employeeRows_;
    int vehicles = vehicleRows_;
    if (!countEmployeesAndVehicles(state_.databasePath, employees, vehicles)) {
        employeeRows_ = employees;
        vehicleRows_ = vehicles;
    }
}

void EntryScreen::SAGYOCHK(int j) {
    QLabel* nm = p_.nameHeaders[j];
    QPalette p = nm->palette();
    p.setColor(QPalette::Window,
               plannedHeaderColour(plannedGroupsInColumn(edit_.day, edit_.day.columnOffset + j)));
    nm->setPalette(p);
}

void EntryScreen::SAGYOCHK2(int j) {
    QLabel* nm = p_.nameHeaders[j];
    QPalette p = nm->palette();
    p.setColor(QPalette::WindowText,
               actualHeaderColour(actualGroupsInColumn(edit_.day, edit_.day.columnOffset + j)));
    nm->setPalette(p);
}

void EntryScreen::gridRedraw(bool clearing) {
    for (int j = 0; j < columns_; ++j) {
        const int c = edit_.day.columnOffset + j;
        const bool employee = c <= employeeRows_ - 1;
        p_.nameHeaders[j]->setText(employee ? vertical(edit_.names.employees[c]) : QString());
        for (int n = 0; n < lines(); ++n) {
            // Clearing a column without an employee empties its cells in the model too.
            cell(n, j)->setText(employee || !clearing ? edit_.day.lines[lineOf(n)].staff[c]
                                                      : QString());
        }
    }
}

void EntryScreen::takeField(const FieldKey& key, const QString& text, bool valid,
                            QLineEdit* field) {
    edit_.take(key, text, valid); // a refused text is shown, not taken over
    setTextColour(field, valid ? palette().color(QPalette::Text) : kErrorText);
}

// A field shows its member, or what it showed refused: a redraw never hides a red value.
void EntryScreen::setCount(QLineEdit* field, const FieldKey& key, qint16 value) {
    field->setText(edit_.shown(key, countOrEmpty(value)));
}

int EntryScreen::revealSlot(int slot, int page) {
    if (slot < edit_.day.groupOffset || slot >= edit_.day.groupOffset + visible_)
        vscroll_->setValue(std::min(slot, vscroll_->maximum()));
    showPage(page);
    return slot - edit_.day.groupOffset;
}

// "登録" writes nothing while a field shows a value its rule refused: the value saved would
// not be the one on the screen. The first such field is named and gets the focus.
bool EntryScreen::refusedFieldsStop() {
    if (!edit_.anyRefused())
        return false;
    const FieldKey key = edit_.firstRefused();
    const bool times = key.kind == EntryField::Start || key.kind == EntryField::End;
    const int s = revealSlot(key.slot, times ? 0 : 2);
    QLineEdit* field = fieldOf(p_, s, key);
    ui::showMessage(this, edit_.refusedMessage());
    field->setFocus();
    field->selectAll();
    return true;
}

// What "登録" points out comes in one question; "戻る" goes to the first finding.
namespace {

// What became of a 登録 that failed for a lost connection: nothing went to the database.
QString notRegistered(const DbError& e) {
    return e.kind == DbErrorKind::Unreachable
               ? QStringLiteral("この日の日報は登録していません。入力した内容はこの画面に残って"
                                "いますので、つながってからもう一度「登録」してください。")
               : QString();
}

} // namespace

bool EntryScreen::findingsStop() {
    std::vector<DayFinding> found;
    if (const DbError e =
            dayFindings(state_.databasePath, edit_.day, edit_.date, edit_.names, found)) {
        showFailure(this, e, notRegistered(e));
        return true;
    }
    if (found.empty() || ui::askChoice(this, findingsQuestion(found), QStringLiteral("登録"),
                                       QStringLiteral("戻る")))
        return false;
    const DayFinding& first = found.front();
    if (first.column >= 0) {
        revealCell(first.group, first.line, first.column);
        return true;
    }
    // The job name, or the time to type: the start, or the end when only that is missing.
    const ProjectRow& r = p_.rows[revealSlot(first.group, 0)];
    QLineEdit* field = r.job;
    if (first.kind == DayFinding::EndBeforeStart || first.kind == DayFinding::NoTimes)
        field = first.kind == DayFinding::NoTimes && !r.start->text().isEmpty() ? r.end : r.start;
    field->setFocus(Qt::TabFocusReason);
    return true;
}

void EntryScreen::revealCell(int slot, int actual, int column) {
    const int s = revealSlot(slot, 1);
    if (column < edit_.day.columnOffset || column >= edit_.day.columnOffset + columns_)
        p_.hscroll->setValue(std::min(column, p_.hscroll->maximum()));
    QLineEdit* c = cell(2 * s + actual, column - edit_.day.columnOffset);
    c->setFocus(Qt::TabFocusReason);
    c->selectAll();
}

void EntryScreen::vehicleRedraw() {
    p_.guardHeaders[0]->setText(vertical(QStringLiteral("ガド昼")));
    p_.guardHeaders[1]->setText(vertical(QStringLiteral("ガド夜")));
    auto key = [this](int n, EntryField kind, int index) {
        return FieldKey{kind, lineOf(n) / 2, lineOf(n) % 2, index};
    };
    for (int n = 0; n < lines(); ++n) {
        for (int i = 0; i < 2; ++i)
            setCount(guard(n, i), key(n, EntryField::Guard, i),
                     edit_.day.lines[lineOf(n)].guards[i]);
    }
    for (int v = 0; v < kVehicleColumns; ++v) {
        p_.vehicleHeaders[v]->setText(v <= vehicleRows_ - 1 ? vertical(edit_.names.vehicles[v])
                                                            : QString());
        for (int n = 0; n < lines(); ++n)
            setCount(vehicle(n, v), key(n, EntryField::Vehicle, v),
                     edit_.day.lines[lineOf(n)].vehicles[v]);
    }
}

void EntryScreen::countsRedraw() {
    for (int s = 0; s < visible_; ++s) {
        const GroupSlot& g = edit_.day.groups[slotOf(s)];
        // Copies: setting one field runs its rule, which writes into the same slot.
        const auto extra = g.extraCount;
        const auto spot = g.spotCount;
        const int k = slotOf(s);
        setCount(p_.vehicle[s].extra[0], {EntryField::Extra, k, 0, 0}, extra[0]);
        setCount(p_.vehicle[s].extra[1], {EntryField::Extra, k, 1, 0}, extra[1]);
        setCount(p_.vehicle[s].spot[0], {EntryField::Spot, k, 0, 0}, spot[0]);
        setCount(p_.vehicle[s].spot[1], {EntryField::Spot, k, 1, 0}, spot[1]);
    }
}

void EntryScreen::verticalRedraw() {
    refreshCounts();
    edit_.day.groupOffset = vscroll_->value();
    for (int s = 0; s < visible_; ++s) {
        const int k = slotOf(s);
        const GroupSlot g = edit_.day.groups[k]; // a copy: each setText writes back into the slot
        ProjectRow& r = p_.rows[s];
        r.job->setText(g.jobName);
        p_.work[s].job->setText(g.jobName);
        p_.vehicle[s].pair.job->setText(g.jobName);
        r.remarks->setText(g.remarks);
        r.client->setText(g.client);
        r.start->setText(edit_.shown({EntryField::Start, k, 0, 0}, g.startTime));
        r.end->setText(edit_.shown({EntryField::End, k, 0, 0}, g.endTime));
        if (r.planned->toPlainText() != g.plannedWork)
            r.planned->setPlainText(g.plannedWork);
        if (r.actual->toPlainText() != g.actualWork)
            r.actual->setPlainText(g.actualWork);
        const QString number = QString::number(k + 1);
        r.number->setText(number);
        p_.work[s].number->setText(number);
        p_.vehicle[s].pair.number->setText(number);
        r.night->setChecked(g.nightFlag == 1);
        r.del->setChecked(g.deleteFlag == 1);
    }
    for (int j = 0; j < columns_; ++j) {
        for (int n = 0; n < lines(); ++n)
            cell(n, j)->setText(edit_.day.lines[lineOf(n)].staff[edit_.day.columnOffset + j]);
    }
    vehicleRedraw();
    countsRedraw();
    for (int j = 0; j < columns_; ++j) {
        SAGYOCHK(j);
        SAGYOCHK2(j);
    }
}

void EntryScreen::horizontalRedraw() {
    refreshCounts();
    edit_.day.columnOffset = p_.hscroll->value();
    gridRedraw(true);
    for (int j = 0; j < columns_; ++j) {
        SAGYOCHK(j);
        SAGYOCHK2(j);
    }
}

void EntryScreen::showPage(int page) {
    pages_->setCurrentIndex(page);
    for (int i = 0; i < 3; ++i)
        pageButtons_[i]->setDown(i == page);
    refreshCounts();
    gridRedraw(false);
    p_.extraCaption->setText(edit_.day.extraCaption);
    vehicleRedraw();
    countsRedraw();
}

void EntryScreen::showEverything() {
    for (QScrollBar* bar : {vscroll_, p_.hscroll}) {
        const QSignalBlocker block(bar);
        bar->setValue(0);
    }
    edit_.day.groupOffset = 0;
    edit_.day.columnOffset = 0;
    dateField_->setText(
        QLocale(QLocale::Japanese, QLocale::Japan).toString(edit_.date, QLocale::ShortFormat));
    p_.extraCaption->setText(edit_.day.extraCaption);
    verticalRedraw();
    horizontalRedraw();
    showPage(0);
}

bool EntryScreen::loadDay(const QDate& date) {
    // A day without rows shows the last caption.
    if (const DbError e = edit_.load(state_.databasePath, date, state_.extraCaption)) {
        showFailure(this, e);
        return false;
    }
    state_.extraCaption = edit_.day.extraCaption;
    readMarks();
    showEverything();
    edit_.takeAsLoaded();
    stepCopyFrom(edit_.date, -1);
    if (!edit_.names.beyondColumns.isEmpty() &&
        edit_.names.beyondColumns != state_.toldBeyondColumns) {
        state_.toldBeyondColumns = edit_.names.beyondColumns; // once, not at every load
        ui::showMessage(this, edit_.names.beyondColumns);
    }
    return true;
}

void EntryScreen::showDate(const QDate& date) {
    if (date == edit_.date)
        return;
    if (hasUnsavedChanges() &&
        !ui::askYesNo(this, QStringLiteral("登録されていない変更があります。別の日に移りますか？")))
        return;
    loadDay(date);
}

bool EntryScreen::hasUnsavedChanges() const {
    return edit_.hasUnsavedChanges();
}

void EntryScreen::registerDay() {
    if (refusedFieldsStop() || findingsStop())
        return;
    // The weather of the day being registered: the main screen's, when it shows this date.
    QString weather = state_.weatherText;
    if (state_.workingDate != edit_.date)
        readWeather(state_.databasePath, edit_.date, weather);
    if (const DbError e = edit_.save(state_.databasePath, weather)) {
        // Nothing was written; the typed day is still here. A lost connection is said once,
        // by the frame, with what became of the day.
        showFailure(this, e, notRegistered(e));
        return;
    }
    state_.extraCaption = edit_.day.extraCaption;
    showEverything();
    edit_.takeAsLoaded();
    emit frame_.dataChanged(); // open masters show the day-off balances just written
    ui::showMessage(this, QStringLiteral("登録終了しました。"));
}

void EntryScreen::readMarks() {
    if (listStaffMarks(state_.databasePath, marks_))
        marks_.clear(); // no numbers then; the picker says why the list is unreadable
    pages_->widget(1)->setToolTip(numberedMarks(marks_));
}

// The copy's source: the nearest date with rows before (−1) or after (+1) `from`, never the
// day being edited itself; the field stays as it was when there is none.
void EntryScreen::stepCopyFrom(const QDate& from, int direction) {
    QDate found = from;
    do {
        const QDate after = found;
        if (dateWithRows(state_.databasePath, after, direction, found))
            return;
    } while (found.isValid() && found == edit_.date);
    if (found.isValid() || from == edit_.date)
        copyFrom_->setText(found.isValid() ? found.toString(kShownDate) : QString());
}

void EntryScreen::copyDay() {
    const QDate from = QDate::fromString(copyFrom_->text().trimmed(), kShownDate);
    DayModel source;
    NameCaches names;
    if (!from.isValid() || from == edit_.date) {
        ui::showMessage(this, QStringLiteral("写す日報の日付がありません。"));
        return;
    }
    if (const DbError e = GTDAT(state_.databasePath, from, source, names)) {
        showFailure(this, e);
        return;
    }
    if (source.groups[0].recordNumber == 0) {
        ui::showMessage(this,
                        QStringLiteral("%1 の日報はありません。").arg(from.toString(kShownDate)));
        return;
    }
    if (edit_.holdsWork() &&
        !ui::askYesNo(
            this, QStringLiteral("この日の作業を %1 "
                                 "の日報で置き換えますか？\n「登録」するまでは何も書き込みません。")
                      .arg(from.toString(kShownDate))))
        return;
    readMarks();
    vorda::copyDay(source, edit_.day, marks_);
    edit_.dropRefused(-1, false);
    showEverything();
    p_.rows[0].job->setFocus(Qt::OtherFocusReason);
    frame_.showNote(QStringLiteral("%1 の日報を写しました。").arg(from.toString(kShownDate)));
}

// 予定→実績 for one group, or for the whole day (slot −1); typed actual cells are kept
// unless the user says to overwrite them.
void EntryScreen::promote(int slot) {
    const int typed = promotionOverwrites(edit_.day, slot);
    const bool overwrite =
        typed > 0 &&
        ui::askYesNo(this,
                     QStringLiteral("実績に入力済みの %1 か所があります。予定で上書きしますか？\n"
                                    "「いいえ」は入力済みの所を残します。")
                         .arg(typed));
    promotePlanned(edit_.day, slot, overwrite);
    edit_.dropRefused(slot, true);
    verticalRedraw();
    showPage(pages_->currentIndex());
    frame_.showNote(slot < 0 ? QStringLiteral("予定を実績に写しました。")
                             : QStringLiteral("作業 %1 の予定を実績に写しました。").arg(slot + 1));
}

// A digit in a staff cell puts the mark of that number and moves on along the line.
bool EntryScreen::markByDigit(QLineEdit* field, const QKeyEvent* key) {
    const QString text = key->text();
    if (text.size() != 1 || text[0] < u'1' || text[0] > u'9' || pages_->currentIndex() != 1)
        return false;
    for (int n = 0; n < lines(); ++n) {
        for (int j = 0; j < columns_; ++j) {
            if (cell(n, j) != field)
                continue;
            const QString mark = markByNumber(marks_, text[0].digitValue());
            if (!mark.isEmpty()) {
                field->setText(leftChars(mark, 1));
                moveByArrow(field, Qt::Key_Right);
            }
            return true; // a digit is never a mark's text
        }
    }
    return false;
}

void EntryScreen::applyProject(qint64 number, const QString& name, const QString& client) {
    const int s = pickerRow_ - 1;
    p_.rows[s].job->setText(name);
    edit_.day.groups[slotOf(s)].jobNumber = number;
    p_.rows[s].client->setText(client);
}

void EntryScreen::applyMark(const QString& mark) {
    cell(pickerLine_ - 1, pickerCell_)->setText(leftChars(mark, 1));
}

void EntryScreen::closeEvent(QCloseEvent* event) {
    if (hasUnsavedChanges() &&
        !ui::askYesNo(this, QStringLiteral("登録されていない変更があります。閉じますか？"))) {
        event->ignore();
        return;
    }
    event->accept();
}

} // namespace vorda
