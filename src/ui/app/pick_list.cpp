#include "ui/app/pick_list.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace vorda {

namespace {

constexpr int kRowRole = Qt::UserRole + 1;

bool isMoveKey(int key) {
    switch (key) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        return true;
    default:
        return false;
    }
}

} // namespace

PickList::PickList(const QString& listName, const QStringList& headers, QWidget* parent)
    : QWidget(parent), filter_(new QLineEdit(this)), list_(new QTreeWidget(this)) {
    filter_->setObjectName(QStringLiteral("filter"));
    filter_->setPlaceholderText(QStringLiteral("入力すると絞り込みます"));
    filter_->setClearButtonEnabled(true);
    list_->setObjectName(listName);
    list_->setColumnCount(int(headers.size()));
    list_->setHeaderLabels(headers);
    list_->setHeaderHidden(headers.size() < 2);
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setAllColumnsShowFocus(true);
    list_->header()->setStretchLastSection(true);
    list_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    QFont f = list_->font();
    f.setPointSize(11);
    list_->setFont(f);

    auto* filterRow = new QHBoxLayout;
    filterRow->addWidget(new QLabel(QStringLiteral("絞り込み"), this));
    filterRow->addWidget(filter_, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(filterRow);
    layout->addWidget(list_, 1);
    setFocusProxy(filter_); // typed text, through the input method too, filters at once

    filter_->installEventFilter(this);
    list_->installEventFilter(this);
    connect(filter_, &QLineEdit::textChanged, this, &PickList::applyFilter);
    // One click chooses, and so does a double click (once: the picker closes after it).
    connect(list_, &QTreeWidget::itemClicked, this, &PickList::choose);
    connect(list_, &QTreeWidget::itemDoubleClicked, this, &PickList::choose);
}

void PickList::setRows(const std::vector<QStringList>& rows, const std::vector<bool>& shown) {
    list_->clear();
    shown_ = shown;
    shown_.resize(rows.size(), true);
    QList<QTreeWidgetItem*> items;
    for (int i = 0; i < int(rows.size()); ++i) {
        auto* item = new QTreeWidgetItem(rows[i]);
        item->setData(0, kRowRole, i);
        items << item;
    }
    list_->addTopLevelItems(items);
    applyFilter();
}

void PickList::applyFilter() {
    const QString wanted = filter_->text().trimmed();
    QTreeWidgetItem* first = nullptr;
    for (int i = 0; i < list_->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = list_->topLevelItem(i);
        bool match = wanted.isEmpty();
        for (int c = 0; !match && c < item->columnCount(); ++c)
            match = item->text(c).contains(wanted, Qt::CaseInsensitive);
        const bool show = match && shown_[std::size_t(i)];
        item->setHidden(!show);
        if (show && !first)
            first = item;
    }
    if (QTreeWidgetItem* current = list_->currentItem(); !current || current->isHidden())
        list_->setCurrentItem(first);
}

std::vector<int> PickList::visibleRows() const {
    std::vector<int> rows;
    for (int i = 0; i < list_->topLevelItemCount(); ++i)
        if (!list_->topLevelItem(i)->isHidden())
            rows.push_back(i);
    return rows;
}

void PickList::choose(QTreeWidgetItem* item) {
    if (item && !item->isHidden() && !done_) {
        done_ = true;
        emit chosen(item->data(0, kRowRole).toInt());
    }
}

bool PickList::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        choose(list_->currentItem());
        return true;
    case Qt::Key_Escape:
        emit cancelled();
        return true;
    default:
        break;
    }
    // A shortcut meant for another screen is no text to filter by.
    if (watched == filter_ && (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) &&
        !key->text().isEmpty() && key->text().at(0).isPrint())
        return true;
    if (watched == filter_ && isMoveKey(key->key())) {
        QApplication::sendEvent(list_, event); // the filter keeps the focus, the list moves
        return true;
    }
    if (watched == list_ && !key->text().isEmpty() && key->text().at(0).isPrint() &&
        !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        filter_->setFocus();
        QApplication::sendEvent(filter_, event); // typing in the list goes to the filter
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

bool opensPicker(const QKeyEvent* event, bool fieldEmpty) {
    const auto mods = event->modifiers() & ~Qt::KeypadModifier;
    if (event->key() == Qt::Key_F4 && mods == Qt::NoModifier)
        return true;
    if (event->key() == Qt::Key_Down && mods == Qt::AltModifier)
        return true;
    return event->key() == Qt::Key_Space && mods == Qt::NoModifier && fieldEmpty;
}

void closeSoon(QWidget* picker) {
    QTimer::singleShot(0, picker, &QWidget::close);
}

} // namespace vorda
