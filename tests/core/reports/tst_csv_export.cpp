// The CSV files: quoting, both encodings read back by Python's csv module, a character
// Shift-JIS cannot hold, and the command line's figures against the sheets' own computation.

#include "core/data/schema.h"
#include "core/reports/attendance_sheet.h"
#include "core/reports/csv_export.h"
#include "core/reports/monthly_results.h"
#include "support/temp_database.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QTest>

using namespace vorda;

namespace {

// The file as Python's csv module reads it: a list of lines of fields.
QList<QStringList> readWithPython(const QString& path, const char* encoding) {
    QProcess p;
    p.start(QStringLiteral("python3"),
            {QStringLiteral("-c"),
             QStringLiteral("import csv, json, sys\n"
                            "with open(sys.argv[1], encoding=sys.argv[2], newline='') as f:\n"
                            "    print(json.dumps(list(csv.reader(f))))\n"),
             path, QString::fromLatin1(encoding)});
    QList<QStringList> out;
    if (!p.waitForFinished(20000) || p.exitCode() != 0) {
        qWarning("%s", p.readAllStandardError().constData());
        return out;
    }
    for (const QJsonValue& line : QJsonDocument::fromJson(p.readAllStandardOutput()).array()) {
        QStringList fields;
        for (const QJsonValue& f : line.toArray())
            fields << f.toString();
        out << fields;
    }
    return out;
}

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestCsvExport : public QObject {
    Q_OBJECT
private slots:
    void quoting_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("field");
        QTest::newRow("plain") << "山田"
                               << "山田";
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("comma") << "山田, 太郎"
                               << "\"山田, 太郎\"";
        QTest::newRow("quote") << "5\" 管"
                               << "\"5\"\" 管\"";
        QTest::newRow("line feed") << "一\n二"
                                   << "\"一\n二\"";
        QTest::newRow("carriage return") << "一\r二"
                                         << "\"一\r二\"";
        QTest::newRow("blanks kept") << " 休 "
                                     << " 休 ";
    }
    void quoting() {
        QFETCH(QString, text);
        QFETCH(QString, field);
        QCOMPARE(csvField(text), field);
    }

    void roundTripsThroughPython_data() {
        QTest::addColumn<int>("encoding");
        QTest::addColumn<QString>("python");
        QTest::newRow("Shift-JIS") << int(CsvEncoding::ShiftJis) << "cp932";
        QTest::newRow("UTF-8") << int(CsvEncoding::Utf8) << "utf-8-sig";
    }
    void roundTripsThroughPython() {
        QFETCH(int, encoding);
        QFETCH(QString, python);
        test::TempDatabase t;
        CsvTable table;
        table.lines = {
            {QStringLiteral("社員コード"), QStringLiteral("姓氏"), QStringLiteral("日")},
            {QStringLiteral("001"), QStringLiteral("山田, 太郎"), QStringLiteral("○●")},
            {QStringLiteral("002"), QStringLiteral("\"佐藤\"\r\n二行目"), QStringLiteral("")},
            {QStringLiteral("003"), QStringLiteral("①～髙"), QStringLiteral("〜")}};
        const QString path = t.filePath(QStringLiteral("出勤.csv"));
        QCOMPARE(writeCsv(path, table, CsvEncoding(encoding), KeptFiles{t.path(), {}}), QString());
        const QByteArray bytes = fileBytes(path);
        const bool sjis = CsvEncoding(encoding) == CsvEncoding::ShiftJis;
        QCOMPARE(bytes.startsWith("\xEF\xBB\xBF"), !sjis);
        QVERIFY(bytes.endsWith("\r\n"));
        QCOMPARE(bytes.count("\r\n"), 5); // four lines and the one inside a field
        QList<QStringList> back = readWithPython(path, qPrintable(python));
        QCOMPARE(back.size(), 4);
        for (int l = 0; l < 4; ++l) {
            QStringList expected = table.lines[std::size_t(l)];
            if (sjis) // the code page writes the wave dash as its full-width tilde
                expected.replaceInStrings(QStringLiteral("〜"), QStringLiteral("～"));
            QCOMPARE(back[l], expected);
        }
    }

