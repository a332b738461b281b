// The data location screen: registering a file or a server, choosing an existing file,
// creating a new one, and the backups: their folder, a copy now, a restore from the list.
// The session that owns the location, and the question for a server's password.

#include "core/app/app_state.h"
#include "core/app/session.h"
#include "core/data/backup.h"
#include "core/data/new_database.h"
#include "support/files.h"
#include "support/message_recorder.h"
#include "support/temp_database.h"
#include "support/test_server.h"
#include "ui/app/data_location_screen.h"
#include "ui/app/frame_window.h"
#include "ui/app/password_question.h"
#include "ui/app/restore_list.h"

#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSignalSpy>
#include <QStringEncoder>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <thread>

using namespace vorda;

namespace {

QByteArray iniBytes(const QString& firstLine) {
    return QStringEncoder("windows-31j")
        .encode(firstLine + QStringLiteral("\r\n\r\n 12 \r\n 2 \r\n"));
}

} // namespace

class TestDataLocation : public QObject {
    Q_OBJECT
private slots:
    void registeringChangesOnlyTheFirstLine() {
        test::TempDatabase oldDb, newDb;
        QVERIFY(oldDb.ok() && newDb.ok());
        AppState s;
        s.iniPath = oldDb.filePath(QStringLiteral("vorda.INI"));
        QVERIFY(test::writeFile(
            s.iniPath, QStringEncoder("windows-31j")
                           .encode(oldDb.path() + QStringLiteral("\r\n予備\r\n 9 \r\n 1 \r\n"))));
        test::MessageRecorder messages;
        Session session(s);
        QSignalSpy changed(&session, &Session::locationChanged);
        DataLocationScreen screen(s, session);
        auto* field = screen.findChild<QLineEdit*>(QStringLiteral("Text1"));
        QCOMPARE(field->text(), oldDb.path()); // read from the file on opening
        QCOMPARE(session.location(), oldDb.path());
        QCOMPARE(screen.findChild<QPushButton*>(QStringLiteral("Command1"))->text(),
                 QStringLiteral("登録"));
        QCOMPARE(screen.findChild<QPushButton*>(QStringLiteral("Command2"))->text(),
                 QStringLiteral("終了"));

        field->setText(newDb.path());
        QTest::mouseClick(screen.findChild<QPushButton*>(QStringLiteral("Command1")),
                          Qt::LeftButton);
        QVERIFY(messages.texts.isEmpty()); // a good path registers without a box,
        auto* confirmation = screen.findChild<QLabel*>(QStringLiteral("confirmation"));
        QCOMPARE(confirmation->text(),
                 QStringLiteral("データの場所を登録しました。")); // said in the screen
        QCOMPARE(s.databasePath, newDb.path());
        // The lists bound to the file follow it at once: no picker shows the old firm's rows.
        QCOMPARE(s.boundDatabasePath, newDb.path());
        QCOMPARE(session.location(), newDb.path());
        QCOMPARE(changed.count(), 2);
        QCOMPARE(changed.last().value(0).toString(), newDb.path());
        const QByteArray expected =
            QStringEncoder("windows-31j")
                .encode(newDb.path() + QStringLiteral("\r\n予備\r\n 9 \r\n 1 \r\n"));
        QCOMPARE(test::readFile(s.iniPath), expected);

        field->setText(oldDb.path());
        QCOMPARE(confirmation->text(), QString()); // typing again: not registered yet

        DataLocationScreen reopened(s, session);
        QCOMPARE(s.boundDatabasePath, newDb.path());
        QCOMPARE(changed.count(), 2); // nothing changed by opening it again
    }

