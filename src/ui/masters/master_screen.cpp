#include "ui/masters/master_screen.h"

#include "core/app/app_state.h"
#include "core/data/schema.h"
#include "core/masters/master_lists.h"
#include "ui/app/frame_window.h"
#include "ui/app/ui_support.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <functional>

namespace vorda {

MasterModel::MasterModel(const MasterDef& def, QObject* parent)
    : QAbstractTableModel(parent), def_(def) {}

DbError MasterModel::load(const QString& databasePath) {
    beginResetModel();
    path_ = databasePath;
    pendingRow_ = -1;
    pending_.clear();
    const DbError e = loadMaster(databasePath, def_, rows_, fieldNames_);
    endResetModel();
    return e;
}

int MasterModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(rows_.size()) + (def_.canAdd ? 1 : 0);
}

int MasterModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(def_.fields.size());
}

qint64 MasterModel::rowidAt(int row) const {
    return row >= 0 && row < int(rows_.size()) ? rows_[row].rowid : 0;
}

QVariantList MasterModel::valuesAt(int row) const {
    return row >= 0 && row < int(rows_.size()) ? rows_[row].values : QVariantList();
}

bool MasterModel::isMarkKind(int column) const {
    return def_.table == table::StaffMarks && column >= 0 && column < int(def_.fields.size()) &&
           def_.fields[column].ordinal == mark::Kind;
}

QString MasterModel::kindsHelp() {
    QStringList kinds;
    for (int k = 1; k <= 4; ++k)
        kinds << QString::number(k) + u' ' + markKindName(k);
    return kinds.join(QStringLiteral("、"));
}

QString MasterModel::captionOf(int column) const {
    const MasterField& f = def_.fields[column];
    return f.caption.isEmpty() ? fieldNames_.value(f.ordinal) : f.caption;
}

QVariant MasterModel::data(const QModelIndex& index, int role) const {
    if (index.isValid() && role == Qt::TextAlignmentRole) {
        // Figures line up on the right, as on the sheets.
        const FieldKind kind = def_.fields[index.column()].kind;
        const bool figure = kind == FieldKind::Number16 || kind == FieldKind::Count;
        return QVariant::fromValue(Qt::AlignVCenter | (figure ? Qt::AlignRight : Qt::AlignLeft));
    }
    if (index.isValid() && role == Qt::ToolTipRole && isMarkKind(index.column())) {
        // A kind is a bare number in the file: the tip says what it stands for.
        const QString shown = data(index, Qt::DisplayRole).toString();
        const QString name = markKindName(shown.toInt());
        return name.isEmpty() ? kindsHelp() : shown + u' ' + name;
    }
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    if (index.row() == pendingRow_ && pending_.contains(index.column()))
        return pending_.value(index.column());
    if (index.row() >= int(rows_.size()))
        return QString();
    const MasterField& f = def_.fields[index.column()];
    return displayText(f.kind, rows_[index.row()].values.value(f.ordinal));
}

QVariant MasterModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role == Qt::ToolTipRole && orientation == Qt::Horizontal && isMarkKind(section))
        return kindsHelp();
    if (role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (orientation == Qt::Horizontal)
        return section >= 0 && section < columnCount() ? captionOf(section) : QString();
    // The row number is the employee's or vehicle's column in the daily report.
    return isNewRow(section) ? QStringLiteral("*") : QString::number(section + 1);
}

Qt::ItemFlags MasterModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}

bool MasterModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || role != Qt::EditRole)
        return false;
    const int row = index.row();
    if (pendingRow_ >= 0 && pendingRow_ != row)
        return false; // another row is still in edit: it is written or refused first
    const QString text = value.toString();
    if (!pending_.contains(index.column()) && text == data(index, Qt::EditRole).toString())
        return false;
    if (isNewRow(row) && def_.maxRows >= 0 && int(rows_.size()) >= def_.maxRows) {
        emit refused(def_.limitMessage);
        return false;
    }
    pendingRow_ = row;
    pending_.insert(index.column(), text);
    emit dataChanged(index, index);
    return true;
}

