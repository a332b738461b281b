#pragma once
// The monthly attendance sheet screen "月別出勤表": year and month, the closing period they
// give, the progress bar and the ways out (printer, preview, PDF).

#include "core/masters/settings_row.h"
#include "ui/reports/print_screen_parts.h"

#include <QWidget>

class QLabel;
class QLineEdit;
class QProgressBar;

namespace vorda {

struct AppState;

class AttendanceScreen : public QWidget {
    Q_OBJECT
public:
    explicit AttendanceScreen(AppState& state, QWidget* parent = nullptr);

    // One print run for the year and month of the fields, sent where `output` says.
    void run(Output output);

private:
    // HANIDTSYU: the period of the fields into Label3 and Label5; empty for no year and month.
    void showPeriod();

    AppState& state_;
    EraValues era_; // kept between runs while the screen is open
    QLineEdit* year_;
    QLineEdit* month_;
    QLabel* start_;
    QLabel* end_;
    QProgressBar* progress_;
};

} // namespace vorda
