#pragma once
// The frame window "VORDA管理": the menu bar from which every function is reached, and the
// one registry of screens. Every screen is a modeless child window; opening one that is
// already open brings it to the front without reloading it.

#include "core/app/ini_file.h"

#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <memory>

class QAction;
class QLabel;
class QMdiArea;
class QMdiSubWindow;

namespace vorda {

struct AppState;
struct DbError;
class Session;

enum class ScreenId {
    Main,             // Form1
    Entry,            // daily report entry
    DailyPrint,       // daily report print
    MonthlyResults,   // monthly operation results
    PeriodList,       // per-project period list
    Attendance,       // monthly attendance sheet
    AnnualAttendance, // 個人別年間出勤表
    PrintSettings,
    ProjectMaster,
    EmployeeMaster,
    VehicleMaster,
    FurtherRegistrations, // 予備登録 menu screen
    MarkMaster,
    WeatherMaster,
    SystemSettings,
    TradeName,
    Purge,
    DeleteEmployeeData, // no screen in this system
    DataLocation,       // Form22
    WeatherPicker,      // Form21
    ProjectPicker,      // Form3
    MarkPicker,         // Form12
    DailyCsv,           // 日報CSV
};

class FrameWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit FrameWindow(AppState& state, QWidget* parent = nullptr);
    ~FrameWindow() override;

    AppState& state() { return state_; }
    // The data location in use and its connection: screens listen to it.
    Session& session() { return *session_; }

    using Factory = std::function<QWidget*(FrameWindow&)>;
    void registerScreen(ScreenId id, Factory factory);
    bool isAvailable(ScreenId id) const { return factories_.contains(id); }

    // Opens the screen, or brings the open one to the front; nullptr when it does not exist.
    QWidget* openScreen(ScreenId id);
    // The open screen, or nullptr.
    QWidget* screen(ScreenId id) const;

    // Shows the frame as it was when last closed (kept in the user's settings), or
    // maximised on the screen's available area; from then on closing keeps its place.
    void showAtStart();

    // Shows the main screen and runs its load. Called once at start-up.
    void start(const IniReadResult& ini);

    // Moves an open screen (a picker) next to the field it serves: below it, or above it
    // when there is no room below, always inside the frame.
    void placeNear(QWidget* screen, QWidget* anchor);

    // A line at the foot of the frame: what went wrong, without stopping the user. It stays
    // until the next operation that succeeds (succeeded()) or the next note.
    void showStatus(const QString& text);
    // A note that stays until the next one (where a PDF was saved, what start-up found).
    void showNote(const QString& text);
    // An operation went through: an error it may have followed disappears.
    void succeeded();

    // The day's automatic copy of a database: where it went, or why it could not be made.
    // A failure is said on the status line each time and in a message box the first time
    // in a session; the write the user asked for has gone on all the same.
    void backupReported(const QString& databasePath, const QString& copy, const QString& error);

    // Closes every screen (each may refuse, e.g. for unsaved work) and ends the program.
    void endProgram();
    // True while endProgram closes the screens.
    bool isEnding() const;

    // The menu entries, for tests: top menu index and entry index as the menu tree gives them.
    QAction* menuEntry(int menu, int index) const;

    // A list of the database's rows stays with the current data: `reload` runs when the
    // session says the location changed and when the screen comes to the front with another
    // path than the one it last read.
    void followDatabase(QWidget* screen, std::function<QString()> path,
                        std::function<void()> reload);

signals:
    // The project master has closed: open project lists read the projects again.
    void projectsChanged();
    // The weather master has closed: an open weather picker reads the words again.
    void weatherWordsChanged();
    // A register of the entry screen wrote daily reports and day-off balances: open masters
    // and lists read their rows again.
    void dataChanged();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenus();
    void updateAvailability();
    void menuChosen(int menu, int index);
    void connectionLost(const QString& message);

    AppState& state_;
    Session* session_;
    QMdiArea* area_;
    QLabel* status_;
    QHash<ScreenId, Factory> factories_;
    QHash<ScreenId, QPointer<QMdiSubWindow>> open_;
    QHash<QPair<int, int>, QAction*> entries_;
    bool ending_ = false;
    bool statusIsError_ = false;
    bool keepsPlace_ = false; // shown by showAtStart: closing writes its place
    bool backupFailureShown_ = false;
};

// The frame a screen is shown in, or nullptr (a screen made on its own, in a test).
FrameWindow* frameOf(QWidget* screen);

// A failed database operation of a screen, said once: a lost or refused connection goes
// through the frame's session (the frame says it, on its status line and in a box); any
// other failure, or a screen without a frame, in a box over the screen. `outcome` says
// what became of the operation, e.g. that nothing was registered.
void showFailure(QWidget* screen, const DbError& error, const QString& outcome = QString());

// Registers every screen this program has, in one place.
void registerScreens(FrameWindow& frame);

} // namespace vorda
