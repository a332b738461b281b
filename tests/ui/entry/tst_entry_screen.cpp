// The entry screen driven by object name: paging, the field rules, the header colours, the
// pickers, unsaved work, and a day typed, registered and read back.

#include "core/app/app_state.h"
#include "core/data/new_database.h"
#include "core/data/schema.h"
#include "core/data/values.h"
#include "core/entry/day_store.h"
#include "support/message_recorder.h"
#include "support/temp_database.h"
#include "support/test_server.h"
#include "ui/app/data_location_screen.h"
#include "ui/app/frame_window.h"
#include "ui/app/main_screen.h"
#include "ui/entry/entry_screen.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTreeWidget>
#include <QWheelEvent>

using namespace vorda;

namespace {

const QDate kDay(2024, 6, 3);

void typeInto(QWidget* w, const QString& text) {
    for (QChar c : text)
        QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

void retype(QLineEdit* field, const QString& text) {
    field->clear();
    typeInto(field, text);
}

// A click on a row of a picker's list, where the row stands on the screen.
void clickRow(QTreeWidget* list, QTreeWidgetItem* item) {
    list->scrollToItem(item);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
}

int keysPressed = 0; // by press and typeHere, as the keyboard gives them

// A key to whatever has the focus now, as the keyboard gives it.
void press(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QWidget* w = QApplication::focusWidget();
    QVERIFY2(w, "nothing has the focus");
    ++keysPressed;
    QTest::keyClick(w, key, mods);
}

void typeHere(const QString& text) {
    QWidget* w = QApplication::focusWidget();
    QVERIFY2(w, "nothing has the focus");
    keysPressed += int(text.size());
    typeInto(w, text);
}

QString focusName() {
    QWidget* w = QApplication::focusWidget();
    return w ? w->objectName() : QString();
}

void enter(QWidget* field) {
    QFocusEvent in(QEvent::FocusIn, Qt::TabFocusReason);
    QApplication::sendEvent(field, &in);
}

struct Fixture {
    explicit Fixture(int employees = 20) {
        fill(t.path(), employees);
        state.today = [] { return kDay; };
    }
    // The employees, vehicles and projects at `location`, which the screens then use.
    void fill(const QString& location, int employees = 20) {
        Database db;
        if (db.open(location))
            return;
        for (int i = 0; i < employees; ++i)
            db.insert(table::Employees, {QString::number(i), QStringLiteral("社員%1").arg(i),
                                         QStringLiteral(""), 0, 0, 10});
        for (int v = 0; v < 8; ++v)
            db.insert(table::Vehicles, {QString::number(v), QStringLiteral("車%1").arg(v)});
        for (int p = 1; p <= 20; ++p)
            db.insert(table::Projects,
                      {p, QStringLiteral("工事%1").arg(p), QStringLiteral("2024-01-01"),
                       QStringLiteral("2024-12-31"), QStringLiteral("発注者%1").arg(p)});
        state.databasePath = location;
        state.boundDatabasePath = location;
    }

    EntryScreen* open() {
        frame = std::make_unique<FrameWindow>(state);
        frame->resize(1200, 790);
        frame->show();
        frame->activateWindow();
        if (!QTest::qWaitForWindowActive(frame.get()))
            qWarning("the frame did not become active");
        frame->start(IniReadResult());
        qobject_cast<MainScreen*>(frame->screen(ScreenId::Main))->openEntry();
        return entry();
    }
    EntryScreen* entry() const {
        return qobject_cast<EntryScreen*>(frame->screen(ScreenId::Entry));
    }

    template <typename T = QLineEdit> T* find(const QString& name) const {
        T* w = entry()->findChild<T*>(name);
        if (!w)
            qWarning("no widget %s", qPrintable(name));
        return w;
    }
    QScrollBar* vscroll() const { return find<QScrollBar>(QStringLiteral("VScroll1")); }
    QScrollBar* hscroll() const { return find<QScrollBar>(QStringLiteral("HScroll1")); }
    QColor headerBackground(int j) const {
        return find<QLabel>(QStringLiteral("NM(%1)").arg(j))->palette().color(QPalette::Window);
    }

    QList<int> balances() const { return test::daysOffBalances(t.path()); }
    qint64 storedRows() const {
        Database db;
        qint64 n = -1;
        if (!db.open(t.path()))
            db.count(table::DailyReport, {}, n);
        return n;
    }
    // The mark picker opened from the first cell, with the entry screen closed after it.
    QTreeWidget* markPickerLeftOpen() {
        open();
        find<QPushButton>(QStringLiteral("COMBTN(1)"))->click();
        QTest::mouseClick(find(QStringLiteral("SG1(0)")), Qt::LeftButton);
        auto* list = frame->findChild<QTreeWidget*>(QStringLiteral("List1"));
        find<QPushButton>(QStringLiteral("Command2"))->click();
        if (!QTest::qWaitFor([this] { return !frame->screen(ScreenId::Entry); }))
            return nullptr;
        return list;
    }
    void reopenEntry() { qobject_cast<MainScreen*>(frame->screen(ScreenId::Main))->openEntry(); }

    test::TempDatabase t;
    AppState state;
    std::unique_ptr<FrameWindow> frame;
};

} // namespace

class TestEntryScreen : public QObject {
    Q_OBJECT
private slots:
    void scrollingKeepsWhatWasTyped() {
        Fixture f;
        QVERIFY(f.t.ok());
        test::MessageRecorder messages;
        EntryScreen* e = f.open();
        QVERIFY(e);
        QCOMPARE(e->windowTitle(), QStringLiteral("VORDA"));
        f.vscroll()->setValue(1);
        for (const char* label : {"Label5", "Label8", "Label12"})
            QCOMPARE(f.find<QLabel>(QString::fromLatin1(label))->text(), QStringLiteral("5"));
        QCOMPARE(f.find<QLabel>(QStringLiteral("Label1"))->text(), QStringLiteral("2"));
        typeInto(f.find(QStringLiteral("Text4")), QStringLiteral("五番目の現場"));
        f.find<QPushButton>(QStringLiteral("COMBTN(1)"))->click();
        typeInto(f.find(QStringLiteral("SG8(2)")), QStringLiteral("○"));
        f.find<QPushButton>(QStringLiteral("COMBTN(2)"))->click();
        typeInto(f.find(QStringLiteral("SY7(0)")), QStringLiteral("2"));
        QCOMPARE(e->day().groups[4].jobName, QStringLiteral("五番目の現場"));
        QCOMPARE(e->day().actual(4).staff[2], QStringLiteral("○"));
        QCOMPARE(e->day().planned(4).vehicles[0], qint16(2));

        f.vscroll()->setValue(0);
        QCOMPARE(f.find(QStringLiteral("Text4"))->text(), QString());
        QCOMPARE(f.find(QStringLiteral("SY7(0)"))->text(), QString());
        f.vscroll()->setValue(1);
        QCOMPARE(f.find(QStringLiteral("Text4"))->text(), QStringLiteral("五番目の現場"));
        QCOMPARE(f.find(QStringLiteral("Text41"))->text(), QStringLiteral("五番目の現場"));
        QCOMPARE(f.find(QStringLiteral("SG8(2)"))->text(), QStringLiteral("○"));
        QCOMPARE(f.find(QStringLiteral("SY7(0)"))->text(), QStringLiteral("2"));
        QVERIFY(messages.texts.isEmpty());
    }

    void columnsBeyondTheEmployeesAreEmpty() {
        Fixture f(20);
        QVERIFY(f.t.ok());
        EntryScreen* e = f.open();
        QVERIFY(e);
        QCOMPARE(f.find<QLabel>(QStringLiteral("NM(0)"))->text(), QStringLiteral("社\n員\n0"));
        f.find<QPushButton>(QStringLiteral("COMBTN(1)"))->click();
        f.hscroll()->setValue(10);
        QCOMPARE(f.find<QLabel>(QStringLiteral("NM(0)"))->text(), QStringLiteral("社\n員\n1\n0"));
        QCOMPARE(f.find<QLabel>(QStringLiteral("NM(9)"))->text(), QStringLiteral("社\n員\n1\n9"));
        for (int j = 10; j < 13; ++j) {
            QCOMPARE(f.find<QLabel>(QStringLiteral("NM(%1)").arg(j))->text(), QString());
            QCOMPARE(f.find(QStringLiteral("SG1(%1)").arg(j))->text(), QString());
        }
        typeInto(f.find(QStringLiteral("SG2(9)")), QStringLiteral("休"));
        QCOMPARE(e->day().actual(0).staff[19], QStringLiteral("休"));
        // With 8 vehicles the last two vehicle headers are empty.
        f.find<QPushButton>(QStringLiteral("COMBTN(2)"))->click();
        QCOMPARE(f.find<QLabel>(QStringLiteral("SY(7)"))->text(), QStringLiteral("車\n7"));
        QCOMPARE(f.find<QLabel>(QStringLiteral("SY(8)"))->text(), QString());
        QCOMPARE(f.find<QLabel>(QStringLiteral("GDA(0)"))->text(), QStringLiteral("ガ\nド\n昼"));
    }

    void rowsFollowTheGroupOffset() {
        Fixture f;
        QVERIFY(f.t.ok());
        EntryScreen* e = f.open();
        QVERIFY(e);
        f.vscroll()->setValue(2);
        typeInto(f.find(QStringLiteral("Text2")), QStringLiteral("三番目"));
        QCOMPARE(e->day().groups[3].jobName, QStringLiteral("三番目"));
        QCOMPARE(f.find(QStringLiteral("Text39"))->text(), QStringLiteral("三番目"));
        QCOMPARE(f.find(QStringLiteral("Text43"))->text(), QStringLiteral("三番目"));
        QVERIFY(e->day().groups[1].jobName.isEmpty());

        f.vscroll()->setValue(5);
        auto* night = f.find<QCheckBox>(QStringLiteral("YORU(1)"));
        QCOMPARE(night->text(), QStringLiteral("夜間"));
        night->click();
        QCOMPARE(e->day().groups[6].nightFlag, qint16(1));
        night->click();
        QCOMPARE(e->day().groups[6].nightFlag, qint16(0));
        f.find<QCheckBox>(QStringLiteral("Check(3)"))->click();
        QCOMPARE(e->day().groups[8].deleteFlag, qint16(1));
    }

