#pragma once
// The month's figures as CSV for payroll programs and spreadsheets: the attendance sheet,
// the operation results, the annual attendance and the daily report rows. The figures are
// those each sheet computed (never counted a second time); this unit only lays them out and
// writes them.
//
// Quoting as RFC 4180; lines end in CR LF. Shift-JIS (windows-31j), as Japanese payroll
// programs and Excel read it, or UTF-8 with a byte-order mark (Excel reads UTF-8 only with
// one). A character Shift-JIS cannot hold is refused with its line and field, never replaced.

#include "core/app/file_output.h"
#include "core/data/database.h"

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringList>
#include <vector>

namespace vorda {

struct AttendanceSheetData;
struct MonthlyResultsData;
struct AnnualAttendanceData;

enum class CsvEncoding { ShiftJis, Utf8 };

// The lines of a file; the first is the header of captions.
struct CsvTable {
    std::vector<QStringList> lines;
};

// One field as written: in double quotes (a quote doubled) when it holds a comma, a quote or
// a line break.
QString csvField(const QString& text);

// The file's bytes, or empty bytes and a Japanese message naming the line and the field of a
// character that has no Shift-JIS form.
QByteArray encodeCsv(const CsvTable& table, CsvEncoding encoding, QString* error);

// Encodes and writes the file whole (writeWholeFile: never over a database or the vorda.INI
// in use). Nothing is written when encoding fails. Empty text on success.
QString writeCsv(const QString& path, const CsvTable& table, CsvEncoding encoding,
                 const KeptFiles& kept);

// The attendance sheet: a line per employee column with a name; 社員コード, 姓氏, 名前, the
// seven totals, then the cell of every date of the period (day symbol, then night symbol).
CsvTable attendanceCsv(const AttendanceSheetData& data);

// The operation results: a line per project; 工事番号, 工事件名, 発注者, then every column of
// the sheet with its whole heading.
CsvTable monthlyCsv(const MonthlyResultsData& data);

// The annual attendance: per employee a line per closing period (the day cells by day of
// month 1 to 31) and a line of the year's totals.
CsvTable annualCsv(const AnnualAttendanceData& data);

// The daily report rows from `from` to `to` (one indexed query over 日付), by date and then
// in stored order: a line per job group and line (予定, 実績), the employees named by
// surname and the vehicles by name, as columns up to the last that is named or used.
DbError readDailyCsv(const QString& databasePath, const QDate& from, const QDate& to,
                     CsvTable& out);

} // namespace vorda
