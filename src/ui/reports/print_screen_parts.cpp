#include "ui/reports/print_screen_parts.h"

#include "ui/reports/print_output.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

namespace vorda {

QHBoxLayout* dateFieldsRow(std::initializer_list<QLineEdit*> fields,
                           std::initializer_list<QString> captions) {
    auto* row = new QHBoxLayout;
    auto caption = captions.begin();
    for (QLineEdit* f : fields) {
        f->setFixedWidth(f->objectName() == QLatin1String("Text1") ? 64 : 40);
        f->setAlignment(Qt::AlignCenter);
        f->setAttribute(Qt::WA_InputMethodEnabled, false);
        row->addWidget(f);
        if (caption != captions.end())
            row->addWidget(new QLabel(*caption++, f->parentWidget()));
    }
    row->addStretch();
    return row;
}

QHBoxLayout* progressRow(QProgressBar* bar) {
    auto* row = new QHBoxLayout;
    auto* caption = new QLabel(QStringLiteral("進行状況"), bar->parentWidget());
    caption->setObjectName(QStringLiteral("progressCaption"));
    caption->setBuddy(bar);
    bar->setAccessibleName(caption->text());
    row->addWidget(caption);
    row->addWidget(bar, 1);
    return row;
}

QHBoxLayout* printButtons(QWidget* screen, std::function<void(Output)> chosen,
                          const QString& printCaption, bool csv) {
    auto* row = new QHBoxLayout;
    const struct {
        const char* name;
        const char16_t* caption;
        Output output;
    } buttons[] = {{"Command1", u"印字", Output::Printer},
                   {"Command3", u"プレビュー", Output::Preview},
                   {"Command4", u"PDF保存…", Output::Pdf},
                   {"Command5", u"CSV保存…", Output::Csv}};
    for (int i = 0; i < (csv ? 4 : 3); ++i) {
        auto* b =
            new QPushButton(i == 0 ? printCaption : QString::fromUtf16(buttons[i].caption), screen);
        b->setObjectName(QString::fromLatin1(buttons[i].name));
        b->setMinimumWidth(96);
        const Output output = buttons[i].output;
        QObject::connect(b, &QPushButton::clicked, screen, [chosen, output] { chosen(output); });
        row->addWidget(b);
    }
    row->addStretch();
    auto* close = new QPushButton(QStringLiteral("終了"), screen);
    close->setObjectName(QStringLiteral("Command2"));
    close->setMinimumWidth(96);
    QObject::connect(close, &QPushButton::clicked, screen, &QWidget::close);
    row->addWidget(close);
    return row;
}

void sendSheets(QWidget* screen, Output output, const DrawSheets& draw, const QString& pdfName) {
    switch (output) {
    case Output::Printer:
        ui::printSheets(screen, draw, pdfName);
        break;
    case Output::Preview:
        ui::previewSheets(screen, draw);
        break;
    case Output::Pdf:
        ui::saveSheetsAsPdf(screen, draw, pdfName);
        break;
    case Output::Csv: // the screen writes its figures itself
        break;
    }
}

void showPeriod(QLabel* start, QLabel* end, const std::optional<Period>& period) {
    const QString format = QStringLiteral("yyyy/MM/dd");
    start->setText(period ? period->start.toString(format) : QString());
    end->setText(period ? period->end.toString(format) : QString());
}

} // namespace vorda
