// The monthly attendance sheet screen: opened from the main screen and the menu, the period
// labels following the fields, the refusal of a wrong year or month, a PDF saved. The annual
// attendance screen and the CSV files saved from the screens.

#include "core/app/app_state.h"
#include "support/files.h"
#include "support/message_recorder.h"
#include "support/temp_database.h"
#include "ui/app/frame_window.h"
#include "ui/app/main_screen.h"
#include "ui/reports/annual_attendance_screen.h"
#include "ui/reports/attendance_screen.h"
#include "ui/reports/daily_csv_screen.h"
#include "ui/reports/print_output.h"

#include <QAction>
#include <QComboBox>
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

    void annualScreenAndCsvFiles();

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

void TestAttendanceScreen::annualScreenAndCsvFiles() {
    test::TempDatabase t(true, QDate(2024, 6, 14));
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
    QAction* entry = frame.menuEntry(0, 5);
    QCOMPARE(entry->text(), QStringLiteral("個人別年間出勤表"));
    QVERIFY(entry->isEnabled());
    auto* button =
        frame.screen(ScreenId::Main)->findChild<QPushButton*>(QStringLiteral("Command12"));
    QVERIFY(button->isEnabled());
    button->click();
    auto* annual = qobject_cast<AnnualAttendanceScreen*>(frame.screen(ScreenId::AnnualAttendance));
    QVERIFY(annual);
    // The demo firm's year ends 3/31 with closing day 31: 14 June 2024 is in the year 2025.
    auto* combo = annual->findChild<QComboBox*>(QStringLiteral("Combo1"));
    QCOMPARE(combo->count(), 1 + 15);
    QCOMPARE(combo->itemText(0), QStringLiteral("全員"));
    QCOMPARE(combo->itemText(1), QStringLiteral("山田 一郎"));
    QCOMPARE(field(*annual, "Text1")->text(), QStringLiteral("2025"));
    QCOMPARE(label(*annual, "Label2"), QStringLiteral("2024/04/01"));
    QCOMPARE(label(*annual, "Label4"), QStringLiteral("2025/03/31"));
    field(*annual, "Text1")->setText(QStringLiteral("20x5"));
    QCOMPARE(label(*annual, "Label2"), QString());
    annual->findChild<QPushButton*>(QStringLiteral("Command4"))->click();
    QCOMPARE(messages.texts.size(), 1);
    messages.texts.clear();
    field(*annual, "Text1")->setText(QStringLiteral("2025"));

    const QString pdf = t.filePath(QStringLiteral("年間.pdf"));
    QString suggested;
    ui::setPdfFileChooser([&](const QString& name) {
        suggested = name;
        return pdf;
    });
    combo->setCurrentIndex(2);
    annual->findChild<QPushButton*>(QStringLiteral("Command4"))->click();
    QVERIFY2(suggested.endsWith(QStringLiteral("個人別年間出勤表_2025_佐藤.pdf")),
             qPrintable(suggested));
    QVERIFY(test::readFile(pdf).startsWith("%PDF"));
    QVERIFY(messages.texts.isEmpty());
    ui::setPdfFileChooser({});

    // "CSV保存…": the encoding chosen is offered again next time.
    const QString csv = t.filePath(QStringLiteral("年間.csv"));
    QList<CsvEncoding> offered;
    CsvEncoding chosen = CsvEncoding::Utf8;
    ui::setCsvFileChooser([&](const QString& name, CsvEncoding offer) {
        suggested = name;
        offered << offer;
        return ui::CsvChoice{csv, chosen};
    });
    annual->findChild<QPushButton*>(QStringLiteral("Command5"))->click();
    QVERIFY(test::readFile(csv).startsWith("\xEF\xBB\xBF社員コード"));
    QCOMPARE(test::readFile(csv).count("\r\n"), 1 + 12 + 1);
    chosen = CsvEncoding::ShiftJis;
    frame.menuEntry(0, 4)->trigger();
    auto* monthly = qobject_cast<AttendanceScreen*>(frame.screen(ScreenId::Attendance));
    QVERIFY(monthly);
    monthly->findChild<QPushButton*>(QStringLiteral("Command5"))->click();
    QVERIFY(suggested.endsWith(QStringLiteral("月別出勤表_202406.csv")));
    QCOMPARE(offered.last(), CsvEncoding::Utf8);
    QVERIFY(test::readFile(csv).startsWith(QByteArray("\x8E\xD0\x88\xF5"))); // 社員 in Shift-JIS
    // The daily report rows from the 整理 group's button, and a wrong date refused.
    frame.screen(ScreenId::Main)->findChild<QPushButton*>(QStringLiteral("Command15"))->click();
    auto* daily = frame.screen(ScreenId::DailyCsv);
    QVERIFY(daily);
    QCOMPARE(field(*daily, "Text1")->text(), QStringLiteral("2024/06/01"));
    QCOMPARE(field(*daily, "Text2")->text(), QStringLiteral("2024/06/30"));
    QFile::remove(csv);
    field(*daily, "Text2")->setText(QStringLiteral("2024/02/30"));
    daily->findChild<QPushButton*>(QStringLiteral("Command1"))->click();
    QCOMPARE(messages.texts, QStringList{QStringLiteral("日付に誤りがあります。")});
    QVERIFY(!QFile::exists(csv));
    field(*daily, "Text2")->setText(QStringLiteral("2024-06-14"));
    daily->findChild<QPushButton*>(QStringLiteral("Command1"))->click();
    QCOMPARE(offered.last(), CsvEncoding::ShiftJis);
    QVERIFY(suggested.endsWith(QStringLiteral("日報_20240601-20240614.csv")));
    QVERIFY(test::readFile(csv).startsWith(QByteArray("\x93\xFA\x95\x74,"))); // 日付,
    ui::setCsvFileChooser({});
}

QTEST_MAIN(TestAttendanceScreen)
#include "tst_attendance_screen.moc"
