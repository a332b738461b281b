#include "ui/app/main_screen.h"

#include "core/app/app_state.h"
#include "core/app/working_date.h"
#include "ui/app/data_location_screen.h"
#include "ui/app/frame_window.h"
#include "ui/app/pick_list.h"
#include "ui/app/ui_support.h"
#include "ui/entry/entry_screen.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace vorda {

namespace {

QLabel* label(QWidget* parent, const QString& name, const QString& text) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    return l;
}

QLineEdit* field(QWidget* parent, const QString& name, int width) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setFixedWidth(width);
    e->setAlignment(Qt::AlignCenter);
    return e;
}

struct ButtonDef {
    const char* name;
    const char16_t* caption;
    const char16_t* tip;
    ScreenId screen;
};

// Command1 and Command10 have handlers of their own; these open a screen each.
const ButtonDef kButtons[] = {
    {"Command3", u"工事別期間一覧表", u"工事別期間一覧表を印刷します。", ScreenId::PeriodList},
    {"Command4", u"月間稼働実績", u"作業月報を印刷します。", ScreenId::MonthlyResults},
    {"Command11", u"月間出勤表", u"社員の月間出勤状況を印刷します。", ScreenId::Attendance},
    {"Command12", u"個人別年間出勤表", u"個人別の年間出勤状況を印刷します。",
     ScreenId::AnnualAttendance},
    {"Command5", u"工事件名登録", u"VORDA登録する工事件名を登録します。", ScreenId::ProjectMaster},
    {"Command8", u"社員登録", u"社員の登録をします。", ScreenId::EmployeeMaster},
    {"Command9", u"車両登録", u"車両の登録をします。", ScreenId::VehicleMaster},
    {"Command14", u"予備登録", u"各種設定を登録します。", ScreenId::FurtherRegistrations},
    {"Command13", u"VORDAデータ整理", u"データの整理を行います。", ScreenId::Purge},
    {"Command6", u"社員データ削除", u"社員データを削除します。", ScreenId::DeleteEmployeeData},
    {"Command15", u"日報CSV…", u"日報の行を CSV に保存します。", ScreenId::DailyCsv},
};

} // namespace

