#pragma once
// The data location screen Form22 "データ環境": where the database file is, and its backups:
// the folder they go to, the newest copy, a copy now, and a restore from one of them.

#include <QWidget>
#include <functional>
#include <vector>

class QLabel;
class QLineEdit;

namespace vorda {
struct BackupCopy;
}

namespace vorda {

struct AppState;

class DataLocationScreen : public QWidget {
    Q_OBJECT
public:
    explicit DataLocationScreen(AppState& state, QWidget* parent = nullptr);

    // The file choosers, replaceable by tests: an existing file to open, a new file to create.
    std::function<QString(QWidget*)> chooseExisting;
    std::function<QString(QWidget*)> chooseNew;
    // The backup folder chooser, and the restore list (RestoreList): the copy chosen or empty.
    std::function<QString(QWidget*)> chooseBackupFolder;
    std::function<QString(QWidget*, const QString& databasePath, const std::vector<BackupCopy>&)>
        chooseCopy;
    // The firm's Access file to import, replaceable by tests.
    std::function<QString(QWidget*)> chooseAccessFile;

    // "登録": the field's path becomes the database path and is written to vorda.INI.
    void registerPath();
    // "参照…": an existing VORDA database into the field.
    void browse();
    // "新規作成…": a new database with the rows a new firm needs, put in the field and registered.
    void createNew();
    // "旧データの取り込み…": the firm's Access file (VORDA.mdb) into a new database; the
    // summary is shown and the new file registered when the user says so.
    void importAccess();

    // "変更…": another backup folder, kept in the user's settings.
    void changeBackupFolder();
    // "今すぐバックアップ": a checked copy of the registered database now.
    void backupNow();
    // "復元…": a copy from the list, checked, after one question naming what is replaced.
    void restore();
    // The backup folder and the newest copy as they are now.
    void showBackups();

signals:
    void registered();
    // A restore replaced the database: every open screen reads it again.
    void restored();

private:
    bool writePath(const QString& path);

    AppState& state_;
    QLineEdit* path_;
    QLabel* confirmation_;
    QLineEdit* backupFolder_;
    QLabel* newest_;
};

} // namespace vorda
