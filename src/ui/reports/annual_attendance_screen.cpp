#include "ui/reports/annual_attendance_screen.h"

#include "core/app/app_state.h"
#include "core/reports/annual_attendance.h"
#include "core/reports/csv_export.h"
#include "ui/app/frame_window.h"
#include "ui/app/ui_support.h"
#include "ui/reports/print_output.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QRegularExpression>

namespace vorda {

AnnualAttendanceScreen::AnnualAttendanceScreen(AppState& state, QWidget* parent)
    : QWidget(parent), state_(state), employee_(new QComboBox(this)), year_(new QLineEdit(this)),
      start_(new QLabel(this)), end_(new QLabel(this)), progress_(new QProgressBar(this)) {
    setObjectName(QStringLiteral("AnnualAttendanceScreen"));
    setWindowTitle(QStringLiteral("個人別年間出勤表"));
    employee_->setObjectName(QStringLiteral("Combo1"));
    employee_->setMinimumWidth(180);
    year_->setObjectName(QStringLiteral("Text1"));
    start_->setObjectName(QStringLiteral("Label2"));
    end_->setObjectName(QStringLiteral("Label4"));
    auto* between = new QLabel(QStringLiteral("～"), this);
    between->setObjectName(QStringLiteral("Label3"));
    for (QLabel* l : {start_, end_})
        l->setMinimumWidth(90);
    progress_->setObjectName(QStringLiteral("ProgressBar1"));
    progress_->setRange(0, kAnnualProgressMax);
    progress_->setValue(0);
    progress_->setTextVisible(false);

    auto* grid = new QGridLayout(this);
    auto* who = new QHBoxLayout;
    who->addWidget(new QLabel(QStringLiteral("社員"), this));
    who->addWidget(employee_);
    who->addStretch();
    grid->addLayout(who, 0, 0);
    grid->addLayout(dateFieldsRow({year_}, {QStringLiteral("年度")}), 1, 0);
    auto* period = new QHBoxLayout;
    period->addWidget(start_);
    period->addWidget(between);
    period->addWidget(end_);
    period->addStretch();
    grid->addLayout(period, 2, 0);
    grid->addLayout(progressRow(progress_), 3, 0);
    grid->addLayout(printButtons(
                        this, [this](Output output) { run(output); }, QStringLiteral("印刷"), true),
                    4, 0);

    connect(year_, &QLineEdit::textChanged, this, &AnnualAttendanceScreen::showYear);
    reloadEmployees();
    // The business year the working date lies in.
    const QDate date = state_.workingDate.isValid() ? state_.workingDate : state_.today();
    int shown = date.year();
    BusinessYear y;
    if (!readBusinessYear(state_.databasePath, shown, y)) {
        if (date > y.months.back().period.end)
            ++shown;
        else if (date < y.first)
            --shown;
    }
    year_->setText(QString::number(shown));
}

void AnnualAttendanceScreen::reloadEmployees() {
    const int kept = employee_->currentIndex();
    QStringList names;
    // A file that cannot be read lists only "全員"; printing says why.
    if (listAnnualEmployees(state_.databasePath, names))
        names.clear();
    employee_->clear();
    employee_->addItem(QStringLiteral("全員"));
    employee_->addItems(names);
    employee_->setCurrentIndex(kept > 0 && kept < employee_->count() ? kept : 0);
    showYear();
}

std::optional<int> AnnualAttendanceScreen::year() const {
    static const QRegularExpression form(QStringLiteral("^[0-9]{4}$"));
    const QString text = year_->text().trimmed();
    if (!form.match(text).hasMatch())
        return std::nullopt;
    return text.toInt();
}

void AnnualAttendanceScreen::showYear() {
    const auto y = year();
    BusinessYear by;
    const bool shown = y && !readBusinessYear(state_.databasePath, *y, by);
    vorda::showPeriod(start_, end_,
                      shown ? std::optional<Period>(Period{by.first, by.months.back().period.end})
                            : std::nullopt);
}

void AnnualAttendanceScreen::run(Output output) {
    const auto y = year();
    if (!y) {
        ui::showMessage(this,
                        QStringLiteral("年度に誤りがあります。西暦 4 桁で入力してください。"));
        return;
    }
    AnnualRequest request;
    request.year = *y;
    if (employee_->currentIndex() > 0)
        request.column = employee_->currentIndex() - 1;
    const auto step = [this](int value) { progress_->setValue(value); };
    AnnualAttendanceData data;
    if (const DbError e = readAnnualAttendance(state_.databasePath, request, era_, data, step)) {
        progress_->setValue(0);
        showFailure(this, e);
        return;
    }
    if (data.sheets.empty()) {
        progress_->setValue(0);
        ui::showMessage(this, noAnnualDataMessage(data.year));
        return;
    }
    const QString name = QStringLiteral("個人別年間出勤表_%1%2")
                             .arg(*y)
                             .arg(request.column ? u'_' + data.sheets.front().surname : QString());
    if (output == Output::Csv) {
        ui::saveCsv(this, annualCsv(data), name + QStringLiteral(".csv"));
        progress_->setValue(0);
        return;
    }
    const PageScale scale{state_.paperCode, state_.orientationCode, state_.positionScale,
                          state_.fontScale, state_.today()};
    const DrawSheets draw = [&data, scale, step](Printer& p) {
        drawAnnualAttendance(p, scale, data, step);
    };
    sendSheets(this, output, draw, name + QStringLiteral(".pdf"));
    progress_->setValue(0);
}

} // namespace vorda