MainScreen::MainScreen(AppState& state, FrameWindow& frame, QWidget* parent)
    : QWidget(parent), state_(state), frame_(frame),
      year_(field(this, QStringLiteral("Text1"), 64)),
      month_(field(this, QStringLiteral("Text2"), 40)),
      day_(field(this, QStringLiteral("Text3"), 40)),
      weekday_(field(this, QStringLiteral("Text4"), 40)),
      weather_(field(this, QStringLiteral("Text5"), 140)) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("VORDA作成システム"));

    for (QLineEdit* e : {year_, month_, day_}) {
        e->setMaxLength(4);
        e->setInputMethodHints(Qt::ImhDigitsOnly | Qt::ImhPreferLatin);
        connect(e, &QLineEdit::textChanged, this, &MainScreen::dateChanged);
    }
    weekday_->setReadOnly(true);
    weekday_->setFocusPolicy(Qt::NoFocus);
    weather_->setReadOnly(true);
    weather_->setToolTip(QStringLiteral("クリックで選択画面表示"));
    weather_->setCursor(Qt::PointingHandCursor);
    weather_->installEventFilter(this);

    auto* title = label(this, QStringLiteral("Label1"), QStringLiteral("VORDA登録"));
    QFont titleFont = title->font();
    titleFont.setPointSize(20);
    titleFont.setBold(true);
    title->setFont(titleFont);
    title->setAlignment(Qt::AlignCenter);

    auto* dateRow = new QHBoxLayout;
    dateRow->addWidget(year_);
    dateRow->addWidget(label(this, QStringLiteral("Label2"), QStringLiteral("年")));
    dateRow->addWidget(month_);
    dateRow->addWidget(label(this, QStringLiteral("Label3"), QStringLiteral("月")));
    dateRow->addWidget(day_);
    dateRow->addWidget(label(this, QStringLiteral("Label4"), QStringLiteral("日")));
    dateRow->addSpacing(16);
    dateRow->addWidget(weekday_);
    dateRow->addWidget(label(this, QStringLiteral("Label6"), QStringLiteral("曜日")));
    dateRow->addSpacing(16);
    dateRow->addWidget(label(this, QStringLiteral("Label5"), QStringLiteral("天候")));
    dateRow->addWidget(weather_);
    dateRow->addStretch();

    QPushButton* vorda = addButton(QStringLiteral("Command1"), QStringLiteral("VORDA"),
                                   QStringLiteral("VORDAデータを登録します。"));
    connect(vorda, &QPushButton::clicked, this, &MainScreen::openEntry);
    vorda->setEnabled(frame_.isAvailable(ScreenId::Entry));
    QPushButton* print = addButton(QStringLiteral("Command2"), QStringLiteral("VORDA印字"),
                                   QStringLiteral("VORDAを印刷します。"));
    connect(print, &QPushButton::clicked, this, &MainScreen::openDailyPrint);
    print->setEnabled(frame_.isAvailable(ScreenId::DailyPrint));

    auto group = [this](const QString& caption, std::initializer_list<QPushButton*> buttons) {
        auto* box = new QGroupBox(caption, this);
        auto* grid = new QGridLayout(box);
        int i = 0;
        for (QPushButton* b : buttons) {
            grid->addWidget(b, i / 2, i % 2);
            ++i;
        }
        return box;
    };
    QHash<QString, QPushButton*> byName;
    for (const ButtonDef& def : kButtons) {
        QPushButton* b = addButton(QString::fromLatin1(def.name), QString::fromUtf16(def.caption),
                                   QString::fromUtf16(def.tip));
        const ScreenId id = def.screen;
        b->setEnabled(frame_.isAvailable(id));
        if (id == ScreenId::DeleteEmployeeData)
            b->setToolTip(b->toolTip() +
                          QStringLiteral("（この機能はこのシステムにはありません。）"));
        connect(b, &QPushButton::clicked, this, [this, id] { frame_.openScreen(id); });
        byName.insert(b->objectName(), b);
    }
    QPushButton* end = addButton(QStringLiteral("Command10"), QStringLiteral("終了"), QString());
    connect(end, &QPushButton::clicked, &frame_, &FrameWindow::endProgram);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(title);
    layout->addSpacing(8);
    layout->addLayout(dateRow);
    layout->addSpacing(8);
    layout->addWidget(group(QStringLiteral("日報"), {vorda, print}));
    layout->addWidget(
        group(QStringLiteral("印刷"),
              {byName[QStringLiteral("Command3")], byName[QStringLiteral("Command4")],
               byName[QStringLiteral("Command11")], byName[QStringLiteral("Command12")]}));
    layout->addWidget(
        group(QStringLiteral("登録"),
              {byName[QStringLiteral("Command5")], byName[QStringLiteral("Command8")],
               byName[QStringLiteral("Command9")], byName[QStringLiteral("Command14")]}));
    layout->addWidget(group(QStringLiteral("整理"), {byName[QStringLiteral("Command13")],
                                                     byName[QStringLiteral("Command6")],
                                                     byName[QStringLiteral("Command15")]}));
    auto* endRow = new QHBoxLayout;
    endRow->addStretch();
    endRow->addWidget(end);
    layout->addLayout(endRow);
    ui::pressWithEnter(this);
}

QPushButton* MainScreen::addButton(const QString& name, const QString& caption,
                                   const QString& tip) {
    auto* b = new QPushButton(caption, this);
    b->setObjectName(name);
    b->setToolTip(tip);
    b->setMinimumSize(180, 36);
    return b;
}

