// The print settings screen and the daily report print screen.

#include "core/app/app_state.h"
#include "support/files.h"
#include "support/message_recorder.h"
#include "support/temp_database.h"
#include "ui/app/frame_window.h"
#include "ui/reports/daily_print_screen.h"
#include "ui/reports/print_output.h"
#include "ui/reports/print_settings_screen.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTest>

using namespace vorda;

namespace {

// Where pdftotext finds the first word of the first page, in points.
QString firstWordBox(const QString& pdf) {
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), QStringLiteral("-l"),
                                          QStringLiteral("1"), pdf, QStringLiteral("-")});
    p.waitForFinished(20000);
    const QString out = QString::fromUtf8(p.readAllStandardOutput());
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\""))
            .match(out);
    return m.hasMatch() ? m.captured(1) + u',' + m.captured(2) : QString();
}

} // namespace

class TestPrintScreens : public QObject {
    Q_OBJECT
private slots:
    void settingsShowAndRegisterTheCodes() {
        QTemporaryDir dir;
        AppState s;
        s.iniPath = dir.filePath(QStringLiteral("vorda.INI"));
        s.databasePath = QStringLiteral("D:\\VORDA.db");
        s.paperCode = 13;
        s.orientationCode = 2;
        test::MessageRecorder messages;
        PrintSettingsScreen screen(s);
        QCOMPARE(screen.windowTitle(), QStringLiteral("印刷設定"));
        auto* combo = screen.findChild<QComboBox*>(QStringLiteral("Combo1"));
        QStringList entries;
        for (int i = 0; i < combo->count(); ++i)
            entries << combo->itemText(i);
        QCOMPARE(entries,
                 QStringList({"A3、297 x 420 mm ", "A4、210 x 297 mm ", "A4 Small、210 x 297 mm ",
                              "A5、148 x 210 mm ", "B4、250 x 354 mm ", "B5、182 x 257 mm "}));
        QCOMPARE(combo->currentText(), QStringLiteral("B5、182 x 257 mm "));
        QVERIFY(screen.findChild<QRadioButton*>(QStringLiteral("Option2"))->isChecked());
        // Under the choice: the sheets are laid out for landscape.
        screen.layout()->activate();
        const auto* note = screen.findChild<QLabel*>(QStringLiteral("OrientationNote"));
        QVERIFY(note && note->text().contains(QStringLiteral("横")));
        QVERIFY(note->geometry().top() >=
                screen.findChild<QWidget*>(QStringLiteral("Frame1"))->geometry().bottom());

        auto* confirmation = screen.findChild<QLabel*>(QStringLiteral("confirmation"));
        QCOMPARE(confirmation->text(), QString());
        screen.findChild<QPushButton*>(QStringLiteral("Command1"))->click();
        QCOMPARE(confirmation->text(), QStringLiteral("印刷設定を登録しました。"));
        QCOMPARE(s.paperCode, qint16(13));
        QCOMPARE(s.positionScale, 0.71f);
        QCOMPARE(test::readFile(s.iniPath), QByteArray("D:\\VORDA.db\r\n\r\n 13 \r\n 2 \r\n"));

        screen.findChild<QRadioButton*>(QStringLiteral("Option1"))->click();
        combo->setCurrentIndex(0);
        emit combo->activated(0);
        QCOMPARE(confirmation->text(), QString()); // changed, not registered yet
        screen.registerSettings();
        QCOMPARE(confirmation->text(), QStringLiteral("印刷設定を登録しました。"));
        QCOMPARE(s.paperCode, qint16(8));
        QCOMPARE(s.orientationCode, qint16(1));
        QCOMPARE(s.positionScale, 1.15f);
        QCOMPARE(s.fontScale, 1.15f);
        QCOMPARE(test::readFile(s.iniPath), QByteArray("D:\\VORDA.db\r\n\r\n 8 \r\n 1 \r\n"));
        QVERIFY(messages.texts.isEmpty());
    }

    void aCodeOutsideTheListIsKept() {
        QTemporaryDir dir;
        AppState s;
        s.iniPath = dir.filePath(QStringLiteral("vorda.INI"));
        s.paperCode = 7;
        s.orientationCode = 3;
        PrintSettingsScreen screen(s);
        QCOMPARE(screen.findChild<QComboBox*>(QStringLiteral("Combo1"))->currentIndex(), -1);
        QVERIFY(!screen.findChild<QRadioButton*>(QStringLiteral("Option1"))->isChecked());
        QVERIFY(!screen.findChild<QRadioButton*>(QStringLiteral("Option2"))->isChecked());
        screen.registerSettings();
        QCOMPARE(s.paperCode, qint16(7));
        QCOMPARE(s.positionScale, 1.0f);
        QCOMPARE(s.orientationCode, qint16(2));
    }

    // The preview places the sheet where the output beside it does; without a printer that
    // is the PDF, with its origin at the page corner (no default margins).
    void previewShowsWhatThePdfGets() {
        if (havePrinter())
            QSKIP("a printer is set up: the preview stands for it");
        QTemporaryDir dir;
        const DrawSheets draw = [](Printer& p) {
            p.set_paper(12);
            p.set_orientation(2);
            p.set_font_name(kPrintFont);
            p.set_font_size(18);
            p.move_to(400, 500);
            p.print_text(QStringLiteral("作業日報"));
            p.end_document();
        };
        const QString pdf = dir.filePath(QStringLiteral("pdf.pdf"));
        QCOMPARE(printToPdf(pdf, draw), QString());
        QPrinter preview(QPrinter::HighResolution);
        preview.setOutputFormat(QPrinter::PdfFormat);
        preview.setOutputFileName(dir.filePath(QStringLiteral("preview.pdf")));
        ui::drawPreview(&preview, draw);
        const QString box = firstWordBox(pdf);
        QVERIFY(!box.isEmpty());
        QCOMPARE(firstWordBox(dir.filePath(QStringLiteral("preview.pdf"))), box);
    }

