#include "ui/app/ui_support.h"

#include "core/reports/painter_printer.h"

#include <QApplication>
#include <QFont>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
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

void setMessageHook(MessageHook* hook) {
    messageHook = hook;
}

} // namespace vorda::ui
