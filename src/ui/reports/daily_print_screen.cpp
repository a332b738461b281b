#include "ui/reports/daily_print_screen.h"

#include "core/app/app_state.h"
#include "core/app/working_date.h"
#include "ui/app/frame_window.h"
#include "ui/app/ui_support.h"
#include "ui/reports/print_output.h"
#include "ui/reports/print_screen_parts.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>

namespace vorda {

DailyPrintScreen::DailyPrintScreen(AppState& state, QWidget* parent)
    : QWidget(parent), state_(state), year_(new QLineEdit(this)), month_(new QLineEdit(this)),
      day_(new QLineEdit(this)), progress_(new QProgressBar(this)) {
    setObjectName(QStringLiteral("Form13"));
    setWindowTitle(QStringLiteral("VORDA印字"));
    const QDate date = state_.workingDate.isValid() ? state_.workingDate : state_.today();
    year_->setObjectName(QStringLiteral("Text1"));
    month_->setObjectName(QStringLiteral("Text2"));
    day_->setObjectName(QStringLiteral("Text3"));
    year_->setText(QString::number(date.year()));
    month_->setText(QString::number(date.month()));
    day_->setText(QString::number(date.day()));
    progress_->setObjectName(QStringLiteral("ProgressBar1"));
    progress_->setRange(0, kDailyProgressMax);
    progress_->setValue(0);
    progress_->setTextVisible(false);

    auto* grid = new QGridLayout(this);
    auto* dateRow = dateFieldsRow(
        {year_, month_, day_}, {QStringLiteral("年"), QStringLiteral("月"), QStringLiteral("日")});
    grid->addLayout(dateRow, 0, 0);
    grid->addLayout(progressRow(progress_), 1, 0);
    grid->addLayout(printButtons(this, [this](Output output) { run(output); }), 2, 0);
}

void DailyPrintScreen::run(Output output) {
    const auto date = dateFromFields(year_->text(), month_->text(), day_->text());
    if (!date) {
        ui::showMessage(this, QStringLiteral("日付に誤りがあります。"));
        return;
    }
    DailyReportData data;
    model_.extraCaption = state_.extraCaption; // a day without rows prints the last caption
    if (const DbError e = readDailyReport(state_.databasePath, *date, era_, model_, data)) {
        showFailure(this, e);
        return;
    }
    state_.extraCaption = model_.extraCaption;
    if (!data.notice.isEmpty() && data.notice != toldNotice_) {
        toldNotice_ = data.notice; // once for a date, not at every print of it
        ui::showMessage(this, data.notice);
    }
    const PageScale scale{state_.paperCode, state_.orientationCode, state_.positionScale,
                          state_.fontScale, state_.today()};
    const DrawSheets draw = [this, &data, scale](Printer& p) {
        drawDailyReport(p, scale, data, [this](int step) { progress_->setValue(step); });
    };
    const QString pdfName =
        QStringLiteral("作業日報_%1.pdf").arg(date->toString(QStringLiteral("yyyyMMdd")));
    sendSheets(this, output, draw, pdfName);
    progress_->setValue(0);
}

} // namespace vorda
