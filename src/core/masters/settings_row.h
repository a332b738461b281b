#pragma once
// The two single-row tables as every sheet and settings screen finds them: the settings row
// (システム with 番号 = 1: closing days, era) and the first 屋号 row (the firm's header
// texts). One place for how they are found, so a sheet and the screen that edits a row
// always mean the same row.

#include "core/data/database.h"

#include <QString>
#include <QStringList>
#include <QVariantList>
#include <vector>

namespace vorda {

// The era of the settings row; a missing row or value keeps what the screen had.
struct EraValues {
    QString name;
    qint16 offset = 0;
};

// The settings row (番号 = 1) with its rowid, or no row; and the first 屋号 row likewise.
DbError findSettingsRow(Database& db, std::vector<Row>& rows);
DbError findTradeNameRow(Database& db, std::vector<Row>& rows);

// The values of the settings row by ordinal; empty when the file has none.
DbError readSettingsRow(Database& db, QVariantList& row);

// Takes the era of a settings row where its fields are not null.
void takeEra(const QVariantList& settings, EraValues& era);

// The era of the settings row into `era`: a missing row or a null value keeps what `era` held.
DbError readEra(Database& db, EraValues& era);

// Opens the file for a sheet and reads its settings row, taking the era from it.
DbError openForSheet(Database& db, const QString& databasePath, EraValues& era,
                     QVariantList& settings);

// The nine texts of the first 屋号 row (null as the empty text); nine empty texts without a row.
DbError readTradeName(Database& db, QStringList& fields);

} // namespace vorda
