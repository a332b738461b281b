#include "ui/app/data_location_screen.h"

#include "core/app/app_state.h"
#include "core/app/session.h"
#include "core/data/backup.h"
#include "core/data/database.h"
#include "core/data/mdb_import.h"
#include "core/data/new_database.h"
#include "core/data/restore.h"
#include "ui/app/restore_list.h"
#include "ui/app/ui_support.h"

#include <QApplication>
#include <QButtonGroup>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>

namespace vorda {

namespace {

QPushButton* button(QWidget* parent, const QString& name, const QString& caption) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setMinimumWidth(96);
    return b;
}

QString startFolder(const QString& current) {
    const QFileInfo info(current);
    return info.absoluteDir().exists() && !current.isEmpty() ? info.absolutePath()
                                                             : QDir::homePath();
}

} // namespace

DataLocationScreen::DataLocationScreen(AppState& state, Session& session, QWidget* parent)
    : QWidget(parent), state_(state), session_(session),
      onFile_(new QRadioButton(QStringLiteral("ファイル"), this)),
      onServer_(new QRadioButton(QStringLiteral("サーバー"), this)),
      kinds_(new QStackedWidget(this)), path_(new QLineEdit), host_(new QLineEdit),
      port_(new QLineEdit), database_(new QLineEdit), user_(new QLineEdit),
      backupFolder_(new QLineEdit(this)), newest_(new QLabel(this)) {
    setObjectName(QStringLiteral("Form22"));
    setWindowTitle(QStringLiteral("データ環境"));
    path_->setObjectName(QStringLiteral("Text1"));
    path_->setMinimumWidth(460);
    onFile_->setObjectName(QStringLiteral("KindFile"));
    onServer_->setObjectName(QStringLiteral("KindServer"));
    onFile_->setToolTip(QStringLiteral("このパソコンか共有フォルダのデータベースファイルです。"));
    onServer_->setToolTip(
        QStringLiteral("複数のパソコンで使う PostgreSQL サーバーのデータベースです。"));
    auto* kindGroup = new QButtonGroup(this);
    kindGroup->addButton(onFile_);
    kindGroup->addButton(onServer_);
    host_->setObjectName(QStringLiteral("ServerHost"));
    port_->setObjectName(QStringLiteral("ServerPort"));
    database_->setObjectName(QStringLiteral("ServerDatabase"));
    user_->setObjectName(QStringLiteral("ServerUser"));
    port_->setValidator(new QIntValidator(1, 65535, port_));
    port_->setText(QStringLiteral("5432"));
    port_->setMaximumWidth(80);
    host_->setToolTip(QStringLiteral("サーバーのパソコンの名前か IP アドレスです。"));
    user_->setToolTip(QStringLiteral(
        "パスワードはここには書きません。接続のときに尋ねるか、~/.pgpass から読みます。"));

    chooseExisting = [this](QWidget* parent) {
        return QFileDialog::getOpenFileName(
            parent, QStringLiteral("データベースを選択"), startFolder(path_->text()),
            QStringLiteral("VORDA データベース (*.db *.sqlite *.sqlite3);;すべてのファイル (*)"));
    };
    chooseNew = [this](QWidget* parent) {
        return QFileDialog::getSaveFileName(
            parent, QStringLiteral("新しいデータベース"),
            QDir(startFolder(path_->text())).filePath(QStringLiteral("VORDA.db")),
            QStringLiteral("VORDA データベース (*.db)"), nullptr,
            QFileDialog::DontConfirmOverwrite);
    };

    chooseBackupFolder = [this](QWidget* parent) {
        return QFileDialog::getExistingDirectory(parent, QStringLiteral("バックアップの場所"),
                                                 backupFolder_->text());
    };
    chooseCopy = [](QWidget* parent, const QString& databasePath,
                    const std::vector<BackupCopy>& copies) {
        RestoreList list(databasePath, copies, parent);
        return list.exec() == QDialog::Accepted ? list.chosen() : QString();
    };
    chooseAccessFile = [this](QWidget* parent) {
        return QFileDialog::getOpenFileName(
            parent, QStringLiteral("取り込む旧データ"), startFolder(path_->text()),
            QStringLiteral("Access データベース (*.mdb);;すべてのファイル (*)"));
    };

    auto* caption = new QLabel(QStringLiteral("データの場所"), this);
    caption->setObjectName(QStringLiteral("Label1"));
    QPushButton* reg = button(this, QStringLiteral("Command1"), QStringLiteral("登録"));
    QPushButton* close = button(this, QStringLiteral("Command2"), QStringLiteral("終了"));
    QPushButton* browse = button(this, QStringLiteral("Command3"), QStringLiteral("参照…"));
    QPushButton* create = button(this, QStringLiteral("Command4"), QStringLiteral("新規作成…"));
    browse->setToolTip(QStringLiteral("既存のデータベースを選びます。"));
    create->setToolTip(QStringLiteral("新しいデータベースを作成して登録します。"));
    QPushButton* import =
        button(this, QStringLiteral("Command8"), QStringLiteral("旧データの取り込み…"));
    import->setToolTip(
        QStringLiteral("以前のデータ（VORDA.mdb）を新しいデータベースに取り込みます。"));
    connect(import, &QPushButton::clicked, this, &DataLocationScreen::importAccess);
    connect(reg, &QPushButton::clicked, this, &DataLocationScreen::registerPath);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    connect(browse, &QPushButton::clicked, this, &DataLocationScreen::browse);
    connect(create, &QPushButton::clicked, this, &DataLocationScreen::createNew);

    auto* grid = new QGridLayout(this);
    grid->addWidget(caption, 0, 0);
    auto* kindRow = new QHBoxLayout;
    kindRow->addWidget(onFile_);
    kindRow->addWidget(onServer_);
    kindRow->addStretch();
    grid->addLayout(kindRow, 0, 1, 1, 3);

    auto* filePage = new QWidget;
    auto* fileGrid = new QGridLayout(filePage);
    fileGrid->setContentsMargins(0, 0, 0, 0);
    fileGrid->addWidget(path_, 0, 0, 1, 3);
    fileGrid->addWidget(browse, 1, 0);
    fileGrid->addWidget(create, 1, 1);
    fileGrid->addWidget(import, 1, 2);
    auto* serverPage = new QWidget;
    auto* serverGrid = new QGridLayout(serverPage);
    serverGrid->setContentsMargins(0, 0, 0, 0);
    serverGrid->addWidget(new QLabel(QStringLiteral("ホスト"), serverPage), 0, 0);
    serverGrid->addWidget(host_, 0, 1);
    serverGrid->addWidget(new QLabel(QStringLiteral("ポート"), serverPage), 0, 2);
    serverGrid->addWidget(port_, 0, 3);
    serverGrid->addWidget(new QLabel(QStringLiteral("データベース"), serverPage), 1, 0);
    serverGrid->addWidget(database_, 1, 1);
    serverGrid->addWidget(new QLabel(QStringLiteral("ユーザー"), serverPage), 1, 2);
    serverGrid->addWidget(user_, 1, 3);
    serverGrid->setColumnStretch(1, 1);
    kinds_->addWidget(filePage);
    kinds_->addWidget(serverPage);
    grid->addWidget(kinds_, 1, 1, 1, 3);
    connect(onFile_, &QRadioButton::toggled, this, &DataLocationScreen::showKind);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(reg);
    buttons->addWidget(close);
    grid->addLayout(buttons, 2, 0, 1, 4);
    confirmation_ = ui::confirmationLine(this);
    grid->addWidget(confirmation_, 3, 0, 1, 4);

    auto* backups = new QGroupBox(QStringLiteral("バックアップ"), this);
    auto* inner = new QGridLayout(backups);
    backupFolder_->setObjectName(QStringLiteral("BackupFolder"));
    backupFolder_->setReadOnly(true);
    newest_->setObjectName(QStringLiteral("BackupNewest"));
    QPushButton* change = button(backups, QStringLiteral("Command5"), QStringLiteral("変更…"));
    QPushButton* now =
        button(backups, QStringLiteral("Command6"), QStringLiteral("今すぐバックアップ"));
    QPushButton* back = button(backups, QStringLiteral("Command7"), QStringLiteral("復元…"));
    change->setToolTip(QStringLiteral("バックアップを置くフォルダを選びます。"));
    now->setToolTip(QStringLiteral("登録したデータベースの写しを今作ります。"));
    back->setToolTip(QStringLiteral("バックアップの一つをデータベースに戻します。"));
    inner->addWidget(new QLabel(QStringLiteral("バックアップの場所"), backups), 0, 0);
    inner->addWidget(backupFolder_, 0, 1, 1, 2);
    inner->addWidget(change, 0, 3);
    inner->addWidget(new QLabel(QStringLiteral("最新のバックアップ"), backups), 1, 0);
    inner->addWidget(newest_, 1, 1, 1, 3);
    auto* actions = new QHBoxLayout;
    actions->addStretch();
    actions->addWidget(now);
    actions->addWidget(back);
    inner->addLayout(actions, 2, 0, 1, 4);
    grid->addWidget(backups, 4, 0, 1, 4);
    connect(change, &QPushButton::clicked, this, &DataLocationScreen::changeBackupFolder);
    connect(now, &QPushButton::clicked, this, &DataLocationScreen::backupNow);
    connect(back, &QPushButton::clicked, this, &DataLocationScreen::restore);
    connect(this, &DataLocationScreen::registered, this, &DataLocationScreen::showBackups);

    // On opening: the file is read again, so the bound screens take its path too.
    INIREAD(state_);
    if (state_.databasePath != session_.location())
        session_.setLocation(state_.databasePath);
    showLocation(session_.location());
    showBackups();
    for (QLineEdit* field : {path_, host_, port_, database_, user_})
        connect(field, &QLineEdit::textChanged, confirmation_, &QLabel::clear);
    connect(onFile_, &QRadioButton::toggled, confirmation_, &QLabel::clear);
    ui::pressWithEnter(this);
}