void MainScreen::load() {
    const QDate today = state_.today();
    // The date is shown even when the database cannot be opened, so the user sees where
    // they are once the data location is set.
    if (const DbError error = Database::check(state_.databasePath)) {
        if (state_.databasePath.trimmed().isEmpty()) {
            offerFirstData();
        } else if (error.kind == DbErrorKind::FolderMissing) {
            ui::showMessage(this, QStringLiteral("データ環境を設定してください。"));
            frame_.openScreen(ScreenId::DataLocation);
        } else {
            ui::showMessage(this,
                            error.message + QStringLiteral("\nデータ環境を確認してください。"));
        }
        if (const DbError still = Database::check(state_.databasePath))
            frame_.showStatus(still.message);
    }
    setWorkingDate(state_, today);
    year_->setText(QString::number(today.year()));
    month_->setText(QString::number(today.month()));
    day_->setText(QString::number(today.day()));
    if (const auto date = dateFromFields(year_->text(), month_->text(), day_->text()))
        setWorkingDate(state_, *date);
    weekday_->setText(state_.weekdayText);
}

void MainScreen::offerFirstData() {
    // No data location yet (a first start): a new firm's database, or the firm's old data.
    auto* screen = qobject_cast<DataLocationScreen*>(frame_.openScreen(ScreenId::DataLocation));
    if (screen && ui::askYesNo(this, QStringLiteral("データの場所がまだ決まっていません。\n"
                                                    "新しい会社のデータベースを作成しますか？")))
        screen->createNew();
    else if (screen &&
             ui::askYesNo(this, QStringLiteral("以前のデータ（VORDA.mdb）を取り込みますか？")))
        screen->importAccess();
    else
        ui::showMessage(this, QStringLiteral("データ環境を設定してください。"));
}

void MainScreen::dateChanged() {
    const auto date = dateFromFields(year_->text(), month_->text(), day_->text());
    if (!date) {
        // An incomplete or impossible date changes nothing and says nothing; only the
        // weekday goes blank, so that no weekday stands beside a date that is none.
        weekday_->clear();
        return;
    }
    setWorkingDate(state_, *date);
    weekday_->setText(state_.weekdayText);
    showWeatherOf(*date);
}

void MainScreen::showWeatherOf(const QDate& date) {
    QString word;
    if (const DbError e = readWeather(state_.databasePath, date, word))
        frame_.showStatus(e.message);
    else
        frame_.succeeded();
    state_.weatherText = word;
    weather_->setText(word);
}

void MainScreen::refreshWeather() {
    if (state_.workingDate.isValid())
        showWeatherOf(state_.workingDate);
}

void MainScreen::chooseWeather(const QString& word) {
    weather_->setText(word);
    state_.weatherText = word;
    if (const DbError e = tenkiset(state_))
        showFailure(this, e);
}

std::optional<QDate> MainScreen::takeFieldsDate() {
    const auto date = dateFromFields(year_->text(), month_->text(), day_->text());
    if (!date) {
        ui::showMessage(this, QStringLiteral("日付に誤りがあります。"));
        return std::nullopt;
    }
    setWorkingDate(state_, *date);
    weekday_->setText(state_.weekdayText);
    return date;
}

void MainScreen::openDailyPrint() {
    if (takeFieldsDate())
        frame_.openScreen(ScreenId::DailyPrint);
}

void MainScreen::openEntry() {
    const auto date = takeFieldsDate();
    if (!date)
        return;
    // An entry screen already open comes to the front and turns to this date.
    auto* open = qobject_cast<EntryScreen*>(frame_.screen(ScreenId::Entry));
    frame_.openScreen(ScreenId::Entry);
    if (open)
        open->showDate(*date);
}

bool MainScreen::eventFilter(QObject* watched, QEvent* event) {
    const bool click = event->type() == QEvent::MouseButtonPress &&
                       static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
    // The field only shows the word: Space opens the picker whatever it shows.
    const bool key =
        event->type() == QEvent::KeyPress && opensPicker(static_cast<QKeyEvent*>(event), true);
    if (watched == weather_ && (click || key)) {
        if (QWidget* picker = frame_.openScreen(ScreenId::WeatherPicker)) {
            frame_.placeNear(picker, weather_);
            picker->setFocus(Qt::OtherFocusReason);
        }
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void MainScreen::closeEvent(QCloseEvent* event) {
    if (frame_.isEnding()) {
        event->accept();
        return;
    }
    // Closing the main screen ends the program, as its "終了" does.
    event->ignore();
    QTimer::singleShot(0, &frame_, &FrameWindow::endProgram);
}

} // namespace vorda
