#include "ui/reports/print_settings_screen.h"

#include "core/app/app_state.h"
#include "ui/app/ui_support.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

namespace vorda {

PrintSettingsScreen::PrintSettingsScreen(AppState& state, QWidget* parent)
    : QWidget(parent), state_(state), paper_(new QComboBox(this)),
      portrait_(new QRadioButton(QStringLiteral("縦"), this)),
      landscape_(new QRadioButton(QStringLiteral("横"), this)) {
    setObjectName(QStringLiteral("Form16"));
    setWindowTitle(QStringLiteral("印刷設定"));
    paper_->setObjectName(QStringLiteral("Combo1"));
    // Entry n stands for paper code n + 8; the texts are the firm's own, blanks and all.
    paper_->addItems({QStringLiteral("A3、297 x 420 mm "), QStringLiteral("A4、210 x 297 mm "),
                      QStringLiteral("A4 Small、210 x 297 mm "),
                      QStringLiteral("A5、148 x 210 mm "), QStringLiteral("B4、250 x 354 mm "),
                      QStringLiteral("B5、182 x 257 mm ")});
    const int code = state_.paperCode;
    picked_ = code >= 8 && code <= 13 ? code - 8 : -1;
    paper_->setCurrentIndex(picked_);
    connect(paper_, &QComboBox::activated, this, [this](int index) { picked_ = index; });

    portrait_->setObjectName(QStringLiteral("Option1"));
    landscape_->setObjectName(QStringLiteral("Option2"));
    auto* group = new QButtonGroup(this);
    group->addButton(portrait_);
    group->addButton(landscape_);
    portrait_->setChecked(state_.orientationCode == 1);
    landscape_->setChecked(state_.orientationCode == 2);

    auto* box = new QGroupBox(QStringLiteral("印字方向"), this);
    box->setObjectName(QStringLiteral("Frame1"));
    auto* boxLayout = new QHBoxLayout(box);
    boxLayout->addWidget(portrait_);
    boxLayout->addWidget(landscape_);

    auto* reg = new QPushButton(QStringLiteral("登録"), this);
    reg->setObjectName(QStringLiteral("Command1"));
    auto* close = new QPushButton(QStringLiteral("終了"), this);
    close->setObjectName(QStringLiteral("Command2"));
    connect(reg, &QPushButton::clicked, this, &PrintSettingsScreen::registerSettings);
    connect(close, &QPushButton::clicked, this, &QWidget::close);

    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(QStringLiteral("用紙サイズ"), this), 0, 0);
    grid->addWidget(paper_, 0, 1);
    grid->addWidget(box, 1, 0, 1, 2);
    auto* note = new QLabel(
        QStringLiteral(
            "帳票は横向きに作られています。縦では用紙の幅に合わせて縮小して印刷します。"),
        this);
    note->setObjectName(QStringLiteral("OrientationNote"));
    note->setWordWrap(true);
    grid->addWidget(note, 2, 0, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(reg);
    buttons->addWidget(close);
    grid->addLayout(buttons, 3, 0, 1, 2);
    confirmation_ = ui::confirmationLine(this);
    grid->addWidget(confirmation_, 4, 0, 1, 2);
    connect(paper_, &QComboBox::activated, confirmation_, &QLabel::clear);
    connect(group, &QButtonGroup::buttonClicked, confirmation_, &QLabel::clear);
    ui::pressWithEnter(this);
}

void PrintSettingsScreen::registerSettings() {
    // Nothing picked (a stored code outside the list): the code stays as it was.
    if (picked_ >= 0)
        state_.paperCode = qint16(picked_ + 8);
    applyPaperScale(state_);
    state_.orientationCode = portrait_->isChecked() ? 1 : 2;
    if (const QString e = INIWRITE(state_); !e.isEmpty()) {
        confirmation_->clear();
        ui::showMessage(this, e);
        return;
    }
    confirmation_->setText(QStringLiteral("印刷設定を登録しました。"));
}

} // namespace vorda
