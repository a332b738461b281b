// The data location screen: registering, choosing an existing file, creating a new one.

#include "core/app/app_state.h"
#include "support/message_recorder.h"
#include "support/files.h"
#include "support/temp_database.h"
#include "ui/app/data_location_screen.h"

#include <QFile>
#include <QStringEncoder>
#include <QLineEdit>
#include <QPushButton>
#include <QLabel>
#include <QTest>

using namespace vorda;

namespace {

} // namespace

class TestDataLocation : public QObject {
    Q_OBJECT
private slots:
    void registeringChangesOnlyTheFirstLine() {
        test::TempDatabase oldDb, newDb;
        QVERIFY(oldDb.ok() && newDb.ok());
        AppState s;
        s.iniPath = oldDb.filePath(QStringLiteral("vorda.INI"));
        QVERIFY(test::writeFile(s.iniPath, QStringEncoder("windows-31j").encode(oldDb.path() + QStringLiteral("\r\n予備\r\n 9 \r\n 1 \r\n"))));
        test::MessageRecorder messages;
        DataLocationScreen screen(s);
        auto* field = screen.findChild<QLineEdit*>(QStringLiteral("Text1"));
        QCOMPARE(field->text(), oldDb.path()); // read from the file on opening
        QCOMPARE(screen.findChild<QPushButton*>(QStringLiteral("Command1"))->text(), QStringLiteral("登録"));
        QCOMPARE(screen.findChild<QPushButton*>(QStringLiteral("Command2"))->text(), QStringLiteral("終了"));

        field->setText(newDb.path());
        QTest::mouseClick(screen.findChild<QPushButton*>(QStringLiteral("Command1")), Qt::LeftButton);
        QVERIFY(messages.texts.isEmpty()); // a good path registers without a box,
        auto* confirmation = screen.findChild<QLabel*>(QStringLiteral("confirmation"));
        QCOMPARE(confirmation->text(), QStringLiteral("データの場所を登録しました。")); // said in the screen
        QCOMPARE(s.databasePath, newDb.path());
        // The lists bound to the file follow it at once: no picker shows the old firm's rows.
        QCOMPARE(s.boundDatabasePath, newDb.path());
        const QByteArray expected =
            QStringEncoder("windows-31j").encode(newDb.path() + QStringLiteral("\r\n予備\r\n 9 \r\n 1 \r\n"));
        QCOMPARE(test::readFile(s.iniPath), expected);

        field->setText(oldDb.path());
        QCOMPARE(confirmation->text(), QString()); // typing again: not registered yet

        DataLocationScreen reopened(s);
        QCOMPARE(s.boundDatabasePath, newDb.path());
    }

    void aPathThatIsNoDatabaseIsRegisteredOnlyWhenConfirmed() {
        QTemporaryDir dir;
        AppState s;
        s.iniPath = dir.filePath(QStringLiteral("vorda.INI"));
        test::MessageRecorder messages;
        DataLocationScreen screen(s);
        auto* field = screen.findChild<QLineEdit*>(QStringLiteral("Text1"));
        field->setText(dir.filePath(QStringLiteral("未作成/VORDA.db")));
        messages.answers = {false};
        screen.registerPath();
        QCOMPARE(messages.texts.size(), 1);
        QVERIFY(messages.texts[0].contains(QStringLiteral("このまま登録しますか")));
        QVERIFY(!QFile::exists(s.iniPath));

        messages.answers = {true};
        screen.registerPath();
        AppState r;
        r.iniPath = s.iniPath;
        INIREAD(r);
        QCOMPARE(r.databasePath, dir.filePath(QStringLiteral("未作成/VORDA.db")));

        // A path that would not read back is refused: neither the file nor the state change.
        const QByteArray before = test::readFile(s.iniPath);
        messages.texts.clear();
        messages.answers = {true};
        field->setText(dir.filePath(QStringLiteral("4月〜6月/VORDA.db")));
        screen.registerPath();
        QCOMPARE(messages.texts.size(), 2); // the question, then why it was not written
        QCOMPARE(test::readFile(s.iniPath), before);
        QCOMPARE(s.databasePath, r.databasePath);
    }