QString MasterModel::submitPending() {
    if (pendingRow_ < 0)
        return QString();
    int size = int(fieldNames_.size());
    for (const MasterField& f : def_.fields)
        size = std::max(size, f.ordinal + 1);
    QVariantList values(size);
    bool anyValue = false;
    for (auto it = pending_.cbegin(); it != pending_.cend(); ++it) {
        const MasterField& f = def_.fields[it.key()];
        const FieldCheck c = checkField(f.kind, it.value());
        if (!c.ok())
            return QStringLiteral("%1に「%2」は入力できません。%3")
                .arg(captionOf(it.key()), it.value(), c.refusal);
        values[f.ordinal] = c.value;
        anyValue = anyValue || !c.value.toString().isEmpty();
    }
    const int row = pendingRow_;
    const bool adding = isNewRow(row);
    if (adding && !anyValue) {
        revertPending(); // an empty new row adds nothing
        return QString();
    }
    qint64 added = 0;
    const EditOutcome o =
        writeMasterRow(path_, def_, adding ? 0 : rows_[row].rowid, values, &added);
    if (!o.ok())
        return o.message();
    pendingRow_ = -1;
    pending_.clear();
    if (adding) {
        Row r;
        r.rowid = added;
        for (const QVariant& v : values)
            r.values.append(v.isValid() ? v : QVariant(QString()));
        // The typed row becomes a stored one and a new empty row follows it.
        beginInsertRows(QModelIndex(), row + 1, row + 1);
        rows_.push_back(std::move(r));
        endInsertRows();
    } else {
        for (int i = 0; i < values.size(); ++i) {
            if (values[i].isValid() && i < rows_[row].values.size())
                rows_[row].values[i] = values[i];
        }
    }
    emit dataChanged(index(row, 0), index(row, columnCount() - 1));
    emit headerDataChanged(Qt::Vertical, row, row);
    emit written();
    return QString();
}

void MasterModel::revertPending() {
    const int row = pendingRow_;
    pendingRow_ = -1;
    pending_.clear();
    if (row >= 0)
        emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}

namespace {

// Keeps the cell editor it opened, so that what is typed in it can be taken at any moment.
class CellDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
        open = editor;
        return editor;
    }
    mutable QPointer<QWidget> open;
    // Keys the screen takes before the editor (Enter, Tab past the last column, Down).
    std::function<bool(const QKeyEvent*)> takesKey;

protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        if (event->type() == QEvent::KeyPress && takesKey &&
            takesKey(static_cast<QKeyEvent*>(event)))
            return true;
        return QStyledItemDelegate::eventFilter(object, event);
    }
};

// The grid, with a way to take what is typed in an open cell editor.
class MasterGrid : public QTableView {
public:
    explicit MasterGrid(QWidget* parent) : QTableView(parent), delegate_(new CellDelegate(this)) {
        setItemDelegate(delegate_);
    }
    bool isEditing() const { return state() == EditingState; }
    CellDelegate* delegate() const { return delegate_; }
    void commitOpenEditor() {
        QWidget* editor = delegate_->open;
        if (state() == EditingState && editor) {
            commitData(editor);
            closeEditor(editor, QAbstractItemDelegate::NoHint);
        }
    }

private:
    CellDelegate* delegate_;
};

MasterGrid* grid(QTableView* view) {
    return static_cast<MasterGrid*>(view);
}

} // namespace

MasterScreen::MasterScreen(AppState& state, const MasterDef& def, const QString& name,
                           const QString& title, QWidget* parent)
    : QWidget(parent), state_(state), def_(def), model_(new MasterModel(def, this)),
      grid_(new MasterGrid(this)) {
    setObjectName(name);
    setWindowTitle(title);
    grid_->setObjectName(QStringLiteral("DBGrid1"));
    grid_->setModel(model_);
    grid_->setSelectionMode(QAbstractItemView::SingleSelection);
    grid_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked |
                           QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
    grid_->verticalHeader()->setDefaultSectionSize(grid_->fontMetrics().height() + 8);
    grid_->installEventFilter(this);
    grid(grid_)->delegate()->takesKey = [this](const QKeyEvent* k) { return finishKey(k); };
    connect(grid_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &MasterScreen::rowLeft);
    connect(model_, &MasterModel::refused, this,
            [this](const QString& m) { ui::showMessage(this, m); });
    connect(model_, &MasterModel::written, this, &MasterScreen::written);

    // A bound grid: it reads the path of the last read of vorda.INI, and writes where it read.
    if (const DbError e = model_->load(state_.boundDatabasePath))
        showFailure(this, e);
    const int charWidth = grid_->fontMetrics().horizontalAdvance(QStringLiteral("国"));
    for (int c = 0; c < int(def_.fields.size()); ++c) {
        const int caption = grid_->fontMetrics().horizontalAdvance(
                                model_->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString()) +
                            24;
        grid_->setColumnWidth(c, std::max(def_.fields[c].width * charWidth + 12, caption));
    }

    auto* end = new QPushButton(QStringLiteral("終了"), this);
    end->setObjectName(QStringLiteral("Command1"));
    connect(end, &QPushButton::clicked, this, &QWidget::close);
    auto* buttons = new QHBoxLayout;
    if (def_.canDelete) {
        auto* remove = new QPushButton(QStringLiteral("行削除"), this);
        remove->setObjectName(QStringLiteral("DeleteRow"));
        remove->setToolTip(
            QStringLiteral("選択した行を削除します（Delete キーでも削除できます）。"));
        connect(remove, &QPushButton::clicked, this, &MasterScreen::deleteCurrentRow);
        buttons->addWidget(remove);
    }
    buttons->addStretch();
    buttons->addWidget(end);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(grid_);
    layout->addLayout(buttons);
    ui::pressWithEnter(this);
}

