#include "ui/entry/entry_rows.h"

#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace vorda {

namespace {

// The fields of the first four rows carry the screen's fixed control names;
// rows beyond are named after row 0's field with the row in brackets.
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
const char* const kWorkJob[] = {"Text38", "Text39", "Text40", "Text41"};
const char* const kVehicleJob[] = {"Text42", "Text43", "Text44", "Text45"};

QString rowName(const char* const (&names)[4], int s) {
    return s < 4 ? QString::fromLatin1(names[s]) : arrayName(QString::fromLatin1(names[0]), s);
}

constexpr int kCellWidth = 30;
constexpr int kCountWidth = 34;
constexpr int kJobLabelWidth = 180;

// A text box used as a label (the job names repeated on the work and vehicle pages).
QLineEdit* makeShownText(QWidget* parent, const QString& name) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setReadOnly(true);
    e->setFocusPolicy(Qt::NoFocus);
    e->setFrame(false);
    e->setMinimumWidth(kJobLabelWidth);
    return e;
}

// Latin input only: times and counts are never composed through the input method.
void latinOnly(QLineEdit* e) {
    e->setAttribute(Qt::WA_InputMethodEnabled, false);
    e->setInputMethodHints(Qt::ImhPreferLatin | Qt::ImhPreferNumbers | Qt::ImhNoPredictiveText);
}

QLabel* numberLabel(QWidget* page, const QString& name) {
    QLabel* l = makeLabel(page, name);
    l->setFrameShape(QFrame::Box);
    l->setMinimumWidth(28);
    return l;
}

// The group number and repeated job name of a line pair, over both lines.
LinePair pairHeading(QGridLayout* grid, QWidget* page, int s, const char* const (&numbers)[4],
                     const char* const (&jobs)[4], const QString& promoteName) {
    LinePair p;
    const int n = 2 * s;
    p.number = numberLabel(page, rowName(numbers, s));
    p.job = makeShownText(page, rowName(jobs, s));
    // Under the job name, beside the 予定 and 実績 captions: the planned line as the actual.
    p.promote = new QToolButton(page);
    p.promote->setObjectName(arrayName(promoteName, s));
    p.promote->setText(QStringLiteral("予定→実績"));
    p.promote->setToolTip(QStringLiteral("この作業の予定を実績に写します (Ctrl+R)"));
    p.promote->setFocusPolicy(Qt::NoFocus); // Tab goes from cell to cell; the key is Ctrl+R
    grid->addWidget(p.number, 1 + n, 0, 2, 1);
    grid->addWidget(p.job, 1 + n, 1);
    grid->addWidget(p.promote, 2 + n, 1, Qt::AlignRight);
    for (int a = 0; a < 2; ++a) {
        p.captions[a] =
            makeLabel(page, QString(), a == 0 ? QStringLiteral("予定") : QStringLiteral("実績"));
        grid->addWidget(p.captions[a], 1 + n + a, 2);
    }
    return p;
}

} // namespace

QString arrayName(const QString& base, int index) {
    return QStringLiteral("%1(%2)").arg(base).arg(index);
}

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

QLabel* makeLabel(QWidget* parent, const QString& name, const QString& text) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    l->setAlignment(Qt::AlignCenter);
    return l;
}

QLineEdit* makeText(QWidget* parent, const QString& name, const QString& tip) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setToolTip(tip);
    return e;
}

QLineEdit* makeCount(QWidget* parent, const QString& name) {
    QLineEdit* e = makeText(parent, name, QStringLiteral("数量を入力します。"));
    e->setFixedWidth(kCountWidth);
    e->setAlignment(Qt::AlignRight);
    latinOnly(e);
    return e;
}

QPushButton* makeButton(QWidget* parent, const QString& name, const QString& caption,
                        const QString& tip) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setToolTip(tip);
    return b;
}

