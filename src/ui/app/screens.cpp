// The one list of screens the frame can open. A menu entry or button whose screen is not
// listed here stays disabled.

#include "core/app/app_state.h"
#include "core/app/session.h"
#include "ui/app/data_location_screen.h"
#include "ui/app/frame_window.h"
#include "ui/app/main_screen.h"
#include "ui/app/ui_support.h"
#include "ui/app/weather_picker.h"
#include "ui/entry/entry_screen.h"
#include "ui/entry/pickers.h"
#include "ui/masters/further_registrations.h"
#include "ui/masters/master_screen.h"
#include "ui/masters/purge_screen.h"
#include "ui/masters/system_settings_screen.h"
#include "ui/masters/trade_name_screen.h"
#include "ui/reports/annual_attendance_screen.h"
#include "ui/reports/attendance_screen.h"
#include "ui/reports/daily_csv_screen.h"
#include "ui/reports/daily_print_screen.h"
#include "ui/reports/monthly_results_screen.h"
#include "ui/reports/period_list_screen.h"
#include "ui/reports/print_settings_screen.h"

namespace vorda {

namespace {

// A settings screen opens only with its row read: empty fields standing for a file that
// could not be read would overwrite the stored settings at "登録".
template <typename Screen> QWidget* openedWithItsRow(Screen* screen) {
    if (!screen->load()) {
        delete screen;
        return nullptr;
    }
    return screen;
}

} // namespace

void registerScreens(FrameWindow& frame) {
    frame.registerScreen(ScreenId::Main,
                         [](FrameWindow& f) -> QWidget* { return new MainScreen(f.state(), f); });
    frame.registerScreen(ScreenId::DataLocation, [](FrameWindow& f) -> QWidget* {
        return new DataLocationScreen(f.state(), f.session());
    });
    // Another data location, or the same one restored from a copy: the main screen's
    // weather is read again (the lists follow through followDatabase).
    QObject::connect(&frame.session(), &Session::locationChanged, &frame, [&frame] {
        if (auto* main = qobject_cast<MainScreen*>(frame.screen(ScreenId::Main)))
            main->refreshWeather();
    });
    frame.registerScreen(ScreenId::Entry, [](FrameWindow& f) -> QWidget* {
        auto* screen = new EntryScreen(f.state(), f);
        if (!screen->loadDay(f.state().workingDate)) {
            delete screen;
            return nullptr;
        }
        return screen;
    });
    frame.registerScreen(ScreenId::ProjectPicker, [](FrameWindow& f) -> QWidget* {
        return new ProjectPicker(f.state(), f);
    });
    frame.registerScreen(ScreenId::MarkPicker,
                         [](FrameWindow& f) -> QWidget* { return new MarkPicker(f.state(), f); });
    frame.registerScreen(ScreenId::DailyPrint, [](FrameWindow& f) -> QWidget* {
        return new DailyPrintScreen(f.state());
    });
    frame.registerScreen(ScreenId::MonthlyResults, [](FrameWindow& f) -> QWidget* {
        return new MonthlyResultsScreen(f.state());
    });
    frame.registerScreen(ScreenId::PeriodList, [](FrameWindow& f) -> QWidget* {
        auto* screen = new PeriodListScreen(f.state());
        // Its list is of the bound file: a new data location is read at once.
        f.followDatabase(
            screen, [&state = f.state()] { return state.boundDatabasePath; },
            [screen] { screen->reloadProjects(); });
        return screen;
    });
    frame.registerScreen(ScreenId::Attendance, [](FrameWindow& f) -> QWidget* {
        return new AttendanceScreen(f.state());
    });
    frame.registerScreen(ScreenId::AnnualAttendance, [](FrameWindow& f) -> QWidget* {
        auto* screen = new AnnualAttendanceScreen(f.state());
        // Its list is of the file in use: a new data location is read at once.
        f.followDatabase(
            screen, [&state = f.state()] { return state.databasePath; },
            [screen] { screen->reloadEmployees(); });
        return screen;
    });
    frame.registerScreen(ScreenId::DailyCsv,
                         [](FrameWindow& f) -> QWidget* { return new DailyCsvScreen(f.state()); });
    frame.registerScreen(ScreenId::PrintSettings, [](FrameWindow& f) -> QWidget* {
        return new PrintSettingsScreen(f.state());
    });
    frame.registerScreen(ScreenId::WeatherPicker, [](FrameWindow& f) -> QWidget* {
        return new WeatherPicker(f.state(), f);
    });
    for (ScreenId id : {ScreenId::ProjectMaster, ScreenId::EmployeeMaster, ScreenId::VehicleMaster,
                        ScreenId::MarkMaster, ScreenId::WeatherMaster})
        frame.registerScreen(id, [id](FrameWindow& f) { return makeMasterScreen(f, id); });
    frame.registerScreen(ScreenId::FurtherRegistrations, [](FrameWindow& f) -> QWidget* {
        return new FurtherRegistrationsScreen(f);
    });
    // Open project and weather lists follow what their masters wrote.
    QObject::connect(&frame, &FrameWindow::projectsChanged, &frame, [&frame] {
        if (auto* picker = qobject_cast<ProjectPicker*>(frame.screen(ScreenId::ProjectPicker)))
            picker->refresh();
        if (auto* period = qobject_cast<PeriodListScreen*>(frame.screen(ScreenId::PeriodList)))
            period->reloadProjects();
    });
    QObject::connect(&frame, &FrameWindow::weatherWordsChanged, &frame, [&frame] {
        if (auto* picker = qobject_cast<WeatherPicker*>(frame.screen(ScreenId::WeatherPicker)))
            picker->refresh();
    });
    frame.registerScreen(ScreenId::SystemSettings, [](FrameWindow& f) -> QWidget* {
        return openedWithItsRow(new SystemSettingsScreen(f.state()));
    });
    frame.registerScreen(ScreenId::TradeName, [](FrameWindow& f) -> QWidget* {
        return openedWithItsRow(new TradeNameScreen(f.state()));
    });
    frame.registerScreen(ScreenId::Purge,
                         [](FrameWindow& f) -> QWidget* { return new PurgeScreen(f.state()); });
}

} // namespace vorda
