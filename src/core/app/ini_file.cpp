#include "core/app/ini_file.h"

#include "core/app/file_output.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QStringList>
#include <algorithm>
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
    const bool needsQuotes = path.contains(u',') || path.startsWith(u' ') ||
                             path.startsWith(u'\t') || path.startsWith(u'"');
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

// Why a line of the file gave no value.
enum class LineFault {
    None,
    NotShiftJis, // bytes the code page has no character for
    Utf8,        // saved as UTF-8 (Japanese read as Shift-JIS would name another folder)
    NotText,     // control bytes: not a text file at all
};

// The four items of decoded lines; an undecodable line (null) keeps its default. file names
// the INI in every message.
IniReadResult parseLines(const QStringList& lines, const QList<LineFault>& faults,
                         const QString& file) {
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
    const LineFault first = faults.value(0, LineFault::None);
    if (lines.isEmpty())
        result.pathProblem = QStringLiteral("設定ファイル %1 が空です。").arg(file);
    else if (first == LineFault::Utf8)
        result.pathProblem =
            QStringLiteral("設定ファイル %1 の 1 行目（データの場所）が UTF-8 で書かれています。"
                           "vorda.INI は Shift-JIS で保存してください。")
                .arg(file);
    else if (first == LineFault::NotText)
        result.pathProblem = QStringLiteral("設定ファイル %1 は vorda.INI の形ではありません（1 "
                                            "行目に文字でないバイトがあります）。")
                                 .arg(file);
    else if (first == LineFault::NotShiftJis)
        result.pathProblem =
            QStringLiteral(
                "設定ファイル %1 の 1 行目（データの場所）が Shift-JIS として読めません。")
                .arg(file);
    else if (result.values.databasePath.trimmed().isEmpty())
        result.pathProblem =
            QStringLiteral("設定ファイル %1 の 1 行目（データの場所）が空です。").arg(file);

    QStringList messages;
    if (lines.size() < 4)
        messages
            << QStringLiteral(
                   "設定ファイル %1 の項目が足りません（%2 行）。足りない項目は既定値を使います。")
                   .arg(file)
                   .arg(lines.size());
    if (first != LineFault::None)
        messages << result.pathProblem + QStringLiteral("データの場所は設定されません。");
    undecodable.removeAll(QStringLiteral("1"));
    if (!undecodable.isEmpty())
        messages << QStringLiteral("設定ファイル %1 の %2 行目が Shift-JIS "
                                   "として読めません。その項目は既定値を使います。")
                        .arg(file, undecodable.join(QStringLiteral("・")));
    if (!problems.isEmpty())
        messages << QStringLiteral("設定ファイル %1 の%2が数値ではありません。既定値を使います。")
                        .arg(file, problems.join(QStringLiteral("と")));
    if (!messages.isEmpty()) {
        result.status = IniReadResult::Status::Short;
        result.message = messages.join(u'\n');
    }
    return result;
}

bool isControlByte(char c) {
    const auto b = static_cast<unsigned char>(c);
    return (b < 0x20 && b != '\t') || b == 0x7F;
}

// Each line decoded on its own, so one bad byte costs only its own line.
QStringList decodeLines(const QList<QByteArray>& raw, QList<LineFault>* faults = nullptr) {
    QStringList lines;
    for (const QByteArray& line : raw) {
        QStringDecoder decoder(kCodePage);
        QString text = decoder.decode(line);
        LineFault fault = LineFault::None;
        if (std::any_of(line.begin(), line.end(), isControlByte)) {
            fault = LineFault::NotText;
        } else {
            // UTF-8 Japanese either fails as Shift-JIS or reads as half-width kana.
            QStringDecoder utf8(QStringDecoder::Utf8);
            const QString asUtf8 = utf8.decode(line);
            const bool utf8Japanese = !utf8.hasError() && asUtf8.size() != line.size();
            const bool halfWidthKana = std::any_of(text.cbegin(), text.cend(), [](QChar c) {
                return c.unicode() >= 0xFF61 && c.unicode() <= 0xFF9F;
            });
            if (utf8Japanese && (decoder.hasError() || halfWidthKana))
                fault = LineFault::Utf8;
            else if (decoder.hasError())
                fault = LineFault::NotShiftJis;
        }
        if (fault != LineFault::None)
            text = QString(); // null: undecodable
        else if (text.isNull())
            text = QLatin1String("");
        lines << text;
        if (faults)
            *faults << fault;
    }
    return lines;
}

} // namespace

IniReadResult parseIniText(const QString& text) {
    QStringList lines;
    for (const QByteArray& line : splitLines(text.toUtf8()))
        lines << QString::fromUtf8(line);
    return parseLines(lines, {}, QStringLiteral("vorda.INI"));
}

IniReadResult readIniFile(const QString& path) {
    const QString file = QDir::toNativeSeparators(path);
    auto failed = [&](IniReadResult::Status status, const QString& problem) {
        IniReadResult r;
        r.status = status;
        r.pathProblem = problem;
        r.message = problem + QStringLiteral("既定値で起動します。");
        return r;
    };
    QFile in(path);
    if (!in.exists())
        return failed(IniReadResult::Status::Missing,
                      QStringLiteral("設定ファイル %1 がありません。").arg(file));
    // A pipe or a device would block the read, or feed it endlessly.
    if (!QFileInfo(path).isFile())
        return failed(IniReadResult::Status::Unreadable,
                      QStringLiteral("設定ファイル %1 は普通のファイルではありません。").arg(file));
    if (!in.open(QIODevice::ReadOnly))
        return failed(IniReadResult::Status::Unreadable,
                      QStringLiteral("設定ファイル %1 を読めません（読む権限を確認してください）。")
                          .arg(file));
    if (!QStringDecoder(kCodePage).isValid())
        return failed(IniReadResult::Status::Unreadable,
                      QStringLiteral("Shift-JIS の変換が使えません。"));
    QList<LineFault> faults;
    const QStringList lines = decodeLines(splitLines(in.readAll()), &faults);
    return parseLines(lines, faults, file);
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
    const QString text =
        pathItem(values.databasePath) + crlf + normalizeForShiftJis(values.secondValue) + crlf +
        numberField(values.paperCode) + crlf + numberField(values.orientationCode) + crlf;
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
            *error = QStringLiteral(
                         "データの場所「%1」は vorda.INI にそのまま書けない文字を含んでいます。"
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
    const IniValues was = parseLines(decodeLines(old), {}, QString()).values;
    const bool same[4] = {was.databasePath == values.databasePath,
                          was.secondValue == values.secondValue, false, false};
    QByteArray out;
    for (int i = 0; i < 4; ++i)
        out += (i < old.size() && same[i] ? old[i] + "\r\n" : lines[i] + "\n");
    for (int i = 4; i < old.size(); ++i)
        out += old[i] + "\r\n";
    if (const QString e = writeWholeFile(path, out, KeptFiles{values.databasePath, {}});
        !e.isEmpty())
        return QStringLiteral("設定ファイル：") + e;
    return QString();
}

} // namespace vorda
