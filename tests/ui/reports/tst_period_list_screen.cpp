// The period list screen Form18: choosing a project by a click, the messages, the PDF, and
// the list read again when the screen comes to the front.

#include "core/app/app_state.h"
#include "core/data/schema.h"
#include "support/files.h"
#include "support/message_recorder.h"
#include "support/temp_database.h"
#include "ui/app/frame_window.h"
#include "ui/app/ui_support.h"
#include "ui/reports/period_list_screen.h"
#include "ui/reports/print_output.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

using namespace vorda;

namespace {

// Three projects, rows for the first in 2026 only.
struct Firm {
    Firm() {
        Database db;
        if (db.open(t.path()))
            return;
        db.insert(table::Projects,
                  {101, QStringLiteral("市道3号線側溝改良工事"), QString(), QString(), QString()});
        db.insert(table::Projects,
                  {102, QStringLiteral(" 中央公園外構工事 "), QString(), QString(), QString()});
        db.insert(table::Projects,
                  {103, QStringLiteral("駅前広場舗装工事"), QString(), QString(), QString()});
        DayModel day;
        day.groups[0].jobNumber = 101;
        day.groups[0].jobName = QStringLiteral("市道3号線側溝改良工事");
        day.actual(0).staff[0] = QStringLiteral("○");
        db.insert(table::DailyReport, slotToRow(day, 0, QDate(2026, 11, 30), QStringLiteral("晴")));
        state.databasePath = t.path();
        state.boundDatabasePath = t.path();
        state.today = [] { return QDate(2026, 12, 8); };
    }
    QStringList entries(PeriodListScreen& s) const {
        auto* list = s.findChild<QListWidget*>(QStringLiteral("DBList1"));
        QStringList out;
        for (int i = 0; i < list->count(); ++i)
            out << list->item(i)->text();
        return out;
    }
    test::TempDatabase t;
    AppState state;
};

void clickEntry(PeriodListScreen& s, int row) {
    auto* list = s.findChild<QListWidget*>(QStringLiteral("DBList1"));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(row)).center());
}

void press(QWidget& s, const char* button) {
    s.findChild<QPushButton*>(QString::fromLatin1(button))->click();
}

} // namespace

class TestPeriodListScreen : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { ui::installJapanese(*qApp); }

    void choosingAndPrinting() {
        Firm f;
        QVERIFY(f.t.ok());
        test::MessageRecorder messages;
        QString suggested;
        const QString pdf = f.t.filePath(QStringLiteral("期間表.pdf"));
        ui::setPdfFileChooser([&](const QString& s) {
            suggested = s;
            return pdf;
        });
        PeriodListScreen screen(f.state);
        screen.resize(420, 460);
        screen.show();
        QVERIFY(QTest::qWaitForWindowExposed(&screen));
        QCOMPARE(screen.windowTitle(), QStringLiteral("工事別期間表"));
        QCOMPARE(screen.findChild<QLabel*>(QStringLiteral("Label1"))->text(),
                 QStringLiteral("工事件名をクリックして選択"));
        QCOMPARE(f.entries(screen),
                 QStringList({"市道3号線側溝改良工事", " 中央公園外構工事 ", "駅前広場舗装工事"}));
        QCOMPARE(screen.findChild<QProgressBar*>(QStringLiteral("ProgressBar1"))->maximum(), 114);

        // Nothing chosen yet.
        press(screen, "Command4");
        QCOMPARE(messages.texts, QStringList{QStringLiteral("工事件名を選択してください。")});
        QVERIFY(suggested.isEmpty());

        // A project without rows: its trimmed name and the message, no file.
        messages.texts.clear();
        clickEntry(screen, 1);
        QCOMPARE(screen.chosen(), QStringLiteral("中央公園外構工事"));
        press(screen, "Command4");
        QCOMPARE(messages.texts,
                 QStringList{QStringLiteral("中央公園外構工事の工事データがありません。")});
        QVERIFY(!QFile::exists(pdf));

        messages.texts.clear();
        clickEntry(screen, 0);
        press(screen, "Command4");
        QVERIFY(messages.texts.isEmpty());
        QVERIFY(
            suggested.endsWith(QStringLiteral("工事別作業期間一覧表_市道3号線側溝改良工事.pdf")));
        QVERIFY(test::readFile(pdf).startsWith("%PDF"));
        QCOMPARE(screen.findChild<QProgressBar*>(QStringLiteral("ProgressBar1"))->value(), 0);

        // The program's clock decides which rows are recent enough.
        f.state.today = [] { return QDate(2028, 1, 4); };
        QFile::remove(pdf);
        press(screen, "Command4");
        QCOMPARE(messages.texts,
                 QStringList{QStringLiteral("市道3号線側溝改良工事の工事データがありません。")});
        QVERIFY(!QFile::exists(pdf));
        ui::setPdfFileChooser({});
    }

    void openedFromTheMainScreenAndReloadedInFront() {
        Firm f;
        QVERIFY(f.t.ok());
        QTemporaryDir ini;
        f.state.iniPath = ini.filePath(QStringLiteral("vorda.INI"));
        test::MessageRecorder messages;
        FrameWindow frame(f.state);
        frame.resize(780, 760);
        frame.show();
        frame.start(IniReadResult());
        QWidget* main = frame.screen(ScreenId::Main);
        QVERIFY(main);
        QAction* entry = frame.menuEntry(0, 3);
        QCOMPARE(entry->text(), QStringLiteral("工事別期間一覧表"));
        QVERIFY(entry->isEnabled());
        auto* button = main->findChild<QPushButton*>(QStringLiteral("Command3"));
        QCOMPARE(button->text(), QStringLiteral("工事別期間一覧表"));
        QVERIFY(button->isEnabled());
        button->click();
        auto* screen = qobject_cast<PeriodListScreen*>(frame.screen(ScreenId::PeriodList));
        QVERIFY(screen);
        clickEntry(*screen, 2);
        QCOMPARE(screen->chosen(), QStringLiteral("駅前広場舗装工事"));

        // The project master adds a project while another screen is in front.
        frame.openScreen(ScreenId::DailyPrint);
        {
            Database db;
            VORDA_OPEN(db, f.t.path());
            QVERIFY(!db.insert(table::Projects, {104, QStringLiteral("北野川護岸工事"), QString(),
                                                 QString(), QString()}));
        }
        QCOMPARE(f.entries(*screen).size(), 3);
        QCOMPARE(frame.openScreen(ScreenId::PeriodList), screen);
        QCOMPARE(f.entries(*screen).last(), QStringLiteral("北野川護岸工事"));
        QCOMPARE(screen->chosen(), QStringLiteral("駅前広場舗装工事"));
        QCOMPARE(screen->findChild<QListWidget*>(QStringLiteral("DBList1"))->currentRow(), 2);

        // The slot the project master's signal drives.
        {
            Database db;
            VORDA_OPEN(db, f.t.path());
            QVERIFY(!db.exec(QStringLiteral("DELETE FROM \"工事件名\" WHERE rowid = 1")));
        }
        screen->reloadProjects();
        QCOMPARE(f.entries(*screen).first(), QStringLiteral(" 中央公園外構工事 "));
        QVERIFY(messages.texts.isEmpty());
    }
};

QTEST_MAIN(TestPeriodListScreen)
#include "tst_period_list_screen.moc"
