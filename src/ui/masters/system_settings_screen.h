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

protected:
    DbError readFields(const QString& databasePath) override;
    // A value the file cannot hold is named and its field selected; nothing is written.
    bool writeFields(const QString& databasePath) override;

private:
    std::array<QLineEdit*, 9> fields_; // Text1 to Text9
};

} // namespace vorda
