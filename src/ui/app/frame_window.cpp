#include "ui/app/frame_window.h"

#include "core/app/app_state.h"
#include "core/app/session.h"
#include "core/data/database.h"
#include "ui/app/main_screen.h"
#include "ui/app/ui_support.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPixmap>
#include <QScreen>
#include <QSettings>
#include <QStatusBar>
#include <algorithm>

namespace vorda {

namespace {

struct MenuItem {
    int index; // the entry's index in its group; -1 for a separator
    const char16_t* caption;
    ScreenId screen;
    bool ends = false; // 終了
};

struct Menu {
    const char16_t* caption;
    std::vector<MenuItem> items;
};

// The menu tree; each entry keeps a fixed index (gaps included), which menuEntry names it by.
const std::vector<Menu>& menuTree() {
    static const std::vector<Menu> tree = {
        {u"処理",
         {{0, u"VORDA", ScreenId::Entry},
          {1, u"VORDA印刷", ScreenId::DailyPrint},
          {2, u"作業月報", ScreenId::MonthlyResults},
          {3, u"工事別期間一覧表", ScreenId::PeriodList},
          {4, u"月間出勤表", ScreenId::Attendance},
          {5, u"個人別年間出勤表", ScreenId::AnnualAttendance},
          {6, u"日報CSV…", ScreenId::DailyCsv},
          {-1, nullptr, ScreenId::Main},
          {11, u"印刷設定", ScreenId::PrintSettings},
          {-1, nullptr, ScreenId::Main},
          {20, u"終了", ScreenId::Main, true}}},
        {u"登録",
         {{0, u"工事件名登録", ScreenId::ProjectMaster},
          {1, u"社員登録", ScreenId::EmployeeMaster},
          {2, u"車両登録", ScreenId::VehicleMaster}}},
        {u"予備登録",
         {{0, u"マーク登録", ScreenId::MarkMaster},
          {1, u"天候登録", ScreenId::WeatherMaster},
          {2, u"システム登録", ScreenId::SystemSettings},
          {3, u"屋号登録", ScreenId::TradeName}}},
        {u"整理",
         {{0, u"VORDAデータ整理", ScreenId::Purge},
          {1, u"社員データ削除", ScreenId::DeleteEmployeeData}}},
    };
    return tree;
}

// The frame's place on the desktop is the user's, not the firm's: it lives in the user's
// settings, apart from vorda.INI.
QSettings placeSettings() {
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("vorda"),
                     QStringLiteral("window"));
}

const QString kGeometryKey = QStringLiteral("frame/geometry");

// Entries that have no screen in this system at all, as opposed to ones still to come.
bool notProvided(ScreenId id) {
    return id == ScreenId::DeleteEmployeeData;
}

} // namespace

FrameWindow::FrameWindow(AppState& state, QWidget* parent)
    : QMainWindow(parent), state_(state), session_(new Session(state, this)),
      area_(new QMdiArea(this)), status_(new QLabel(this)) {
    setObjectName(QStringLiteral("MDIForm1"));
    setWindowTitle(QStringLiteral("VORDA管理"));
    area_->setObjectName(QStringLiteral("mdiArea"));
    // Closing a screen activates the one used before it, not the first one opened.
    area_->setActivationOrder(QMdiArea::ActivationHistoryOrder);
    // A maximised entry screen stays the only maximised one: a picker opened over it keeps
    // its own size, beside the field it serves.
    area_->setOption(QMdiArea::DontMaximizeSubWindowOnActivation);
    setCentralWidget(area_);
    status_->setObjectName(QStringLiteral("statusText"));
    statusBar()->addWidget(status_, 1);
    connect(session_, &Session::connectionLost, this, &FrameWindow::connectionLost);
    buildMenus();
    registerScreens(*this);
    updateAvailability();
    resize(1200, 800);
}

void FrameWindow::buildMenus() {
    const auto& tree = menuTree();
    for (int m = 0; m < int(tree.size()); ++m) {
        QMenu* menu = menuBar()->addMenu(QString::fromUtf16(tree[m].caption));
        menu->setToolTipsVisible(true);
        for (const MenuItem& item : tree[m].items) {
            if (item.index < 0) {
                menu->addSeparator();
                continue;
            }
            QAction* a = menu->addAction(QString::fromUtf16(item.caption));
            a->setData(int(item.screen));
            a->setProperty("ends", item.ends);
            const int index = item.index;
            connect(a, &QAction::triggered, this, [this, m, index] { menuChosen(m, index); });
            entries_.insert({m, index}, a);
        }
    }
    // The fifth top menu has no entries: choosing it opens the data location screen.
    QAction* data = menuBar()->addAction(QStringLiteral("データ環境"));
    data->setData(int(ScreenId::DataLocation));
    connect(data, &QAction::triggered, this, [this] { menuChosen(4, 0); });
    entries_.insert({4, 0}, data);
}