QLineEdit* fieldOf(const EntryPages& pages, int s, const FieldKey& key) {
    const VehicleLines& v = pages.vehicle[s];
    switch (key.kind) {
    case EntryField::Start:
        return pages.rows[s].start;
    case EntryField::End:
        return pages.rows[s].end;
    case EntryField::Guard:
        return v.guards[key.actual][key.index];
    case EntryField::Vehicle:
        return v.vehicles[key.actual][key.index];
    case EntryField::Spot:
        return v.spot[key.actual];
    case EntryField::Extra:
        return v.extra[key.actual];
    }
    return pages.rows[s].start;
}

ProjectRow buildProjectRow(QWidget* page, int s) {
    ProjectRow r;
    r.box = new QWidget(page);
    r.box->setObjectName(arrayName(QStringLiteral("row"), s));
    QWidget* box = r.box;
    auto* grid = new QGridLayout(box);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setVerticalSpacing(3);
    r.number = numberLabel(box, rowName(kProjectNumber, s));
    // Created in reading order, left to right and down: the order Tab follows.
    r.job = makeText(box, rowName(kJob, s), QStringLiteral("クリックで選択画面表示"));
    r.client = makeText(box, rowName(kClient, s));
    r.start = makeText(box, rowName(kStart, s), QStringLiteral("開始時間"));
    r.end = makeText(box, rowName(kEnd, s), QStringLiteral("終了時間"));
    r.remarks = makeText(box, rowName(kRemarks, s));
    for (QLineEdit* t : {r.start, r.end}) {
        t->setFixedWidth(64);
        t->setAlignment(Qt::AlignCenter);
        latinOnly(t);
    }
    r.night = new QCheckBox(QStringLiteral("夜間"), box);
    r.night->setObjectName(arrayName(QStringLiteral("YORU"), s));
    r.night->setToolTip(QStringLiteral("夜間作業の場合にチェックします。"));
    r.del = new QCheckBox(QStringLiteral("削除"), box);
    r.del->setObjectName(arrayName(QStringLiteral("Check"), s));
    r.del->setToolTip(QStringLiteral("チェックで削除します。"));
    auto work = [box](const QString& name, const QString& tip) {
        auto* e = new QPlainTextEdit(box);
        e->setObjectName(name);
        e->setToolTip(tip);
        e->setTabChangesFocus(true);
        e->setFixedHeight(44);
        return e;
    };
    r.planned = work(rowName(kPlanned, s), QStringLiteral("予定作業内容を入力します。"));
    r.actual = work(rowName(kActual, s), QStringLiteral("実績作業内容を入力します。"));

    grid->addWidget(r.number, 0, 0, 3, 1);
    grid->addWidget(new QLabel(QStringLiteral("工事件名"), box), 0, 1);
    grid->addWidget(r.job, 0, 2, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("発注者"), box), 0, 5);
    grid->addWidget(r.client, 0, 6, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("開始"), box), 1, 1);
    grid->addWidget(r.start, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("終了"), box), 1, 3);
    grid->addWidget(r.end, 1, 4, Qt::AlignLeft);
    grid->addWidget(new QLabel(QStringLiteral("備考"), box), 1, 5);
    grid->addWidget(r.remarks, 1, 6);
    auto* boxes = new QHBoxLayout;
    boxes->addWidget(r.night);
    boxes->addWidget(r.del);
    grid->addLayout(boxes, 1, 7);
    grid->addWidget(new QLabel(QStringLiteral("予定作業"), box), 2, 1);
    grid->addWidget(r.planned, 2, 2, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("実績作業"), box), 2, 5);
    grid->addWidget(r.actual, 2, 6, 1, 2);
    auto* rule = new QFrame(box);
    rule->setFrameShape(QFrame::HLine);
    rule->setFrameShadow(QFrame::Sunken);
    grid->addWidget(rule, 3, 0, 1, 8);
    grid->setColumnStretch(4, 1);
    grid->setColumnStretch(6, 2);
    return r;
}