    void dailyPrintScreen() {
        test::TempDatabase t(true, QDate(2024, 6, 14));
        QVERIFY(t.ok());
        AppState s;
        s.databasePath = t.path();
        s.workingDate = QDate(2024, 6, 14);
        test::MessageRecorder messages;
        DailyPrintScreen screen(s);
        QCOMPARE(screen.windowTitle(), QStringLiteral("VORDA印字"));
        QCOMPARE(screen.findChild<QLineEdit*>(QStringLiteral("Text1"))->text(),
                 QStringLiteral("2024"));
        QCOMPARE(screen.findChild<QLineEdit*>(QStringLiteral("Text3"))->text(),
                 QStringLiteral("14"));
        QCOMPARE(screen.findChild<QPushButton*>(QStringLiteral("Command1"))->text(),
                 QStringLiteral("印字"));

        const QString pdf = t.filePath(QStringLiteral("out.pdf"));
        ui::setPdfFileChooser([&](const QString& suggested) {
            [&] { QVERIFY(suggested.endsWith(QStringLiteral("作業日報_20240614.pdf"))); }();
            return pdf;
        });
        screen.findChild<QPushButton*>(QStringLiteral("Command4"))->click();
        QVERIFY(test::readFile(pdf).startsWith("%PDF"));
        QVERIFY(messages.texts.isEmpty());

        // Without a printer the print button says so and offers the PDF.
        if (!havePrinter()) {
            QFile::remove(pdf);
            messages.answers = {true};
            screen.findChild<QPushButton*>(QStringLiteral("Command1"))->click();
            QCOMPARE(messages.texts.size(), 1);
            QVERIFY(messages.texts[0].contains(QStringLiteral("PDF")));
            QVERIFY(test::readFile(pdf).startsWith("%PDF"));
            messages.texts.clear();
        }

        screen.findChild<QLineEdit*>(QStringLiteral("Text3"))->setText(QStringLiteral("31"));
        QFile::remove(pdf);
        screen.findChild<QPushButton*>(QStringLiteral("Command4"))->click();
        QCOMPARE(messages.texts, QStringList({QStringLiteral("日付に誤りがあります。")}));
        QVERIFY(!QFile::exists(pdf));
        ui::setPdfFileChooser({});
    }

    // In the frame, "PDF保存…" says on the status line where the file went, and an error
    // shown there before is gone; the progress bar carries its caption.
    void aSavedPdfIsNamedOnTheStatusLine() {
        test::TempDatabase t(true, QDate(2024, 6, 14));
        QVERIFY(t.ok());
        AppState s;
        s.databasePath = t.path();
        s.boundDatabasePath = t.path();
        s.workingDate = QDate(2024, 6, 14);
        test::MessageRecorder messages;
        FrameWindow frame(s);
        frame.resize(780, 760);
        frame.show();
        QWidget* screen = frame.openScreen(ScreenId::DailyPrint);
        QVERIFY(screen);
        QCOMPARE(screen->findChild<QLabel*>(QStringLiteral("progressCaption"))->text(),
                 QStringLiteral("進行状況"));
        // Every print screen labels its progress bar alike.
        for (ScreenId other :
             {ScreenId::MonthlyResults, ScreenId::PeriodList, ScreenId::Attendance}) {
            QWidget* w = frame.openScreen(other);
            QVERIFY(w && w->findChild<QLabel*>(QStringLiteral("progressCaption")));
            w->close();
        }
        auto* status = frame.findChild<QLabel*>(QStringLiteral("statusText"));
        frame.showStatus(QStringLiteral("天候を読めません。"));
        const QString pdf = t.filePath(QStringLiteral("日報.pdf"));
        ui::setPdfFileChooser([&](const QString&) { return pdf; });
        screen->findChild<QPushButton*>(QStringLiteral("Command4"))->click();
        ui::setPdfFileChooser({});
        QVERIFY(test::readFile(pdf).startsWith("%PDF"));
        QCOMPARE(status->text(),
                 QStringLiteral("PDFを保存しました: %1").arg(QDir::toNativeSeparators(pdf)));
        frame.succeeded(); // a note is no error: it stays
        QVERIFY(status->text().contains(QStringLiteral("日報.pdf")));
        QVERIFY(messages.texts.isEmpty());

        // A name that leads to the vorda.INI in use (here a link) is refused; the INI stays.
        s.iniPath = t.filePath(QStringLiteral("vorda.INI"));
        const QByteArray ini = QFile::encodeName(t.path()) + "\r\n\r\n 12 \r\n 2 \r\n";
        QVERIFY(test::writeFile(s.iniPath, ini));
        QVERIFY(QFile::link(s.iniPath, t.filePath(QStringLiteral("設定.pdf"))));
        ui::setPdfFileChooser(
            [&](const QString&) { return t.filePath(QStringLiteral("設定.pdf")); });
        screen->findChild<QPushButton*>(QStringLiteral("Command4"))->click();
        ui::setPdfFileChooser({});
        QCOMPARE(messages.texts.size(), 1);
        QVERIFY2(messages.texts[0].contains(QStringLiteral("設定ファイル")),
                 qPrintable(messages.texts[0]));
        QCOMPARE(test::readFile(s.iniPath), ini);
    }
};

QTEST_MAIN(TestPrintScreens)
#include "tst_print_screens.moc"
