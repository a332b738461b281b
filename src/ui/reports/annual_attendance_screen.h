#pragma once
// The screen "個人別年間出勤表": the employee (or "全員"), the business year with its first and
// last day, the progress bar and the ways out (printer, preview, PDF, CSV).

#include "core/masters/settings_row.h"
#include "ui/reports/print_screen_parts.h"

#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;

namespace vorda {

struct AppState;

class AnnualAttendanceScreen : public QWidget {
    Q_OBJECT
public:
    explicit AnnualAttendanceScreen(AppState& state, QWidget* parent = nullptr);

    // The employees of the file in use into Combo1, after "全員"; the choice is kept by place.
    void reloadEmployees();

    // One run for the employee and year of the fields, sent where `output` says.
    void run(Output output);

private:
    // The business year of Text1 into Label2 and Label4; empty for no year.
    void showYear();
    std::optional<int> year() const;

    AppState& state_;
    EraValues era_; // kept between runs while the screen is open
    QComboBox* employee_;
    QLineEdit* year_;
    QLabel* start_;
    QLabel* end_;
    QProgressBar* progress_;
};

} // namespace vorda
