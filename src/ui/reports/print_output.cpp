#include "ui/reports/print_output.h"

#include "core/reports/painter_printer.h"
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
    QString path = pdfChooser ? pdfChooser(suggested)
                              : QFileDialog::getSaveFileName(parent, QStringLiteral("PDF保存"), suggested,
                                                             QStringLiteral("PDF (*.pdf)"));
    if (path.isEmpty())
        return false;
    if (!path.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive))
        path += QStringLiteral(".pdf");
    if (const QString e = printToPdf(path, draw); !e.isEmpty()) {
        showMessage(parent, e);
        return false;
    }
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
    return true;
}

void previewSheets(QWidget* parent, const DrawSheets& draw) {
    QPrinter printer(QPrinter::HighResolution);
    if (!havePrinter())
        printer.setOutputFormat(QPrinter::PdfFormat);
    QPrintPreviewDialog dialog(&printer, parent);
    dialog.setWindowTitle(QStringLiteral("プレビュー"));
    dialog.resize(1100, 800);
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog, [&draw](QPrinter* p) {
        PainterPrinter out(p, PainterPrinter::Sheets::OneDocument, false);
        draw(out);
    });
    dialog.exec();
}

void sendSheets(QWidget* parent, SheetOutput output, const DrawSheets& draw, const QString& pdfName) {
    switch (output) {
    case SheetOutput::Printer:
        printSheets(parent, draw, pdfName);
        break;
    case SheetOutput::Preview:
        previewSheets(parent, draw);
        break;
    case SheetOutput::Pdf:
        saveSheetsAsPdf(parent, draw, pdfName);
        break;
    }
}

} // namespace ui
} // namespace vorda
