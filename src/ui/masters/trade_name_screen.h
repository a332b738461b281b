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

    // Reads the first row into the fields (none: empty fields); false, after saying why,
    // when the file cannot be read.
    bool load();

    // Writes the texts as typed to the first row, adding it when the table has none.
    void registerRow() override;

private:
    AppState& state_;
    std::array<QLineEdit*, trade::FieldCount> fields_; // Text1 to Text9
};

} // namespace vorda
