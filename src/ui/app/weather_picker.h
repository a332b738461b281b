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

private:
    void choose(QListWidgetItem* item);

    QPointer<MainScreen> target_;
    QListWidget* list_;
};

} // namespace vorda
