#pragma once
// The weather picker Form21 "天候": a double click chooses the working date's weather.

#include <QPointer>
#include <QWidget>

class QListWidget;
class QListWidgetItem;

namespace vorda {

struct AppState;
class MainScreen;

class WeatherPicker : public QWidget {
    Q_OBJECT
public:
    WeatherPicker(AppState& state, MainScreen* target, QWidget* parent = nullptr);
    // Reads the weather words again (after the weather master changed them).
    void refresh();

private:
    void choose(QListWidgetItem* item);

    AppState& state_;
    QPointer<MainScreen> target_;
    QListWidget* list_;
};

} // namespace vorda
