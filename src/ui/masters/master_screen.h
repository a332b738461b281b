#pragma once
// The master grid screens: one editable grid (DBGrid1) over one master table and "終了"
// (Command1). A changed row is written when the user leaves it, and before the screen closes;
// a value or row the rules refuse says why and keeps the row in edit. Grids that add rows end
// in an empty row marked "*": typing into it makes a new row, written on leaving it.
// Enter, Tab past the last column or Down write the row (with the same checks) and move to
// the next one, the "*" row included, as in a spreadsheet: Enter and Tab to its first
// column, Down to the same column. "行削除" (or the Delete key) deletes the current row after
// one question.

#include "core/masters/master_edit.h"

#include <QAbstractTableModel>
#include <QMap>
#include <QWidget>

class QKeyEvent;
class QTableView;

namespace vorda {

struct AppState;
class FrameWindow;
enum class ScreenId;

// The rows of one master table, with the changes typed into one row until they are written.
class MasterModel : public QAbstractTableModel {
    Q_OBJECT
public:
    MasterModel(const MasterDef& def, QObject* parent = nullptr);

    // Reads the table again; changes not yet written are dropped.
    DbError load(const QString& databasePath);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    // The row whose typed changes are not written yet, or -1.
    int pendingRow() const { return pendingRow_; }
    bool isNewRow(int row) const { return def_.canAdd && row == int(rows_.size()); }
    qint64 rowidAt(int row) const;
    // The stored values of a row by ordinal (empty for the "*" row).
    QVariantList valuesAt(int row) const;
    const QString& path() const { return path_; }

    // Checks and writes the pending row. Empty text when written (or nothing to write),
    // otherwise why nothing was written; the row stays pending.
    QString submitPending();
    // Drops the pending changes.
    void revertPending();

signals:
    // A change refused as it was typed (a row beyond the limit), with the reason.
    void refused(const QString& message);
    // A typed row went into the file.
    void written();

private:
    QString captionOf(int column) const;
    bool isMarkKind(int column) const;
    static QString kindsHelp();

    const MasterDef& def_;
    QString path_;
    std::vector<Row> rows_;
    QStringList fieldNames_;
    int pendingRow_ = -1;
    QMap<int, QString> pending_; // column → text as typed
};

class MasterScreen : public QWidget {
    Q_OBJECT
public:
    MasterScreen(AppState& state, const MasterDef& def, const QString& name, const QString& title,
                 QWidget* parent = nullptr);

    MasterModel* model() const { return model_; }
    const MasterDef& definition() const { return def_; }
    QSize sizeHint() const override;

    // Deletes the current row, after asking.
    void deleteCurrentRow();

    // Something else wrote to the file (a register of the entry screen): the grid reads its
    // rows again, unless changes typed here are waiting; then it reads them once those are
    // written or dropped.
    void readAgain();

signals:
    // The screen closes; what it wrote is in the file.
    void closing();
    // A row was written or deleted here.
    void written();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void rowLeft(const QModelIndex& current, const QModelIndex& previous);
    void reload(int currentRow, int currentColumn = 0);
    void readAgainIfStale();
    // Enter, Tab past the last column and Down: true when the key was taken.
    bool finishKey(const QKeyEvent* key);
    // Writes the current row and moves to the next one, in the given column.
    void finishRow(int nextColumn);

    AppState& state_;
    const MasterDef& def_;
    MasterModel* model_;
    QTableView* grid_;
    bool restoring_ = false;
    bool stale_ = false; // the file changed while typed changes were waiting
};

// The master screen of a registry id (ProjectMaster, EmployeeMaster, VehicleMaster,
// MarkMaster, WeatherMaster), connected to the frame's change signals.
QWidget* makeMasterScreen(FrameWindow& frame, ScreenId id);

} // namespace vorda
