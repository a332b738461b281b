#pragma once
// A printer that keeps every operation with its arguments: what the sheets are tested on.

#include "core/reports/printer.h"

#include <QStringList>
#include <vector>

namespace vorda {

class RecordingPrinter : public Printer {
public:
    struct Op {
        QString name;
        QList<float> numbers;
        QString text;
    };

    void set_paper(qint16 code) override { add(QStringLiteral("set_paper"), {float(code)}); }
    void set_orientation(qint16 code) override { add(QStringLiteral("set_orientation"), {float(code)}); }
    void set_font_name(const QString& name) override { add(QStringLiteral("set_font_name"), {}, name); }
    void set_font_size(float points) override { add(QStringLiteral("set_font_size"), {points}); }
    void set_underline(bool on) override { add(QStringLiteral("set_underline"), {on ? 1.0f : 0.0f}); }
    void move_to(float x, float y) override { add(QStringLiteral("move_to"), {x, y}); }
    void print_text(const QString& text) override { add(QStringLiteral("print_text"), {}, text); }
    void new_line() override { add(QStringLiteral("new_line"), {}); }
    void set_line_width(int dots) override { add(QStringLiteral("set_line_width"), {float(dots)}); }
    void draw_line(float x1, float y1, float x2, float y2) override {
        add(QStringLiteral("draw_line"), {x1, y1, x2, y2});
    }
    void draw_box(float x1, float y1, float x2, float y2) override {
        add(QStringLiteral("draw_box"), {x1, y1, x2, y2});
    }
    void end_document() override { add(QStringLiteral("end_document"), {}); }

    const std::vector<Op>& ops() const { return ops_; }

    // A text printed with where and how: position, size and underline in force at the time.
    struct Text {
        QString text;
        float x = 0;
        float y = 0;
        float size = 0;
        bool underline = false;
        int sheet = 0; // 0 for the first sheet, counted by end_document
    };
    std::vector<Text> texts() const;

    // One line per operation, numbers to two places: the golden form of a sheet.
    QStringList dump() const;

private:
    void add(const QString& name, QList<float> numbers, const QString& text = QString()) {
        ops_.push_back({name, std::move(numbers), text});
    }
    std::vector<Op> ops_;
};

} // namespace vorda
