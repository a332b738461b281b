#include "ui/entry/pickers.h"

#include "core/entry/day_edit.h"

#include "core/app/app_state.h"
#include "core/app/session.h"
#include "ui/app/frame_window.h"
#include "ui/app/pick_list.h"
#include "ui/app/ui_support.h"
#include "ui/entry/entry_screen.h"

#include <QCheckBox>
#include <QHash>
#include <QVBoxLayout>

namespace vorda {

namespace {

// The entry screen open now: a picker outlives the screen it was opened from.
EntryScreen* openEntry(FrameWindow& frame) {
    return qobject_cast<EntryScreen*>(frame.screen(ScreenId::Entry));
}

QString period(const ProjectEntry& p) {
    const auto shown = [](const QDate& d) {
        return d.isValid() ? d.toString(QStringLiteral("yyyy/MM/dd")) : QString();
    };
    if (!p.startDate.isValid() && !p.endDate.isValid())
        return QString();
    return shown(p.startDate) + QStringLiteral("～") + shown(p.endDate);
}

// The project lists read last, by file and day (an invalid day: every project). The table
// only grows, so reading it at every F4 grows slower with the years; the frame's signals
// say when a list may no longer hold.
class ProjectLists : public QObject {
public:
    explicit ProjectLists(FrameWindow& frame) : QObject(&frame) {
        setObjectName(QStringLiteral("projectLists"));
        const auto readAgain = [this, &frame] {
            lists_.clear();
            // An open picker may have read again before this: its list is the one kept.
            if (auto* open = qobject_cast<ProjectPicker*>(frame.screen(ScreenId::ProjectPicker)))
                open->refresh();
        };
        for (auto changed : {&FrameWindow::projectsChanged, &FrameWindow::dataChanged})
            connect(&frame, changed, this, readAgain);
        connect(&frame.session(), &Session::locationChanged, this, readAgain);
    }
    static ProjectLists& of(FrameWindow& frame) {
        auto* lists = frame.findChild<ProjectLists*>(QStringLiteral("projectLists"),
                                                     Qt::FindDirectChildrenOnly);
        return lists ? *lists : *new ProjectLists(frame);
    }
    DbError read(const QString& path, const QDate& day, std::vector<ProjectEntry>& out) {
        const QString key = path + u'\n' + day.toString(Qt::ISODate);
        if (const auto it = lists_.constFind(key); it != lists_.cend()) {
            out = *it;
            return {};
        }
        if (DbError e = listPickerProjects(path, day, out))
            return e;
        lists_.insert(key, out);
        return {};
    }
    void clear() { lists_.clear(); }

private:
    QHash<QString, std::vector<ProjectEntry>> lists_;
};

} // namespace

ProjectPicker::ProjectPicker(AppState& state, FrameWindow& frame, QWidget* parent)
    : QWidget(parent), state_(state), frame_(frame),
      list_(new PickList(QStringLiteral("DBList1"),
                         {QStringLiteral("番号"), QStringLiteral("工事件名"),
                          QStringLiteral("発注者"), QStringLiteral("期間")},
                         this)),
      showEnded_(new QCheckBox(QStringLiteral("終了した工事も表示"), this)) {
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("工事件名表"));
    setMinimumSize(620, 300);
    showEnded_->setObjectName(QStringLiteral("showEnded"));
    showEnded_->setFocusPolicy(Qt::TabFocus);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_, 1);
    layout->addWidget(showEnded_);
    setFocusProxy(list_);
    if (EntryScreen* entry = openEntry(frame))
        day_ = entry->date();
    else
        day_ = state.workingDate;
    showRows();
    frame.followDatabase(
        this, [&state] { return state.boundDatabasePath; }, [this] { refresh(); });
    connect(list_, &PickList::chosen, this, &ProjectPicker::choose);
    connect(list_, &PickList::cancelled, this, [this] { closeSoon(this); });
    connect(showEnded_, &QCheckBox::toggled, this, &ProjectPicker::showRows);
}

void ProjectPicker::refresh() {
    ProjectLists::of(frame_).clear();
    showRows();
}

void ProjectPicker::setDay(const QDate& day) {
    if (day == day_)
        return;
    day_ = day;
    showRows();
}

void ProjectPicker::showRows() {
    // A bound list: the path vorda.INI holds, as last read or registered. Ended projects are
    // left out by the query unless asked for.
    const QDate day = showEnded_->isChecked() ? QDate() : day_;
    if (const DbError e = ProjectLists::of(frame_).read(state_.boundDatabasePath, day, projects_))
        showFailure(this, e);
    std::vector<QStringList> rows;
    rows.reserve(projects_.size());
    for (const ProjectEntry& p : projects_)
        rows.push_back({QString::number(p.number), p.name, p.client, period(p)});
    list_->setRows(rows);
}

void ProjectPicker::choose(int row) {
    if (EntryScreen* entry = openEntry(frame_); entry && row >= 0 && row < int(projects_.size()))
        entry->applyProject(projects_[row].number, projects_[row].name, projects_[row].client);
    closeSoon(this);
}

MarkPicker::MarkPicker(AppState& state, FrameWindow& frame, QWidget* parent)
    : QWidget(parent), state_(state), frame_(frame),
      list_(new PickList(QStringLiteral("List1"),
                         {QStringLiteral("番号"), QStringLiteral("マーク"), QStringLiteral("内容")},
                         this)) {
    setObjectName(QStringLiteral("Form12"));
    setWindowTitle(QStringLiteral("マーク"));
    setMinimumSize(240, 300);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_);
    setFocusProxy(list_);
    refresh();
    frame.followDatabase(
        this, [&state] { return state.boundDatabasePath; }, [this] { refresh(); });
    connect(list_, &PickList::chosen, this, &MarkPicker::choose);
    connect(list_, &PickList::cancelled, this, [this] { closeSoon(this); });
}

void MarkPicker::refresh() {
    marks_.clear();
    if (const DbError e = listStaffMarks(state_.boundDatabasePath, marks_))
        showFailure(this, e);
    std::vector<QStringList> rows;
    // The first nine are numbered: the digit typed in a staff cell puts that mark.
    for (std::size_t i = 0; i < marks_.size(); ++i)
        rows.push_back({i < kNumberedMarks ? QString::number(i + 1) : QString(), marks_[i].mark,
                        marks_[i].description});
    list_->setRows(rows);
}

void MarkPicker::choose(int row) {
    if (EntryScreen* entry = openEntry(frame_); entry && row >= 0 && row < int(marks_.size()))
        entry->applyMark(marks_[row].mark);
    closeSoon(this);
}

} // namespace vorda
