#pragma once
// The two single-row tables the firm sets up once: the system settings (the row of
// システム with 番号 = 1: closing days, business-year end, standard times, era) and the
// trade name (the first row of 屋号: the firm's header texts on the sheets). Both are
// handled as the texts their screens show.

#include "core/data/database.h"
#include "core/data/schema.h"

#include <QString>
#include <array>
#include <optional>

namespace vorda {

struct SystemSettingsTexts {
    QString monthlyClosingDay;    // 月報締日
    QString attendanceClosingDay; // 出勤表締日
    QString yearEndMonth;         // 年度終了日, before the first "/"
    QString yearEndDay;           // 年度終了日, after it
    QString startOfWork;          // 始業時間
    QString workingTime;          // 就業時間
    QString nightStart;           // 夜間開始時間
    QString eraName;              // 元号
    QString eraOffset;            // 西暦－元号

    bool operator==(const SystemSettingsTexts&) const = default;
};

// The fields whose text must be a number in range before anything is written.
enum class SettingsField {
    MonthlyClosingDay,
    AttendanceClosingDay,
    YearEndMonth,
    YearEndDay,
    EraOffset
};

struct SettingsProblem {
    SettingsField field;
    QString message; // Japanese, names the field
};

// The stored row as texts. Without a row every text is empty. The three times are shown
// only when 始業時間 is stored: the three belong together.
DbError readSystemSettings(const QString& databasePath, SystemSettingsTexts& out);

// The first field that cannot be stored as it stands, or nothing.
std::optional<SettingsProblem> checkSystemSettings(const SystemSettingsTexts& texts);

// Writes the row with 番号 = 1 (adding it when missing) in one transaction. A text that
// fails the check writes nothing and returns the check's message.
DbError writeSystemSettings(const QString& databasePath, const SystemSettingsTexts& texts);

// The nine texts of 屋号, by field ordinal.
using TradeNameTexts = std::array<QString, trade::FieldCount>;

// The first row as texts (a null gives the empty text); no row gives empty texts.
DbError readTradeName(const QString& databasePath, TradeNameTexts& out);

// Rewrites the first row with the texts as typed, or adds the row when the table has none.
DbError writeTradeName(const QString& databasePath, const TradeNameTexts& texts);

} // namespace vorda
