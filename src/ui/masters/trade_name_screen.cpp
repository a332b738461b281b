#include "ui/masters/trade_name_screen.h"

#include "core/masters/settings.h"
#include "ui/app/frame_window.h"
#include "ui/app/ui_support.h"

#include <QLineEdit>

namespace vorda {

TradeNameScreen::TradeNameScreen(AppState& state, QWidget* parent)
    : RegisterForm(QStringLiteral("Form19"), QStringLiteral("屋号"), state, parent) {
    static const char16_t* const captions[] = {u"屋号",   u"印字タイトル", u"郵便番号",
                                               u"住所１", u"住所２",       u"電話番号",
                                               u"FAX",    u"責任者",       u"担当者"};
    for (int i = 0; i < int(fields_.size()); ++i) {
        fields_[i] = field(QStringLiteral("Text%1").arg(i + 1), i == 3 || i == 4 ? 360 : 240);
        addRow(QString::fromUtf16(captions[i]), {fields_[i]});
    }
    addButtons();
}

DbError TradeNameScreen::readFields(const QString& databasePath) {
    TradeNameTexts texts;
    if (DbError e = readTradeName(databasePath, texts))
        return e;
    for (int i = 0; i < int(fields_.size()); ++i)
        fields_[i]->setText(texts[i]);
    return {};
}

bool TradeNameScreen::writeFields(const QString& databasePath) {
    TradeNameTexts texts;
    for (int i = 0; i < int(fields_.size()); ++i)
        texts[i] = fields_[i]->text();
    if (const DbError e = writeTradeName(databasePath, texts)) {
        showFailure(this, e);
        return false;
    }
    return true;
}

} // namespace vorda
