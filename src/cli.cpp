#include "cli.h"

#include "core/app/app_state.h"
#include "core/app/name_caches.h"
#include "core/data/new_database.h"
#include "core/data/schema.h"
#include "core/reports/attendance_sheet.h"
#include "core/reports/daily_report.h"
#include "core/reports/pdf_output.h"
#include "ui/reports/print_output.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QTextStream>
#include <cstdio>

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

// Options of a print command, each with its value; false for anything else.
bool takeOptions(const QStringList& args, QHash<QString, QString>& values) {
    for (int i = 1; i < args.size(); ++i) {
        if (!values.contains(args[i]) || i + 1 >= args.size())
            return false;
        values[args[i]] = args[i + 1];
        ++i;
    }
    return true;
}

// To the PDF file when one is named, otherwise to the default printer.
int outputSheets(const QString& out, const DrawSheets& draw) {
    const QString failure = out.isEmpty() ? printToDefaultPrinter(draw) : printToPdf(out, draw);
    if (!failure.isEmpty()) {
        err() << failure << Qt::endl;
        return 1;
    }
    return 0;
}

int printAttendance(const QStringList& args, AppState& state) {
    // print attendance --year YYYY --month M [--out FILE.pdf]
    QHash<QString, QString> o{{"--year", {}}, {"--month", {}}, {"--out", {}}};
    if (!takeOptions(args, o))
        return usage();
    const auto month = attendanceMonth(o["--year"], o["--month"]);
    if (!month) {
        err() << QStringLiteral("年月に誤りがあります。（--year YYYY --month M で指定してください: %1 %2）")
                     .arg(o["--year"], o["--month"])
              << Qt::endl;
        return 2;
    }
    INIREAD(state);
    EraValues era;
    AttendanceSheetData data;
    if (DbError e = readAttendanceSheet(state.databasePath, month->year(), month->month(), o["--month"], era, data)) {
        err() << e.message << Qt::endl;
        return 1;
    }
    const PageScale scale{state.paperCode, state.orientationCode, state.positionScale, state.fontScale};
    return outputSheets(o["--out"], [&](Printer& p) { drawAttendanceSheet(p, scale, data); });
}

int printSheet(const QStringList& args, AppState& state) {
    if (args.value(0) == QLatin1String("attendance"))
        return printAttendance(args, state);
    // print daily --date YYYY-MM-DD [--out FILE.pdf]
    if (args.value(0) != QLatin1String("daily"))
        return usage();
    QHash<QString, QString> o{{"--date", {}}, {"--out", {}}};
    if (!takeOptions(args, o))
        return usage();
    const QString dateText = o["--date"];
    const QString out = o["--out"];
    const QDate date = QDate::fromString(dateText, QStringLiteral("yyyy-MM-dd"));
    if (!date.isValid()) {
        err() << QStringLiteral("日付に誤りがあります。（YYYY-MM-DD で指定してください: %1）").arg(dateText) << Qt::endl;
        return 2;
    }
    INIREAD(state);
    EraValues era;
    DayModel model;
    DailyReportData data;
    if (DbError e = readDailyReport(state.databasePath, date, era, model, data)) {
        err() << e.message << Qt::endl;
        return 1;
    }
    const PageScale scale{state.paperCode, state.orientationCode, state.positionScale, state.fontScale};
    return outputSheets(out, [&](Printer& p) { drawDailyReport(p, scale, data); });
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
        "  vorda [--ini FILE] print attendance --year YYYY --month M [--out FILE.pdf]\n"
        "                                          月別出勤表を印刷 / print the monthly attendance sheet\n"
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
    if (command == QLatin1String("--help") || command == QLatin1String("-h")) {
        out() << usageText() << Qt::flush;
        return 0;
    }
    err() << QStringLiteral("知らないコマンドです: %1").arg(command) << Qt::endl;
    return usage();
}

} // namespace vorda