void FrameWindow::updateAvailability() {
    for (QAction* a : std::as_const(entries_)) {
        if (a->property("ends").toBool())
            continue;
        const auto id = ScreenId(a->data().toInt());
        a->setEnabled(isAvailable(id));
        if (notProvided(id))
            a->setToolTip(QStringLiteral("この機能はこのシステムにはありません。"));
    }
}

QAction* FrameWindow::menuEntry(int menu, int index) const {
    return entries_.value({menu, index});
}

void FrameWindow::menuChosen(int menu, int index) {
    QAction* a = menuEntry(menu, index);
    if (!a)
        return;
    if (a->property("ends").toBool()) {
        endProgram();
        return;
    }
    const auto id = ScreenId(a->data().toInt());
    if (id == ScreenId::Entry || id == ScreenId::DailyPrint) {
        // These open for the working date as the main screen's fields give it.
        if (auto* main = qobject_cast<MainScreen*>(screen(ScreenId::Main))) {
            if (id == ScreenId::Entry)
                main->openEntry();
            else
                main->openDailyPrint();
            return;
        }
    }
    openScreen(id);
}

void FrameWindow::registerScreen(ScreenId id, Factory factory) {
    factories_.insert(id, std::move(factory));
    updateAvailability();
}

QWidget* FrameWindow::screen(ScreenId id) const {
    const QPointer<QMdiSubWindow> w = open_.value(id);
    return w ? w->widget() : nullptr;
}

QWidget* FrameWindow::openScreen(ScreenId id) {
    if (QPointer<QMdiSubWindow> w = open_.value(id); w && w->widget()) {
        w->showNormal();
        area_->setActiveSubWindow(w);
        w->raise();
        return w->widget();
    }
    const auto factory = factories_.value(id);
    if (!factory)
        return nullptr;
    const QPointer<QMdiSubWindow> opener = area_->activeSubWindow();
    QWidget* widget = factory(*this);
    if (!widget)
        return nullptr;
    widget->setAttribute(Qt::WA_DeleteOnClose);
    QMdiSubWindow* sub = area_->addSubWindow(widget);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->setWindowTitle(widget->windowTitle());
    QPixmap blank(16, 16);
    blank.fill(Qt::transparent);
    sub->setWindowIcon(QIcon(blank)); // no toolkit logo in the title bars
    open_.insert(id, sub);
    // A screen that closes itself ("終了") takes its frame with it.
    connect(widget, &QObject::destroyed, sub, &QMdiSubWindow::close);
    // A closed screen (a picker that has chosen) gives the front back to its opener.
    connect(sub, &QObject::destroyed, area_, [this, opener] {
        if (opener && !ending_)
            area_->setActiveSubWindow(opener);
    });
    sub->show();
    // Never larger than the frame can show: a small display cuts nothing off.
    QWidget* view = area_->viewport();
    sub->resize(sub->sizeHint().boundedTo(view->size()));
    sub->move(std::clamp(sub->x(), 0, std::max(0, view->width() - sub->width())),
              std::clamp(sub->y(), 0, std::max(0, view->height() - sub->height())));
    area_->setActiveSubWindow(sub);
    return widget;
}

void FrameWindow::placeNear(QWidget* screen, QWidget* anchor) {
    auto* sub = screen ? qobject_cast<QMdiSubWindow*>(screen->parentWidget()) : nullptr;
    QWidget* view = area_->viewport();
    if (!sub || !anchor || !view->isAncestorOf(anchor))
        return;
    const QPoint top = anchor->mapTo(view, QPoint(0, 0));
    const int below = view->height() - top.y() - anchor->height();
    if (sub->height() > below && sub->height() > top.y()) // shorter, on the roomier side
        sub->resize(sub->width(), std::max({below, top.y(), sub->minimumSizeHint().height()}));
    QPoint at(top.x(), top.y() + anchor->height());
    if (at.y() + sub->height() > view->height())
        at.setY(top.y() - sub->height());
    at.setX(std::clamp(at.x(), 0, std::max(0, view->width() - sub->width())));
    at.setY(std::clamp(at.y(), 0, std::max(0, view->height() - sub->height())));
    sub->move(at);
}