void DataLocationScreen::showLocation(const QString& location) {
    ServerLocation server;
    QString why;
    if (isServerLocation(location) && parseServerLocation(location, server, why)) {
        host_->setText(server.host);
        port_->setText(QString::number(server.port));
        database_->setText(server.database);
        user_->setText(server.user);
        serverOptions_ = server.options;
        onServer_->setChecked(true);
    } else {
        // An address that cannot be read stays in sight as it is written, to be mended.
        path_->setText(location);
        onFile_->setChecked(true);
    }
    showKind();
}

void DataLocationScreen::showKind() {
    kinds_->setCurrentIndex(onServer() ? 1 : 0);
}

bool DataLocationScreen::onServer() const {
    return onServer_->isChecked();
}

// The server fields as an address, or empty with `why` naming the field to fill in.
QString DataLocationScreen::serverLocation(QString& why) const {
    const struct {
        QLineEdit* field;
        const char16_t* name;
    } required[] = {{host_, u"ホスト"}, {database_, u"データベース"}, {user_, u"ユーザー"}};
    for (const auto& r : required) {
        if (r.field->text().trimmed().isEmpty()) {
            why =
                QStringLiteral("サーバーの%1を入力してください。").arg(QString::fromUtf16(r.name));
            r.field->setFocus();
            return QString();
        }
    }
    bool portOk = false;
    const int port = port_->text().trimmed().toInt(&portOk);
    if (!portOk || port < 1 || port > 65535) {
        why = QStringLiteral("ポートには 1 から 65535 までの番号を入力してください。");
        port_->setFocus();
        return QString();
    }
    ServerLocation server;
    server.host = host_->text().trimmed();
    server.port = port;
    server.database = database_->text().trimmed();
    server.user = user_->text().trimmed();
    server.options = serverOptions_;
    const QString location = serverLocationText(server);
    // Written as it will be read: what does not read back is not registered.
    ServerLocation back;
    if (!parseServerLocation(location, back, why) || back.host != server.host ||
        back.database != server.database || back.user != server.user) {
        if (why.isEmpty())
            why = QStringLiteral("サーバーの指定が正しくありません。\n%1").arg(location);
        return QString();
    }
    return location;
}

