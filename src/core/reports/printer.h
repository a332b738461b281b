#pragma once
// The printer every sheet draws on: the few operations the sheets need, in twips on the
// page model of B4 landscape, and the text routine prtx that all sheets share.

#include <QString>

namespace vorda {

class Printer {
public:
    virtual ~Printer() = default;

    virtual void set_paper(qint16 code) = 0;
    virtual void set_orientation(qint16 code) = 0;
    virtual void set_font_name(const QString& name) = 0;
    virtual void set_font_size(float points) = 0;
    virtual void set_underline(bool on) = 0;
    // Where the next text starts: its top-left corner, in twips.
    virtual void move_to(float x, float y) = 0;
    virtual void print_text(const QString& text) = 0;
    virtual void new_line() = 0;
    virtual void set_line_width(int dots) = 0;
    virtual void draw_line(float x1, float y1, float x2, float y2) = 0;
    virtual void draw_box(float x1, float y1, float x2, float y2) = 0;
    // Ends the sheet set: on a printer the job goes to the print service.
    virtual void end_document() = 0;

    // Empty while all went well; otherwise why the output failed (Japanese).
    virtual QString error() const { return QString(); }
};

// The scale of the chosen paper, applied to positions and font sizes.
struct PageScale {
    qint16 paperCode = 12;
    qint16 orientationCode = 2;
    float position = 1.0f;
    float font = 1.0f;
};

inline const QString kPrintFont = QStringLiteral("ＭＳ 明朝");

// Opens a print job: paper, orientation, the font, an empty line.
void openJob(Printer& printer, const PageScale& scale);

// Text at a base position (twips of B4 landscape) in a base point size, scaled.
void prtx(Printer& printer, const PageScale& scale, int x, int y, const QString& text, int size,
          int unlin);

// Where a text stands in its cell: from the cell's left edge, or ending at its right edge.
enum class CellAlign { Left, Right };

// The smallest share of its size a text may shrink to so that it fits its cell; a text that
// does not fit even then is cut.
constexpr double kFitFloor = 0.6;

// The width, in twips on the printed sheet, of a text in the print font at a point size.
double printTextWidth(const QString& text, double points);

// prtx for a text that must stay inside a cell `width` twips wide (base twips, scaled like
// x). A text that fits is drawn exactly as prtx draws it; one that does not is drawn smaller,
// down to kFitFloor of its size, keeping its left edge (Left) or the cell's right edge
// (Right), and cut only when even the floor is too wide.
void prtxFit(Printer& printer, const PageScale& scale, int x, int y, int width, const QString& text,
             int size, int unlin, CellAlign align = CellAlign::Left);

// Lines and boxes at base coordinates, scaled.
void scaledLine(Printer& printer, const PageScale& scale, int x1, int y1, int x2, int y2);
void scaledBox(Printer& printer, const PageScale& scale, int x1, int y1, int x2, int y2);

} // namespace vorda
