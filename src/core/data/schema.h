#pragma once
// The tables of the database file and their fields in the fixed ordinal order.
// The order is the file format: code reads and writes fields by position.

#include <QString>
#include <QStringList>
#include <vector>

#include "core/data/location.h"

namespace vorda {

namespace table {
inline const QString Employees = QStringLiteral("社員");
inline const QString Vehicles = QStringLiteral("車両");
inline const QString Projects = QStringLiteral("工事件名");
inline const QString System = QStringLiteral("システム");
inline const QString StaffMarks = QStringLiteral("スタッフマーク");
inline const QString TradeName = QStringLiteral("屋号");
inline const QString WeatherWords = QStringLiteral("天候テーブル");
inline const QString Weather = QStringLiteral("天候");
inline const QString DailyReport = QStringLiteral("VORDA工事");
} // namespace table

// Field ordinals of the master tables.
namespace emp {
constexpr int Code = 0, Surname = 1, GivenName = 2, YearTotal = 3, MonthTotal = 4, DaysOffLeft = 5,
              FieldCount = 6;
}
namespace veh {
constexpr int Code = 0, Name = 1, FieldCount = 2;
}
namespace proj {
constexpr int Number = 0, Name = 1, StartDate = 2, EndDate = 3, Client = 4, FieldCount = 5;
}
namespace sys {
constexpr int MonthlyClosingDay = 0, AttendanceClosingDay = 1, YearEnd = 2, StartOfWork = 8,
              WorkingTime = 9, NightStart = 10, EraName = 11, EraOffset = 12, Key = 13,
              FieldCount = 14;
}
namespace mark {
constexpr int Code = 0, Mark = 1, Description = 2, Caption = 3, Kind = 4, FieldCount = 5;
}
namespace trade {
constexpr int FieldCount = 9;
}
namespace weather {
constexpr int Date = 0, Weekday = 1, Word = 2, FieldCount = 3;
}

struct FieldDef {
    QString name;
    QString type; // SQLite declaration
};

struct TableDef {
    QString name;
    std::vector<FieldDef> fields;
    // Fields the system refers to by name: ordinal and the name it must carry.
    std::vector<std::pair<int, QString>> namedFields;
};

// Every table of the file, in the order they are created.
const std::vector<TableDef>& schemaTables();

// The statements that create an empty database with all tables and indexes. On a server,
// texts compare by character code as on a file, and every table but the daily report (whose
// REC numbers its rows) gets a column "rowid" that numbers rows in the order they were added.
QStringList schemaStatements(Engine engine = Engine::File);

// A name as an SQL identifier: in double quotes, embedded quotes doubled.
QString quoteIdentifier(const QString& name);

} // namespace vorda