QSize MasterScreen::sizeHint() const {
    int width = grid_->verticalHeader()->sizeHint().width() + 2 * grid_->frameWidth() +
                grid_->verticalScrollBar()->sizeHint().width() + 24;
    for (int c = 0; c < model_->columnCount(); ++c)
        width += grid_->columnWidth(c);
    const int rows = std::clamp(model_->rowCount(), 8, 16);
    const int height = grid_->horizontalHeader()->sizeHint().height() +
                       rows * grid_->verticalHeader()->defaultSectionSize() +
                       2 * grid_->frameWidth() + 64;
    return {std::min(width, 1100), height};
}

void MasterScreen::rowLeft(const QModelIndex& current, const QModelIndex& previous) {
    Q_UNUSED(current);
    if (restoring_ || !previous.isValid() || model_->pendingRow() != previous.row())
        return;
    const QString why = model_->submitPending();
    if (why.isEmpty()) {
        // Not while the view is still moving its current cell.
        QTimer::singleShot(0, this, &MasterScreen::readAgainIfStale);
        return;
    }
    // Refused: the row stays current and in edit until it is put right or undone (Esc).
    restoring_ = true;
    grid_->setCurrentIndex(previous);
    restoring_ = false;
    ui::showMessage(this, why);
}

void MasterScreen::reload(int currentRow, int currentColumn) {
    stale_ = false;
    if (const DbError e = model_->load(model_->path()))
        showFailure(this, e);
    const int rows = model_->rowCount();
    if (rows > 0)
        grid_->setCurrentIndex(
            model_->index(std::clamp(currentRow, 0, rows - 1), std::max(currentColumn, 0)));
}

void MasterScreen::readAgain() {
    stale_ = true;
    readAgainIfStale();
}

void MasterScreen::readAgainIfStale() {
    if (!stale_ || model_->pendingRow() >= 0 || grid(grid_)->isEditing())
        return;
    const QModelIndex at = grid_->currentIndex();
    reload(at.row(), at.column());
}

