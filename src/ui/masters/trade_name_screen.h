#pragma once
// Form19 "屋号": the firm's own header texts printed on the sheets.

#include "ui/masters/register_form.h"

#include "core/data/schema.h"

#include <array>

namespace vorda {

struct AppState;

class TradeNameScreen : public RegisterForm {
    Q_OBJECT
public:
    explicit TradeNameScreen(AppState& state, QWidget* parent = nullptr);

protected:
    // The first row (none: empty fields).
    DbError readFields(const QString& databasePath) override;
    // The texts as typed to the first row, adding it when the table has none.
    bool writeFields(const QString& databasePath) override;

private:
    std::array<QLineEdit*, trade::FieldCount> fields_; // Text1 to Text9
};

} // namespace vorda
