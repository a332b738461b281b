#include "ui/app/screenshot_tour.h"

#include "core/app/app_state.h"
#include "core/data/backup.h"
#include "ui/app/frame_window.h"
#include "ui/app/main_screen.h"
#include "ui/app/password_question.h"
#include "ui/app/restore_list.h"
#include "ui/entry/entry_screen.h"
#include "ui/masters/register_form.h"
#include "ui/reports/daily_print_screen.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>

namespace vorda {

namespace {

void shoot(const QString& folder, const QString& name) {
    QApplication::processEvents();
    QScreen* screen = QGuiApplication::primaryScreen();
    // Pictures of another display size get its size in their names.
    const QString suffix = qEnvironmentVariable("VORDA_SHOT_SUFFIX");
    screen->grabWindow(0).save(QDir(folder).filePath(name + suffix + QStringLiteral(".png")));
}

// A key to a field of a screen, as the keyboard would send it.
void pressIn(FrameWindow& frame, const QString& field, Qt::Key key, ScreenId id = ScreenId::Entry) {
    if (QWidget* entry = frame.screen(id)) {
        if (QWidget* w = entry->findChild<QWidget*>(field)) {
            w->setFocus();
            QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
            QApplication::sendEvent(w, &press);
        }
    }
}

} // namespace

void runScreenshotTour(FrameWindow& frame, const QString& folder) {
    QDir().mkpath(folder);
    struct Step {
        int delayMs;
        std::function<void()> run;
    };
    auto steps = std::make_shared<std::vector<Step>>();
    QMenu* firstMenu = frame.menuBar()->findChildren<QMenu*>().value(0);
    steps->push_back({600, [&frame, folder] { shoot(folder, QStringLiteral("main_screen")); }});
    steps->push_back(
        {100, [&frame, firstMenu] { frame.menuBar()->setActiveAction(firstMenu->menuAction()); }});
    steps->push_back({400, [folder] { shoot(folder, QStringLiteral("menu_processing")); }});
    steps->push_back({100, [firstMenu] { firstMenu->hide(); }});
    steps->push_back({100, [&frame] { frame.openScreen(ScreenId::DataLocation); }});
    steps->push_back({400, [folder] { shoot(folder, QStringLiteral("data_location")); }});
    // The same screen for a server, filled in as an office would (not registered).
    steps->push_back({100, [&frame] {
                          QWidget* screen = frame.screen(ScreenId::DataLocation);
                          if (!screen)
                              return;
                          if (auto* kind =
                                  screen->findChild<QRadioButton*>(QStringLiteral("KindServer")))
                              kind->setChecked(true);
                          for (const auto& [name, text] : {std::pair{"ServerHost", "office-pc"},
                                                           std::pair{"ServerDatabase", "vorda"},
                                                           std::pair{"ServerUser", "jimu"}})
                              if (auto* field = screen->findChild<QLineEdit*>(QLatin1String(name)))
                                  field->setText(QLatin1String(text));
                      }});
    steps->push_back({400, [folder] { shoot(folder, QStringLiteral("data_location_server")); }});
    // The question for a server's password, as it comes up when a connection needs one.
    steps->push_back({100, [folder] {
                          QTimer::singleShot(400, [folder] {
                              shoot(folder, QStringLiteral("password_question"));
                              if (auto* d =
                                      qobject_cast<QDialog*>(QApplication::activeModalWidget()))
                                  d->reject();
                          });
                          ui::askServerPassword(QStringLiteral("postgresql://jimu@office-pc/vorda"),
                                                QStringLiteral("jimu"), false);
                      }});
    steps->push_back({100, [&frame, folder] {
                          const QString database = frame.state().databasePath;
                          auto* list = new RestoreList(
                              database,
                              listBackups(backupFolder(database, chosenBackupFolder()), database),
                              &frame);
                          list->setAttribute(Qt::WA_DeleteOnClose);
                          list->show();
                          QTimer::singleShot(400, list, [list, folder] {
                              shoot(folder, QStringLiteral("restore_list"));
                              list->close();
                          });
                      }});
    steps->push_back({700, [] {}});
    steps->push_back(
        {100, [&frame] { pressIn(frame, QStringLiteral("Text5"), Qt::Key_F4, ScreenId::Main); }});
    steps->push_back({400, [folder] { shoot(folder, QStringLiteral("weather_picker")); }});
    steps->push_back({100, [&frame] {
                          for (ScreenId id : {ScreenId::WeatherPicker, ScreenId::DataLocation})
                              if (QWidget* w = frame.screen(id))
                                  w->close();
                          if (auto* main = qobject_cast<MainScreen*>(frame.screen(ScreenId::Main)))
                              main->openEntry();
                      }});
    for (int page = 0; page < 3; ++page) {
        steps->push_back({200, [&frame, page] {
                              if (auto* entry =
                                      qobject_cast<EntryScreen*>(frame.screen(ScreenId::Entry)))
                                  entry->showPage(page);
                          }});
        steps->push_back(
            {400, [folder, page] { shoot(folder, QStringLiteral("entry_page%1").arg(page)); }});
    }
    steps->push_back({100, [&frame] {
                          if (auto* entry =
                                  qobject_cast<EntryScreen*>(frame.screen(ScreenId::Entry)))
                              entry->showPage(0);
                          pressIn(frame, QStringLiteral("Text2"), Qt::Key_F4);
                      }});
    steps->push_back({400, [folder] { shoot(folder, QStringLiteral("project_picker")); }});
    steps->push_back({100, [&frame] {
                          if (QWidget* w = frame.screen(ScreenId::ProjectPicker))
                              w->close();
                          if (auto* entry =
                                  qobject_cast<EntryScreen*>(frame.screen(ScreenId::Entry)))
                              entry->showPage(1);
                          pressIn(frame, QStringLiteral("SG3(2)"), Qt::Key_F4);
                      }});
    steps->push_back({400, [folder] { shoot(folder, QStringLiteral("mark_picker")); }});
    steps->push_back({100, [&frame] {
                          if (QWidget* w = frame.screen(ScreenId::MarkPicker))
                              w->close();
                          if (auto* entry =
                                  qobject_cast<EntryScreen*>(frame.screen(ScreenId::Entry))) {
                              entry->showPage(0);
                              entry->parentWidget()->showMaximized();
                          }
                      }});
    steps->push_back({400, [folder] { shoot(folder, QStringLiteral("entry_maximised")); }});
    steps->push_back({100, [&frame] { pressIn(frame, QStringLiteral("Text1(5)"), Qt::Key_F4); }});
    steps->push_back({400, [folder] { shoot(folder, QStringLiteral("entry_maximised_picker")); }});
    steps->push_back({100, [&frame] {
                          if (QWidget* w = frame.screen(ScreenId::ProjectPicker))
                              w->close();
                          if (auto* entry =
                                  qobject_cast<EntryScreen*>(frame.screen(ScreenId::Entry)))
                              entry->showPage(1); // as many employee columns as the width holds
                      }});
    steps->push_back({400, [folder] { shoot(folder, QStringLiteral("entry_maximised_page1")); }});
    // The day after the last with rows, filled by 前日複写 and 予定→実績, then a person put
    // into two groups and "登録": the check question.
    steps->push_back({100, [&frame] {
                          if (auto* entry =
                                  qobject_cast<EntryScreen*>(frame.screen(ScreenId::Entry))) {
                              entry->loadDay(entry->date().addDays(1));
                              entry->copyDay();
                              entry->promote(-1);
                              entry->showPage(1);
                          }
                      }});
    steps->push_back({400, [folder] { shoot(folder, QStringLiteral("entry_copied")); }});
    steps->push_back({100, [&frame, folder] {
                          auto* entry = qobject_cast<EntryScreen*>(frame.screen(ScreenId::Entry));
                          if (!entry)
                              return;
                          for (const char* cell : {"SG2(0)", "SG4(0)"})
                              if (auto* w = entry->findChild<QLineEdit*>(QString::fromLatin1(cell)))
                                  w->setText(QStringLiteral("○"));
                          // The question is modal: its picture is taken from inside its own loop.
                          QTimer::singleShot(1000, [folder] {
                              shoot(folder, QStringLiteral("entry_check_question"));
                              if (QWidget* modal = QApplication::activeModalWidget())
                                  modal->close(); // 戻る
                          });
                          entry->registerDay();
                          entry->loadDay(entry->date()); // what was typed for the picture goes
                      }});
    steps->push_back({100, [&frame] {
                          if (QWidget* w = frame.screen(ScreenId::ProjectPicker))
                              w->close();
                          if (QWidget* w = frame.screen(ScreenId::Entry)) {
                              w->parentWidget()->showNormal();
                              w->close();
                          }
                          frame.openScreen(ScreenId::DailyPrint);
                          frame.openScreen(ScreenId::PrintSettings);
                      }});
    steps->push_back({400, [folder] { shoot(folder, QStringLiteral("print_screens")); }});
    steps->push_back({100, [&frame, folder] {
                          auto* print =
                              qobject_cast<DailyPrintScreen*>(frame.screen(ScreenId::DailyPrint));
                          if (!print)
                              return;
                          // The preview is modal: its picture is taken from inside its own loop.
                          QTimer::singleShot(1500, [folder] {
                              shoot(folder, QStringLiteral("daily_report_preview"));
                              if (QWidget* modal = QApplication::activeModalWidget())
                                  modal->close();
                          });
                          print->run(Output::Preview);
                      }});
    steps->push_back({300, [&frame] {
                          for (ScreenId id : {ScreenId::DailyPrint, ScreenId::PrintSettings})
                              if (QWidget* w = frame.screen(id))
                                  w->close();
                          frame.openScreen(ScreenId::MonthlyResults);
                      }});
    steps->push_back({400, [folder] { shoot(folder, QStringLiteral("monthly_results_screen")); }});
    steps->push_back({100, [&frame] { frame.openScreen(ScreenId::PeriodList); }});
    steps->push_back({400, [folder] { shoot(folder, QStringLiteral("period_list_screen")); }});
    // The master grids, one at a time, and the 予備登録 menu beside the staff marks.
    const std::pair<ScreenId, const char*> masters[] = {
        {ScreenId::ProjectMaster, "master_projects"},
        {ScreenId::EmployeeMaster, "master_employees"},
        {ScreenId::VehicleMaster, "master_vehicles"},
        {ScreenId::WeatherMaster, "master_weather"},
        {ScreenId::FurtherRegistrations, nullptr},
        {ScreenId::MarkMaster, "master_marks"}};
    for (const auto& [id, shot] : masters) {
        steps->push_back({200, [&frame, id = id] {
                              for (ScreenId open :
                                   {ScreenId::DailyPrint, ScreenId::PrintSettings,
                                    ScreenId::ProjectMaster, ScreenId::EmployeeMaster,
                                    ScreenId::VehicleMaster, ScreenId::WeatherMaster})
                                  if (QWidget* w = frame.screen(open))
                                      w->close();
                              frame.openScreen(id);
                          }});
        if (shot)
            steps->push_back(
                {400, [folder, name = QString::fromLatin1(shot)] { shoot(folder, name); }});
    }
    steps->push_back({100, [&frame] {
                          if (QWidget* w = frame.screen(ScreenId::DailyPrint))
                              w->close();
                          frame.openScreen(ScreenId::Attendance);
                      }});
    steps->push_back({400, [folder] { shoot(folder, QStringLiteral("attendance_screen")); }});
    for (const auto& [id, name] :
         {std::pair{ScreenId::SystemSettings, "system_settings"},
          std::pair{ScreenId::TradeName, "trade_name"}, std::pair{ScreenId::Purge, "purge"},
          std::pair{ScreenId::AnnualAttendance, "annual_attendance_screen"},
          std::pair{ScreenId::DailyCsv, "daily_csv"}}) {
        steps->push_back({100, [&frame, id] {
                              // The settings are shown registered, with their confirmation.
                              if (auto* form = qobject_cast<RegisterForm*>(frame.openScreen(id));
                                  form && id == ScreenId::SystemSettings)
                                  form->registerRow();
                          }});
        steps->push_back({400, [&frame, folder, id, name] {
                              // The screen in its frame, not the whole desktop: small pictures.
                              if (QWidget* w = frame.screen(id)) {
                                  w->parentWidget()->grab().save(QDir(folder).filePath(
                                      QString::fromLatin1(name) + QStringLiteral(".png")));
                                  w->close();
                              }
                          }});
    }
    steps->push_back({100, [] { QApplication::exit(0); }});

    auto next = std::make_shared<std::function<void(std::size_t)>>();
    *next = [steps, next](std::size_t i) {
        if (i >= steps->size())
            return;
        QTimer::singleShot((*steps)[i].delayMs, [steps, next, i] {
            (*steps)[i].run();
            (*next)(i + 1);
        });
    };
    (*next)(0);
}

} // namespace vorda
