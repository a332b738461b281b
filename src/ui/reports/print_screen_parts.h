#pragma once
// What every print screen has: date fields with their captions, and the row of buttons
// "印字", "プレビュー", "PDF保存…", "終了".

#include "core/data/values.h"
#include "core/reports/pdf_output.h"

#include <QString>
#include <functional>
#include <initializer_list>
#include <optional>

class QHBoxLayout;
class QLabel;
class QLineEdit;
class QProgressBar;
class QWidget;

namespace vorda {

// Where a print screen's button sends the sheets; Csv: the sheet's figures as a CSV file.
enum class Output { Printer, Preview, Pdf, Csv };

// Fields each followed by its caption ("年", "月", …), in a row.
QHBoxLayout* dateFieldsRow(std::initializer_list<QLineEdit*> fields,
                           std::initializer_list<QString> captions);

// The progress bar with its caption "進行状況", so that it does not look like an input box.
QHBoxLayout* progressRow(QProgressBar* bar);

// The buttons "印字" (printCaption), "プレビュー" and "PDF保存…" (and "CSV保存…" with csv)
// tell `chosen` their Output; "終了" closes.
QHBoxLayout* printButtons(QWidget* screen, std::function<void(Output)> chosen,
                          const QString& printCaption = QStringLiteral("印字"), bool csv = false);

// Sends the sheets where the button chose (pdfName is the suggested file name).
void sendSheets(QWidget* screen, Output output, const DrawSheets& draw, const QString& pdfName);

// The period's first and last dates ("yyyy/MM/dd") in the two labels; both empty without
// a period (fields that are no year and month, or a file that cannot be read).
void showPeriod(QLabel* start, QLabel* end, const std::optional<Period>& period);

} // namespace vorda
