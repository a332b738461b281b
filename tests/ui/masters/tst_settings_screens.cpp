// The system settings, trade name and purge screens, reached through the frame's menus and
// the main screen and driven by object name as a user would.

#include "core/app/app_state.h"
#include "core/data/daily_record.h"
#include "core/data/schema.h"
#include "core/masters/settings.h"
#include "support/files.h"
#include "support/message_recorder.h"
#include "support/temp_database.h"
#include "ui/app/frame_window.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace vorda;

namespace {

struct Frame {
    explicit Frame(const QString& databasePath) {
        state.databasePath = databasePath;
        state.boundDatabasePath = databasePath;
        state.iniPath = iniDir.filePath(QStringLiteral("vorda.INI"));
        state.today = [] { return QDate(2026, 12, 8); };
        frame = std::make_unique<FrameWindow>(state);
        frame->resize(780, 760);
        frame->show();
        frame->start(IniReadResult());
    }
    QLineEdit* field(QWidget* screen, int n) const {
        return screen->findChild<QLineEdit*>(QStringLiteral("Text%1").arg(n));
    }
    void click(QWidget* screen, const char* button) const {
        screen->findChild<QPushButton*>(QString::fromLatin1(button))->click();
    }
    // Replaces a field's text by typing, as the keyboard would.
    void type(QWidget* screen, int n, const QString& text) const {
        QLineEdit* e = field(screen, n);
        e->selectAll();
        QTest::keyClick(e, Qt::Key_Backspace);
        for (QChar c : text) // one event per character: keyClicks knows no Japanese
            QTest::sendKeyEvent(QTest::Click, e, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }

    // Types the fields in the order given, answers the question as told, clicks "整理開始"
    // and gives the texts shown.
    QStringList startPurge(QWidget* screen,
                           std::initializer_list<std::pair<int, const char*>> typed,
                           QList<bool> answers = {}) {
        for (const auto& [n, text] : typed)
            type(screen, n, QString::fromUtf8(text));
        messages.texts.clear();
        messages.answers = answers;
        click(screen, "Command1");
        return messages.texts;
    }

    test::MessageRecorder messages;
    QTemporaryDir iniDir;
    AppState state;
    std::unique_ptr<FrameWindow> frame;
};

// Daily report rows on these dates.
void addReports(const QString& path, const QStringList& dates) {
    Database db;
    if (db.open(path))
        return;
    for (const QString& d : dates) {
        QVariantList row(rec::FieldCount);
        row[rec::Date] = d;
        row[rec::JobName] = QStringLiteral("舗装工事");
        db.insert(table::DailyReport, row);
    }
}

QStringList filesBeside(const QString& path) {
    return QDir(QFileInfo(path).absolutePath()).entryList(QDir::Files, QDir::Name);
}

} // namespace

class TestSettingsScreens : public QObject {
    Q_OBJECT
private slots:
    void theMenusAndTheMainScreenOpenThem() {
        test::TempDatabase t;
        QVERIFY(t.ok());
        Frame f(t.path());
        const struct {
            int menu, index;
            ScreenId id;
            const char* objectName;
        } entries[] = {{2, 2, ScreenId::SystemSettings, "Form15"},
                       {2, 3, ScreenId::TradeName, "Form19"},
                       {3, 0, ScreenId::Purge, "Form4"}};
        for (const auto& e : entries) {
            QAction* a = f.frame->menuEntry(e.menu, e.index);
            QVERIFY(a->isEnabled());
            a->trigger();
            QWidget* w = f.frame->screen(e.id);
            QVERIFY(w);
            QCOMPARE(w->objectName(), QString::fromLatin1(e.objectName));
        }
        f.frame->screen(ScreenId::Purge)->close();
        QApplication::processEvents();
        QWidget* main = f.frame->screen(ScreenId::Main);
        auto* purge = main->findChild<QPushButton*>(QStringLiteral("Command13"));
        QVERIFY(purge->isEnabled());
        purge->click();
        QVERIFY(f.frame->screen(ScreenId::Purge));
        QVERIFY(f.messages.texts.isEmpty());
    }

