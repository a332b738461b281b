#include "ui/reports/attendance_screen.h"

#include "core/app/app_state.h"
#include "core/reports/attendance_sheet.h"
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

AttendanceScreen::AttendanceScreen(AppState& state, QWidget* parent)
    : QWidget(parent), state_(state), year_(new QLineEdit(this)), month_(new QLineEdit(this)),
      start_(new QLabel(this)), end_(new QLabel(this)), progress_(new QProgressBar(this)) {
    setObjectName(QStringLiteral("AttendanceScreen"));
    setWindowTitle(QStringLiteral("月別出勤表"));
    year_->setObjectName(QStringLiteral("Text1"));
    month_->setObjectName(QStringLiteral("Text2"));
    start_->setObjectName(QStringLiteral("Label3"));
    end_->setObjectName(QStringLiteral("Label5"));
    auto* between = new QLabel(QStringLiteral("～"), this);
    between->setObjectName(QStringLiteral("Label4"));
    for (QLabel* l : {start_, end_})
        l->setMinimumWidth(90);
    progress_->setObjectName(QStringLiteral("ProgressBar1"));
    progress_->setRange(0, kAttendanceProgressMax);
    progress_->setValue(0);
    progress_->setTextVisible(false);

    auto* grid = new QGridLayout(this);
    grid->addLayout(dateFieldsRow({year_, month_}, {QStringLiteral("年"), QStringLiteral("月度")}),
                    0, 0);
    auto* period = new QHBoxLayout;
    period->addWidget(start_);
    period->addWidget(between);
    period->addWidget(end_);
    period->addStretch();
    grid->addLayout(period, 1, 0);
    grid->addLayout(progressRow(progress_), 2, 0);
    grid->addLayout(printButtons(
                        this, [this](Output output) { run(output); }, QStringLiteral("印刷"), true),
                    3, 0);

    connect(year_, &QLineEdit::textChanged, this, &AttendanceScreen::showPeriod);
    connect(month_, &QLineEdit::textChanged, this, &AttendanceScreen::showPeriod);
    const QDate date = state_.workingDate.isValid() ? state_.workingDate : state_.today();
    year_->setText(QString::number(date.year()));
    month_->setText(QString::number(date.month()));
}

void AttendanceScreen::showPeriod() {
    const auto month = monthFromFields(year_->text(), month_->text());
    // A file that cannot be read shows no period; printing says why.
    Period period;
    const bool shown = month && !HANIDTSYU(state_.databasePath, month->year, month->month, period);
    vorda::showPeriod(start_, end_, shown ? std::optional<Period>(period) : std::nullopt);
}

void AttendanceScreen::run(Output output) {
    const auto month = monthFromFields(year_->text(), month_->text());
    if (!month) {
        ui::showMessage(this, QStringLiteral("年月に誤りがあります。"));
        return;
    }
    const auto step = [this](int value) { progress_->setValue(value); };
    AttendanceSheetData data;
    if (const DbError e = readAttendanceSheet(state_.databasePath, *month, era_, data, step)) {
        progress_->setValue(0);
        showFailure(this, e);
        return;
    }
    const QString name = QStringLiteral("月別出勤表_%1%2")
                             .arg(month->year)
                             .arg(month->month, 2, 10, QLatin1Char('0'));
    if (output == Output::Csv) {
        ui::saveCsv(this, attendanceCsv(data), name + QStringLiteral(".csv"));
        progress_->setValue(0);
        return;
    }
    const PageScale scale{state_.paperCode, state_.orientationCode, state_.positionScale,
                          state_.fontScale, state_.today()};
    const DrawSheets draw = [&data, scale, step](Printer& p) {
        drawAttendanceSheet(p, scale, data, step);
    };
    const QString pdfName = name + QStringLiteral(".pdf");
    sendSheets(this, output, draw, pdfName);
    progress_->setValue(0);
}

} // namespace vorda
