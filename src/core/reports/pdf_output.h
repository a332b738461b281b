#pragma once
// Sheets into a PDF file: one page per sheet, the origin at the corner of the paper.

#include "core/app/file_output.h"
#include "core/reports/printer.h"

#include <functional>

namespace vorda {

using DrawSheets = std::function<void(Printer&)>;

// Draws the sheets into the file (written whole or not at all; never over what
// refuseOutputFile refuses). Empty text on success, otherwise a Japanese message.
QString printToPdf(const QString& path, const DrawSheets& draw, const KeptFiles& kept = {});

} // namespace vorda