    // Enter on a focused button presses it, as on the main and entry screens.
    void enterPressesTheFocusedButton_data() {
        QTest::addColumn<int>("screen");
        QTest::addColumn<QString>("button");
        QTest::newRow("system settings") << int(ScreenId::SystemSettings) << "Command2";
        QTest::newRow("trade name") << int(ScreenId::TradeName) << "Command2";
        QTest::newRow("print settings") << int(ScreenId::PrintSettings) << "Command2";
        QTest::newRow("data location") << int(ScreenId::DataLocation) << "Command2";
        QTest::newRow("further registrations") << int(ScreenId::FurtherRegistrations) << "Command1";
        QTest::newRow("employee master") << int(ScreenId::EmployeeMaster) << "Command1";
    }
    void enterPressesTheFocusedButton() {
        QFETCH(int, screen);
        QFETCH(QString, button);
        test::TempDatabase t;
        QVERIFY(t.ok());
        Frame f(t.path());
        QWidget* w = f.frame->openScreen(ScreenId(screen));
        QVERIFY(w);
        auto* b = w->findChild<QPushButton*>(button);
        QVERIFY(b);
        QCOMPARE(b->text(), QStringLiteral("終了"));
        b->setFocus();
        QTest::keyClick(b, Qt::Key_Return);
        QTRY_VERIFY(!f.frame->screen(ScreenId(screen)));
        QVERIFY2(f.messages.texts.isEmpty(), qPrintable(f.messages.texts.join(u'|')));
    }