    void aPathThatIsNoDatabaseIsRegisteredOnlyWhenConfirmed() {
        QTemporaryDir dir;
        AppState s;
        s.iniPath = dir.filePath(QStringLiteral("vorda.INI"));
        test::MessageRecorder messages;
        Session session(s);
        DataLocationScreen screen(s, session);
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
        Session session(s);
        DataLocationScreen screen(s, session);
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
        Session session(s);
        DataLocationScreen screen(s, session);
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

    void backupsMadeMovedAndRestored() {
        test::TempDatabase t(true);
        QVERIFY(t.ok());
        QTemporaryDir settings;
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings.path());
        AppState s;
        s.iniPath = t.filePath(QStringLiteral("vorda.INI"));
        s.today = [] { return QDate(2024, 6, 14); };
        QVERIFY(
            test::writeFile(s.iniPath, QFile::encodeName(t.path()) + "\r\n\r\n 12 \r\n 2 \r\n"));
        const QByteArray ini = test::readFile(s.iniPath);
        test::MessageRecorder messages;
        FrameWindow frame(s);
        auto* screen = qobject_cast<DataLocationScreen*>(frame.openScreen(ScreenId::DataLocation));
        QVERIFY(screen);
        auto* folder = screen->findChild<QLineEdit*>(QStringLiteral("BackupFolder"));
        auto* newest = screen->findChild<QLabel*>(QStringLiteral("BackupNewest"));
        const QString beside = t.filePath(QStringLiteral("バックアップ"));
        QCOMPARE(folder->text(), beside);
        QCOMPARE(newest->text(), QStringLiteral("まだありません"));
        QCOMPARE(screen->findChild<QPushButton*>(QStringLiteral("Command5"))->text(),
                 QStringLiteral("変更…"));

        QTest::mouseClick(screen->findChild<QPushButton*>(QStringLiteral("Command6")),
                          Qt::LeftButton);
        QCOMPARE(messages.texts.size(), 1);
        QVERIFY2(messages.texts[0].startsWith(QStringLiteral("バックアップを作成しました。")),
                 qPrintable(messages.texts[0]));
        const std::vector<BackupCopy> made = listBackups(beside, t.path());
        QCOMPARE(made.size(), size_t(1));
        QVERIFY(newest->text().contains(QFileInfo(made[0].path).fileName()));

        // Another folder: kept in the user's settings, never in vorda.INI; a file is refused.
        const QString plain = t.filePath(QStringLiteral("plain"));
        QVERIFY(test::writeFile(plain, "x"));
        const QString elsewhere = settings.filePath(QStringLiteral("copies"));
        QVERIFY(QDir().mkpath(elsewhere));
        QString offered = plain;
        screen->chooseBackupFolder = [&](QWidget*) { return offered; };
        messages.texts.clear();
        screen->changeBackupFolder();
        QCOMPARE(messages.texts.size(), 1);
        QCOMPARE(folder->text(), beside);
        offered = elsewhere;
        screen->changeBackupFolder();
        QCOMPARE(folder->text(), elsewhere);
        QCOMPARE(newest->text(), QStringLiteral("まだありません"));
        QVERIFY(test::readFile(settings.filePath(QStringLiteral("vorda/window.ini")))
                    .contains("copies"));
        QCOMPARE(test::readFile(s.iniPath), ini);
        offered = beside;
        screen->changeBackupFolder();
        QCOMPARE(chosenBackupFolder(), QString());
        QCOMPARE(folder->text(), beside);

        // The restore list, newest first, with each copy's facts; one question, then the file
        // is the copy again and every open screen hears of it.
        qint64 rows = 0;
        {
            Database db;
            VORDA_OPEN(db, t.path());
            QVERIFY(!db.count(table::DailyReport, {}, rows));
            QVERIFY(!db.exec(QStringLiteral("DELETE FROM \"VORDA工事\"")));
        }
        QVERIFY(rows > 0);
        QStringList listed;
        screen->chooseCopy = [&](QWidget* parent, const QString& database,
                                 const std::vector<BackupCopy>& copies) {
            RestoreList list(database, copies, parent);
            QTableWidget* table = list.table();
            for (int r = 0; r < table->rowCount(); ++r) {
                QStringList row;
                for (int c = 0; c < table->columnCount(); ++c)
                    row << table->item(r, c)->text();
                listed << row.join(u'|');
            }
            return list.chosen();
        };
        const QByteArray emptied = test::fileHash(t.path());
        QSignalSpy changed(&frame.session(), &Session::locationChanged);
        messages.texts.clear();
        messages.answers = {false};
        screen->restore();
        QCOMPARE(listed.size(), 1);
        QVERIFY2(
            listed[0].startsWith(made[0].stamp.toString(QStringLiteral("yyyy/MM/dd HH:mm:ss"))) &&
                listed[0].contains(QStringLiteral("|%1 件|").arg(rows)),
            qPrintable(listed[0]));
        QCOMPARE(messages.texts.size(), 1); // the question, naming what is replaced by what
        QVERIFY2(messages.texts[0].contains(t.path()) && messages.texts[0].contains(made[0].path) &&
                     messages.texts[0].contains(QStringLiteral("日報 0 件")),
                 qPrintable(messages.texts[0]));
        QCOMPARE(test::fileHash(t.path()), emptied);
        QCOMPARE(changed.count(), 0);

        messages.texts.clear();
        messages.answers = {true};
        screen->restore();
        QCOMPARE(messages.texts.size(), 2);
        QVERIFY2(messages.texts[1].startsWith(QStringLiteral("復元しました")),
                 qPrintable(messages.texts[1]));
        QCOMPARE(changed.count(), 1);
        Database db;
        VORDA_OPEN(db, t.path());
        qint64 restored = 0;
        QVERIFY(!db.count(table::DailyReport, {}, restored));
        QCOMPARE(restored, rows);
        QCOMPARE(listBackups(beside, t.path()).size(), size_t(2)); // the emptied file is kept

        // A day's copy that fails: on the status line each time, in a box only the first time.
        messages.texts.clear();
        frame.backupReported(t.path(), QString(), QStringLiteral("ディスクの空きがありません。"));
        frame.backupReported(t.path(), QString(), QStringLiteral("ディスクの空きがありません。"));
        QCOMPARE(messages.texts.size(), 1);
        QVERIFY(frame.findChild<QLabel*>(QStringLiteral("statusText"))
                    ->text()
                    .contains(QStringLiteral("ディスクの空き")));
    }

