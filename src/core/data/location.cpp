#include "core/data/location.h"

#include <QDir>
#include <QRegularExpression>
#include <QUrl>
#include <QUrlQuery>

namespace vorda {

namespace {

// The connection options a location may carry; values go to libpq as they stand, so only
// plain words are accepted (no blanks, quotes or separators).
bool allowedOption(const QString& key) {
    static const QStringList keys = {QStringLiteral("sslmode"),
                                     QStringLiteral("sslrootcert"),
                                     QStringLiteral("sslcert"),
                                     QStringLiteral("sslkey"),
                                     QStringLiteral("connect_timeout"),
                                     QStringLiteral("application_name"),
                                     QStringLiteral("target_session_attrs")};
    return keys.contains(key);
}

} // namespace

bool isServerLocation(const QString& location) {
    // A server address with a slip ("postgresql:x", "postgres:/db") is still meant for a
    // server: it is refused as one, never taken for a file of that name.
    const QString t = location.trimmed();
    return t.startsWith(QLatin1String("postgresql:"), Qt::CaseInsensitive) ||
           t.startsWith(QLatin1String("postgres:"), Qt::CaseInsensitive);
}

bool parseServerLocation(const QString& location, ServerLocation& out, QString& why) {
    out = {};
    const QString text = location.trimmed();
    const QUrl url(text, QUrl::StrictMode);
    const QString form = QStringLiteral("postgresql://ユーザー@ホスト[:ポート]/データベース");
    const bool slashes = text.startsWith(QLatin1String("postgresql://"), Qt::CaseInsensitive) ||
                         text.startsWith(QLatin1String("postgres://"), Qt::CaseInsensitive);
    if (!slashes || !url.isValid() || url.host().isEmpty()) {
        why = QStringLiteral("サーバーの指定 %1 が読めません。%2 の形で書いてください。")
                  .arg(text, form);
        return false;
    }
    if (!url.password().isEmpty()) {
        why = QStringLiteral("サーバーの指定にパスワードは書けません（vorda.INI "
                             "に残るため）。パスワードは ~/.pgpass などに置くか、接続のときに"
                             "入力してください。");
        return false;
    }
    out.user = url.userName();
    out.host = url.host();
    out.port = url.port(5432);
    out.database = url.path().mid(1);
    if (out.user.isEmpty() || out.database.isEmpty() || out.database.contains(u'/')) {
        why = QStringLiteral("サーバーの指定 %1 にユーザーまたはデータベースがありません。%2 "
                             "の形で書いてください。")
                  .arg(text, form);
        return false;
    }
    if (out.port <= 0 || out.port > 65535) {
        why = QStringLiteral("サーバーの指定 %1 のポート番号が正しくありません。").arg(text);
        return false;
    }
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_./:-]+$"));
    QStringList options;
    for (const auto& [key, value] : QUrlQuery(url).queryItems(QUrl::FullyDecoded)) {
        if (!allowedOption(key) || !plain.match(value).hasMatch()) {
            why = QStringLiteral("サーバーの指定 %1 の「%2」は使えない指定です。").arg(text, key);
            return false;
        }
        options << key + u'=' + value;
    }
    out.options = options.join(u';');
    return true;
}

QString serverLocationText(const ServerLocation& server) {
    QUrl url;
    url.setScheme(QStringLiteral("postgresql"));
    url.setUserName(server.user);
    url.setHost(server.host);
    if (server.port != 5432)
        url.setPort(server.port);
    url.setPath(u'/' + server.database);
    if (!server.options.isEmpty()) {
        QUrlQuery query;
        for (const QString& option : server.options.split(u';', Qt::SkipEmptyParts))
            query.addQueryItem(option.section(u'=', 0, 0), option.section(u'=', 1));
        url.setQuery(query);
    }
    return url.toString(QUrl::PrettyDecoded);
}

QString locationForMessages(const QString& location) {
    return isServerLocation(location) ? location.trimmed() : QDir::toNativeSeparators(location);
}

} // namespace vorda
