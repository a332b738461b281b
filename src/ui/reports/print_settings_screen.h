#pragma once
// The print settings screen "印刷設定": paper size and orientation of every sheet.

#include <QWidget>

class QComboBox;
class QLabel;
class QRadioButton;

namespace vorda {

struct AppState;

class PrintSettingsScreen : public QWidget {
    Q_OBJECT
public:
    explicit PrintSettingsScreen(AppState& state, QWidget* parent = nullptr);

    // "登録": the picked paper and orientation, their scale, and vorda.INI rewritten.
    void registerSettings();

private:
    QLabel* confirmation_ = nullptr;
    AppState& state_;
    QComboBox* paper_;
    QRadioButton* portrait_;
    QRadioButton* landscape_;
    int picked_ = -1; // the list entry last picked (the one selected on opening counts)
};

} // namespace vorda
