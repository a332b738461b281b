#include "core/reports/sheet_month.h"

#include "core/app/working_date.h"

namespace vorda {

std::optional<MonthRequest> monthFromFields(const QString& year, const QString& month) {
    // The first of the month is a date exactly when year and month are.
    const auto first = dateFromFields(year, month, QStringLiteral("1"));
    if (!first)
        return std::nullopt;
    return MonthRequest{first->year(), first->month(), month.trimmed()};
}

} // namespace vorda