bool DataLocationScreen::writePath(const QString& path) {
    AppState written = state_;
    written.databasePath = path;
    if (const QString e = INIWRITE(written); !e.isEmpty()) {
        ui::showMessage(this, e); // not stored, so not in use either
        return false;
    }
    // What a read of vorda.INI would now give: every screen follows it.
    session_.setLocation(path);
    emit registered();
    confirmation_->setText(QStringLiteral("データの場所を登録しました。"));
    return true;
}

void DataLocationScreen::registerPath() {
    confirmation_->clear();
    if (onServer() || isServerLocation(path_->text())) {
        // A server is registered only when it answers and holds our tables: nobody can use
        // one that does not, and its address is not a folder that may be away for a while.
        QString why;
        const QString location = onServer() ? serverLocation(why) : path_->text().trimmed();
        if (location.isEmpty()) {
            ui::showMessage(this, why);
            return;
        }
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const DbError check = Database::check(location);
        QApplication::restoreOverrideCursor();
        if (check) {
            ui::showMessage(this,
                            check.message + QStringLiteral("\nデータの場所は変えていません。"));
            return;
        }
        writePath(location);
        return;
    }
    const QString path = path_->text();
    const DbError check = Database::check(path);
    // A path that does not lead to a VORDA database is registered only when the user says so
    // (a network folder may be away for the moment).
    if (check && !ui::askYesNo(this, check.message + QStringLiteral("\nこのまま登録しますか？")))
        return;
    writePath(path);
}

