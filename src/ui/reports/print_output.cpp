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
