#include "ui/app/weather_picker.h"

#include "core/app/app_state.h"
#include "core/app/working_date.h"
#include "ui/app/main_screen.h"
#include "ui/app/ui_support.h"

#include <QListWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace vorda {

WeatherPicker::WeatherPicker(AppState& state, MainScreen* target, QWidget* parent)
    : QWidget(parent), state_(state), target_(target), list_(new QListWidget(this)) {
    setObjectName(QStringLiteral("Form21"));
    setWindowTitle(QStringLiteral("天候"));
    list_->setObjectName(QStringLiteral("List1"));
    list_->setToolTip(QStringLiteral("ダブルクリックで選択します。"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_);
    setMinimumSize(220, 260);
    refresh();
    connect(list_, &QListWidget::itemDoubleClicked, this, &WeatherPicker::choose);
}

void WeatherPicker::refresh() {
    list_->clear();
    // The list is a bound screen: it reads the path of the last read of vorda.INI.
    QStringList words;
    if (const DbError e = weatherWords(state_.boundDatabasePath, words))
        ui::showMessage(this, e.message);
    list_->addItems(words);
}

void WeatherPicker::choose(QListWidgetItem* item) {
    // With the main screen gone there is nobody to choose for: close without writing.
    if (item && target_)
        target_->chooseWeather(item->text());
    // Closed once the double click's last event has reached the list.
    QTimer::singleShot(0, this, &QWidget::close);
}

} // namespace vorda
