#pragma once
// The employee and vehicle name caches: names by column position. The entry screen and
// each print fill their own.

#include "core/data/daily_record.h"
#include "core/data/database.h"

namespace vorda {

// Fills employee cache entries 0..n-1 from field 1 of the n rows of 社員 in stored order;
// later entries keep what they held. More rows than the daily record has columns for (30):
// the first 31 fill the cache and names.beyondColumns says which rows have no column (the
// caller shows it once); that is no error.
DbError SYAINGET(Database& db, NameCaches& names);

// The same for 車両 and the vehicle cache (11 entries); a null name gives the empty text.
DbError SYARYOGET(Database& db, NameCaches& names);

} // namespace vorda
