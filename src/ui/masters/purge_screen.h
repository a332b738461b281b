#pragma once
// Form4 "VORDAデータ整理": deletes the daily reports up to a day, after a copy of the file.

#include <QWidget>

class QLineEdit;

namespace vorda {

struct AppState;

class PurgeScreen : public QWidget {
    Q_OBJECT
public:
    explicit PurgeScreen(AppState& state, QWidget* parent = nullptr);

    // "整理開始": the three fields together make the cut-off day (none after today); the
    // question names the rows that will go, and after "はい" the screen says how many went,
    // how many were kept for lack of a date, and where the copy is.
    void start();

private:
    AppState& state_;
    QLineEdit* year_;
    QLineEdit* month_;
    QLineEdit* day_;
};

} // namespace vorda
