#include "core/app/ini_file.h"

#include "core/app/file_output.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QStringList>
#include <limits>

namespace vorda {

namespace {

constexpr const char* kCodePage = "windows-31j";

QString textItem(const QString& line) {
    qsizetype i = 0;
    while (i < line.size() && (line[i] == u' ' || line[i] == u'\t'))
        ++i;
    if (i < line.size() && line[i] == u'"') {
        const qsizetype close = line.indexOf(u'"', i + 1);
        return close < 0 ? line.mid(i + 1) : line.mid(i + 1, close - i - 1);
    }
    const qsizetype comma = line.indexOf(u',', i);
    return comma < 0 ? line.mid(i) : line.mid(i, comma - i);
}

bool numericItem(const QString& line, qint16* out) {
    bool ok = false;
    const int value = textItem(line).trimmed().toInt(&ok, 10);
    if (!ok || value < std::numeric_limits<qint16>::min() ||
        value > std::numeric_limits<qint16>::max())
        return false;
    *out = static_cast<qint16>(value);
    return true;
}

QString numberField(qint16 value) {
    // One blank before (the sign position) and one after: the fixed form the reader expects.
    return value < 0 ? QStringLiteral("%1 ").arg(value) : QStringLiteral(" %1 ").arg(value);
}

// The path as a line item: quoted where the reader would otherwise cut or trim it. Never
// normalised: a path spelled otherwise names another folder.
QString pathItem(const QString& path) {
    const bool needsQuotes = path.contains(u',') || path.startsWith(u' ') || path.startsWith(u'\t') ||
                             path.startsWith(u'"');
    return needsQuotes ? u'"' + path + u'"' : path;
}

// The lines of the file: ended by CR LF, LF or CR alone; a final line end starts no line.
QList<QByteArray> splitLines(QByteArray bytes) {
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3); // a byte order mark some editors put first
    QList<QByteArray> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\r' && bytes[i] != '\n')
            continue;
        lines << bytes.mid(start, i - start);
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < bytes.size())
        lines << bytes.mid(start);
    return lines;
}

// The four items of decoded lines; an undecodable line (null) keeps its default.
IniReadResult parseLines(const QStringList& lines) {
    IniReadResult result;
    const IniValues defaults;
    QStringList undecodable;
    QStringList problems;
    for (int i = 0; i < 4 && i < lines.size(); ++i) {
        if (lines[i].isNull()) {
            undecodable << QString::number(i + 1);
            continue;
        }
        if (i == 0)
            result.values.databasePath = textItem(lines[0]);
        else if (i == 1)
            result.values.secondValue = textItem(lines[1]);
        else if (i == 2 && !numericItem(lines[2], &result.values.paperCode)) {
            result.values.paperCode = defaults.paperCode;
            problems << QStringLiteral("用紙サイズ");
        } else if (i == 3 && !numericItem(lines[3], &result.values.orientationCode)) {
            result.values.orientationCode = defaults.orientationCode;
            problems << QStringLiteral("用紙の向き");
        }
    }
    QStringList messages;
    if (lines.size() < 4)
        messages << QStringLiteral("vorda.INI の項目が足りません（%1 行）。足りない項目は既定値を使います。")
                        .arg(lines.size());
    if (!undecodable.isEmpty())
        messages << QStringLiteral("vorda.INI の %1 行目が Shift-JIS として読めません。その項目は既定値を使います。")
                        .arg(undecodable.join(QStringLiteral("・")));
    if (!problems.isEmpty())
        messages << QStringLiteral("vorda.INI の%1が数値ではありません。既定値を使います。")
                        .arg(problems.join(QStringLiteral("と")));
    if (!messages.isEmpty()) {
        result.status = IniReadResult::Status::Short;
        result.message = messages.join(u'\n');
    }
    return result;
}

// Each line decoded on its own, so one bad byte costs only its own line.
QStringList decodeLines(const QList<QByteArray>& raw) {
    QStringList lines;
    for (const QByteArray& line : raw) {
        QStringDecoder decoder(kCodePage);
        QString text = decoder.decode(line);
        if (decoder.hasError())
            text = QString(); // null: undecodable
        else if (text.isNull())
            text = QLatin1String("");
        lines << text;
    }
    return lines;
}

} // namespace

IniReadResult parseIniText(const QString& text) {
    QStringList lines;
    for (const QByteArray& line : splitLines(text.toUtf8()))
        lines << QString::fromUtf8(line);
    return parseLines(lines);
}

