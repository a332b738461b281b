// The monthly attendance sheet screen: opened from the main screen and the menu, the period
// labels following the fields, the refusal of a wrong year or month, a PDF saved.

#include "core/app/app_state.h"
#include "support/files.h"
#include "support/message_recorder.h"
#include "support/temp_database.h"
#include "ui/app/frame_window.h"
#include "ui/app/main_screen.h"
#include "ui/reports/attendance_screen.h"
#include "ui/reports/print_output.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

using namespace vorda;

namespace {

QString label(const QWidget& w, const char* name) {
    return w.findChild<QLabel*>(QString::fromLatin1(name))->text();
}

QLineEdit* field(const QWidget& w, const char* name) {
    return w.findChild<QLineEdit*>(QString::fromLatin1(name));
}

} // namespace

class TestAttendanceScreen : public QObject {
    Q_OBJECT
private slots:
    void openedFromTheMainScreenAndTheMenu() {
        test::TempDatabase t;
        QVERIFY(t.ok());
        QTemporaryDir dir;
        AppState s;
        s.databasePath = t.path();
        s.iniPath = dir.filePath(QStringLiteral("vorda.INI"));
        s.today = [] { return QDate(2024, 6, 14); };
        test::MessageRecorder messages;
        FrameWindow frame(s);
        frame.resize(780, 760);
        frame.show();
        frame.start(IniReadResult());
        QAction* entry = frame.menuEntry(0, 4);
        QCOMPARE(entry->text(), QStringLiteral("月間出勤表"));
        QVERIFY(entry->isEnabled());
        auto* button =
            frame.screen(ScreenId::Main)->findChild<QPushButton*>(QStringLiteral("Command11"));
        QVERIFY(button->isEnabled());
        button->click();
        auto* screen = qobject_cast<AttendanceScreen*>(frame.screen(ScreenId::Attendance));
        QVERIFY(screen);
        field(*screen, "Text2")->setText(QStringLiteral("3"));
        entry->trigger(); // brought to the front, not reloaded
        QCOMPARE(frame.screen(ScreenId::Attendance), screen);
        QCOMPARE(field(*screen, "Text2")->text(), QStringLiteral("3"));
    }

    void periodFollowsTheFieldsAndPrints() {
        test::TempDatabase t(true, QDate(2024, 6, 14));
        QVERIFY(t.ok());
        {
            Database db;
            VORDA_OPEN(db, t.path());
            QVERIFY(!db.exec(QStringLiteral("UPDATE \"システム\" SET \"%1\" = 20")
                                 .arg(db.fieldName(QStringLiteral("システム"), 1))));
        }
        AppState s;
        s.databasePath = t.path();
        s.workingDate = QDate(2024, 6, 14);
        test::MessageRecorder messages;
        AttendanceScreen screen(s);
        QCOMPARE(screen.windowTitle(), QStringLiteral("月別出勤表"));
        QCOMPARE(field(screen, "Text1")->text(), QStringLiteral("2024"));
        QCOMPARE(field(screen, "Text2")->text(), QStringLiteral("6"));
        QCOMPARE(label(screen, "Label3"), QStringLiteral("2024/05/21"));
        QCOMPARE(label(screen, "Label4"), QStringLiteral("～"));
        QCOMPARE(label(screen, "Label5"), QStringLiteral("2024/06/20"));
        QCOMPARE(screen.findChild<QPushButton*>(QStringLiteral("Command1"))->text(),
                 QStringLiteral("印刷"));
        QCOMPARE(screen.findChild<QPushButton*>(QStringLiteral("Command2"))->text(),
                 QStringLiteral("終了"));
        auto* progress = screen.findChild<QProgressBar*>(QStringLiteral("ProgressBar1"));
        QCOMPARE(progress->maximum(), 190);

        field(screen, "Text2")->setText(QStringLiteral("1"));
        QCOMPARE(label(screen, "Label3"), QStringLiteral("2023/12/21"));
        QCOMPARE(label(screen, "Label5"), QStringLiteral("2024/01/20"));

        const QString pdf = t.filePath(QStringLiteral("出勤表.pdf"));
        QString suggested;
        ui::setPdfFileChooser([&](const QString& name) {
            suggested = name;
            return pdf;
        });
        field(screen, "Text2")->setText(QStringLiteral("6"));
        screen.findChild<QPushButton*>(QStringLiteral("Command4"))->click();
        QVERIFY(suggested.endsWith(QStringLiteral("月別出勤表_202406.pdf")));
        QVERIFY(test::readFile(pdf).startsWith("%PDF"));
        QCOMPARE(progress->value(), 0);
        QVERIFY(messages.texts.isEmpty());

        for (const char* wrong : {"六", "", "13"}) {
            field(screen, "Text2")->setText(QString::fromUtf8(wrong));
            QCOMPARE(label(screen, "Label3"), QString());
            QCOMPARE(label(screen, "Label5"), QString());
            QFile::remove(pdf);
            screen.findChild<QPushButton*>(QStringLiteral("Command4"))->click();
            QCOMPARE(messages.texts, QStringList({QStringLiteral("年月に誤りがあります。")}));
            QVERIFY(!QFile::exists(pdf));
            messages.texts.clear();
        }

        // A file that cannot be read: no period, and printing says why.
        s.databasePath = t.filePath(QStringLiteral("missing.db"));
        field(screen, "Text2")->setText(QStringLiteral("6"));
        QCOMPARE(label(screen, "Label3"), QString());
        screen.findChild<QPushButton*>(QStringLiteral("Command4"))->click();
        QCOMPARE(messages.texts.size(), 1);
        QVERIFY(!QFile::exists(pdf));
        ui::setPdfFileChooser({});
    }
};

QTEST_MAIN(TestAttendanceScreen)
#include "tst_attendance_screen.moc"