void DataLocationScreen::browse() {
    const QString chosen = chooseExisting ? chooseExisting(this) : QString();
    if (chosen.isEmpty())
        return;
    if (const DbError check = Database::check(chosen)) {
        ui::showMessage(this, check.message);
        return;
    }
    path_->setText(QDir::toNativeSeparators(chosen));
}

void DataLocationScreen::createNew() {
    const QString chosen = chooseNew ? chooseNew(this) : QString();
    if (chosen.isEmpty())
        return;
    NewDatabaseOptions options;
    options.today = state_.today();
    if (const DbError e = createDatabase(chosen, options)) {
        ui::showMessage(this, e.message);
        return;
    }
    const QString path = QDir::toNativeSeparators(chosen);
    path_->setText(path);
    onFile_->setChecked(true);
    if (writePath(path))
        ui::showMessage(
            this, QStringLiteral("新しいデータベースを作成し、データの場所に登録しました。\n%1")
                      .arg(path));
}

namespace {

QDateTime nowOf(const AppState& state) {
    return QDateTime(state.today(), QTime::currentTime());
}

QString folderOf(const AppState& state) {
    return backupFolder(state.databasePath, chosenBackupFolder());
}

} // namespace

void DataLocationScreen::showBackups() {
    if (state_.databasePath.trimmed().isEmpty()) {
        backupFolder_->clear();
        newest_->setText(QStringLiteral("データの場所が設定されていません"));
        return;
    }
    const QString folder = folderOf(state_);
    backupFolder_->setText(QDir::toNativeSeparators(folder));
    const std::vector<BackupCopy> copies = listBackups(folder, state_.databasePath);
    if (copies.empty()) {
        newest_->setText(QStringLiteral("まだありません"));
        return;
    }
    newest_->setText(QStringLiteral("%1（%2）")
                         .arg(copies.front().stamp.toString(QStringLiteral("yyyy/MM/dd HH:mm")),
                              QFileInfo(copies.front().path).fileName()));
}

