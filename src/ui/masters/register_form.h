#pragma once
// What the two settings screens share: captioned fields in rows, "登録" and "終了", and a
// line in the screen that confirms a registration until the next edit.

#include <QWidget>
#include <functional>
#include <initializer_list>

class QGridLayout;
class QHBoxLayout;
class QLabel;
class QLineEdit;

namespace vorda {

// The row of buttons at the foot of a screen: the action (Command1) and "終了" (Command2).
QHBoxLayout* commandButtons(QWidget* screen, const QString& caption, std::function<void()> run);

class RegisterForm : public QWidget {
    Q_OBJECT
public:
    // "登録": the screen's fields are checked and written; the screen stays open.
    virtual void registerRow() = 0;

protected:
    RegisterForm(const QString& objectName, const QString& title, QWidget* parent);

    // A field named as its control; any edit clears the confirmation.
    QLineEdit* field(const QString& name, int width);
    // A row: its caption, then the widgets (fields and their unit captions).
    void addRow(const QString& caption, std::initializer_list<QWidget*> widgets);
    // The buttons and the confirmation line, after the last row.
    void addButtons();

    void confirmRegistered();

private:
    QGridLayout* grid_;
    QLabel* done_;
};

} // namespace vorda