    void headerColoursCountTheGroups() {
        Fixture f;
        QVERIFY(f.t.ok());
        EntryScreen* e = f.open();
        QVERIFY(e);
        f.find<QPushButton>(QStringLiteral("COMBTN(1)"))->click();
        QCOMPARE(f.headerBackground(4), QColor(0, 255, 255));
        typeInto(f.find(QStringLiteral("SG1(4)")), QStringLiteral("○"));
        QCOMPARE(f.headerBackground(4), QColor(255, 255, 255));
        typeInto(f.find(QStringLiteral("SG3(4)")), QStringLiteral("泊"));
        QCOMPARE(f.headerBackground(4), QColor(255, 255, 0));
        typeInto(f.find(QStringLiteral("SG5(4)")), QStringLiteral("  "));
        QCOMPARE(f.headerBackground(4), QColor(255, 255, 0)); // blanks do not count
        f.find(QStringLiteral("SG1(4)"))->clear();
        QCOMPARE(f.headerBackground(4), QColor(255, 255, 255));
        f.find(QStringLiteral("SG3(4)"))->clear();
        QCOMPARE(f.headerBackground(4), QColor(0, 255, 255));

        // The actual lines colour the text: one group cyan, two magenta.
        typeInto(f.find(QStringLiteral("SG2(4)")), QStringLiteral("○"));
        typeInto(f.find(QStringLiteral("SG4(4)")), QStringLiteral("○"));
        QCOMPARE(f.find<QLabel>(QStringLiteral("NM(4)"))->palette().color(QPalette::WindowText),
                 QColor(128, 0, 128));
        // A group out of view still counts.
        f.vscroll()->setValue(12);
        typeInto(f.find(QStringLiteral("SG8(4)")), QStringLiteral("○"));
        QCOMPARE(f.find<QLabel>(QStringLiteral("NM(4)"))->palette().color(QPalette::WindowText),
                 QColor(128, 128, 0));
        QCOMPARE(e->day().actual(15).staff[4], QStringLiteral("○"));
    }

    void timeFields() {
        Fixture f;
        QVERIFY(f.t.ok());
        EntryScreen* e = f.open();
        QVERIFY(e);
        QLineEdit* start = f.find(QStringLiteral("Text14"));
        QLineEdit* end = f.find(QStringLiteral("Text15"));
        enter(start); // a group without a job name takes no default
        enter(end);
        QCOMPARE(start->text(), QString());
        QCOMPARE(e->day().groups[0].endTime, QString());
        typeInto(f.find(QStringLiteral("Text1")), QStringLiteral("現場"));
        enter(start);
        QCOMPARE(start->text(), QStringLiteral("09:00"));
        QCOMPARE(e->day().groups[0].startTime, QStringLiteral("09:00"));
        enter(end);
        QCOMPARE(e->day().groups[0].endTime, QStringLiteral("17:00"));

        retype(start, QStringLiteral("08:30"));
        QCOMPARE(e->day().groups[0].startTime, QStringLiteral("08:30"));
        // Entering a field that holds a time keeps it (it is selected, ready to retype).
        enter(start);
        QCOMPARE(start->text(), QStringLiteral("08:30"));
        QCOMPARE(e->day().groups[0].startTime, QStringLiteral("08:30"));

        start->setText(QStringLiteral("9:00"));
        QCOMPARE(start->palette().color(QPalette::Text), QColor(255, 0, 0));
        QCOMPARE(e->day().groups[0].startTime, QStringLiteral("08:30"));
        start->setCursorPosition(0);
        typeInto(start, QStringLiteral("0"));
        QCOMPARE(start->text(), QStringLiteral("09:00"));
        QVERIFY(start->palette().color(QPalette::Text) != QColor(255, 0, 0));
        QCOMPARE(e->day().groups[0].startTime, QStringLiteral("09:00"));
        // Five characters that are no time are refused; 24:00 is the last time of a day.
        for (const char* wrong : {"ab:cd", "25:00", "24:30", "12:60", "12-30"}) {
            start->setText(QString::fromLatin1(wrong));
            QCOMPARE(start->palette().color(QPalette::Text), QColor(255, 0, 0));
            QCOMPARE(e->day().groups[0].startTime, QStringLiteral("09:00"));
        }
        start->setText(QStringLiteral("24:00"));
        QCOMPARE(e->day().groups[0].startTime, QStringLiteral("24:00"));
    }

    void countFields_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("stored");
        QTest::addColumn<bool>("refused");
        QTest::newRow("3") << QStringLiteral("3") << 3 << false;
        QTest::newRow("empty") << QString() << 0 << false;
        QTest::newRow("2.5") << QStringLiteral("2.5") << 2 << false;
        QTest::newRow("3.5") << QStringLiteral("3.5") << 4 << false;
        QTest::newRow("full-width") << QStringLiteral("１２") << 12 << false;
        // Refused: shown red, and the member keeps the value that was last taken.
        QTest::newRow("letters") << QStringLiteral("12abc") << 7 << true;
        QTest::newRow("negative") << QStringLiteral("-3") << 7 << true;
        QTest::newRow("too large") << QStringLiteral("40000") << 7 << true;
        QTest::newRow("16-bit edge") << QStringLiteral("32768") << 7 << true;
    }
    void countFields() {
        QFETCH(QString, typed);
        QFETCH(int, stored);
        QFETCH(bool, refused);
        Fixture f;
        QVERIFY(f.t.ok());
        EntryScreen* e = f.open();
        QVERIFY(e);
        f.find<QPushButton>(QStringLiteral("COMBTN(2)"))->click();
        const struct {
            const char* name;
            std::function<qint16()> member;
        } fields[] = {
            {"SPT(1)", [e] { return e->day().groups[1].spotCount[0]; }},
            {"TOKUJ(0)", [e] { return e->day().groups[0].extraCount[1]; }},
            {"GDM4(1)", [e] { return e->day().actual(1).guards[1]; }},
            {"SY1(9)", [e] { return e->day().planned(0).vehicles[9]; }},
        };
        for (const auto& field : fields) {
            QLineEdit* box = f.find(QString::fromLatin1(field.name));
            QCOMPARE(box->toolTip(), QStringLiteral("数量を入力します。"));
            retype(box, QStringLiteral("7"));
            QCOMPARE(int(field.member()), 7);
            if (refused)
                box->setText(typed); // pasted whole: typed digit by digit, 4000 would stand
            else
                retype(box, typed);
            QCOMPARE(int(field.member()), stored);
            QCOMPARE(box->palette().color(QPalette::Text) == QColor(255, 0, 0), refused);
        }
    }

    void pickingAProjectFillsTheRememberedRow() {
        Fixture f;
        QVERIFY(f.t.ok());
        EntryScreen* e = f.open();
        QVERIFY(e);
        f.vscroll()->setValue(3);
        QTest::mouseClick(f.find(QStringLiteral("Text3")), Qt::LeftButton);
        auto* list = f.frame->findChild<QTreeWidget*>(QStringLiteral("DBList1"));
        QVERIFY(list);
        QCOMPARE(list->topLevelItemCount(), 20);
        QTreeWidgetItem* item = list->topLevelItem(14);
        QCOMPARE(item->text(1), QStringLiteral("工事15"));
        clickRow(list, item);
        QCOMPARE(e->day().groups[5].jobNumber, qint16(15));
        QCOMPARE(e->day().groups[5].jobName, QStringLiteral("工事15"));
        QCOMPARE(e->day().groups[5].client, QStringLiteral("発注者15"));
        QCOMPARE(f.find(QStringLiteral("Text11"))->text(), QStringLiteral("発注者15"));
        QTRY_VERIFY(!f.frame->screen(ScreenId::ProjectPicker));
    }

    // Projects that ended before the day are hidden unless asked for; the stored order stays,
    // and the picker opens below the field it serves.
    void endedProjectsAreHiddenUntilAskedFor() {
        Fixture f;
        QVERIFY(f.t.ok());
        {
            Database db;
            VORDA_OPEN(db, f.t.path());
            QVERIFY(!db.insert(table::Projects,
                               {30, QStringLiteral("終わった工事"), QStringLiteral("2024-01-01"),
                                QStringLiteral("2024-06-02"), QStringLiteral("旧発注者")}));
            QVERIFY(!db.insert(table::Projects, {31, QStringLiteral("期間なし"), QVariant(),
                                                 QVariant(), QStringLiteral("")}));
            QVERIFY(!db.insert(table::Projects,
                               {32, QStringLiteral("今日まで"), QStringLiteral("2024-05-01"),
                                QStringLiteral("2024-06-03"), QStringLiteral("")}));
        }
        EntryScreen* e = f.open();
        QVERIFY(e);
        QLineEdit* job = f.find(QStringLiteral("Text2"));
        QTest::mouseClick(job, Qt::LeftButton);
        QWidget* picker = f.frame->screen(ScreenId::ProjectPicker);
        QVERIFY(picker);
        auto* list = picker->findChild<QTreeWidget*>(QStringLiteral("DBList1"));
        QCOMPARE(list->headerItem()->text(3), QStringLiteral("期間"));
        auto shownNames = [list] {
            QStringList names;
            for (int i = 0; i < list->topLevelItemCount(); ++i)
                if (!list->topLevelItem(i)->isHidden())
                    names << list->topLevelItem(i)->text(1);
            return names;
        };
        QCOMPARE(shownNames().size(), 22);
        QVERIFY(!shownNames().contains(QStringLiteral("終わった工事")));
        QCOMPARE(shownNames().mid(19), QStringList({"工事20", "期間なし", "今日まで"}));
        QCOMPARE(list->topLevelItem(0)->text(3), QStringLiteral("2024/01/01～2024/12/31"));
        auto* ended = picker->findChild<QCheckBox*>(QStringLiteral("showEnded"));
        QCOMPARE(ended->text(), QStringLiteral("終了した工事も表示"));
        QVERIFY(!ended->isChecked());
        ended->click();
        QCOMPARE(shownNames().mid(19),
                 QStringList({"工事20", "終わった工事", "期間なし", "今日まで"}));
        QCOMPARE(list->topLevelItem(20)->text(0), QStringLiteral("30"));

        auto* area = f.frame->findChild<QMdiArea*>(QStringLiteral("mdiArea"));
        const QRect field(job->mapTo(area->viewport(), QPoint(0, 0)), job->size());
        const QRect placed = picker->parentWidget()->geometry();
        QVERIFY2(placed.top() == field.bottom() + 1 || placed.bottom() + 1 == field.top(),
                 "not beside its field");
        QCOMPARE(placed.left(), field.left());
    }

    void aMarkGoesToTheLastCellClicked() {
        Fixture f;
        QVERIFY(f.t.ok());
        EntryScreen* e = f.open();
        QVERIFY(e);
        f.find<QPushButton>(QStringLiteral("COMBTN(1)"))->click();
        QTest::mouseClick(f.find(QStringLiteral("SG1(0)")), Qt::LeftButton);
        QTest::mouseClick(f.find(QStringLiteral("SG2(3)")), Qt::LeftButton);
        auto* list = f.frame->findChild<QTreeWidget*>(QStringLiteral("List1"));
        QVERIFY(list);
        const auto items = list->findItems(QStringLiteral("休"), Qt::MatchExactly, 1);
        QCOMPARE(items.size(), 1);
        clickRow(list, items[0]);
        QCOMPARE(f.find(QStringLiteral("SG2(3)"))->text(), QStringLiteral("休"));
        QCOMPARE(e->day().actual(0).staff[3], QStringLiteral("休"));
        QCOMPARE(f.find(QStringLiteral("SG1(0)"))->text(), QString());
    }

