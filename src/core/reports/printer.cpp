#include "core/reports/printer.h"

#include "core/reports/painter_printer.h"

#include <QFont>
#include <QFontMetricsF>
#include <QHash>
#include <algorithm>
#include <cmath>

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
    // One set of metrics a size: fitting measures the same sizes over and over (all drawing
    // happens on the one user-interface thread).
    static QHash<int, QFontMetricsF> metrics;
    const int pixels = std::max(1, qRound(points * 20.0));
    auto it = metrics.constFind(pixels);
    if (it == metrics.constEnd()) {
        QFont font(kPrintFont);
        font.setPixelSize(pixels);
        it = metrics.insert(pixels, QFontMetricsF(font));
    }
    return it->horizontalAdvance(text);
}

bool isFigure(const QString& text) {
    bool digit = false;
    for (const QChar c : text) {
        if (c.isDigit())
            digit = true;
        else if (c != u'-' && c != u'+' && c != u',' && c != u'.' && c != u' ')
            return false;
    }
    return digit;
}

namespace {

// Sizes are worked out in font pixels (twentieths of a point, the twips of the em), as the
// painter printer sets them, so a measured width is the drawn one.
struct Fitted {
    QString shown;
    int pixels = 0;
    double width = 0;
};

int pixelsOf(double points) {
    return std::max(1, qRound(points * 20.0));
}

int floorPixels(int pixels) {
    return std::max(1, int(std::ceil(pixels * kFitFloor - 1e-9)));
}

double widthAt(const QString& text, int pixels) {
    return printTextWidth(text, pixels / 20.0);
}

// The largest size up to `pixels` at which the text fits `room`: not below the floor (a figure
// goes on shrinking), and cut from the end when even the floor is too wide.
Fitted fitLine(const QString& text, int pixels, double room) {
    Fitted f{text, pixels, widthAt(text, pixels)};
    if (f.width <= room)
        return f;
    const int least = isFigure(text) ? 1 : floorPixels(pixels);
    f.pixels = std::clamp(int(pixels * room / f.width), least, pixels);
    f.width = widthAt(text, f.pixels);
    while (f.width > room && f.pixels > least)
        f.width = widthAt(text, --f.pixels);
    while (f.width > room && f.shown.size() > 1) {
        f.shown.chop(f.shown.back().isLowSurrogate() && f.shown.size() > 2 ? 2 : 1);
        f.width = widthAt(f.shown, f.pixels);
    }
    return f;
}

// A text at a printed position and size (twips and points on the sheet, already scaled).
void place(Printer& printer, double x, double y, double points, int unlin, const QString& text) {
    printer.move_to(float(x), float(y));
    printer.set_font_size(float(points));
    printer.set_underline(unlin == 1);
    printer.print_text(text);
}

void placeFitted(Printer& printer, const PageScale& scale, int x, double y, double room,
                 const Fitted& f, int unlin, CellAlign align) {
    double left = double(x) * scale.position;
    if (align == CellAlign::Right)
        left += room - f.width;
    place(printer, left, y, f.pixels / 20.0, unlin, f.shown);
}

// Characters onto lines no wider than `room` at a size, breaking anywhere (Japanese has no
// spaces to break at); a pair of surrogates stays together.
QStringList wrapLines(const QString& text, int pixels, double room) {
    QStringList lines;
    QString line;
    for (int i = 0; i < text.size(); ++i) {
        QString c(text[i]);
        if (text[i].isHighSurrogate() && i + 1 < text.size())
            c += text[++i];
        if (!line.isEmpty() && widthAt(line + c, pixels) > room) {
            lines << line;
            line.clear();
        }
        line += c;
    }
    if (!line.isEmpty())
        lines << line;
    return lines;
}

} // namespace

void prtxFit(Printer& printer, const PageScale& scale, int x, int y, int width, const QString& text,
             int size, int unlin, CellAlign align) {
    const int pixels = pixelsOf(double(size) * scale.font);
    const double room = double(width) * scale.position;
    if (text.isEmpty() || widthAt(text, pixels) <= room) {
        prtx(printer, scale, x, y, text, size, unlin);
        return;
    }
    placeFitted(printer, scale, x, double(y) * scale.position, room, fitLine(text, pixels, room), unlin,
                align);
}

void prtxFit(Printer& printer, const PageScale& scale, int x, int y, int width, int height,
             const QString& text, int size, int unlin, CellAlign align) {
    const int pixels = pixelsOf(double(size) * scale.font);
    const int tall = std::max(1, int(double(height) * scale.position));
    if (pixels <= tall) {
        prtxFit(printer, scale, x, y, width, text, size, unlin, align);
        return;
    }
    const double room = double(width) * scale.position;
    placeFitted(printer, scale, x, double(y) * scale.position, room,
                fitLine(text, std::max(floorPixels(pixels), tall), room), unlin, align);
}

