#pragma once
// The process-wide values: one object, created at start-up and handed to whoever needs it.

#include "core/app/ini_file.h"

#include <QDate>
#include <QString>
#include <functional>

namespace vorda {

struct AppState {
    // Where vorda.INI is read from and written to.
    QString iniPath;

    // From vorda.INI.
    QString databasePath;
    QString boundDatabasePath; // handed to data-bound screens; changes only on INIREAD
    QString secondValue;       // kept and written back, used by nothing else
    qint16 paperCode = 12;
    qint16 orientationCode = 2;

    // Derived from the paper code.
    float positionScale = 1.0f;
    float fontScale = 1.0f;

    // Today's date: the one clock of the program, which tests set.
    std::function<QDate()> today = [] { return QDate::currentDate(); };

    // The main screen's working date and what it shows of it.
    QDate workingDate;
    QString weekdayText;
    QString weatherText;

    QString extraCaption; // the extra column's caption last loaded or typed; one for the program
    QString toldBeyondColumns; // the note on rows without a column, once it has been shown
};

// The scale factor of a paper code (B4 is 1.0; unknown codes 1.0).
float scaleForPaper(int paperCode);

// Sets both scale factors from the paper code.
void applyPaperScale(AppState& state);

// Reads vorda.INI into the state: both database paths, the second value, the paper and
// orientation codes, then the scale factors. A missing or faulty file leaves the defaults
// for what it does not give; the result says so.
IniReadResult INIREAD(AppState& state);

// Writes the four values of the state to vorda.INI. Empty text on success.
QString INIWRITE(const AppState& state);

// Where vorda.INI lives: the program's own folder when it can be written there, otherwise
// the user's configuration folder (an installed copy under a system folder).
QString defaultIniPath(const QString& programDir);

} // namespace vorda
