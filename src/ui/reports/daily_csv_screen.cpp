#include "ui/reports/daily_csv_screen.h"

#include "core/app/app_state.h"
#include "core/reports/csv_export.h"
#include "ui/app/frame_window.h"
#include "ui/app/ui_support.h"
#include "ui/reports/print_output.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>

namespace vorda {

std::optional<QDate> typedDate(const QString& text) {
    static const QRegularExpression form(
        QStringLiteral("^\\s*([0-9]{4})[/-]([0-9]{1,2})[/-]([0-9]{1,2})\\s*$"));
    const QRegularExpressionMatch m = form.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    const QDate date(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    return date.isValid() ? std::optional<QDate>(date) : std::nullopt;
}

DailyCsvScreen::DailyCsvScreen(AppState& state, QWidget* parent)
    : QWidget(parent), state_(state), from_(new QLineEdit(this)), to_(new QLineEdit(this)) {
    setObjectName(QStringLiteral("DailyCsvScreen"));
    setWindowTitle(QStringLiteral("日報CSV"));
    from_->setObjectName(QStringLiteral("Text1"));
    to_->setObjectName(QStringLiteral("Text2"));
    for (QLineEdit* e : {from_, to_}) {
        e->setMaximumWidth(110);
        e->setToolTip(QStringLiteral("年/月/日"));
    }
    // The working date's month, as the monthly sheets start.
    const QDate date = state_.workingDate.isValid() ? state_.workingDate : state_.today();
    const QString format = QStringLiteral("yyyy/MM/dd");
    from_->setText(QDate(date.year(), date.month(), 1).toString(format));
    to_->setText(QDate(date.year(), date.month(), date.daysInMonth()).toString(format));

    auto* grid = new QGridLayout(this);
    auto* dates = new QHBoxLayout;
    dates->addWidget(from_);
    dates->addWidget(new QLabel(QStringLiteral("～"), this));
    dates->addWidget(to_);
    dates->addStretch();
    grid->addWidget(new QLabel(QStringLiteral("日報の行（予定・実績）を CSV に保存します。"), this),
                    0, 0);
    grid->addLayout(dates, 1, 0);
    auto* buttons = new QHBoxLayout;
    auto* save = new QPushButton(QStringLiteral("CSV保存…"), this);
    save->setObjectName(QStringLiteral("Command1"));
    auto* close = new QPushButton(QStringLiteral("終了"), this);
    close->setObjectName(QStringLiteral("Command2"));
    for (QPushButton* b : {save, close})
        b->setMinimumWidth(96);
    buttons->addWidget(save);
    buttons->addStretch();
    buttons->addWidget(close);
    grid->addLayout(buttons, 2, 0);
    connect(save, &QPushButton::clicked, this, &DailyCsvScreen::save);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    ui::pressWithEnter(this);
}

void DailyCsvScreen::save() {
    const auto from = typedDate(from_->text());
    const auto to = typedDate(to_->text());
    if (!from || !to) {
        ui::showMessage(this, QStringLiteral("日付に誤りがあります。"));
        (from ? to_ : from_)->setFocus();
        return;
    }
    if (*to < *from) {
        ui::showMessage(this, QStringLiteral("終了日は開始日以降の日付にしてください。"));
        to_->setFocus();
        return;
    }
    CsvTable table;
    if (const DbError e = readDailyCsv(state_.databasePath, *from, *to, table)) {
        showFailure(this, e);
        return;
    }
    const QString format = QStringLiteral("yyyyMMdd");
    ui::saveCsv(this, table,
                QStringLiteral("日報_%1-%2.csv").arg(from->toString(format), to->toString(format)));
}

} // namespace vorda
