#pragma once
// The main screen Form1 "VORDA作成システム": the working date, its weekday and weather, and
// one button per function.

#include <QDate>
#include <QWidget>
#include <optional>

class QLineEdit;
class QPushButton;

namespace vorda {

struct AppState;
class FrameWindow;

class MainScreen : public QWidget {
    Q_OBJECT
public:
    MainScreen(AppState& state, FrameWindow& frame, QWidget* parent = nullptr);

    // The load: today's date into the fields, its weekday and stored weather. A database
    // that cannot be opened is reported (a missing folder leads to the data location screen).
    void load();

    // A word chosen in the weather picker: shown, kept as the weather text and stored.
    void chooseWeather(const QString& word);

    // "VORDA": the entry screen for the date of the fields, or "日付に誤りがあります。".
    void openEntry();

    // "VORDA印字": the daily print screen for the date of the fields, or "日付に誤りがあります。"
    // (a working date left from an earlier date would print another day).
    void openDailyPrint();

    // Reads the weather of the working date again (after the data location changed).
    void refreshWeather();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // The first start: offers a new firm's database or the import of the old data.
    void offerFirstData();
    void dateChanged();
    // The date of the fields made the working date; empty (and said so) when they are no date.
    std::optional<QDate> takeFieldsDate();
    void showWeatherOf(const QDate& date);
    QPushButton* addButton(const QString& name, const QString& caption, const QString& tip);

    AppState& state_;
    FrameWindow& frame_;
    QLineEdit* year_;
    QLineEdit* month_;
    QLineEdit* day_;
    QLineEdit* weekday_;
    QLineEdit* weather_;
};

} // namespace vorda
