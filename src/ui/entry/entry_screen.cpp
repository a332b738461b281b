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
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>

namespace vorda {

namespace {

const QColor kErrorText(255, 0, 0);

void setTextColour(QWidget* w, const QColor& colour) {
    QPalette p = w->palette();
    p.setColor(QPalette::Text, colour);
    w->setPalette(p);
}

// Header colours by the number of groups marked in a column: 0, 1, 2, 3, 4 or more.
QColor plannedColour(int groups) {
    static const QColor colours[] = {{0, 255, 255}, {255, 255, 255}, {255, 255, 0}, {0, 0, 255}, {255, 0, 0}};
    return colours[std::clamp(groups, 0, 4)];
}

QColor actualColour(int groups) {
    static const QColor colours[] = {{0, 0, 0}, {0, 128, 128}, {128, 0, 128}, {128, 128, 0}, {192, 192, 192}};
    return colours[std::clamp(groups, 0, 4)];
}

constexpr int kHeaderHeight = 92; // vertical names of four or five characters

} // namespace

EntryScreen::EntryScreen(AppState& state, FrameWindow& frame, QWidget* parent)
    : QWidget(parent), state_(state), frame_(frame), dateField_(new QLineEdit(this)),
      pages_(new QStackedWidget(this)), vscroll_(new QScrollBar(Qt::Vertical, this)),
      hscroll_(nullptr) {
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
        auto* b = new QPushButton(QStringLiteral("%1 (Alt+%2)").arg(pageCaptions[i]).arg(i + 1), this);
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
        auto* key = new QShortcut(QKeySequence(Qt::ALT | Qt::Key(Qt::Key_1 + i)), this);
        key->setContext(Qt::WidgetWithChildrenShortcut);
        connect(key, &QShortcut::activated, b, &QPushButton::click);
        top->addWidget(b);
    }
    top->addStretch();
    register_ = new QPushButton(QStringLiteral("登録"), this);
    register_->setObjectName(QStringLiteral("Command3"));
    register_->setToolTip(QStringLiteral("登録します (Ctrl+S)"));
    auto* save = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_S), this);
    save->setContext(Qt::WidgetWithChildrenShortcut);
    connect(save, &QShortcut::activated, register_, &QPushButton::click);
    auto* close = new QPushButton(QStringLiteral("終了"), this);
    close->setObjectName(QStringLiteral("Command2"));
    connect(register_, &QPushButton::clicked, this, &EntryScreen::registerDay);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    top->addWidget(register_);
    top->addWidget(close);
    ui::pressWithEnter(this);

    pages_->addWidget(buildProjectPage());
    pages_->addWidget(buildWorkPage());
    pages_->addWidget(buildVehiclePage());
    // The pages may be smaller than all their rows: fitRows hides those that do not fit.
    pages_->setMinimumHeight(kHeaderHeight + 80);
    pages_->setMinimumWidth(480); // and narrower than all their columns: fitRows hides those too

    vscroll_->setObjectName(QStringLiteral("VScroll1"));
    setGroupRange(vscroll_, visible_);
    connect(vscroll_, &QScrollBar::valueChanged, this, [this] { verticalRedraw(); });
    connect(hscroll_, &QScrollBar::valueChanged, this, [this] { horizontalRedraw(); });

    auto* middle = new QHBoxLayout;
    middle->addWidget(pages_, 1);
    middle->addWidget(vscroll_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(middle, 1);

    for (int s = 0; s < kMaxRows; ++s) {
        setRowShown(rows_[s], s < visible_);
        setLinesShown(work_[s], s < visible_, columns_);
        setLinesShown(vehicle_[s], s < visible_);
    }
    for (int j = 0; j < kStaffColumns; ++j)
        nameHeaders_[j]->setVisible(j < columns_);
    connectRules();
    for (QLineEdit* e : findChildren<QLineEdit*>())
        e->installEventFilter(this);
}

QWidget* EntryScreen::buildProjectPage() {
    auto* page = new QWidget(pages_);
    page->setObjectName(QStringLiteral("page0"));
    auto* column = new QVBoxLayout(page);
    column->setSpacing(3);
    for (int s = 0; s < kMaxRows; ++s) {
        rows_[s] = buildProjectRow(page, s);
        column->addWidget(rows_[s].box);
    }
    column->addStretch(1);
    return page;
}

