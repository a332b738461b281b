// vorda.INI: reading, writing and the scale factors derived from it.

#include "core/app/app_state.h"
#include "core/app/file_output.h"
#include "core/app/ini_file.h"
#include "support/files.h"

#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>

using namespace vorda;

namespace {

QByteArray sjis(const QString& text) {
    QStringEncoder enc("windows-31j");
    return enc.encode(text);
}

} // namespace

class TestIniFile : public QObject {
    Q_OBJECT
private:
    QTemporaryDir dir;
    QString ini() const { return dir.filePath(QStringLiteral("vorda.INI")); }

private slots:
    void writtenFileHasTheFixedForm() {
        AppState s;
        s.iniPath = ini();
        s.databasePath = QStringLiteral("C:\\データ\\VORDA.db");
        s.secondValue = QStringLiteral("X");
        s.paperCode = 12;
        s.orientationCode = 2;
        QCOMPARE(INIWRITE(s), QString());
        QCOMPARE(test::readFile(ini()),
                 sjis(QStringLiteral("C:\\データ\\VORDA.db\r\nX\r\n 12 \r\n 2 \r\n")));
    }

    void negativeCodeTakesTheSignPosition() {
        IniValues v;
        v.paperCode = -1;
        QString error;
        QCOMPARE(encodeIniFile(v, &error), QByteArray("\r\n\r\n-1 \r\n 2 \r\n"));
    }

    void japanesePathRoundTrips() {
        // "～" (and 表, whose second byte is a backslash in Shift-JIS) survive a write and read.
        AppState s;
        s.iniPath = ini();
        s.databasePath = QStringLiteral("/home/事務所/表計算～控え/VORDA.db");
        s.secondValue = QStringLiteral("予備");
        s.paperCode = 9;
        s.orientationCode = 1;
        QCOMPARE(INIWRITE(s), QString());
        QVERIFY(
            test::readFile(ini()).contains(QByteArray("\x81\x60"))); // ～ as the code page has it

        AppState r;
        r.iniPath = ini();
        const IniReadResult result = INIREAD(r);
        QCOMPARE(result.status, IniReadResult::Status::Ok);
        QCOMPARE(r.databasePath, s.databasePath);
        QCOMPARE(r.boundDatabasePath, s.databasePath);
        QCOMPARE(r.secondValue, s.secondValue);
        QCOMPARE(r.paperCode, qint16(9));
        QCOMPARE(r.orientationCode, qint16(1));
    }