    void aCharacterShiftJisCannotHoldIsRefused() {
        test::TempDatabase t;
        CsvTable table;
        table.lines = {{QStringLiteral("社員コード"), QStringLiteral("姓氏")},
                       {QStringLiteral("001"), QStringLiteral("山田")},
                       {QStringLiteral("002"), QStringLiteral("𠮷田")}};
        const QString path = t.filePath(QStringLiteral("出勤.csv"));
        const QString message = writeCsv(path, table, CsvEncoding::ShiftJis, {});
        QVERIFY2(message.contains(QStringLiteral("3 行目")) &&
                     message.contains(QStringLiteral("「姓氏」")) &&
                     message.contains(QStringLiteral("𠮷")),
                 qPrintable(message));
        QVERIFY(!QFile::exists(path));
        // A file already there stays as it was.
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("old");
        }
        QVERIFY(!writeCsv(path, table, CsvEncoding::ShiftJis, {}).isEmpty());
        QCOMPARE(fileBytes(path), QByteArray("old"));
        QCOMPARE(writeCsv(path, table, CsvEncoding::Utf8, {}), QString());
        QCOMPARE(readWithPython(path, "utf-8-sig").value(2).value(1), QStringLiteral("𠮷田"));
        // Never over a database.
        const QByteArray database = fileBytes(t.path());
        QVERIFY(!writeCsv(t.path(), table, CsvEncoding::Utf8, {}).isEmpty());
        QCOMPARE(fileBytes(t.path()), database);
    }

    // The demo firm's May 2024 through the command line, read back by Python, against what
    // the sheets themselves computed.
    void commandLineFiguresEqualTheSheets_data() { test::engineRows(); }
    void commandLineFiguresEqualTheSheets() {
        QFETCH(QString, engine);
        test::TempDatabase t(engine, true, QDate(2024, 6, 14));
        VORDA_READY(t);
        const QString exe = qEnvironmentVariable("VORDA_EXE");
        const QString ini = t.filePath(QStringLiteral("vorda.INI"));
        auto run = [&](QStringList args) {
            QProcess p;
            p.start(exe, QStringList{QStringLiteral("--ini"), ini} + args);
            p.waitForFinished(20000);
            return std::make_pair(p.exitCode(), QString::fromUtf8(p.readAllStandardError()));
        };
        QCOMPARE(run({QStringLiteral("set-data"), t.path()}).first, 0);
        const MonthRequest may{2024, 5, QStringLiteral("5")};

        const QString attendance = t.filePath(QStringLiteral("出勤.csv"));
        const auto a =
            run({QStringLiteral("export"), QStringLiteral("attendance"), QStringLiteral("--year"),
                 QStringLiteral("2024"), QStringLiteral("--month"), QStringLiteral("5"),
                 QStringLiteral("--out"), attendance});
        QVERIFY2(a.first == 0, qPrintable(a.second));
        AttendanceSheetData sheet;
        EraValues era;
        QVERIFY(!readAttendanceSheet(t.path(), may, era, sheet));
        const QList<QStringList> lines = readWithPython(attendance, "cp932");
        QCOMPARE(lines.size(), 1 + 15); // the demo firm's fifteen employees
        QCOMPARE(lines[0].mid(0, 10), (QStringList{"社員コード", "姓氏", "名前", "通常", "夜",
                                                   "時間", "泊", "休出", "休", "休残"}));
        QCOMPARE(lines[0].value(10), QStringLiteral("2024-05-01"));
        QCOMPARE(lines[0].size(), 10 + int(sheet.dates.size()));
        for (int e = 0; e < 15; ++e) {
            const QStringList& l = lines[e + 1];
            const AttendanceTotals& x = sheet.employees[std::size_t(e)].totals;
            QCOMPARE(l[1], sheet.names[std::size_t(e)]);
            QCOMPARE(l.mid(3, 7),
                     (QStringList{QString::number(x.regularDays), QString::number(x.nightShifts),
                                  QString::number(x.nightHours), QString::number(x.overnightStays),
                                  QString::number(x.holidayWork), QString::number(x.daysOff),
                                  QString::number(x.holidayBalance())}));
            QCOMPARE(l.mid(10), sheet.employees[std::size_t(e)].cells);
        }
        QVERIFY(sheet.employees[0].totals.regularDays > 0);

        const QString monthly = t.filePath(QStringLiteral("月報.csv"));
        const auto m =
            run({QStringLiteral("export"), QStringLiteral("monthly"), QStringLiteral("--year"),
                 QStringLiteral("2024"), QStringLiteral("--month"), QStringLiteral("5"),
                 QStringLiteral("--out"), monthly, QStringLiteral("--utf8")});
        QVERIFY2(m.first == 0, qPrintable(m.second));
        MonthlyResultsData results;
        QVERIFY(!readMonthlyResults(t.path(), may, era, results));
        const QList<QStringList> rows = readWithPython(monthly, "utf-8-sig");
        QCOMPARE(rows.size(), 1 + int(results.projects.size()));
        QVERIFY(results.projects.size() > 1);
        QCOMPARE(rows[0].size(), 3 + int(results.columns.size()));
        for (std::size_t c = 0; c < results.columns.size(); ++c)
            QCOMPARE(rows[0][3 + int(c)], results.columns[c].heading);
        for (std::size_t p = 0; p < results.projects.size(); ++p) {
            const QStringList& l = rows[int(p) + 1];
            QCOMPARE(l[0], QString::number(results.projects[p].number));
            QCOMPARE(l[1], results.projects[p].name);
            QVERIFY(!l[2].isEmpty()); // every demo project has a client
            for (std::size_t c = 0; c < results.columns.size(); ++c)
                QCOMPARE(l[3 + int(c)], QString::number(results.columns[c].values[p]));
        }

        // The raw rows: two lines per stored group, planned then actual.
        const QString daily = t.filePath(QStringLiteral("日報.csv"));
        const auto d =
            run({QStringLiteral("export"), QStringLiteral("daily"), QStringLiteral("--from"),
                 QStringLiteral("2024-05-01"), QStringLiteral("--to"), QStringLiteral("2024-05-31"),
                 QStringLiteral("--out"), daily});
        QVERIFY2(d.first == 0, qPrintable(d.second));
        Database db;
        QVERIFY(!db.open(t.path()));
        std::vector<Row> stored;
        QVERIFY(!db.select(table::DailyReport,
                           {{rec::Date, Condition::Op::Ge, QStringLiteral("2024-05-01")},
                            {rec::Date, Condition::Op::Le, QStringLiteral("2024-05-31")}},
                           stored));
        const QList<QStringList> raw = readWithPython(daily, "cp932");
        QCOMPARE(raw.size(), 1 + 2 * int(stored.size()));
        QCOMPARE(raw[0].mid(0, 12),
                 (QStringList{"日付", "曜日", "天候", "作業", "区分", "工事番号", "工事件名",
                              "発注者", "開始時刻", "終了時刻", "夜間", "作業内容"}));
        QCOMPARE(raw[0][12], QStringLiteral("山田"));
        const QVariantList& first = stored.front().values;
        const QDate firstDate = fromDbDate(first.value(rec::Date));
        QCOMPARE(raw[1].mid(0, 5),
                 (QStringList{toDbDate(firstDate), weekdayChar(firstDate),
                              first.value(rec::Weather).toString(), "1", "予定"}));
        QCOMPARE(raw[2][4], QStringLiteral("実績"));
        QCOMPARE(raw[2][6], first.value(rec::JobName).toString());
        QCOMPARE(raw[2][12], first.value(rec::ActualStaff).toString().trimmed());
        QCOMPARE(raw[1][12], first.value(rec::PlannedStaff).toString().trimmed());

        // A name Shift-JIS cannot hold: refused with its line and field, no file; --utf8 writes.
        QVERIFY(!db.exec(QStringLiteral("UPDATE \"社員\" SET \"%1\" = ? WHERE rowid = 2")
                             .arg(db.fieldName(table::Employees, emp::Surname)),
                         {QStringLiteral("𠮷田")}));
        const QString refused = t.filePath(QStringLiteral("refused.csv"));
        const QStringList call = {QStringLiteral("export"),  QStringLiteral("attendance"),
                                  QStringLiteral("--year"),  QStringLiteral("2024"),
                                  QStringLiteral("--month"), QStringLiteral("5"),
                                  QStringLiteral("--out"),   refused};
        const auto r = run(call);
        QCOMPARE(r.first, 1);
        QVERIFY2(r.second.contains(QStringLiteral("3 行目")) &&
                     r.second.contains(QStringLiteral("「姓氏」")),
                 qPrintable(r.second));
        QVERIFY(!QFile::exists(refused));
        QCOMPARE(run(call + QStringList{QStringLiteral("--utf8")}).first, 0);
        QCOMPARE(readWithPython(refused, "utf-8-sig").value(2).value(1), QStringLiteral("𠮷田"));
        // Never over the database; a CSV needs --out.
        QCOMPARE(run(call.mid(0, 7) + QStringList{t.path()}).first, 2);
        QCOMPARE(run(call.mid(0, 6)).first, 2);
    }
};

QTEST_MAIN(TestCsvExport)
#include "tst_csv_export.moc"
