#include "ui/reports/monthly_results_screen.h"

#include "core/app/app_state.h"
#include "core/reports/csv_export.h"
#include "ui/app/frame_window.h"
#include "ui/app/ui_support.h"
#include "ui/reports/print_output.h"
#include "ui/reports/print_screen_parts.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>

namespace vorda {

MonthlyResultsScreen::MonthlyResultsScreen(AppState& state, QWidget* parent)
    : QWidget(parent), state_(state), year_(new QLineEdit(this)), month_(new QLineEdit(this)),
      start_(new QLabel(this)), end_(new QLabel(this)), progress_(new QProgressBar(this)) {
    setObjectName(QStringLiteral("MonthlyResults"));
    setWindowTitle(QStringLiteral("月間稼働実績"));
    const QDate date = state_.workingDate.isValid() ? state_.workingDate : state_.today();
    year_->setObjectName(QStringLiteral("Text1"));
    month_->setObjectName(QStringLiteral("Text2"));
    year_->setText(QString::number(date.year()));
    month_->setText(QString::number(date.month()));
    start_->setObjectName(QStringLiteral("Label2"));
    end_->setObjectName(QStringLiteral("Label4"));
    for (QLabel* l : {start_, end_}) {
        l->setMinimumWidth(96);
        l->setAlignment(Qt::AlignCenter);
    }
    auto* tilde = new QLabel(QStringLiteral("～"), this);
    tilde->setObjectName(QStringLiteral("Label3"));
    progress_->setObjectName(QStringLiteral("ProgressBar1"));
    progress_->setRange(0, kMonthlyProgressMax);
    progress_->setValue(0);
    progress_->setTextVisible(false);

    auto* period = new QHBoxLayout;
    period->addWidget(start_);
    period->addWidget(tilde);
    period->addWidget(end_);
    period->addStretch();
    auto* grid = new QGridLayout(this);
    grid->addLayout(dateFieldsRow({year_, month_}, {QStringLiteral("年"), QStringLiteral("月度")}),
                    0, 0);
    grid->addLayout(period, 1, 0);
    grid->addLayout(progressRow(progress_), 2, 0);
    grid->addLayout(printButtons(
                        this, [this](Output output) { run(output); }, QStringLiteral("印字"), true),
                    3, 0);

    connect(year_, &QLineEdit::textChanged, this, &MonthlyResultsScreen::HANIDT);
    connect(month_, &QLineEdit::textChanged, this, &MonthlyResultsScreen::HANIDT);
    HANIDT();
}

void MonthlyResultsScreen::HANIDT() {
    const auto request = monthFromFields(year_->text(), month_->text());
    // A file that cannot be read leaves the labels empty; printing then says why.
    Period period;
    const bool shown =
        request && !vorda::HANIDT(state_.databasePath, request->year, request->month, period);
    showPeriod(start_, end_, shown ? std::optional<Period>(period) : std::nullopt);
}

void MonthlyResultsScreen::run(Output output) {
    const auto request = monthFromFields(year_->text(), month_->text());
    if (!request) {
        ui::showMessage(this, QStringLiteral("年月に誤りがあります。"));
        return;
    }
    MonthlyResultsData data;
    const auto step = [this](int value) { progress_->setValue(value); };
    if (const DbError e = readMonthlyResults(state_.databasePath, *request, era_, data, step)) {
        progress_->setValue(0);
        showFailure(this, e);
        return;
    }
    const QString name = QStringLiteral("月間稼働実績_%1%2")
                             .arg(request->year)
                             .arg(request->month, 2, 10, QLatin1Char('0'));
    if (output == Output::Csv) {
        ui::saveCsv(this, monthlyCsv(data), name + QStringLiteral(".csv"));
        progress_->setValue(0);
        return;
    }
    const PageScale scale{state_.paperCode, state_.orientationCode, state_.positionScale,
                          state_.fontScale, state_.today()};
    const DrawSheets draw = [&data, scale, step](Printer& p) {
        drawMonthlyResults(p, scale, data, step);
    };
    const QString pdfName = name + QStringLiteral(".pdf");
    sendSheets(this, output, draw, pdfName);
    progress_->setValue(0);
}

} // namespace vorda