    void browsingRefusesAFileThatIsNotOurs() {
        test::TempDatabase t;
        QVERIFY(t.ok());
        const QString memo = t.filePath(QStringLiteral("memo.txt"));
        QVERIFY(test::writeFile(memo, "memo"));
        AppState s;
        s.iniPath = t.filePath(QStringLiteral("vorda.INI"));
        test::MessageRecorder messages;
        DataLocationScreen screen(s);
        auto* field = screen.findChild<QLineEdit*>(QStringLiteral("Text1"));
        screen.chooseExisting = [&](QWidget*) { return memo; };
        screen.browse();
        QCOMPARE(messages.texts.size(), 1);
        QVERIFY(messages.texts[0].contains(QStringLiteral("VORDAのデータベースではありません")));
        QCOMPARE(field->text(), QString());
        QCOMPARE(test::readFile(memo), QByteArray("memo"));

        screen.chooseExisting = [&](QWidget*) { return t.path(); };
        screen.browse();
        QCOMPARE(field->text(), t.path());
        QCOMPARE(messages.texts.size(), 1);
        QVERIFY(!QFile::exists(s.iniPath)); // chosen, not yet registered
    }

    void creatingANewDatabaseRegistersIt() {
        QTemporaryDir dir;
        AppState s;
        s.iniPath = dir.filePath(QStringLiteral("vorda.INI"));
        s.today = [] { return QDate(2024, 4, 1); };
        test::MessageRecorder messages;
        DataLocationScreen screen(s);
        const QString path = dir.filePath(QStringLiteral("新しい会社.db"));
        screen.chooseNew = [&](QWidget*) { return path; };
        screen.createNew();
        QCOMPARE(messages.texts.size(), 1);
        Database db;
        VORDA_OPEN(db, path);
        QCOMPARE(screen.findChild<QLineEdit*>(QStringLiteral("Text1"))->text(), path);
        AppState r;
        r.iniPath = s.iniPath;
        INIREAD(r);
        QCOMPARE(r.databasePath, path);

        // An existing file is never overwritten.
        const QByteArray before = test::readFile(path);
        messages.texts.clear();
        screen.createNew();
        QCOMPARE(messages.texts.size(), 1);
        QVERIFY(messages.texts[0].contains(QStringLiteral("上書きはしません")));
        QCOMPARE(test::readFile(path), before);
    }

    // "旧データの取り込み…" on an Access file without our tables: the tables are named, no
    // file is made, nothing is registered.
    void importingAFileWithoutOurTablesMakesNothing() {
        QTemporaryDir dir;
        AppState s;
        s.iniPath = dir.filePath(QStringLiteral("vorda.INI"));
        test::MessageRecorder messages;
        DataLocationScreen screen(s);
        const QString target = dir.filePath(QStringLiteral("取り込み.db"));
        screen.chooseAccessFile = [](QWidget*) {
            return QStringLiteral(VORDA_TEST_DATA "/node-adodb.mdb");
        };
        screen.chooseNew = [&](QWidget*) { return target; };
        auto* button = screen.findChild<QPushButton*>(QStringLiteral("Command5"));
        QCOMPARE(button->text(), QStringLiteral("旧データの取り込み…"));
        button->click();
        QCOMPARE(messages.texts.size(), 1);
        QVERIFY2(messages.texts[0].contains(QStringLiteral("次の表がありません: 社員、車両")),
                 qPrintable(messages.texts[0]));
        QVERIFY(!QFile::exists(target));
        QVERIFY(!QFile::exists(s.iniPath));
        QCOMPARE(screen.findChild<QLineEdit*>(QStringLiteral("Text1"))->text(), QString());
    }
};

QTEST_MAIN(TestDataLocation)
#include "tst_data_location.moc"