    // "旧データの取り込み…" on an Access file without our tables: the tables are named, no
    // file is made, nothing is registered.
    void importingAFileWithoutOurTablesMakesNothing() {
        QTemporaryDir dir;
        AppState s;
        s.iniPath = dir.filePath(QStringLiteral("vorda.INI"));
        test::MessageRecorder messages;
        Session session(s);
        DataLocationScreen screen(s, session);
        const QString target = dir.filePath(QStringLiteral("取り込み.db"));
        screen.chooseAccessFile = [](QWidget*) {
            return QStringLiteral(VORDA_TEST_DATA "/node-adodb.mdb");
        };
        screen.chooseNew = [&](QWidget*) { return target; };
        auto* button = screen.findChild<QPushButton*>(QStringLiteral("Command8"));
        QCOMPARE(button->text(), QStringLiteral("旧データの取り込み…"));
        button->click();
        QCOMPARE(messages.texts.size(), 1);
        QVERIFY2(messages.texts[0].contains(QStringLiteral("次の表がありません: 社員、車両")),
                 qPrintable(messages.texts[0]));
        QVERIFY(!QFile::exists(target));
        QVERIFY(!QFile::exists(s.iniPath));
        QCOMPARE(screen.findChild<QLineEdit*>(QStringLiteral("Text1"))->text(), QString());
    }

