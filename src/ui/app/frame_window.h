#pragma once
// The frame window "VORDA管理" that holds every screen.

#include "core/app/ini_file.h"

#include <QMainWindow>

class QLabel;
class QMdiArea;

namespace vorda {

struct AppState;

class FrameWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit FrameWindow(AppState& state, QWidget* parent = nullptr);

    // Tells what start-up found: the configuration file and the database.
    void showStartupStatus(const IniReadResult& ini);

private:
    AppState& state_;
    QMdiArea* area_;
    QLabel* status_;
};

} // namespace vorda
