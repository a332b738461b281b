#pragma once
// Editing the master tables row by row: which fields each master grid shows and how a
// typed value is checked, the rules of a whole row (unique numbers, row limits), and
// deleting a row whose position stored daily reports still use.

#include "core/data/database.h"

#include <QString>
#include <QVariant>
#include <vector>

namespace vorda {

// How a typed value is checked before it is written.
enum class FieldKind {
    Text,     // taken as typed
    Number16, // a whole number within 16 bits (-32768 to 32767)
    Count,    // a whole number (32 bits)
    Date,     // a calendar date, typed 2003/5/12 or 2003-05-12, stored YYYY-MM-DD
};

// Daily report rows hold employee and vehicle cells by the master row's position.
enum class Positional { None, EmployeeColumn, VehicleColumn };

struct MasterField {
    int ordinal;
    QString caption; // empty: the field's name in the file
    FieldKind kind = FieldKind::Text;
    int width = 10; // in characters of the grid's font
    bool required = false;
    bool unique = false; // no two rows hold the same non-empty value
};

struct MasterDef {
    QString table;
    std::vector<MasterField> fields;
    bool canAdd = false;
    bool canDelete = false;
    int maxRows = -1;     // -1: no limit
    QString limitMessage; // why one more row is refused
    Positional positional = Positional::None;
    std::vector<int> nameOrdinals; // what clearing a row's names empties
};

const MasterDef& projectMaster();
const MasterDef& employeeMaster();
const MasterDef& vehicleMaster();
const MasterDef& staffMarkMaster();
const MasterDef& weatherMaster();

// A typed value checked for its field: the value to store (null for an empty text), or the
// reason it is refused.
struct FieldCheck {
    QVariant value;
    QString refusal;
    bool ok() const { return refusal.isEmpty(); }
};
FieldCheck checkField(FieldKind kind, const QString& typed);

// A stored value as the grid shows and edits it (a stored date as 2003/05/12).
QString displayText(FieldKind kind, const QVariant& stored);

// A stored row as the delete question names it, captions with values
// ("社員コード 105、田中 花子"); the master's own fields only, empty ones left out.
QString describeRow(const MasterDef& def, const QVariantList& values);

// What came of a change: written, refused by a rule (nothing written), or failed in the file.
struct EditOutcome {
    DbError error;
    QString refusal;
    bool ok() const { return !error && refusal.isEmpty(); }
    QString message() const { return error ? error.message : refusal; }
};

// The rows of the master's table in stored order, and the file's field names.
DbError loadMaster(const QString& databasePath, const MasterDef& def, std::vector<Row>& rows,
                   QStringList& fieldNames);

// Writes one row: values by ordinal, an invalid QVariant leaves the field as it is.
// rowid 0 adds a row at the end (its rowid comes back in *added). Row limit and unique
// fields are checked under the write lock, so the rule holds against another copy too.
EditOutcome writeMasterRow(const QString& databasePath, const MasterDef& def, qint64 rowid,
                           const QVariantList& values, qint64* added = nullptr);

// Whether any stored daily report has a mark or a count in the column of this position or a
// later one. Positions beyond the stored columns are used by no report.
DbError reportsUseColumnsFrom(Database& db, Positional positional, int position, bool& used);

// Deletes the row. For an employee or vehicle row it is refused (inUse set) when stored
// reports have cells in its column or a later one: the later rows would move into the
// column before them and take over cells that are not theirs.
struct DeleteOutcome : EditOutcome {
    bool inUse = false;
};
DeleteOutcome deleteMasterRow(const QString& databasePath, const MasterDef& def, qint64 rowid);

// Empties the names of an employee or vehicle row: the column stays, free for a new person
// or vehicle; stored cells and counts stay as they are.
EditOutcome clearMasterNames(const QString& databasePath, const MasterDef& def, qint64 rowid);

} // namespace vorda
