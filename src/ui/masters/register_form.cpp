#include "ui/masters/register_form.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace vorda {

RegisterForm::RegisterForm(const QString& objectName, const QString& title, QWidget* parent)
    : QWidget(parent), grid_(new QGridLayout(this)), done_(new QLabel(this)) {
    setObjectName(objectName);
    setWindowTitle(title);
    done_->setObjectName(QStringLiteral("confirmation"));
    done_->setStyleSheet(QStringLiteral("color: #1a6b1a;"));
    grid_->setColumnStretch(1, 1);
}

QLineEdit* RegisterForm::field(const QString& name, int width) {
    auto* e = new QLineEdit(this);
    e->setObjectName(name);
    e->setFixedWidth(width);
    connect(e, &QLineEdit::textEdited, done_, &QLabel::clear);
    return e;
}

void RegisterForm::addRow(const QString& caption, std::initializer_list<QWidget*> widgets) {
    const int row = grid_->rowCount();
    grid_->addWidget(new QLabel(caption, this), row, 0);
    auto* line = new QHBoxLayout;
    for (QWidget* w : widgets)
        line->addWidget(w);
    line->addStretch();
    grid_->addLayout(line, row, 1);
}

void RegisterForm::addButtons() {
    auto* reg = new QPushButton(QStringLiteral("登録"), this);
    reg->setObjectName(QStringLiteral("Command1"));
    auto* close = new QPushButton(QStringLiteral("終了"), this);
    close->setObjectName(QStringLiteral("Command2"));
    for (QPushButton* b : {reg, close})
        b->setMinimumWidth(96);
    connect(reg, &QPushButton::clicked, this, &RegisterForm::registerRow);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    grid_->addWidget(done_, grid_->rowCount(), 0, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(reg);
    buttons->addWidget(close);
    grid_->addLayout(buttons, grid_->rowCount(), 0, 1, 2);
}

void RegisterForm::confirmRegistered() {
    done_->setText(QStringLiteral("登録しました。"));
}

} // namespace vorda
