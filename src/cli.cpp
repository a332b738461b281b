#include "cli.h"

#include "core/app/app_state.h"
#include "core/app/file_output.h"
#include "core/app/name_caches.h"
#include "core/data/mdb_import.h"
#include "core/data/new_database.h"
#include "core/data/schema.h"
#include "core/data/values.h"
#include "core/masters/purge.h"
#include "core/reports/attendance_sheet.h"
#include "core/reports/daily_report.h"
#include "core/reports/monthly_results.h"
#include "core/reports/pdf_output.h"
#include "core/reports/period_list.h"
#include "ui/reports/print_output.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
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
    // vorda.INI is written over nothing that is no plain file, nor over the database itself.
    if (const QString refused = refuseOutputFile(state.iniPath, KeptFiles{path, {}});
        !refused.isEmpty()) {
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

// A firm's Access file into a new database file; registered as the data location on request.
int importMdbFile(const QStringList& args, AppState& state) {
    QStringList paths;
    bool register_ = false;
    for (const QString& a : args) {
        if (a == QLatin1String("--set-data"))
            register_ = true;
        else if (!a.startsWith(QLatin1String("--")))
            paths << a;
        else
            return usage();
    }
    if (paths.size() != 2)
        return usage();
    ImportReport report;
    if (DbError e = importMdb(paths[0], paths[1], report)) {
        err() << e.message << Qt::endl;
        return 1;
    }
    out() << QStringLiteral("取り込みました: %1")
                 .arg(QDir::toNativeSeparators(QFileInfo(paths[1]).absoluteFilePath()))
          << Qt::endl;
    for (const QString& line : report.summary())
        out() << line << Qt::endl;
    return register_ ? setData({paths[1]}, state) : 0;
}

// A date option: exactly YYYY-MM-DD with a four-digit year, and a day of the calendar.
std::optional<QDate> dateOption(const QString& text) {
    static const QRegularExpression form(QStringLiteral("^[0-9]{4}-[0-9]{2}-[0-9]{2}$"));
    if (!form.match(text).hasMatch())
        return std::nullopt;
    const QDate date = QDate::fromString(text, QStringLiteral("yyyy-MM-dd"));
    return date.isValid() ? std::optional<QDate>(date) : std::nullopt;
}

// --year and --month as the command line takes them: four digits and one or two.
bool yearMonthForm(const QString& year, const QString& month) {
    static const QRegularExpression yearForm(QStringLiteral("^[0-9]{4}$"));
    static const QRegularExpression monthForm(QStringLiteral("^[0-9]{1,2}$"));
    return yearForm.match(year).hasMatch() && monthForm.match(month).hasMatch();
}

// A print's call: its "--name value" options and where the sheets go.
struct SheetCall {
    QHash<QString, QString> options;
    bool toFile = false; // --out was given (an empty name is refused, never printed)
    QString out;
    QString value(const char* name) const { return options.value(QLatin1String(name)); }
};

// The options after the sheet's name (each once); nothing for an unknown or unfinished one.
std::optional<SheetCall> sheetCall(const QStringList& args, QStringList names) {
    names << QStringLiteral("--out");
    SheetCall call;
    for (int i = 1; i < args.size(); i += 2) {
        if (!names.contains(args[i]) || i + 1 >= args.size() || call.options.contains(args[i]))
            return std::nullopt;
        call.options.insert(args[i], args[i + 1]);
    }
    call.toFile = call.options.contains(QStringLiteral("--out"));
    call.out = call.value("--out");
    return call;
}

// Reads vorda.INI and checks that the sheets may go where the call sends them, before any
// data is read. Returns the exit code when the print must stop here.
std::optional<int> prepareSheet(const SheetCall& call, AppState& state) {
    const IniReadResult ini = INIREAD(state);
    if (state.databasePath.trimmed().isEmpty()) {
        err()
            << (ini.pathProblem.isEmpty() ? QStringLiteral("データの場所が設定されていません。")
                                          : ini.pathProblem)
            << Qt::endl
            << QStringLiteral(
                   "set-data でデータの場所を登録するか、--ini で設定ファイルを指定してください。")
            << Qt::endl;
        return 1;
    }
    if (call.toFile) {
        if (const QString refused =
                refuseOutputFile(call.out, KeptFiles{state.databasePath, state.iniPath});
            !refused.isEmpty()) {
            err() << refused << Qt::endl;
            return 2;
        }
    }
    return std::nullopt;
}

// The sheets to the default printer, or to the PDF file when one is named.
int sendSheets(const DrawSheets& draw, const SheetCall& call, const AppState& state) {
    const QString failure =
        call.toFile ? printToPdf(call.out, draw, KeptFiles{state.databasePath, state.iniPath})
                    : printToDefaultPrinter(draw);
    if (!failure.isEmpty()) {
        err() << failure << Qt::endl;
        return 1;
    }
    return 0;
}

PageScale pageScaleOf(const AppState& state) {
    return PageScale{state.paperCode, state.orientationCode, state.positionScale, state.fontScale,
                     state.today()};
}

int printMonthly(const QStringList& args, AppState& state) {
    // print monthly --year YYYY --month M [--out FILE.pdf]
    const auto call = sheetCall(args, {QStringLiteral("--year"), QStringLiteral("--month")});
    if (!call)
        return usage();
    const QString year = call->value("--year");
    const QString month = call->value("--month");
    const auto request = yearMonthForm(year, month) ? monthFromFields(year, month) : std::nullopt;
    if (!request) {
        err()
            << QStringLiteral(
                   "年月に誤りがあります。（--year YYYY --month 1～12 で指定してください: %1 %2）")
                   .arg(year, month)
            << Qt::endl;
        return 2;
    }
    if (const auto stop = prepareSheet(*call, state))
        return *stop;
    EraValues era;
    MonthlyResultsData data;
    if (DbError e = readMonthlyResults(state.databasePath, *request, era, data)) {
        err() << e.message << Qt::endl;
        return 1;
    }
    const PageScale scale = pageScaleOf(state);
    return sendSheets([&](Printer& p) { drawMonthlyResults(p, scale, data); }, *call, state);
}

int printPeriod(const QStringList& args, AppState& state) {
    // print period --project NAME [--out FILE.pdf]
    const auto call = sheetCall(args, {QStringLiteral("--project")});
    if (!call)
        return usage();
    // The name as a click on the list gives it.
    const QString project = call->value("--project").trimmed();
    if (project.isEmpty()) {
        err() << kChooseProjectMessage << Qt::endl;
        return 2;
    }
    if (const auto stop = prepareSheet(*call, state))
        return *stop;
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
    return sendSheets([&](Printer& p) { drawPeriodList(p, scale, data); }, *call, state);
}

int printAttendance(const QStringList& args, AppState& state) {
    // print attendance --year YYYY --month M [--out FILE.pdf]
    const auto call = sheetCall(args, {QStringLiteral("--year"), QStringLiteral("--month")});
    if (!call)
        return usage();
    const QString year = call->value("--year");
    const QString monthText = call->value("--month");
    const auto month =
        yearMonthForm(year, monthText) ? monthFromFields(year, monthText) : std::nullopt;
    if (!month) {
        err()
            << QStringLiteral(
                   "年月に誤りがあります。（--year YYYY --month 1～12 で指定してください: %1 %2）")
                   .arg(year, monthText)
            << Qt::endl;
        return 2;
    }
    if (const auto stop = prepareSheet(*call, state))
        return *stop;
    EraValues era;
    AttendanceSheetData data;
    if (DbError e = readAttendanceSheet(state.databasePath, *month, era, data)) {
        err() << e.message << Qt::endl;
        return 1;
    }
    const PageScale scale = pageScaleOf(state);
    return sendSheets([&](Printer& p) { drawAttendanceSheet(p, scale, data); }, *call, state);
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
    const auto call = sheetCall(args, {QStringLiteral("--date")});
    if (!call)
        return usage();
    const QString dateText = call->value("--date");
    const std::optional<QDate> date = dateOption(dateText);
    if (!date) {
        err() << QStringLiteral("日付に誤りがあります。（YYYY-MM-DD で指定してください: %1）")
                     .arg(dateText)
              << Qt::endl;
        return 2;
    }
    if (const auto stop = prepareSheet(*call, state))
        return *stop;
    EraValues era;
    DayModel model;
    DailyReportData data;
    if (DbError e = readDailyReport(state.databasePath, *date, era, model, data)) {
        err() << e.message << Qt::endl;
        return 1;
    }
    if (!data.notice.isEmpty())
        err() << data.notice << Qt::endl;
    const PageScale scale = pageScaleOf(state);
    return sendSheets([&](Printer& p) { drawDailyReport(p, scale, data); }, *call, state);
}

int purge(const QStringList& args, AppState& state) {
    // purge --until YYYY-MM-DD [--yes]
    QString untilText;
    bool yes = false;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--until") && i + 1 < args.size() && untilText.isNull())
            untilText = args[++i];
        else if (args[i] == QLatin1String("--yes"))
            yes = true;
        else
            return usage();
    }
    const QDate until = dateOption(untilText).value_or(QDate());
    if (const QString refused = purgeDateRefusal(until, state.today()); !refused.isEmpty()) {
        err() << refused
              << QStringLiteral("（1900 年から今日までの日を YYYY-MM-DD で指定してください: %1）")
                     .arg(untilText)
              << Qt::endl;
        return 2;
    }
    INIREAD(state);
    if (!yes) {
        PurgePlan plan;
        if (DbError e = planPurge(state.databasePath, until, plan)) {
            err() << e.message << Qt::endl;
            return 1;
        }
        const QString undated = undatedNote(plan.undated);
        if (plan.rows == 0) {
            err() << QStringLiteral("データがありません。") << Qt::endl;
            if (!undated.isEmpty())
                err() << undated << Qt::endl;
            return 1;
        }
        out() << purgeQuestion(plan) << QStringLiteral("（削除するには --yes を付けてください）")
              << Qt::endl;
        if (!undated.isEmpty())
            out() << undated << Qt::endl;
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
    out() << QStringLiteral("削除完了しました。%1 件").arg(purgeCount(result.deleted)) << Qt::endl;
    if (const QString kept = undatedNote(result.undated); !kept.isEmpty())
        out() << kept << Qt::endl;
    out() << QStringLiteral("バックアップ: %1").arg(QDir::toNativeSeparators(result.backupPath))
          << Qt::endl;
    return 0;
}

} // namespace