    // サーバー: registered only when the server answers and its database holds our tables;
    // otherwise the reason is shown and neither vorda.INI nor the location in use changes.
    void aServerIsRegisteredOnlyWhenItAnswersWithOurTables_data() {
        QTest::addColumn<bool>("ourTables");
        QTest::addColumn<bool>("startOnServer"); // vorda.INI names the server already
        QTest::addColumn<QString>("port");       // empty: the test server's
        QTest::addColumn<QString>("blank");      // a field left empty
        QTest::addColumn<QString>("refusal");    // empty: registered
        QTest::newRow("a database with our tables")
            << true << false << QString() << QString() << QString();
        QTest::newRow("the same server again, its options kept")
            << true << true << QString() << QString() << QString();
        QTest::newRow("nothing listens on the port")
            << true << false << QStringLiteral("1") << QString()
            << QStringLiteral("に接続できません");
        QTest::newRow("a database without our tables")
            << false << false << QString() << QString()
            << QStringLiteral("のデータベースにはVORDAの表がありません");
        QTest::newRow("no database typed")
            << true << false << QString() << QStringLiteral("ServerDatabase")
            << QStringLiteral("サーバーのデータベースを入力してください。");
    }
    void aServerIsRegisteredOnlyWhenItAnswersWithOurTables() {
        QFETCH(bool, ourTables);
        QFETCH(bool, startOnServer);
        QFETCH(QString, port);
        QFETCH(QString, blank);
        QFETCH(QString, refusal);
        VORDA_REQUIRE_SERVER();
        test::TempServerDatabase server;
        QVERIFY2(server.ok(), qPrintable(server.message()));
        if (ourTables) {
            NewDatabaseOptions options;
            options.today = QDate(2024, 6, 14);
            const DbError e = createDatabase(server.url(), options);
            QVERIFY2(!e, qPrintable(e.message));
        }
        ServerLocation at;
        QString why;
        QVERIFY2(parseServerLocation(server.url(), at, why), qPrintable(why));

        QTemporaryDir dir;
        AppState s;
        s.iniPath = dir.filePath(QStringLiteral("vorda.INI"));
        const QString withOptions = server.url() + QStringLiteral("?sslmode=disable");
        const QString before =
            startOnServer ? withOptions : dir.filePath(QStringLiteral("VORDA.db"));
        QVERIFY(test::writeFile(s.iniPath, iniBytes(before)));
        const QByteArray ini = test::readFile(s.iniPath);
        s.databasePath = before;
        Session session(s);
        QSignalSpy changed(&session, &Session::locationChanged);
        test::MessageRecorder messages;
        DataLocationScreen screen(s, session);
        const auto field = [&screen](const char* name) {
            return screen.findChild<QLineEdit*>(QLatin1String(name));
        };
        QCOMPARE(field("ServerPort")->text(),
                 startOnServer ? QString::number(at.port) : QStringLiteral("5432"));
        QCOMPARE(screen.onServer(), startOnServer);
        if (!startOnServer) {
            screen.findChild<QRadioButton*>(QStringLiteral("KindServer"))->click();
            QVERIFY(screen.onServer());
            field("ServerHost")->setText(at.host);
            field("ServerPort")->setText(QString::number(at.port));
            field("ServerDatabase")->setText(at.database);
            field("ServerUser")->setText(at.user);
        }
        if (!port.isEmpty())
            field("ServerPort")->setText(port);
        if (!blank.isEmpty())
            screen.findChild<QLineEdit*>(blank)->clear();
        screen.findChild<QPushButton*>(QStringLiteral("Command1"))->click();
        auto* confirmation = screen.findChild<QLabel*>(QStringLiteral("confirmation"));

        if (!refusal.isEmpty()) {
            QCOMPARE(messages.texts.size(), 1);
            QVERIFY2(messages.texts[0].contains(refusal), qPrintable(messages.texts[0]));
            QCOMPARE(test::readFile(s.iniPath), ini);
            QCOMPARE(s.databasePath, before);
            QCOMPARE(session.location(), before);
            QCOMPARE(changed.count(), 0);
            QCOMPARE(confirmation->text(), QString());
            return;
        }
        QVERIFY2(messages.texts.isEmpty(), qPrintable(messages.texts.join(u'\n')));
        QCOMPARE(confirmation->text(), QStringLiteral("データの場所を登録しました。"));
        const QString registered = startOnServer ? withOptions : server.url();
        QCOMPARE(test::readFile(s.iniPath), iniBytes(registered));
        QCOMPARE(session.location(), registered);
        QCOMPARE(s.databasePath, registered);
        QCOMPARE(changed.count(), 1);

        // Opened again, the screen shows the server as registered.
        DataLocationScreen reopened(s, session);
        QVERIFY(reopened.onServer());
        QCOMPARE(reopened.findChild<QLineEdit*>(QStringLiteral("ServerHost"))->text(), at.host);
        QCOMPARE(reopened.findChild<QLineEdit*>(QStringLiteral("ServerDatabase"))->text(),
                 at.database);
        QCOMPARE(changed.count(), 1);
    }