    void anUnreadableFileOpensNoSettingsScreen() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("VORDA.db"));
        QVERIFY(test::writeFile(path, "not a database"));
        Frame f(path);
        f.messages.texts.clear();
        QVERIFY(!f.frame->openScreen(ScreenId::SystemSettings));
        QVERIFY(!f.frame->openScreen(ScreenId::TradeName));
        QCOMPARE(f.messages.texts.size(), 2);
        QVERIFY(f.messages.texts[0].contains(QStringLiteral("VORDAのデータベースではありません")));
        QCOMPARE(test::readFile(path), QByteArray("not a database"));
    }

    void systemSettingsRegister() {
        test::TempDatabase t;
        QVERIFY(t.ok());
        Frame f(t.path());
        QWidget* w = f.frame->openScreen(ScreenId::SystemSettings);
        QVERIFY(w);
        QCOMPARE(w->windowTitle(), QStringLiteral("システム登録"));
        QCOMPARE(f.field(w, 3)->text(), QStringLiteral("3"));
        QCOMPARE(f.field(w, 4)->text(), QStringLiteral("31"));
        auto* done = w->findChild<QLabel*>(QStringLiteral("confirmation"));

        // A closing day beyond 31: named, its field selected, the file untouched.
        const QByteArray before = test::fileHash(t.path());
        f.type(w, 1, QStringLiteral("32"));
        f.type(w, 4, QStringLiteral("20"));
        f.click(w, "Command1");
        QCOMPARE(
            f.messages.texts,
            QStringList({QStringLiteral("月報締日は 1 から 31 までの整数で入力してください。")}));
        QCOMPARE(w->focusWidget(), f.field(w, 1));
        QCOMPARE(f.field(w, 1)->selectedText(), QStringLiteral("32"));
        QCOMPARE(test::fileHash(t.path()), before);
        QVERIFY(done->text().isEmpty());

        f.messages.texts.clear();
        f.type(w, 1, QStringLiteral("25"));
        f.type(w, 3, QStringLiteral("12"));
        f.click(w, "Command1");
        QVERIFY(f.messages.texts.isEmpty());
        QCOMPARE(done->text(), QStringLiteral("登録しました。"));
        QCOMPARE(f.frame->screen(ScreenId::SystemSettings), w); // still open
        SystemSettingsTexts stored;
        QVERIFY(!readSystemSettings(t.path(), stored));
        QCOMPARE(stored.monthlyClosingDay, QStringLiteral("25"));
        QCOMPARE(stored.yearEndMonth + u'/' + stored.yearEndDay, QStringLiteral("12/20"));
        // The next edit takes the confirmation away.
        f.type(w, 8, QStringLiteral("平成"));
        QVERIFY(done->text().isEmpty());

        // Another data location meanwhile: neither file takes the fields read from the first;
        // the screen shows the new file's row.
        test::TempDatabase other;
        QVERIFY(other.ok());
        const QByteArray first = test::fileHash(t.path());
        const QByteArray second = test::fileHash(other.path());
        f.state.databasePath = other.path();
        f.messages.texts.clear();
        f.click(w, "Command1");
        QCOMPARE(f.messages.texts.size(), 1);
        QVERIFY(f.messages.texts[0].startsWith(QStringLiteral("データ環境が変わりました。")));
        QCOMPARE(test::fileHash(t.path()), first);
        QCOMPARE(test::fileHash(other.path()), second);
        QCOMPARE(f.field(w, 1)->text(), QStringLiteral("31"));
        QCOMPARE(f.field(w, 8)->text(), QStringLiteral("令和"));
        f.type(w, 1, QStringLiteral("15"));
        f.click(w, "Command1");
        QCOMPARE(done->text(), QStringLiteral("登録しました。"));
        QVERIFY(!readSystemSettings(other.path(), stored));
        QCOMPARE(stored.monthlyClosingDay, QStringLiteral("15"));
    }

    void tradeNameRegister() {
        test::TempDatabase t(true);
        QVERIFY(t.ok());
        Frame f(t.path());
        QWidget* w = f.frame->openScreen(ScreenId::TradeName);
        QVERIFY(w);
        QCOMPARE(w->windowTitle(), QStringLiteral("屋号"));
        QCOMPARE(f.field(w, 1)->text(), QStringLiteral("株式会社 北斗建設"));
        f.field(w, 7)->clear();
        f.click(w, "Command1");
        QCOMPARE(w->findChild<QLabel*>(QStringLiteral("confirmation"))->text(),
                 QStringLiteral("登録しました。"));
        TradeNameTexts stored;
        QVERIFY(!readTradeName(t.path(), stored));
        QCOMPARE(stored[6], QString());
        QCOMPARE(stored[0], QStringLiteral("株式会社 北斗建設"));
    }

    void purge() {
        test::TempDatabase t;
        QVERIFY(t.ok());
        addReports(t.path(),
                   {"1999-03-30", "1999-03-31", "1999-04-01", "2000-12-31", "2001-01-02"});
        Frame f(t.path());
        QWidget* w = f.frame->openScreen(ScreenId::Purge);
        QVERIFY(w);
        QCOMPARE(f.field(w, 1)->text() + u'/' + f.field(w, 2)->text() + u'/' +
                     f.field(w, 3)->text(),
                 QStringLiteral("1995/1/1"));
        const QString path = t.path();

        const QStringList badDate = {QStringLiteral("日付が正しくありません。")};
        // 31 April is no day at all.
        QCOMPARE(f.startPurge(w, {{2, "4"}, {3, "31"}, {1, "1999"}}), badDate);
        // A year after this one, then another month: the year is still checked.
        const QStringList later = {QStringLiteral("今日より後の日付は指定できません。")};
        QCOMPARE(f.startPurge(w, {{3, "1"}, {1, "2027"}, {2, "2"}}), later);
        // Later this year: today's reports are not the purge's to take.
        QCOMPARE(f.startPurge(w, {{1, "2026"}, {2, "12"}, {3, "31"}}), later);

        // "No" deletes nothing; the question says what would go.
        const QByteArray before = test::fileHash(path);
        QCOMPARE(f.startPurge(w, {{1, "1999"}, {2, "3"}, {3, "31"}}),
                 QStringList(
                     {QStringLiteral(
                          "1999/03/30 から 1999/03/31 までの日報 2 件を削除します。\n削除しますか"),
                      QStringLiteral("中止します。")}));
        QCOMPARE(test::fileHash(path), before);

        // "Yes": that day and before go, 1 April stays; the copy lies beside the file.
        QStringList shown = f.startPurge(w, {}, {true});
        QCOMPARE(shown.size(), 2);
        QVERIFY2(shown[1].startsWith(QStringLiteral("削除完了しました。")) &&
                     shown[1].contains(QStringLiteral("2 件")),
                 qPrintable(shown[1]));
        QCOMPARE(test::reportDates(path), QStringList({"1999-04-01", "2000-12-31", "2001-01-02"}));
        QStringList files = filesBeside(path);
        files.removeAll(QStringLiteral("VORDA.db"));
        QCOMPARE(files.size(), 1);
        QVERIFY(files[0].startsWith(QStringLiteral("VORDA_backup_20261208_")));
        const QString backup = QDir(QFileInfo(path).absolutePath()).filePath(files[0]);
        QVERIFY(shown[1].contains(QDir::toNativeSeparators(backup)));
        QCOMPARE(f.frame->screen(ScreenId::Purge), w);

        // Nothing left up to that day.
        QCOMPARE(f.startPurge(w, {}, {true}),
                 QStringList({QStringLiteral("データがありません。")}));
        QCOMPARE(filesBeside(path).size(), 2);

        // A year after 2000, typed last.
        QVERIFY(QFile::remove(backup)); // a second purge within the same second takes its name
        shown = f.startPurge(w, {{3, "1"}, {2, "1"}, {1, "2001"}}, {true});
        QCOMPARE(shown.size(), 2);
        QVERIFY2(shown[1].contains(QStringLiteral("2 件")), qPrintable(shown[1]));
        QCOMPARE(test::reportDates(path), QStringList({"2001-01-02"}));
    }
};

QTEST_MAIN(TestSettingsScreens)
#include "tst_settings_screens.moc"
