#pragma once
// Form15 "システム登録": closing days, business-year end, standard times and era.

#include "ui/masters/register_form.h"

#include <array>

namespace vorda {

struct AppState;

class SystemSettingsScreen : public RegisterForm {
    Q_OBJECT
public:
    explicit SystemSettingsScreen(AppState& state, QWidget* parent = nullptr);

    // Reads the row into the fields; false (after saying why) when the file cannot be read,
    // so that no screen of empty fields could overwrite the stored settings.
    bool load();

    // A value the file cannot hold is named and its field selected; nothing is written.
    void registerRow() override;

private:
    AppState& state_;
    std::array<QLineEdit*, 9> fields_; // Text1 to Text9
};

} // namespace vorda
