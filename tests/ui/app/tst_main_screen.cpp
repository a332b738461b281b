// The frame, the main screen, the weather picker and the data location screen, driven by
// object name as a user would.

#include "core/app/app_state.h"
#include "core/app/working_date.h"
#include "core/data/schema.h"
#include "core/data/values.h"
#include "support/files.h"
#include "support/message_recorder.h"
#include "support/temp_database.h"
#include "ui/app/data_location_screen.h"
#include "ui/app/frame_window.h"
#include "ui/app/main_screen.h"

#include <QAction>
#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

using namespace vorda;

namespace {

QStringList listing(const QString& dir) {
    QStringList all;
    QDirIterator it(dir, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        all << it.next();
    all.sort();
    return all;
}

qint64 weatherRows(const QString& path, const QDate& date) {
    Database db;
    if (db.open(path))
        return -1;
    qint64 n = -1;
    db.count(table::Weather, {{weather::Date, Condition::Op::Eq, toDbDate(date)}}, n);
    return n;
}

// Types one character as a key press with its text, as the keyboard would.
void typeInto(QWidget* w, const QString& text) {
    for (QChar c : text)
        QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

struct Screen {
    explicit Screen(const QString& databasePath, const QDate& today = QDate(2003, 2, 10)) {
        state.databasePath = databasePath;
        state.boundDatabasePath = databasePath;
        state.iniPath = iniDir.filePath(QStringLiteral("vorda.INI"));
        state.today = [today] { return today; };
        frame = std::make_unique<FrameWindow>(state);
        frame->resize(780, 760); // the offscreen screen is 800 by 800
        frame->show();
        frame->start(IniReadResult());
        main = qobject_cast<MainScreen*>(frame->screen(ScreenId::Main));
    }
    QLineEdit* field(const char* name) const {
        return main->findChild<QLineEdit*>(QString::fromLatin1(name));
    }

    QTemporaryDir iniDir;
    AppState state;
    std::unique_ptr<FrameWindow> frame;
    MainScreen* main = nullptr;
};

} // namespace

class TestMainScreen : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { ui::installJapanese(*qApp); }

    void standardButtonsSpeakJapanese() {
        QMessageBox box(QMessageBox::Question, QStringLiteral("VORDA"), QStringLiteral("?"),
                        QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(box.button(QMessageBox::Yes)->text(), QStringLiteral("はい(&Y)"));
        QCOMPARE(box.button(QMessageBox::No)->text(), QStringLiteral("いいえ(&N)"));
    }

    void loadShowsTodayWithItsWeather() {
        test::TempDatabase t;
        QVERIFY(t.ok());
        {
            Database db;
            VORDA_OPEN(db, t.path());
            QVERIFY(!db.insert(table::Weather, {QStringLiteral("2003-02-10"), QStringLiteral("月"),
                                                QStringLiteral("晴")}));
        }
        test::MessageRecorder messages;
        Screen s(t.path());
        QVERIFY(s.main);
        QCOMPARE(s.field("Text1")->text(), QStringLiteral("2003"));
        QCOMPARE(s.field("Text2")->text(), QStringLiteral("2"));
        QCOMPARE(s.field("Text3")->text(), QStringLiteral("10"));
        QCOMPARE(s.field("Text4")->text(), QStringLiteral("月"));
        QCOMPARE(s.field("Text5")->text(), QStringLiteral("晴"));
        QCOMPARE(s.state.workingDate, QDate(2003, 2, 10));
        QCOMPARE(s.state.weekdayText, QStringLiteral("月"));
        QCOMPARE(s.state.weatherText, QStringLiteral("晴"));
        QCOMPARE(s.field("Text5")->toolTip(), QStringLiteral("クリックで選択画面表示"));
        QCOMPARE(s.main->windowTitle(), QStringLiteral("VORDA作成システム"));
        QVERIFY(messages.texts.isEmpty());
    }

    void dateFollowsTheFieldsAndIgnoresImpossibleDates() {
        test::TempDatabase t;
        QVERIFY(t.ok());
        {
            Database db;
            VORDA_OPEN(db, t.path());
            QVERIFY(!db.insert(table::Weather, {QStringLiteral("2003-02-02"), QStringLiteral("日"),
                                                QStringLiteral("雪")}));
        }
        test::MessageRecorder messages;
        Screen s(t.path());
        QLineEdit* day = s.field("Text3");
        day->clear();
        QCOMPARE(s.state.workingDate, QDate(2003, 2, 10)); // an empty day changes nothing
        typeInto(day, QStringLiteral("2"));
        QCOMPARE(s.state.workingDate, QDate(2003, 2, 2));
        QCOMPARE(s.field("Text4")->text(), QStringLiteral("日"));
        QCOMPARE(s.field("Text5")->text(), QStringLiteral("雪"));
        typeInto(day, QStringLiteral("9")); // 29 February 2003 does not exist
        QCOMPARE(day->text(), QStringLiteral("29"));
        QCOMPARE(s.state.workingDate, QDate(2003, 2, 2));
        QCOMPARE(s.state.weekdayText, QStringLiteral("日"));
        QCOMPARE(s.field("Text4")->text(), QString()); // no weekday beside a date that is none
        QCOMPARE(s.field("Text5")->text(), QStringLiteral("雪"));

        // Clearing the year leaves date, weekday and weather as they were.
        day->setText(QStringLiteral("3"));
        QCOMPARE(s.state.workingDate, QDate(2003, 2, 3));
        QCOMPARE(s.field("Text5")->text(), QString()); // no weather stored for the 3rd
        QCOMPARE(s.field("Text4")->text(), QStringLiteral("月"));
        s.field("Text1")->clear();
        QCOMPARE(s.state.workingDate, QDate(2003, 2, 3));
        QCOMPARE(s.field("Text4")->text(), QString());
        s.field("Text1")->setText(QStringLiteral("2003"));
        QCOMPARE(s.field("Text4")->text(), QStringLiteral("月"));
        s.field("Text2")->setText(QStringLiteral("13"));
        QCOMPARE(s.state.workingDate, QDate(2003, 2, 3));
        s.field("Text2")->setText(QStringLiteral("x"));
        QCOMPARE(s.state.workingDate, QDate(2003, 2, 3));
        QVERIFY(messages.texts.isEmpty());
    }

    void weatherChosenTwiceLeavesOneRow() {
        test::TempDatabase t;
        QVERIFY(t.ok());
        test::MessageRecorder messages;
        Screen s(t.path());
        const QDate date(2003, 2, 10);
        QCOMPARE(weatherRows(t.path(), date), 0);

        for (const QString& word : {QStringLiteral("曇"), QStringLiteral("雨")}) {
            QTest::mouseClick(s.field("Text5"), Qt::LeftButton);
            auto* list = s.frame->screen(ScreenId::WeatherPicker)
                             ->findChild<QTreeWidget*>(QStringLiteral("List1"));
            QVERIFY(list);
            QCOMPARE(list->toolTip(), QStringLiteral("ダブルクリックで選択します。"));
            const auto items = list->findItems(word, Qt::MatchExactly);
            QCOMPARE(items.size(), 1);
            const QRect rect = list->visualItemRect(items[0]);
            // A single click chooses, as in the other pickers; a double click (its first
            // click, then the second) chooses once.
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
            if (word == QStringLiteral("雨"))
                QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, rect.center());
            QCOMPARE(s.field("Text5")->text(), word);
            QCOMPARE(s.state.weatherText, word);
            QTRY_VERIFY(!s.frame->screen(ScreenId::WeatherPicker));
        }
        QCOMPARE(weatherRows(t.path(), date), 1);
        QString stored;
        QVERIFY(!readWeather(t.path(), date, stored));
        QCOMPARE(stored, QStringLiteral("雨"));
        Database db;
        VORDA_OPEN(db, t.path());
        std::vector<Row> rows;
        QVERIFY(!db.selectAll(table::Weather, rows));
        QCOMPARE(rows[0].values[weather::Weekday].toString(), QStringLiteral("月"));
        QVERIFY(messages.texts.isEmpty());
    }

    // While the fields are no date, "VORDA" and "VORDA印字" (buttons and menu) open nothing:
    // the working date left from before would be another day.
    void anImpossibleDateOpensNothing_data() {
        QTest::addColumn<QString>("month");
        QTest::addColumn<QString>("day");
        QTest::addColumn<int>("screen");
        QTest::addColumn<QString>("button"); // empty: the menu entry
        const auto entry = int(ScreenId::Entry);
        const auto print = int(ScreenId::DailyPrint);
        QTest::newRow("VORDA, day 32") << "2"
                                       << "32" << entry << "Command1";
        QTest::newRow("VORDA, 2/30") << "2"
                                     << "30" << entry << "Command1";
        QTest::newRow("VORDA印字, 2/30") << "2"
                                         << "30" << print << "Command2";
        QTest::newRow("VORDA印字, month 13") << "13"
                                             << "3" << print << "Command2";
        QTest::newRow("menu VORDA, 2/30") << "2"
                                          << "30" << entry << "";
        QTest::newRow("menu VORDA印刷, 2/30") << "2"
                                              << "30" << print << "";
        QTest::newRow("menu VORDA印刷, empty day") << "2"
                                                   << "" << print << "";
    }
    void anImpossibleDateOpensNothing() {
        QFETCH(QString, month);
        QFETCH(QString, day);
        QFETCH(int, screen);
        QFETCH(QString, button);
        test::TempDatabase t;
        QVERIFY(t.ok());
        test::MessageRecorder messages;
        Screen s(t.path());
        s.field("Text2")->setText(month);
        s.field("Text3")->setText(day);
        QCOMPARE(s.field("Text4")->text(), QString());
        if (button.isEmpty())
            s.frame->menuEntry(0, screen == int(ScreenId::Entry) ? 0 : 1)->trigger();
        else
            s.main->findChild<QPushButton*>(button)->click();
        QCOMPARE(messages.texts, QStringList({QStringLiteral("日付に誤りがあります。")}));
        QVERIFY(!s.frame->screen(ScreenId(screen)));
        QCOMPARE(s.state.workingDate, QDate(2003, 2, 10));

        // Once the fields form a date again, the same button opens the screen on it.
        messages.texts.clear();
        s.field("Text2")->setText(QStringLiteral("2"));
        s.field("Text3")->setText(QStringLiteral("3"));
        if (button.isEmpty())
            s.frame->menuEntry(0, screen == int(ScreenId::Entry) ? 0 : 1)->trigger();
        else
            s.main->findChild<QPushButton*>(button)->click();
        QVERIFY(s.frame->screen(ScreenId(screen)));
        QCOMPARE(s.state.workingDate, QDate(2003, 2, 3));
        QVERIFY(messages.texts.isEmpty());
    }

    void menuTree() {
        test::TempDatabase t;
        QVERIFY(t.ok());
        Screen s(t.path());
        QStringList top;
        QList<QStringList> entries;
        for (QAction* a : s.frame->menuBar()->actions()) {
            top << a->text();
            QStringList items;
            if (QMenu* m = a->menu()) {
                for (QAction* e : m->actions())
                    items << (e->isSeparator() ? QStringLiteral("-") : e->text());
            }
            entries << items;
        }
        QCOMPARE(top, QStringList({"処理", "登録", "予備登録", "整理", "データ環境"}));
        QCOMPARE(entries[0],
                 QStringList({"VORDA", "VORDA印刷", "作業月報", "工事別期間一覧表", "月間出勤表",
                              "個人別年間出勤表", "日報CSV…", "-", "印刷設定", "-", "終了"}));
        QCOMPARE(entries[1], QStringList({"工事件名登録", "社員登録", "車両登録"}));
        QCOMPARE(entries[2], QStringList({"マーク登録", "天候登録", "システム登録", "屋号登録"}));
        QCOMPARE(entries[3], QStringList({"VORDAデータ整理", "社員データ削除"}));
        QVERIFY(entries[4].isEmpty());

        // Each entry at its fixed index, gaps included.
        QCOMPARE(s.frame->menuEntry(0, 11)->text(), QStringLiteral("印刷設定"));
        QCOMPARE(s.frame->menuEntry(0, 20)->text(), QStringLiteral("終了"));
        QCOMPARE(s.frame->menuEntry(2, 3)->text(), QStringLiteral("屋号登録"));
        // A function without a screen in this system is shown, disabled, and says why.
        QVERIFY(s.frame->menuEntry(0, 5)->isEnabled());
        QVERIFY(s.frame->menuEntry(0, 6)->isEnabled());
        QAction* deleteEmployees = s.frame->menuEntry(3, 1);
        QVERIFY(!deleteEmployees->isEnabled());
        QVERIFY(deleteEmployees->toolTip().contains(QStringLiteral("ありません")));
        QVERIFY(s.frame->menuEntry(4, 0)->isEnabled());
        QVERIFY(s.frame->menuEntry(0, 20)->isEnabled());
        QCOMPARE(s.frame->windowTitle(), QStringLiteral("VORDA管理"));
    }

    void mainScreenButtons() {
        test::TempDatabase t;
        QVERIFY(t.ok());
        Screen s(t.path());
        const QHash<QString, QString> captions = {{"Command1", "VORDA"},
                                                  {"Command2", "VORDA印字"},
                                                  {"Command3", "工事別期間一覧表"},
                                                  {"Command4", "月間稼働実績"},
                                                  {"Command11", "月間出勤表"},
                                                  {"Command12", "個人別年間出勤表"},
                                                  {"Command5", "工事件名登録"},
                                                  {"Command8", "社員登録"},
                                                  {"Command9", "車両登録"},
                                                  {"Command14", "予備登録"},
                                                  {"Command13", "VORDAデータ整理"},
                                                  {"Command6", "社員データ削除"},
                                                  {"Command15", "日報CSV…"},
                                                  {"Command10", "終了"}};
        for (auto it = captions.cbegin(); it != captions.cend(); ++it) {
            auto* b = s.main->findChild<QPushButton*>(it.key());
            QVERIFY2(b, qPrintable(it.key()));
            QCOMPARE(b->text(), it.value());
        }
        QCOMPARE(s.main->findChild<QPushButton*>("Command2")->toolTip(),
                 QStringLiteral("VORDAを印刷します。"));
        QCOMPARE(s.main->findChild<QLabel*>("Label1")->text(), QStringLiteral("VORDA登録"));
    }

    void secondOpenBringsTheSameWindowWithoutReloading() {
        test::TempDatabase t;
        QVERIFY(t.ok());
        Screen s(t.path());
        QWidget* first = s.frame->openScreen(ScreenId::DataLocation);
        QVERIFY(first);
        auto* field = first->findChild<QLineEdit*>(QStringLiteral("Text1"));
        field->setText(QStringLiteral("typed, not registered"));
        QWidget* second = s.frame->openScreen(ScreenId::DataLocation);
        QCOMPARE(second, first);
        QCOMPARE(field->text(), QStringLiteral("typed, not registered"));
        QCOMPARE(s.frame->findChildren<DataLocationScreen*>().size(), 1);
    }

    void unusableDataLocations_data() {
        QTest::addColumn<QString>("relative");
        QTest::addColumn<QByteArray>("content"); // written at the path when not empty
        QTest::addColumn<QString>("expected");
        QTest::newRow("missing folder") << QStringLiteral("なし/VORDA.db") << QByteArray()
                                        << QStringLiteral("データ環境を設定してください。");
        QTest::newRow("missing file")
            << QStringLiteral("VORDA.db") << QByteArray() << QStringLiteral("がありません");
        QTest::newRow("not a database") << QStringLiteral("VORDA.db") << QByteArray("memo\r\n")
                                        << QStringLiteral("VORDAのデータベースではありません");
    }
    void unusableDataLocations() {
        QFETCH(QString, relative);
        QFETCH(QByteArray, content);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        const QString path = dir.filePath(relative);
        if (!content.isEmpty()) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(content);
        }
        const QStringList before = listing(dir.path());
        const QByteArray hash = test::fileHash(path);
        test::MessageRecorder messages;
        Screen s(path);
        QCOMPARE(messages.texts.size(), 1);
        if (relative.startsWith(QStringLiteral("なし"))) {
            QCOMPARE(messages.texts[0], expected);
            QVERIFY(s.frame->screen(ScreenId::DataLocation)); // the user is taken there
        } else {
            QVERIFY2(messages.texts[0].contains(expected), qPrintable(messages.texts[0]));
            QVERIFY(messages.texts[0].contains(QStringLiteral("VORDA.db")));
        }
        // The date is there all the same; the weather is empty.
        QCOMPARE(s.field("Text1")->text(), QStringLiteral("2003"));
        QCOMPARE(s.field("Text5")->text(), QString());
        QCOMPARE(listing(dir.path()), before);
        QCOMPARE(test::fileHash(path), hash);
    }

