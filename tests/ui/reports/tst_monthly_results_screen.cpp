// The monthly operation results screen: the period labels follow the fields, a wrong year
// or month prints nothing, a print run goes to PDF with its progress, the frame opens it.

#include "core/app/app_state.h"
#include "core/data/schema.h"
#include "support/files.h"
#include "support/message_recorder.h"
#include "support/temp_database.h"
#include "ui/app/frame_window.h"
#include "ui/reports/monthly_results_screen.h"
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

struct Fixture {
    Fixture() {
        Database db;
        if (db.open(t.path()))
            return;
        db.update(table::System, 1, {20}); // closing day 20
        state.databasePath = t.path();
        state.workingDate = QDate(2024, 6, 14);
    }
    template <typename T> T* find(MonthlyResultsScreen& s, const char* name) {
        return s.findChild<T*>(QString::fromLatin1(name));
    }
    test::TempDatabase t{true, QDate(2024, 6, 14)};
    AppState state;
};

QString period(Fixture& f, MonthlyResultsScreen& s) {
    return f.find<QLabel>(s, "Label2")->text() + u'~' + f.find<QLabel>(s, "Label4")->text();
}

} // namespace

class TestMonthlyResultsScreen : public QObject {
    Q_OBJECT
private slots:
    void periodLabelsFollowTheFields() {
        Fixture f;
        QVERIFY(f.t.ok());
        MonthlyResultsScreen s(f.state);
        QCOMPARE(s.windowTitle(), QStringLiteral("月間稼働実績"));
        QCOMPARE(f.find<QLineEdit>(s, "Text1")->text(), QStringLiteral("2024"));
        QCOMPARE(f.find<QLineEdit>(s, "Text2")->text(), QStringLiteral("6"));
        QCOMPARE(period(f, s), QStringLiteral("2024/05/21~2024/06/20"));
        f.find<QLineEdit>(s, "Text2")->setText(QStringLiteral("1"));
        QCOMPARE(period(f, s), QStringLiteral("2023/12/21~2024/01/20"));
        f.find<QLineEdit>(s, "Text2")->setText(QStringLiteral("13"));
        QCOMPARE(period(f, s), QStringLiteral("~"));
        f.find<QLineEdit>(s, "Text2")->setText(QStringLiteral("3"));
        f.find<QLineEdit>(s, "Text1")->setText(QStringLiteral("平成"));
        QCOMPARE(period(f, s), QStringLiteral("~"));
        f.find<QLineEdit>(s, "Text1")->setText(QStringLiteral("2025"));
        QCOMPARE(period(f, s), QStringLiteral("2025/02/21~2025/03/20"));
    }

    void aWrongMonthPrintsNothing() {
        Fixture f;
        QVERIFY(f.t.ok());
        test::MessageRecorder messages;
        MonthlyResultsScreen s(f.state);
        const QString pdf = f.t.filePath(QStringLiteral("out.pdf"));
        ui::setPdfFileChooser([&](const QString&) { return pdf; });
        f.find<QLineEdit>(s, "Text2")->setText(QStringLiteral("十二"));
        f.find<QPushButton>(s, "Command4")->click();
        QCOMPARE(messages.texts, QStringList({QStringLiteral("年月に誤りがあります。")}));
        QVERIFY(!QFile::exists(pdf));

        // A file that is not there: its message, nothing printed.
        messages.texts.clear();
        f.state.databasePath = f.t.filePath(QStringLiteral("ない.db"));
        f.find<QLineEdit>(s, "Text2")->setText(QStringLiteral("5"));
        QCOMPARE(period(f, s), QStringLiteral("~"));
        f.find<QPushButton>(s, "Command4")->click();
        QCOMPARE(messages.texts.size(), 1);
        QVERIFY2(messages.texts[0].contains(QStringLiteral("ない.db")),
                 qPrintable(messages.texts[0]));
        QVERIFY(!QFile::exists(pdf));
        ui::setPdfFileChooser({});
    }

    void aPrintRunGoesToPdfWithItsProgress() {
        Fixture f;
        QVERIFY(f.t.ok());
        test::MessageRecorder messages;
        MonthlyResultsScreen s(f.state);
        const QString pdf = f.t.filePath(QStringLiteral("out.pdf"));
        QString suggested;
        ui::setPdfFileChooser([&](const QString& name) {
            suggested = name;
            return pdf;
        });
        auto* bar = f.find<QProgressBar>(s, "ProgressBar1");
        QCOMPARE(bar->maximum(), 29);
        QList<int> values;
        connect(bar, &QProgressBar::valueChanged, this, [&](int v) { values << v; });
        f.find<QPushButton>(s, "Command4")->click();
        QVERIFY(suggested.endsWith(QStringLiteral("月間稼働実績_202406.pdf")));
        QVERIFY(test::readFile(pdf).startsWith("%PDF"));
        QVERIFY(messages.texts.isEmpty());
        QVERIFY(values.contains(1));
        QVERIFY(values.contains(29));
        QCOMPARE(bar->value(), 0);
        ui::setPdfFileChooser({});
    }

    void theFrameOpensItFromTheMenuAndTheButton() {
        Fixture f;
        QVERIFY(f.t.ok());
        QTemporaryDir ini;
        f.state.iniPath = ini.filePath(QStringLiteral("vorda.INI"));
        f.state.boundDatabasePath = f.t.path();
        test::MessageRecorder messages;
        FrameWindow frame(f.state);
        frame.resize(780, 760);
        frame.show();
        frame.start(IniReadResult());
        QAction* entry = frame.menuEntry(0, 2);
        QCOMPARE(entry->text(), QStringLiteral("作業月報"));
        QVERIFY(entry->isEnabled());
        QWidget* main = frame.screen(ScreenId::Main);
        auto* button = main->findChild<QPushButton*>(QStringLiteral("Command4"));
        QCOMPARE(button->text(), QStringLiteral("月間稼働実績"));
        QVERIFY(button->isEnabled());
        button->click();
        auto* screen = qobject_cast<MonthlyResultsScreen*>(frame.screen(ScreenId::MonthlyResults));
        QVERIFY(screen);
        entry->trigger();
        QCOMPARE(frame.screen(ScreenId::MonthlyResults),
                 screen); // brought to the front, not a second
    }
};

QTEST_MAIN(TestMonthlyResultsScreen)
#include "tst_monthly_results_screen.moc"
