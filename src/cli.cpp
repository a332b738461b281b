#include "cli.h"

#include "core/app/app_state.h"
#include "core/app/file_output.h"
#include "core/app/name_caches.h"
#include "core/data/new_database.h"
#include "core/data/schema.h"
#include "core/reports/attendance_sheet.h"
#include "core/data/values.h"
#include "core/masters/purge.h"
#include "core/reports/daily_report.h"
#include "core/reports/monthly_results.h"
#include "core/reports/pdf_output.h"
#include "core/reports/period_list.h"
#include "ui/reports/print_output.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QTextStream>
#include <cstdio>
#include <optional>

namespace vorda {

namespace {

QTextStream& out() {
    static QTextStream s(stdout);
    return s;
}

QTextStream& err() {
    static QTextStream s(stderr);
    return s;
}

int usage() {
    err() << usageText() << Qt::flush;
    return 2;
}

int initDb(const QStringList& args) {
    QString path;
    bool demo = false;
    for (const QString& a : args) {
        if (a == QLatin1String("--demo"))
            demo = true;
        else if (path.isEmpty() && !a.startsWith(QLatin1String("--")))
            path = a;
        else
            return usage();
    }
    if (path.isEmpty())
        return usage();
    NewDatabaseOptions options;
    options.demo = demo;
    options.today = QDate::currentDate();
    if (DbError e = createDatabase(path, options)) {
        err() << e.message << Qt::endl;
        return 1;
    }
    out() << QStringLiteral("データベースを作成しました: %1%2")
                 .arg(QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()),
                      demo ? QStringLiteral("（サンプルデータ入り）") : QString())
          << Qt::endl;
    return 0;
}

int checkDb(const QStringList& args) {
    if (args.size() != 1)
        return usage();
    Database db;
    if (DbError e = db.open(args[0])) {
        err() << e.message << Qt::endl;
        return 1;
    }
    if (DbError e = db.quickCheck()) {
        err() << e.message << Qt::endl;
        return 1;
    }
    for (const TableDef& t : schemaTables()) {
        qint64 n = 0;
        if (DbError e = db.count(t.name, {}, n)) {
            err() << e.message << Qt::endl;
            return 1;
        }
        out() << t.name << QStringLiteral(": %1 件").arg(n) << Qt::endl;
    }
    return 0;
}

int setData(const QStringList& args, AppState& state) {
    if (args.size() != 1)
        return usage();
    const QString path = QFileInfo(args[0]).absoluteFilePath();
    if (const QString refused = refuseOverDatabase(state.iniPath, path); !refused.isEmpty()) {
        err() << refused << Qt::endl;
        return 2;
    }
    if (DbError e = Database::check(path)) {
        err() << e.message << Qt::endl;
        return 1;
    }
    INIREAD(state); // keep lines 2 to 4 as they are
    state.databasePath = QDir::toNativeSeparators(path);
    if (const QString e = INIWRITE(state); !e.isEmpty()) {
        err() << e << Qt::endl;
        return 1;
    }
    out() << QStringLiteral("データの場所を登録しました: %1 → %2")
                 .arg(QDir::toNativeSeparators(state.iniPath), state.databasePath)
          << Qt::endl;
    return 0;
}

// The sheets to the default printer, or to the PDF file when one is named.
int sendSheets(const DrawSheets& draw, const QString& out, const AppState& state) {
    const QString failure = out.isEmpty() ? printToDefaultPrinter(draw) : printToPdf(out, draw, state.databasePath);
    if (!failure.isEmpty()) {
        err() << failure << Qt::endl;
        return 1;
    }
    return 0;
}

PageScale pageScaleOf(const AppState& state) {
    return PageScale{state.paperCode, state.orientationCode, state.positionScale, state.fontScale};
}

// The "--name value" options after the sheet's name; nothing for an unknown or unfinished one.
std::optional<QHash<QString, QString>> sheetOptions(const QStringList& args, const QStringList& names) {
    QHash<QString, QString> values;
    for (int i = 1; i < args.size(); i += 2) {
        if (!names.contains(args[i]) || i + 1 >= args.size())
            return std::nullopt;
        values.insert(args[i], args[i + 1]);
    }
    return values;
}

int printMonthly(const QStringList& args, AppState& state) {
    // print monthly --year YYYY --month M [--out FILE.pdf]
    const auto options = sheetOptions(args, {QStringLiteral("--year"), QStringLiteral("--month"), QStringLiteral("--out")});
    if (!options)
        return usage();
    const QString year = options->value(QStringLiteral("--year"));
    const QString month = options->value(QStringLiteral("--month"));
    const QString out = options->value(QStringLiteral("--out"));
    const auto request = monthFromFields(year, month);
    if (!request) {
        err() << QStringLiteral("年月に誤りがあります。（--year YYYY --month 1～12 で指定してください: %1 %2）")
                     .arg(year, month)
              << Qt::endl;
        return 2;
    }
    INIREAD(state);
    EraValues era;
    MonthlyResultsData data;
    if (DbError e = readMonthlyResults(state.databasePath, *request, era, data)) {
        err() << e.message << Qt::endl;
        return 1;
    }
    const PageScale scale = pageScaleOf(state);
    return sendSheets([&](Printer& p) { drawMonthlyResults(p, scale, data); }, out, state);
}

int printPeriod(const QStringList& args, AppState& state) {
    // print period --project NAME [--out FILE.pdf]
    const auto options = sheetOptions(args, {QStringLiteral("--project"), QStringLiteral("--out")});
    if (!options)
        return usage();
    // The name as a click on the list gives it.
    const QString project = options->value(QStringLiteral("--project")).trimmed();
    const QString out = options->value(QStringLiteral("--out"));
    if (project.isEmpty()) {
        err() << kChooseProjectMessage << Qt::endl;
        return 2;
    }
    INIREAD(state);
    EraValues era;
    PeriodListData data;
    if (DbError e = readPeriodList(state.databasePath, project, state.today().year(), era, data)) {
        err() << e.message << Qt::endl;
        return 1;
    }
    if (data.empty()) {
        err() << noPeriodDataMessage(project) << Qt::endl;
        return 1;
    }
    const PageScale scale = pageScaleOf(state);
    return sendSheets([&](Printer& p) { drawPeriodList(p, scale, data); }, out, state);
}

int printAttendance(const QStringList& args, AppState& state) {
    // print attendance --year YYYY --month M [--out FILE.pdf]
    const auto options = sheetOptions(args, {QStringLiteral("--year"), QStringLiteral("--month"), QStringLiteral("--out")});
    if (!options)
        return usage();
    const QString year = options->value(QStringLiteral("--year"));
    const QString monthText = options->value(QStringLiteral("--month"));
    const auto month = monthFromFields(year, monthText);
    if (!month) {
        err() << QStringLiteral("年月に誤りがあります。（--year YYYY --month M で指定してください: %1 %2）")
                     .arg(year, monthText)
              << Qt::endl;
        return 2;
    }
    INIREAD(state);
    EraValues era;
    AttendanceSheetData data;
    if (DbError e = readAttendanceSheet(state.databasePath, *month, era, data)) {
        err() << e.message << Qt::endl;
        return 1;
    }
    const PageScale scale = pageScaleOf(state);
    return sendSheets([&](Printer& p) { drawAttendanceSheet(p, scale, data); }, options->value(QStringLiteral("--out")), state);
}

int printSheet(const QStringList& args, AppState& state) {
    if (args.value(0) == QLatin1String("monthly"))
        return printMonthly(args, state);
    if (args.value(0) == QLatin1String("period"))
        return printPeriod(args, state);
    if (args.value(0) == QLatin1String("attendance"))
        return printAttendance(args, state);
    // print daily --date YYYY-MM-DD [--out FILE.pdf]
    if (args.value(0) != QLatin1String("daily"))
        return usage();
    const auto options = sheetOptions(args, {QStringLiteral("--date"), QStringLiteral("--out")});
    if (!options)
        return usage();
    const QString dateText = options->value(QStringLiteral("--date"));
    const QString out = options->value(QStringLiteral("--out"));
    const QDate date = QDate::fromString(dateText, QStringLiteral("yyyy-MM-dd"));
    if (!date.isValid()) {
        err() << QStringLiteral("日付に誤りがあります。（YYYY-MM-DD で指定してください: %1）").arg(dateText) << Qt::endl;
        return 2;
    }
    INIREAD(state);
    if (const QString refused = refuseOverDatabase(out, state.databasePath);
        !out.isEmpty() && !refused.isEmpty()) {
        err() << refused << Qt::endl;
        return 2;
    }
    EraValues era;
    DayModel model;
    DailyReportData data;
    if (DbError e = readDailyReport(state.databasePath, date, era, model, data)) {
        err() << e.message << Qt::endl;
        return 1;
    }
    if (!data.notice.isEmpty())
        err() << data.notice << Qt::endl;
    const PageScale scale = pageScaleOf(state);
    return sendSheets([&](Printer& p) { drawDailyReport(p, scale, data); }, out, state);
}

int purge(const QStringList& args, AppState& state) {
    // purge --until YYYY-MM-DD [--yes]
    QString untilText;
    bool yes = false;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--until") && i + 1 < args.size())
            untilText = args[++i];
        else if (args[i] == QLatin1String("--yes"))
            yes = true;
        else
            return usage();
    }
    const QDate until = QDate::fromString(untilText, QStringLiteral("yyyy-MM-dd"));
    if (!purgeDateAllowed(until, state.today())) {
        err() << QStringLiteral("日付が正しくありません。（1900 年から今年までの日を YYYY-MM-DD で指定してください: %1）")
                     .arg(untilText)
              << Qt::endl;
        return 2;
    }
    INIREAD(state);
    if (!yes) {
        qint64 n = 0;
        if (DbError e = countPurgeRows(state.databasePath, until, n)) {
            err() << e.message << Qt::endl;
            return 1;
        }
        if (n == 0) {
            err() << QStringLiteral("データがありません。") << Qt::endl;
            return 1;
        }
        out() << QStringLiteral("%1 までの日報 %2 件が削除の対象です（削除するには --yes を付けてください）。")
                     .arg(toDbDate(until))
                     .arg(n)
              << Qt::endl;
        return 0;
    }
    PurgeResult result;
    if (DbError e = purgeDailyReports(state.databasePath, until,
                                      QDateTime(state.today(), QTime::currentTime()), result)) {
        err() << e.message << Qt::endl;
        return 1;
    }
    if (result.deleted == 0) {
        err() << QStringLiteral("データがありません。") << Qt::endl;
        return 1;
    }
    out() << QStringLiteral("削除完了しました。%1 件\nバックアップ: %2")
                 .arg(result.deleted)
                 .arg(QDir::toNativeSeparators(result.backupPath))
          << Qt::endl;
    return 0;
}

} // namespace

