#pragma once
// The printer over a paged paint device: the default printer, a print preview or a PDF file.
// Coordinates are twips from the origin; a text is placed by its top-left corner.

#include "core/reports/printer.h"

#include <QFont>
#include <QPageSize>
#include <QPainter>
#include <QPointF>
#include <optional>

class QPagedPaintDevice;

namespace vorda {

// The faces that stand in for the firm's fonts ("ＭＳ 明朝", "ＭＳ Ｐゴシック", …). Idempotent.
void installFontSubstitutions();

// The page size of a paper code (12 is JIS B4); a code outside 8 to 13 gives nothing, and
// the device keeps its own paper.
std::optional<QPageSize> pageSizeOf(qint16 paperCode);

// Line widths are given in printer dots; one dot is 1/300 inch, 4.8 twips, whatever the device.
constexpr double kTwipsPerDot = 1440.0 / 300.0;

class PainterPrinter : public Printer {
public:
    enum class Sheets {
        OneDocument, // every sheet a page of one document (PDF, preview)
        JobPerSheet, // every end_document sends a job of its own (a printer)
    };

    // The device must outlive the printer. With pageCorner the origin is the corner of the
    // paper (PDF); otherwise the corner of the device's printable area (a printer).
    PainterPrinter(QPagedPaintDevice* device, Sheets sheets, bool pageCorner);
    ~PainterPrinter() override;

    void set_paper(qint16 code) override;
    void set_orientation(qint16 code) override;
    void set_font_name(const QString& name) override;
    void set_font_size(float points) override;
    void set_underline(bool on) override;
    void move_to(float x, float y) override;
    void print_text(const QString& text) override;
    void new_line() override;
    void set_line_width(int dots) override;
    void draw_line(float x1, float y1, float x2, float y2) override;
    void draw_box(float x1, float y1, float x2, float y2) override;
    void end_document() override;
    QString error() const override { return error_; }

    // Ends the document (a PDF file is written out). Returns false on an error.
    bool finish();

    int sheets() const { return sheetCount_; }

private:
    bool ensureSheet();

    QPagedPaintDevice* device_;
    Sheets mode_;
    bool pageCorner_;
    QPainter painter_;
    bool sheetOpen_ = false;  // drawing on a sheet now
    bool pageUsed_ = false;   // the device's current page has a sheet on it
    int sheetCount_ = 0;
    qint16 paper_ = 12;
    qint16 orientation_ = 2;
    QFont font_;
    QPointF position_;
    QPen pen_;
    QString error_;
};

} // namespace vorda
