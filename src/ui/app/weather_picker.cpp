#include "ui/app/weather_picker.h"

#include "core/app/app_state.h"
#include "core/app/working_date.h"
#include "ui/app/frame_window.h"
#include "ui/app/main_screen.h"
#include "ui/app/pick_list.h"
#include "ui/app/ui_support.h"

#include <QTreeWidget>
#include <QVBoxLayout>

namespace vorda {

WeatherPicker::WeatherPicker(AppState& state, FrameWindow& frame, QWidget* parent)
    : QWidget(parent), state_(state), frame_(frame),
      list_(new PickList(QStringLiteral("List1"), {QStringLiteral("天候")}, this)) {
    setObjectName(QStringLiteral("Form21"));
    setWindowTitle(QStringLiteral("天候"));
    list_->list()->setToolTip(QStringLiteral("ダブルクリックで選択します。"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_);
    setFocusProxy(list_);
    setMinimumSize(220, 260);

    refresh();
    frame.followDatabase(
        this, [&state] { return state.databasePath; }, [this] { refresh(); });
    connect(list_, &PickList::chosen, this, &WeatherPicker::choose);
    connect(list_, &PickList::cancelled, this, [this] { closeSoon(this); });
}

void WeatherPicker::refresh() {
    // The words of the database in use, the one whose weather the main screen shows.
    words_.clear();
    if (const DbError e = weatherWords(state_.databasePath, words_))
        showFailure(this, e);
    std::vector<QStringList> rows;
    for (const QString& w : std::as_const(words_))
        rows.push_back({w});
    list_->setRows(rows);
}

void WeatherPicker::choose(int row) {
    // With the main screen gone there is nobody to choose for: close without writing.
    if (auto* main = qobject_cast<MainScreen*>(frame_.screen(ScreenId::Main));
        main && row >= 0 && row < words_.size())
        main->chooseWeather(words_[row]);
    closeSoon(this);
}

} // namespace vorda
