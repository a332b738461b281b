#include "ui/masters/further_registrations.h"

#include "ui/app/frame_window.h"
#include "ui/app/ui_support.h"

#include <QPushButton>
#include <QVBoxLayout>

namespace vorda {

FurtherRegistrationsScreen::FurtherRegistrationsScreen(FrameWindow& frame, QWidget* parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("Form11"));
    setWindowTitle(QStringLiteral("予備登録"));
    struct Entry {
        const char* name;
        const char16_t* caption;
        ScreenId screen;
    };
    static const Entry entries[] = {
        {"Command2", u"マーク登録", ScreenId::MarkMaster},
        {"Command3", u"天候登録", ScreenId::WeatherMaster},
        {"Command4", u"システム登録", ScreenId::SystemSettings},
        {"Command5", u"屋号登録", ScreenId::TradeName},
    };
    auto* layout = new QVBoxLayout(this);
    auto add = [this, layout](const QString& name, const QString& caption) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(name);
        b->setMinimumSize(200, 36);
        layout->addWidget(b);
        return b;
    };
    for (const Entry& e : entries) {
        QPushButton* b = add(QString::fromLatin1(e.name), QString::fromUtf16(e.caption));
        const ScreenId id = e.screen;
        // A screen this program does not have (yet) leaves its button disabled.
        b->setEnabled(frame.isAvailable(id));
        connect(b, &QPushButton::clicked, &frame, [&frame, id] { frame.openScreen(id); });
    }
    layout->addSpacing(12);
    connect(add(QStringLiteral("Command1"), QStringLiteral("終了")), &QPushButton::clicked, this,
            &QWidget::close);
    ui::pressWithEnter(this);
}

} // namespace vorda
