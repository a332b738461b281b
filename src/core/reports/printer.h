#pragma once
// The printer every sheet draws on: the few operations the sheets need, in twips on the
// page model of B4 landscape, and the text routine prtx that all sheets share.

#include <QDate>
#include <QString>
#include <QStringList>
#include <vector>

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

// The scale of the chosen paper, applied to positions and font sizes, and the day the sheets
// are printed, stamped on each (the program's clock, so a test pins it; none when not valid).
struct PageScale {
    PageScale(qint16 paper = 12, qint16 orientation = 2, float positionScale = 1.0f,
              float fontScale = 1.0f, QDate printed = QDate())
        : paperCode(paper), orientationCode(orientation), position(positionScale), font(fontScale),
          printDate(printed) {}

    qint16 paperCode;
    qint16 orientationCode;
    float position;
    float font;
    QDate printDate;
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

// prtxFit with a height as well: the text's size (its em, `height` base twips at most below
// y) also stays inside the cell.
void prtxFit(Printer& printer, const PageScale& scale, int x, int y, int width, int height,
             const QString& text, int size, int unlin, CellAlign align = CellAlign::Left);

// Lines stacked `pitch` apart from y in a cell `width` wide and `height` high (from y). Lines
// that fit are drawn as prtxFit draws each; a stack taller than the cell has its pitch and size
// shrunk together (not below kFitFloor; lines that still do not fit are left out).
void prtxFitLines(Printer& printer, const PageScale& scale, int x, int y, int width, int height,
                  const QStringList& lines, int size, int unlin, int pitch);

// A text that may take more than one line of its cell (from `top` to `bottom`, base twips): on
// one line at (x, y) while that is the largest it can be drawn, otherwise wrapped onto as many
// lines from `top` as the cell holds, as large as they fit; cut only at kFitFloor.
void prtxFitWrapped(Printer& printer, const PageScale& scale, int x, int y, int width, int top,
                    int bottom, const QString& text, int size, int unlin);

// A text read down a narrow cell: as many characters a line as `width` holds, lines from
// `top`, as large as the cell's `height` lets them be (down to kFitFloor, then cut).
void prtxFitColumn(Printer& printer, const PageScale& scale, int x, int top, int width, int height,
                   const QString& text, int size, int unlin);

// A figure in a cell whose free width runs from `left` to `right` (base twips, clear of the
// rules): drawn as prtx draws it at x while it fits up to `right`, otherwise right-aligned
// over the cell's whole free width, as large as that holds (a figure is never cut).
void prtxFigure(Printer& printer, const PageScale& scale, int x, int y, int left, int right,
                const QString& text, int size);

// Rules have a width of their own: `dots` printer dots (4.8 twips each on every paper, not
// scaled), half of it on each side of the line. Texts stand clear of that band, by this
// margin beyond it (twips on the sheet).
constexpr double kDotTwips = 4.8;
constexpr double kRuleMargin = 4.0;

// The first base position after a rule at `at` (`dots` wide) where a text is clear of it, and
// the last before it. On a paper smaller than B4 the band takes more base twips.
int clearAfter(const PageScale& scale, int at, int dots);
int clearBefore(const PageScale& scale, int at, int dots);

// Names that only more characters tell apart: true where another, different name shares the
// first three characters (two backhoes "BH0.45" and "BH0.25").
std::vector<bool> headingsAlike(const std::vector<QString>& names);

// A heading read down a narrow column: its first three characters one a line from y, `pitch`
// apart; or, for a name `alike` another, up to six characters from `top`, as many a line as
// the column holds. The column runs `width` from x and down to `bottom`.
void prtxHeading(Printer& printer, const PageScale& scale, int x, int y, int pitch, int top,
                 int bottom, int width, const QString& heading, int size, bool alike);

// Which sheet this is and when it was printed, right-aligned so that they end at `right`
// (base twips) on the line from y: "n / m" when the print has more than one sheet, then
// "印刷日 yyyy/MM/dd" in a small size when the print date is known.
void prtPageMarks(Printer& printer, const PageScale& scale, int right, int y, int page, int pages);
constexpr int kPageMarkSize = 10;
constexpr int kPrintDateSize = 8;

// A figure (digits, sign, separators and blanks): such a text is never cut, it only shrinks.
bool isFigure(const QString& text);

// The sheets are laid out for B4 landscape and drawn at their paper's factor. On the page a
// device gives them they are scaled further by this: 1 on a listed paper in landscape; short
// side over long side in portrait, so that the width fits; and on a paper outside the list, B4
// fitted to the paper the device reports. Portrait and unlisted papers are kept inside the
// printable area. Sizes in twips.
double pageFit(qint16 paperCode, float paperFactor, double paperWidth, double paperHeight,
               double printableWidth, double printableHeight);

// Lines and boxes at base coordinates, scaled.
void scaledLine(Printer& printer, const PageScale& scale, int x1, int y1, int x2, int y2);
void scaledBox(Printer& printer, const PageScale& scale, int x1, int y1, int x2, int y2);

} // namespace vorda