QWidget* EntryScreen::buildWorkPage() {
    auto* page = new QWidget(pages_);
    page->setObjectName(QStringLiteral("page1"));
    auto* grid = new QGridLayout(page);
    grid->setHorizontalSpacing(1);
    grid->setVerticalSpacing(1);
    grid->addWidget(makeLabel(page, QString(), QStringLiteral("No")), 0, 0, Qt::AlignBottom);
    grid->addWidget(makeLabel(page, QString(), QStringLiteral("工事件名")), 0, 1, Qt::AlignBottom);
    for (int j = 0; j < kStaffColumns; ++j) {
        QLabel* nm = makeLabel(page, arrayName(QStringLiteral("NM"), j));
        nm->setAutoFillBackground(true);
        nm->setFixedWidth(30);
        nm->setMinimumHeight(kHeaderHeight);
        nm->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        nm->setFrameShape(QFrame::Box);
        nameHeaders_[j] = nm;
        grid->addWidget(nm, 0, 3 + j);
    }
    for (int s = 0; s < kMaxRows; ++s)
        work_[s] = addWorkLines(grid, page, s);
    hscroll_ = new QScrollBar(Qt::Horizontal, page);
    hscroll_->setObjectName(QStringLiteral("HScroll1"));
    hscroll_->setRange(0, kStaffColumns - columns_); // 30 columns, as many shown as fit
    hscroll_->setPageStep(columns_);
    grid->addWidget(hscroll_, 1 + 2 * kMaxRows, 3, 1, kStaffColumns);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(2 + 2 * kMaxRows, 1);
    return page;
}

QWidget* EntryScreen::buildVehiclePage() {
    auto* page = new QWidget(pages_);
    page->setObjectName(QStringLiteral("page2"));
    auto* grid = new QGridLayout(page);
    grid->setHorizontalSpacing(1);
    grid->setVerticalSpacing(1);
    grid->addWidget(makeLabel(page, QString(), QStringLiteral("No")), 0, 0, Qt::AlignBottom);
    grid->addWidget(makeLabel(page, QString(), QStringLiteral("工事件名")), 0, 1, Qt::AlignBottom);
    QLabel* spotHeader = makeLabel(page, QStringLiteral("Text16"), vertical(QStringLiteral("スポット")));
    spotHeader->setToolTip(QStringLiteral("スポット作業者"));
    spotHeader->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    grid->addWidget(spotHeader, 0, 3);
    const QString guardTips[2] = {QStringLiteral("ガードマン昼"), QStringLiteral("ガードマン夜")};
    for (int i = 0; i < 2; ++i) {
        guardHeaders_[i] = makeLabel(page, arrayName(QStringLiteral("GDA"), i));
        guardHeaders_[i]->setToolTip(guardTips[i]);
        guardHeaders_[i]->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        grid->addWidget(guardHeaders_[i], 0, 4 + i);
    }
    for (int v = 0; v < kVehicleColumns; ++v) {
        vehicleHeaders_[v] = makeLabel(page, arrayName(QStringLiteral("SY"), v));
        vehicleHeaders_[v]->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        vehicleHeaders_[v]->setMinimumHeight(kHeaderHeight);
        vehicleHeaders_[v]->setFixedWidth(34);
        grid->addWidget(vehicleHeaders_[v], 0, 6 + v);
    }
    extraCaption_ = makeText(page, QStringLiteral("Text12"), QStringLiteral("手入力できます。"));
    extraCaption_->setFixedWidth(84);
    grid->addWidget(extraCaption_, 0, 6 + kVehicleColumns, 1, 2, Qt::AlignBottom);
    for (int s = 0; s < kMaxRows; ++s)
        vehicle_[s] = addVehicleLines(grid, page, s);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(1 + 2 * kMaxRows, 1);
    return page;
}

