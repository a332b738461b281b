#include "core/masters/master_lists.h"

#include "core/data/schema.h"
#include "core/data/values.h"

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
                            nullSafeText(v.value(proj::Client)), fromDbDate(v.value(proj::StartDate)),
                            fromDbDate(v.value(proj::EndDate))};
    });
}

bool projectEndedBefore(const ProjectEntry& project, const QDate& day) {
    return project.endDate.isValid() && day.isValid() && project.endDate < day;
}

DbError listStaffMarks(Database& db, std::vector<StaffMark>& out) {
    return listOf(db, table::StaffMarks, out, [](const QVariantList& v) {
        return StaffMark{nullSafeText(v.value(mark::Mark)), nullSafeText(v.value(mark::Description)),
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