IniReadResult readIniFile(const QString& path) {
    QFile file(path);
    if (!file.exists()) {
        IniReadResult r;
        r.status = IniReadResult::Status::Missing;
        r.message = QStringLiteral("設定ファイル %1 がありません。既定値で起動します。").arg(path);
        return r;
    }
    // A pipe or a device would block the read, or feed it endlessly.
    if (!QFileInfo(path).isFile()) {
        IniReadResult r;
        r.status = IniReadResult::Status::Unreadable;
        r.message = QStringLiteral("設定ファイル %1 は普通のファイルではありません。既定値で起動します。")
                        .arg(path);
        return r;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        IniReadResult r;
        r.status = IniReadResult::Status::Unreadable;
        r.message = QStringLiteral("設定ファイル %1 を読めません（%2）。既定値で起動します。")
                        .arg(path, file.errorString());
        return r;
    }
    if (!QStringDecoder(kCodePage).isValid()) {
        IniReadResult r;
        r.status = IniReadResult::Status::Unreadable;
        r.message = QStringLiteral("Shift-JIS の変換が使えません。既定値で起動します。");
        return r;
    }
    return parseLines(decodeLines(splitLines(file.readAll())));
}

QString normalizeForShiftJis(const QString& text) {
    QString out = text;
    // The same glyphs under the code points that the code page maps.
    static const std::pair<char16_t, char16_t> pairs[] = {
        {u'\u301C', u'\uFF5E'}, // wave dash
        {u'\u2016', u'\u2225'}, // double vertical line
        {u'\u2212', u'\uFF0D'}, // minus sign
        {u'\u00A2', u'\uFFE0'}, // cent
        {u'\u00A3', u'\uFFE1'}, // pound
        {u'\u00AC', u'\uFFE2'}, // not sign
    };
    for (const auto& [from, to] : pairs)
        out.replace(QChar(from), QChar(to));
    return out;
}

QByteArray encodeIniFile(const IniValues& values, QString* error) {
    const QString crlf = QStringLiteral("\r\n");
    const QString text = pathItem(values.databasePath) + crlf +
                         normalizeForShiftJis(values.secondValue) + crlf +
                         numberField(values.paperCode) + crlf +
                         numberField(values.orientationCode) + crlf;
    QStringEncoder encoder(kCodePage);
    if (!encoder.isValid()) {
        if (error)
            *error = QStringLiteral("Shift-JIS の変換が使えません。");
        return QByteArray();
    }
    QByteArray bytes = encoder.encode(text);
    if (encoder.hasError()) {
        if (error)
            *error = QStringLiteral("データの場所に Shift-JIS で書けない文字が含まれています。");
        return QByteArray();
    }
    // What is written must read back as it stands: a path that would come back as another
    // (a quote inside a quoted item, a line break, a character the code page spells twice)
    // is refused rather than registered and lost at the next start.
    QStringDecoder decoder(kCodePage);
    const IniValues back = parseIniText(decoder.decode(bytes)).values;
    if (decoder.hasError() || back.databasePath != values.databasePath) {
        if (error)
            *error = QStringLiteral("データの場所「%1」は vorda.INI にそのまま書けない文字を含んでいます。"
                                    "別のフォルダまたはファイル名を選んでください。")
                         .arg(values.databasePath);
        return QByteArray();
    }
    return bytes;
}

QString writeIniFile(const QString& path, const IniValues& values) {
    QString error;
    const QByteArray bytes = encodeIniFile(values, &error);
    if (bytes.isEmpty())
        return error;
    // A text whose value stays is written back exactly as it was read (also one that could
    // not be decoded); the codes always in their fixed form.
    QList<QByteArray> lines = bytes.split('\n');
    lines.removeLast();
    QList<QByteArray> old;
    QFile current(path);
    if (QFileInfo(path).isFile() && current.open(QIODevice::ReadOnly))
        old = splitLines(current.readAll());
    const IniValues was = parseLines(decodeLines(old)).values;
    const bool same[4] = {was.databasePath == values.databasePath, was.secondValue == values.secondValue,
                          false, false};
    QByteArray out;
    for (int i = 0; i < 4; ++i)
        out += (i < old.size() && same[i] ? old[i] + "\r\n" : lines[i] + "\n");
    for (int i = 4; i < old.size(); ++i)
        out += old[i] + "\r\n";
    if (const QString e = writeWholeFile(path, out, values.databasePath); !e.isEmpty())
        return QStringLiteral("設定ファイル：") + e;
    return QString();
}

} // namespace vorda