void EntryScreen::connectRules() {
    for (int s = 0; s < kMaxRows; ++s) {
        ProjectRow& r = rows_[s];
        connect(r.job, &QLineEdit::textChanged, this, [this, s](const QString& t) {
            day_.groups[slotOf(s)].jobName = t;
            work_[s].job->setText(t);
            vehicle_[s].pair.job->setText(t);
        });
        connect(r.remarks, &QLineEdit::textChanged, this,
                [this, s](const QString& t) { day_.groups[slotOf(s)].remarks = t; });
        connect(r.client, &QLineEdit::textChanged, this,
                [this, s](const QString& t) { day_.groups[slotOf(s)].client = t; });
        auto timeRule = [this](QLineEdit* field, QString GroupSlot::*member, Field kind, int s) {
            connect(field, &QLineEdit::textChanged, this, [this, field, member, kind, s](const QString& t) {
                const bool valid = acceptsTime(t);
                if (valid)
                    day_.groups[slotOf(s)].*member = t;
                takeField({kind, slotOf(s), 0, 0}, t, valid, field);
            });
        };
        timeRule(r.start, &GroupSlot::startTime, Field::Start, s);
        timeRule(r.end, &GroupSlot::endTime, Field::End, s);
        auto workRule = [this](QPlainTextEdit* field, QString GroupSlot::*member, int s) {
            connect(field, &QPlainTextEdit::textChanged, this, [this, field, member, s] {
                QString t = field->toPlainText();
                if (t.size() > kWorkContentLength) {
                    t = leftChars(t, kWorkContentLength);
                    field->setPlainText(t); // runs this rule again with the cut text
                    field->moveCursor(QTextCursor::End);
                    return;
                }
                day_.groups[slotOf(s)].*member = t;
            });
        };
        workRule(r.planned, &GroupSlot::plannedWork, s);
        workRule(r.actual, &GroupSlot::actualWork, s);
        connect(r.night, &QCheckBox::clicked, this,
                [this, s](bool on) { day_.groups[slotOf(s)].nightFlag = on ? 1 : 0; });
        connect(r.del, &QCheckBox::clicked, this,
                [this, s](bool on) { day_.groups[slotOf(s)].deleteFlag = on ? 1 : 0; });
        for (QWidget* w : tabFields(r))
            w->installEventFilter(this);
    }

    for (int n = 0; n < 2 * kMaxRows; ++n) {
        for (int j = 0; j < kStaffColumns; ++j) {
            connect(cell(n, j), &QLineEdit::textChanged, this, [this, n, j](const QString& t) {
                if (day_.columnOffset + j >= kStaffColumns)
                    return; // a cell out of view past column 30 stands for nobody
                day_.lines[lineOf(n)].staff[day_.columnOffset + j] = t;
                if (n % 2 == 0)
                    SAGYOCHK(j);
                else
                    SAGYOCHK2(j);
            });
        }
    }

    // The number rule: a count of digits; anything else is refused and shown red.
    auto numberRule = [this](QLineEdit* field, std::function<FieldKey()> key, std::function<qint16&()> member) {
        connect(field, &QLineEdit::textChanged, this, [this, field, key, member](const QString& t) {
            const auto v = countFromField(t);
            if (v)
                member() = *v;
            takeField(key(), t, v.has_value(), field);
        });
    };
    for (int n = 0; n < 2 * kMaxRows; ++n) {
        auto lineKey = [this, n](Field kind, int index) {
            return [this, n, kind, index] { return FieldKey{kind, lineOf(n) / 2, lineOf(n) % 2, index}; };
        };
        for (int i = 0; i < 2; ++i)
            numberRule(guard(n, i), lineKey(Field::Guard, i),
                       [this, n, i]() -> qint16& { return day_.lines[lineOf(n)].guards[i]; });
        for (int v = 0; v < kVehicleColumns; ++v)
            numberRule(vehicle(n, v), lineKey(Field::Vehicle, v),
                       [this, n, v]() -> qint16& { return day_.lines[lineOf(n)].vehicles[v]; });
    }
    for (int s = 0; s < kMaxRows; ++s) {
        for (int a = 0; a < 2; ++a) {
            auto key = [this, s, a](Field kind) { return [this, s, a, kind] { return FieldKey{kind, slotOf(s), a, 0}; }; };
            numberRule(vehicle_[s].spot[a], key(Field::Spot),
                       [this, s, a]() -> qint16& { return day_.groups[slotOf(s)].spotCount[a]; });
            numberRule(vehicle_[s].extra[a], key(Field::Extra),
                       [this, s, a]() -> qint16& { return day_.groups[slotOf(s)].extraCount[a]; });
        }
    }
    connect(extraCaption_, &QLineEdit::textChanged, this, [this](const QString& t) {
        day_.extraCaption = t;
        state_.extraCaption = t; // one caption for the program, also after this screen closes
    });
}

