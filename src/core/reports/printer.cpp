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

// Texts up to this length are measured whole at once; longer ones by their prefixes, so a
// text of any length costs a few measurements of what can stand in a cell.
constexpr qsizetype kMeasureWhole = 64;

// A prefix length that does not split a pair of surrogates.
qsizetype wholeChars(const QString& text, qsizetype n) {
    if (n > 0 && n < text.size() && text[n].isLowSurrogate() && text[n - 1].isHighSurrogate())
        --n;
    return n;
}

// The length of the longest prefix of `text` no wider than `room` at a size (whole characters;
// the whole length when all of it fits, 0 when not even the first character does). Found by
// doubling the prefix, then halving the step: a number of measurements that grows with the
// logarithm of what fits, never with the text's length.
qsizetype fittingPrefix(const QString& text, int pixels, double room) {
    const qsizetype n = text.size();
    if (n == 0)
        return 0;
    if (n <= kMeasureWhole && widthAt(text, pixels) <= room)
        return n;
    qsizetype good = 0;
    qsizetype bad = n + 1;
    for (qsizetype len = 1;; len *= 2) {
        const qsizetype cut = std::max<qsizetype>(1, wholeChars(text, std::min(len, n)));
        if (widthAt(text.left(cut), pixels) > room) {
            bad = cut;
            break;
        }
        good = cut;
        if (cut >= n)
            return n;
    }
    while (bad - good > 1) {
        const qsizetype mid = wholeChars(text, good + (bad - good) / 2);
        if (mid <= good)
            break;
        (widthAt(text.left(mid), pixels) <= room ? good : bad) = mid;
    }
    return good;
}

bool fitsAt(const QString& text, int pixels, double room) {
    return fittingPrefix(text, pixels, room) == text.size();
}

// The largest size up to `pixels` at which the text fits `room`: not below the floor (a figure
// goes on shrinking), and cut from the end when even the floor is too wide. The size is found
// by halving the range of sizes, the cut by fittingPrefix.
Fitted fitLine(const QString& text, int pixels, double room) {
    if (fitsAt(text, pixels, room))
        return {text, pixels, widthAt(text, pixels)};
    const int least = isFigure(text) ? 1 : floorPixels(pixels);
    const qsizetype atLeast = fittingPrefix(text, least, room);
    if (atLeast < text.size()) {
        // Not even the floor holds it: a figure is drawn whole, a text cut.
        const QString shown =
            isFigure(text) ? text : text.left(std::max<qsizetype>(1, wholeChars(text, atLeast)));
        return {shown, least, widthAt(shown, least)};
    }
    // The whole text fits at `least` (so it is short): the largest size that holds it.
    int lo = least;
    int hi = pixels;
    while (hi - lo > 1) {
        const int mid = lo + (hi - lo) / 2;
        (widthAt(text, mid) <= room ? lo : hi) = mid;
    }
    return {text, lo, widthAt(text, lo)};
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
// spaces to break at); a pair of surrogates stays together. At most `limit` + 1 lines are
// made: enough to tell that the text takes more than `limit`.
QStringList wrapLines(const QString& text, int pixels, double room, qsizetype limit) {
    QStringList lines;
    QString rest = text;
    while (!rest.isEmpty() && lines.size() <= limit) {
        const qsizetype n =
            std::max<qsizetype>(1, wholeChars(rest, fittingPrefix(rest, pixels, room)));
        const qsizetype take = rest[n - 1].isHighSurrogate() && n < rest.size() ? n + 1 : n;
        lines << rest.left(take);
        rest.remove(0, take);
    }
    return lines;
}

} // namespace

void prtxFit(Printer& printer, const PageScale& scale, int x, int y, int width, const QString& text,
             int size, int unlin, CellAlign align) {
    const int pixels = pixelsOf(double(size) * scale.font);
    const double room = double(width) * scale.position;
    if (text.isEmpty() || fitsAt(text, pixels, room)) {
        prtx(printer, scale, x, y, text, size, unlin);
        return;
    }
    placeFitted(printer, scale, x, double(y) * scale.position, room, fitLine(text, pixels, room),
                unlin, align);
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
    // Whether the text wrapped at a size takes no more lines than the cell holds at it.
    auto fits = [&](int px) {
        const qsizetype holds = qsizetype(tall / px);
        return holds >= 1 && wrapLines(text, px, room, holds).size() <= holds;
    };
    if (!fits(least)) {
        const qsizetype holds = std::max<qsizetype>(1, qsizetype(tall / least));
        return {wrapLines(text, least, room, holds).mid(0, holds), least};
    }
    // The largest size that holds it: smaller sizes take fewer lines, so halve the range.
    int lo = least;
    int hi = pixels + 1;
    while (hi - lo > 1) {
        const int mid = lo + (hi - lo) / 2;
        (fits(mid) ? lo : hi) = mid;
    }
    const int px = lo;
    QStringList lines = wrapLines(text, px, room, qsizetype(tall / px));
    // The narrowest room that keeps this many lines, so the last is not a stub.
    double narrow = room / double(lines.size());
    double wide = room;
    for (int i = 0; i < 12 && lines.size() > 1; ++i) {
        const double mid = (narrow + wide) / 2;
        (wrapLines(text, px, mid, lines.size()).size() <= lines.size() ? wide : narrow) = mid;
    }
    if (lines.size() > 1)
        lines = wrapLines(text, px, wide, lines.size());
    return {lines, px};
}

