#include "core/reports/csv_export.h"

#include "core/app/ini_file.h"
#include "core/app/name_caches.h"
#include "core/data/daily_record.h"
#include "core/data/schema.h"
#include "core/reports/annual_attendance.h"
#include "core/reports/attendance_sheet.h"
#include "core/reports/monthly_results.h"

#include <QStringEncoder>
#include <algorithm>

namespace vorda {

namespace {

const char* const kCodePage = "windows-31j";

bool fitsShiftJis(const QString& text) {
    QStringEncoder encoder(kCodePage);
    const QByteArray bytes = encoder.encode(text);
    Q_UNUSED(bytes);
    return !encoder.hasError();
}

// The first character (a whole code point) of a text that Shift-JIS cannot hold.
QString firstUnfit(const QString& text) {
    for (const uint c : text.toUcs4()) {
        const QString one = QString::fromUcs4(reinterpret_cast<const char32_t*>(&c), 1);
        if (!fitsShiftJis(one))
            return one;
    }
    return QString();
}

QString joinLine(const QStringList& fields) {
    QString line;
    for (int i = 0; i < fields.size(); ++i) {
        if (i)
            line += u',';
        line += csvField(fields[i]);
    }
    return line + QStringLiteral("\r\n");
}

QString totalText(int value) {
    return QString::number(value);
}

QStringList totalsFields(const AttendanceTotals& t) {
    return {totalText(t.regularDays),     totalText(t.nightShifts), totalText(t.nightHours),
            totalText(t.overnightStays),  totalText(t.holidayWork), totalText(t.daysOff),
            totalText(t.holidayBalance())};
}

QStringList totalsCaptions() {
    return {QStringLiteral("通常"), QStringLiteral("夜"),   QStringLiteral("時間"),
            QStringLiteral("泊"),   QStringLiteral("休出"), QStringLiteral("休"),
            QStringLiteral("休残")};
}

QString isoDate(const QDate& date) {
    return date.toString(QStringLiteral("yyyy-MM-dd"));
}

} // namespace

QString csvField(const QString& text) {
    if (!text.contains(u',') && !text.contains(u'"') && !text.contains(u'\n') &&
        !text.contains(u'\r'))
        return text;
    QString quoted = text;
    quoted.replace(QStringLiteral("\""), QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

QByteArray encodeCsv(const CsvTable& table, CsvEncoding encoding, QString* error) {
    QString text;
    for (const QStringList& line : table.lines)
        text += joinLine(line);
    if (encoding == CsvEncoding::Utf8)
        return QByteArray("\xEF\xBB\xBF") + text.toUtf8();

    text = normalizeForShiftJis(text);
    QStringEncoder encoder(kCodePage);
    if (!encoder.isValid()) {
        if (error)
            *error = QStringLiteral("Shift-JIS の変換が使えません。");
        return QByteArray();
    }
    QByteArray bytes = encoder.encode(text);
    if (!encoder.hasError())
        return bytes;
    // Name the first field that cannot be written, by its line and its column's caption.
    if (error) {
        *error = QStringLiteral("Shift-JIS で書けない文字があります。");
        const QStringList header = table.lines.empty() ? QStringList() : table.lines.front();
        for (std::size_t l = 0; l < table.lines.size(); ++l) {
            const QStringList& line = table.lines[l];
            for (int f = 0; f < line.size(); ++f) {
                const QString unfit = firstUnfit(normalizeForShiftJis(line[f]));
                if (unfit.isEmpty())
                    continue;
                const QString caption =
                    f < header.size() && l > 0 ? header[f] : QStringLiteral("%1 列目").arg(f + 1);
                *error = QStringLiteral("%1 行目（%2）の「%3」にある文字「%4」は Shift-JIS "
                                        "で書けません。UTF-8 で保存するか、その文字を直してく"
                                        "ださい。ファイルは作っていません。")
                             .arg(l + 1)
                             .arg(line.value(0) + u' ' + line.value(1), caption, unfit);
                return QByteArray();
            }
        }
    }
    return QByteArray();
}

QString writeCsv(const QString& path, const CsvTable& table, CsvEncoding encoding,
                 const KeptFiles& kept) {
    if (const QString refused = refuseOutputFile(path, kept); !refused.isEmpty())
        return refused;
    QString error;
    const QByteArray bytes = encodeCsv(table, encoding, &error);
    if (!error.isEmpty())
        return error;
    return writeWholeFile(path, bytes, kept);
}

CsvTable attendanceCsv(const AttendanceSheetData& data) {
    CsvTable out;
    QStringList header = {QStringLiteral("社員コード"), QStringLiteral("姓氏"),
                          QStringLiteral("名前")};
    header << totalsCaptions();
    for (const QDate& date : data.dates)
        header << isoDate(date);
    out.lines.push_back(header);
    for (int c = 0; c < kAttendanceSheetRows && c < int(data.employees.size()); ++c) {
        if (data.names[std::size_t(c)].isEmpty())
            continue;
        const EmployeeAttendance& e = data.employees[std::size_t(c)];
        QStringList line = {data.codes[std::size_t(c)], data.names[std::size_t(c)],
                            data.givenNames[std::size_t(c)]};
        line << totalsFields(e.totals) << e.cells;
        out.lines.push_back(line);
    }
    return out;
}

CsvTable monthlyCsv(const MonthlyResultsData& data) {
    CsvTable out;
    QStringList header = {QStringLiteral("工事番号"), QStringLiteral("工事件名"),
                          QStringLiteral("発注者")};
    for (const MonthlyColumn& c : data.columns)
        header << c.heading;
    out.lines.push_back(header);
    for (std::size_t p = 0; p < data.projects.size(); ++p) {
        const MonthlyProject& project = data.projects[p];
        QStringList line = {QString::number(project.number), project.name, project.client};
        for (const MonthlyColumn& c : data.columns)
            line << QString::number(p < c.values.size() ? c.values[p] : 0);
        out.lines.push_back(line);
    }
    return out;
}

CsvTable annualCsv(const AnnualAttendanceData& data) {
    CsvTable out;
    QStringList header = {QStringLiteral("社員コード"), QStringLiteral("姓氏"),
                          QStringLiteral("名前"),       QStringLiteral("月度"),
                          QStringLiteral("開始日"),     QStringLiteral("終了日")};
    header << totalsCaptions();
    for (int d = 1; d <= 31; ++d)
        header << QString::number(d);
    out.lines.push_back(header);
    for (const AnnualSheet& s : data.sheets) {
        for (const AnnualPeriodRow& r : s.rows) {
            QStringList line = {s.code,
                                s.surname,
                                s.givenName,
                                QStringLiteral("%1/%2")
                                    .arg(r.month.year)
                                    .arg(r.month.month, 2, 10, QLatin1Char('0')),
                                isoDate(r.month.period.start),
                                isoDate(r.month.period.end)};
            line << totalsFields(r.totals) << r.dayCells;
            out.lines.push_back(line);
        }
        QStringList line = {s.code,
                            s.surname,
                            s.givenName,
                            QStringLiteral("年間計"),
                            isoDate(data.year.first),
                            isoDate(data.year.months.back().period.end)};
        line << totalsFields(s.total);
        out.lines.push_back(line);
    }
    return out;
}

DbError readDailyCsv(const QString& databasePath, const QDate& from, const QDate& to,
                     CsvTable& out) {
    Database db;
    if (DbError e = db.open(databasePath))
        return e;
    NameCaches names;
    if (DbError e = SYAINGET(db, names))
        return e;
    if (DbError e = SYARYOGET(db, names))
        return e;
    std::vector<Row> rows;
    if (DbError e = db.select(table::DailyReport,
                              {{rec::Date, Condition::Op::Ge, toDbDate(from)},
                               {rec::Date, Condition::Op::Le, toDbDate(to)}},
                              rows))
        return e;
    // By date, the groups of a day in stored order.
    std::stable_sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) {
        return nullSafeText(a.values.value(rec::Date)) < nullSafeText(b.values.value(rec::Date));
    });

    // Columns up to the last one with a name or a value in these rows: nothing is left out,
    // and no run of empty columns follows the firm's last employee.
    auto used = [&rows](int planned, int actual, int count) {
        int last = -1;
        auto holds = [](const QVariant& value) {
            const QString t = nullSafeText(value).trimmed();
            return !t.isEmpty() && t != QLatin1String("0");
        };
        for (const Row& r : rows) {
            for (int k = count - 1; k > last; --k) {
                if (holds(r.values.value(planned + k)) || holds(r.values.value(actual + k))) {
                    last = k;
                    break;
                }
            }
        }
        return last;
    };
    int staff = used(rec::PlannedStaff, rec::ActualStaff, kStaffColumns);
    for (int c = 0; c < kStaffColumns; ++c) {
        if (!names.employees[std::size_t(c)].isEmpty())
            staff = std::max(staff, c);
    }
    int vehicles = used(rec::PlannedVehicle, rec::ActualVehicle, kVehicleColumns);
    for (int v = 0; v < kVehicleColumns; ++v) {
        if (!names.vehicles[std::size_t(v)].isEmpty())
            vehicles = std::max(vehicles, v);
    }

    QStringList header = {
        QStringLiteral("日付"),     QStringLiteral("曜日"),   QStringLiteral("天候"),
        QStringLiteral("作業"),     QStringLiteral("区分"),   QStringLiteral("工事番号"),
        QStringLiteral("工事件名"), QStringLiteral("発注者"), QStringLiteral("開始時刻"),
        QStringLiteral("終了時刻"), QStringLiteral("夜間"),   QStringLiteral("作業内容")};
    for (int c = 0; c <= staff; ++c) {
        const QString& name = names.employees[std::size_t(c)];
        header << (name.isEmpty() ? QStringLiteral("社員%1").arg(c + 1) : name);
    }
    for (int v = 0; v <= vehicles; ++v) {
        const QString& name = names.vehicles[std::size_t(v)];
        header << (name.isEmpty() ? QStringLiteral("車両%1").arg(v + 1) : name);
    }
    header << QStringLiteral("ガード昼") << QStringLiteral("ガード夜") << QStringLiteral("スポット")
           << QStringLiteral("その他名") << QStringLiteral("その他");
    out.lines.clear();
    out.lines.push_back(header);

    QString day;
    int group = 0;
    for (const Row& r : rows) {
        const QVariantList& v = r.values;
        auto text = [&v](int ordinal) { return nullSafeText(v.value(ordinal)); };
        const QString date = text(rec::Date);
        group = date == day ? group + 1 : 1;
        day = date;
        const QDate parsed = fromDbDate(v.value(rec::Date));
        for (const bool actual : {false, true}) {
            QStringList line = {date,
                                parsed.isValid() ? weekdayChar(parsed) : QString(),
                                text(rec::Weather),
                                QString::number(group),
                                actual ? QStringLiteral("実績") : QStringLiteral("予定"),
                                text(rec::JobNumber),
                                text(rec::JobName),
                                text(rec::Client),
                                text(rec::StartTime),
                                text(rec::EndTime),
                                text(rec::Night),
                                text(actual ? rec::ActualWork : rec::PlannedWork)};
            for (int c = 0; c <= staff; ++c)
                line << text((actual ? rec::ActualStaff : rec::PlannedStaff) + c).trimmed();
            for (int k = 0; k <= vehicles; ++k)
                line << text((actual ? rec::ActualVehicle : rec::PlannedVehicle) + k);
            line << text(actual ? rec::ActualGuardDay : rec::PlannedGuardDay)
                 << text(actual ? rec::ActualGuardNight : rec::PlannedGuardNight)
                 << text(actual ? rec::SpotActual : rec::SpotPlanned) << text(rec::ExtraCaption)
                 << text(actual ? rec::ExtraActual : rec::ExtraPlanned);
            out.lines.push_back(line);
        }
    }
    return {};
}

} // namespace vorda
