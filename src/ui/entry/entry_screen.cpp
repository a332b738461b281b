#include "ui/entry/entry_screen.h"

#include "core/app/app_state.h"
#include "core/app/working_date.h"
#include "core/data/values.h"
#include "core/entry/day_store.h"
#include "core/entry/input_rules.h"
#include "core/masters/master_lists.h"
#include "ui/app/frame_window.h"
#include "ui/app/ui_support.h"

#include <QCheckBox>
#include <algorithm>
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
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace vorda {

namespace {

const QColor kErrorText(255, 0, 0);

// A name or caption standing vertically, one character a line.
QString vertical(const QString& text) {
    QStringList chars;
    for (int i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate() && i + 1 < text.size()) {
            chars << text.mid(i, 2);
            ++i;
        } else {
            chars << text.mid(i, 1);
        }
    }
    return chars.join(u'\n');
}

QString arrayName(const QString& base, int index) {
    return QStringLiteral("%1(%2)").arg(base).arg(index);
}

QLabel* makeLabel(QWidget* parent, const QString& name, const QString& text = QString()) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    l->setAlignment(Qt::AlignCenter);
    return l;
}

// A text box used as a label (the job names repeated on the work and vehicle pages).
QLineEdit* makeShownText(QWidget* parent, const QString& name) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setReadOnly(true);
    e->setFocusPolicy(Qt::NoFocus);
    e->setFrame(false);
    return e;
}

QLineEdit* makeText(QWidget* parent, const QString& name, const QString& tip = QString()) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setToolTip(tip);
    return e;
}

void setTextColour(QWidget* w, const QColor& colour) {
    QPalette p = w->palette();
    p.setColor(QPalette::Text, colour);
    w->setPalette(p);
}

