#include "core/reports/painter_printer.h"

#include "core/app/app_state.h"

#include <QFontMetricsF>
#include <QPagedPaintDevice>

namespace vorda {

void installFontSubstitutions() {
    static bool done = false;
    if (done)
        return;
    done = true;
    QFont::insertSubstitution(QStringLiteral("ＭＳ 明朝"), QStringLiteral("IPAMincho"));
    QFont::insertSubstitution(QStringLiteral("ＭＳ Ｐ明朝"), QStringLiteral("IPAPMincho"));
    QFont::insertSubstitution(QStringLiteral("ＭＳ ゴシック"), QStringLiteral("IPAGothic"));
    QFont::insertSubstitution(QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic"));
}

std::optional<QPageSize> pageSizeOf(qint16 paperCode) {
    switch (paperCode) {
    case 8:
        return QPageSize(QPageSize::A3);
    case 9:
    case 10:
        return QPageSize(QPageSize::A4);
    case 11:
        return QPageSize(QPageSize::A5);
    case 12:
        return QPageSize(QPageSize::JisB4);
    case 13:
        return QPageSize(QPageSize::JisB5);
    default:
        return std::nullopt;
    }
}

PainterPrinter::PainterPrinter(QPagedPaintDevice* device, Sheets sheets, bool pageCorner)
    : device_(device), mode_(sheets), pageCorner_(pageCorner) {
    installFontSubstitutions();
    font_ = QFont(kPrintFont);
    font_.setPixelSize(200);
    pen_ = QPen(Qt::black, kTwipsPerDot, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
}

PainterPrinter::~PainterPrinter() {
    finish();
}

bool PainterPrinter::ensureSheet() {
    if (!error_.isEmpty())
        return false;
    if (sheetOpen_)
        return true;
    // The paper and orientation of this sheet; codes the device does not know leave its own.
    const auto size = pageSizeOf(paper_);
    if (size)
        device_->setPageSize(*size);
    if (orientation_ == 1 || orientation_ == 2)
        device_->setPageOrientation(orientation_ == 1 ? QPageLayout::Portrait : QPageLayout::Landscape);
    if (pageCorner_)
        device_->setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);

    if (!painter_.isActive()) {
        if (!painter_.begin(device_)) {
            error_ = QStringLiteral("印刷を開始できません。プリンターの設定を確認してください。");
            return false;
        }
    } else if (pageUsed_ && !device_->newPage()) {
        error_ = QStringLiteral("次のページを用意できません。");
        return false;
    }
    // Portrait and papers outside the list: the landscape sheet shrunk onto the page the
    // device has, never cut off at its right edge.
    const QPageLayout layout = device_->pageLayout();
    const QRectF paper = layout.fullRect(QPageLayout::Point);
    const QRectF area = pageCorner_ ? paper : layout.paintRect(QPageLayout::Point);
    const double fit = pageFit(paper_, scaleForPaper(paper_), paper.width() * 20.0, paper.height() * 20.0,
                               area.width() * 20.0, area.height() * 20.0);
    painter_.resetTransform();
    painter_.scale(device_->logicalDpiX() / 1440.0 * fit, device_->logicalDpiY() / 1440.0 * fit);
    painter_.setRenderHint(QPainter::Antialiasing, false);
    sheetOpen_ = true;
    pageUsed_ = true;
    ++sheetCount_;
    return true;
}

void PainterPrinter::set_paper(qint16 code) {
    paper_ = code;
}

void PainterPrinter::set_orientation(qint16 code) {
    orientation_ = code;
}

void PainterPrinter::set_font_name(const QString& name) {
    font_.setFamily(name);
}

void PainterPrinter::set_font_size(float points) {
    // Under the twip scale a point is 20 units; point sizes would be taken at the device dpi.
    font_.setPixelSize(std::max(1, qRound(points * 20.0f)));
}

void PainterPrinter::set_underline(bool on) {
    font_.setUnderline(on);
}

void PainterPrinter::move_to(float x, float y) {
    position_ = QPointF(x, y);
}

void PainterPrinter::print_text(const QString& text) {
    if (text.isEmpty() || !ensureSheet())
        return;
    painter_.setFont(font_);
    painter_.setPen(QPen(Qt::black));
    const QFontMetricsF metrics(font_);
    painter_.drawText(QPointF(position_.x(), position_.y() + metrics.ascent()), text);
}

void PainterPrinter::new_line() {
    ensureSheet();
}

void PainterPrinter::set_line_width(int dots) {
    pen_.setWidthF(std::max(1, dots) * kTwipsPerDot);
}

void PainterPrinter::draw_line(float x1, float y1, float x2, float y2) {
    if (!ensureSheet())
        return;
    painter_.setPen(pen_);
    painter_.drawLine(QPointF(x1, y1), QPointF(x2, y2));
}

void PainterPrinter::draw_box(float x1, float y1, float x2, float y2) {
    if (!ensureSheet())
        return;
    painter_.setPen(pen_);
    painter_.setBrush(Qt::NoBrush);
    painter_.drawRect(QRectF(QPointF(x1, y1), QPointF(x2, y2)).normalized());
}

void PainterPrinter::end_document() {
    if (!sheetOpen_)
        return;
    sheetOpen_ = false;
    if (mode_ == Sheets::JobPerSheet) {
        // Each sheet its own job: ending the painter hands it to the print service.
        if (!painter_.end() && error_.isEmpty())
            error_ = QStringLiteral("印刷できませんでした。");
        pageUsed_ = false;
    }
}

bool PainterPrinter::finish() {
    sheetOpen_ = false;
    if (painter_.isActive() && !painter_.end() && error_.isEmpty())
        error_ = QStringLiteral("出力を書き終えられませんでした。");
    return error_.isEmpty();
}

} // namespace vorda
