#include "core/reports/recording_printer.h"

namespace vorda {

std::vector<RecordingPrinter::Text> RecordingPrinter::texts() const {
    std::vector<Text> out;
    Text state;
    for (const Op& op : ops_) {
        if (op.name == QLatin1String("move_to")) {
            state.x = op.numbers[0];
            state.y = op.numbers[1];
        } else if (op.name == QLatin1String("set_font_size")) {
            state.size = op.numbers[0];
        } else if (op.name == QLatin1String("set_underline")) {
            state.underline = op.numbers[0] != 0;
        } else if (op.name == QLatin1String("end_document")) {
            ++state.sheet;
        } else if (op.name == QLatin1String("print_text")) {
            Text t = state;
            t.text = op.text;
            out.push_back(t);
        }
    }
    return out;
}

QStringList RecordingPrinter::dump() const {
    QStringList lines;
    for (const Op& op : ops_) {
        QString line = op.name;
        for (float n : op.numbers)
            line += u' ' + QString::number(double(n), 'f', 2);
        if (!op.text.isNull())
            line += QStringLiteral(" \"%1\"").arg(op.text);
        lines << line;
    }
    return lines;
}

} // namespace vorda