void prtxFitLines(Printer& printer, const PageScale& scale, int x, int y, int width, int height,
                  const QStringList& lines, int size, int unlin, int pitch) {
    qsizetype count = lines.size();
    while (count > 0 && lines[count - 1].isEmpty())
        --count;
    const int extent = int(count - 1) * pitch + size * 20;
    if (count == 0 || extent <= height) {
        for (qsizetype i = 0; i < count; ++i) {
            if (!lines[i].isEmpty())
                prtxFit(printer, scale, x, y + pitch * int(i), width, lines[i], size, unlin);
        }
        return;
    }
    // Pitch and size shrink together, so the lines keep their proportions.
    const double factor = std::max(kFitFloor, double(height) / extent);
    const int pixels = std::max(1, int(double(size) * 20.0 * factor * scale.font));
    const double step = double(pitch) * factor * scale.position;
    const double room = double(width) * scale.position;
    const double bottom = double(y + height) * scale.position;
    for (qsizetype i = 0; i < count; ++i) {
        const double top = double(y) * scale.position + step * double(i);
        if (top + pixels > bottom + 0.01)
            break; // not even the floor holds this line
        if (!lines[i].isEmpty())
            placeFitted(printer, scale, x, top, room, fitLine(lines[i], pixels, room), unlin,
                        CellAlign::Left);
    }
}

namespace {

struct Wrapped {
    QStringList lines;
    int pixels = 0;
};

// The largest size, from `pixels` down to `least`, at which the text wrapped to `room` takes
// no more height than `tall`, with the lines evened out; at `least` the lines that fit, the
// rest cut.
Wrapped wrapToCell(const QString& text, int pixels, int least, double room, double tall) {
    for (int px = pixels; px >= least; --px) {
        QStringList lines = wrapLines(text, px, room);
        if (double(lines.size() * px) > tall)
            continue;
        // The narrowest room that keeps this many lines, so the last is not a stub.
        double lo = room / double(lines.size());
        double hi = room;
        for (int i = 0; i < 12 && lines.size() > 1; ++i) {
            const double mid = (lo + hi) / 2;
            (wrapLines(text, px, mid).size() <= lines.size() ? hi : lo) = mid;
        }
        if (lines.size() > 1)
            lines = wrapLines(text, px, hi);
        return {lines, px};
    }
    QStringList lines = wrapLines(text, least, room);
    lines = lines.mid(0, std::max(1, int(tall / least)));
    return {lines, least};
}

void placeLines(Printer& printer, const PageScale& scale, int x, int top, const Wrapped& w, int unlin,
                double room) {
    for (qsizetype i = 0; i < w.lines.size(); ++i)
        placeFitted(printer, scale, x, double(top) * scale.position + double(i * w.pixels), room,
                    fitLine(w.lines[i], w.pixels, room), unlin, CellAlign::Left);
}

} // namespace

void prtxFitWrapped(Printer& printer, const PageScale& scale, int x, int y, int width, int top,
                    int bottom, const QString& text, int size, int unlin) {
    const int pixels = pixelsOf(double(size) * scale.font);
    const double room = double(width) * scale.position;
    const double below = double(bottom - y) * scale.position;
    const double tall = double(bottom - top) * scale.position;
    if (text.isEmpty() || (pixels <= below && widthAt(text, pixels) <= room)) {
        prtx(printer, scale, x, y, text, size, unlin);
        return;
    }
    // One line where it stands, or lines from the top of the cell: whichever is larger.
    const int least = floorPixels(pixels);
    const Fitted one = fitLine(text, std::max(least, std::min(pixels, int(below))), room);
    const Wrapped more = wrapToCell(text, pixels, least, room, tall);
    if ((one.shown == text && one.pixels >= more.pixels) || more.lines.size() < 2)
        placeFitted(printer, scale, x, double(y) * scale.position, room, one, unlin, CellAlign::Left);
    else
        placeLines(printer, scale, x, top, more, unlin, room);
}

void prtxFitColumn(Printer& printer, const PageScale& scale, int x, int top, int width, int height,
                   const QString& text, int size, int unlin) {
    if (text.isEmpty())
        return;
    const int pixels = pixelsOf(double(size) * scale.font);
    const double room = double(width) * scale.position;
    placeLines(printer, scale, x, top,
               wrapToCell(text, pixels, floorPixels(pixels), room, double(height) * scale.position), unlin,
               room);
}

double pageFit(qint16 paperCode, float paperFactor, double paperWidth, double paperHeight,
               double printableWidth, double printableHeight) {
    // B4 landscape and the farthest any sheet draws on it (right rule, lowest frame line).
    constexpr double kB4Long = 364.0 / 25.4 * 1440.0;
    constexpr double kB4Short = 257.0 / 25.4 * 1440.0;
    constexpr double kLayoutWidth = 20150.0;
    constexpr double kLayoutHeight = 13600.0;
    if (paperWidth <= 0 || paperHeight <= 0)
        return 1.0;
    const bool listed = pageSizeOf(paperCode).has_value();
    double fit = 1.0;
    if (!listed)
        fit = std::min(paperWidth / kB4Long, paperHeight / kB4Short);
    else if (paperWidth < paperHeight)
        fit = paperWidth / paperHeight;
    else
        return 1.0; // a listed paper in landscape: the paper's factor as it stands
    const double drawn = double(paperFactor) * fit;
    if (printableWidth > 0 && printableHeight > 0 && drawn > 0) {
        const double room = std::min(printableWidth / (kLayoutWidth * drawn),
                                     printableHeight / (kLayoutHeight * drawn));
        if (room < 1.0)
            fit *= room;
    }
    return fit;
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