    void aPickerOutlivingTheEntryScreenWritesNothing() {
        Fixture f;
        QVERIFY(f.t.ok());
        test::MessageRecorder messages;
        QTreeWidget* list = f.markPickerLeftOpen();
        QVERIFY(list);
        clickRow(list, list->topLevelItem(0));
        QTRY_VERIFY(!f.frame->screen(ScreenId::MarkPicker));
        QVERIFY(messages.texts.isEmpty());
    }

    // A picker left open serves the entry screen open now, at its latest click, and gives
    // the front back to it; the main screen does not jump forward.
    void aPickerServesTheEntryScreenOpenNow() {
        Fixture f;
        QVERIFY(f.t.ok());
        test::MessageRecorder messages;
        QTreeWidget* list = f.markPickerLeftOpen();
        QVERIFY(list);
        f.reopenEntry();
        EntryScreen* e = f.entry();
        QVERIFY(e);
        f.find<QPushButton>(QStringLiteral("COMBTN(1)"))->click();
        QTest::mouseClick(f.find(QStringLiteral("SG2(3)")), Qt::LeftButton);
        QCOMPARE(f.frame->findChild<QTreeWidget*>(QStringLiteral("List1")),
                 list); // the same picker
        const auto items = list->findItems(QStringLiteral("休"), Qt::MatchExactly, 1);
        QCOMPARE(items.size(), 1);
        clickRow(list, items[0]);
        QCOMPARE(e->day().actual(0).staff[3], QStringLiteral("休"));
        QTRY_VERIFY(!f.frame->screen(ScreenId::MarkPicker));
        auto* area = f.frame->findChild<QMdiArea*>(QStringLiteral("mdiArea"));
        QTRY_VERIFY(area->activeSubWindow() && area->activeSubWindow()->widget() == e);
    }

    // After "登録" of another data location, the open pickers list the new file's rows.
    void openPickersFollowTheDataLocation() {
        Fixture f;
        QVERIFY(f.t.ok());
        test::TempDatabase other;
        QVERIFY(other.ok());
        {
            Database db;
            VORDA_OPEN(db, other.path());
            QVERIFY(!db.insert(table::Projects,
                               {7, QStringLiteral("別会社の工事"), QStringLiteral("2024-01-01"),
                                QStringLiteral("2024-12-31"), QStringLiteral("別発注者")}));
            QVERIFY(!db.exec(QStringLiteral("DELETE FROM \"天候テーブル\"")));
            QVERIFY(!db.insert(table::WeatherWords, {QStringLiteral("霧")}));
        }
        f.state.iniPath = f.t.filePath(QStringLiteral("vorda.INI"));
        f.state.databasePath = f.t.path();
        QVERIFY(INIWRITE(f.state).isEmpty());
        test::MessageRecorder messages;
        f.open();
        QTest::mouseClick(f.find(QStringLiteral("Text1")), Qt::LeftButton);
        auto* projects = f.frame->findChild<QTreeWidget*>(QStringLiteral("DBList1"));
        QVERIFY(projects);
        QCOMPARE(projects->topLevelItemCount(), 20);
        auto* weather = qobject_cast<QWidget*>(f.frame->openScreen(ScreenId::WeatherPicker));
        QVERIFY(weather);
        const int words =
            weather->findChild<QTreeWidget*>(QStringLiteral("List1"))->topLevelItemCount();
        QVERIFY(words > 1);
        auto* period = qobject_cast<QWidget*>(f.frame->openScreen(ScreenId::PeriodList));
        QVERIFY(period);
        auto* periodProjects = period->findChild<QListWidget*>(QStringLiteral("DBList1"));
        QCOMPARE(periodProjects->count(), 20);

        auto* location =
            qobject_cast<DataLocationScreen*>(f.frame->openScreen(ScreenId::DataLocation));
        QVERIFY(location);
        location->findChild<QLineEdit*>(QStringLiteral("Text1"))->setText(other.path());
        location->registerPath();
        QCOMPARE(projects->topLevelItemCount(), 1);
        QCOMPARE(projects->topLevelItem(0)->text(1), QStringLiteral("別会社の工事"));
        QCOMPARE(weather->findChild<QTreeWidget*>(QStringLiteral("List1"))->topLevelItemCount(), 1);
        QCOMPARE(periodProjects->count(), 1);
        QVERIFY(messages.texts.isEmpty());
    }

    // What a field shows red is what stands in it after any redraw, and "登録" writes
    // nothing while it stands there: it names the group and field and goes to it.
    void aRefusedValueStopsTheRegister() {
        Fixture f;
        QVERIFY(f.t.ok());
        test::MessageRecorder messages;
        EntryScreen* e = f.open();
        QVERIFY(e);
        typeInto(f.find(QStringLiteral("Text1")), QStringLiteral("現場"));
        f.find<QPushButton>(QStringLiteral("COMBTN(2)"))->click();
        QLineEdit* box = f.find(QStringLiteral("SY2(1)"));
        retype(box, QStringLiteral("4000"));
        box->setText(QStringLiteral("40000"));
        QCOMPARE(e->day().actual(0).vehicles[1], qint16(4000));
        f.vscroll()->setValue(4);
        QCOMPARE(box->text(), QString()); // slot 5 shows its own, empty member
        f.vscroll()->setValue(0);
        f.find<QPushButton>(QStringLiteral("COMBTN(0)"))->click();
        QLineEdit* end = f.find(QStringLiteral("Text19"));
        end->setText(QStringLiteral("25:00"));
        f.find<QPushButton>(QStringLiteral("COMBTN(2)"))->click();
        QCOMPARE(box->text(), QStringLiteral("40000"));
        QCOMPARE(box->palette().color(QPalette::Text), QColor(255, 0, 0));
        QVERIFY(e->hasUnsavedChanges());

        f.find<QPushButton>(QStringLiteral("Command3"))->click();
        QCOMPARE(messages.texts.size(), 1);
        QVERIFY2(messages.texts[0].contains(QStringLiteral("作業 1 の実績の車両「車1」「40000」")),
                 qPrintable(messages.texts[0]));
        QCOMPARE(f.storedRows(), qint64(0));
        QCOMPARE(e->focusWidget(), box);

        retype(box, QStringLiteral("4"));
        f.find<QPushButton>(QStringLiteral("Command3"))->click();
        QCOMPARE(messages.texts.size(), 2);
        QVERIFY2(messages.texts[1].contains(QStringLiteral("作業 2 の終了時間「25:00」")),
                 qPrintable(messages.texts[1]));
        QCOMPARE(e->focusWidget(), end);
        QCOMPARE(f.storedRows(), qint64(0));
    }

    // Typed work in a new group without a job name is not saved: "登録" asks first.
    void unnamedWorkIsAskedAbout() {
        Fixture f;
        QVERIFY(f.t.ok());
        test::MessageRecorder messages;
        EntryScreen* e = f.open();
        QVERIFY(e);
        typeInto(f.find(QStringLiteral("Text1")), QStringLiteral("現場"));
        enter(f.find(QStringLiteral("Text18"))); // the default times alone are no work
        enter(f.find(QStringLiteral("Text19")));
        f.vscroll()->setValue(5);
        f.find<QPushButton>(QStringLiteral("COMBTN(1)"))->click();
        typeInto(f.find(QStringLiteral("SG2(0)")), QStringLiteral("○")); // group 6
        f.find<QPushButton>(QStringLiteral("COMBTN(2)"))->click();
        f.vscroll()->setValue(0);
        messages.answers = {false};
        f.find<QPushButton>(QStringLiteral("Command3"))->click();
        QCOMPARE(messages.texts,
                 QStringList({QStringLiteral("作業 6 "
                                             "に工事件名がありません。工事件名のない作業は登録され"
                                             "ません。\nこのまま登録しますか？")}));
        QCOMPARE(f.storedRows(), qint64(0));
        QCOMPARE(e->day().groupOffset, 5); // scrolled to group 6, on the project page
        QCOMPARE(e->focusWidget(), f.find(QStringLiteral("Text1")));

        messages.answers = {true};
        f.find<QPushButton>(QStringLiteral("Command3"))->click();
        QCOMPARE(messages.texts.last(), QStringLiteral("登録終了しました。"));
        QCOMPARE(f.storedRows(), qint64(1));
    }

    // A cell that holds no staff mark is named at "登録", which asks once; "no" goes back to
    // the cell, "yes" registers, and a day stored so loads and registers again.
    void marksThatAreNoStaffMarkAreAskedAbout() {
        Fixture f;
        QVERIFY(f.t.ok());
        test::MessageRecorder messages;
        EntryScreen* e = f.open();
        QVERIFY(e);
        f.vscroll()->setValue(5);
        typeInto(f.find(QStringLiteral("Text1")), QStringLiteral("六番目")); // group 6
        f.find<QPushButton>(QStringLiteral("COMBTN(1)"))->click();
        typeInto(f.find(QStringLiteral("SG1(0)")), QStringLiteral("○"));
        f.hscroll()->setValue(f.hscroll()->maximum());
        const int column = 19 - e->day().columnOffset; // 社員19, the last employee
        typeInto(f.find(QStringLiteral("SG2(%1)").arg(column)), QStringLiteral("o"));
        typeInto(f.find(QStringLiteral("SG1(%1)").arg(column)), QStringLiteral("休 "));
        f.hscroll()->setValue(0);
        f.vscroll()->setValue(0);
        f.find<QPushButton>(QStringLiteral("COMBTN(0)"))->click();
        QString question = QStringLiteral(
            "作業 6 の実績「社員19」の「o」はスタッフマークにありません。\n"
            "作業 6 "
            "の実績にマークがありますが、開始時間か終了時間がありません。\nこのまま登録しますか？");
        messages.answers = {false};
        f.find<QPushButton>(QStringLiteral("Command3"))->click();
        QCOMPARE(messages.texts, QStringList({question}));
        QCOMPARE(f.storedRows(), qint64(0));
        // Back to the cell: group 6 and employee column 20 scrolled into view, on the work page.
        QVERIFY(e->day().groupOffset <= 5 && 5 < e->day().groupOffset + e->visibleRows());
        QVERIFY(e->day().columnOffset <= 19 && 19 < e->day().columnOffset + e->visibleColumns());
        auto* focused = qobject_cast<QLineEdit*>(e->focusWidget());
        QVERIFY(focused);
        QCOMPARE(focused->objectName(), QStringLiteral("SG%1(%2)")
                                            .arg(2 * (5 - e->day().groupOffset) + 2)
                                            .arg(19 - e->day().columnOffset));
        QCOMPARE(focused->text(), QStringLiteral("o"));

        messages.answers = {true};
        f.find<QPushButton>(QStringLiteral("Command3"))->click();
        QCOMPARE(messages.texts.last(), QStringLiteral("登録終了しました。"));
        QCOMPARE(f.storedRows(), qint64(1));
        QCOMPARE(e->day().actual(0).staff[19], QStringLiteral("o")); // stored as typed, now group 1

        // Loaded again, the day still registers once the user says yes.
        f.find<QPushButton>(QStringLiteral("Command2"))->click();
        QTRY_VERIFY(!f.frame->screen(ScreenId::Entry));
        f.reopenEntry();
        e = f.entry();
        QVERIFY(e);
        QCOMPARE(e->day().actual(0).staff[19], QStringLiteral("o"));
        retype(f.find(QStringLiteral("Text5")), QStringLiteral("備考"));
        messages.texts.clear();
        messages.answers = {true};
        f.find<QPushButton>(QStringLiteral("Command3"))->click();
        QCOMPARE(messages.texts,
                 QStringList({question.replace(QStringLiteral("作業 6"), QStringLiteral("作業 1")),
                              QStringLiteral("登録終了しました。")}));
        QCOMPARE(e->day().groups[0].remarks, QStringLiteral("備考"));
    }