std::vector<QWidget*> EntryScreen::rowFields(int page, int row) const {
    switch (page) {
    case 0:
        return tabFields(rows_[row]);
    case 1:
        return tabFields(work_[row], columns_);
    default:
        return tabFields(vehicle_[row]);
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
                                     day_.groupOffset, kGroupsPerDay, next);
        switch (step.kind) {
        case TabStep::Scroll:
            vscroll_->setValue(vscroll_->value() + step.scroll);
            [[fallthrough]];
        case TabStep::Field:
            rowFields(page, step.row)[std::size_t(step.index)]->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
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
        picker->setDay(date_);
        frame_.placeNear(picker, rows_[row].job);
        picker->setFocus(Qt::OtherFocusReason);
        returnFocusAfter(picker, rows_[row].job);
    }
}

void EntryScreen::openMarkPicker(int line, int j) {
    pickerLine_ = line + 1;
    pickerCell_ = j;
    QWidget* picker = frame_.openScreen(ScreenId::MarkPicker);
    if (!picker)
        return;
    placeBesideCell(picker, cell(line, j), nameHeaders_[0]); // the names stay readable
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
                            day_.groupOffset,
                            kGroupsPerDay,
                            work ? day_.columnOffset : 0,
                            work ? kStaffColumns : perLine};
        if (const auto step = arrowStep(key, 2 * s + i / perLine, i % perLine, grid)) {
            vscroll_->setValue(vscroll_->value() + step->scrollGroups);
            hscroll_->setValue(hscroll_->value() + step->scrollColumns);
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

    const bool press = event->type() == QEvent::MouseButtonPress;
    auto* key = event->type() == QEvent::KeyPress ? static_cast<QKeyEvent*>(event) : nullptr;
    if (key && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
        focusNextChild(); // Enter moves on, as Tab does
        return true;
    }
    const bool picks = key && opensPicker(key, field->text().isEmpty());
    if (press || picks) {
        for (int s = 0; s < visible_; ++s) {
            if (field == rows_[s].job) {
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
            const bool start = field == rows_[s].start;
            if (start || field == rows_[s].end) {
                // An empty time of a named group takes the default; a typed one stays,
                // selected to retype. Passing through a group without a job changes nothing.
                if (field->text().isEmpty() && !day_.groups[slotOf(s)].jobName.isEmpty())
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
    QScrollBar* bar = (event->modifiers() & Qt::ShiftModifier) && pages_->currentIndex() == 1 ? hscroll_ : vscroll_;
    bar->setValue(bar->value() + steps);
    event->accept();
}

// As many groups as the pages' height holds, on every page alike.
void EntryScreen::fitRows() {
    const int height = pages_->height();
    const QMargins m = pages_->widget(0)->layout()->contentsMargins();
    const int spacing = 3;
    const int projectPitch = rows_[0].box->sizeHint().height() + spacing;
    int fit = groupsThatFit(height + spacing, m.top() + m.bottom(), projectPitch);
    const int line = cell(0, 0)->sizeHint().height() + 1;
    const int fixed = m.top() + m.bottom() + kHeaderHeight + hscroll_->sizeHint().height() + 2;
    fit = std::min(fit, groupsThatFit(height, fixed, 2 * line));
    setVisibleRows(fit);

    // As many employee columns as the work page's width holds, beside the group's heading.
    const LinePair& p = work_[0];
    const int left = m.left() + m.right() + p.number->minimumSizeHint().width() +
                     p.job->minimumWidth() + p.captions[0]->sizeHint().width() + 3 + 4;
    setVisibleColumns(columnsThatFit(pages_->width(), left, kCellPitch));
}

void EntryScreen::setVisibleColumns(int columns) {
    if (columns == columns_)
        return;
    columns_ = columns;
    for (int j = 0; j < kStaffColumns; ++j)
        nameHeaders_[j]->setVisible(j < columns_);
    for (int s = 0; s < kMaxRows; ++s)
        setLinesShown(work_[s], s < visible_, columns_);
    pickerCell_ = std::min(pickerCell_, columns_ - 1);
    {
        // The last column stays in view: the offset moves back when more columns show.
        const QSignalBlocker block(hscroll_);
        hscroll_->setRange(0, kStaffColumns - columns_);
        hscroll_->setPageStep(columns_);
    }
    horizontalRedraw();
}

void EntryScreen::setVisibleRows(int visible) {
    if (visible == visible_)
        return;
    // Typing stays where it was: the focused group remains in view when rows go.
    visible_ = visible;
    for (int s = 0; s < kMaxRows; ++s) {
        setRowShown(rows_[s], s < visible_);
        setLinesShown(work_[s], s < visible_, columns_);
        setLinesShown(vehicle_[s], s < visible_);
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
        QTimer::singleShot(0, rows_[0].job, [this] { rows_[0].job->setFocus(Qt::OtherFocusReason); });
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
    QLabel* nm = nameHeaders_[j];
    QPalette p = nm->palette();
    p.setColor(QPalette::Window, plannedColour(plannedGroupsInColumn(day_, day_.columnOffset + j)));
    nm->setPalette(p);
}

void EntryScreen::SAGYOCHK2(int j) {
    QLabel* nm = nameHeaders_[j];
    QPalette p = nm->palette();
    p.setColor(QPalette::WindowText, actualColour(actualGroupsInColumn(day_, day_.columnOffset + j)));
    nm->setPalette(p);
}

void EntryScreen::gridRedraw(bool clearing) {
    for (int j = 0; j < columns_; ++j) {
        const int c = day_.columnOffset + j;
        const bool employee = c <= employeeRows_ - 1;
        nameHeaders_[j]->setText(employee ? vertical(names_.employees[c]) : QString());
        for (int n = 0; n < lines(); ++n) {
            // Clearing a column without an employee empties its cells in the model too.
            cell(n, j)->setText(employee || !clearing ? day_.lines[lineOf(n)].staff[c] : QString());
        }
    }
}

void EntryScreen::takeField(const FieldKey& key, const QString& text, bool valid, QLineEdit* field) {
    if (valid) {
        refused_.erase(key);
        setTextColour(field, palette().color(QPalette::Text));
    } else {
        refused_[key] = text; // shown, not taken over
        setTextColour(field, kErrorText);
    }
}

// A field shows its member, or what it showed refused: a redraw never hides a red value.
void EntryScreen::setCount(QLineEdit* field, const FieldKey& key, qint16 value) {
    const auto it = refused_.find(key);
    field->setText(it != refused_.end() ? it->second : countOrEmpty(value));
}

void EntryScreen::setTime(QLineEdit* field, const FieldKey& key, const QString& value) {
    const auto it = refused_.find(key);
    field->setText(it != refused_.end() ? it->second : value);
}

QString EntryScreen::fieldLabel(const FieldKey& key) const {
    const QString line = key.actual ? QStringLiteral("実績の") : QStringLiteral("予定の");
    switch (key.kind) {
    case Field::Start:
        return QStringLiteral("開始時間");
    case Field::End:
        return QStringLiteral("終了時間");
    case Field::Guard:
        return line + (key.index == 0 ? QStringLiteral("ガードマン昼") : QStringLiteral("ガードマン夜"));
    case Field::Vehicle: {
        const QString name = names_.vehicles[key.index].trimmed();
        return line + (name.isEmpty() ? QStringLiteral("車両 %1").arg(key.index + 1) : QStringLiteral("車両「%1」").arg(name));
    }
    case Field::Spot:
        return line + QStringLiteral("スポット作業者");
    case Field::Extra: {
        const QString caption = day_.extraCaption.trimmed();
        return line + (caption.isEmpty() ? QStringLiteral("予備の数量") : QStringLiteral("「%1」").arg(caption));
    }
    }
    return QString();
}

int EntryScreen::revealSlot(int slot, int page) {
    if (slot < day_.groupOffset || slot >= day_.groupOffset + visible_)
        vscroll_->setValue(std::min(slot, vscroll_->maximum()));
    showPage(page);
    return slot - day_.groupOffset;
}

// "登録" writes nothing while a field shows a value its rule refused: the value saved would
// not be the one on the screen. The first such field is named and gets the focus.
bool EntryScreen::refusedFieldsStop() {
    if (refused_.empty())
        return false;
    const auto& [key, text] = *refused_.begin();
    const bool times = key.kind == Field::Start || key.kind == Field::End;
    const int s = revealSlot(key.slot, times ? 0 : 2);
    const int n = 2 * s + key.actual;
    QLineEdit* field = nullptr;
    switch (key.kind) {
    case Field::Start:
        field = rows_[s].start;
        break;
    case Field::End:
        field = rows_[s].end;
        break;
    case Field::Guard:
        field = guard(n, key.index);
        break;
    case Field::Vehicle:
        field = vehicle(n, key.index);
        break;
    case Field::Spot:
        field = vehicle_[s].spot[key.actual];
        break;
    case Field::Extra:
        field = vehicle_[s].extra[key.actual];
        break;
    }
    const QString why = times ? QStringLiteral("時刻は 00:00 から 24:00 の形で入力してください。")
                              : QStringLiteral("数量は 0 から 32767 までの数字で入力してください。");
    ui::showMessage(this, QStringLiteral("作業 %1 の%2「%3」は正しくありません。\n%4\n登録は行いませんでした。")
                              .arg(key.slot + 1)
                              .arg(fieldLabel(key), text, why));
    field->setFocus();
    field->selectAll();
    return true;
}

// New groups without a job name are not saved; typed work there is not lost without a word.
bool EntryScreen::unnamedGroupsStop() {
    const std::vector<int> unnamed = unnamedGroupsWithWork(day_);
    if (unnamed.empty())
        return false;
    QStringList numbers;
    for (int k : unnamed)
        numbers << QString::number(k + 1);
    if (ui::askYesNo(this, QStringLiteral("作業 %1 に工事件名がありません。\n工事件名のない作業は登録されません。このまま登録しますか？")
                               .arg(numbers.join(QStringLiteral("、")))))
        return false;
    const int s = revealSlot(unnamed.front(), 0);
    rows_[s].job->setFocus();
    return true;
}

// Cells that hold no staff mark are named, and "登録" asks once whether to write them so;
// "no" goes back to the first of them.
bool EntryScreen::findingsStop() {
    std::vector<DayFinding> found;
    if (const DbError e = dayFindings(state_.databasePath, day_, names_, found)) {
        ui::showMessage(this, e.message);
        return true;
    }
    if (found.empty())
        return false;
    if (ui::askYesNo(this, findingsQuestion(found)))
        return false;
    revealCell(found.front().group, found.front().line, found.front().column);
    return true;
}

void EntryScreen::revealCell(int slot, int actual, int column) {
    const int s = revealSlot(slot, 1);
    if (column < day_.columnOffset || column >= day_.columnOffset + columns_)
        hscroll_->setValue(std::min(column, hscroll_->maximum()));
    QLineEdit* c = cell(2 * s + actual, column - day_.columnOffset);
    c->setFocus(Qt::TabFocusReason);
    c->selectAll();
}

void EntryScreen::vehicleRedraw() {
    guardHeaders_[0]->setText(vertical(QStringLiteral("ガド昼")));
    guardHeaders_[1]->setText(vertical(QStringLiteral("ガド夜")));
    auto key = [this](int n, Field kind, int index) { return FieldKey{kind, lineOf(n) / 2, lineOf(n) % 2, index}; };
    for (int n = 0; n < lines(); ++n) {
        for (int i = 0; i < 2; ++i)
            setCount(guard(n, i), key(n, Field::Guard, i), day_.lines[lineOf(n)].guards[i]);
    }
    for (int v = 0; v < kVehicleColumns; ++v) {
        vehicleHeaders_[v]->setText(v <= vehicleRows_ - 1 ? vertical(names_.vehicles[v]) : QString());
        for (int n = 0; n < lines(); ++n)
            setCount(vehicle(n, v), key(n, Field::Vehicle, v), day_.lines[lineOf(n)].vehicles[v]);
    }
}

void EntryScreen::countsRedraw() {
    for (int s = 0; s < visible_; ++s) {
        const GroupSlot& g = day_.groups[slotOf(s)];
        // Copies: setting one field runs its rule, which writes into the same slot.
        const auto extra = g.extraCount;
        const auto spot = g.spotCount;
        const int k = slotOf(s);
        setCount(vehicle_[s].extra[0], {Field::Extra, k, 0, 0}, extra[0]);
        setCount(vehicle_[s].extra[1], {Field::Extra, k, 1, 0}, extra[1]);
        setCount(vehicle_[s].spot[0], {Field::Spot, k, 0, 0}, spot[0]);
        setCount(vehicle_[s].spot[1], {Field::Spot, k, 1, 0}, spot[1]);
    }
}

void EntryScreen::verticalRedraw() {
    refreshCounts();
    day_.groupOffset = vscroll_->value();
    for (int s = 0; s < visible_; ++s) {
        const int k = slotOf(s);
        const GroupSlot g = day_.groups[k]; // a copy: each setText writes back into the slot
        ProjectRow& r = rows_[s];
        r.job->setText(g.jobName);
        work_[s].job->setText(g.jobName);
        vehicle_[s].pair.job->setText(g.jobName);
        r.remarks->setText(g.remarks);
        r.client->setText(g.client);
        setTime(r.start, {Field::Start, k, 0, 0}, g.startTime);
        setTime(r.end, {Field::End, k, 0, 0}, g.endTime);
        if (r.planned->toPlainText() != g.plannedWork)
            r.planned->setPlainText(g.plannedWork);
        if (r.actual->toPlainText() != g.actualWork)
            r.actual->setPlainText(g.actualWork);
        const QString number = QString::number(k + 1);
        r.number->setText(number);
        work_[s].number->setText(number);
        vehicle_[s].pair.number->setText(number);
        r.night->setChecked(g.nightFlag == 1);
        r.del->setChecked(g.deleteFlag == 1);
    }
    for (int j = 0; j < columns_; ++j) {
        for (int n = 0; n < lines(); ++n)
            cell(n, j)->setText(day_.lines[lineOf(n)].staff[day_.columnOffset + j]);
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
    day_.columnOffset = hscroll_->value();
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
    extraCaption_->setText(day_.extraCaption);
    vehicleRedraw();
    countsRedraw();
}

void EntryScreen::showEverything() {
    for (QScrollBar* bar : {vscroll_, hscroll_}) {
        const QSignalBlocker block(bar);
        bar->setValue(0);
    }
    day_.groupOffset = 0;
    day_.columnOffset = 0;
    dateField_->setText(QLocale(QLocale::Japanese, QLocale::Japan).toString(date_, QLocale::ShortFormat));
    extraCaption_->setText(day_.extraCaption);
    verticalRedraw();
    horizontalRedraw();
    showPage(0);
}

bool EntryScreen::loadDay(const QDate& date) {
    DayModel day = day_;
    day.extraCaption = state_.extraCaption; // a day without rows shows the last caption
    NameCaches names = names_;
    if (const DbError e = GTDAT(state_.databasePath, date, day, names)) {
        ui::showMessage(this, e.message);
        return false;
    }
    day_ = std::move(day);
    names_ = std::move(names);
    date_ = date;
    state_.extraCaption = day_.extraCaption;
    refused_.clear();
    showEverything();
    saved_ = day_;
    if (!names_.beyondColumns.isEmpty() && names_.beyondColumns != state_.toldBeyondColumns) {
        state_.toldBeyondColumns = names_.beyondColumns; // once, not at every load
        ui::showMessage(this, names_.beyondColumns);
    }
    return true;
}

void EntryScreen::showDate(const QDate& date) {
    if (date == date_)
        return;
    if (hasUnsavedChanges() &&
        !ui::askYesNo(this, QStringLiteral("登録されていない変更があります。別の日に移りますか？")))
        return;
    loadDay(date);
}

bool EntryScreen::hasUnsavedChanges() const {
    return !refused_.empty() || !sameDay(day_, saved_);
}

void EntryScreen::registerDay() {
    if (refusedFieldsStop() || unnamedGroupsStop() || findingsStop())
        return;
    // The weather of the day being registered: the main screen's, when it shows this date.
    QString weather = state_.weatherText;
    if (state_.workingDate != date_)
        readWeather(state_.databasePath, date_, weather);
    if (const DbError e = vorda::registerDay(state_.databasePath, date_, weather, day_, names_)) {
        ui::showMessage(this, e.message); // nothing was written; the typed day is still here
        return;
    }
    state_.extraCaption = day_.extraCaption;
    showEverything();
    saved_ = day_;
    emit frame_.dataChanged(); // open masters show the day-off balances just written
    ui::showMessage(this, QStringLiteral("登録終了しました。"));
}

void EntryScreen::applyProject(qint64 number, const QString& name, const QString& client) {
    const int s = pickerRow_ - 1;
    rows_[s].job->setText(name);
    day_.groups[slotOf(s)].jobNumber = number;
    rows_[s].client->setText(client);
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
