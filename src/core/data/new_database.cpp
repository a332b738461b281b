#include "core/data/new_database.h"

#include "core/data/daily_record.h"
#include "core/data/schema.h"
#include "core/data/values.h"

#include <QFile>
#include <QRandomGenerator>

namespace vorda {

namespace {

struct MarkDef {
    int code;
    const char16_t* mark;
    const char16_t* description;
    const char16_t* caption;
    int kind;
};

// Kinds: 1 attendance, 2 overnight stay, 3 holiday work, 4 day off.
const MarkDef kMarks[] = {
    {1, u"○", u"出勤", u"出勤", 1},     {2, u"△", u"半日出勤", u"半日", 1},
    {3, u"泊", u"宿泊", u"宿泊", 2},    {4, u"☆", u"休日出勤", u"休出", 3},
    {5, u"◇", u"振替出勤", u"振出", 3}, {6, u"▽", u"祝日出勤", u"祝出", 3},
    {7, u"休", u"休み", u"休み", 4},    {8, u"有", u"有給休暇", u"有給", 4},
};

const char16_t* const kWeatherWords[] = {u"晴",       u"曇",       u"雨",      u"雪",
                                         u"晴時々曇", u"曇時々雨", u"雨のち晴"};

QString s(const char16_t* text) {
    return QString::fromUtf16(text);
}

DbError insertBaseRows(Database& db) {
    for (const MarkDef& m : kMarks) {
        if (DbError e = db.insert(table::StaffMarks,
                                  {m.code, s(m.mark), s(m.description), s(m.caption), m.kind}))
            return e;
    }
    for (const char16_t* w : kWeatherWords) {
        if (DbError e = db.insert(table::WeatherWords, {s(w)}))
            return e;
    }
    QVariantList trade;
    for (int i = 0; i < trade::FieldCount; ++i)
        trade << QStringLiteral("");
    if (DbError e = db.insert(table::TradeName, trade))
        return e;
    // The key is left to the table, so the first settings row gets 番号 = 1 by itself.
    QVariantList system(sys::FieldCount);
    system[sys::MonthlyClosingDay] = 31;
    system[sys::AttendanceClosingDay] = 31;
    system[sys::YearEnd] = QStringLiteral("3/31");
    system[sys::StartOfWork] = QStringLiteral("08:00");
    system[sys::WorkingTime] = QStringLiteral("08:00");
    system[sys::NightStart] = QStringLiteral("20:00");
    system[sys::EraName] = QStringLiteral("令和");
    system[sys::EraOffset] = 2018;
    return db.insert(table::System, system);
}

// --- the sample firm -------------------------------------------------------------------

const char16_t* const kSurnames[] = {u"山田", u"佐藤", u"鈴木", u"高橋", u"田中",
                                     u"伊藤", u"渡辺", u"中村", u"小林", u"加藤",
                                     u"吉田", u"山本", u"松本", u"井上", u"木村"};
const char16_t* const kGivenNames[] = {u"一郎", u"健二", u"誠",   u"大輔", u"翔太",
                                       u"直樹", u"浩",   u"拓也", u"亮",   u"隆",
                                       u"修",   u"勇気", u"和也", u"学",   u"剛"};
const char16_t* const kVehicles[] = {u"2tダンプ", u"4tダンプ",   u"ユニック", u"BH0.45",
                                     u"BH0.25",   u"ライトバン", u"軽トラ",   u"散水車"};
const char16_t* const kPlaces[] = {u"県道八王子線", u"市道3号線", u"中央公園", u"第二小学校",
                                   u"北野川",       u"駅前広場",  u"国道20号", u"緑町団地",
                                   u"浄水場",       u"市民会館"};
const char16_t* const kWorks[] = {u"舗装補修工事", u"下水道管渠工事", u"側溝改良工事", u"擁壁工事",
                                  u"外構工事"};
const char16_t* const kClients[] = {u"東京都南多摩建設事務所", u"八王子市", u"日野市",
                                    u"株式会社多摩開発", u"みどり住宅株式会社"};
const char16_t* const kPlannedWork[] = {u"舗装版切断・取壊し", u"掘削・管布設", u"型枠組立",
                                        u"生コン打設",         u"路盤整正",     u"側溝据付",
                                        u"埋戻し・転圧",       u"区画線設置"};

struct Project {
    int number;
    QString name;
    QString client;
    QDate start;
    QDate end;
};

DbError insertDemo(Database& db, const QDate& today) {
    QRandomGenerator rng(20240401u);
    auto pick = [&](int n) { return int(rng.bounded(n)); };
    auto chance = [&](int percent) { return pick(100) < percent; };

    QVariantList trade = {
        QStringLiteral("株式会社 北斗建設"), QStringLiteral("作業日報"),
        QStringLiteral("192-0000"),          QStringLiteral("東京都八王子市元本郷町1-2-3"),
        QStringLiteral("北斗ビル2F"),        QStringLiteral("042-000-0000"),
        QStringLiteral("042-000-0001"),      QStringLiteral("北斗 太郎"),
        QStringLiteral("山田 一郎")};
    if (DbError e = db.update(table::TradeName, 1, trade))
        return e;

    constexpr int kEmployees = 15;
    for (int i = 0; i < 8; ++i) {
        if (DbError e = db.insert(table::Vehicles, {QString::number(i + 1), s(kVehicles[i])}))
            return e;
    }

    std::vector<Project> projects;
    const QDate first = today.addMonths(-3).addDays(1);
    for (int i = 0; i < 25; ++i) {
        Project p;
        p.number = 101 + i;
        // Every project its own name: a place comes back every ten projects with another work.
        p.name = s(kPlaces[i % 10]) + s(kWorks[(i / 2 + i / 10) % 5]);
        p.client = s(kClients[i % 5]);
        p.start = first.addDays(pick(60) - 30);
        p.end = p.start.addDays(60 + pick(120));
        projects.push_back(p);
        if (DbError e = db.insert(table::Projects,
                                  {p.number, p.name, toDbDate(p.start), toDbDate(p.end), p.client}))
            return e;
    }

    std::array<int, kEmployees> daysOffTaken{};
    DayModel day;
    NameCaches names;
    for (QDate d = first; d <= today; d = d.addDays(1)) {
        if (d.dayOfWeek() == 7)
            continue; // Sundays off
        const bool saturday = d.dayOfWeek() == 6;
        const QString weatherWord = s(kWeatherWords[pick(7)]);
        if (DbError e = db.insert(table::Weather, {toDbDate(d), weekdayChar(d), weatherWord}))
            return e;

        CLRDIM(day, names);
        day.extraCaption = QStringLiteral("応援");
        std::vector<int> free(kEmployees);
        for (int i = 0; i < kEmployees; ++i)
            free[i] = i;
        // Shuffle who works where today.
        for (int i = kEmployees - 1; i > 0; --i)
            std::swap(free[i], free[pick(i + 1)]);

        // The last day is a busy one: more than eight groups, so its report has two sheets.
        const bool busy = d == today && !saturday;
        const int groups = busy ? 10 : saturday ? 2 + pick(2) : 4 + pick(4);
        std::vector<const Project*> active;
        for (const Project& p : projects) {
            if (p.start <= d && d <= p.end)
                active.push_back(&p);
        }
        if (active.empty())
            active.push_back(&projects[0]);
        std::size_t next = 0;
        for (int k = 0; k < groups && next < free.size(); ++k) {
            const Project& p = *active[pick(int(active.size()))];
            GroupSlot& g = day.groups[k];
            g.jobNumber = qint16(p.number);
            g.jobName = p.name;
            g.client = p.client;
            g.remarks = chance(15) ? QStringLiteral("雨天時中止") : QString();
            g.nightFlag = chance(12) ? 1 : 0;
            g.startTime = g.nightFlag ? QStringLiteral("20:00") : QStringLiteral("08:00");
            g.endTime = g.nightFlag
                            ? QStringLiteral("05:00")
                            : (chance(30) ? QStringLiteral("18:30") : QStringLiteral("17:00"));
            g.plannedWork = s(kPlannedWork[pick(8)]);
            g.actualWork = chance(80) ? g.plannedWork : s(kPlannedWork[pick(8)]);
            const int crew = busy ? 1 : 1 + pick(3);
            for (int m = 0; m < crew && next < free.size(); ++m, ++next) {
                const int c = free[next];
                QString mark = saturday ? QStringLiteral("☆") : QStringLiteral("○");
                if (!saturday && chance(4))
                    mark = chance(50) ? QStringLiteral("◇") : QStringLiteral("▽");
                if (!saturday && chance(5))
                    mark = QStringLiteral("△");
                if (g.nightFlag && chance(30))
                    mark = QStringLiteral("泊");
                day.planned(k).staff[c] = mark;
                day.actual(k).staff[c] = chance(92) ? mark : QStringLiteral("○");
            }
            for (int line = 0; line < 2; ++line) {
                Line& l = line == 0 ? day.planned(k) : day.actual(k);
                l.guards[0] = qint16(g.nightFlag ? 0 : pick(3));
                l.guards[1] = qint16(g.nightFlag ? 1 + pick(3) : 0);
                l.vehicles[pick(8)] = 1;
                if (chance(40))
                    l.vehicles[pick(8)] += 1;
            }
            g.spotCount = {qint16(pick(3)), qint16(pick(3))};
            g.extraCount = {qint16(chance(25) ? 1 + pick(2) : 0),
                            qint16(chance(25) ? 1 + pick(2) : 0)};
        }
        // One or two of those not working today take the day off, noted in the first group.
        if (!saturday) {
            const int off = pick(3);
            for (int m = 0; m < off && next < free.size(); ++m, ++next) {
                const int c = free[next];
                day.actual(0).staff[c] = chance(80) ? QStringLiteral("休") : QStringLiteral("有");
                if (day.actual(0).staff[c] == QStringLiteral("休"))
                    ++daysOffTaken[c];
            }
        }
        for (int k = 0; k < groups; ++k) {
            if (day.groups[k].jobName.isEmpty())
                continue;
            if (DbError e = db.insert(table::DailyReport, slotToRow(day, k, d, weatherWord)))
                return e;
        }
    }

    // Balances as the saves would have left them: 20 days, one less for every "休".
    for (int i = 0; i < kEmployees; ++i) {
        if (DbError e = db.insert(table::Employees,
                                  {QStringLiteral("%1").arg(i + 1, 3, 10, QLatin1Char('0')),
                                   s(kSurnames[i]), s(kGivenNames[i]), 0, 0, 20 - daysOffTaken[i]}))
            return e;
    }
    return {};
}

} // namespace

DbError createDatabase(const QString& path, const NewDatabaseOptions& options) {
    DbError result;
    {
        Database db;
        if (DbError e = db.create(path))
            return e;
        Transaction tx(db);
        result = tx.begin();
        if (!result)
            result = insertBaseRows(db);
        if (!result && options.demo)
            result = insertDemo(db, options.today.isValid() ? options.today : QDate::currentDate());
        if (!result)
            result = tx.commit();
        if (result)
            db.dropCreatedTables(); // on a server: the tables go as the half-filled file does
    }
    if (result && !isServerLocation(path))
        QFile::remove(path); // a half-filled new file is of no use to anyone
    return result;
}

} // namespace vorda
