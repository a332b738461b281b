// The master grids driven by object name as a user would: typing into cells, leaving rows,
// "行削除" and "終了", the 予備登録 menu, and the lists that follow the masters.

#include "core/app/app_state.h"
#include "core/app/session.h"
#include "core/data/daily_record.h"
#include "core/data/schema.h"
#include "core/masters/master_edit.h"
#include "support/files.h"
#include "support/message_recorder.h"
#include "support/temp_database.h"
#include "ui/app/frame_window.h"
#include "ui/masters/master_screen.h"

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTreeWidget>

using namespace vorda;

namespace {

struct Fixture {
    Fixture() {
        state.databasePath = t.path();
        state.boundDatabasePath = t.path();
        state.today = [] { return QDate(2024, 6, 3); };
    }

    void insert(const QString& table, const QVariantList& values) {
        Database db;
        if (db.open(t.path()) || db.insert(table, values))
            qWarning("could not insert into %s", qPrintable(table));
    }
    void employees(int n) {
        for (int i = 0; i < n; ++i)
            insert(table::Employees, {QString::number(i + 1), QStringLiteral("社員%1").arg(i + 1),
                                      QStringLiteral("名%1").arg(i + 1), 0, 0, 10});
    }
    void vehicles(int n) {
        for (int i = 0; i < n; ++i)
            insert(table::Vehicles, {QString::number(i + 1), QStringLiteral("車%1").arg(i + 1)});
    }
    void projects(int n) {
        for (int p = 1; p <= n; ++p)
            insert(table::Projects,
                   {p, QStringLiteral("工事%1").arg(p), QStringLiteral("2024-01-01"), QVariant(),
                    QStringLiteral("発注者%1").arg(p)});
    }

    void start() {
        frame = std::make_unique<FrameWindow>(state);
        frame->resize(1200, 790);
        frame->show();
        frame->start(IniReadResult());
    }
    QWidget* open(ScreenId id) {
        if (!frame)
            start();
        return frame->openScreen(id);
    }

    QStringList column(const QString& table, int ordinal) const {
        Database db;
        std::vector<Row> rows;
        QStringList out;
        if (!db.open(t.path()) && !db.selectAll(table, rows)) {
            for (const Row& r : rows)
                out << r.values.value(ordinal).toString();
        }
        return out;
    }
    QByteArray hash() const { return test::fileHash(t.path()); }

