#include "store/serveraddress.h"

#include <QRegularExpression>
#include <QStringList>
#include <QUrl>
#include <QUrlQuery>

namespace store {

namespace {

const QStringList kSchemes = {QStringLiteral("postgresql://"), QStringLiteral("postgres://")};
const QStringList kSslModes = {QStringLiteral("disable"), QStringLiteral("allow"), QStringLiteral("prefer"),
                               QStringLiteral("require"), QStringLiteral("verify-ca"), QStringLiteral("verify-full")};
constexpr int kLongestConnectWaitS = 600;

QString howToWrite()
{
    return QStringLiteral("地址应写成 postgresql://用户:密码@主机:5432/数据库");
}

common::Error refused(const QString &text, const QString &why)
{
    return common::Error::failed(QStringLiteral("数据库服务器地址 %1 有误：%2").arg(maskedAddress(text), why));
}

// Why a line is no server address: what its start lacks.
QString schemeFault(const QString &text)
{
    static const QRegularExpression ours(QStringLiteral("^postgres(?:ql)?\\s*(:?)\\s*(/?)"),
                                         QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression other(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*://"));
    if (text.isEmpty())
        return QStringLiteral("没有写地址");
    if (const QRegularExpressionMatch m = ours.match(text); m.hasMatch())
        return m.captured(1).isEmpty() ? QStringLiteral("开头的 postgresql 后面少了冒号，应是 postgresql://")
                                       : QStringLiteral("开头的 postgresql: 后面要有两个斜杠，应是 postgresql://");
    if (const QRegularExpressionMatch m = other.match(text); m.hasMatch())
        return QStringLiteral("本程序只连接 PostgreSQL 服务器，地址以 postgresql:// 开头");
    return QStringLiteral("开头缺少 postgresql://");
}

// How a character a user name or password cannot hold as it is is written.
QString percentOf(QChar c)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(QString(c)));
}

// "user:password@host:port" of a URL whose scheme is known.
QString authorityOf(const QString &text)
{
    const int start = text.indexOf(QStringLiteral("://")) + 3;
    int end = text.size();
    for (const QChar c : {u'/', u'?', u'#'}) {
        const int at = text.indexOf(c, start);
        if (at >= 0)
            end = qMin(end, at);
    }
    return text.mid(start, end - start);
}

// The port as written after the host, empty when none is.
QString portText(const QString &authority)
{
    const QString hostPort = authority.mid(authority.lastIndexOf(u'@') + 1);
    const int bracket = hostPort.lastIndexOf(u']');
    const int colon = hostPort.lastIndexOf(u':');
    if (colon < 0 || colon < bracket || (bracket < 0 && hostPort.count(u':') > 1))
        return {};
    return hostPort.mid(colon + 1);
}

// text with every character a URL's user name or password cannot hold as
// it is written %XX. A %XX already there is read first, so it is not
// written twice.
QString encodedUserInfo(const QString &text)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(QUrl::fromPercentEncoding(text.toUtf8()), "!$&'()*+,;="));
}

} // namespace

QString encodedServerAddress(const QString &given)
{
    const QString text = given.trimmed();
    if (!looksLikeServerAddress(text))
        return given;
    const int start = text.indexOf(QStringLiteral("://")) + 3;
    const int at = text.lastIndexOf(u'@');
    if (at < start)
        return text;
    const QString userInfo = text.mid(start, at - start);
    const int colon = userInfo.indexOf(u':');
    QString encoded = encodedUserInfo(colon < 0 ? userInfo : userInfo.left(colon));
    if (colon >= 0)
        encoded += u':' + encodedUserInfo(userInfo.mid(colon + 1));
    return text.left(start) + encoded + text.mid(at);
}

bool looksLikeServerAddress(const QString &text)
{
    const QString t = text.trimmed();
    for (const QString &scheme : kSchemes)
        if (t.startsWith(scheme, Qt::CaseInsensitive))
            return true;
    return false;
}

