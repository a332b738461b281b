#pragma once
// What every screen shares: the Japanese set-up of the application, and message boxes that
// tests can answer.

#include <QString>

class QApplication;
class QLabel;
class QWidget;

namespace vorda::ui {

// Qt's own Japanese texts for standard buttons and dialogs, and the interface fonts
// ("ＭＳ Ｐゴシック" and friends, stood in for by the IPA fonts).
void installJapanese(QApplication& app);

// An OK message box with the system's fixed text.
void showMessage(QWidget* parent, const QString& text);

// A yes/no question; true for yes. "いいえ" is the default button.
bool askYesNo(QWidget* parent, const QString& text);

// A question with two buttons of its own (e.g. "登録" / "戻る"); true for the first.
// The second is the default.
bool askChoice(QWidget* parent, const QString& text, const QString& yes, const QString& no);

// A line in a screen that says a registration went through, so that no box is needed;
// it empties when `cleared` (e.g. the field's textChanged) is emitted.
QLabel* confirmationLine(QWidget* screen);

// Enter or Return on a focused button of `root` presses it, as Space does.
void pressWithEnter(QWidget* root);

// Tests put a hook in place of the boxes: it sees each text and gives the answers.
class MessageHook {
public:
    virtual ~MessageHook() = default;
    virtual void shown(const QString& text) = 0;
    virtual bool answer(const QString& question) = 0;
};
void setMessageHook(MessageHook* hook);

} // namespace vorda::ui
