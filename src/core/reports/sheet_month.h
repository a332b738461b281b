#pragma once
// The year and month of a monthly sheet as the print screens and the command line give them:
// one reading for the operation results and the attendance sheet alike.

#include <QString>
#include <optional>

namespace vorda {

struct MonthRequest {
    int year = 0;
    int month = 0;
    QString monthText; // the month as typed, trimmed: the titles print it
};

// Nothing when the year is not a whole number or the month is not one from 1 to 12 (the
// screens then say "年月に誤りがあります。"); a year of one or two digits is read as the
// other date fields read it (2000 to 2029, 1930 to 1999). Only ASCII
// digits, as in the date fields.
std::optional<MonthRequest> monthFromFields(const QString& year, const QString& month);

} // namespace vorda