PasswordSpan passwordSpan(const QString &text)
{
    // A scheme is only taken for one where it cannot be a user name: one
    // followed by a slash, or ours written without any.
    static const QRegularExpression scheme(QStringLiteral("^\\s*(?:[A-Za-z][A-Za-z0-9+.-]*:(?=/)|postgres(?:ql)?:)"),
                                           QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = scheme.match(text);
    const qsizetype start = m.hasMatch() ? m.capturedEnd() : 0;
    const qsizetype at = text.lastIndexOf(u'@');
    const qsizetype colon = text.indexOf(u':', start);
    if (at >= start && colon >= 0 && colon < at)
        return {colon + 1, at - colon - 1};
    // No @: what follows a ":" that is no port may be a password whose
    // "@server" was left out.
    static const QRegularExpression lostServer(QStringLiteral("^[/\\s]*[^:/?#\\[\\]@]*:([^/?#]*[^/?#\\d][^/?#]*)"));
    if (at < 0)
        if (const QRegularExpressionMatch m = lostServer.match(text.mid(start)); m.hasMatch())
            return {start + m.capturedStart(1), m.capturedLength(1)};
    return {};
}

SplitServerLine splitServerLine(const QString &given)
{
    const QString text = given.trimmed();
    const PasswordSpan span = passwordSpan(text);
    if (span.size <= 0)
        return {text, {}};
    return {text.left(span.from - 1) + text.mid(span.from + span.size), text.mid(span.from, span.size)};
}

QString joinServerLine(const QString &given, const QString &password)
{
    const QString line = given.trimmed();
    if (password.isEmpty() || !looksLikeServerAddress(line))
        return line;
    const qsizetype start = line.indexOf(QStringLiteral("://")) + 3;
    const qsizetype at = line.lastIndexOf(u'@');
    if (at < start)
        return line.left(start) + u':' + password + u'@' + line.mid(start);
    // "user:@host" held an empty password: its ':' is there already.
    return line.left(at) + (line.at(at - 1) == u':' ? QString() : QStringLiteral(":")) + password + line.mid(at);
}

QString maskedAddress(const QString &text)
{
    QString t = text.trimmed();
    if (const PasswordSpan span = passwordSpan(t); span.size > 0)
        t.replace(span.from, span.size, QStringLiteral("***"));
    // libpq also reads a password from the options; ours are refused, but said.
    static const QRegularExpression option(QStringLiteral("(password\\s*=\\s*)(?:'(?:[^'\\\\]|\\\\.)*'?|[^&\\s]*)"),
                                           QRegularExpression::CaseInsensitiveOption);
    t.replace(option, QStringLiteral("\\1***"));
    return t;
}

common::Result<ServerAddress> parseServerAddress(const QString &given)
{
    const QString text = given.trimmed();
    if (!looksLikeServerAddress(text))
        return common::Error::failed(
            QStringLiteral("“%1”不是数据库服务器地址：%2。%3").arg(maskedAddress(text), schemeFault(text), howToWrite()));
    const QString authority = authorityOf(text);
    const qsizetype authorityEnd = text.indexOf(QStringLiteral("://")) + 3 + authority.size();
    // A raw / ? or # in the password ends the host part early; the rest
    // would be read as a port or a database name.
    if (!authority.contains(u'@') && text.indexOf(u'@', authorityEnd) >= 0) {
        const QChar stray = text.at(authorityEnd);
        return refused(text, QStringLiteral("用户名或密码中有“%1”，要写成 %2。")
                                 .arg(stray, percentOf(stray)));
    }
    if (authority.count(u'@') > 1)
        return refused(text, QStringLiteral("其中有不止一个 @。密码里的 @ 要写成 %40（其他特殊字符见说明书）。"));
    if (const QString port = portText(authority); !port.isEmpty()) {
        bool number = false;
        const int value = port.toInt(&number);
        // Without an @ the words after ":" may be a password whose "@服务器"
        // was left out: they are not repeated.
        if (!number && !authority.contains(u'@'))
            return refused(text, QStringLiteral("主机名后的“:”之后应是端口号；若写的是用户名和密码，后面缺少“@服务器”。")
                                     + howToWrite());
        if (!number || value < 1 || value > 65535)
            return refused(text, QStringLiteral("端口“%1”不是 1 到 65535 之间的数。").arg(port));
    }
    // The scheme in any case: QUrl keeps it as written.
    const int schemeEnd = text.indexOf(QStringLiteral("://"));
    const QUrl url(text.left(schemeEnd).toLower() + text.mid(schemeEnd), QUrl::StrictMode);
    if (!url.isValid())
        return refused(text, QStringLiteral("写法不对（空格和 % @ : / ? # 等字符在用户名和密码中要写成 %XX）。") + howToWrite());
    if (url.host().isEmpty())
        return refused(text, QStringLiteral("缺少服务器的主机名或 IP 地址。") + howToWrite());
    ServerAddress address;
    address.host = url.host();
    address.port = url.port(5432);
    address.user = url.userName();
    address.password = url.password();
    address.database = url.path().mid(1);
    if (address.database.contains(u'/'))
        return refused(text, QStringLiteral("数据库名“%1”中不能有 /。").arg(address.database));
    const QUrlQuery query(url);
    for (const auto &[key, value] : query.queryItems(QUrl::FullyDecoded)) {
        if (key == QLatin1String("sslmode")) {
            if (!kSslModes.contains(value))
                return refused(text, QStringLiteral("sslmode 只能是 %1。").arg(kSslModes.join(QStringLiteral("、"))));
            address.sslMode = value;
        } else if (key == QLatin1String("connect_timeout")) {
            bool number = false;
            const int seconds = value.toInt(&number);
            if (!number || seconds < 1 || seconds > kLongestConnectWaitS)
                return refused(text, QStringLiteral("connect_timeout 应是 1 到 %1 之间的秒数。").arg(kLongestConnectWaitS));
            address.connectTimeoutS = seconds;
        } else if (key.compare(QLatin1String("password"), Qt::CaseInsensitive) == 0) {
            return refused(text, QStringLiteral("密码不能写在“?”后的参数中：写在 @ 之前，或放在 ~/.pgpass 文件中。"));
        } else {
            return refused(text, QStringLiteral("本程序不认识参数“%1”（可用的有 sslmode 和 connect_timeout）。").arg(key));
        }
    }
    return address;
}

QString ServerAddress::shown() const
{
    QUrl url;
    url.setScheme(QStringLiteral("postgresql"));
    url.setUserName(user);
    url.setHost(host);
    url.setPort(port);
    url.setPath(u'/' + database);
    if (!sslMode.isEmpty())
        url.setQuery(QStringLiteral("sslmode=") + sslMode);
    return url.toString();
}

QString ServerAddress::connectOptions() const
{
    QStringList options{QStringLiteral("connect_timeout=%1").arg(connectTimeoutS)};
    if (!sslMode.isEmpty())
        options << QStringLiteral("sslmode=") + sslMode;
    return options.join(u';');
}

} // namespace store
