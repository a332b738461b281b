#pragma once
// The monthly operation results screen "月間稼働実績": year and month, the closing period they
// give, the progress bar and the ways out (printer, preview, PDF).

#include "core/reports/monthly_results.h"
#include "ui/reports/print_screen_parts.h"

#include <QWidget>

class QLabel;
class QLineEdit;
class QProgressBar;

namespace vorda {

struct AppState;

class MonthlyResultsScreen : public QWidget {
    Q_OBJECT
public:
    explicit MonthlyResultsScreen(AppState& state, QWidget* parent = nullptr);

    // One print run for the year and month of the two fields, sent where `output` says.
    void run(Output output);

    // Shows the period of the two fields in Label2 and Label4 (empty when they name no month).
    void HANIDT();

private:
    AppState& state_;
    EraValues era_; // kept between runs while the screen is open
    QLineEdit* year_;
    QLineEdit* month_;
    QLabel* start_;
    QLabel* end_;
    QProgressBar* progress_;
};

} // namespace vorda
