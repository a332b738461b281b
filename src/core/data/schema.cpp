#include "core/data/schema.h"

#include "core/data/daily_record.h"

namespace vorda {

namespace {

std::vector<FieldDef> dailyReportFields() {
    std::vector<FieldDef> f;
    f.reserve(rec::FieldCount);
    f.push_back({QStringLiteral("日付"), QStringLiteral("TEXT")});
    f.push_back({QStringLiteral("工事番号"), QStringLiteral("INTEGER")});
    f.push_back({QStringLiteral("工事名"), QStringLiteral("TEXT")});
    f.push_back({QStringLiteral("備考"), QStringLiteral("TEXT")});
    f.push_back({QStringLiteral("発注者"), QStringLiteral("TEXT")});
    f.push_back({QStringLiteral("REC"), QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT")});
    f.push_back({QStringLiteral("天候"), QStringLiteral("TEXT")});
    const auto two = [](int n) { return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0')); };
    for (int c = 1; c <= kStaffColumns; ++c)
        f.push_back({QStringLiteral("予定社員") + two(c), QStringLiteral("TEXT")});
    for (int c = 1; c <= kStaffColumns; ++c)
        f.push_back({QStringLiteral("実績社員") + two(c), QStringLiteral("TEXT")});
    f.push_back({QStringLiteral("予定ガードマン昼"), QStringLiteral("INTEGER")});
    f.push_back({QStringLiteral("予定ガードマン夜"), QStringLiteral("INTEGER")});
    f.push_back({QStringLiteral("実績ガードマン昼"), QStringLiteral("INTEGER")});
    f.push_back({QStringLiteral("実績ガードマン夜"), QStringLiteral("INTEGER")});
    for (int v = 1; v <= kVehicleColumns; ++v)
        f.push_back({QStringLiteral("予定車両") + two(v), QStringLiteral("INTEGER")});
    for (int v = 1; v <= kVehicleColumns; ++v)
        f.push_back({QStringLiteral("実績車両") + two(v), QStringLiteral("INTEGER")});
    f.push_back({QStringLiteral("開始時間"), QStringLiteral("TEXT")});
    f.push_back({QStringLiteral("終了時間"), QStringLiteral("TEXT")});
    f.push_back({QStringLiteral("予備1"), QStringLiteral("TEXT")});
    f.push_back({QStringLiteral("予備2"), QStringLiteral("TEXT")});
    f.push_back({QStringLiteral("予定作業内容"), QStringLiteral("TEXT")});
    f.push_back({QStringLiteral("実績作業内容"), QStringLiteral("TEXT")});
    f.push_back({QStringLiteral("夜間"), QStringLiteral("INTEGER")});
    f.push_back({QStringLiteral("特別項目名"), QStringLiteral("TEXT")});
    f.push_back({QStringLiteral("特別予定"), QStringLiteral("INTEGER")});
    f.push_back({QStringLiteral("特別実績"), QStringLiteral("INTEGER")});
    f.push_back({QStringLiteral("スポット予定"), QStringLiteral("INTEGER")});
    f.push_back({QStringLiteral("スポット実績"), QStringLiteral("INTEGER")});
    return f;
}

std::vector<TableDef> buildTables() {
    const QString T = QStringLiteral("TEXT");
    const QString I = QStringLiteral("INTEGER");
    std::vector<TableDef> t;
    t.push_back({table::Employees,
                 {{QStringLiteral("社員コード"), T},
                  {QStringLiteral("姓氏"), T},
                  {QStringLiteral("名前"), T},
                  {QStringLiteral("出勤年間累計"), I},
                  {QStringLiteral("出勤月間累計"), I},
                  {QStringLiteral("休日残"), I}},
                 {{emp::Surname, QStringLiteral("姓氏")}}});
    t.push_back({table::Vehicles,
                 {{QStringLiteral("車両コード"), T}, {QStringLiteral("車両種類"), T}},
                 {}});
    t.push_back({table::Projects,
                 {{QStringLiteral("工事番号"), I},
                  {QStringLiteral("工事件名"), T},
                  {QStringLiteral("開始日"), T},
                  {QStringLiteral("終了日"), T},
                  {QStringLiteral("発注者"), T}},
                 {{proj::Number, QStringLiteral("工事番号")}}});
    t.push_back({table::System,
                 {{QStringLiteral("月報締日"), I},
                  {QStringLiteral("出勤表締日"), I},
                  {QStringLiteral("年度終了日"), T},
                  {QStringLiteral("予備1"), T},
                  {QStringLiteral("予備2"), T},
                  {QStringLiteral("予備3"), T},
                  {QStringLiteral("予備4"), T},
                  {QStringLiteral("予備5"), T},
                  {QStringLiteral("始業時間"), T},
                  {QStringLiteral("就業時間"), T},
                  {QStringLiteral("夜間開始時間"), T},
                  {QStringLiteral("元号"), T},
                  {QStringLiteral("西暦元号差"), I},
                  // The settings screen adds the row without a key: the first row gets 1.
                  {QStringLiteral("番号"), QStringLiteral("INTEGER PRIMARY KEY")}},
                 {{sys::Key, QStringLiteral("番号")}}});
    t.push_back({table::StaffMarks,
                 {{QStringLiteral("コード"), I},
                  {QStringLiteral("マーク"), T},
                  {QStringLiteral("内容"), T},
                  {QStringLiteral("見出し"), T},
                  {QStringLiteral("区分"), I}},
                 {}});
    t.push_back({table::TradeName,
                 {{QStringLiteral("屋号"), T},
                  {QStringLiteral("印字タイトル"), T},
                  {QStringLiteral("郵便番号"), T},
                  {QStringLiteral("住所１"), T},
                  {QStringLiteral("住所２"), T},
                  {QStringLiteral("電話番号"), T},
                  {QStringLiteral("FAX"), T},
                  {QStringLiteral("責任者"), T},
                  {QStringLiteral("担当者"), T}},
                 {}});
    t.push_back({table::WeatherWords,
                 {{QStringLiteral("天候テーブル"), T}},
                 {{0, QStringLiteral("天候テーブル")}}});
    t.push_back(
        {table::Weather,
         {{QStringLiteral("日付"), T}, {QStringLiteral("曜日"), T}, {QStringLiteral("天候"), T}},
         {{weather::Date, QStringLiteral("日付")}}});
    t.push_back({table::DailyReport,
                 dailyReportFields(),
                 {{rec::Date, QStringLiteral("日付")},
                  {rec::JobNumber, QStringLiteral("工事番号")},
                  {rec::Rec, QStringLiteral("REC")}}});
    return t;
}

} // namespace

const std::vector<TableDef>& schemaTables() {
    static const std::vector<TableDef> tables = buildTables();
    return tables;
}

QString quoteIdentifier(const QString& name) {
    QString q = name;
    q.replace(u'"', QStringLiteral("\"\""));
    return u'"' + q + u'"';
}

QStringList schemaStatements(Engine engine) {
    const bool server = engine == Engine::Server;
    const auto typeOf = [server](const QString& declared) {
        if (!server)
            return declared;
        if (declared.startsWith(QLatin1String("INTEGER PRIMARY KEY")))
            return QStringLiteral("bigint GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY");
        if (declared == QLatin1String("INTEGER"))
            return QStringLiteral("bigint");
        return QStringLiteral("text COLLATE \"C\"");
    };
    QStringList s;
    for (const TableDef& t : schemaTables()) {
        QStringList cols;
        for (const FieldDef& f : t.fields)
            cols << quoteIdentifier(f.name) + u' ' + typeOf(f.type);
        if (server && t.name != table::DailyReport)
            cols << QStringLiteral("rowid bigint GENERATED BY DEFAULT AS IDENTITY UNIQUE");
        s << QStringLiteral("CREATE TABLE %1 (%2)").arg(quoteIdentifier(t.name), cols.join(u", "));
    }
    s << QStringLiteral("CREATE INDEX \"VORDA工事_日付\" ON \"VORDA工事\" (\"日付\")");
    s << QStringLiteral(
        "CREATE INDEX \"VORDA工事_工事番号_日付\" ON \"VORDA工事\" (\"工事番号\", \"日付\")");
    s << QStringLiteral("CREATE INDEX \"天候_日付\" ON \"天候\" (\"日付\")");
    return s;
}

} // namespace vorda
