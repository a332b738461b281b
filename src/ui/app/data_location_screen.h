#pragma once
// The data location screen Form22 "データ環境": where the firm's data is — a database file,
// or a database on a PostgreSQL server (host, port, database, user; never a password) — and
// its backups: the folder they go to, the newest copy, a copy now, and a restore from one.

#include <QWidget>
#include <functional>
#include <vector>

class QLabel;
class QLineEdit;
class QRadioButton;
class QStackedWidget;

namespace vorda {
struct BackupCopy;
}

namespace vorda {

struct AppState;
class Session;

class DataLocationScreen : public QWidget {
    Q_OBJECT
public:
    // A registered location goes to the session, which every screen listens to.
    DataLocationScreen(AppState& state, Session& session, QWidget* parent = nullptr);

    // The file choosers, replaceable by tests: an existing file to open, a new file to create.
    std::function<QString(QWidget*)> chooseExisting;
    std::function<QString(QWidget*)> chooseNew;
    // The backup folder chooser, and the restore list (RestoreList): the copy chosen or empty.
    std::function<QString(QWidget*)> chooseBackupFolder;
    std::function<QString(QWidget*, const QString& databasePath, const std::vector<BackupCopy>&)>
        chooseCopy;
    // The firm's Access file to import, replaceable by tests.
    std::function<QString(QWidget*)> chooseAccessFile;

    // "登録": the field's path, or the server's address, becomes the data location and is
    // written to vorda.INI. A server is registered only when it answers and its database
    // holds the program's tables.
    void registerPath();
    // Whether the server fields are the ones in use ("サーバー").
    bool onServer() const;
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

private:
    bool writePath(const QString& path);
    void showLocation(const QString& location);
    void showKind();
    QString serverLocation(QString& why) const;

    AppState& state_;
    Session& session_;
    QRadioButton* onFile_;
    QRadioButton* onServer_;
    QStackedWidget* kinds_;
    QLineEdit* path_;
    QLineEdit* host_;
    QLineEdit* port_;
    QLineEdit* database_;
    QLineEdit* user_;
    QString serverOptions_; // options of the registered address, kept though not shown
    QLabel* confirmation_;
    QLineEdit* backupFolder_;
    QLabel* newest_;
};

} // namespace vorda
