#pragma once
// The weather picker Form21 "天候": a double click chooses the working date's weather.

#include <QWidget>

class QListWidget;
class QListWidgetItem;

namespace vorda {

struct AppState;
class FrameWindow;

class WeatherPicker : public QWidget {
    Q_OBJECT
public:
    WeatherPicker(AppState& state, FrameWindow& frame, QWidget* parent = nullptr);
    void refresh();

private:
    void choose(QListWidgetItem* item);

    AppState& state_;
    FrameWindow& frame_;
    QListWidget* list_;
};

} // namespace vorda
