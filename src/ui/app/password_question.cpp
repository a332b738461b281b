#include "ui/app/password_question.h"

#include "core/data/location.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>

namespace vorda::ui {

QString askServerPassword(const QString& location, const QString& user, bool again) {
    // A dialog exists only on the thread of the windows; elsewhere nobody can be asked.
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()) ||
        QThread::currentThread() != QCoreApplication::instance()->thread())
        return QString();
    QDialog dialog(QApplication::activeWindow());
    dialog.setObjectName(QStringLiteral("PasswordQuestion"));
    dialog.setWindowTitle(QStringLiteral("パスワード"));
    auto* layout = new QVBoxLayout(&dialog);
    QString text = QStringLiteral("サーバー %1 のユーザー %2 のパスワード")
                       .arg(locationForMessages(location), user);
    if (again)
        text = QStringLiteral("パスワードが違います。もう一度入力してください。\n") + text;
    auto* label = new QLabel(text, &dialog);
    label->setObjectName(QStringLiteral("PasswordText"));
    label->setTextFormat(Qt::PlainText);
    auto* field = new QLineEdit(&dialog);
    field->setObjectName(QStringLiteral("Password"));
    field->setEchoMode(QLineEdit::Password);
    field->setMinimumWidth(320);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("接続"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("やめる"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(label);
    layout->addWidget(field);
    layout->addWidget(buttons);
    field->setFocus();
    // The wait cursor of the operation that needed the connection would hide that the
    // program now waits for the user.
    const bool busy = QApplication::overrideCursor() != nullptr;
    if (busy)
        QApplication::setOverrideCursor(Qt::ArrowCursor);
    const bool given = dialog.exec() == QDialog::Accepted;
    if (busy)
        QApplication::restoreOverrideCursor();
    return given ? field->text() : QString();
}

} // namespace vorda::ui