void DataLocationScreen::changeBackupFolder() {
    const QString chosen = chooseBackupFolder ? chooseBackupFolder(this) : QString();
    if (chosen.isEmpty())
        return;
    const QFileInfo info(chosen);
    if (!info.isDir() || !info.isWritable()) {
        ui::showMessage(this,
                        QStringLiteral("%1 には書き込めません。別のフォルダを選んでください。")
                            .arg(QDir::toNativeSeparators(chosen)));
        return;
    }
    // The folder beside the database stays the default, not a fixed path.
    const QString beside = backupFolder(state_.databasePath, {});
    setChosenBackupFolder(QDir::cleanPath(chosen) == QDir::cleanPath(beside) ? QString() : chosen);
    showBackups();
}

void DataLocationScreen::backupNow() {
    BackupResult result;
    if (const DbError e =
            vorda::backupNow(state_.databasePath, folderOf(state_), nowOf(state_), result)) {
        ui::showMessage(this, e.message);
        return;
    }
    showBackups();
    ui::showMessage(this,
                    QStringLiteral("バックアップを作成しました。\n%1\n%2")
                        .arg(QDir::toNativeSeparators(result.path), factsSummary(result.facts)));
}

void DataLocationScreen::restore() {
    const QString database = state_.databasePath;
    if (database.trimmed().isEmpty()) {
        ui::showMessage(this, QStringLiteral("データの場所が設定されていません。"));
        return;
    }
    const QString folder = folderOf(state_);
    const std::vector<BackupCopy> copies = listBackups(folder, database);
    if (copies.empty()) {
        ui::showMessage(this, QStringLiteral("%1 にバックアップがありません。")
                                  .arg(QDir::toNativeSeparators(folder)));
        return;
    }
    const QString chosen = chooseCopy ? chooseCopy(this, database, copies) : QString();
    if (chosen.isEmpty())
        return;
    RestorePlan plan;
    if (const DbError e = checkRestore(database, chosen, plan)) {
        ui::showMessage(this, e.message);
        return;
    }
    if (!ui::askYesNo(this, restoreQuestion(database, plan) + QStringLiteral("\nよろしいですか？")))
        return;
    RestoreResult result;
    // No connection of this program stays open on the file while it is replaced.
    Database::releaseKeptConnections(database);
    const DbError e = restoreDatabase(database, chosen, folder, nowOf(state_), result);
    showBackups();
    if (e) {
        ui::showMessage(this, e.message);
        return;
    }
    // Another file under the same name: every screen reads it again.
    session_.replaced();
    ui::showMessage(
        this,
        QStringLiteral("復元しました（%1）。\n置き換える前のデータベースは %2 にあります。")
            .arg(factsSummary(result.restored), QDir::toNativeSeparators(result.replacedCopy)));
}

void DataLocationScreen::importAccess() {
    const QString source = chooseAccessFile ? chooseAccessFile(this) : QString();
    if (source.isEmpty())
        return;
    const QString target = chooseNew ? chooseNew(this) : QString();
    if (target.isEmpty())
        return;
    ImportReport report;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const DbError e = importMdb(source, target, report);
    QApplication::restoreOverrideCursor();
    if (e) {
        ui::showMessage(this, e.message);
        return;
    }
    const QString path = QDir::toNativeSeparators(target);
    if (ui::askYesNo(this,
                     QStringLiteral("%1 に取り込みました。\n%2\n\nこのデータベースをデータの場所に"
                                    "登録しますか？")
                         .arg(path, report.summary().join(u'\n')))) {
        path_->setText(path);
        onFile_->setChecked(true);
        writePath(path);
    }
}

} // namespace vorda