    // The work and vehicle pages are grids: arrows go from cell to cell and scroll at the
    // edges, Delete empties a cell, and the mark picker stands beside its cell, below the names.
    void arrowKeysMoveLikeASpreadsheet() {
        Fixture f;
        QVERIFY(f.t.ok());
        EntryScreen* e = f.open();
        QVERIFY(e);
        f.find<QPushButton>(QStringLiteral("COMBTN(1)"))->click();
        f.find(QStringLiteral("SG1(0)"))->setFocus();
        const int last = e->visibleColumns() - 1;
        const QString lastCell = QStringLiteral("SG1(%1)").arg(last);
        const struct {
            Qt::Key key;
            QString to;
            int groupOffset;
            int columnOffset;
        } walk[] = {
            {Qt::Key_Right, "SG1(1)", 0, 0}, {Qt::Key_Down, "SG2(1)", 0, 0},
            {Qt::Key_Down, "SG3(1)", 0, 0},  {Qt::Key_Up, "SG2(1)", 0, 0},
            {Qt::Key_Up, "SG1(1)", 0, 0},    {Qt::Key_Up, "SG1(1)", 0, 0},
            {Qt::Key_Left, "SG1(0)", 0, 0},  {Qt::Key_Left, "SG1(0)", 0, 0},
        };
        for (const auto& step : walk) {
            press(step.key);
            QCOMPARE(focusName(), step.to);
            QCOMPARE(e->day().groupOffset, step.groupOffset);
            QCOMPARE(e->day().columnOffset, step.columnOffset);
        }
        for (int j = 0; j < last; ++j)
            press(Qt::Key_Right);
        QCOMPARE(focusName(), lastCell);
        press(Qt::Key_Right); // the columns move under the cell
        QCOMPARE(focusName(), lastCell);
        QCOMPARE(e->day().columnOffset, 1);
        typeHere(QStringLiteral("○"));
        QCOMPARE(e->day().planned(0).staff[last + 1], QStringLiteral("○"));
        press(Qt::Key_Left);
        press(Qt::Key_Right);
        typeHere(QStringLiteral("休")); // the cell is selected on arrival: typing replaces it
        QCOMPARE(e->day().planned(0).staff[last + 1], QStringLiteral("休"));
        press(Qt::Key_Delete);
        QCOMPARE(f.find(lastCell)->text(), QString());
        QCOMPARE(e->day().planned(0).staff[last + 1], QString());
        for (int j = 0; j < last; ++j)
            press(Qt::Key_Left);
        press(Qt::Key_Left);
        QCOMPARE(e->day().columnOffset, 0);
        QCOMPARE(focusName(), QStringLiteral("SG1(0)"));

        // Past the last row the next group scrolls in; above the first the one before.
        f.find(QStringLiteral("SG8(0)"))->setFocus();
        press(Qt::Key_Down);
        QCOMPARE(e->day().groupOffset, 1);
        QCOMPARE(focusName(), QStringLiteral("SG7(0)")); // group 5's planned line
        f.find(QStringLiteral("SG1(0)"))->setFocus();
        press(Qt::Key_Up);
        QCOMPARE(e->day().groupOffset, 0);
        QCOMPARE(focusName(), QStringLiteral("SG2(0)")); // group 1's actual line

        // The mark picker: beside the cell, the names above the grid left uncovered.
        QLineEdit* cell = f.find(QStringLiteral("SG5(4)"));
        QTest::mouseClick(cell, Qt::LeftButton);
        QTRY_VERIFY(f.frame->screen(ScreenId::MarkPicker));
        auto* sub =
            qobject_cast<QMdiSubWindow*>(f.frame->screen(ScreenId::MarkPicker)->parentWidget());
        QWidget* view = sub->parentWidget();
        auto* name = f.find<QLabel>(QStringLiteral("NM(4)"));
        const QRect names(name->mapTo(view, QPoint(0, 0)), name->size());
        const QRect at(cell->mapTo(view, QPoint(0, 0)), cell->size());
        QVERIFY(!sub->geometry().intersects(names));
        QVERIFY(!sub->geometry().intersects(at));
        QVERIFY(view->rect().contains(sub->geometry()));
        press(Qt::Key_Escape);
        QTRY_VERIFY(!f.frame->screen(ScreenId::MarkPicker));

        // The vehicle page: spot, guards, ten vehicles and the extra column along a line.
        f.find<QPushButton>(QStringLiteral("COMBTN(2)"))->click();
        f.find(QStringLiteral("SPT(0)"))->setFocus();
        for (const char* next : {"GDM1(0)", "GDM1(1)", "SY1(0)"}) {
            press(Qt::Key_Right);
            QCOMPARE(focusName(), QString::fromLatin1(next));
        }
        press(Qt::Key_Down);
        QCOMPARE(focusName(), QStringLiteral("SY2(0)"));
        typeHere(QStringLiteral("3"));
        QCOMPARE(e->day().actual(0).vehicles[0], qint16(3));
        press(Qt::Key_Delete);
        QCOMPARE(e->day().actual(0).vehicles[0], qint16(0));
        f.find(QStringLiteral("SY1(9)"))->setFocus();
        press(Qt::Key_Right);
        QCOMPARE(focusName(), QStringLiteral("TOKU(0)"));
        press(Qt::Key_Right);
        QCOMPARE(focusName(), QStringLiteral("TOKU(0)"));
        press(Qt::Key_Down);
        QCOMPARE(focusName(), QStringLiteral("TOKUJ(0)"));
        QCOMPARE(e->day().columnOffset, 0);
        QVERIFY(!e->hasUnsavedChanges());

        // Ten marks along group 2's actual line from group 1's first cell: 32 keys.
        f.find<QPushButton>(QStringLiteral("COMBTN(1)"))->click();
        f.find(QStringLiteral("SG1(0)"))->setFocus();
        int keys = 0;
        for (int i = 0; i < 3; ++i, ++keys)
            press(Qt::Key_Down);
        for (int j = 0; j < 10; ++j) {
            if (j > 0) {
                press(Qt::Key_Right);
                ++keys;
            }
            press(Qt::Key_Space);
            QTRY_VERIFY(f.frame->screen(ScreenId::MarkPicker));
            press(Qt::Key_Return);
            QTRY_VERIFY(!f.frame->screen(ScreenId::MarkPicker));
            QTRY_COMPARE(focusName(), QStringLiteral("SG4(%1)").arg(j));
            keys += 2;
        }
        QCOMPARE(keys, 32);
        for (int c = 0; c < 10; ++c)
            QCOMPARE(e->day().actual(1).staff[c], QStringLiteral("○"));
    }

    // Values of the program outlive the screen: the extra caption; counts of employees are
    // taken at every redraw; employees beyond the columns are told once and the day loads.
    void theScreenFollowsTheFile() {
        Fixture f(32);
        QVERIFY(f.t.ok());
        test::MessageRecorder messages;
        EntryScreen* e = f.open();
        QVERIFY(e);
        QCOMPARE(messages.texts.size(), 1);
        QVERIFY2(messages.texts[0].contains(QStringLiteral("社員30、社員31")),
                 qPrintable(messages.texts[0]));
        f.find<QPushButton>(QStringLiteral("COMBTN(2)"))->click();
        typeInto(f.find(QStringLiteral("Text12")), QStringLiteral("応援"));
        messages.answers = {true};
        f.find<QPushButton>(QStringLiteral("Command2"))->click();
        QTRY_VERIFY(!f.frame->screen(ScreenId::Entry));
        f.reopenEntry();
        QVERIFY(f.entry());
        QCOMPARE(f.find(QStringLiteral("Text12"))->text(), QStringLiteral("応援"));
        QCOMPARE(messages.texts.size(), 2); // asked on closing; the columns are not told twice
        QVERIFY(messages.texts[1].contains(QStringLiteral("閉じますか")));
    }

    void theHorizontalRedrawCountsTheEmployees() {
        Fixture f;
        QVERIFY(f.t.ok());
        EntryScreen* e = f.open();
        QVERIFY(e);
        f.find<QPushButton>(QStringLiteral("COMBTN(1)"))->click();
        QCOMPARE(f.find<QLabel>(QStringLiteral("NM(12)"))->text().remove(u'\n'),
                 QStringLiteral("社員12"));
        {
            Database db;
            VORDA_OPEN(db, f.t.path());
            QVERIFY(!db.exec(QStringLiteral("DELETE FROM \"社員\" WHERE rowid > 10")));
        }
        f.hscroll()->setValue(1);
        QCOMPARE(f.find<QLabel>(QStringLiteral("NM(11)"))->text(),
                 QString()); // column 12: nobody now
        QCOMPARE(f.find<QLabel>(QStringLiteral("NM(8)"))->text().remove(u'\n'),
                 QStringLiteral("社員9"));
    }