LinePair addWorkLines(QGridLayout* grid, QWidget* page, int s) {
    LinePair p = pairHeading(grid, page, s, kWorkNumber, kWorkJob, QStringLiteral("Promote"));
    for (int a = 0; a < 2; ++a) {
        const int n = 2 * s + a;
        for (int j = 0; j < kStaffColumns; ++j) {
            QLineEdit* cell = makeText(page, QStringLiteral("SG%1(%2)").arg(n + 1).arg(j));
            cell->setFixedWidth(kCellWidth);
            cell->setAlignment(Qt::AlignCenter);
            p.cells[a][j] = cell;
            grid->addWidget(cell, 1 + n, 3 + j);
        }
    }
    return p;
}

VehicleLines addVehicleLines(QGridLayout* grid, QWidget* page, int s) {
    VehicleLines v;
    v.pair = pairHeading(grid, page, s, kVehicleNumber, kVehicleJob, QStringLiteral("PromoteV"));
    for (int a = 0; a < 2; ++a) {
        const int n = 2 * s + a;
        v.spot[a] =
            makeCount(page, arrayName(a == 0 ? QStringLiteral("SPT") : QStringLiteral("SPTJ"), s));
        grid->addWidget(v.spot[a], 1 + n, 3);
        for (int i = 0; i < 2; ++i) {
            v.guards[a][i] = makeCount(page, QStringLiteral("GDM%1(%2)").arg(n + 1).arg(i));
            grid->addWidget(v.guards[a][i], 1 + n, 4 + i);
        }
        for (int c = 0; c < kVehicleColumns; ++c) {
            v.vehicles[a][c] = makeCount(page, QStringLiteral("SY%1(%2)").arg(n + 1).arg(c));
            grid->addWidget(v.vehicles[a][c], 1 + n, 6 + c);
        }
        v.extra[a] = makeCount(
            page, arrayName(a == 0 ? QStringLiteral("TOKU") : QStringLiteral("TOKUJ"), s));
        grid->addWidget(v.extra[a], 1 + n, 6 + kVehicleColumns);
    }
    return v;
}

namespace {

QWidget* projectPage(QStackedWidget* pages, EntryPages& p) {
    auto* page = new QWidget(pages);
    page->setObjectName(QStringLiteral("page0"));
    auto* column = new QVBoxLayout(page);
    column->setSpacing(3);
    for (int s = 0; s < kMaxRows; ++s) {
        p.rows[s] = buildProjectRow(page, s);
        column->addWidget(p.rows[s].box);
    }
    column->addStretch(1);
    return page;
}

QWidget* workPage(QStackedWidget* pages, EntryPages& p, int columns) {
    auto* page = new QWidget(pages);
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
        p.nameHeaders[j] = nm;
        grid->addWidget(nm, 0, 3 + j);
    }
    for (int s = 0; s < kMaxRows; ++s)
        p.work[s] = addWorkLines(grid, page, s);
    p.hscroll = new QScrollBar(Qt::Horizontal, page);
    p.hscroll->setObjectName(QStringLiteral("HScroll1"));
    p.hscroll->setRange(0, kStaffColumns - columns); // 30 columns, as many shown as fit
    p.hscroll->setPageStep(columns);
    grid->addWidget(p.hscroll, 1 + 2 * kMaxRows, 3, 1, kStaffColumns);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(2 + 2 * kMaxRows, 1);
    return page;
}

