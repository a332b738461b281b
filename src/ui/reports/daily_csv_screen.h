#pragma once
// The screen "日報CSV": the daily report rows of a run of days as a CSV file for spreadsheets.

#include <QDate>
#include <QWidget>
#include <optional>

class QLineEdit;

namespace vorda {

struct AppState;

class DailyCsvScreen : public QWidget {
    Q_OBJECT
public:
    explicit DailyCsvScreen(AppState& state, QWidget* parent = nullptr);

    // "CSV保存…": the rows from Text1 to Text2 into the file the dialog names.
    void save();

private:
    AppState& state_;
    QLineEdit* from_;
    QLineEdit* to_;
};

// A date typed as yyyy/M/d or yyyy-M-d; nothing for any other text or no day of the calendar.
std::optional<QDate> typedDate(const QString& text);

} // namespace vorda
