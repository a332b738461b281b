#pragma once
// The daily report print screen Form13 "VORDA印字": the date to print, the progress bar and
// the ways out (printer, preview, PDF).

#include "core/data/daily_record.h"
#include "core/reports/daily_report.h"
#include "ui/reports/print_screen_parts.h"

#include <QWidget>

class QLineEdit;
class QProgressBar;

namespace vorda {

struct AppState;

class DailyPrintScreen : public QWidget {
    Q_OBJECT
public:
    explicit DailyPrintScreen(AppState& state, QWidget* parent = nullptr);

    // One print run for the date of the three fields.
    void run(Output output);

private:
    AppState& state_;
    EraValues era_;  // kept between runs while the screen is open
    DayModel model_; // the print's own day model, never the entry screen's
    QString toldNotice_;
    QLineEdit* year_;
    QLineEdit* month_;
    QLineEdit* day_;
    QProgressBar* progress_;
};

} // namespace vorda
