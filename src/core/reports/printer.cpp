#include "core/reports/printer.h"

#include "core/reports/painter_printer.h"

#include <QFont>
#include <QFontMetricsF>
#include <algorithm>

namespace vorda {

void openJob(Printer& printer, const PageScale& scale) {
    printer.set_paper(scale.paperCode);
    printer.set_orientation(scale.orientationCode);
    printer.set_font_name(kPrintFont);
    printer.new_line();
}

void prtx(Printer& printer, const PageScale& scale, int x, int y, const QString& text, int size,
          int unlin) {
    printer.move_to(float(x) * scale.position, float(y) * scale.position);
    printer.set_font_size(float(size) * scale.font);
    printer.set_underline(unlin == 1);
    printer.print_text(text);
}

double printTextWidth(const QString& text, double points) {
    installFontSubstitutions();
    // Measured as the painter printer draws: 20 pixels to the point under its twip scale.
    QFont font(kPrintFont);
    font.setPixelSize(std::max(1, qRound(points * 20.0)));
    return QFontMetricsF(font).horizontalAdvance(text);
}

void prtxFit(Printer& printer, const PageScale& scale, int x, int y, int width, const QString& text,
             int size, int unlin, CellAlign align) {
    const double points = double(size) * scale.font;
    const double room = double(width) * scale.position;
    const double natural = printTextWidth(text, points);
    if (text.isEmpty() || natural <= room) {
        prtx(printer, scale, x, y, text, size, unlin);
        return;
    }
    // Smaller until it fits, never below the floor; then cut from the end.
    double factor = std::max(kFitFloor, room / natural);
    QString shown = text;
    double drawn = printTextWidth(shown, points * factor);
    while (drawn > room && factor > kFitFloor) {
        factor = std::max(kFitFloor, factor * 0.97);
        drawn = printTextWidth(shown, points * factor);
    }
    while (drawn > room && !shown.isEmpty()) {
        shown.chop(1);
        drawn = printTextWidth(shown, points * factor);
    }
    float left = float(x) * scale.position;
    if (align == CellAlign::Right)
        left = float(double(x) * scale.position + room - drawn);
    printer.move_to(left, float(y) * scale.position);
    printer.set_font_size(float(points * factor));
    printer.set_underline(unlin == 1);
    printer.print_text(shown);
}

void scaledLine(Printer& printer, const PageScale& scale, int x1, int y1, int x2, int y2) {
    const float s = scale.position;
    printer.draw_line(float(x1) * s, float(y1) * s, float(x2) * s, float(y2) * s);
}

void scaledBox(Printer& printer, const PageScale& scale, int x1, int y1, int x2, int y2) {
    const float s = scale.position;
    printer.draw_box(float(x1) * s, float(y1) * s, float(x2) * s, float(y2) * s);
}

} // namespace vorda
