#include "ui/masters/register_form.h"

#include "core/app/app_state.h"
#include "ui/app/frame_window.h"
#include "ui/app/ui_support.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace vorda {

QHBoxLayout* commandButtons(QWidget* screen, const QString& caption, std::function<void()> run) {
    auto* action = new QPushButton(caption, screen);
    action->setObjectName(QStringLiteral("Command1"));
    auto* close = new QPushButton(QStringLiteral("終了"), screen);
    close->setObjectName(QStringLiteral("Command2"));
    auto* row = new QHBoxLayout;
    row->addStretch();
    for (QPushButton* b : {action, close}) {
        b->setMinimumWidth(96);
        row->addWidget(b);
    }
    QObject::connect(action, &QPushButton::clicked, screen, std::move(run));
    QObject::connect(close, &QPushButton::clicked, screen, &QWidget::close);
    return row;
}

RegisterForm::RegisterForm(const QString& objectName, const QString& title, AppState& state,
                           QWidget* parent)
    : QWidget(parent), state_(state), grid_(new QGridLayout(this)), done_(new QLabel(this)) {
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
    grid_->addWidget(done_, grid_->rowCount(), 0, 1, 2);
    grid_->addLayout(commandButtons(this, QStringLiteral("登録"), [this] { registerRow(); }),
                     grid_->rowCount(), 0, 1, 2);
    ui::pressWithEnter(this);
}

bool RegisterForm::load() {
    const QString path = state_.databasePath;
    if (const DbError e = readFields(path)) {
        showFailure(this, e);
        return false;
    }
    readFrom_ = path;
    done_->clear();
    return true;
}

void RegisterForm::registerRow() {
    if (state_.databasePath != readFrom_) {
        ui::showMessage(this, QStringLiteral("データ環境が変わりました。登録はしていません。\n"
                                             "新しいデータの内容を表示します。"));
        load();
        return;
    }
    if (writeFields(readFrom_))
        done_->setText(QStringLiteral("登録しました。"));
}

} // namespace vorda