QWidget* vehiclePage(QStackedWidget* pages, EntryPages& p) {
    auto* page = new QWidget(pages);
    page->setObjectName(QStringLiteral("page2"));
    auto* grid = new QGridLayout(page);
    grid->setHorizontalSpacing(1);
    grid->setVerticalSpacing(1);
    grid->addWidget(makeLabel(page, QString(), QStringLiteral("No")), 0, 0, Qt::AlignBottom);
    grid->addWidget(makeLabel(page, QString(), QStringLiteral("工事件名")), 0, 1, Qt::AlignBottom);
    QLabel* spotHeader =
        makeLabel(page, QStringLiteral("Text16"), vertical(QStringLiteral("スポット")));
    spotHeader->setToolTip(QStringLiteral("スポット作業者"));
    spotHeader->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    grid->addWidget(spotHeader, 0, 3);
    const QString guardTips[2] = {QStringLiteral("ガードマン昼"), QStringLiteral("ガードマン夜")};
    for (int i = 0; i < 2; ++i) {
        p.guardHeaders[i] = makeLabel(page, arrayName(QStringLiteral("GDA"), i));
        p.guardHeaders[i]->setToolTip(guardTips[i]);
        p.guardHeaders[i]->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        grid->addWidget(p.guardHeaders[i], 0, 4 + i);
    }
    for (int v = 0; v < kVehicleColumns; ++v) {
        p.vehicleHeaders[v] = makeLabel(page, arrayName(QStringLiteral("SY"), v));
        p.vehicleHeaders[v]->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        p.vehicleHeaders[v]->setMinimumHeight(kHeaderHeight);
        p.vehicleHeaders[v]->setFixedWidth(34);
        grid->addWidget(p.vehicleHeaders[v], 0, 6 + v);
    }
    p.extraCaption = makeText(page, QStringLiteral("Text12"), QStringLiteral("手入力できます。"));
    p.extraCaption->setFixedWidth(84);
    grid->addWidget(p.extraCaption, 0, 6 + kVehicleColumns, 1, 2, Qt::AlignBottom);
    for (int s = 0; s < kMaxRows; ++s)
        p.vehicle[s] = addVehicleLines(grid, page, s);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(1 + 2 * kMaxRows, 1);
    return page;
}

} // namespace

EntryPages buildPages(QStackedWidget* pages, int rows, int columns) {
    EntryPages p;
    pages->addWidget(projectPage(pages, p));
    pages->addWidget(workPage(pages, p, columns));
    pages->addWidget(vehiclePage(pages, p));
    for (int s = 0; s < kMaxRows; ++s) {
        setRowShown(p.rows[s], s < rows);
        setLinesShown(p.work[s], s < rows, columns);
        setLinesShown(p.vehicle[s], s < rows);
    }
    for (int j = 0; j < kStaffColumns; ++j)
        p.nameHeaders[j]->setVisible(j < columns);
    return p;
}

void setRowShown(const ProjectRow& row, bool shown) {
    row.box->setVisible(shown);
}

namespace {
void setPairShown(const LinePair& p, bool shown) {
    p.number->setVisible(shown);
    p.job->setVisible(shown);
    p.promote->setVisible(shown);
    for (QLabel* c : p.captions)
        c->setVisible(shown);
}
} // namespace

void setLinesShown(const LinePair& lines, bool shown, int columns) {
    setPairShown(lines, shown);
    for (const auto& line : lines.cells)
        for (int j = 0; j < kStaffColumns; ++j)
            line[j]->setVisible(shown && j < columns);
}

void setLinesShown(const VehicleLines& lines, bool shown) {
    setPairShown(lines.pair, shown);
    for (int a = 0; a < 2; ++a) {
        for (QLineEdit* e : {lines.spot[a], lines.guards[a][0], lines.guards[a][1], lines.extra[a]})
            e->setVisible(shown);
        for (QLineEdit* e : lines.vehicles[a])
            e->setVisible(shown);
    }
}

int groupsThatFit(int height, int fixed, int pitch) {
    if (pitch <= 0)
        return kDefaultRows;
    return std::clamp((height - fixed) / pitch, 1, kMaxRows);
}

int columnsThatFit(int width, int fixed, int pitch) {
    if (pitch <= 0)
        return kDefaultColumns;
    return std::clamp((width - fixed) / pitch, 1, kStaffColumns);
}

void setGroupRange(QScrollBar* bar, int visible) {
    bar->setRange(0, kGroupsPerDay - visible);
    bar->setPageStep(visible);
    bar->setSingleStep(1);
}

} // namespace vorda
