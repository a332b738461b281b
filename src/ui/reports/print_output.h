#pragma once
// Where a sheet goes: the default printer, a print preview, or a PDF file the user chooses.

#include "core/reports/pdf_output.h"

class QWidget;

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

// Asks for a file name (suggesting pdfName) and saves the sheets as PDF.
bool saveSheetsAsPdf(QWidget* parent, const DrawSheets& draw, const QString& pdfName);

// Where a print screen's button sends its sheets.
enum class SheetOutput { Printer, Preview, Pdf };
void sendSheets(QWidget* parent, SheetOutput output, const DrawSheets& draw, const QString& pdfName);

// Tests put a chooser in place of the file dialog.
void setPdfFileChooser(std::function<QString(const QString& suggested)> chooser);

} // namespace ui
} // namespace vorda
