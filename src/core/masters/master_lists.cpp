#include "core/masters/master_lists.h"

#include "core/data/schema.h"
#include "core/data/values.h"

#include <QSqlError>
#include <QSqlQuery>

namespace vorda {

namespace {

template <typename Entry, typename Convert>
DbError listOf(Database& db, const QString& table, std::vector<Entry>& out, Convert convert) {
    out.clear();
    std::vector<Row> rows;
    if (DbError e = db.selectAll(table, rows))
        return e;
    out.reserve(rows.size());
    for (const Row& r : rows)
        out.push_back(convert(r.values));
    return {};
}

template <typename Entry>
DbError listOf(const QString& databasePath, std::vector<Entry>& out,
               DbError (*list)(Database&, std::vector<Entry>&)) {
    out.clear();
    Database db;
    if (DbError e = db.open(databasePath))
        return e;
    return list(db, out);
}

} // namespace

DbError listProjects(const QString& databasePath, std::vector<ProjectEntry>& out) {
    return listOf(databasePath, out, &listProjects);
}

DbError listStaffMarks(const QString& databasePath, std::vector<StaffMark>& out) {
    return listOf(databasePath, out, &listStaffMarks);
}

DbError listProjects(Database& db, std::vector<ProjectEntry>& out) {
    return listOf(db, table::Projects, out, [](const QVariantList& v) {
        return ProjectEntry{storedNumber(v.value(proj::Number)), nullSafeText(v.value(proj::Name)),
                            nullSafeText(v.value(proj::Client)),
                            fromDbDate(v.value(proj::StartDate)),
                            fromDbDate(v.value(proj::EndDate))};
    });
}

DbError listProjectsByNumber(Database& db, const std::vector<qint64>& numbers,
                             std::vector<ProjectEntry>& out) {
    out.clear();
    QVariantList bound;
    for (qint64 n : numbers) {
        if (!bound.contains(qlonglong(n)))
            bound << qlonglong(n); // bound as integers, as the field stores them
    }
    if (bound.isEmpty())
        return {};
    std::vector<Row> found;
    if (DbError e = db.selectFields(
            table::Projects,
            {proj::Number, proj::Name, proj::Client, proj::StartDate, proj::EndDate},
            {{proj::Number, Condition::Op::In, bound}}, found))
        return e;
    for (const Row& r : found)
        out.push_back(ProjectEntry{storedNumber(r.values.value(0)), nullSafeText(r.values.value(1)),
                                   nullSafeText(r.values.value(2)), fromDbDate(r.values.value(3)),
                                   fromDbDate(r.values.value(4))});
    return {};
}

QString markKindName(int kind) {
    switch (kind) {
    case 1:
        return QStringLiteral("出勤");
    case 2:
        return QStringLiteral("宿泊");
    case 3:
        return QStringLiteral("休日出勤");
    case 4:
        return QStringLiteral("休み");
    default:
        return QString();
    }
}

bool projectEndedBefore(const ProjectEntry& project, const QDate& day) {
    return project.endDate.isValid() && day.isValid() && project.endDate < day;
}

DbError listPickerProjects(const QString& databasePath, const QDate& day,
                           std::vector<ProjectEntry>& out) {
    out.clear();
    Database db;
    if (DbError e = db.open(databasePath))
        return e;
    const auto field = [&db](int ordinal) {
        return quoteIdentifier(db.fieldName(table::Projects, ordinal));
    };
    QString sql =
        QStringLiteral("SELECT %1, %2, %3, %4, %5 FROM %6")
            .arg(field(proj::Number), field(proj::Name), field(proj::Client),
                 field(proj::StartDate), field(proj::EndDate), quoteIdentifier(table::Projects));
    QSqlQuery q(db.connection());
    q.setForwardOnly(true);
    if (day.isValid()) {
        // An end date is readable as fromDbDate reads it: its first ten characters, blanks
        // trimmed, form a calendar date (date() with a modifier gives them back unchanged;
        // 2024-02-30 comes back as 2024-03-01). Only a readable end before the day hides a
        // project.
        const QString end =
            QStringLiteral("substr(%1, 1, 10)").arg(db.trimBlanksSql(field(proj::EndDate)));
        sql += QStringLiteral(" WHERE NOT (%1 AND %2 < ?)").arg(db.realDateSql(end), end);
    }
    sql += QStringLiteral(" ORDER BY ") + db.rowidSql(table::Projects);
    bool ok = q.prepare(sql);
    if (ok && day.isValid())
        q.addBindValue(toDbDate(day));
    ok = ok && q.exec();
    while (ok && q.next())
        out.push_back(ProjectEntry{countOf(q.value(0)), nullSafeText(q.value(1)),
                                   nullSafeText(q.value(2)), fromDbDate(q.value(3)),
                                   fromDbDate(q.value(4))});
    if (!ok || q.lastError().isValid()) {
        out.clear();
        return DbError{
            DbErrorKind::Failed,
            QStringLiteral("工事件名を読み込めませんでした。（%1）").arg(q.lastError().text())};
    }
    return {};
}

DbError listStaffMarks(Database& db, std::vector<StaffMark>& out) {
    return listOf(db, table::StaffMarks, out, [](const QVariantList& v) {
        return StaffMark{nullSafeText(v.value(mark::Mark)),
                         nullSafeText(v.value(mark::Description)),
                         nullSafeText(v.value(mark::Caption)), countOf(v.value(mark::Kind))};
    });
}

} // namespace vorda

namespace vorda {

DbError countEmployeesAndVehicles(const QString& databasePath, int& employees, int& vehicles) {
    Database db;
    if (DbError e = db.open(databasePath))
        return e;
    qint64 ne = 0;
    qint64 nv = 0;
    if (DbError e = db.count(table::Employees, {}, ne))
        return e;
    if (DbError e = db.count(table::Vehicles, {}, nv))
        return e;
    employees = int(ne);
    vehicles = int(nv);
    return {};
}

} // namespace vorda
