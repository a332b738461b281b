#pragma once
// Where a sheet goes: the default printer, a print preview, or a PDF file the user chooses.

#include "core/reports/csv_export.h"
#include "core/reports/pdf_output.h"

#include <functional>

class QWidget;

class QPrinter;

namespace vorda {

// True when the system has a printer to print on.
bool havePrinter();

// Prints on the default printer, each sheet set as its own job. Empty text on success.
QString printToDefaultPrinter(const DrawSheets& draw);

namespace ui {

// The print button of every print screen: the default printer; without one, says so and
// offers the PDF instead. Returns true when something was printed or saved.
bool printSheets(QWidget* parent, const DrawSheets& draw, const QString& pdfName);

// A preview window of the sheets.
void previewSheets(QWidget* parent, const DrawSheets& draw);

// What the preview draws on its printer: placed as the printer or the PDF would place it.
void drawPreview(QPrinter* printer, const DrawSheets& draw);

// Asks for a file name (suggesting pdfName) and saves the sheets as PDF.
bool saveSheetsAsPdf(QWidget* parent, const DrawSheets& draw, const QString& pdfName);

// Tests put a chooser in place of the file dialog.
void setPdfFileChooser(std::function<QString(const QString& suggested)> chooser);

// Asks for a file name and the encoding (the one chosen last is offered again; Shift-JIS the
// first time) and writes the CSV. Returns true when the file was written.
bool saveCsv(QWidget* parent, const CsvTable& table, const QString& csvName);

// What the CSV dialog gives: an empty path when nothing was chosen.
struct CsvChoice {
    QString path;
    CsvEncoding encoding = CsvEncoding::ShiftJis;
};
// Tests put a chooser in place of the dialog; it is told the encoding offered.
void setCsvFileChooser(
    std::function<CsvChoice(const QString& suggested, CsvEncoding offered)> chooser);

} // namespace ui
} // namespace vorda
