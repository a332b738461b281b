#include "core/app/ini_file.h"

#include <QFile>
#include <QSaveFile>
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
    // One blank before (the sign position) and one after, as the file has always held them.
    return value < 0 ? QStringLiteral("%1 ").arg(value) : QStringLiteral(" %1 ").arg(value);
}

// The path as a line item: quoted where the reader would otherwise cut or trim it. Never
// normalised: a path spelled otherwise names another folder.
QString pathItem(const QString& path) {
    const bool needsQuotes = path.contains(u',') || path.startsWith(u' ') || path.startsWith(u'\t') ||
                             path.startsWith(u'"');
    return needsQuotes ? u'"' + path + u'"' : path;
}

} // namespace

IniReadResult parseIniText(const QString& text) {
    IniReadResult result;
    QStringList lines = text.split(u'\n');
    for (QString& line : lines) {
        if (line.endsWith(u'\r'))
            line.chop(1);
    }
    // A final line end does not start a fifth line.
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();

    const IniValues defaults;
    QStringList problems;
    if (lines.size() > 0)
        result.values.databasePath = textItem(lines[0]);
    if (lines.size() > 1)
        result.values.secondValue = textItem(lines[1]);
    if (lines.size() > 2 && !numericItem(lines[2], &result.values.paperCode)) {
        result.values.paperCode = defaults.paperCode;
        problems << QStringLiteral("用紙サイズ");
    }
    if (lines.size() > 3 && !numericItem(lines[3], &result.values.orientationCode)) {
        result.values.orientationCode = defaults.orientationCode;
        problems << QStringLiteral("用紙の向き");
    }
    if (lines.size() < 4) {
        result.status = IniReadResult::Status::Short;
        result.message = QStringLiteral("vorda.INI の項目が足りません（%1 行）。足りない項目は既定値を使います。")
                             .arg(lines.size());
    } else if (!problems.isEmpty()) {
        result.status = IniReadResult::Status::Short;
        result.message = QStringLiteral("vorda.INI の%1が数値ではありません。既定値を使います。")
                             .arg(problems.join(QStringLiteral("と")));
    }
    return result;
}

IniReadResult readIniFile(const QString& path) {
    QFile file(path);
    if (!file.exists()) {
        IniReadResult r;
        r.status = IniReadResult::Status::Missing;
        r.message = QStringLiteral("設定ファイル %1 がありません。既定値で起動します。").arg(path);
        return r;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        IniReadResult r;
        r.status = IniReadResult::Status::Unreadable;
        r.message = QStringLiteral("設定ファイル %1 を読めません（%2）。既定値で起動します。")
                        .arg(path, file.errorString());
        return r;
    }
    const QByteArray bytes = file.readAll();
    QStringDecoder decoder(kCodePage);
    if (!decoder.isValid()) {
        IniReadResult r;
        r.status = IniReadResult::Status::Unreadable;
        r.message = QStringLiteral("Shift-JIS の変換が使えません。既定値で起動します。");
        return r;
    }
    const QString text = decoder.decode(bytes);
    if (decoder.hasError()) {
        IniReadResult r;
        r.status = IniReadResult::Status::Unreadable;
        r.message = QStringLiteral("設定ファイル %1 が Shift-JIS として読めません。既定値で起動します。")
                        .arg(path);
        return r;
    }
    return parseIniText(text);
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
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QStringLiteral("設定ファイル %1 に書き込めません（%2）。").arg(path, file.errorString());
    if (file.write(bytes) != bytes.size() || !file.commit())
        return QStringLiteral("設定ファイル %1 に書き込めません（%2）。").arg(path, file.errorString());
    return QString();
}

} // namespace vorda
