#include "core/reports/pdf_output.h"

#include "core/app/file_output.h"
#include "core/reports/painter_printer.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QPdfWriter>

namespace vorda {

QString printToPdf(const QString& path, const DrawSheets& draw, const KeptFiles& kept) {
    // Refused before anything is drawn or read.
    if (const QString refused = refuseOutputFile(path, kept); !refused.isEmpty())
        return refused;
    // Drawn into memory first, then written whole: a failure never leaves a half-written file.
    QBuffer file;
    file.open(QIODevice::WriteOnly);
    QString error;
    {
        QPdfWriter writer(&file);
        writer.setResolution(1200);
        writer.setCreator(QStringLiteral("VORDA"));
        writer.setTitle(QFileInfo(path).completeBaseName());
        PainterPrinter printer(&writer, PainterPrinter::Sheets::OneDocument, true);
        draw(printer);
        if (!printer.finish())
            error = printer.error();
    }
    if (!error.isEmpty())
        return error;
    return writeWholeFile(path, file.data(), kept);
}

} // namespace vorda