QString usageText() {
    return QStringLiteral(
        "使い方 / Usage:\n"
        "  vorda [--ini FILE]                      画面を起動します / start the program\n"
        "  vorda init-db PATH [--demo]             新しいデータベースを作成します（--demo: サンプル会社入り）\n"
        "                                          / create a new database (with a sample firm)\n"
        "  vorda [--ini FILE] set-data PATH        データの場所を vorda.INI に登録します\n"
        "                                          / register the database path in vorda.INI\n"
        "  vorda [--ini FILE] print daily --date YYYY-MM-DD [--out FILE.pdf]\n"
        "                                          作業日報を印刷（--out: PDF に保存）/ print the daily report\n"
        "  vorda [--ini FILE] print monthly --year YYYY --month M [--out FILE.pdf]\n"
        "                                          月間稼働実績を印刷（--out: PDF に保存）/ print the monthly results\n"
        "  vorda [--ini FILE] print period --project NAME [--out FILE.pdf]\n"
        "                                          工事別作業期間一覧表を印刷（--out: PDF に保存）/ print the period list\n"
        "  vorda [--ini FILE] print attendance --year YYYY --month M [--out FILE.pdf]\n"
        "                                          月別出勤表を印刷（--out: PDF に保存）/ print the monthly attendance sheet\n"
        "  vorda [--ini FILE] purge --until YYYY-MM-DD [--yes]\n"
        "                                          その日までの日報の件数（--yes: 写しを作ってから削除）\n"
        "                                          / count, or back up and delete, daily reports up to a day\n"
        "  vorda check-db PATH                     データベースを確認し、表ごとの件数を表示します\n"
        "                                          / check a database and count its rows\n"
        "  --ini FILE   vorda.INI の代わりに使う設定ファイル / another configuration file\n");
}

int runSubcommand(const QStringList& args, AppState& state) {
    const QString command = args.value(0);
    const QStringList rest = args.mid(1);
    if (command == QLatin1String("init-db"))
        return initDb(rest);
    if (command == QLatin1String("check-db"))
        return checkDb(rest);
    if (command == QLatin1String("set-data"))
        return setData(rest, state);
    if (command == QLatin1String("print"))
        return printSheet(rest, state);
    if (command == QLatin1String("purge"))
        return purge(rest, state);
    if (command == QLatin1String("--help") || command == QLatin1String("-h")) {
        out() << usageText() << Qt::flush;
        return 0;
    }
    err() << QStringLiteral("知らないコマンドです: %1").arg(command) << Qt::endl;
    return usage();
}

} // namespace vorda