void FrameWindow::followDatabase(QWidget* screen, std::function<QString()> path,
                                 std::function<void()> reload) {
    auto loaded = std::make_shared<QString>(path());
    auto again = [path, reload, loaded] {
        *loaded = path();
        reload();
    };
    connect(session_, &Session::locationChanged, screen, again);
    connect(area_, &QMdiArea::subWindowActivated, screen,
            [screen, path, loaded, again](QMdiSubWindow* w) {
                if (w && w->widget() == screen && path() != *loaded)
                    again();
            });
}

void FrameWindow::showAtStart() {
    keepsPlace_ = true;
    const QByteArray kept = placeSettings().value(kGeometryKey).toByteArray();
    if (!kept.isEmpty() && restoreGeometry(kept)) {
        // Kept on a display that is no longer there: start maximised instead.
        const QScreen* screen = QGuiApplication::screenAt(geometry().center());
        if (screen && screen->availableGeometry().intersects(frameGeometry())) {
            show();
            return;
        }
    }
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        setGeometry(screen->availableGeometry());
    showMaximized();
}

void FrameWindow::start(const IniReadResult& ini) {
    if (!ini.message.isEmpty())
        showNote(ini.message);
    if (auto* main = qobject_cast<MainScreen*>(openScreen(ScreenId::Main))) {
        open_.value(ScreenId::Main)->move(0, 0);
        main->load();
    }
}

void FrameWindow::showStatus(const QString& text) {
    status_->setText(text);
    statusIsError_ = true;
}

void FrameWindow::showNote(const QString& text) {
    status_->setText(text);
    statusIsError_ = false;
}

void FrameWindow::succeeded() {
    if (statusIsError_)
        status_->clear();
    statusIsError_ = false;
}

void FrameWindow::backupReported(const QString& databasePath, const QString& copy,
                                 const QString& error) {
    if (error.isEmpty()) {
        showNote(
            QStringLiteral("バックアップを作成しました: %1").arg(QDir::toNativeSeparators(copy)));
        return;
    }
    const QString text =
        QStringLiteral("%1 の自動バックアップを作成できませんでした（保存はしています。次の保存の"
                       "ときにもう一度作成します）。%2")
            .arg(QDir::toNativeSeparators(databasePath), error);
    showStatus(QString(text).replace(u'\n', u' '));
    if (!backupFailureShown_) {
        backupFailureShown_ = true;
        ui::showMessage(this, text);
    }
}

void FrameWindow::connectionLost(const QString& message) {
    showStatus(QString(message).replace(u'\n', u' '));
    ui::showMessage(this, message);
}

void showFailure(QWidget* screen, const DbError& error, const QString& outcome) {
    const QString text = outcome.isEmpty() ? error.message : error.message + u'\n' + outcome;
    if (error.kind == DbErrorKind::Unreachable) {
        if (FrameWindow* frame = frameOf(screen)) {
            frame->session().reportConnectionLost(text);
            return;
        }
    }
    ui::showMessage(screen, text);
}

FrameWindow* frameOf(QWidget* screen) {
    return screen ? qobject_cast<FrameWindow*>(screen->window()) : nullptr;
}

FrameWindow::~FrameWindow() {
    // The screens go while the frame is still whole: their closing hands the front back
    // through the frame, which must not happen once only its widget part is left.
    ending_ = true;
    delete area_;
    area_ = nullptr;
}

void FrameWindow::endProgram() {
    close();
}

bool FrameWindow::isEnding() const {
    return ending_;
}

void FrameWindow::closeEvent(QCloseEvent* event) {
    if (ending_) {
        event->ignore();
        return;
    }
    ending_ = true;
    // Every other screen first: one may keep itself open (unsaved work the user keeps),
    // and then the program goes on with its main screen.
    QMdiSubWindow* main = open_.value(ScreenId::Main);
    bool allClosed = true;
    for (QMdiSubWindow* w : area_->subWindowList()) {
        if (w != main && !w->close())
            allClosed = false;
    }
    if (allClosed && main)
        allClosed = main->close();
    ending_ = false;
    if (!allClosed) {
        event->ignore();
        return;
    }
    if (keepsPlace_) {
        QSettings settings = placeSettings();
        settings.setValue(kGeometryKey, saveGeometry());
    }
    event->accept();
    QApplication::quit();
}

} // namespace vorda