    // A path is written so that it reads back exactly, or refused with the old file kept.
    void pathReadsBackOrIsRefused_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("written");
        QTest::newRow("comma") << QStringLiteral("C:\\工事,2026\\VORDA.db") << true;
        QTest::newRow("leading blank") << QStringLiteral(" D:\\VORDA.db") << true;
        QTest::newRow("leading tab") << QStringLiteral("\t/srv/VORDA.db") << true;
        QTest::newRow("trailing blank") << QStringLiteral("/srv/VORDA.db ") << true;
        QTest::newRow("quote inside") << QStringLiteral("/srv/a\"b/VORDA.db") << true;
        QTest::newRow("wave dash") << QStringLiteral("D:\\4月〜6月\\VORDA.db") << false;
        QTest::newRow("leading quote") << QStringLiteral("\"D:\\VORDA.db") << false;
        QTest::newRow("quote and comma") << QStringLiteral("/srv/a\"b,c/VORDA.db") << false;
        QTest::newRow("line break") << QStringLiteral("/srv/a\nb/VORDA.db") << false;
        QTest::newRow("no Shift-JIS form") << QStringLiteral("/data/😀/VORDA.db") << false;
    }
    void pathReadsBackOrIsRefused() {
        QFETCH(QString, path);
        QFETCH(bool, written);
        const QByteArray old("old\r\n\r\n 12 \r\n 2 \r\n");
        QVERIFY(test::writeFile(ini(), old));
        AppState s;
        s.iniPath = ini();
        s.databasePath = path;
        const QString error = INIWRITE(s);
        if (!written) {
            QVERIFY(!error.isEmpty());
            QCOMPARE(test::readFile(ini()), old);
            return;
        }
        QCOMPARE(error, QString());
        AppState r;
        r.iniPath = ini();
        QCOMPARE(INIREAD(r).status, IniReadResult::Status::Ok);
        QCOMPARE(r.databasePath, path);
    }

    void scaleFactors_data() {
        QTest::addColumn<QByteArray>("line3");
        QTest::addColumn<int>("code");
        QTest::addColumn<float>("scale");
        QTest::newRow("A4 as the system writes it") << QByteArray(" 9 ") << 9 << 0.82f;
        QTest::newRow("A3") << QByteArray("8") << 8 << 1.15f;
        QTest::newRow("A4 small") << QByteArray(" 10") << 10 << 0.82f;
        QTest::newRow("A5") << QByteArray(" 11 ") << 11 << 0.41f;
        QTest::newRow("B4") << QByteArray(" 12 ") << 12 << 1.0f;
        QTest::newRow("B5") << QByteArray(" 13 ") << 13 << 0.71f;
        QTest::newRow("code 7") << QByteArray(" 7 ") << 7 << 1.0f;
        QTest::newRow("code 14") << QByteArray(" 14 ") << 14 << 1.0f;
    }
    void scaleFactors() {
        QFETCH(QByteArray, line3);
        QFETCH(int, code);
        QFETCH(float, scale);
        QVERIFY(test::writeFile(ini(), "C:\\VORDA.db\r\n\r\n" + line3 + "\r\n 2 \r\n"));
        AppState s;
        s.iniPath = ini();
        INIREAD(s);
        QCOMPARE(int(s.paperCode), code);
        QCOMPARE(s.positionScale, scale);
        QCOMPARE(s.fontScale, scale);
        // An unknown code is written back as it was read.
        QCOMPARE(INIWRITE(s), QString());
        QCOMPARE(test::readFile(ini()).split('\n').value(2),
                 QStringLiteral(" %1 \r").arg(code).toLatin1());
    }

    void itemRules() {
        const IniReadResult r = parseIniText(QStringLiteral(
            "   \"C:\\My Data, 2003\\VORDA.db\"\r\nsecond,ignored\r\n  12  \r\n 2 ,x\r\n"));
        QCOMPARE(r.status, IniReadResult::Status::Ok);
        QCOMPARE(r.values.databasePath, QStringLiteral("C:\\My Data, 2003\\VORDA.db"));
        QCOMPARE(r.values.secondValue, QStringLiteral("second"));
        QCOMPARE(r.values.paperCode, qint16(12));
        QCOMPARE(r.values.orientationCode, qint16(2));

        const IniReadResult unquoted = parseIniText(QStringLiteral("  C:\\a,b\n\n 8 \n 1 \n"));
        QCOMPARE(unquoted.values.databasePath, QStringLiteral("C:\\a"));
        QCOMPARE(unquoted.values.paperCode, qint16(8));
        // Lines ended by LF alone read the same.
        QCOMPARE(unquoted.values.orientationCode, qint16(1));
    }

    // Beside the program when its folder can be written, except for an installed program;
    // otherwise in the user's configuration folder.
    void whereIniLives_data() {
        QTest::addColumn<QString>("programDir"); // {DIR}: a writable folder of the test's
        QTest::addColumn<bool>("beside");
        QTest::addRow("a build folder") << QStringLiteral("{DIR}") << true;
        QTest::addRow("installed in /usr/bin") << QStringLiteral("/usr/bin") << false;
        QTest::addRow("in /usr/local/bin") << QStringLiteral("/usr/local/bin") << false;
    }
    void whereIniLives() {
        QFETCH(QString, programDir);
        QFETCH(bool, beside);
        QTemporaryDir dir, home;
        programDir.replace(QStringLiteral("{DIR}"), dir.path());
        const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path()));
        const QString ini = defaultIniPath(programDir);
        qputenv("XDG_CONFIG_HOME", oldConfig);
        QCOMPARE(ini, beside ? QDir(programDir).filePath(QStringLiteral("vorda.INI"))
                             : home.filePath(QStringLiteral("tst_ini_file/vorda.INI")));
    }

    void missingFileGivesDefaults() {
        AppState s;
        s.iniPath = dir.filePath(QStringLiteral("none/vorda.INI"));
        s.databasePath = QStringLiteral("left over");
        const IniReadResult r = INIREAD(s);
        QCOMPARE(r.status, IniReadResult::Status::Missing);
        QVERIFY(!r.message.isEmpty());
        QCOMPARE(s.databasePath, QString());
        QCOMPARE(s.paperCode, qint16(12));
        QCOMPARE(s.orientationCode, qint16(2));
        QCOMPARE(s.positionScale, 1.0f);
    }

    void shortAndFaultyFiles() {
        QVERIFY(test::writeFile(ini(), QByteArray("C:\\VORDA.db\r\n")));
        AppState s;
        s.iniPath = ini();
        IniReadResult r = INIREAD(s);
        QCOMPARE(r.status, IniReadResult::Status::Short);
        QCOMPARE(s.databasePath, QStringLiteral("C:\\VORDA.db"));
        QCOMPARE(s.paperCode, qint16(12));
        QCOMPARE(s.orientationCode, qint16(2));

        QVERIFY(test::writeFile(ini(), QByteArray()));
        r = INIREAD(s);
        QCOMPARE(r.status, IniReadResult::Status::Short);
        QCOMPARE(s.databasePath, QString());

        QVERIFY(test::writeFile(ini(), QByteArray("C:\\VORDA.db\r\n\r\nB4\r\n99999\r\n")));
        r = INIREAD(s);
        QCOMPARE(r.status, IniReadResult::Status::Short);
        QCOMPARE(s.paperCode, qint16(12));
        QCOMPARE(s.orientationCode, qint16(2));

        // Bytes that are no Shift-JIS at all cost only their own line.
        QVERIFY(test::writeFile(ini(), QByteArray("\x81\xff\x82\r\n\r\n 9 \r\n 1 \r\n")));
        r = INIREAD(s);
        QCOMPARE(r.status, IniReadResult::Status::Short);
        QVERIFY2(r.message.contains(QStringLiteral("1 行目")), qPrintable(r.message));
        QVERIFY2(r.pathProblem.contains(ini()), qPrintable(r.pathProblem)); // names the file
        QCOMPARE(s.databasePath, QString());
        QCOMPARE(s.paperCode, qint16(9));
    }

    // A BOM, CR-only line ends and a stray byte in line 2: the other values are read, and a
    // write of a new path keeps line 2 as it was.
    void eachLineIsDecodedOnItsOwn() {
        const QByteArray line2("\x95\x5c\xff", 3); // 表 then a byte that is no Shift-JIS
        QVERIFY(test::writeFile(ini(), "\xEF\xBB\xBF" +
                                           sjis(QStringLiteral("C:\\事務所\\VORDA.db")) + "\r" +
                                           line2 + "\r 9 \r 1 \r"));
        AppState s;
        s.iniPath = ini();
        const IniReadResult r = INIREAD(s);
        QVERIFY2(r.message.contains(QStringLiteral("2 行目")), qPrintable(r.message));
        QCOMPARE(s.databasePath, QStringLiteral("C:\\事務所\\VORDA.db"));
        QCOMPARE(s.secondValue, QString());
        QCOMPARE(s.paperCode, qint16(9));
        QCOMPARE(s.orientationCode, qint16(1));

        s.databasePath = QStringLiteral("D:\\VORDA.db");
        QCOMPARE(INIWRITE(s), QString());
        QCOMPARE(test::readFile(ini()), "D:\\VORDA.db\r\n" + line2 + "\r\n 9 \r\n 1 \r\n");
    }

    void aFullDiskKeepsTheOldFile() {
        const QByteArray old = sjis(QStringLiteral("C:\\古い場所\\VORDA.db\r\n\r\n 9 \r\n 1 \r\n"));
        QVERIFY(test::writeFile(ini(), old));
        IniValues v;
        v.databasePath = QStringLiteral("C:\\新しい場所\\VORDA.db");
        const int code = test::withFileSizeLimit(10, [&] {
            const QString e = writeIniFile(ini(), v);
            return e.contains(QStringLiteral("書き込めませんでした")) ? 0 : 1;
        });
        QCOMPARE(code, 0);
        QCOMPARE(test::readFile(ini()), old);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files),
                 QStringList({QStringLiteral("vorda.INI")}));
    }

    void neverWrittenOverADatabase() {
        const QString db = dir.filePath(QStringLiteral("VORDA.db"));
        const QByteArray sqlite("SQLite format 3\0rest of the file", 33);
        QVERIFY(test::writeFile(db, sqlite));
        IniValues v;
        v.databasePath = QStringLiteral("/srv/VORDA.db");
        QVERIFY(writeIniFile(db, v).contains(QStringLiteral("データベースのファイルです")));
        QCOMPARE(test::readFile(db), sqlite);
        // Nor over the configured database, not even before it exists.
        v.databasePath = dir.filePath(QStringLiteral("sub/../new.db"));
        QVERIFY(!writeIniFile(dir.filePath(QStringLiteral("new.db")), v).isEmpty());
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("new.db"))));
        QCOMPARE(refuseOutputFile(ini(), KeptFiles{v.databasePath, {}}), QString());
    }

    void unreadableFileGivesDefaults() {
        // A folder where the file should be cannot be read as one.
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("folder.INI")));
        AppState s;
        s.iniPath = dir.filePath(QStringLiteral("folder.INI"));
        IniReadResult r = INIREAD(s);
        QVERIFY(r.status == IniReadResult::Status::Unreadable);
        QCOMPARE(s.paperCode, qint16(12));
        // Nor a pipe, which would block the read for good.
        s.iniPath = dir.filePath(QStringLiteral("pipe.INI"));
        QCOMPARE(mkfifo(QFile::encodeName(s.iniPath).constData(), 0600), 0);
        r = INIREAD(s);
        QVERIFY(r.status == IniReadResult::Status::Unreadable);
        QVERIFY2(r.message.contains(QStringLiteral("普通のファイルではありません")),
                 qPrintable(r.message));
    }

    void writeLeavesNoPartialFile() {
        AppState s;
        s.iniPath = dir.filePath(QStringLiteral("no-such-folder/vorda.INI"));
        QVERIFY(!INIWRITE(s).isEmpty());
        QVERIFY(!QFile::exists(s.iniPath));
    }
};

QTEST_GUILESS_MAIN(TestIniFile)
#include "tst_ini_file.moc"