void placeLines(Printer& printer, const PageScale& scale, int x, int top, const Wrapped& w,
                int unlin, double room) {
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
    if (text.isEmpty() || (pixels <= below && fitsAt(text, pixels, room))) {
        prtx(printer, scale, x, y, text, size, unlin);
        return;
    }
    // One line where it stands, or lines from the top of the cell: whichever is larger.
    const int least = floorPixels(pixels);
    const Fitted one = fitLine(text, std::max(least, std::min(pixels, int(below))), room);
    const Wrapped more = wrapToCell(text, pixels, least, room, tall);
    if ((one.shown == text && one.pixels >= more.pixels) || more.lines.size() < 2)
        placeFitted(printer, scale, x, double(y) * scale.position, room, one, unlin,
                    CellAlign::Left);
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
               wrapToCell(text, pixels, floorPixels(pixels), room, double(height) * scale.position),
               unlin, room);
}

void prtxFigure(Printer& printer, const PageScale& scale, int x, int y, int left, int right,
                const QString& text, int size) {
    if (text.isEmpty())
        return;
    const int pixels = pixelsOf(double(size) * scale.font);
    if (fitsAt(text, pixels, double(right - x) * scale.position)) {
        prtx(printer, scale, x, y, text, size, 0);
        return;
    }
    const double room = double(right - left) * scale.position;
    placeFitted(printer, scale, left, double(y) * scale.position, room, fitLine(text, pixels, room),
                0, CellAlign::Right);
}

namespace {

// The half band of a rule and the margin beyond it, in base twips of this paper. On a paper
// larger than B4 the B4 figure stands, so that the sheet is the B4 one enlarged.
int ruleReach(const PageScale& scale, int dots) {
    const double printed = double(dots) * kDotTwips / 2.0 + kRuleMargin;
    return int(std::ceil(printed / std::clamp(double(scale.position), 0.01, 1.0) - 1e-6));
}

// The first `count` characters of a text, one a piece, a pair of surrogates as one.
QStringList charsOf(const QString& text, int count) {
    QStringList chars;
    for (qsizetype i = 0; i < text.size() && chars.size() < count; ++i) {
        QString c(text[i]);
        if (text[i].isHighSurrogate() && i + 1 < text.size())
            c += text[++i];
        chars << c;
    }
    return chars;
}

} // namespace

int clearAfter(const PageScale& scale, int at, int dots) {
    return at + ruleReach(scale, dots);
}

int clearBefore(const PageScale& scale, int at, int dots) {
    return at - ruleReach(scale, dots);
}

std::vector<bool> headingsAlike(const std::vector<QString>& names) {
    std::vector<QString> heads;
    for (const QString& n : names)
        heads.push_back(charsOf(n, 3).join(QString()));
    std::vector<bool> out(names.size(), false);
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (charsOf(names[i], 4).size() < 4)
            continue; // three characters or fewer show whole anyway
        for (std::size_t j = 0; j < names.size() && !out[i]; ++j)
            out[i] = i != j && !names[j].isEmpty() && names[j] != names[i] && heads[j] == heads[i];
    }
    return out;
}

void prtxHeading(Printer& printer, const PageScale& scale, int x, int y, int pitch, int top,
                 int bottom, int width, const QString& heading, int size, bool alike) {
    if (heading.isEmpty())
        return;
    if (alike) {
        prtxFitColumn(printer, scale, x, top, width, bottom - top,
                      charsOf(heading, 6).join(QString()), size, 0);
        return;
    }
    QStringList chars = charsOf(heading, 3);
    prtxFitLines(printer, scale, x, y, width, bottom - y, chars, size, 0, pitch);
}

void prtPageMarks(Printer& printer, const PageScale& scale, int right, int y, int page, int pages) {
    double end = double(right) * scale.position;
    const double top = double(y) * scale.position;
    const int markPixels = pixelsOf(double(kPageMarkSize) * scale.font);
    if (scale.printDate.isValid()) {
        const QString date =
            QStringLiteral("印刷日 ") + scale.printDate.toString(QStringLiteral("yyyy/MM/dd"));
        const int pixels = pixelsOf(double(kPrintDateSize) * scale.font);
        const double width = widthAt(date, pixels);
        // On the page mark's line, their feet level.
        place(printer, end - width, top + double(markPixels - pixels) * 0.88, pixels / 20.0, 0,
              date);
        end -= width + double(markPixels);
    }
    if (pages > 1) {
        const QString mark = QStringLiteral("%1 / %2").arg(page).arg(pages);
        place(printer, end - widthAt(mark, markPixels), top, markPixels / 20.0, 0, mark);
    }
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