    void closingAsksOnlyWhenSomethingWasTyped() {
        Fixture f;
        QVERIFY(f.t.ok());
        test::MessageRecorder messages;
        f.open();
        QVERIFY(f.entry());
        // Crossing empty groups by keys changes nothing: no time takes its default.
        QTRY_COMPARE(focusName(), QStringLiteral("Text1"));
        for (int i = 0; i < 12; ++i)
            press(Qt::Key_Tab);
        QCOMPARE(focusName(), QStringLiteral("Text19")); // group 2's end time
        press(Qt::Key_3, Qt::AltModifier);
        press(Qt::Key_1, Qt::AltModifier);
        QCOMPARE(focusName(), QStringLiteral("Text2"));
        press(Qt::Key_Tab);
        press(Qt::Key_Tab);
        QCOMPARE(focusName(), QStringLiteral("Text18"));
        QCOMPARE(f.find(QStringLiteral("Text14"))->text(), QString());
        QCOMPARE(f.find(QStringLiteral("Text19"))->text(), QString());
        QVERIFY(!f.entry()->hasUnsavedChanges());
        f.find<QPushButton>(QStringLiteral("Command2"))->click();
        QTRY_VERIFY(!f.frame->screen(ScreenId::Entry)); // nothing typed: closes at once
        QVERIFY(messages.texts.isEmpty());

        qobject_cast<MainScreen*>(f.frame->screen(ScreenId::Main))->openEntry();
        typeInto(f.find(QStringLiteral("Text1")), QStringLiteral("新しい現場"));
        messages.answers = {false};
        f.find<QPushButton>(QStringLiteral("Command2"))->click();
        QCOMPARE(messages.texts,
                 QStringList({QStringLiteral("登録されていない変更があります。閉じますか？")}));
        QVERIFY(f.entry());
        QCOMPARE(f.entry()->day().groups[0].jobName, QStringLiteral("新しい現場"));

        // Another date asked for from the main screen: the question says what would happen.
        messages.texts.clear();
        auto* main = qobject_cast<MainScreen*>(f.frame->screen(ScreenId::Main));
        main->findChild<QLineEdit*>(QStringLiteral("Text3"))->setText(QStringLiteral("4"));
        messages.answers = {false};
        main->openEntry();
        QCOMPARE(
            messages.texts,
            QStringList({QStringLiteral("登録されていない変更があります。別の日に移りますか？")}));
        QCOMPARE(f.entry()->date(), kDay);
        QCOMPARE(f.entry()->day().groups[0].jobName, QStringLiteral("新しい現場"));

        // Ending the program asks too; "no" keeps the program and the typed day.
        messages.answers = {false};
        f.frame->endProgram();
        QVERIFY(f.entry());
        QVERIFY(f.frame->screen(ScreenId::Main));
        messages.answers = {true};
        f.find<QPushButton>(QStringLiteral("Command2"))->click();
        QTRY_VERIFY(!f.frame->screen(ScreenId::Entry));
    }

    // The evening's work without the mouse: a project, times, two marks, a vehicle count, and
    // the register, each by the keys a clerk presses.
    void aWholeDayByKeysAlone() {
        Fixture f;
        QVERIFY(f.t.ok());
        test::MessageRecorder messages;
        EntryScreen* e = f.open();
        QVERIFY(e);
        QTRY_COMPARE(focusName(), QStringLiteral("Text1"));

        press(Qt::Key_F4);
        QTRY_VERIFY(f.frame->screen(ScreenId::ProjectPicker));
        auto* projects = f.frame->screen(ScreenId::ProjectPicker)
                             ->findChild<QTreeWidget*>(QStringLiteral("DBList1"));
        QCOMPARE(focusName(), QStringLiteral("filter"));
        press(Qt::Key_S, Qt::ControlModifier); // the entry screen's keys act in it alone
        press(Qt::Key_2, Qt::AltModifier);
        QVERIFY(messages.texts.isEmpty());
        QCOMPARE(focusName(), QStringLiteral("filter"));
        typeHere(QStringLiteral("工事1")); // 工事1 and 工事10 to 工事19 remain
        int shown = 0;
        for (int i = 0; i < projects->topLevelItemCount(); ++i)
            shown += projects->topLevelItem(i)->isHidden() ? 0 : 1;
        QCOMPARE(shown, 11);
        press(Qt::Key_Down);
        QCOMPARE(projects->currentItem()->text(1), QStringLiteral("工事10"));
        press(Qt::Key_Up);
        press(Qt::Key_Return);
        QTRY_VERIFY(!f.frame->screen(ScreenId::ProjectPicker));
        QCOMPARE(e->day().groups[0].jobNumber, qint16(1));
        QCOMPARE(f.find(QStringLiteral("Text6"))->text(), QStringLiteral("発注者1"));
        QTRY_COMPARE(focusName(), QStringLiteral("Text1"));

        press(Qt::Key_Tab);
        QCOMPARE(focusName(), QStringLiteral("Text6"));
        press(Qt::Key_Tab);
        QCOMPARE(focusName(), QStringLiteral("Text14"));
        QTRY_COMPARE(f.find(QStringLiteral("Text14"))->selectedText(), QStringLiteral("09:00"));
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("08:30"));
        press(Qt::Key_Tab);
        QCOMPARE(focusName(), QStringLiteral("Text15"));

        press(Qt::Key_2, Qt::AltModifier); // the work page, in the same group
        QTRY_COMPARE(focusName(), QStringLiteral("SG1(0)"));
        press(Qt::Key_Space);
        QTRY_VERIFY(f.frame->screen(ScreenId::MarkPicker));
        press(Qt::Key_Escape); // closes without choosing
        QTRY_VERIFY(!f.frame->screen(ScreenId::MarkPicker));
        QCOMPARE(f.find(QStringLiteral("SG1(0)"))->text(), QString());
        QTRY_COMPARE(focusName(), QStringLiteral("SG1(0)"));
        press(Qt::Key_Down, Qt::AltModifier);
        QTRY_VERIFY(f.frame->screen(ScreenId::MarkPicker));
        typeHere(QStringLiteral("出勤"));
        press(Qt::Key_Enter);
        QTRY_VERIFY(!f.frame->screen(ScreenId::MarkPicker));
        QCOMPARE(f.find(QStringLiteral("SG1(0)"))->text(), QStringLiteral("○"));
        QTRY_COMPARE(focusName(), QStringLiteral("SG1(0)"));
        for (int j = 0; j < e->visibleColumns(); ++j)
            press(Qt::Key_Tab); // along the planned line, then the actual line below
        QCOMPARE(focusName(), QStringLiteral("SG2(0)"));
        press(Qt::Key_F4);
        QTRY_VERIFY(f.frame->screen(ScreenId::MarkPicker));
        typeHere(QStringLiteral("休")); // ☆ 休日出勤, 休 休み, 有 有給休暇
        press(Qt::Key_Down);
        press(Qt::Key_Return);
        QTRY_VERIFY(!f.frame->screen(ScreenId::MarkPicker));
        QCOMPARE(e->day().actual(0).staff[0], QStringLiteral("休"));

        press(Qt::Key_3, Qt::AltModifier);
        QTRY_COMPARE(focusName(), QStringLiteral("SPT(0)"));
        for (const char* next : {"GDM1(0)", "GDM1(1)", "SY1(0)"}) {
            press(Qt::Key_Tab);
            QCOMPARE(focusName(), QString::fromLatin1(next));
        }
        typeHere(QStringLiteral("2"));
        press(Qt::Key_S, Qt::ControlModifier);
        QTRY_COMPARE(messages.texts, QStringList({QStringLiteral("登録終了しました。")}));