    test::TempDatabase t;
    AppState state;
    std::unique_ptr<FrameWindow> frame;
};

QTableView* gridOf(QWidget* screen) {
    return screen ? screen->findChild<QTableView*>(QStringLiteral("DBGrid1")) : nullptr;
}

QPushButton* button(QWidget* screen, const char* name) {
    return screen ? screen->findChild<QPushButton*>(QString::fromLatin1(name)) : nullptr;
}

// The cell editor open now, or nullptr.
QLineEdit* openEditor(QTableView* grid) {
    QLineEdit* editor = nullptr; // closed editors linger, hidden, until they are deleted
    for (auto* e : grid->viewport()->findChildren<QLineEdit*>())
        editor = e->isVisible() ? e : editor;
    return editor;
}

// Selects a cell, opens its editor as F2 does and replaces the text key by key. The editor
// stays open: the next cell chosen, a key that leaves the row or closing takes the text.
void typeCell(QTableView* grid, int row, int column, const QString& text) {
    grid->setFocus();
    grid->setCurrentIndex(grid->model()->index(row, column));
    QTest::keyClick(grid, Qt::Key_F2);
    QLineEdit* editor = openEditor(grid);
    QVERIFY(editor);
    editor->selectAll();
    QTest::keyClick(editor, Qt::Key_Delete);
    for (QChar c : text)
        QTest::sendKeyEvent(QTest::Click, editor, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

// A value every check of its field takes, as typed and as stored.
std::pair<QString, QString> goodValue(FieldKind kind, int column) {
    switch (kind) {
    case FieldKind::Number16:
        return {QStringLiteral("7%1").arg(column), QStringLiteral("7%1").arg(column)};
    case FieldKind::Count:
        return {QStringLiteral("３%1").arg(column), QStringLiteral("3%1").arg(column)};
    case FieldKind::Date:
        return {QStringLiteral("2024/5/%1").arg(column + 1),
                QStringLiteral("2024-05-%1").arg(column + 1, 2, 10, QLatin1Char('0'))};
    case FieldKind::Text:
        break;
    }
    return {QStringLiteral("K%1").arg(column), QStringLiteral("K%1").arg(column)};
}

// Leaves the current row as the arrow key does.
void leaveRow(QTableView* grid, Qt::Key key = Qt::Key_Down) {
    QTest::keyClick(grid, key);
}

QStringList captions(QTableView* grid) {
    QStringList out;
    for (int c = 0; c < grid->model()->columnCount(); ++c)
        out << grid->model()->headerData(c, Qt::Horizontal).toString();
    return out;
}

QStringList items(QListWidget* list) {
    QStringList out;
    for (int i = 0; list && i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

// The texts a picker shows in one of its columns.
QStringList items(QTreeWidget* list, int column) {
    QStringList out;
    for (int i = 0; list && i < list->topLevelItemCount(); ++i) {
        if (!list->topLevelItem(i)->isHidden())
            out << list->topLevelItem(i)->text(column);
    }
    return out;
}

} // namespace

class TestMasterScreens : public QObject {
    Q_OBJECT
private slots:
    void everyMasterAsListed_data() {
        QTest::addColumn<int>("screen");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QStringList>("captions");
        QTest::addColumn<bool>("adds");
        QTest::addColumn<bool>("deletes");
        QTest::newRow("projects") << int(ScreenId::ProjectMaster) << "Form5"
                                  << "工事件名"
                                  << QStringList{"番号", "工事件名", "開始日", "終了日", "発注者"}
                                  << true << true;
        QTest::newRow("employees")
            << int(ScreenId::EmployeeMaster) << "Form6"
            << "社員" << QStringList{"コード", "姓氏", "名前", "出勤年間累計", "出勤月間", "休日残"}
            << true << true;
        QTest::newRow("vehicles") << int(ScreenId::VehicleMaster) << "Form7"
                                  << "車両" << QStringList{"車両番号", "車両種類"} << true << true;
        // Headed by the file's own field names, in field order.
        QTest::newRow("staff marks")
            << int(ScreenId::MarkMaster) << "Form8"
            << "スタッフマーク登録" << QStringList{"コード", "マーク", "内容", "見出し", "区分"}
            << false << false;
        QTest::newRow("weather") << int(ScreenId::WeatherMaster) << "Form20"
                                 << "天候" << QStringList{"天候テーブル"} << true << true;
    }
    // Typed across a row, then Enter, Tab in the last column or Down: the row is written
    // and the next one (the "*" row of a grid that adds) is current, as in a spreadsheet.
    void aRowIsFinishedByKeyboard_data() {
        QTest::addColumn<int>("screen");
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("editorOpen");
        const std::pair<const char*, ScreenId> screens[] = {{"projects", ScreenId::ProjectMaster},
                                                            {"employees", ScreenId::EmployeeMaster},
                                                            {"vehicles", ScreenId::VehicleMaster},
                                                            {"staff marks", ScreenId::MarkMaster},
                                                            {"weather", ScreenId::WeatherMaster}};
        const std::pair<const char*, Qt::Key> keys[] = {
            {"Enter", Qt::Key_Return}, {"Tab", Qt::Key_Tab}, {"Down", Qt::Key_Down}};
        for (const auto& [name, id] : screens) {
            for (const auto& [keyName, key] : keys) {
                // One column: no other cell of the row to click, the editor is always open.
                for (bool open : {true, false})
                    if (open || id != ScreenId::WeatherMaster)
                        QTest::addRow("%s %s %s", name, keyName,
                                      open ? "in the editor" : "in the grid")
                            << int(id) << int(key) << open;
            }
        }
    }
    void aRowIsFinishedByKeyboard() {
        QFETCH(int, screen);
        QFETCH(int, key);
        QFETCH(bool, editorOpen);
        Fixture f; // an empty firm: no projects, employees or vehicles
        QVERIFY(f.t.ok());
        test::MessageRecorder messages;
        QWidget* s = f.open(ScreenId(screen));
        QTableView* grid = gridOf(s);
        QVERIFY(grid);
        const MasterDef& def = qobject_cast<MasterScreen*>(s)->definition();
        const int stored = f.column(def.table, 0).size();
        const int row = def.canAdd ? stored : 0;
        const int last = int(def.fields.size()) - 1;
        for (int c = 0; c <= last; ++c)
            typeCell(grid, row, c, goodValue(def.fields[c].kind, c).first);
        if (editorOpen) {
            QLineEdit* editor = openEditor(grid);
            QVERIFY(editor);
            QTest::keyClick(editor, Qt::Key(key));
        } else {
            grid->setCurrentIndex(grid->model()->index(row, 0)); // a click takes the text
            grid->setCurrentIndex(grid->model()->index(row, last));
            QVERIFY(!openEditor(grid));
            QTest::keyClick(grid, Qt::Key(key));
        }
        QApplication::processEvents();
        QVERIFY2(messages.texts.isEmpty(), qPrintable(messages.texts.join(u'|')));
        QCOMPARE(f.column(def.table, 0).size(), def.canAdd ? stored + 1 : stored);
        for (int c = 0; c <= last; ++c)
            QCOMPARE(f.column(def.table, def.fields[c].ordinal).value(row),
                     goodValue(def.fields[c].kind, c).second);
        QCOMPARE(grid->model()->rowCount(), def.canAdd ? stored + 2 : stored);
        QCOMPARE(grid->currentIndex().row(), row + 1);
        QCOMPARE(grid->currentIndex().column(), key == Qt::Key_Down ? last : 0);
        if (def.canAdd)
            QCOMPARE(grid->model()->headerData(row + 1, Qt::Vertical).toString(),
                     QStringLiteral("*"));
        QCOMPARE(qobject_cast<MasterScreen*>(s)->model()->pendingRow(), -1);
    }
    void everyMasterAsListed() {
        QFETCH(int, screen);
        QFETCH(QString, name);
        QFETCH(QString, title);
        QFETCH(QStringList, captions);
        QFETCH(bool, adds);
        QFETCH(bool, deletes);
        Fixture f;
        QVERIFY(f.t.ok());
        f.employees(3);
        f.vehicles(2);
        f.projects(4);
        test::MessageRecorder messages;
        QWidget* s = f.open(ScreenId(screen));
        QVERIFY(s);
        QCOMPARE(s->objectName(), name);
        QCOMPARE(s->windowTitle(), title);
        QTableView* grid = gridOf(s);
        QVERIFY(grid);
        QCOMPARE(::captions(grid), captions);
        auto* master = qobject_cast<MasterScreen*>(s);
        const MasterDef& def = master->definition();
        const int stored = f.column(def.table, 0).size();
        QVERIFY(stored > 0);
        // Only a grid that adds rows ends in the empty row.
        QCOMPARE(grid->model()->rowCount(), stored + (adds ? 1 : 0));
        QCOMPARE(grid->model()->headerData(grid->model()->rowCount() - 1, Qt::Vertical).toString(),
                 adds ? QStringLiteral("*") : QString::number(stored));
        QCOMPARE(button(s, "DeleteRow") != nullptr, deletes);
        QCOMPARE(button(s, "Command1")->text(), QStringLiteral("終了"));
        // The Delete key on a grid that deletes nothing leaves every row where it is.
        const QByteArray before = f.hash();
        grid->setFocus();
        grid->setCurrentIndex(grid->model()->index(0, 0));
        messages.answers = {true};
        QTest::keyClick(grid, Qt::Key_Delete);
        QCOMPARE(f.column(def.table, 0).size(), deletes ? stored - 1 : stored);
        if (!deletes)
            QCOMPARE(f.hash(), before);
        // Every caption shows whole over its column.
        for (int c = 0; c < captions.size(); ++c)
            QVERIFY(grid->columnWidth(c) >= grid->fontMetrics().horizontalAdvance(captions[c]));
        // A mark's kind is a number: its column says what each one stands for.
        const int kind = int(captions.indexOf(QStringLiteral("区分")));
        if (kind >= 0) {
            QCOMPARE(grid->model()->headerData(kind, Qt::Horizontal, Qt::ToolTipRole).toString(),
                     QStringLiteral("1 出勤、2 宿泊、3 休日出勤、4 休み"));
            QStringList tips;
            for (int r = 0; r < grid->model()->rowCount(); ++r)
                tips << grid->model()->index(r, kind).data(Qt::ToolTipRole).toString();
            QVERIFY2(tips.contains(QStringLiteral("2 宿泊")), qPrintable(tips.join(u'|')));
            QVERIFY(tips.contains(QStringLiteral("4 休み")));
        }
        button(s, "Command1")->click();
        QTRY_VERIFY(!f.frame->screen(ScreenId(screen)));
    }

    void anEditIsWrittenWhenTheRowIsLeftOrTheScreenCloses() {
        Fixture f;
        QVERIFY(f.t.ok());
        f.employees(3);
        test::MessageRecorder messages;
        QTableView* grid = gridOf(f.open(ScreenId::EmployeeMaster));
        QVERIFY(grid);
        typeCell(grid, 0, 1, QStringLiteral("山田"));
        typeCell(grid, 0, 5, QStringLiteral("１２"));
        QCOMPARE(grid->model()->index(0, 1).data().toString(), QStringLiteral("山田"));
        // Still in the row: nothing written yet.
        QCOMPARE(f.column(table::Employees, emp::Surname)[0], QStringLiteral("社員1"));
        leaveRow(grid);
        QCOMPARE(f.column(table::Employees, emp::Surname)[0], QStringLiteral("山田"));
        QCOMPARE(f.column(table::Employees, emp::DaysOffLeft)[0], QStringLiteral("12"));
        QCOMPARE(f.column(table::Employees, emp::GivenName)[0], QStringLiteral("名1"));

        typeCell(grid, 2, 2, QStringLiteral("花子"));
        button(f.frame->screen(ScreenId::EmployeeMaster), "Command1")->click();
        QTRY_VERIFY(!f.frame->screen(ScreenId::EmployeeMaster));
        QCOMPARE(f.column(table::Employees, emp::GivenName)[2], QStringLiteral("花子"));
        QVERIFY2(messages.texts.isEmpty(), qPrintable(messages.texts.join(u'|')));
    }

    void aRefusedValueWritesNothingAndKeepsTheRow_data() {
        QTest::addColumn<int>("screen");
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("wrong");
        QTest::addColumn<QString>("why");
        QTest::addColumn<QString>("right");
        QTest::addColumn<QString>("stored");
        QTest::newRow("project number beyond 16 bits")
            << int(ScreenId::ProjectMaster) << 0 << "40000"
            << "32767"
            << "40"
            << "40";
        QTest::newRow("project start no date") << int(ScreenId::ProjectMaster) << 2 << "2003/2/30"
                                               << "日付"
                                               << "2003/5/12"
                                               << "2003-05-12";
        QTest::newRow("project end dashes") << int(ScreenId::ProjectMaster) << 3 << "来年"
                                            << "日付"
                                            << "2003-05-12"
                                            << "2003-05-12";
        QTest::newRow("employee total text") << int(ScreenId::EmployeeMaster) << 3 << "12日"
                                             << "整数"
                                             << "12"
                                             << "12";
        QTest::newRow("mark kind fraction") << int(ScreenId::MarkMaster) << 4 << "1.5"
                                            << "整数"
                                            << "2"
                                            << "2";
    }
    void aRefusedValueWritesNothingAndKeepsTheRow() {
        QFETCH(int, screen);
        QFETCH(int, column);
        QFETCH(QString, wrong);
        QFETCH(QString, why);
        QFETCH(QString, right);
        QFETCH(QString, stored);
        Fixture f;
        QVERIFY(f.t.ok());
        f.employees(3);
        f.projects(3);
        test::MessageRecorder messages;
        QWidget* s = f.open(ScreenId(screen));
        QTableView* grid = gridOf(s);
        QVERIFY(grid);
        const MasterDef& def = qobject_cast<MasterScreen*>(s)->definition();
        const int ordinal = def.fields[column].ordinal;
        const QByteArray before = f.hash();
        typeCell(grid, 1, column, wrong);
        leaveRow(grid);
        QCOMPARE(messages.texts.size(), 1);
        QVERIFY2(messages.texts[0].contains(why), qPrintable(messages.texts[0]));
        // The caption runs straight into the particle, as Japanese is written.
        const QString caption = grid->model()->headerData(column, Qt::Horizontal).toString();
        QVERIFY2(messages.texts[0].startsWith(caption + QStringLiteral("に「") + wrong + u'」'),
                 qPrintable(messages.texts[0]));
        QCOMPARE(grid->currentIndex().row(), 1);
        QCOMPARE(grid->model()->index(1, column).data().toString(), wrong);
        QCOMPARE(f.hash(), before);

        // Closing asks; "no" keeps the screen and the typed row.
        messages.answers = {false};
        button(s, "Command1")->click();
        QVERIFY(f.frame->screen(ScreenId(screen)));
        QCOMPARE(f.hash(), before);

        typeCell(grid, 1, column, right);
        leaveRow(grid, Qt::Key_Up);
        QCOMPARE(grid->currentIndex().row(), 0);
        QCOMPARE(f.column(def.table, ordinal)[1], stored);
        QCOMPARE(messages.texts.size(), 2); // the closing question, nothing since
    }

    void rowsBeyondTheReportColumnsAreRefused_data() {
        QTest::addColumn<int>("screen");
        QTest::addColumn<int>("limit");
        QTest::newRow("31st employee") << int(ScreenId::EmployeeMaster) << kStaffColumns;
        QTest::newRow("11th vehicle") << int(ScreenId::VehicleMaster) << kVehicleColumns;
    }
    void rowsBeyondTheReportColumnsAreRefused() {
        QFETCH(int, screen);
        QFETCH(int, limit);
        Fixture f;
        QVERIFY(f.t.ok());
        const bool employees = ScreenId(screen) == ScreenId::EmployeeMaster;
        employees ? f.employees(limit - 1) : f.vehicles(limit - 1);
        const QString table = employees ? table::Employees : table::Vehicles;
        test::MessageRecorder messages;
        QTableView* grid = gridOf(f.open(ScreenId(screen)));
        QVERIFY(grid);
        // The last free row is added through the empty row.
        typeCell(grid, limit - 1, 1, QStringLiteral("新入り"));
        leaveRow(grid, Qt::Key_Up);
        QCOMPARE(f.column(table, 1).size(), limit);
        QCOMPARE(f.column(table, 1).back(), QStringLiteral("新入り"));
        QCOMPARE(grid->model()->rowCount(), limit + 1);
        QVERIFY(messages.texts.isEmpty());

        const QByteArray before = f.hash();
        typeCell(grid, limit, 1, QStringLiteral("もう一人"));
        leaveRow(grid, Qt::Key_Up);
        QCOMPARE(messages.texts.size(), 1);
        QVERIFY2(messages.texts[0].contains(QString::number(limit)), qPrintable(messages.texts[0]));
        QVERIFY(messages.texts[0].contains(QStringLiteral("これ以上は登録できません")));
        QCOMPARE(grid->model()->index(limit, 1).data().toString(), QString());
        QCOMPARE(f.hash(), before);
    }

    // A register on the entry screen moves day-off balances: an open grid shows the file's,
    // and rows typed but not yet written are kept and written first.
    void anOpenMasterFollowsARegister() {
        Fixture f;
        QVERIFY(f.t.ok());
        f.employees(3);
        test::MessageRecorder messages;
        QWidget* s = f.open(ScreenId::EmployeeMaster);
        QTableView* grid = gridOf(s);
        QVERIFY(grid);
        const auto balance = [&f](int rowid, int days) {
            Database db;
            QVERIFY(!db.open(f.t.path()));
            QVERIFY(!db.exec(QStringLiteral("UPDATE 社員 SET 休日残 = ? WHERE rowid = ?"),
                             {days, rowid}));
        };
        QWidget* entry = f.frame->openScreen(ScreenId::Entry);
        QVERIFY(entry);
        auto* registerDay = entry->findChild<QPushButton*>(QStringLiteral("Command3"));
        QVERIFY(registerDay);
        balance(2, 6);
        QCOMPARE(grid->model()->index(1, 5).data().toString(), QStringLiteral("10"));
        registerDay->click();
        QCOMPARE(grid->model()->index(1, 5).data().toString(), QStringLiteral("6"));

        typeCell(grid, 0, 2, QStringLiteral("花子"));
        balance(2, 8);
        registerDay->click();
        QCOMPARE(openEditor(grid)->text(), QStringLiteral("花子"));
        QCOMPARE(grid->model()->index(1, 5).data().toString(), QStringLiteral("6"));
        leaveRow(grid);
        QTRY_COMPARE(grid->model()->index(1, 5).data().toString(), QStringLiteral("8"));
        QCOMPARE(f.column(table::Employees, emp::GivenName)[0], QStringLiteral("花子"));
        QCOMPARE(grid->model()->index(0, 2).data().toString(), QStringLiteral("花子"));
        QCOMPARE(grid->currentIndex().row(), 1);
        QCOMPARE(messages.texts, (QStringList{"登録終了しました。", "登録終了しました。"}));
    }

    void aDeleteThatWouldMoveStoredCellsIsRefused() {
        Fixture f;
        QVERIFY(f.t.ok());
        f.employees(5);
        QVariantList report(rec::FieldCount);
        report[rec::Date] = QStringLiteral("2024-05-13");
        report[rec::JobName] = QStringLiteral("工事");
        report[rec::ActualStaff + 3] = QStringLiteral("○"); // the fourth employee's column
        f.insert(table::DailyReport, report);
        test::MessageRecorder messages;
        QWidget* s = f.open(ScreenId::EmployeeMaster);
        QTableView* grid = gridOf(s);
        QVERIFY(grid);
        const QByteArray before = f.hash();
        grid->setCurrentIndex(grid->model()->index(2, 1));
        messages.answers = {true, false}; // delete: yes; clear the names instead: no
        button(s, "DeleteRow")->click();
        QCOMPARE(messages.texts.size(), 2);
        // The row as captions and values, not a run of bare figures.
        QCOMPARE(messages.texts[0],
                 QStringLiteral("3行目（社員コード 3、社員3 名3）を削除しますか？"));
        QVERIFY2(messages.texts[1].contains(QStringLiteral("削除できません")),
                 qPrintable(messages.texts[1]));
        QVERIFY(messages.texts[1].contains(QStringLiteral("3列目")));
        QCOMPARE(f.hash(), before);
        QCOMPARE(grid->model()->rowCount(), 6);

        // The offer taken: the column stays, its names empty, every stored cell in place.
        messages.answers = {true, true};
        button(s, "DeleteRow")->click();
        QCOMPARE(f.column(table::Employees, emp::Surname),
                 (QStringList{"社員1", "社員2", "", "社員4", "社員5"}));
        QCOMPARE(f.column(table::Employees, emp::Code), (QStringList{"1", "2", "", "4", "5"}));
        QCOMPARE(f.column(table::DailyReport, rec::ActualStaff + 3), QStringList{"○"});
        QCOMPARE(grid->model()->index(2, 1).data().toString(), QString());
        QCOMPARE(grid->model()->index(3, 1).data().toString(), QStringLiteral("社員4"));

        // A row after the last stored cell goes.
        grid->setCurrentIndex(grid->model()->index(4, 0));
        messages.answers = {true};
        button(s, "DeleteRow")->click();
        QCOMPARE(f.column(table::Employees, emp::Surname),
                 (QStringList{"社員1", "社員2", "", "社員4"}));
    }

    void aDeleteGoesAheadWithoutStoredReports() {
        Fixture f;
        QVERIFY(f.t.ok());
        f.vehicles(5);
        test::MessageRecorder messages;
        QWidget* s = f.open(ScreenId::VehicleMaster);
        QTableView* grid = gridOf(s);
        QVERIFY(grid);
        grid->setCurrentIndex(grid->model()->index(1, 0));
        // "no" to the one question deletes nothing.
        messages.answers = {false};
        button(s, "DeleteRow")->click();
        QCOMPARE(f.column(table::Vehicles, veh::Name).size(), 5);
        messages.answers = {true};
        button(s, "DeleteRow")->click();
        QCOMPARE(messages.texts.size(), 2);
        QCOMPARE(messages.texts[1], QStringLiteral("2行目（車両番号 2、車2）を削除しますか？"));
        QCOMPARE(f.column(table::Vehicles, veh::Name), (QStringList{"車1", "車3", "車4", "車5"}));
        QCOMPARE(grid->model()->index(1, 1).data().toString(), QStringLiteral("車3"));
        QCOMPARE(grid->model()->rowCount(), 5);
    }

    void aProjectNumberIsUsedOnce() {
        Fixture f;
        QVERIFY(f.t.ok());
        f.projects(2);
        test::MessageRecorder messages;
        QTableView* grid = gridOf(f.open(ScreenId::ProjectMaster));
        QVERIFY(grid);
        const QByteArray before = f.hash();
        typeCell(grid, 2, 0, QStringLiteral("2"));
        typeCell(grid, 2, 1, QStringLiteral("駅前舗装"));
        leaveRow(grid, Qt::Key_Up);
        QCOMPARE(messages.texts.size(), 1);
        QVERIFY2(messages.texts[0].contains(QStringLiteral("番号「2」")),
                 qPrintable(messages.texts[0]));
        QCOMPARE(grid->currentIndex().row(), 2);
        QCOMPARE(f.hash(), before);
        // Another row taking a used number is refused as well.
        typeCell(grid, 2, 0, QStringLiteral("3"));
        leaveRow(grid, Qt::Key_Up);
        QCOMPARE(f.column(table::Projects, proj::Number), (QStringList{"1", "2", "3"}));
        QCOMPARE(f.column(table::Projects, proj::Name).back(), QStringLiteral("駅前舗装"));
        typeCell(grid, 1, 0, QStringLiteral("1"));
        leaveRow(grid, Qt::Key_Up);
        QCOMPARE(messages.texts.size(), 2);
        QCOMPARE(f.column(table::Projects, proj::Number), (QStringList{"1", "2", "3"}));
    }

    void theListsFollowTheirMasters() {
        Fixture f;
        QVERIFY(f.t.ok());
        f.projects(2);
        test::MessageRecorder messages;
        f.start();
        auto* projects =
            f.frame->openScreen(ScreenId::ProjectPicker)->findChild<QTreeWidget*>("DBList1");
        auto* words =
            f.frame->openScreen(ScreenId::WeatherPicker)->findChild<QTreeWidget*>("List1");
        auto* period =
            f.frame->openScreen(ScreenId::PeriodList)->findChild<QListWidget*>("DBList1");
        QVERIFY(projects && words && period);
        const QStringList wordsBefore = items(words, 0);

        QTableView* grid = gridOf(f.frame->openScreen(ScreenId::ProjectMaster));
        typeCell(grid, 2, 0, QStringLiteral("9"));
        typeCell(grid, 2, 1, QStringLiteral("新築工事"));
        QCOMPARE(items(projects, 1), (QStringList{"工事1", "工事2"}));
        button(f.frame->screen(ScreenId::ProjectMaster), "Command1")->click();
        QTRY_VERIFY(!f.frame->screen(ScreenId::ProjectMaster));
        QCOMPARE(items(projects, 1), (QStringList{"工事1", "工事2", "新築工事"}));
        QCOMPARE(items(period), items(projects, 1));

        // The picker keeps its list between openings until the projects may have changed:
        // a row another program adds shows after a register, a master's write or a new
        // data location, not at every F4.
        const auto reopened = [&f] {
            if (QWidget* open = f.frame->screen(ScreenId::ProjectPicker))
                open->close();
            QApplication::processEvents();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QWidget* picker = f.frame->openScreen(ScreenId::ProjectPicker);
            return items(picker ? picker->findChild<QTreeWidget*>("DBList1") : nullptr, 1);
        };
        f.insert(table::Projects,
                 {20, QStringLiteral("他の画面の工事"), QVariant(), QVariant(), QVariant()});
        QCOMPARE(reopened(), (QStringList{"工事1", "工事2", "新築工事"}));
        emit f.frame->dataChanged();
        QCOMPARE(reopened(), (QStringList{"工事1", "工事2", "新築工事", "他の画面の工事"}));
        f.insert(table::Projects,
                 {21, QStringLiteral("二つ目"), QVariant(), QVariant(), QVariant()});
        f.frame->session().setLocation(f.t.path());
        QCOMPARE(reopened().size(), 5);
        grid = gridOf(f.frame->openScreen(ScreenId::ProjectMaster));
        typeCell(grid, 0, 1, QStringLiteral("改名"));
        leaveRow(grid);
        QCOMPARE(reopened().value(0), QStringLiteral("改名"));
        f.frame->screen(ScreenId::ProjectMaster)->close();

        // The weather master through the 予備登録 menu, which stays open.
        f.frame->menuEntry(2, 1)->trigger();
        QWidget* weather = f.frame->screen(ScreenId::WeatherMaster);
        QVERIFY(weather);
        weather->close();
        QTRY_VERIFY(!f.frame->screen(ScreenId::WeatherMaster));
        QWidget* menu = f.frame->openScreen(ScreenId::FurtherRegistrations);
        QCOMPARE(menu->objectName(), QStringLiteral("Form11"));
        button(menu, "Command3")->click();
        weather = f.frame->screen(ScreenId::WeatherMaster);
        QVERIFY(weather && f.frame->screen(ScreenId::FurtherRegistrations));
        grid = gridOf(weather);
        typeCell(grid, int(wordsBefore.size()), 0, QStringLiteral("霧"));
        button(weather, "Command1")->click();
        QTRY_VERIFY(!f.frame->screen(ScreenId::WeatherMaster));
        QCOMPARE(items(words, 0), wordsBefore + QStringList{"霧"});
        QVERIFY2(messages.texts.isEmpty(), qPrintable(messages.texts.join(u'|')));
    }

    void theMenusReachEveryMaster() {
        Fixture f;
        QVERIFY(f.t.ok());
        f.start();
        QWidget* main = f.frame->screen(ScreenId::Main);
        const std::pair<const char*, ScreenId> buttons[] = {
            {"Command5", ScreenId::ProjectMaster},
            {"Command8", ScreenId::EmployeeMaster},
            {"Command9", ScreenId::VehicleMaster},
            {"Command14", ScreenId::FurtherRegistrations}};
        for (const auto& [name, id] : buttons) {
            QPushButton* b = button(main, name);
            QVERIFY2(b && b->isEnabled(), name);
            b->click();
            QVERIFY2(f.frame->screen(id), name);
        }
        for (int i = 0; i < 3; ++i)
            QVERIFY(f.frame->menuEntry(1, i)->isEnabled());
        QVERIFY(f.frame->menuEntry(2, 0)->isEnabled());
        QVERIFY(f.frame->menuEntry(2, 1)->isEnabled());

        QWidget* menu = f.frame->screen(ScreenId::FurtherRegistrations);
        const QStringList names{"Command2", "Command3", "Command4", "Command5", "Command1"};
        QStringList texts;
        for (const QString& n : names)
            texts << button(menu, qPrintable(n))->text();
        QCOMPARE(texts,
                 (QStringList{"マーク登録", "天候登録", "システム登録", "屋号登録", "終了"}));
        // The settings screens follow their menu entries.
        QCOMPARE(button(menu, "Command4")->isEnabled(), f.frame->menuEntry(2, 2)->isEnabled());
        QCOMPARE(button(menu, "Command5")->isEnabled(), f.frame->menuEntry(2, 3)->isEnabled());
        button(menu, "Command2")->click();
        QCOMPARE(f.frame->screen(ScreenId::MarkMaster)->objectName(), QStringLiteral("Form8"));
        button(menu, "Command1")->click();
        QTRY_VERIFY(!f.frame->screen(ScreenId::FurtherRegistrations));
        QVERIFY(f.frame->screen(ScreenId::MarkMaster));
    }
};

QTEST_MAIN(TestMasterScreens)
#include "tst_master_screens.moc"
