#pragma once
// The data location screen Form22 "データ環境": where the database file is.

#include <QWidget>
#include <functional>

class QLabel;
class QLineEdit;

namespace vorda {

struct AppState;

class DataLocationScreen : public QWidget {
    Q_OBJECT
public:
    explicit DataLocationScreen(AppState& state, QWidget* parent = nullptr);

    // The file choosers, replaceable by tests: an existing file to open, a new file to create.
    std::function<QString(QWidget*)> chooseExisting;
    std::function<QString(QWidget*)> chooseNew;
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

signals:
    void registered();

private:
    bool writePath(const QString& path);

    AppState& state_;
    QLineEdit* path_;
    QLabel* confirmation_;
};

} // namespace vorda
