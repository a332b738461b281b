#include "ui/reports/print_output.h"

#include "core/app/app_state.h"
#include "core/reports/painter_printer.h"
#include "ui/app/frame_window.h"
#include "ui/app/ui_support.h"

#include <QDir>
#include <QFileDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QSettings>

namespace vorda {

bool havePrinter() {
    return !QPrinterInfo::defaultPrinter().isNull();
}

QString printToDefaultPrinter(const DrawSheets& draw) {
    if (!havePrinter())
        return QStringLiteral("プリンターがありません。");
    QPrinter printer(QPrinterInfo::defaultPrinter(), QPrinter::HighResolution);
    printer.setFullPage(false); // the origin at the corner of the printable area
    printer.setDocName(QStringLiteral("VORDA"));
    PainterPrinter out(&printer, PainterPrinter::Sheets::JobPerSheet, false);
    draw(out);
    out.finish();
    return out.error();
}

namespace ui {

namespace {
std::function<QString(const QString&)> pdfChooser;
}

void setPdfFileChooser(std::function<QString(const QString&)> chooser) {
    pdfChooser = std::move(chooser);
}

namespace {
std::function<CsvChoice(const QString&, CsvEncoding)> csvChooser;

// The encoding chosen last is the user's habit, not the firm's: kept in the user's settings
// beside the frame's place, never in vorda.INI.
const QString kCsvEncodingKey = QStringLiteral("csv/encoding");
QSettings userSettings() {
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("vorda"),
                     QStringLiteral("window"));
}
} // namespace

void setCsvFileChooser(std::function<CsvChoice(const QString&, CsvEncoding)> chooser) {
    csvChooser = std::move(chooser);
}

bool saveCsv(QWidget* parent, const CsvTable& table, const QString& csvName) {
    const QString suggested = QDir::home().filePath(csvName);
    const CsvEncoding offered =
        userSettings().value(kCsvEncodingKey).toString() == QLatin1String("utf-8")
            ? CsvEncoding::Utf8
            : CsvEncoding::ShiftJis;
    CsvChoice choice;
    if (csvChooser) {
        choice = csvChooser(suggested, offered);
    } else {
        const QString sjis = QStringLiteral("CSV Shift-JIS（給与ソフト・Excel） (*.csv)");
        const QString utf8 = QStringLiteral("CSV UTF-8 BOM付き (*.csv)");
        QString filter = offered == CsvEncoding::Utf8 ? utf8 : sjis;
        choice.path = QFileDialog::getSaveFileName(parent, QStringLiteral("CSV保存"), suggested,
                                                   sjis + QStringLiteral(";;") + utf8, &filter);
        choice.encoding = filter == utf8 ? CsvEncoding::Utf8 : CsvEncoding::ShiftJis;
    }
    if (choice.path.isEmpty())
        return false;
    userSettings().setValue(kCsvEncodingKey, choice.encoding == CsvEncoding::Utf8
                                                 ? QStringLiteral("utf-8")
                                                 : QStringLiteral("shift-jis"));
    QString path = choice.path;
    if (!path.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive))
        path += QStringLiteral(".csv");
    KeptFiles kept;
    if (FrameWindow* frame = frameOf(parent))
        kept = KeptFiles{frame->state().databasePath, frame->state().iniPath};
    if (const QString e = writeCsv(path, table, choice.encoding, kept); !e.isEmpty()) {
        showMessage(parent, e);
        return false;
    }
    if (FrameWindow* frame = frameOf(parent))
        frame->showNote(
            QStringLiteral("CSVを保存しました: %1").arg(QDir::toNativeSeparators(path)));
    return true;
}

bool saveSheetsAsPdf(QWidget* parent, const DrawSheets& draw, const QString& pdfName) {
    const QString suggested = QDir::home().filePath(pdfName);
    QString path = pdfChooser
                       ? pdfChooser(suggested)
                       : QFileDialog::getSaveFileName(parent, QStringLiteral("PDF保存"), suggested,
                                                      QStringLiteral("PDF (*.pdf)"));
    if (path.isEmpty())
        return false;
    if (!path.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive))
        path += QStringLiteral(".pdf");
    // The file chosen must not be the database or the vorda.INI this program works with.
    KeptFiles kept;
    if (FrameWindow* frame = frameOf(parent))
        kept = KeptFiles{frame->state().databasePath, frame->state().iniPath};
    if (const QString e = printToPdf(path, draw, kept); !e.isEmpty()) {
        showMessage(parent, e);
        return false;
    }
    if (FrameWindow* frame = frameOf(parent))
        frame->showNote(
            QStringLiteral("PDFを保存しました: %1").arg(QDir::toNativeSeparators(path)));
    return true;
}

bool printSheets(QWidget* parent, const DrawSheets& draw, const QString& pdfName) {
    if (!havePrinter()) {
        if (askYesNo(parent, QStringLiteral("プリンターが設定されていません。PDFに保存しますか？")))
            return saveSheetsAsPdf(parent, draw, pdfName);
        return false;
    }
    if (const QString e = printToDefaultPrinter(draw); !e.isEmpty()) {
        showMessage(parent, e);
        return false;
    }
    if (FrameWindow* frame = frameOf(parent))
        frame->succeeded();
    return true;
}

void previewSheets(QWidget* parent, const DrawSheets& draw) {
    QPrinter printer(QPrinter::HighResolution);
    if (!havePrinter())
        printer.setOutputFormat(QPrinter::PdfFormat);
    QPrintPreviewDialog dialog(&printer, parent);
    dialog.setWindowTitle(QStringLiteral("プレビュー"));
    dialog.resize(1100, 800);
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                     [&draw](QPrinter* p) { drawPreview(p, draw); });
    dialog.exec();
    if (FrameWindow* frame = frameOf(parent))
        frame->succeeded();
}

void drawPreview(QPrinter* printer, const DrawSheets& draw) {
    // The preview stands for what the button beside it gives: the printer's printable area
    // when there is a printer, otherwise the PDF's page corner (not Qt's default margins).
    PainterPrinter out(printer, PainterPrinter::Sheets::OneDocument, !havePrinter());
    draw(out);
}

} // namespace ui
} // namespace vorda
