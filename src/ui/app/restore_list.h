#pragma once
// "復元": the backup copies of the database, newest first, to choose the one to put back.

#include "core/data/backup.h"

#include <QDialog>
#include <vector>

class QTableWidget;

namespace vorda {

class RestoreList : public QDialog {
    Q_OBJECT
public:
    RestoreList(const QString& databasePath, const std::vector<BackupCopy>& copies,
                QWidget* parent = nullptr);

    // The list: 日時, 大きさ, 日報, 最後の日報; a copy that cannot be read says so in its row.
    QTableWidget* table() const { return table_; }
    // The copy of the chosen row, or empty.
    QString chosen() const;

private:
    QTableWidget* table_;
    std::vector<BackupCopy> copies_;
};

} // namespace vorda
