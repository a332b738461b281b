#include "core/reports/pdf_output.h"

#include "core/reports/painter_printer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPdfWriter>
#include <QSaveFile>

namespace vorda {

QString printToPdf(const QString& path, const DrawSheets& draw) {
    // Written into memory first, so a failure never leaves a half-written file behind.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QStringLiteral("%1 に書き込めません（%2）。").arg(QDir::toNativeSeparators(path), file.errorString());
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
    if (!error.isEmpty()) {
        file.cancelWriting();
        return error;
    }
    if (!file.commit())
        return QStringLiteral("%1 に書き込めません（%2）。").arg(QDir::toNativeSeparators(path), file.errorString());
    return QString();
}

} // namespace vorda
