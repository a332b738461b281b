#pragma once
// The per-project period list screen Form18 "工事別期間表": the projects to choose from, the
// progress bar and the ways out (printer, preview, PDF).

#include "core/masters/settings_row.h"
#include "ui/reports/print_screen_parts.h"

#include <QStringList>
#include <QWidget>

class QListWidget;
class QListWidgetItem;
class QProgressBar;

namespace vorda {

struct AppState;

class PeriodListScreen : public QWidget {
    Q_OBJECT
public:
    explicit PeriodListScreen(AppState& state, QWidget* parent = nullptr);

    // One print run for the chosen project.
    void run(Output output);

    // The chosen text: the clicked entry, trimmed; empty until an entry is clicked.
    const QString& chosen() const { return chosen_; }

public slots:
    // Reads the project list again (after the project master changed it); the choice stays.
    void reloadProjects();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void readProjects(bool quiet);
    void choose(QListWidgetItem* item);

    AppState& state_;
    EraValues era_; // kept between runs while the screen is open
    QString chosen_;
    QStringList names_;
    QListWidget* list_;
    QProgressBar* progress_;
    bool followsActivation_ = false;
};

} // namespace vorda
