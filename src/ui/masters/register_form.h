#pragma once
// What the two settings screens share: captioned fields in rows, "登録" and "終了", a
// line in the screen that confirms a registration until the next edit, and the file the
// fields were read from.

#include "core/data/database.h"

#include <QWidget>
#include <functional>
#include <initializer_list>

class QGridLayout;
class QHBoxLayout;
class QLabel;
class QLineEdit;

namespace vorda {

struct AppState;

// The row of buttons at the foot of a screen: the action (Command1) and "終了" (Command2).
QHBoxLayout* commandButtons(QWidget* screen, const QString& caption, std::function<void()> run);

class RegisterForm : public QWidget {
    Q_OBJECT
public:
    // Reads the row into the fields; false (after saying why) when the file cannot be read,
    // so that no screen of empty fields could overwrite the stored row.
    bool load();

    // "登録": the fields are checked and written to the file they were read from; the
    // screen stays open. When the data location has changed since, the fields of the new
    // file are shown instead and nothing is written: they would carry the old file's row.
    void registerRow();

protected:
    RegisterForm(const QString& objectName, const QString& title, AppState& state, QWidget* parent);

    // The screen's own reading and writing; writeFields says what went wrong itself.
    virtual DbError readFields(const QString& databasePath) = 0;
    virtual bool writeFields(const QString& databasePath) = 0;

    // A field named as its control; any edit clears the confirmation.
    QLineEdit* field(const QString& name, int width);
    // A row: its caption, then the widgets (fields and their unit captions).
    void addRow(const QString& caption, std::initializer_list<QWidget*> widgets);
    // The buttons and the confirmation line, after the last row.
    void addButtons();

private:
    AppState& state_;
    QString readFrom_; // the database the fields show
    QGridLayout* grid_;
    QLabel* done_;
};

} // namespace vorda
