#include "ui/app/ui_support.h"

#include "core/reports/painter_printer.h"

#include <QApplication>
#include <QFont>
#include <QKeyEvent>
#include <QLabel>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QTranslator>

namespace vorda::ui {

namespace {
MessageHook* messageHook = nullptr;
const QString kCaption = QStringLiteral("VORDA");
} // namespace

void installJapanese(QApplication& app) {
    auto* translator = new QTranslator(&app);
    if (translator->load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"),
                         QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(translator);
    installFontSubstitutions();
    QFont font(QStringLiteral("ＭＳ Ｐゴシック"));
    font.setPointSize(10);
    QApplication::setFont(font);
}

void showMessage(QWidget* parent, const QString& text) {
    if (messageHook) {
        messageHook->shown(text);
        return;
    }
    QMessageBox::information(parent, kCaption, text, QMessageBox::Ok);
}

bool askYesNo(QWidget* parent, const QString& text) {
    if (messageHook) {
        messageHook->shown(text);
        return messageHook->answer(text);
    }
    return QMessageBox::question(parent, kCaption, text, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

bool askChoice(QWidget* parent, const QString& text, const QString& yes, const QString& no) {
    if (messageHook) {
        messageHook->shown(text);
        return messageHook->answer(text);
    }
    QMessageBox box(QMessageBox::Question, kCaption, text, QMessageBox::NoButton, parent);
    QPushButton* first = box.addButton(yes, QMessageBox::AcceptRole);
    box.setDefaultButton(box.addButton(no, QMessageBox::RejectRole));
    box.exec();
    return box.clickedButton() == first;
}

void setMessageHook(MessageHook* hook) {
    messageHook = hook;
}

namespace {

class EnterPresses : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            auto* button = qobject_cast<QPushButton*>(watched);
            if (button && button->isEnabled() && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
                button->animateClick();
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

QLabel* confirmationLine(QWidget* screen) {
    auto* line = new QLabel(screen);
    line->setObjectName(QStringLiteral("confirmation"));
    QPalette p = line->palette();
    p.setColor(QPalette::WindowText, QColor(0, 110, 0));
    line->setPalette(p);
    return line;
}

void pressWithEnter(QWidget* root) {
    auto* filter = new EnterPresses(root);
    for (QPushButton* b : root->findChildren<QPushButton*>())
        b->installEventFilter(filter);
}

} // namespace vorda::ui
