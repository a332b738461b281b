#pragma once
// The weather picker Form21 "天候": a click, a double click or Enter chooses the working
// date's weather; Escape closes without choosing.

#include <QWidget>

namespace vorda {

struct AppState;
class FrameWindow;
class PickList;

class WeatherPicker : public QWidget {
    Q_OBJECT
public:
    WeatherPicker(AppState& state, FrameWindow& frame, QWidget* parent = nullptr);
    void refresh();

private:
    void choose(int row);

    AppState& state_;
    FrameWindow& frame_;
    PickList* list_;
    QStringList words_;
};

} // namespace vorda