    // The session: the one writer of the location in use. Another location closes the
    // connections kept for the old one; a lost connection is said through it, other errors
    // are left to the screen.
    void theSessionOwnsTheLocation() {
        test::TempDatabase first, second;
        QVERIFY(first.ok() && second.ok());
        AppState s;
        s.databasePath = first.path();
        Session session(s);
        QSignalSpy changed(&session, &Session::locationChanged);
        QSignalSpy lost(&session, &Session::connectionLost);
        Database::releaseKeptConnections(); // those of the tests before
        {
            Database db;
            VORDA_OPEN(db, first.path());
        }
        const auto keptOpen = [] {
            int open = 0;
            for (const QString& name : QSqlDatabase::connectionNames())
                open += QSqlDatabase::database(name, false).isOpen() ? 1 : 0;
            return open;
        };
        QCOMPARE(keptOpen(), 1); // kept for the next operation on the first file
        session.setLocation(second.path());
        QCOMPARE(keptOpen(), 0);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(s.databasePath, second.path());
        QCOMPARE(s.boundDatabasePath, second.path());

        QVERIFY(!session.reportFailure(DbError{DbErrorKind::Locked, QStringLiteral("使用中")}));
        QCOMPARE(lost.count(), 0);
        QVERIFY(session.reportFailure(
            DbError{DbErrorKind::Unreachable, QStringLiteral("接続できません")}));
        QCOMPARE(lost.count(), 1);
        QCOMPARE(lost[0][0].toString(), QStringLiteral("接続できません"));
    }

    // The password question: the text names the server and the user, what is typed is not
    // shown, and a cancel gives no password.
    void thePasswordQuestion_data() {
        QTest::addColumn<bool>("again");
        QTest::addColumn<bool>("accept");
        QTest::addColumn<QString>("expected");
        QTest::newRow("first time") << false << true << QStringLiteral("秘密pw");
        QTest::newRow("again after a wrong one") << true << true << QStringLiteral("秘密pw");
        QTest::newRow("cancelled") << false << false << QString();
    }
    void thePasswordQuestion() {
        QFETCH(bool, again);
        QFETCH(bool, accept);
        QFETCH(QString, expected);
        QString shown;
        bool hidden = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            if (dialog->objectName() != QLatin1String("PasswordQuestion")) {
                dialog->reject(); // not the question: the checks below fail
                return;
            }
            shown = dialog->findChild<QLabel*>(QStringLiteral("PasswordText"))->text();
            auto* field = dialog->findChild<QLineEdit*>(QStringLiteral("Password"));
            hidden = field->echoMode() == QLineEdit::Password;
            for (QChar c : QStringLiteral("秘密pw"))
                QTest::sendKeyEvent(QTest::Click, field, Qt::Key_unknown, QString(c),
                                    Qt::NoModifier);
            accept ? dialog->accept() : dialog->reject();
        });
        const QString answer = ui::askServerPassword(
            QStringLiteral("postgresql://jimu@office-pc/vorda"), QStringLiteral("jimu"), again);
        QCOMPARE(answer, expected);
        QVERIFY(hidden);
        QVERIFY2(shown.endsWith(QStringLiteral(
                     "サーバー postgresql://jimu@office-pc/vorda のユーザー jimu のパスワード")),
                 qPrintable(shown));
        QCOMPARE(shown.startsWith(QStringLiteral("パスワードが違います。")), again);

        // A connection made off the windows' thread gets no dialog (there it would abort
        // the program), just no password.
        QString offThread = QStringLiteral("unset");
        std::thread worker([&offThread, again] {
            offThread = ui::askServerPassword(QStringLiteral("postgresql://jimu@office-pc/vorda"),
                                              QStringLiteral("jimu"), again);
        });
        worker.join();
        QCOMPARE(offThread, QString());
    }
};

QTEST_MAIN(TestDataLocation)
#include "tst_data_location.moc"