QString usageText() {
    return QStringLiteral(
        "使い方 / Usage:\n"
        "  vorda [--ini FILE]                      画面を起動します / start the program\n"
        "  vorda init-db PATH [--demo]             新しいデータベースを作成します（--demo: "
        "サンプル会社入り）\n"
        "                                          / create a new database (with a sample firm)\n"
        "  vorda [--ini FILE] set-data PATH        データの場所を vorda.INI に登録します\n"
        "                                          / register the database path in vorda.INI\n"
        "  vorda [--ini FILE] print daily --date YYYY-MM-DD [--out FILE.pdf]\n"
        "                                          作業日報を印刷（--out: PDF に保存）/ print the "
        "daily report\n"
        "  vorda [--ini FILE] print monthly --year YYYY --month M [--out FILE.pdf]\n"
        "                                          月間稼働実績を印刷（--out: PDF に保存）/ print "
        "the monthly results\n"
        "  vorda [--ini FILE] print period --project NAME [--out FILE.pdf]\n"
        "                                          工事別作業期間一覧表を印刷（--out: PDF "
        "に保存）/ print the period list\n"
        "  vorda [--ini FILE] print attendance --year YYYY --month M [--out FILE.pdf]\n"
        "                                          月別出勤表を印刷（--out: PDF に保存）/ print "
        "the monthly attendance sheet\n"
        "  vorda [--ini FILE] purge --until YYYY-MM-DD [--yes]\n"
        "                                          その日（今日まで）までの日報の件数（--yes: "
        "写しを作ってから削除）\n"
        "                                          / count, or back up and delete, daily reports "
        "up to a day\n"
        "  vorda [--ini FILE] import-mdb OLD.mdb NEW.db [--set-data]\n"
        "                                          Access "
        "のデータ（VORDA.mdb）を新しいデータベースに"
        "取り込みます\n"
        "                                          （--set-data: データの場所に登録）/ import the "
        "Access file\n"
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
    if (command == QLatin1String("import-mdb"))
        return importMdbFile(rest, state);
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