// Latin input only: times and counts are never composed through the input method.
void latinOnly(QLineEdit* e) {
    e->setAttribute(Qt::WA_InputMethodEnabled, false);
    e->setInputMethodHints(Qt::ImhPreferLatin | Qt::ImhPreferNumbers | Qt::ImhNoPredictiveText);
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

// Project page fields of the four rows, in the order the screen has always named them.
const char* const kJob[] = {"Text1", "Text2", "Text3", "Text4"};
const char* const kRemarks[] = {"Text5", "Text7", "Text9", "Text46"};
const char* const kClient[] = {"Text6", "Text8", "Text11", "Text13"};
const char* const kStart[] = {"Text14", "Text18", "Text22", "Text26"};
const char* const kEnd[] = {"Text15", "Text19", "Text23", "Text27"};
const char* const kPlanned[] = {"Text30", "Text32", "Text34", "Text36"};
const char* const kActual[] = {"Text31", "Text33", "Text35", "Text37"};
const char* const kProjectNumber[] = {"Label1", "Label2", "Label3", "Label5"};
const char* const kWorkNumber[] = {"Label4", "Label6", "Label7", "Label8"};
const char* const kVehicleNumber[] = {"Label9", "Label10", "Label11", "Label12"};

constexpr int kCellWidth = 30;
constexpr int kCountWidth = 34;

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
    const QString pageCaptions[3] = {QStringLiteral("件名登録"), QStringLiteral("作業登録"),
                                     QStringLiteral("車両登録")};
    for (int i = 0; i < 3; ++i) {
        auto* b = new QPushButton(pageCaptions[i], this);
        b->setObjectName(arrayName(QStringLiteral("COMBTN"), i));
        b->setFocusPolicy(Qt::NoFocus);
        connect(b, &QPushButton::clicked, this, [this, i] { showPage(i); });
        pageButtons_[i] = b;
        top->addWidget(b);
    }
    top->addStretch();
    auto* reg = new QPushButton(QStringLiteral("登録"), this);
    reg->setObjectName(QStringLiteral("Command3"));
    auto* close = new QPushButton(QStringLiteral("終了"), this);
    close->setObjectName(QStringLiteral("Command2"));
    connect(reg, &QPushButton::clicked, this, &EntryScreen::registerDay);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    top->addWidget(reg);
    top->addWidget(close);

    pages_->addWidget(buildProjectPage());
    pages_->addWidget(buildWorkPage());
    pages_->addWidget(buildVehiclePage());

    vscroll_->setObjectName(QStringLiteral("VScroll1"));
    vscroll_->setRange(0, kSlotBound - 1 - kRows); // 16 groups, 4 shown
    vscroll_->setPageStep(kRows);
    connect(vscroll_, &QScrollBar::valueChanged, this, [this] { verticalRedraw(); });
    connect(hscroll_, &QScrollBar::valueChanged, this, [this] { horizontalRedraw(); });

    auto* middle = new QHBoxLayout;
    middle->addWidget(pages_, 1);
    middle->addWidget(vscroll_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(middle, 1);

    connectRules();
    for (QLineEdit* e : findChildren<QLineEdit*>())
        e->installEventFilter(this);
}

QLineEdit* EntryScreen::countField(const QString& name) {
    QLineEdit* e = makeText(this, name, QStringLiteral("数量を入力します。"));
    e->setFixedWidth(kCountWidth);
    e->setAlignment(Qt::AlignRight);
    latinOnly(e);
    return e;
}

QWidget* EntryScreen::buildProjectPage() {
    auto* page = new QWidget(pages_);
    page->setObjectName(QStringLiteral("page0"));
    auto* grid = new QGridLayout(page);
    grid->setVerticalSpacing(3);
    for (int s = 0; s < kRows; ++s) {
        ProjectRow& r = rows_[s];
        const int base = s * 4;
        r.number = makeLabel(page, QString::fromLatin1(kProjectNumber[s]));
        r.number->setMinimumWidth(28);
        r.number->setFrameShape(QFrame::Box);
        r.job = makeText(page, QString::fromLatin1(kJob[s]), QStringLiteral("クリックで選択画面表示"));
        r.client = makeText(page, QString::fromLatin1(kClient[s]));
        r.start = makeText(page, QString::fromLatin1(kStart[s]), QStringLiteral("開始時間"));
        r.end = makeText(page, QString::fromLatin1(kEnd[s]), QStringLiteral("終了時間"));
        r.remarks = makeText(page, QString::fromLatin1(kRemarks[s]));
        for (QLineEdit* t : {r.start, r.end}) {
            t->setFixedWidth(64);
            t->setAlignment(Qt::AlignCenter);
            latinOnly(t);
        }
        r.night = new QCheckBox(QStringLiteral("夜間"), page);
        r.night->setObjectName(arrayName(QStringLiteral("YORU"), s));
        r.night->setToolTip(QStringLiteral("夜間作業の場合にチェックします。"));
        r.del = new QCheckBox(QStringLiteral("削除"), page);
        r.del->setObjectName(arrayName(QStringLiteral("Check"), s));
        r.del->setToolTip(QStringLiteral("チェックで削除します。"));
        auto work = [page](const char* name, const QString& tip) {
            auto* e = new QPlainTextEdit(page);
            e->setObjectName(QString::fromLatin1(name));
            e->setToolTip(tip);
            e->setTabChangesFocus(true);
            e->setFixedHeight(44);
            return e;
        };
        r.planned = work(kPlanned[s], QStringLiteral("予定作業内容を入力します。"));
        r.actual = work(kActual[s], QStringLiteral("実績作業内容を入力します。"));

        grid->addWidget(r.number, base, 0, 3, 1);
        grid->addWidget(new QLabel(QStringLiteral("工事件名"), page), base, 1);
        grid->addWidget(r.job, base, 2, 1, 3);
        grid->addWidget(new QLabel(QStringLiteral("発注者"), page), base, 5);
        grid->addWidget(r.client, base, 6, 1, 2);
        grid->addWidget(new QLabel(QStringLiteral("開始"), page), base + 1, 1);
        grid->addWidget(r.start, base + 1, 2);
        grid->addWidget(new QLabel(QStringLiteral("終了"), page), base + 1, 3);
        grid->addWidget(r.end, base + 1, 4, Qt::AlignLeft);
        grid->addWidget(new QLabel(QStringLiteral("備考"), page), base + 1, 5);
        grid->addWidget(r.remarks, base + 1, 6);
        auto* boxes = new QHBoxLayout;
        boxes->addWidget(r.night);
        boxes->addWidget(r.del);
        grid->addLayout(boxes, base + 1, 7);
        grid->addWidget(new QLabel(QStringLiteral("予定作業"), page), base + 2, 1);
        grid->addWidget(r.planned, base + 2, 2, 1, 3);
        grid->addWidget(new QLabel(QStringLiteral("実績作業"), page), base + 2, 5);
        grid->addWidget(r.actual, base + 2, 6, 1, 2);
        if (s + 1 < kRows) {
            auto* rule = new QFrame(page);
            rule->setFrameShape(QFrame::HLine);
            rule->setFrameShadow(QFrame::Sunken);
            grid->addWidget(rule, base + 3, 0, 1, 8);
        }
    }
    grid->setColumnStretch(4, 1);
    grid->setColumnStretch(6, 2);
    grid->setRowStretch(4 * kRows, 1);
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
    for (int j = 0; j < kColumns; ++j) {
        QLabel* nm = makeLabel(page, arrayName(QStringLiteral("NM"), j));
        nm->setAutoFillBackground(true);
        nm->setFixedWidth(kCellWidth);
        nm->setMinimumHeight(92);
        nm->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        nm->setFrameShape(QFrame::Box);
        nameHeaders_[j] = nm;
        grid->addWidget(nm, 0, 3 + j);
    }
    for (int n = 0; n < kLines; ++n) {
        const int s = n / 2;
        if (n % 2 == 0) {
            workNumbers_[s] = makeLabel(page, QString::fromLatin1(kWorkNumber[s]));
            workNumbers_[s]->setFrameShape(QFrame::Box);
            workNumbers_[s]->setMinimumWidth(28);
            workJobs_[s] = makeShownText(page, QStringLiteral("Text%1").arg(38 + s));
            workJobs_[s]->setMinimumWidth(180);
            grid->addWidget(workNumbers_[s], 1 + n, 0, 2, 1);
            grid->addWidget(workJobs_[s], 1 + n, 1, 2, 1);
        }
        grid->addWidget(makeLabel(page, QString(), n % 2 == 0 ? QStringLiteral("予定") : QStringLiteral("実績")),
                        1 + n, 2);
        for (int j = 0; j < kColumns; ++j) {
            QLineEdit* cell = makeText(page, QStringLiteral("SG%1(%2)").arg(n + 1).arg(j));
            cell->setFixedWidth(kCellWidth);
            cell->setAlignment(Qt::AlignCenter);
            cells_[n][j] = cell;
            grid->addWidget(cell, 1 + n, 3 + j);
        }
    }
    hscroll_ = new QScrollBar(Qt::Horizontal, page);
    hscroll_->setObjectName(QStringLiteral("HScroll1"));
    hscroll_->setRange(0, kStaffColumns - kColumns); // 30 columns, 13 shown
    hscroll_->setPageStep(kColumns);
    grid->addWidget(hscroll_, 1 + kLines, 3, 1, kColumns);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(2 + kLines, 1);
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
        vehicleHeaders_[v]->setMinimumHeight(92);
        vehicleHeaders_[v]->setFixedWidth(kCountWidth);
        grid->addWidget(vehicleHeaders_[v], 0, 6 + v);
    }
    extraCaption_ = makeText(page, QStringLiteral("Text12"), QStringLiteral("手入力できます。"));
    extraCaption_->setFixedWidth(84);
    grid->addWidget(extraCaption_, 0, 6 + kVehicleColumns, 1, 2, Qt::AlignBottom);

    for (int n = 0; n < kLines; ++n) {
        const int s = n / 2;
        const bool planned = n % 2 == 0;
        if (planned) {
            vehicleNumbers_[s] = makeLabel(page, QString::fromLatin1(kVehicleNumber[s]));
            vehicleNumbers_[s]->setFrameShape(QFrame::Box);
            vehicleNumbers_[s]->setMinimumWidth(28);
            vehicleJobs_[s] = makeShownText(page, QStringLiteral("Text%1").arg(42 + s));
            vehicleJobs_[s]->setMinimumWidth(180);
            grid->addWidget(vehicleNumbers_[s], 1 + n, 0, 2, 1);
            grid->addWidget(vehicleJobs_[s], 1 + n, 1, 2, 1);
        }
        grid->addWidget(makeLabel(page, QString(), planned ? QStringLiteral("予定") : QStringLiteral("実績")), 1 + n, 2);
        QLineEdit*& spot = planned ? spot_[s] : spotActual_[s];
        spot = countField(arrayName(planned ? QStringLiteral("SPT") : QStringLiteral("SPTJ"), s));
        grid->addWidget(spot, 1 + n, 3);
        for (int i = 0; i < 2; ++i) {
            guards_[n][i] = countField(QStringLiteral("GDM%1(%2)").arg(n + 1).arg(i));
            grid->addWidget(guards_[n][i], 1 + n, 4 + i);
        }
        for (int v = 0; v < kVehicleColumns; ++v) {
            vehicles_[n][v] = countField(QStringLiteral("SY%1(%2)").arg(n + 1).arg(v));
            grid->addWidget(vehicles_[n][v], 1 + n, 6 + v);
        }
        QLineEdit*& extra = planned ? extra_[s] : extraActual_[s];
        extra = countField(arrayName(planned ? QStringLiteral("TOKU") : QStringLiteral("TOKUJ"), s));
        grid->addWidget(extra, 1 + n, 6 + kVehicleColumns);
    }
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(1 + kLines, 1);
    return page;
}

