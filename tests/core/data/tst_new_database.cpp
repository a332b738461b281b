// New files: the rows a new firm needs, and the sample firm for trying every sheet.

#include "core/app/app_state.h"
#include "core/data/daily_record.h"
#include "core/data/database.h"
#include "core/data/new_database.h"
#include "core/data/schema.h"
#include "core/data/values.h"
#include "support/files.h"
#include "support/temp_database.h"

#include <algorithm>

#include <QProcess>
#include <QSet>
#include <QTest>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace vorda;

class TestNewDatabase : public QObject {
    Q_OBJECT
    QTemporaryDir firm; // a sample firm, its vorda.INI and the odd things an output may meet

    QString at(const QString& name) const { return firm.filePath(name); }

private slots:
    void initTestCase() {
        const QString exe = qEnvironmentVariable("VORDA_EXE");
        if (exe.isEmpty())
            return;
        QProcess p;
        p.start(exe, {QStringLiteral("init-db"), at(QStringLiteral("VORDA.db")),
                      QStringLiteral("--demo")});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 0);
        QVERIFY(test::writeFile(at(QStringLiteral("vorda.INI")),
                                QFile::encodeName(at(QStringLiteral("VORDA.db"))) +
                                    "\r\n\r\n 12 \r\n 2 \r\n"));
        QVERIFY(QFile::link(at(QStringLiteral("vorda.INI")), at(QStringLiteral("link.INI"))));
        QCOMPARE(::link(QFile::encodeName(at(QStringLiteral("VORDA.db"))).constData(),
                        QFile::encodeName(at(QStringLiteral("hard.db"))).constData()),
                 0);
        QCOMPARE(mkfifo(QFile::encodeName(at(QStringLiteral("pipe"))).constData(), 0600), 0);
        QVERIFY(QDir(firm.path()).mkdir(QStringLiteral("folder.pdf")));
        QVERIFY(test::writeFile(at(QStringLiteral("binary.INI")),
                                QByteArray("\x7f"
                                           "ELF\x02\x01\0\0\0\0\r\n 12 \r\n",
                                           15)));
        // A path line saved as UTF-8: both a folder that fails as Shift-JIS and one that reads
        // as other characters.
        QVERIFY(test::writeFile(at(QStringLiteral("utf8.INI")),
                                at(QStringLiteral("データ/VORDA.db")).toUtf8() +
                                    "\r\n\r\n 12 \r\n 2 \r\n"));
        QVERIFY(test::writeFile(at(QStringLiteral("utf8-kanji.INI")),
                                at(QStringLiteral("日報/VORDA.db")).toUtf8() +
                                    "\r\n\r\n 12 \r\n 2 \r\n"));
        QVERIFY(test::writeFile(at(QStringLiteral("blank.INI")), "\r\n\r\n 12 \r\n 2 \r\n"));
    }

    // What a print is refused, and how: the exit code, the reason in Japanese on stderr (no
    // line of Qt's English), the database and vorda.INI untouched, nothing written.
    void printRefusals_data() {
        QTest::addColumn<QStringList>("args"); // {DIR} stands for the firm's folder
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("says");
        QTest::addColumn<int>("fileSizeLimit"); // bytes; 0 for none
        const QString ini = QStringLiteral("{DIR}/vorda.INI");
        auto daily = [&](const QString& out) {
            return QStringList{QStringLiteral("--ini"),  ini,
                               QStringLiteral("print"),  QStringLiteral("daily"),
                               QStringLiteral("--date"), QStringLiteral("2024-06-14"),
                               QStringLiteral("--out"),  out};
        };
        auto withIni = [](const QString& file) {
            return QStringList{QStringLiteral("--ini"),   QStringLiteral("{DIR}/") + file,
                               QStringLiteral("print"),   QStringLiteral("monthly"),
                               QStringLiteral("--year"),  QStringLiteral("2024"),
                               QStringLiteral("--month"), QStringLiteral("6"),
                               QStringLiteral("--out"),   QStringLiteral("{DIR}/m.pdf")};
        };
        const QString database = QStringLiteral("データベースのファイルです");
        QTest::newRow("the INI in use") << daily(ini) << 2 << QStringLiteral("設定ファイル") << 0;
        QTest::newRow("a link to the INI")
            << daily(QStringLiteral("{DIR}/link.INI")) << 2 << QStringLiteral("設定ファイル") << 0;
        QTest::newRow("the database")
            << daily(QStringLiteral("{DIR}/sub/../VORDA.db")) << 2 << database << 0;
        QTest::newRow("a hard link to the database")
            << daily(QStringLiteral("{DIR}/hard.db")) << 2 << database << 0;
        QTest::newRow("its journal")
            << daily(QStringLiteral("{DIR}/VORDA.db-journal")) << 2 << database << 0;
        QTest::newRow("a folder") << daily(QStringLiteral("{DIR}/folder.pdf")) << 2
                                  << QStringLiteral("フォルダ") << 0;
        QTest::newRow("a pipe") << daily(QStringLiteral("{DIR}/pipe")) << 2
                                << QStringLiteral("普通のファイルではありません") << 0;
        QTest::newRow("a device") << daily(QStringLiteral("/dev/null")) << 2
                                  << QStringLiteral("普通のファイルではありません") << 0;
        QTest::newRow("an empty name")
            << daily(QString()) << 2 << QStringLiteral("ファイル名が空") << 0;
        QTest::newRow("a full disk") << daily(QStringLiteral("{DIR}/full.pdf")) << 1
                                     << QStringLiteral("書き込めませんでした") << 4096;
        QTest::newRow("a negative year")
            << QStringList{QStringLiteral("--ini"),  ini,
                           QStringLiteral("print"),  QStringLiteral("daily"),
                           QStringLiteral("--date"), QStringLiteral("-2026-11-04"),
                           QStringLiteral("--out"),  QStringLiteral("{DIR}/d.pdf")}
            << 2 << QStringLiteral("日付に誤り") << 0;
        QTest::newRow("a five-digit year")
            << QStringList{QStringLiteral("--ini"),  ini,
                           QStringLiteral("print"),  QStringLiteral("daily"),
                           QStringLiteral("--date"), QStringLiteral("12024-06-14"),
                           QStringLiteral("--out"),  QStringLiteral("{DIR}/d.pdf")}
            << 2 << QStringLiteral("日付に誤り") << 0;
        QTest::newRow("a Qt option as the date")
            << QStringList{QStringLiteral("print"),  QStringLiteral("daily"),
                           QStringLiteral("--date"), QStringLiteral("-platform"),
                           QStringLiteral("--out"),  QStringLiteral("{DIR}/d.pdf")}
            << 2 << QStringLiteral("日付に誤り") << 0;
        QTest::newRow("a two-digit year")
            << QStringList{QStringLiteral("--ini"),   ini,
                           QStringLiteral("print"),   QStringLiteral("monthly"),
                           QStringLiteral("--year"),  QStringLiteral("24"),
                           QStringLiteral("--month"), QStringLiteral("6"),
                           QStringLiteral("--out"),   QStringLiteral("{DIR}/m.pdf")}
            << 2 << QStringLiteral("年月に誤り") << 0;
        QTest::newRow("a negative year of attendance")
            << QStringList{QStringLiteral("--ini"),   ini,
                           QStringLiteral("print"),   QStringLiteral("attendance"),
                           QStringLiteral("--year"),  QStringLiteral("-2024"),
                           QStringLiteral("--month"), QStringLiteral("6"),
                           QStringLiteral("--out"),   QStringLiteral("{DIR}/m.pdf")}
            << 2 << QStringLiteral("年月に誤り") << 0;
        QTest::newRow("an empty INI name")
            << QStringList{QStringLiteral("--ini"),  QString(),
                           QStringLiteral("print"),  QStringLiteral("daily"),
                           QStringLiteral("--date"), QStringLiteral("2024-06-14"),
                           QStringLiteral("--out"),  QStringLiteral("{DIR}/d.pdf")}
            << 2 << QStringLiteral("--ini には設定ファイルの名前") << 0;
        QTest::newRow("a missing INI") << withIni(QStringLiteral("none.INI")) << 1
                                       << QStringLiteral("none.INI がありません") << 0;
        QTest::newRow("a binary INI")
            << withIni(QStringLiteral("binary.INI")) << 1
            << QStringLiteral("binary.INI は vorda.INI の形ではありません") << 0;
        QTest::newRow("a UTF-8 INI")
            << withIni(QStringLiteral("utf8.INI")) << 1
            << QStringLiteral("utf8.INI の 1 行目（データの場所）が UTF-8") << 0;
        QTest::newRow("a UTF-8 INI read as kana")
            << withIni(QStringLiteral("utf8-kanji.INI")) << 1 << QStringLiteral("UTF-8") << 0;
        const auto command = [&](const QStringList& args) {
            return QStringList{QStringLiteral("--ini"), ini} + args;
        };
        QTest::newRow("restore of a text file")
            << command({"restore", "{DIR}/binary.INI", "--yes"}) << 1
            << QStringLiteral("VORDAのデータベースではありません") << 0;
        QTest::newRow("restore of the database under another name")
            << command({"restore", "{DIR}/hard.db", "--yes"}) << 1 << QStringLiteral("そのもの")
            << 0;
        QTest::newRow("restore of a pipe") << command({"restore", "{DIR}/pipe"}) << 1
                                           << QStringLiteral("普通のファイルではありません") << 0;
        QTest::newRow("restore without a file")
            << command({"restore", "--yes"}) << 2 << QStringLiteral("使い方") << 0;
        QTest::newRow("restore with an unknown option")
            << command({"restore", "{DIR}/hard.db", "--force"}) << 2 << QStringLiteral("使い方")
            << 0;
        QTest::newRow("backup over a file") << command({"backup", "--out", "{DIR}/binary.INI"}) << 1
                                            << QStringLiteral("すでにあります") << 0;
        QTest::newRow("backup without a name")
            << command({"backup", "--out"}) << 2 << QStringLiteral("使い方") << 0;
        QTest::newRow("backup to a full disk")
            << command({"backup", "--out", "{DIR}/full.db"}) << 1
            << QStringLiteral("バックアップを作成できませんでした") << 8192;
        QTest::newRow("an INI without a path")
            << withIni(QStringLiteral("blank.INI")) << 1
            << QStringLiteral("blank.INI の 1 行目（データの場所）が空です") << 0;
    }
    void printRefusals() {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, says);
        QFETCH(int, fileSizeLimit);
        const QString exe = qEnvironmentVariable("VORDA_EXE");
        if (exe.isEmpty())
            QSKIP("VORDA_EXE is not set");
        args.replaceInStrings(QStringLiteral("{DIR}"), firm.path());
        const QByteArray database = test::fileHash(at(QStringLiteral("VORDA.db")));
        const QByteArray ini = test::fileHash(at(QStringLiteral("vorda.INI")));
        const QStringList before =
            QDir(firm.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System);

        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("XDG_RUNTIME_DIR")); // as on a server, where Qt complains of it
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(firm.path());
        if (fileSizeLimit > 0) {
            p.setChildProcessModifier([fileSizeLimit] {
                std::signal(SIGXFSZ, SIG_IGN);
                const rlimit r{rlim_t(fileSizeLimit), rlim_t(fileSizeLimit)};
                setrlimit(RLIMIT_FSIZE, &r);
            });
        }
        p.start(exe, args);
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        const QString stderrText = QString::fromUtf8(p.readAllStandardError());
        QVERIFY2(p.exitCode() == exitCode,
                 qPrintable(QString::number(p.exitCode()) + u' ' + stderrText));
        QVERIFY2(stderrText.contains(says), qPrintable(stderrText));
        for (const QString& line : stderrText.split(u'\n', Qt::SkipEmptyParts)) {
            const bool japanese =
                std::any_of(line.cbegin(), line.cend(), [](QChar c) { return c.unicode() > 0x7F; });
            QVERIFY2(japanese, qPrintable(line));
        }
        QCOMPARE(test::fileHash(at(QStringLiteral("VORDA.db"))), database);
        QCOMPARE(test::fileHash(at(QStringLiteral("vorda.INI"))), ini);
        QCOMPARE(
            QDir(firm.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System),
            before);
        QVERIFY(QFileInfo(at(QStringLiteral("link.INI"))).isSymLink());
    }

    // No value of ours is read as one of Qt's options, and a print to PDF says nothing of Qt's.
    void qtOptionsAreOurValues() {
        const QString exe = qEnvironmentVariable("VORDA_EXE");
        if (exe.isEmpty())
            QSKIP("VORDA_EXE is not set");
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(firm.path());
        p.start(exe,
                {QStringLiteral("--ini"), at(QStringLiteral("vorda.INI")), QStringLiteral("print"),
                 QStringLiteral("daily"), QStringLiteral("--out"), QStringLiteral("-platform"),
                 QStringLiteral("--date"), QStringLiteral("2024-06-14")});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 0);
        QCOMPARE(QString::fromUtf8(p.readAllStandardError()), QString());
        QVERIFY(test::readFile(at(QStringLiteral("-platform"))).startsWith("%PDF"));
        QVERIFY(QFile::remove(at(QStringLiteral("-platform"))));
    }

    void newFirmRows() {
        test::TempDatabase t;
        QVERIFY2(t.ok(), qPrintable(t.message()));
        Database db;
        VORDA_OPEN(db, t.path());

        std::vector<Row> marks;
        QVERIFY(!db.selectAll(table::StaffMarks, marks));
        QHash<QString, int> kinds;
        QSet<int> kindsSeen;
        for (const Row& r : marks) {
            QVERIFY(!r.values[mark::Description].toString().isEmpty());
            QVERIFY(!r.values[mark::Caption].toString().isEmpty());
            kinds.insert(r.values[mark::Mark].toString(), r.values[mark::Kind].toInt());
            kindsSeen.insert(r.values[mark::Kind].toInt());
        }
        QVERIFY(marks.size() <= 31);
        QCOMPARE(kinds.value(QStringLiteral("休")), 4);
        for (const char16_t* m : {u"☆", u"◇", u"▽"})
            QVERIFY(kinds.contains(QString::fromUtf16(m)));
        QVERIFY(kindsSeen.contains(1) && kindsSeen.contains(2) && kindsSeen.contains(3));

        std::vector<Row> rows;
        QVERIFY(!db.selectAll(table::TradeName, rows));
        QCOMPARE(rows.size(), std::size_t(1));

        QVERIFY(!db.select(table::System, {{sys::Key, Condition::Op::Eq, 1}}, rows));
        QCOMPARE(rows.size(), std::size_t(1));
        const QVariantList& s = rows[0].values;
        QCOMPARE(s[sys::MonthlyClosingDay].toInt(), 31);
        QCOMPARE(s[sys::AttendanceClosingDay].toInt(), 31);
        QCOMPARE(s[sys::YearEnd].toString(), QStringLiteral("3/31"));
        QCOMPARE(s[sys::EraName].toString(), QStringLiteral("令和"));
        QCOMPARE(s[sys::EraOffset].toInt(), 2018);
        QVERIFY(!s[sys::StartOfWork].toString().isEmpty());

        qint64 n = 0;
        QVERIFY(!db.count(table::WeatherWords, {}, n));
        QVERIFY(n >= 3);
        QVERIFY(!db.count(table::DailyReport, {}, n));
        QCOMPARE(n, 0);
        QVERIFY(!db.count(table::Employees, {}, n));
        QCOMPARE(n, 0);
    }

    void sampleFirmShowsSomethingEverywhere() {
        const QDate today(2024, 6, 14);
        test::TempDatabase t(true, today);
        QVERIFY2(t.ok(), qPrintable(t.message()));
        Database db;
        VORDA_OPEN(db, t.path());
        qint64 employees = 0, vehicles = 0, projects = 0;
        QVERIFY(!db.count(table::Employees, {}, employees));
        QVERIFY(!db.count(table::Vehicles, {}, vehicles));
        QVERIFY(!db.count(table::Projects, {}, projects));
        QCOMPARE(employees, 15);
        QCOMPARE(vehicles, 8);
        QCOMPARE(projects, 25);
        // The period list finds a project by its name: no two share one.
        std::vector<Row> projectRows;
        QVERIFY(!db.selectAll(table::Projects, projectRows));
        QSet<QString> names;
        for (const Row& r : projectRows)
            names.insert(r.values[proj::Name].toString());
        QCOMPARE(names.size(), 25);

        std::vector<Row> rows;
        QVERIFY(!db.selectAll(table::DailyReport, rows));
        QVERIFY(rows.size() > 200);
        QDate first = today, last;
        QSet<QString> marksUsed;
        QHash<QString, int> perDay;
        bool night = false, guards = false, spot = false, extra = false, vehicle = false;
        for (const Row& r : rows) {
            const QDate d = fromDbDate(r.values[rec::Date]);
            QVERIFY(d.isValid());
            first = std::min(first, d);
            last = std::max(last, d);
            ++perDay[r.values[rec::Date].toString()];
            DayModel day;
            rowToSlot(r.values, day, 0);
            QVERIFY(!day.groups[0].jobName.isEmpty());
            QVERIFY(!r.values[rec::Weather].toString().isEmpty());
            for (int j = 0; j < 2; ++j) {
                for (int c = 0; c < kStaffColumns; ++c) {
                    if (!day.lines[j].staff[c].isEmpty())
                        marksUsed.insert(day.lines[j].staff[c]);
                }
                guards |= day.lines[j].guards[0] + day.lines[j].guards[1] > 0;
                for (int v = 0; v < kVehicleColumns; ++v)
                    vehicle |= day.lines[j].vehicles[v] > 0;
            }
            night |= day.groups[0].nightFlag == 1;
            spot |= day.groups[0].spotCount[0] + day.groups[0].spotCount[1] > 0;
            extra |= day.groups[0].extraCount[0] + day.groups[0].extraCount[1] > 0 &&
                     !day.extraCaption.isEmpty();
        }
        QCOMPARE(last, today);
        QVERIFY(first >= today.addMonths(-3));
        QVERIFY(night && guards && spot && extra && vehicle);
        for (const QString& d : perDay.keys())
            QVERIFY(perDay[d] <= kGroupsPerDay);
        // Every mark of the list appears somewhere.
        std::vector<Row> marks;
        QVERIFY(!db.selectAll(table::StaffMarks, marks));
        for (const Row& m : marks)
            QVERIFY2(marksUsed.contains(m.values[mark::Mark].toString()),
                     qPrintable(m.values[mark::Mark].toString()));

        // Weather for every working day, one row per date.
        qint64 weatherRows = 0;
        QVERIFY(!db.count(table::Weather, {}, weatherRows));
        QCOMPARE(weatherRows, qint64(perDay.size()));

        // Balances as the saves would have left them.
        std::vector<Row> staff;
        QVERIFY(!db.selectAll(table::Employees, staff));
        for (int c = 0; c < int(staff.size()); ++c) {
            int off = 0;
            for (const Row& r : rows)
                off += r.values[rec::ActualStaff + c].toString() == QStringLiteral("休") ? 1 : 0;
            QCOMPARE(staff[c].values[emp::DaysOffLeft].toInt(), 20 - off);
        }
    }

    void failedCreationLeavesNoFile() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("なし/VORDA.db"));
        QCOMPARE(createDatabase(path, {}).kind, DbErrorKind::FolderMissing);
        QVERIFY(!QFileInfo::exists(path));
    }

    void commandLine() {
        const QString exe = qEnvironmentVariable("VORDA_EXE");
        if (exe.isEmpty())
            QSKIP("VORDA_EXE is not set");
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("見本.db"));
        QProcess p;
        p.start(exe, {QStringLiteral("init-db"), path, QStringLiteral("--demo")});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 0);
        Database db;
        VORDA_OPEN(db, path);

        // A second run refuses to overwrite.
        p.start(exe, {QStringLiteral("init-db"), path});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 1);
        QVERIFY(QString::fromUtf8(p.readAllStandardError()).contains(QStringLiteral("上書き")));

        // set-data registers the path and keeps the other lines of vorda.INI.
        const QString ini = dir.filePath(QStringLiteral("vorda.INI"));
        {
            QFile f(ini);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("old\r\nkeep\r\n 9 \r\n 1 \r\n");
        }
        p.start(exe, {QStringLiteral("--ini"), ini, QStringLiteral("set-data"), path});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 0);
        AppState s;
        s.iniPath = ini;
        INIREAD(s);
        QCOMPARE(s.databasePath, path);
        QCOMPARE(s.secondValue, QStringLiteral("keep"));
        QCOMPARE(s.paperCode, qint16(9));

        // A file that is not a database is not registered.
        const QString text = dir.filePath(QStringLiteral("memo.txt"));
        {
            QFile f(text);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("memo");
        }
        p.start(exe, {QStringLiteral("--ini"), ini, QStringLiteral("set-data"), text});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 1);
        INIREAD(s);
        QCOMPARE(s.databasePath, path);

        // Neither an INI nor a PDF is ever written over a database; check-db reads it whole.
        const QByteArray database = test::fileHash(path);
        const QList<QStringList> overDatabase = {
            {QStringLiteral("--ini"), path, QStringLiteral("set-data"), path},
            {QStringLiteral("--ini"), ini, QStringLiteral("print"), QStringLiteral("daily"),
             QStringLiteral("--date"), QStringLiteral("2024-06-14"), QStringLiteral("--out"), path},
        };
        for (const QStringList& args : overDatabase) {
            p.start(exe, args);
            QVERIFY(p.waitForFinished(60000));
            QCOMPARE(p.exitCode(), 2);
            QVERIFY(QString::fromUtf8(p.readAllStandardError())
                        .contains(QStringLiteral("データベースのファイルです")));
            QCOMPARE(test::fileHash(path), database);
        }
        p.start(exe, {QStringLiteral("check-db"), path});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 0);

        // backup and restore, with the user's settings of this test only.
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
        p.setProcessEnvironment(env);
        const auto run = [&](const QStringList& args, QString& output) {
            p.start(exe, QStringList{QStringLiteral("--ini"), ini} + args);
            p.waitForFinished(60000);
            output = QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
            return p.exitCode();
        };
        qint64 rows = 0;
        QVERIFY(!db.count(table::DailyReport, {}, rows));
        QString output;
        QCOMPARE(run({QStringLiteral("backup")}, output), 0);
        const QString folder = dir.filePath(QStringLiteral("バックアップ"));
        const QStringList copies = QDir(folder).entryList({QStringLiteral("見本_*.db")});
        QCOMPARE(copies.size(), 1);
        QVERIFY2(output.contains(QDir(folder).filePath(copies[0])) &&
                     output.contains(QStringLiteral("日報: %1 件").arg(rows)),
                 qPrintable(output));
        QVERIFY(!db.exec(QStringLiteral("DELETE FROM \"VORDA工事\"")));
        const QByteArray emptied = test::fileHash(path);
        QCOMPARE(run({QStringLiteral("restore"), QDir(folder).filePath(copies[0])}, output), 0);
        QVERIFY2(output.contains(QStringLiteral("VORDA工事: %1 件").arg(rows)) &&
                     output.contains(QStringLiteral("VORDA工事: 0 件")) &&
                     output.contains(QStringLiteral("--yes")),
                 qPrintable(output));
        QCOMPARE(test::fileHash(path), emptied);
        QCOMPARE(run({QStringLiteral("restore"), QDir(folder).filePath(copies[0]),
                      QStringLiteral("--yes")},
                     output),
                 0);
        qint64 restored = 0;
        QVERIFY(!db.count(table::DailyReport, {}, restored));
        QCOMPARE(restored, rows);
        QCOMPARE(QDir(folder).entryList({QStringLiteral("見本_*.db")}).size(), 2);

        // A damaged file: check-db names the newest good copy and the command that restores it.
        QByteArray bytes = test::readFile(path);
        for (int i = 12 * 4096; i < 30 * 4096 && i < bytes.size(); ++i)
            bytes[i] = char(0x55);
        QVERIFY(test::writeFile(path, bytes));
        p.start(exe, {QStringLiteral("check-db"), path});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 1);
        const QString said = QString::fromUtf8(p.readAllStandardError());
        const QString newest =
            QDir(folder).entryList({QStringLiteral("見本_*.db")}, QDir::Files, QDir::Name).last();
        QVERIFY2(said.contains(QStringLiteral("壊れています")) &&
                     said.contains(QDir(folder).filePath(newest)) &&
                     said.contains(QStringLiteral("vorda restore")),
                 qPrintable(said));
    }
};

QTEST_GUILESS_MAIN(TestNewDatabase)
#include "tst_new_database.moc"