        QCOMPARE(f.storedRows(), qint64(1));
        QCOMPARE(f.balances().mid(0, 2), QList<int>({9, 10})); // the day off of employee 1
        const DayModel& d = e->day(); // read back from the file by the register
        QCOMPARE(d.groups[0].jobNumber, qint16(1));
        QCOMPARE(d.groups[0].jobName, QStringLiteral("工事1"));
        QCOMPARE(d.groups[0].client, QStringLiteral("発注者1"));
        QCOMPARE(d.groups[0].startTime, QStringLiteral("08:30"));
        QCOMPARE(d.groups[0].endTime, QStringLiteral("17:00"));
        QCOMPARE(d.planned(0).staff[0], QStringLiteral("○"));
        QCOMPARE(d.actual(0).staff[0], QStringLiteral("休"));
        QCOMPARE(d.planned(0).vehicles[0], qint16(2));
    }

    // Tab runs through the rows in reading order and scrolls the next group in past the
    // last row; Shift+Tab comes back the same way; after group 16 comes "登録".
    void tabWalksTheGroups() {
        Fixture f;
        QVERIFY(f.t.ok());
        EntryScreen* e = f.open();
        QVERIFY(e);
        QCOMPARE(e->visibleRows(), 4);
        const QStringList row0 = {"Text1",   "Text6",    "Text14", "Text15", "Text5",
                                  "YORU(0)", "Check(0)", "Text30", "Text31"};
        QTRY_COMPARE(focusName(), row0[0]);
        for (int i = 1; i < row0.size(); ++i) {
            press(Qt::Key_Tab);
            QCOMPARE(focusName(), row0[i]);
        }
        press(Qt::Key_Tab);
        QCOMPARE(focusName(), QStringLiteral("Text2"));
        f.find<QLineEdit>(QStringLiteral("Text4"))->setFocus();
        for (int i = 0; i < 9; ++i)
            press(Qt::Key_Tab);
        QCOMPARE(e->day().groupOffset, 1); // group 5 came into the last row
        QCOMPARE(focusName(), QStringLiteral("Text4"));
        QCOMPARE(f.find<QLabel>(QStringLiteral("Label5"))->text(), QStringLiteral("5"));
        press(Qt::Key_Backtab);
        QCOMPARE(e->day().groupOffset, 1);
        QCOMPARE(focusName(), QStringLiteral("Text35"));        // group 4's actual work
        f.find<QLineEdit>(QStringLiteral("Text2"))->setFocus(); // group 3, second row
        press(Qt::Key_Backtab);
        QCOMPARE(focusName(), QStringLiteral("Text31"));
        QCOMPARE(e->day().groupOffset, 1);
        f.find<QLineEdit>(QStringLiteral("Text1"))->setFocus();
        press(Qt::Key_Backtab); // group 1 scrolls back in, at its last field
        QCOMPARE(e->day().groupOffset, 0);
        QCOMPARE(focusName(), QStringLiteral("Text31"));

        f.vscroll()->setValue(f.vscroll()->maximum());
        QCOMPARE(f.find<QLabel>(QStringLiteral("Label5"))->text(), QStringLiteral("16"));
        f.find<QPushButton>(QStringLiteral("COMBTN(2)"))->click();
        f.find<QLineEdit>(QStringLiteral("TOKUJ(3)"))->setFocus();
        press(Qt::Key_Tab);
        QCOMPARE(focusName(), QStringLiteral("Command3"));
        QCOMPARE(e->day().groupOffset, 12);
        test::MessageRecorder messages;
        press(Qt::Key_Return); // Enter presses the focused button
        QTRY_COMPARE(messages.texts, QStringList({QStringLiteral("登録終了しました。")}));
    }

    // Alt+1 to Alt+3 and the page buttons keep the group that holds the focus, however the
    // focus got there: a click (on the work page, a mark picker opened and closed) or Tab,
    // from every page and every visible group.
    void pageKeysKeepTheGroup_data() {
        QTest::addColumn<int>("page");
        QTest::addColumn<bool>("byClick");
        for (int page = 0; page < 3; ++page) {
            QTest::addRow("page %d, click", page + 1) << page << true;
            QTest::addRow("page %d, Tab", page + 1) << page << false;
        }
    }
    void pageKeysKeepTheGroup() {
        QFETCH(int, page);
        QFETCH(bool, byClick);
        const auto first = [](int p, int row) {
            const char* const jobs[] = {"Text1", "Text2", "Text3", "Text4"};
            return p == 0   ? QString::fromLatin1(jobs[row])
                   : p == 1 ? QStringLiteral("SG%1(0)").arg(2 * row + 1)
                            : QStringLiteral("SPT(%1)").arg(row);
        };
        const auto second = [](int p, int row) {
            const char* const clients[] = {"Text6", "Text8", "Text11", "Text13"};
            return p == 0   ? QString::fromLatin1(clients[row])
                   : p == 1 ? QStringLiteral("SG%1(1)").arg(2 * row + 1)
                            : QStringLiteral("GDM%1(0)").arg(2 * row + 1);
        };
        Fixture f;
        QVERIFY(f.t.ok());
        EntryScreen* e = f.open();
        QVERIFY(e);
        QTRY_COMPARE(focusName(), QStringLiteral("Text1"));
        for (int row = 0; row < e->visibleRows(); ++row) {
            // Another group's field on each page had the focus before, as a day's typing leaves it.
            const int other = (row + 1) % e->visibleRows();
            for (int p : {2, 1, 0}) {
                f.find<QPushButton>(QStringLiteral("COMBTN(%1)").arg(p))->click();
                f.find<QWidget>(first(p, other))->setFocus();
            }
            f.find<QPushButton>(QStringLiteral("COMBTN(%1)").arg(page))->click();
            if (byClick) {
                QTest::mouseClick(f.find(second(page, row)), Qt::LeftButton);
                if (page == 1) {
                    QTRY_VERIFY(f.frame->screen(ScreenId::MarkPicker));
                    press(Qt::Key_Escape);
                    QTRY_VERIFY(!f.frame->screen(ScreenId::MarkPicker));
                }
            } else {
                f.find<QWidget>(first(page, row))->setFocus();
                press(Qt::Key_Tab);
            }
            QTRY_COMPARE(focusName(), second(page, row));
            for (int step = 1; step <= 3; ++step) {
                const int to = (page + step) % 3;
                press(Qt::Key(Qt::Key_1 + to), Qt::AltModifier);
                QCOMPARE(focusName(), first(to, row));
            }
            // A page button clicked with the mouse takes the focus itself; the group stays.
            const int to = (page + 1) % 3;
            QTest::mouseClick(f.find<QPushButton>(QStringLiteral("COMBTN(%1)").arg(to)),
                              Qt::LeftButton);
            QCOMPARE(focusName(), first(to, row));
        }
        QCOMPARE(e->day().groupOffset, 0);
        QVERIFY(!e->hasUnsavedChanges());
    }

    // A taller screen shows more groups; the bar's range and page step follow, and the
    // group offset never shows a slot past 16.
    void aLargerScreenShowsMoreGroups() {
        Fixture f;
        QVERIFY(f.t.ok());
        EntryScreen* e = f.open();
        QVERIFY(e);
        QCOMPARE(e->visibleRows(), 4);
        QCOMPARE(f.vscroll()->maximum(), 12);
        QCOMPARE(f.vscroll()->pageStep(), 4);
        f.vscroll()->setValue(12);
        typeInto(f.find(QStringLiteral("Text4")), QStringLiteral("十六"));
        auto* sub = qobject_cast<QMdiSubWindow*>(e->parentWidget());
        QVERIFY(sub);
        sub->resize(sub->width(), sub->height() + 260);
        const int visible = e->visibleRows();
        QVERIFY2(visible > 4, qPrintable(QString::number(visible)));
        QCOMPARE(f.vscroll()->maximum(), 16 - visible);
        QCOMPARE(f.vscroll()->pageStep(), visible);
        QCOMPARE(e->day().groupOffset, 16 - visible);
        const QString last = QStringLiteral("Text1(%1)").arg(visible - 1);
        QCOMPARE(f.find(last)->text(), QStringLiteral("十六"));
        QVERIFY(f.find(last)->isVisible());
        QCOMPARE(e->day().groups[15].jobName, QStringLiteral("十六"));
        QVERIFY(e->day().groups[16].jobName.isEmpty());
        // The work page shows the same groups.
        f.find<QPushButton>(QStringLiteral("COMBTN(1)"))->click();
        QVERIFY(f.find(QStringLiteral("SG%1(0)").arg(2 * visible))->isVisible());
        QVERIFY(!f.find(QStringLiteral("SG%1(0)").arg(2 * visible + 1))->isVisible());

        sub->resize(sub->width(), sub->height() - 260);
        QCOMPARE(e->visibleRows(), 4);
        QCOMPARE(f.vscroll()->maximum(), 12);
        QCOMPARE(e->day().groupOffset, 16 - visible); // the first group in view stays
        f.vscroll()->setValue(12);
        f.find<QPushButton>(QStringLiteral("COMBTN(0)"))->click();
        QCOMPARE(f.find(QStringLiteral("Text4"))->text(), QStringLiteral("十六"));

        // A wider screen shows more employee columns, up to all thirty.
        const int narrow = e->visibleColumns();
        QVERIFY(narrow >= 13);
        f.find<QPushButton>(QStringLiteral("COMBTN(1)"))->click();
        f.hscroll()->setValue(f.hscroll()->maximum());
        sub->resize(sub->width() + 260, sub->height());
        const int columns = e->visibleColumns();
        QVERIFY2(columns > narrow, qPrintable(QString::number(columns)));
        QCOMPARE(f.hscroll()->maximum(), 30 - columns);
        QCOMPARE(f.hscroll()->pageStep(), columns);
        QCOMPARE(e->day().columnOffset, 30 - columns); // the last column stays in view
        QVERIFY(f.find<QLabel>(QStringLiteral("NM(%1)").arg(columns - 1))->isVisible());
        QVERIFY(!f.find<QLabel>(QStringLiteral("NM(%1)").arg(columns))->isVisible());
        QVERIFY(f.find(QStringLiteral("SG1(%1)").arg(columns - 1))->isVisible());
        f.hscroll()->setValue(0);
        QCOMPARE(f.find<QLabel>(QStringLiteral("NM(%1)").arg(columns - 1))->text().remove(u'\n'),
                 columns <= 20 ? QStringLiteral("社員%1").arg(columns - 1) : QString());
        sub->resize(sub->width() - 260, sub->height());
        QCOMPARE(e->visibleColumns(), narrow);
        QCOMPARE(f.hscroll()->maximum(), 30 - narrow);
        f.find<QPushButton>(QStringLiteral("COMBTN(0)"))->click();

        // Maximised, it shows more again; a picker opened over it keeps its own size.
        sub->showMaximized();
        QVERIFY(e->visibleRows() > 4);
        f.find(QStringLiteral("Text1"))->setFocus();
        press(Qt::Key_F4);
        QWidget* picker = f.frame->screen(ScreenId::ProjectPicker);
        QVERIFY(picker);
        QVERIFY(!picker->parentWidget()->isMaximized());
        QVERIFY(sub->isMaximized());
    }

    void theWheelScrolls() {
        Fixture f;
        QVERIFY(f.t.ok());
        EntryScreen* e = f.open();
        QVERIFY(e);
        f.find<QPushButton>(QStringLiteral("COMBTN(1)"))->click();
        QLineEdit* over = f.find(QStringLiteral("SG3(2)"));
        const QPoint at = over->rect().center();
        auto wheel = [&](int dy, Qt::KeyboardModifiers mods) {
            QWheelEvent ev(at, over->mapToGlobal(at), QPoint(), QPoint(0, dy), Qt::NoButton, mods,
                           Qt::NoScrollPhase, false);
            QApplication::sendEvent(over, &ev);
        };
        wheel(-240, Qt::NoModifier);
        QCOMPARE(e->day().groupOffset, 2);
        wheel(-120, Qt::ShiftModifier);
        QCOMPARE(e->day().columnOffset, 1);
        QCOMPARE(e->day().groupOffset, 2);
        wheel(120, Qt::NoModifier);
        QCOMPARE(e->day().groupOffset, 1);
    }

    void aDayTypedRegisteredAndReadBack() {
        Fixture f;
        QVERIFY(f.t.ok());
        test::MessageRecorder messages;
        EntryScreen* e = f.open();
        QVERIFY(e);
        QCOMPARE(f.find(QStringLiteral("Text10"))->text(), QStringLiteral("2024/06/03"));
        QTest::mouseClick(f.find(QStringLiteral("Text1")), Qt::LeftButton);
        auto* list = f.frame->findChild<QTreeWidget*>(QStringLiteral("DBList1"));
        QVERIFY(list);
        clickRow(list, list->topLevelItem(2));
        typeInto(f.find(QStringLiteral("Text5")), QStringLiteral("片側通行"));
        enter(f.find(QStringLiteral("Text14")));
        retype(f.find(QStringLiteral("Text15")), QStringLiteral("18:30"));
        f.find<QPushButton>(QStringLiteral("COMBTN(1)"))->click();
        typeInto(f.find(QStringLiteral("SG1(0)")), QStringLiteral("○"));
        typeInto(f.find(QStringLiteral("SG2(1)")), QStringLiteral("休"));
        typeInto(f.find(QStringLiteral("SG2(2)")), QStringLiteral("休"));
        f.find<QPushButton>(QStringLiteral("COMBTN(2)"))->click();
        typeInto(f.find(QStringLiteral("Text12")), QStringLiteral("誘導"));
        typeInto(f.find(QStringLiteral("SPTJ(0)")), QStringLiteral("2"));
        typeInto(f.find(QStringLiteral("GDM1(0)")), QStringLiteral("3"));

        f.find<QPushButton>(QStringLiteral("Command3"))->click();
        QCOMPARE(messages.texts, QStringList({QStringLiteral("登録終了しました。")}));
        QCOMPARE(f.balances().mid(0, 4), QList<int>({10, 9, 9, 10}));
        QVERIFY(!e->hasUnsavedChanges());
        QVERIFY(e->day().groups[0].recordNumber > 0);

        f.find<QPushButton>(QStringLiteral("Command2"))->click();
        QTRY_VERIFY(!f.frame->screen(ScreenId::Entry));
        qobject_cast<MainScreen*>(f.frame->screen(ScreenId::Main))->openEntry();
        e = f.entry();
        QVERIFY(e);
        QCOMPARE(f.find(QStringLiteral("Text1"))->text(), QStringLiteral("工事3"));
        QCOMPARE(f.find(QStringLiteral("Text6"))->text(), QStringLiteral("発注者3"));
        QCOMPARE(e->day().groups[0].jobNumber, qint16(3));
        QCOMPARE(f.find(QStringLiteral("Text5"))->text(), QStringLiteral("片側通行"));
        QCOMPARE(f.find(QStringLiteral("Text14"))->text(), QStringLiteral("09:00"));
        QCOMPARE(f.find(QStringLiteral("Text15"))->text(), QStringLiteral("18:30"));
        QCOMPARE(f.find(QStringLiteral("SG1(0)"))->text(), QStringLiteral("○"));
        QCOMPARE(f.find(QStringLiteral("SG2(1)"))->text(), QStringLiteral("休"));
        QCOMPARE(f.find(QStringLiteral("SG2(2)"))->text(), QStringLiteral("休"));
        QCOMPARE(f.find(QStringLiteral("Text12"))->text(), QStringLiteral("誘導"));
        QCOMPARE(f.find(QStringLiteral("SPTJ(0)"))->text(), QStringLiteral("2"));
        QCOMPARE(f.find(QStringLiteral("GDM1(0)"))->text(), QStringLiteral("3"));
        // Registering again unchanged moves no balance.
        f.find<QPushButton>(QStringLiteral("Command3"))->click();
        QCOMPARE(f.balances().mid(0, 4), QList<int>({10, 9, 9, 10}));

        // Another copy registers the day meanwhile: this screen writes nothing, says so, and
        // keeps what was typed on screen.
        DayModel other;
        NameCaches otherNames;
        QVERIFY(!GTDAT(f.t.path(), kDay, other, otherNames));
        other.groups[1].jobName = QStringLiteral("別のパソコン");
        QVERIFY(!registerDay(f.t.path(), kDay, QStringLiteral("晴"), other, otherNames));
        retype(f.find(QStringLiteral("Text5")), QStringLiteral("両側通行"));
        messages.texts.clear();
        f.find<QPushButton>(QStringLiteral("Command3"))->click();
        QCOMPARE(messages.texts, QStringList({kDayChangedMessage}));
        QCOMPARE(f.find(QStringLiteral("Text5"))->text(), QStringLiteral("両側通行"));
        QCOMPARE(f.find(QStringLiteral("Text2"))->text(), QString()); // not reloaded
        QVERIFY(e->hasUnsavedChanges());
        Database db;
        VORDA_OPEN(db, f.t.path());
        qint64 stored = 0;
        QVERIFY(!db.count(table::DailyReport, {{rec::Date, Condition::Op::Eq, toDbDate(kDay)}},
                          stored));
        QCOMPARE(stored, qint64(2));
    }

    // 前日複写 by its key, then 予定→実績 for the day and 登録: three keys. Into a day with a
    // stored group only after asking; nothing is written before 登録, and no balance moves.
    void aCopyOfAnEarlierDay_data() {
        QTest::addColumn<bool>("storedGroup");
        QTest::addColumn<bool>("replace"); // the answer when the day holds a stored group
        QTest::newRow("an empty day") << false << false;
        QTest::newRow("a stored group, replaced") << true << true;
        QTest::newRow("a stored group, kept") << true << false;
    }
    void aCopyOfAnEarlierDay() {
        QFETCH(bool, storedGroup);
        QFETCH(bool, replace);
        Fixture f;
        QVERIFY(f.t.ok());
        // The earlier day: three jobs, planned marks (☆ and 休 among them) and counts, and a
        // day off in an actual line; an older day before it, and a gap of two days.
        for (const QDate& d : {kDay.addDays(-9), kDay.addDays(-3)}) {
            DayModel day;
            NameCaches names;
            QVERIFY(!GTDAT(f.t.path(), d, day, names));
            for (int k = 0; k < 3; ++k) {
                day.groups[k].jobName = QStringLiteral("工事%1").arg(k + 1);
                day.groups[k].jobNumber = k + 1;
                day.groups[k].startTime = QStringLiteral("08:00");
                day.groups[k].endTime = QStringLiteral("17:00");
                day.groups[k].spotCount[0] = qint16(k + 1);
                day.planned(k).guards[0] = 2;
                for (int c = 0; c < 3; ++c)
                    day.planned(k).staff[3 * k + c] = QStringLiteral("○");
            }
            day.planned(0).staff[9] = QStringLiteral("☆");
            day.planned(1).staff[10] = QStringLiteral("休");
            day.actual(2).staff[11] = QStringLiteral("休");
            QVERIFY(!registerDay(f.t.path(), d, QStringLiteral("晴"), day, names));
        }
        if (storedGroup) {
            DayModel day;
            NameCaches names;
            QVERIFY(!GTDAT(f.t.path(), kDay, day, names));
            day.groups[0].jobName = QStringLiteral("この日の");
            QVERIFY(!registerDay(f.t.path(), kDay, QStringLiteral("晴"), day, names));
        }
        const QList<int> before = f.balances();
        test::MessageRecorder messages;
        messages.answers = {replace};
        EntryScreen* e = f.open();
        QVERIFY(e);
        QTRY_COMPARE(focusName(), QStringLiteral("Text1"));
        const qint64 stored = e->day().groups[0].recordNumber;
        QLineEdit* from = f.find(QStringLiteral("CopyFrom"));
        QCOMPARE(from->text(), QStringLiteral("2024/05/31"));

        keysPressed = 0;
        press(Qt::Key_D, Qt::ControlModifier);
        if (storedGroup && !replace) {
            QCOMPARE(messages.texts.size(), 1); // asked, and nothing changed
            QCOMPARE(e->day().groups[0].jobName, QStringLiteral("この日の"));
            QVERIFY(!e->hasUnsavedChanges());
            return;
        }
        QCOMPARE(messages.texts.size(), storedGroup ? 1 : 0);
        QCOMPARE(f.frame->findChild<QLabel*>(QStringLiteral("statusText"))->text(),
                 QStringLiteral("2024/05/31 の日報を写しました。"));
        QCOMPARE(f.storedRows(), qint64(storedGroup ? 7 : 6)); // nothing written yet
        QCOMPARE(f.find(QStringLiteral("Text3"))->text(), QStringLiteral("工事3"));
        press(Qt::Key_R, Qt::ControlModifier | Qt::ShiftModifier);
        press(Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(messages.texts.last(), QStringLiteral("登録終了しました。"));
        QCOMPARE(keysPressed, 3);
        qInfo("the copy of a day and its planned lines as actual: %d keys", keysPressed);

        QCOMPARE(f.storedRows(), qint64(9));
        QCOMPARE(f.balances(), before); // neither ☆ nor 休 came over
        const DayModel& d = e->day();   // read back by the register
        QCOMPARE(d.groups[0].recordNumber, storedGroup ? stored : d.groups[0].recordNumber);
        for (int k = 0; k < 3; ++k) {
            QCOMPARE(d.groups[k].jobName, QStringLiteral("工事%1").arg(k + 1));
            QCOMPARE(d.groups[k].spotCount, (std::array<qint16, 2>{qint16(k + 1), qint16(k + 1)}));
            QCOMPARE(d.actual(k).guards[0], qint16(2));
            QCOMPARE(d.actual(k).staff[3 * k], QStringLiteral("○"));
        }
        QCOMPARE(d.planned(0).staff[9], QString());
        QCOMPARE(d.planned(1).staff[10], QString());
        QCOMPARE(d.actual(2).staff[11], QString());

        // ← → step between the dates that have rows, the day itself passed over.
        from->setFocus();
        press(Qt::Key_Left);
        QCOMPARE(from->text(), QStringLiteral("2024/05/25"));
        press(Qt::Key_Left);
        QCOMPARE(from->text(), QStringLiteral("2024/05/25")); // none before
        press(Qt::Key_Right);
        press(Qt::Key_Right);
        QCOMPARE(from->text(), QStringLiteral("2024/05/31"));
    }

    // Marks by number in the staff cells, 予定→実績 for the group of the focus (Ctrl+R), which
    // asks before it overwrites, then 登録.
    void marksByNumberAndPlannedToActual() {
        Fixture f;
        QVERIFY(f.t.ok());
        test::MessageRecorder messages;
        EntryScreen* e = f.open();
        QVERIFY(e);
        typeInto(f.find(QStringLiteral("Text1")), QStringLiteral("現場"));
        enter(f.find(QStringLiteral("Text14")));
        enter(f.find(QStringLiteral("Text15")));
        f.find<QPushButton>(QStringLiteral("COMBTN(1)"))->click();
        QVERIFY(f.entry()
                    ->findChild<QWidget*>(QStringLiteral("page1"))
                    ->toolTip()
                    .startsWith(QStringLiteral("1  ○  出勤\n2  △  半日出勤\n3  泊  宿泊")));
        QLineEdit* first = f.find(QStringLiteral("SG1(0)"));
        first->setFocus();
        for (const char* digit : {"1", "2", "3", "9"})
            typeHere(QString::fromLatin1(digit)); // eight marks: 9 puts nothing and stays
        QCOMPARE(focusName(), QStringLiteral("SG1(3)"));
        QCOMPARE(e->day().planned(0).staff[0], QStringLiteral("○"));
        QCOMPARE(e->day().planned(0).staff[1], QStringLiteral("△"));
        QCOMPARE(e->day().planned(0).staff[2], QStringLiteral("泊"));
        QCOMPARE(e->day().planned(0).staff[3], QString());
        typeInto(f.find(QStringLiteral("SG2(1)")), QStringLiteral("有"));

        messages.answers = {false}; // keep what was typed
        press(Qt::Key_R, Qt::ControlModifier);
        QCOMPARE(messages.texts, QStringList({QStringLiteral(
                                     "実績に入力済みの 1 か所があります。予定で上書きしますか？\n"
                                     "「いいえ」は入力済みの所を残します。")}));
        QCOMPARE(f.find(QStringLiteral("SG2(0)"))->text(), QStringLiteral("○"));
        QCOMPARE(f.find(QStringLiteral("SG2(1)"))->text(), QStringLiteral("有"));
        QCOMPARE(f.find(QStringLiteral("SG2(2)"))->text(), QStringLiteral("泊"));
        press(Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(messages.texts.last(), QStringLiteral("登録終了しました。"));
        QCOMPARE(e->day().actual(0).staff[1], QStringLiteral("有"));
        QCOMPARE(e->day().actual(0).staff[2], QStringLiteral("泊"));

        // The picker numbers its marks.
        QTest::mouseClick(f.find(QStringLiteral("SG1(5)")), Qt::LeftButton);
        auto* list = f.frame->findChild<QTreeWidget*>(QStringLiteral("List1"));
        QVERIFY(list);
        QCOMPARE(list->topLevelItem(6)->text(0), QStringLiteral("7"));
        QCOMPARE(list->topLevelItem(6)->text(1), QStringLiteral("休"));
    }

    // A person in two day groups is asked about at 登録 with the other findings; "戻る" writes
    // nothing and goes to the cell.
    void aDoubleBookingIsAskedAbout() {
        Fixture f;
        QVERIFY(f.t.ok());
        test::MessageRecorder messages;
        EntryScreen* e = f.open();
        QVERIFY(e);
        for (int s = 0; s < 2; ++s) {
            typeInto(f.find(QString::fromLatin1(s == 0 ? "Text1" : "Text2")),
                     QStringLiteral("現場"));
            enter(f.find(QString::fromLatin1(s == 0 ? "Text14" : "Text18")));
            enter(f.find(QString::fromLatin1(s == 0 ? "Text15" : "Text19")));
        }
        f.find<QPushButton>(QStringLiteral("COMBTN(1)"))->click();
        typeInto(f.find(QStringLiteral("SG2(4)")), QStringLiteral("○"));
        typeInto(f.find(QStringLiteral("SG4(4)")), QStringLiteral("☆"));
        f.find<QPushButton>(QStringLiteral("COMBTN(0)"))->click();
        f.find(QStringLiteral("Text1"))->setFocus();
        messages.answers = {false};
        press(Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(messages.texts, QStringList({QStringLiteral(
                                     "作業 2 の実績「社員4」は作業 1 にも入っています（昼間）。\n"
                                     "このまま登録しますか？")}));
        QCOMPARE(f.storedRows(), qint64(0));
        QCOMPARE(focusName(), QStringLiteral("SG4(4)"));

        // A night group is another shift: no question.
        f.find<QPushButton>(QStringLiteral("COMBTN(0)"))->click();
        QTest::mouseClick(f.find<QCheckBox>(QStringLiteral("YORU(1)")), Qt::LeftButton);
        press(Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(messages.texts.last(), QStringLiteral("登録終了しました。"));
        QCOMPARE(f.storedRows(), qint64(2));
    }

    // A new day of three jobs, ten marks and fourteen counts by key events alone, with the
    // marks by number and the planned lines taken as actual: the keys are counted.
    void aNewDayByNumbersAndPlannedToActual() {
        Fixture f;
        QVERIFY(f.t.ok());
        test::MessageRecorder messages;
        EntryScreen* e = f.open();
        QVERIFY(e);
        QTRY_COMPARE(focusName(), QStringLiteral("Text1"));
        keysPressed = 0;
        for (int job = 1; job <= 3; ++job) {
            press(Qt::Key_F4);
            QTRY_VERIFY(f.frame->screen(ScreenId::ProjectPicker));
            for (int down = 1; down < job; ++down)
                press(Qt::Key_Down); // 工事1, 工事2, 工事3 stand first
            press(Qt::Key_Return);
            QTRY_VERIFY(!f.frame->screen(ScreenId::ProjectPicker));
            QTRY_VERIFY(focusName().startsWith(QStringLiteral("Text")));
            for (int i = 0; i < (job < 3 ? 9 : 3); ++i)
                press(Qt::Key_Tab); // client, the default times, then on to the next job
        }
        press(Qt::Key_2, Qt::AltModifier); // the work page, group 3
        QTRY_COMPARE(focusName(), QStringLiteral("SG5(0)"));
        for (int i = 0; i < 3; ++i)
            typeHere(QStringLiteral("1")); // columns 1 to 3
        press(Qt::Key_Up);
        press(Qt::Key_Up);
        for (int i = 0; i < 3; ++i)
            typeHere(QStringLiteral("1")); // group 2, columns 4 to 6
        press(Qt::Key_Up);
        press(Qt::Key_Up);
        for (int i = 0; i < 4; ++i)
            typeHere(QStringLiteral("1")); // group 1, columns 7 to 10
        press(Qt::Key_3, Qt::AltModifier); // the vehicle page, group 1
        QTRY_COMPARE(focusName(), QStringLiteral("SPT(0)"));
        // Group 1 left to right, group 2 right to left, group 3 left to right.
        for (const char* step :
             {"2", ">", "1", ">", ">", "1", ">", "1", "v", "v", "1", "<", "1", "<", "<", "2",
              "<", "3", "v", "v", "1", ">", "1", ">", ">", "1", ">", "1", ">", "1", ">", "1"}) {
            const char c = step[0];
            if (c == '>' || c == '<' || c == 'v')
                press(c == '>' ? Qt::Key_Right : c == '<' ? Qt::Key_Left : Qt::Key_Down);
            else
                typeHere(QString::fromLatin1(step));
        }
        press(Qt::Key_R, Qt::ControlModifier | Qt::ShiftModifier);
        press(Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(messages.texts, QStringList({QStringLiteral("登録終了しました。")}));
        qInfo("a new day of 3 jobs, 10 marks and 14 counts: %d keys", keysPressed);
        QVERIFY(keysPressed < 150);

        QCOMPARE(f.storedRows(), qint64(3));
        const DayModel& d = e->day();
        int marks = 0;
        int counts = 0;
        for (int k = 0; k < 3; ++k) {
            QCOMPARE(d.groups[k].jobName, QStringLiteral("工事%1").arg(k + 1));
            QCOMPARE(d.groups[k].startTime, QStringLiteral("09:00"));
            QCOMPARE(d.groups[k].endTime, QStringLiteral("17:00"));
            for (int c = 0; c < kStaffColumns; ++c) {
                QCOMPARE(d.actual(k).staff[c], d.planned(k).staff[c]);
                marks += d.planned(k).staff[c] == QStringLiteral("○");
            }
            QCOMPARE(d.actual(k).vehicles, d.planned(k).vehicles);
            QCOMPARE(d.groups[k].spotCount[1], d.groups[k].spotCount[0]);
            counts += d.groups[k].spotCount[0] != 0;
            for (int i = 0; i < 2; ++i)
                counts += d.planned(k).guards[i] != 0;
            for (int v = 0; v < kVehicleColumns; ++v)
                counts += d.planned(k).vehicles[v] != 0;
        }
        QCOMPARE(marks, 10);
        QCOMPARE(counts, 14);
        QCOMPARE(d.groups[1].spotCount[0], qint16(3));
    }

    // The server goes away while a day is typed: 登録 writes nothing, the frame says once that
    // the connection is lost and that the day was not registered, and the typed day stays on
    // screen; once the server takes connections again the same 登録 goes through.
    void aLostConnectionKeepsTheTypedDay() {
        VORDA_REQUIRE_SERVER();
        test::TempServerDatabase server;
        QVERIFY2(server.ok(), qPrintable(server.message()));
        NewDatabaseOptions options;
        options.today = kDay;
        const DbError created = createDatabase(server.url(), options);
        QVERIFY2(!created, qPrintable(created.message));
        Fixture f;
        f.fill(server.url());
        test::MessageRecorder messages;
        EntryScreen* e = f.open();
        QVERIFY(e);
        QTest::mouseClick(f.find(QStringLiteral("Text1")), Qt::LeftButton);
        auto* list = f.frame->findChild<QTreeWidget*>(QStringLiteral("DBList1"));
        QVERIFY(list);
        clickRow(list, list->topLevelItem(2));
        typeInto(f.find(QStringLiteral("Text5")), QStringLiteral("片側通行"));
        f.find<QPushButton>(QStringLiteral("COMBTN(1)"))->click();
        typeInto(f.find(QStringLiteral("SG1(0)")), QStringLiteral("○"));

        const QString admin = QStringLiteral("entry_admin");
        const auto allowConnections = [&](bool allow) {
            QSqlDatabase db = test::addServerConnection(test::testServerUrl(), admin);
            QSqlQuery q(db);
            const bool done =
                db.open() &&
                q.exec(QStringLiteral("ALTER DATABASE \"%1\" ALLOW_CONNECTIONS %2")
                           .arg(server.name(),
                                allow ? QStringLiteral("true") : QStringLiteral("false"))) &&
                (allow || q.exec(QStringLiteral("SELECT pg_terminate_backend(pid) FROM "
                                                "pg_stat_activity WHERE datname = '%1'")
                                     .arg(server.name())));
            if (!done)
                qWarning("%s", qPrintable(q.lastError().text() + db.lastError().text()));
            return done;
        };
        const auto dropAdmin = [&] {
            QSqlDatabase::database(admin, false).close();
            QSqlDatabase::removeDatabase(admin);
        };
        QVERIFY(allowConnections(false));
        dropAdmin();
        f.find<QPushButton>(QStringLiteral("Command3"))->click();
        const bool refusedAsLost =
            messages.texts.size() == 1 &&
            messages.texts[0].contains(QStringLiteral("接続できません")) &&
            messages.texts[0].contains(QStringLiteral("この日の日報は登録していません"));
        const QString said = messages.texts.join(u'|');
        const bool onStatus = f.frame->findChild<QLabel*>(QStringLiteral("statusText"))
                                  ->text()
                                  .contains(QStringLiteral("接続できません"));
        QVERIFY(allowConnections(true));
        dropAdmin();
        QVERIFY2(refusedAsLost, qPrintable(said));
        QVERIFY(onStatus);
        QCOMPARE(f.find(QStringLiteral("Text1"))->text(), QStringLiteral("工事3"));
        QCOMPARE(f.find(QStringLiteral("Text5"))->text(), QStringLiteral("片側通行"));
        QCOMPARE(f.find(QStringLiteral("SG1(0)"))->text(), QStringLiteral("○"));
        QVERIFY(e->hasUnsavedChanges());
        const auto storedRows = [&server] {
            Database db;
            qint64 n = -1;
            if (!db.open(server.url()))
                db.count(table::DailyReport, {{rec::Date, Condition::Op::Eq, toDbDate(kDay)}}, n);
            return n;
        };
        QCOMPARE(storedRows(), qint64(0));

        messages.texts.clear();
        f.find<QPushButton>(QStringLiteral("Command3"))->click();
        QCOMPARE(messages.texts, QStringList({QStringLiteral("登録終了しました。")}));
        QCOMPARE(storedRows(), qint64(1));
        QVERIFY(!e->hasUnsavedChanges());
    }
};

QTEST_MAIN(TestEntryScreen)
#include "tst_entry_screen.moc"