bool MasterScreen::finishKey(const QKeyEvent* key) {
    if ((key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
        return false;
    const QModelIndex at = grid_->currentIndex();
    switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        finishRow(0);
        return true;
    case Qt::Key_Tab:
        if (!at.isValid() || at.column() != model_->columnCount() - 1)
            return false;
        finishRow(0);
        return true;
    case Qt::Key_Down:
        finishRow(std::max(at.column(), 0));
        return true;
    default:
        return false;
    }
}

void MasterScreen::finishRow(int nextColumn) {
    grid(grid_)->commitOpenEditor();
    const int row = grid_->currentIndex().row();
    if (row < 0)
        return;
    if (model_->pendingRow() == row) {
        if (const QString why = model_->submitPending(); !why.isEmpty()) {
            ui::showMessage(this, why); // the row stays current, with what was typed
            return;
        }
    }
    readAgainIfStale();
    if (row + 1 < model_->rowCount())
        grid_->setCurrentIndex(model_->index(row + 1, nextColumn));
}

void MasterScreen::deleteCurrentRow() {
    if (!def_.canDelete)
        return;
    grid(grid_)->commitOpenEditor();
    const int row = grid_->currentIndex().row();
    if (row < 0) {
        ui::showMessage(this, QStringLiteral("削除する行を選んでください。"));
        return;
    }
    if (model_->isNewRow(row)) {
        model_->revertPending(); // a row not yet written simply goes
        return;
    }
    const QString shown = describeRow(def_, model_->valuesAt(row));
    if (!ui::askYesNo(this,
                      shown.isEmpty()
                          ? QStringLiteral("%1行目を削除しますか？").arg(row + 1)
                          : QStringLiteral("%1行目（%2）を削除しますか？").arg(row + 1).arg(shown)))
        return;
    model_->revertPending();
    const qint64 rowid = model_->rowidAt(row);
    const DeleteOutcome o = deleteMasterRow(model_->path(), def_, rowid);
    if (o.inUse) {
        const QString who = def_.positional == Positional::EmployeeColumn
                                ? QStringLiteral("新しい社員")
                                : QStringLiteral("新しい車両");
        if (ui::askYesNo(this,
                         o.refusal + QStringLiteral(
                                         "\n\n代わりに、この行の名前を消して列を空けますか？（列は"
                                         "そのまま残り、%1に使えます。日報の記録は変わりません。）")
                                         .arg(who))) {
            if (const EditOutcome c = clearMasterNames(model_->path(), def_, rowid); !c.ok())
                ui::showMessage(this, c.message());
            else
                emit written();
        }
    } else if (!o.ok()) {
        ui::showMessage(this, o.message());
    } else {
        emit written();
    }
    reload(row);
}

void MasterScreen::closeEvent(QCloseEvent* event) {
    grid(grid_)->commitOpenEditor();
    if (model_->pendingRow() >= 0) {
        const QString why = model_->submitPending();
        if (!why.isEmpty()) {
            if (!ui::askYesNo(this,
                              why + QStringLiteral("\n\n入力中の行を書き込まずに閉じますか？"))) {
                event->ignore();
                return;
            }
            model_->revertPending();
        }
    }
    emit closing();
    event->accept();
}

bool MasterScreen::eventFilter(QObject* watched, QEvent* event) {
    // An open editor passes on what it does not use; Enter and Down reach the screen here.
    if (watched == grid_ && event->type() == QEvent::KeyPress &&
        finishKey(static_cast<QKeyEvent*>(event)))
        return true;
    if (watched == grid_ && event->type() == QEvent::KeyPress && !grid(grid_)->isEditing()) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Delete && def_.canDelete) {
            deleteCurrentRow();
            return true;
        }
        if (key == Qt::Key_Escape && model_->pendingRow() >= 0) {
            model_->revertPending();
            readAgainIfStale();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

namespace {

MasterScreen* makeMaster(FrameWindow& frame, ScreenId id) {
    AppState& state = frame.state();
    switch (id) {
    case ScreenId::ProjectMaster: {
        auto* s = new MasterScreen(state, projectMaster(), QStringLiteral("Form5"),
                                   QStringLiteral("工事件名"));
        // The project lists (the entry screen's picker) follow what was written here.
        QObject::connect(s, &MasterScreen::written, &frame, &FrameWindow::projectsChanged);
        QObject::connect(s, &MasterScreen::closing, &frame, &FrameWindow::projectsChanged);
        return s;
    }
    case ScreenId::EmployeeMaster:
        return new MasterScreen(state, employeeMaster(), QStringLiteral("Form6"),
                                QStringLiteral("社員"));
    case ScreenId::VehicleMaster:
        return new MasterScreen(state, vehicleMaster(), QStringLiteral("Form7"),
                                QStringLiteral("車両"));
    case ScreenId::MarkMaster:
        return new MasterScreen(state, staffMarkMaster(), QStringLiteral("Form8"),
                                QStringLiteral("スタッフマーク登録"));
    case ScreenId::WeatherMaster: {
        auto* s = new MasterScreen(state, weatherMaster(), QStringLiteral("Form20"),
                                   QStringLiteral("天候"));
        QObject::connect(s, &MasterScreen::closing, &frame, &FrameWindow::weatherWordsChanged);
        return s;
    }
    default:
        return nullptr;
    }
}

} // namespace

QWidget* makeMasterScreen(FrameWindow& frame, ScreenId id) {
    MasterScreen* screen = makeMaster(frame, id);
    // A register changes the balances the employee grid shows; every grid reads again.
    if (screen)
        QObject::connect(&frame, &FrameWindow::dataChanged, screen, &MasterScreen::readAgain);
    return screen;
}

} // namespace vorda