void EntryScreen::connectRules() {
    for (int s = 0; s < kRows; ++s) {
        ProjectRow& r = rows_[s];
        connect(r.job, &QLineEdit::textChanged, this, [this, s](const QString& t) {
            day_.groups[slotOf(s)].jobName = t;
            workJobs_[s]->setText(t);
            vehicleJobs_[s]->setText(t);
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
        r.job->installEventFilter(this);
        r.start->installEventFilter(this);
        r.end->installEventFilter(this);
    }

    for (int n = 0; n < kLines; ++n) {
        for (int j = 0; j < kColumns; ++j) {
            QLineEdit* cell = cells_[n][j];
            connect(cell, &QLineEdit::textChanged, this, [this, n, j](const QString& t) {
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
    for (int n = 0; n < kLines; ++n) {
        auto lineKey = [this, n](Field kind, int index) {
            return [this, n, kind, index] { return FieldKey{kind, lineOf(n) / 2, lineOf(n) % 2, index}; };
        };
        for (int i = 0; i < 2; ++i)
            numberRule(guards_[n][i], lineKey(Field::Guard, i),
                       [this, n, i]() -> qint16& { return day_.lines[lineOf(n)].guards[i]; });
        for (int v = 0; v < kVehicleColumns; ++v)
            numberRule(vehicles_[n][v], lineKey(Field::Vehicle, v),
                       [this, n, v]() -> qint16& { return day_.lines[lineOf(n)].vehicles[v]; });
    }
    for (int s = 0; s < kRows; ++s) {
        for (int a = 0; a < 2; ++a) {
            auto key = [this, s, a](Field kind) { return [this, s, a, kind] { return FieldKey{kind, slotOf(s), a, 0}; }; };
            numberRule(a ? spotActual_[s] : spot_[s], key(Field::Spot),
                       [this, s, a]() -> qint16& { return day_.groups[slotOf(s)].spotCount[a]; });
            numberRule(a ? extraActual_[s] : extra_[s], key(Field::Extra),
                       [this, s, a]() -> qint16& { return day_.groups[slotOf(s)].extraCount[a]; });
        }
    }
    connect(extraCaption_, &QLineEdit::textChanged, this, [this](const QString& t) {
        day_.extraCaption = t;
        state_.extraCaption = t; // one caption for the program, also after this screen closes
    });
}

bool EntryScreen::eventFilter(QObject* watched, QEvent* event) {
    auto* field = qobject_cast<QLineEdit*>(watched);
    if (!field)
        return QWidget::eventFilter(watched, event);

    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            focusNextChild(); // Enter moves on, as Tab does
            return true;
        }
    }
    if (event->type() == QEvent::FocusIn) {
        for (int s = 0; s < kRows; ++s) {
            const bool start = field == rows_[s].start;
            if (start || field == rows_[s].end) {
                // An empty time takes the default; a typed one stays, selected to retype.
                if (field->text().isEmpty())
                    field->setText(start ? kDefaultStartTime : kDefaultEndTime);
                QTimer::singleShot(0, field, &QLineEdit::selectAll);
            }
        }
    }
    if (event->type() == QEvent::MouseButtonPress) {
        for (int s = 0; s < kRows; ++s) {
            if (field == rows_[s].job) {
                pickerRow_ = s + 1;
                frame_.openScreen(ScreenId::ProjectPicker);
            }
        }
        for (int n = 0; n < kLines; ++n) {
            for (int j = 0; j < kColumns; ++j) {
                if (field == cells_[n][j]) {
                    pickerLine_ = n + 1;
                    pickerCell_ = j;
                    frame_.openScreen(ScreenId::MarkPicker);
                }
            }
        }
    }
    return QWidget::eventFilter(watched, event);
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
    for (int j = 0; j < kColumns; ++j) {
        const int c = day_.columnOffset + j;
        const bool employee = c <= employeeRows_ - 1;
        nameHeaders_[j]->setText(employee ? vertical(names_.employees[c]) : QString());
        for (int n = 0; n < kLines; ++n) {
            // Clearing a column without an employee empties its cells in the model too.
            cells_[n][j]->setText(employee || !clearing ? day_.lines[lineOf(n)].staff[c] : QString());
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
    if (slot < day_.groupOffset || slot >= day_.groupOffset + kRows)
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
        field = guards_[n][key.index];
        break;
    case Field::Vehicle:
        field = vehicles_[n][key.index];
        break;
    case Field::Spot:
        field = key.actual ? spotActual_[s] : spot_[s];
        break;
    case Field::Extra:
        field = key.actual ? extraActual_[s] : extra_[s];
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

void EntryScreen::vehicleRedraw() {
    guardHeaders_[0]->setText(vertical(QStringLiteral("ガド昼")));
    guardHeaders_[1]->setText(vertical(QStringLiteral("ガド夜")));
    auto key = [this](int n, Field kind, int index) { return FieldKey{kind, lineOf(n) / 2, lineOf(n) % 2, index}; };
    for (int n = 0; n < kLines; ++n) {
        for (int i = 0; i < 2; ++i)
            setCount(guards_[n][i], key(n, Field::Guard, i), day_.lines[lineOf(n)].guards[i]);
    }
    for (int v = 0; v < kVehicleColumns; ++v) {
        vehicleHeaders_[v]->setText(v <= vehicleRows_ - 1 ? vertical(names_.vehicles[v]) : QString());
        for (int n = 0; n < kLines; ++n)
            setCount(vehicles_[n][v], key(n, Field::Vehicle, v), day_.lines[lineOf(n)].vehicles[v]);
    }
}

void EntryScreen::countsRedraw() {
    for (int s = 0; s < kRows; ++s) {
        const GroupSlot& g = day_.groups[slotOf(s)];
        // Copies: setting one field runs its rule, which writes into the same slot.
        const auto extra = g.extraCount;
        const auto spot = g.spotCount;
        const int k = slotOf(s);
        setCount(extra_[s], {Field::Extra, k, 0, 0}, extra[0]);
        setCount(extraActual_[s], {Field::Extra, k, 1, 0}, extra[1]);
        setCount(spot_[s], {Field::Spot, k, 0, 0}, spot[0]);
        setCount(spotActual_[s], {Field::Spot, k, 1, 0}, spot[1]);
    }
}

void EntryScreen::verticalRedraw() {
    refreshCounts();
    day_.groupOffset = vscroll_->value();
    for (int s = 0; s < kRows; ++s) {
        const int k = slotOf(s);
        const GroupSlot g = day_.groups[k]; // a copy: each setText writes back into the slot
        ProjectRow& r = rows_[s];
        r.job->setText(g.jobName);
        workJobs_[s]->setText(g.jobName);
        vehicleJobs_[s]->setText(g.jobName);
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
        workNumbers_[s]->setText(number);
        vehicleNumbers_[s]->setText(number);
        r.night->setChecked(g.nightFlag == 1);
        r.del->setChecked(g.deleteFlag == 1);
    }
    for (int j = 0; j < kColumns; ++j) {
        for (int n = 0; n < kLines; ++n)
            cells_[n][j]->setText(day_.lines[lineOf(n)].staff[day_.columnOffset + j]);
    }
    vehicleRedraw();
    countsRedraw();
    for (int j = 0; j < kColumns; ++j) {
        SAGYOCHK(j);
        SAGYOCHK2(j);
    }
}

void EntryScreen::horizontalRedraw() {
    refreshCounts();
    day_.columnOffset = hscroll_->value();
    gridRedraw(true);
    for (int j = 0; j < kColumns; ++j) {
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
        !ui::askYesNo(this, QStringLiteral("登録されていない変更があります。閉じますか？")))
        return;
    loadDay(date);
}

bool EntryScreen::hasUnsavedChanges() const {
    return !refused_.empty() || !sameDay(day_, saved_);
}

void EntryScreen::registerDay() {
    if (refusedFieldsStop() || unnamedGroupsStop())
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
    ui::showMessage(this, QStringLiteral("登録終了しました。"));
}

void EntryScreen::applyProject(qint16 number, const QString& name, const QString& client) {
    const int s = pickerRow_ - 1;
    rows_[s].job->setText(name);
    day_.groups[slotOf(s)].jobNumber = number;
    rows_[s].client->setText(client);
}

void EntryScreen::applyMark(const QString& mark) {
    cells_[pickerLine_ - 1][pickerCell_]->setText(leftChars(mark, 1));
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
