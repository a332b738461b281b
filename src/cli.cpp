#include "cli.h"

#include "core/app/app_state.h"
#include "core/app/file_output.h"
#include "core/app/name_caches.h"
#include "core/data/backup.h"
#include "core/data/copy_db.h"
#include "core/data/mdb_import.h"
#include "core/data/new_database.h"
#include "core/data/restore.h"
#include "core/data/schema.h"
#include "core/data/values.h"
#include "core/masters/purge.h"
#include "core/reports/annual_attendance.h"
#include "core/reports/attendance_sheet.h"
#include "core/reports/csv_export.h"
#include "core/reports/daily_report.h"
#include "core/reports/monthly_results.h"
#include "core/reports/pdf_output.h"
#include "core/reports/period_list.h"
#include "ui/reports/print_output.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QLocale>
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

// A wrong call of one command: its own form, in one line the user can read.
int usageOf(const char* form) {
    err() << QStringLiteral("使い方: vorda %1（一覧は vorda --help）").arg(QLatin1String(form))
          << Qt::endl;
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
                 .arg(isServerLocation(path)
                          ? path.trimmed()
                          : QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()),
                      demo ? QStringLiteral("（サンプルデータ入り）") : QString())
          << Qt::endl;
    return 0;
}

// A whole firm from one database to a new one (a file or a server each), checked table by
// table before the target keeps it.
int copyDb(const QStringList& args) {
    if (args.size() != 2 || args[0].startsWith(QLatin1String("--")) ||
        args[1].startsWith(QLatin1String("--")))
        return usageOf("copy-db FROM TO");
    CopyReport report;
    const DbError e = copyDatabase(args[0], args[1], report);
    for (const QString& line : copyReportLines(report))
        (e ? err() : out()) << line << Qt::endl;
    if (e) {
        err() << e.message << Qt::endl;
        return 1;
    }
    out() << QStringLiteral("写しました: %1 → %2")
                 .arg(locationForMessages(isServerLocation(args[0])
                                              ? args[0]
                                              : QFileInfo(args[0]).absoluteFilePath()),
                      locationForMessages(isServerLocation(args[1])
                                              ? args[1]
                                              : QFileInfo(args[1]).absoluteFilePath()))
          << Qt::endl;
    return 0;
}

// Where a damaged database can be taken back from: the newest copy that passes its check.
QString newestGoodCopy(const QString& databasePath) {
    const QString folder = backupFolder(databasePath, chosenBackupFolder());
    const bool server = isServerLocation(databasePath);
    for (const BackupCopy& c : listBackups(folder, databasePath)) {
        BackupFacts facts;
        if (readBackupFacts(c.path, facts))
            continue;
        const QString head =
            QStringLiteral("使える一番新しいバックアップ: %1（%2 の時点、%3）\n")
                .arg(QDir::toNativeSeparators(c.path),
                     c.stamp.toString(QStringLiteral("yyyy/MM/dd HH:mm")), factsSummary(facts));
        // A server's tables are not replaced: the copy goes into an empty database.
        if (server)
            return head +
                   QStringLiteral("戻すには: サーバーに空のデータベースを作り、"
                                  "vorda copy-db \"%1\" postgresql://ユーザー@ホスト/新しい"
                                  "データベース で写してから、データの場所をそこに変えます。")
                       .arg(QDir::toNativeSeparators(c.path));
        return head +
               QStringLiteral("戻すには（%2 がデータの場所のとき）: vorda restore \"%1\" --yes")
                   .arg(QDir::toNativeSeparators(c.path), QDir::toNativeSeparators(databasePath));
    }
    return QStringLiteral("バックアップのフォルダ %1 に使える写しがありません。")
        .arg(QDir::toNativeSeparators(folder));
}

