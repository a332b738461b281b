#pragma once
// Stands in for the message boxes during a test: keeps every text shown, answers questions.

#include "ui/app/ui_support.h"

#include <QStringList>

namespace vorda::test {

class MessageRecorder : public ui::MessageHook {
public:
    MessageRecorder() { ui::setMessageHook(this); }
    ~MessageRecorder() override { ui::setMessageHook(nullptr); }

    void shown(const QString& text) override { texts << text; }
    bool answer(const QString&) override { return answers.isEmpty() ? false : answers.takeFirst(); }

    QStringList texts;
    QList<bool> answers; // given in turn; "no" when none are left
};

} // namespace vorda::test
