#include "core/masters/master_edit.h"

#include "core/data/daily_record.h"
#include "core/data/schema.h"
#include "core/data/values.h"

#include <QRegularExpression>
#include <limits>

namespace vorda {

namespace {

MasterDef makeProjects() {
    MasterDef d;
    d.table = table::Projects;
    d.fields = {{proj::Number, QStringLiteral("番号"), FieldKind::Number16, 4, true, true},
                {proj::Name, QStringLiteral("工事件名"), FieldKind::Text, 24},
                {proj::StartDate, QStringLiteral("開始日"), FieldKind::Date, 7},
                {proj::EndDate, QStringLiteral("終了日"), FieldKind::Date, 7},
                {proj::Client, QStringLiteral("発注者"), FieldKind::Text, 16}};
    d.canAdd = d.canDelete = true;
    return d;
}

MasterDef makeEmployees() {
    MasterDef d;
    d.table = table::Employees;
    d.fields = {{emp::Code, QStringLiteral("コード"), FieldKind::Text, 4},
                // The day-off balance is found by surname: one surname names one employee.
                {emp::Surname, QStringLiteral("姓氏"), FieldKind::Text, 8, false, true},
                {emp::GivenName, QStringLiteral("名前"), FieldKind::Text, 8},
                {emp::YearTotal, QStringLiteral("出勤年間累計"), FieldKind::Count, 5},
                {emp::MonthTotal, QStringLiteral("出勤月間"), FieldKind::Count, 5},
                {emp::DaysOffLeft, QStringLiteral("休日残"), FieldKind::Count, 4}};
    d.canAdd = d.canDelete = true;
    d.maxRows = kStaffColumns;
    d.limitMessage =
        QStringLiteral(
            "社員は%1人まで登録できます。日報の社員欄が%1列のため、これ以上は登録できません。")
            .arg(kStaffColumns);
    d.positional = Positional::EmployeeColumn;
    d.nameOrdinals = {emp::Code, emp::Surname, emp::GivenName};
    return d;
}

MasterDef makeVehicles() {
    MasterDef d;
    d.table = table::Vehicles;
    d.fields = {{veh::Code, QStringLiteral("車両番号"), FieldKind::Text, 6},
                {veh::Name, QStringLiteral("車両種類"), FieldKind::Text, 14}};
    d.canAdd = d.canDelete = true;
    d.maxRows = kVehicleColumns;
    d.limitMessage =
        QStringLiteral(
            "車両は%1台まで登録できます。日報の車両欄が%1列のため、これ以上は登録できません。")
            .arg(kVehicleColumns);
    d.positional = Positional::VehicleColumn;
    d.nameOrdinals = {veh::Code, veh::Name};
    return d;
}

MasterDef makeStaffMarks() {
    MasterDef d;
    d.table = table::StaffMarks;
    // Headed by the file's own field names.
    d.fields = {{mark::Code, QString(), FieldKind::Text, 4},
                {mark::Mark, QString(), FieldKind::Text, 4},
                {mark::Description, QString(), FieldKind::Text, 12},
                {mark::Caption, QString(), FieldKind::Text, 8},
                {mark::Kind, QString(), FieldKind::Number16, 4}};
    return d;
}

MasterDef makeWeather() {
    MasterDef d;
    d.table = table::WeatherWords;
    d.fields = {{0, QStringLiteral("天候テーブル"), FieldKind::Text, 12}};
    d.canAdd = d.canDelete = true;
    return d;
}

// Full-width digits, signs, slashes and blanks typed through an input method count as
// their ASCII forms.
QString normalised(const QString& typed) {
    return typed.normalized(QString::NormalizationForm_KC).trimmed();
}

// An emptied field is written as null (a null text binds as NULL).
const QVariant kNull = QVariant(QString());

FieldCheck integerIn(const QString& typed, qint64 low, qint64 high, const QString& refusal) {
    const QString text = normalised(typed);
    if (text.isEmpty())
        return {kNull, QString()};
    bool ok = false;
    const qint64 n = text.toLongLong(&ok);
    if (!ok || n < low || n > high)
        return {QVariant(), refusal};
    return {QVariant(n), QString()};
}

} // namespace

const MasterDef& projectMaster() {
    static const MasterDef d = makeProjects();
    return d;
}
const MasterDef& employeeMaster() {
    static const MasterDef d = makeEmployees();
    return d;
}
const MasterDef& vehicleMaster() {
    static const MasterDef d = makeVehicles();
    return d;
}
const MasterDef& staffMarkMaster() {
    static const MasterDef d = makeStaffMarks();
    return d;
}
const MasterDef& weatherMaster() {
    static const MasterDef d = makeWeather();
    return d;
}

QString describeRow(const MasterDef& def, const QVariantList& values) {
    const auto text = [&values](int ordinal) {
        return nullSafeText(values.value(ordinal)).trimmed();
    };
    const auto name = [&text](std::initializer_list<int> ordinals) {
        QStringList parts;
        for (int o : ordinals)
            if (!text(o).isEmpty())
                parts << text(o);
        return parts.join(u' ');
    };
    QString code;
    QString label;
    QString shown;
    if (def.table == table::Employees) {
        label = QStringLiteral("社員コード");
        code = text(emp::Code);
        shown = name({emp::Surname, emp::GivenName});
    } else if (def.table == table::Vehicles) {
        label = QStringLiteral("車両番号");
        code = text(veh::Code);
        shown = name({veh::Name});
    } else if (def.table == table::Projects) {
        label = QStringLiteral("工事番号");
        code = text(proj::Number);
        shown = name({proj::Name});
    } else {
        QStringList parts;
        for (const MasterField& f : def.fields) {
            if (!text(f.ordinal).isEmpty())
                parts << (f.caption.isEmpty() || def.fields.size() == 1
                              ? text(f.ordinal)
                              : f.caption + u' ' + text(f.ordinal));
        }
        return parts.join(QStringLiteral("、"));
    }
    QStringList parts;
    if (!code.isEmpty())
        parts << label + u' ' + code;
    if (!shown.isEmpty())
        parts << shown;
    return parts.join(QStringLiteral("、"));
}

FieldCheck checkField(FieldKind kind, const QString& typed) {
    switch (kind) {
    case FieldKind::Text:
        return {typed.isEmpty() ? kNull : QVariant(typed), QString()};
    case FieldKind::Number16:
        return integerIn(typed, std::numeric_limits<qint16>::min(),
                         std::numeric_limits<qint16>::max(),
                         QStringLiteral("-32768 から 32767 までの整数を入力してください。"));
    case FieldKind::Count:
        return integerIn(typed, std::numeric_limits<qint32>::min(),
                         std::numeric_limits<qint32>::max(),
                         QStringLiteral("整数を入力してください。"));
    case FieldKind::Date: {
        const QString text = normalised(typed);
        if (text.isEmpty())
            return {kNull, QString()};
        static const QRegularExpression form(
            QStringLiteral("^(\\d{4})([/-])(\\d{1,2})\\2(\\d{1,2})$"));
        const QRegularExpressionMatch m = form.match(text);
        const QDate date = m.hasMatch() ? QDate(m.captured(1).toInt(), m.captured(3).toInt(),
                                                m.captured(4).toInt())
                                        : QDate();
        if (!date.isValid())
            return {QVariant(), QStringLiteral("日付を 2003/5/12 の形で入力してください。")};
        return {QVariant(toDbDate(date)), QString()};
    }
    }
    return {QVariant(typed), QString()};
}

QString displayText(FieldKind kind, const QVariant& stored) {
    if (kind == FieldKind::Date) {
        if (const QDate d = fromDbDate(stored); d.isValid())
            return d.toString(QStringLiteral("yyyy/MM/dd"));
    }
    return nullSafeText(stored);
}

DbError loadMaster(const QString& databasePath, const MasterDef& def, std::vector<Row>& rows,
                   QStringList& fieldNames) {
    rows.clear();
    fieldNames.clear();
    Database db;
    if (DbError e = db.open(databasePath))
        return e;
    for (int i = 0; i < db.fieldCount(def.table); ++i)
        fieldNames << db.fieldName(def.table, i);
    return db.selectAll(def.table, rows);
}

namespace {

EditOutcome failed(const DbError& e) {
    return EditOutcome{e, QString()};
}

EditOutcome refused(const QString& why) {
    return EditOutcome{DbError(), why};
}

bool isEmptyValue(const QVariant& v) {
    return v.isNull() || v.toString().isEmpty();
}

QString captionOf(const Database& db, const MasterDef& def, const MasterField& f) {
    return f.caption.isEmpty() ? db.fieldName(def.table, f.ordinal) : f.caption;
}

// The rules of a whole row, read under the write lock.
EditOutcome checkRow(Database& db, const MasterDef& def, qint64 rowid, const QVariantList& values) {
    if (rowid == 0 && def.maxRows >= 0) {
        qint64 n = 0;
        if (DbError e = db.count(def.table, {}, n))
            return failed(e);
        if (n >= def.maxRows)
            return refused(def.limitMessage);
    }
    for (const MasterField& f : def.fields) {
        const QVariant v = values.value(f.ordinal);
        const bool given = v.isValid();
        if (f.required && (rowid == 0 || given) && (!given || isEmptyValue(v)))
            return refused(QStringLiteral("%1を入力してください。").arg(captionOf(db, def, f)));
        if (!f.unique || !given || isEmptyValue(v))
            continue;
        std::vector<Row> same;
        if (DbError e = db.select(def.table, {{f.ordinal, Condition::Op::Eq, v}}, same))
            return failed(e);
        for (const Row& r : same) {
            if (r.rowid != rowid)
                return refused(
                    QStringLiteral("%1「%2」はすでに登録されています。同じ%1は二つ登録できません。")
                        .arg(captionOf(db, def, f), v.toString()));
        }
    }
    return {};
}

} // namespace

EditOutcome writeMasterRow(const QString& databasePath, const MasterDef& def, qint64 rowid,
                           const QVariantList& values, qint64* added) {
    Database db;
    if (DbError e = db.open(databasePath))
        return failed(e);
    Transaction tx(db);
    if (DbError e = tx.begin())
        return failed(e);
    if (EditOutcome o = checkRow(db, def, rowid, values); !o.ok())
        return o;
    if (rowid == 0) {
        if (DbError e = db.insert(def.table, values, added))
            return failed(e);
    } else if (DbError e = db.update(def.table, rowid, values)) {
        return failed(e);
    }
    return failed(tx.commit());
}

DbError reportsUseColumnsFrom(Database& db, Positional positional, int position, bool& used) {
    used = false;
    std::vector<int> ordinals;
    if (positional == Positional::EmployeeColumn) {
        for (int c = position; c < kStaffColumns; ++c)
            ordinals.insert(ordinals.end(), {rec::PlannedStaff + c, rec::ActualStaff + c});
    } else if (positional == Positional::VehicleColumn) {
        for (int v = position; v < kVehicleColumns; ++v)
            ordinals.insert(ordinals.end(), {rec::PlannedVehicle + v, rec::ActualVehicle + v});
    }
    if (position < 0 || ordinals.empty())
        return {};
    return db.anyValueIn(table::DailyReport, ordinals, used);
}

DeleteOutcome deleteMasterRow(const QString& databasePath, const MasterDef& def, qint64 rowid) {
    DeleteOutcome out;
    Database db;
    Transaction tx(db);
    if ((out.error = db.open(databasePath)) || (out.error = tx.begin()))
        return out;
    std::vector<Row> rows;
    if ((out.error = db.selectAll(def.table, rows)))
        return out;
    int position = -1;
    for (int i = 0; i < int(rows.size()); ++i) {
        if (rows[i].rowid == rowid)
            position = i;
    }
    if (position < 0) {
        out.refusal = QStringLiteral("この行はすでにありません。");
        return out;
    }
    if (def.positional != Positional::None) {
        if ((out.error = reportsUseColumnsFrom(db, def.positional, position, out.inUse)))
            return out;
        if (out.inUse) {
            const bool employee = def.positional == Positional::EmployeeColumn;
            out.refusal =
                QStringLiteral(
                    "登録済みの日報に、この%1の列（%"
                    "2列目）またはそれより後ろの列の記録があるため、削除できません。"
                    "削除すると後ろの%1が一つ前の列に移り、日報の記録が別の%1のものになります。")
                    .arg(employee ? QStringLiteral("社員") : QStringLiteral("車両"))
                    .arg(position + 1);
            return out;
        }
    }
    if ((out.error = db.remove(def.table, rowid)))
        return out;
    out.error = tx.commit();
    return out;
}

EditOutcome clearMasterNames(const QString& databasePath, const MasterDef& def, qint64 rowid) {
    QVariantList values;
    for (int ordinal : def.nameOrdinals) {
        while (values.size() <= ordinal)
            values.append(QVariant());
        values[ordinal] = QString();
    }
    Database db;
    if (DbError e = db.open(databasePath))
        return failed(e);
    return failed(db.update(def.table, rowid, values));
}

} // namespace vorda
