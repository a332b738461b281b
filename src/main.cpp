// The vorda executable: the desktop program, or one of its command-line subcommands.

#include "cli.h"
#include "core/app/app_state.h"
#include "core/data/backup.h"
#include "core/data/database.h"
#include "ui/app/frame_window.h"
#include "ui/app/password_question.h"
#include "ui/app/screenshot_tour.h"
#include "ui/app/ui_support.h"

#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QTextStream>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <functional>
#include <termios.h>
#include <unistd.h>

namespace {

// --ini FILE is taken out of the arguments wherever it stands; an empty name is refused
// rather than taken for the vorda.INI beside the program.
bool takeIniOption(QStringList& args, QString& iniPath) {
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--ini")) {
            if (i + 1 >= args.size())
                return false;
            iniPath = args[i + 1];
            args.remove(i, 2);
            return !iniPath.isEmpty();
        }
        if (args[i].startsWith(QLatin1String("--ini="))) {
            iniPath = args[i].mid(6);
            args.removeAt(i);
            return !iniPath.isEmpty();
        }
    }
    return true;
}

// Subcommands talk to the user in Japanese on stderr themselves; Qt's own notes (a missing
// XDG_RUNTIME_DIR, a font fallback, a plugin's remark) are English and mean nothing to a
// clerk, so they are dropped. A fatal one still ends the program, with a line they can read.
void quietQtMessages(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type != QtFatalMsg)
        return;
    std::fprintf(stderr, "内部エラーのため終了します。（%s）\n", text.toLocal8Bit().constData());
}

// One copy of each database a day, before its first write, into the backup folder.
void installDailyBackup(vorda::AppState& state,
                        std::function<void(const QString&, const QString&, const QString&)> said) {
    vorda::DailyBackupPolicy policy;
    policy.now = [&state] { return QDateTime(state.today(), QTime::currentTime()); };
    policy.folder = [](const QString& databasePath) {
        return vorda::backupFolder(databasePath, vorda::chosenBackupFolder());
    };
    policy.report = [said](const QString& databasePath, const QString& copy,
                           const vorda::DbError& error) {
        said(databasePath, copy, error.message);
    };
    vorda::setDailyBackupPolicy(policy);
}

// The terminal's settings while a password is typed unseen, for a Ctrl+C meanwhile: the
// terminal is given back as it was, then the program ends as it would have.
termios terminalBefore;

void restoreTerminalAndEnd(int signal) {
    ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &terminalBefore);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

// A server's password asked on the terminal, the typed text not shown. Without a terminal
// (a script, a scheduled job) there is nobody to ask: libpq's own means (PGPASSWORD,
// ~/.pgpass) give it or the connection is refused with its message.
QString askPasswordOnTerminal(const QString& location, const QString& user, bool again) {
    if (!::isatty(STDIN_FILENO))
        return QString();
    {
        QTextStream err(stderr);
        if (again)
            err << QStringLiteral("パスワードが違います。\n");
        err << QStringLiteral("サーバー %1 のユーザー %2 のパスワード: ").arg(location, user);
    }
    const bool hidden = ::tcgetattr(STDIN_FILENO, &terminalBefore) == 0;
    auto* const interrupted = std::signal(SIGINT, restoreTerminalAndEnd);
    if (hidden) {
        termios quiet = terminalBefore;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    char line[1024] = {};
    const bool read = std::fgets(line, sizeof line, stdin) != nullptr;
    if (hidden)
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &terminalBefore);
    std::signal(SIGINT, interrupted);
    std::fputc('\n', stderr);
    QString password = read ? QString::fromLocal8Bit(line) : QString();
    std::memset(line, 0, sizeof line);
    while (password.endsWith(u'\n') || password.endsWith(u'\r'))
        password.chop(1);
    return password;
}

bool haveDisplay() {
    return !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

} // namespace

int main(int argc, char* argv[]) {
    // A file-size limit makes a write fail with an error we report, instead of a signal that
    // ends the program without a word and leaves a half-written copy behind.
    std::signal(SIGXFSZ, SIG_IGN);
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);

    vorda::AppState state;
    QString iniPath;
    if (!takeIniOption(args, iniPath)) {
        QTextStream(stderr) << QStringLiteral(
            "--ini には設定ファイルの名前を指定してください。（使い方: vorda --help）\n");
        return 2;
    }

    // The documentation's screenshot walk is a GUI run, not a subcommand.
    const bool screenshots = args.removeAll(QStringLiteral("--screenshots")) > 0;
    // Qt takes its own options (-platform, -style, ...) out of the arguments it is given: it
    // gets the program's name only, so no value of ours (--ini -platform) is read as one of them.
    int qtArgc = 1;
    char* qtArgv[] = {argv[0], nullptr};
    if (!args.isEmpty() && args.first() == QLatin1String("print")) {
        qInstallMessageHandler(quietQtMessages);
        // Sheets need fonts, not a screen: they are always drawn offscreen, so neither a
        // display that cannot be reached nor a platform that is not installed stops a print.
        qputenv("QT_QPA_PLATFORM", "offscreen");
        QGuiApplication app(qtArgc, qtArgv);
        vorda::Database::setPasswordSource(askPasswordOnTerminal);
        state.iniPath = iniPath.isEmpty()
                            ? vorda::defaultIniPath(QCoreApplication::applicationDirPath())
                            : iniPath;
        return vorda::runSubcommand(args, state);
    }
    if (!args.isEmpty()) {
        qInstallMessageHandler(quietQtMessages);
        QCoreApplication app(qtArgc, qtArgv);
        vorda::Database::setPasswordSource(askPasswordOnTerminal);
        installDailyBackup(state, [](const QString&, const QString&, const QString& error) {
            if (!error.isEmpty())
                QTextStream(stderr)
                    << QStringLiteral("自動バックアップを作成できませんでした。%1\n").arg(error);
        });
        state.iniPath = iniPath.isEmpty()
                            ? vorda::defaultIniPath(QCoreApplication::applicationDirPath())
                            : iniPath;
        return vorda::runSubcommand(args, state);
    }

    if (!haveDisplay()) {
        std::fputs(
            "画面がありません (no display): run it under Xvfb, e.g. `xvfb-run -a make run`.\n",
            stderr);
        return 2;
    }

    QApplication app(qtArgc, qtArgv);
    vorda::ui::installJapanese(app);
    // A server that wants a password libpq's own means do not give: asked once a session.
    vorda::Database::setPasswordSource(vorda::ui::askServerPassword);

    state.iniPath =
        iniPath.isEmpty() ? vorda::defaultIniPath(QCoreApplication::applicationDirPath()) : iniPath;
    // Print defaults stand until vorda.INI overwrites them.
    state.paperCode = 12;
    state.orientationCode = 2;
    const vorda::IniReadResult ini = vorda::INIREAD(state);

    vorda::FrameWindow frame(state);
    installDailyBackup(
        state, [&frame](const QString& databasePath, const QString& copy, const QString& error) {
            frame.backupReported(databasePath, copy, error);
        });
    frame.showAtStart();
    frame.start(ini);
    if (screenshots)
        vorda::runScreenshotTour(
            frame, qEnvironmentVariable("VORDA_SHOT_DIR", QStringLiteral("screenshots")));
    return app.exec();
}
