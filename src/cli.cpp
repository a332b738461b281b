#include "cli.h"

#include "core/app/app_state.h"
#include "core/app/file_output.h"
#include "core/app/name_caches.h"
#include "core/data/new_database.h"
#include "core/data/schema.h"
#include "core/reports/daily_report.h"
#include "core/reports/pdf_output.h"
#include "ui/reports/print_output.h"

#include <QDir>
#include <QFileInfo>
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

int printSheet(const QStringList& args, AppState& state) {
    // print daily --date YYYY-MM-DD [--out FILE.pdf]
    if (args.value(0) != QLatin1String("daily"))
        return usage();
    QString dateText;
    QString out;
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--date") && i + 1 < args.size())
            dateText = args[++i];
        else if (args[i] == QLatin1String("--out") && i + 1 < args.size())
            out = args[++i];
        else
            return usage();
    }
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
    const PageScale scale{state.paperCode, state.orientationCode, state.positionScale, state.fontScale};
    const DrawSheets draw = [&](Printer& p) { drawDailyReport(p, scale, data); };
    const QString failure = out.isEmpty() ? printToDefaultPrinter(draw) : printToPdf(out, draw, state.databasePath);
    if (!failure.isEmpty()) {
        err() << failure << Qt::endl;
        return 1;
    }
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
