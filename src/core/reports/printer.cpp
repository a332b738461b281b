#include "core/reports/printer.h"

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

void scaledLine(Printer& printer, const PageScale& scale, int x1, int y1, int x2, int y2) {
    const float s = scale.position;
    printer.draw_line(float(x1) * s, float(y1) * s, float(x2) * s, float(y2) * s);
}

void scaledBox(Printer& printer, const PageScale& scale, int x1, int y1, int x2, int y2) {
    const float s = scale.position;
    printer.draw_box(float(x1) * s, float(y1) * s, float(x2) * s, float(y2) * s);
}

} // namespace vorda