    // A first start (no data location at all) offers a new firm's database, then the old
    // data; declining both says to set the data location. Yes creates and registers one.
    void firstStartOffersNewOrImport() {
        test::MessageRecorder messages;
        Screen s{QString()};
        QCOMPARE(messages.texts.size(), 3);
        QVERIFY(
            messages.texts[0].contains(QStringLiteral("新しい会社のデータベースを作成しますか")));
        QVERIFY(messages.texts[1].contains(
            QStringLiteral("以前のデータ（VORDA.mdb）を取り込みますか")));
        QCOMPARE(messages.texts[2], QStringLiteral("データ環境を設定してください。"));
        auto* screen = qobject_cast<DataLocationScreen*>(s.frame->screen(ScreenId::DataLocation));
        QVERIFY(screen);

        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("新しい会社.db"));
        screen->chooseNew = [&](QWidget*) { return path; };
        messages.texts.clear();
        messages.answers = {true};
        s.main->load();
        QCOMPARE(s.state.databasePath, path);
        QCOMPARE(Database::check(path).message, QString());
        QCOMPARE(s.frame->findChild<QLabel*>(QStringLiteral("statusText"))->text(), QString());
    }

    void closingTheMainScreenEndsTheProgram() {
        test::TempDatabase t;
        QVERIFY(t.ok());
        Screen s(t.path());
        s.frame->show();
        s.frame->openScreen(ScreenId::DataLocation);
        s.frame->endProgram();
        QVERIFY(!s.frame->isVisible());
        QTRY_VERIFY(!s.frame->screen(ScreenId::Main));
        QVERIFY(!s.frame->screen(ScreenId::DataLocation));
    }

    // A failed weather look-up goes to the status line, and leaves it with the next good one.
    void aStatusErrorLeavesWithTheNextSuccess() {
        test::TempDatabase t;
        QVERIFY(t.ok());
        test::MessageRecorder messages;
        Screen s(t.path());
        auto* status = s.frame->findChild<QLabel*>(QStringLiteral("statusText"));
        QCOMPARE(status->text(), QString());
        s.state.databasePath = t.filePath(QStringLiteral("消えた.db"));
        s.field("Text3")->setText(QStringLiteral("11"));
        QVERIFY(!status->text().isEmpty());
        s.state.databasePath = t.path();
        s.field("Text3")->setText(QStringLiteral("12"));
        QCOMPARE(status->text(), QString());
        QVERIFY(messages.texts.isEmpty());
    }

    // The frame starts maximised, then where it was last closed; the place is kept in the
    // user's settings and never in vorda.INI.
    void theFrameKeepsItsPlace() {
        test::TempDatabase t;
        QVERIFY(t.ok());
        QTemporaryDir settings;
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings.path());
        AppState state;
        state.databasePath = t.path();
        state.iniPath = settings.filePath(QStringLiteral("vorda.INI"));
        {
            FrameWindow frame(state);
            frame.showAtStart();
            QVERIFY(frame.isMaximized());
            frame.showNormal();
            frame.setGeometry(40, 50, 640, 500);
            QTRY_COMPARE(frame.geometry(), QRect(40, 50, 640, 500));
            frame.endProgram();
        }
        QVERIFY(QFile::exists(settings.filePath(QStringLiteral("vorda/window.ini"))));
        QVERIFY(!QFile::exists(state.iniPath));
        FrameWindow again(state);
        again.showAtStart();
        QVERIFY(!again.isMaximized());
        QCOMPARE(again.geometry(), QRect(40, 50, 640, 500));
    }

    // A screen larger than the frame's area is opened no larger than the area.
    void aScreenFitsTheFrame() {
        test::TempDatabase t;
        QVERIFY(t.ok());
        Screen s(t.path());
        s.frame->resize(640, 480);
        QApplication::processEvents();
        QWidget* entry = s.frame->openScreen(ScreenId::Entry);
        QVERIFY(entry);
        auto* area = s.frame->findChild<QMdiArea*>(QStringLiteral("mdiArea"));
        const QRect view = area->viewport()->rect();
        QVERIFY2(view.contains(entry->parentWidget()->geometry()), "the entry screen is cut off");
    }
};

QTEST_MAIN(TestMainScreen)
#include "tst_main_screen.moc"
