#pragma once
// vorda.INI: the four values that live outside the database, in Shift-JIS with CR LF.

#include <QByteArray>
#include <QString>

namespace vorda {

struct IniValues {
    QString databasePath;
    QString secondValue;
    qint16 paperCode = 12;
    qint16 orientationCode = 2;
};

struct IniReadResult {
    enum class Status {
        Ok,         // four values read
        Missing,    // no file: defaults
        Unreadable, // the file could not be opened or decoded: defaults
        Short,      // fewer than four values: those present are used, defaults for the rest
    };
    Status status = Status::Ok;
    IniValues values;
    QString message;     // Japanese, for the user, naming the file; empty when Ok
    QString pathProblem; // why the file gave no database path, naming it; empty when it did
};

// Reads the file's items: leading blanks skipped; a text item ends at the end of the line or
// at the first comma, double quotes around it removed; numbers as decimal integers.
IniReadResult readIniFile(const QString& path);

// Parses the decoded content; exposed for tests of the item rules.
IniReadResult parseIniText(const QString& text);

// The file's bytes: text values as they stand (the path in double quotes where it has a
// comma or starts with a blank or a quote), integers as " 12 ", each line ended by CR LF,
// in Shift-JIS. Returns an empty array and a message when a text has no Shift-JIS form or
// the path would not read back exactly.
QByteArray encodeIniFile(const IniValues& values, QString* error);

// Creates or replaces the file in one step (never leaves it half-written).
// Returns an empty text on success, otherwise a Japanese message.
QString writeIniFile(const QString& path, const IniValues& values);

// Texts on their way into Shift-JIS: characters that look the same but that the code page
// spells differently ("〜" becomes "～").
QString normalizeForShiftJis(const QString& text);

} // namespace vorda