int checkDb(const QStringList& args) {
    if (args.size() != 1)
        return usage();
    Database db;
    if (DbError e = db.open(args[0])) {
        err() << e.message << Qt::endl;
        // A server not reached, or a location not given, says nothing about damage.
        if (e.kind != DbErrorKind::FolderMissing && e.kind != DbErrorKind::Unreachable)
            err() << newestGoodCopy(args[0]) << Qt::endl;
        return 1;
    }
    if (DbError e = db.quickCheck()) {
        err() << e.message << Qt::endl << newestGoodCopy(args[0]) << Qt::endl;
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
    const QString path =
        isServerLocation(args[0]) ? args[0].trimmed() : QFileInfo(args[0]).absoluteFilePath();
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

// --year and --month of a call as the command line takes them (four digits, one or two),
// read as the screens read them; a wrong pair is said on stderr and gives nothing.
std::optional<MonthRequest> monthOption(const SheetCall& call) {
    static const QRegularExpression yearForm(QStringLiteral("^[0-9]{4}$"));
    static const QRegularExpression monthForm(QStringLiteral("^[0-9]{1,2}$"));
    const QString year = call.value("--year");
    const QString month = call.value("--month");
    if (yearForm.match(year).hasMatch() && monthForm.match(month).hasMatch()) {
        if (auto request = monthFromFields(year, month))
            return request;
    }
    err() << QStringLiteral(
                 "年月に誤りがあります。（--year YYYY --month 1～12 で指定してください: %1 %2）")
                 .arg(year, month)
          << Qt::endl;
    return std::nullopt;
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
    const auto request = monthOption(*call);
    if (!request)
        return 2;
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
    const auto month = monthOption(*call);
    if (!month)
        return 2;
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

// --year of the annual sheet: four digits. --employee: a code, when given.
std::optional<AnnualRequest> annualRequest(const SheetCall& call) {
    static const QRegularExpression yearForm(QStringLiteral("^[0-9]{4}$"));
    const QString year = call.value("--year");
    if (!yearForm.match(year).hasMatch()) {
        err() << QStringLiteral("年度に誤りがあります。（--year YYYY で指定してください: %1）")
                     .arg(year)
              << Qt::endl;
        return std::nullopt;
    }
    AnnualRequest request;
    request.year = year.toInt();
    if (call.options.contains(QStringLiteral("--employee")))
        request.employeeCode = call.value("--employee");
    return request;
}

// The annual sheets of the call, read; the exit code when there is nothing to send.
std::optional<int> readAnnual(const AnnualRequest& request, const AppState& state,
                              AnnualAttendanceData& data) {
    EraValues era;
    if (DbError e = readAnnualAttendance(state.databasePath, request, era, data)) {
        err() << e.message << Qt::endl;
        return 1;
    }
    if (data.sheets.empty()) {
        err() << noAnnualDataMessage(data.year) << Qt::endl;
        return 1;
    }
    return std::nullopt;
}

int printAnnual(const QStringList& args, AppState& state) {
    // print annual --year YYYY [--employee CODE] [--out FILE.pdf]
    const auto call = sheetCall(args, {QStringLiteral("--year"), QStringLiteral("--employee")});
    if (!call || !call->options.contains(QStringLiteral("--year")))
        return usage();
    const auto request = annualRequest(*call);
    if (!request)
        return 2;
    if (const auto stop = prepareSheet(*call, state))
        return *stop;
    AnnualAttendanceData data;
    if (const auto stop = readAnnual(*request, state, data))
        return *stop;
    const PageScale scale = pageScaleOf(state);
    return sendSheets([&](Printer& p) { drawAnnualAttendance(p, scale, data); }, *call, state);
}

// export <sheet> … --out FILE.csv [--utf8]: the sheet's figures as CSV.
int exportSheet(const QStringList& given, AppState& state) {
    QStringList args = given;
    const CsvEncoding encoding =
        args.removeAll(QStringLiteral("--utf8")) > 0 ? CsvEncoding::Utf8 : CsvEncoding::ShiftJis;
    const QString sheet = args.value(0);
    QStringList names;
    if (sheet == QLatin1String("attendance") || sheet == QLatin1String("monthly"))
        names = {QStringLiteral("--year"), QStringLiteral("--month")};
    else if (sheet == QLatin1String("daily"))
        names = {QStringLiteral("--from"), QStringLiteral("--to")};
    else if (sheet == QLatin1String("annual"))
        names = {QStringLiteral("--year"), QStringLiteral("--employee")};
    else
        return usage();
    const auto call = sheetCall(args, names);
    // A CSV always goes to a file.
    if (!call || !call->toFile)
        return usage();

    CsvTable table;
    std::optional<MonthRequest> month;
    std::optional<QDate> from, to;
    std::optional<AnnualRequest> annual;
    if (sheet == QLatin1String("daily")) {
        from = dateOption(call->value("--from"));
        to = dateOption(call->value("--to"));
        if (!from || !to || *to < *from) {
            err() << QStringLiteral("日付に誤りがあります。（--from YYYY-MM-DD --to YYYY-MM-DD "
                                    "で、--to は --from 以降を指定してください: %1 %2）")
                         .arg(call->value("--from"), call->value("--to"))
                  << Qt::endl;
            return 2;
        }
    } else if (sheet == QLatin1String("annual")) {
        if (!call->options.contains(QStringLiteral("--year")))
            return usage();
        annual = annualRequest(*call);
        if (!annual)
            return 2;
    } else {
        month = monthOption(*call);
        if (!month)
            return 2;
    }
    if (const auto stop = prepareSheet(*call, state))
        return *stop;

    EraValues era;
    DbError failed;
    if (sheet == QLatin1String("attendance")) {
        AttendanceSheetData data;
        failed = readAttendanceSheet(state.databasePath, *month, era, data);
        table = attendanceCsv(data);
    } else if (sheet == QLatin1String("monthly")) {
        MonthlyResultsData data;
        failed = readMonthlyResults(state.databasePath, *month, era, data);
        table = monthlyCsv(data);
    } else if (sheet == QLatin1String("daily")) {
        failed = readDailyCsv(state.databasePath, *from, *to, table);
    } else {
        AnnualAttendanceData data;
        if (const auto stop = readAnnual(*annual, state, data))
            return *stop;
        table = annualCsv(data);
    }
    if (failed) {
        err() << failed.message << Qt::endl;
        return 1;
    }
    if (const QString e =
            writeCsv(call->out, table, encoding, KeptFiles{state.databasePath, state.iniPath});
        !e.isEmpty()) {
        err() << e << Qt::endl;
        return 1;
    }
    out() << QStringLiteral("CSV を保存しました: %1（%2 行）")
                 .arg(QDir::toNativeSeparators(call->out))
                 .arg(table.lines.size() - 1)
          << Qt::endl;
    return 0;
}

int printSheet(const QStringList& args, AppState& state) {
    if (args.value(0) == QLatin1String("monthly"))
        return printMonthly(args, state);
    if (args.value(0) == QLatin1String("period"))
        return printPeriod(args, state);
    if (args.value(0) == QLatin1String("attendance"))
        return printAttendance(args, state);
    if (args.value(0) == QLatin1String("annual"))
        return printAnnual(args, state);
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

// The configured database, or the exit code when there is none.
std::optional<int> needDatabase(AppState& state) {
    const IniReadResult ini = INIREAD(state);
    if (!state.databasePath.trimmed().isEmpty())
        return std::nullopt;
    err() << (ini.pathProblem.isEmpty() ? QStringLiteral("データの場所が設定されていません。")
                                        : ini.pathProblem)
          << Qt::endl
          << QStringLiteral(
                 "set-data でデータの場所を登録するか、--ini で設定ファイルを指定してください。")
          << Qt::endl;
    return 1;
}

QString sizeText(qint64 bytes) {
    return QLocale(QLocale::Japanese, QLocale::Japan).toString(bytes) + QStringLiteral(" バイト");
}

void printFacts(const BackupFacts& f, bool tables) {
    out() << QStringLiteral("  大きさ: %1").arg(sizeText(f.size)) << Qt::endl;
    out() << QStringLiteral("  書き込み: %1")
                 .arg(f.written.toString(QStringLiteral("yyyy/MM/dd HH:mm:ss")))
          << Qt::endl;
    out() << QStringLiteral("  日報: %1 件、最初の日 %2、最後の日 %3")
                 .arg(f.dailyRows)
                 .arg(f.firstReport.isValid() ? f.firstReport.toString(QStringLiteral("yyyy/MM/dd"))
                                              : QStringLiteral("なし"),
                      f.lastReport.isValid() ? f.lastReport.toString(QStringLiteral("yyyy/MM/dd"))
                                             : QStringLiteral("なし"))
          << Qt::endl;
    if (tables) {
        for (const auto& [name, rows] : f.tableRows)
            out() << QStringLiteral("    %1: %2 件").arg(name).arg(rows) << Qt::endl;
    }
}

int backup(const QStringList& args, AppState& state) {
    // backup [--out FILE]
    QString target;
    bool toFile = false;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--out") && i + 1 < args.size() && !toFile) {
            target = args[++i];
            toFile = true;
        } else {
            return usageOf("[--ini FILE] backup [--out FILE]");
        }
    }
    if (toFile && target.isEmpty())
        return usageOf("[--ini FILE] backup [--out FILE]");
    if (const auto stop = needDatabase(state))
        return *stop;
    BackupResult result;
    const DbError e = toFile ? backupTo(state.databasePath, target, result)
                             : backupNow(state.databasePath,
                                         backupFolder(state.databasePath, chosenBackupFolder()),
                                         QDateTime(state.today(), QTime::currentTime()), result);
    if (e) {
        err() << e.message << Qt::endl;
        return 1;
    }
    out() << QStringLiteral("バックアップを作成しました: %1")
                 .arg(QDir::toNativeSeparators(result.path))
          << Qt::endl;
    printFacts(result.facts, false);
    for (const QString& removed : result.removed)
        out() << QStringLiteral("古いバックアップを削除しました: %1")
                     .arg(QDir::toNativeSeparators(removed))
              << Qt::endl;
    return 0;
}

int restore(const QStringList& args, AppState& state) {
    // restore FILE [--yes]
    QString file;
    bool yes = false;
    bool haveFile = false;
    for (const QString& a : args) {
        if (a == QLatin1String("--yes") && !yes)
            yes = true;
        else if (!haveFile && !a.startsWith(QLatin1String("--"))) {
            file = a;
            haveFile = true;
        } else
            return usageOf("[--ini FILE] restore FILE [--yes]");
    }
    if (!haveFile || file.isEmpty())
        return usageOf("[--ini FILE] restore FILE [--yes]");
    if (const auto stop = needDatabase(state))
        return *stop;
    const QString folder = backupFolder(state.databasePath, chosenBackupFolder());
    if (!yes) {
        RestorePlan plan;
        if (DbError e = checkRestore(state.databasePath, file, plan)) {
            err() << e.message << Qt::endl;
            return 1;
        }
        out() << QStringLiteral("%1 の内容:").arg(QDir::toNativeSeparators(plan.file.path))
              << Qt::endl;
        printFacts(plan.file, true);
        out() << QStringLiteral("置き換えるデータベース: %1")
                     .arg(QDir::toNativeSeparators(state.databasePath))
              << Qt::endl;
        if (!plan.currentExists)
            out() << QStringLiteral("  （ファイルがありません）") << Qt::endl;
        else if (!plan.currentProblem.isEmpty())
            out() << QStringLiteral("  （読めません: %1）").arg(plan.currentProblem) << Qt::endl;
        else
            printFacts(plan.current, true);
        out() << QStringLiteral("置き換えるには --yes を付けてください。今のデータベースは %1 "
                                "に写してから置き換えます。")
                     .arg(QDir::toNativeSeparators(folder))
              << Qt::endl;
        return 0;
    }
    RestoreResult result;
    if (DbError e = restoreDatabase(state.databasePath, file, folder,
                                    QDateTime(state.today(), QTime::currentTime()), result)) {
        err() << e.message << Qt::endl;
        return 1;
    }
    out() << QStringLiteral("復元しました: %1 ← %2")
                 .arg(QDir::toNativeSeparators(state.databasePath),
                      QDir::toNativeSeparators(QFileInfo(file).absoluteFilePath()))
          << Qt::endl;
    if (!result.replacedCopy.isEmpty())
        out() << QStringLiteral("置き換える前のデータベース: %1")
                     .arg(QDir::toNativeSeparators(result.replacedCopy))
              << Qt::endl;
    printFacts(result.restored, false);
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
        "  vorda [--ini FILE] print annual --year YYYY [--employee CODE] [--out FILE.pdf]\n"
        "                                          個人別年間出勤表を印刷（YYYY に終わる年度）/ "
        "print the annual attendance\n"
        "  vorda [--ini FILE] export attendance|monthly --year YYYY --month M --out FILE.csv "
        "[--utf8]\n"
        "  vorda [--ini FILE] export daily --from YYYY-MM-DD --to YYYY-MM-DD --out FILE.csv "
        "[--utf8]\n"
        "  vorda [--ini FILE] export annual --year YYYY [--employee CODE] --out FILE.csv "
        "[--utf8]\n"
        "                                          数字を CSV に保存（Shift-JIS、--utf8: UTF-8 "
        "BOM付き）/ the figures as CSV\n"
        "  vorda [--ini FILE] purge --until YYYY-MM-DD [--yes]\n"
        "                                          その日（今日まで）までの日報の件数（--yes: "
        "写しを作ってから削除）\n"
        "                                          / count, or back up and delete, daily reports "
        "up to a day\n"
        "  vorda [--ini FILE] backup [--out FILE]  データベースの写しを作ります（既定: "
        "バックアップのフォルダ）\n"
        "                                          / back up the database now\n"
        "  vorda [--ini FILE] restore FILE [--yes] 写しの中身を表示（--yes: 今のデータベースを"
        "写してから置き換え）\n"
        "                                          / check a copy, or put it in the database's "
        "place\n"
        "  vorda [--ini FILE] import-mdb OLD.mdb NEW.db [--set-data]\n"
        "                                          Access "
        "のデータ（VORDA.mdb）を新しいデータベースに"
        "取り込みます\n"
        "                                          （--set-data: データの場所に登録）/ import the "
        "Access file\n"
        "  vorda check-db PATH                     データベースを確認し、表ごとの件数を表示します\n"
        "                                          / check a database and count its rows\n"
        "  vorda copy-db FROM TO                   データを丸ごと新しいファイルか空のサーバーの\n"
        "                                          データベースに写し、件数と中身を照合します\n"
        "                                          / copy a whole firm between a file and a "
        "server\n"
        "  PATH, FROM, TO: ファイル、または postgresql://ユーザー@ホスト[:ポート]/データベース\n"
        "  --ini FILE   vorda.INI の代わりに使う設定ファイル / another configuration file\n");
}

int runSubcommand(const QStringList& args, AppState& state) {
    const QString command = args.value(0);
    const QStringList rest = args.mid(1);
    if (command == QLatin1String("init-db"))
        return initDb(rest);
    if (command == QLatin1String("check-db"))
        return checkDb(rest);
    if (command == QLatin1String("copy-db"))
        return copyDb(rest);
    if (command == QLatin1String("set-data"))
        return setData(rest, state);
    if (command == QLatin1String("print"))
        return printSheet(rest, state);
    if (command == QLatin1String("import-mdb"))
        return importMdbFile(rest, state);
    if (command == QLatin1String("purge"))
        return purge(rest, state);
    if (command == QLatin1String("export"))
        return exportSheet(rest, state);
    if (command == QLatin1String("backup"))
        return backup(rest, state);
    if (command == QLatin1String("restore"))
        return restore(rest, state);
    if (command == QLatin1String("--help") || command == QLatin1String("-h")) {
        out() << usageText() << Qt::flush;
        return 0;
    }
    err() << QStringLiteral("知らないコマンドです: %1").arg(command) << Qt::endl;
    return usage();
}

} // namespace vorda
