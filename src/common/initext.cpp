#include "common/initext.h"

#include <QStringDecoder>

namespace common {
namespace {

constexpr int kUnrecognisedShown = 3;
constexpr int kLineShown = 40;

// Tabs and line ends are text; any other control character means binary.
bool holdsControlBytes(const QByteArray &bytes)
{
    for (const char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if ((u < 0x20 && u != '\t' && u != '\n' && u != '\r') || u == 0x7F)
            return true;
    }
    return false;
}

std::optional<QString> decodedAs(const char *encoding, const QByteArray &bytes)
{
    QStringDecoder decoder(encoding);
    if (!decoder.isValid())
        return std::nullopt;
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

QString escapeValue(QString v)
{
    v.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    v.replace(QLatin1Char('\n'), QLatin1String("\\n"));
    v.remove(QLatin1Char('\r'));
    return v;
}

QString unescapeValue(const QString &v)
{
    QString out;
    out.reserve(v.size());
    for (int i = 0; i < v.size(); ++i) {
        if (v.at(i) == QLatin1Char('\\') && i + 1 < v.size()) {
            const QChar next = v.at(++i);
            out += next == QLatin1Char('n') ? QChar(QLatin1Char('\n')) : next;
        } else {
            out += v.at(i);
        }
    }
    return out;
}

QString sectionOf(const QString &trimmedLine)
{
    if (trimmedLine.startsWith(QLatin1Char('[')) && trimmedLine.endsWith(QLatin1Char(']')))
        return trimmedLine.mid(1, trimmedLine.size() - 2).trimmed();
    return {};
}

bool isComment(const QString &trimmedLine)
{
    return trimmedLine.startsWith(QLatin1Char(';')) || trimmedLine.startsWith(QLatin1Char('#'));
}

// The key of a "key = value" line; empty for anything else.
QString keyOf(const QString &trimmedLine)
{
    if (isComment(trimmedLine))
        return {};
    const int eq = trimmedLine.indexOf(QLatin1Char('='));
    return eq > 0 ? trimmedLine.left(eq).trimmed() : QString();
}

QString valueLine(const IniValue &v) { return v.key + QStringLiteral(" = ") + escapeValue(*v.value); }

} // namespace

Result<DecodedText> decodeSettingsText(const QByteArray &bytes)
{
    const QByteArray bom("\xEF\xBB\xBF");
    const QByteArray body = bytes.startsWith(bom) ? bytes.mid(bom.size()) : bytes;
    if (holdsControlBytes(body))
        return Error(settingsCode::NotText, QStringLiteral("文件中有控制字符，不是文本"));
    if (auto utf8 = decodedAs("UTF-8", body))
        return DecodedText{*utf8, TextEncoding::Utf8};
    if (auto gb = decodedAs("GB18030", body))
        return DecodedText{*gb, TextEncoding::Gb18030};
    return Error(settingsCode::NotText, QStringLiteral("既不是 UTF-8 也不是 GBK 文本"));
}

IniText parseIni(const QString &text)
{
    IniText ini;
    QString section;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int n = 0; n < lines.size(); ++n) {
        const QString line = lines.at(n).trimmed();
        if (line.isEmpty() || isComment(line))
            continue;
        if (const QString name = sectionOf(line); !name.isEmpty()) {
            section = name;
            if (!ini.sectionOrder.contains(section))
                ini.sectionOrder << section;
            continue;
        }
        const int eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0) {
            if (ini.unrecognisedLines++ < kUnrecognisedShown)
                ini.unrecognised << QStringLiteral("第 %1 行：%2").arg(n + 1).arg(
                    line.size() > kLineShown ? line.left(kLineShown) + QStringLiteral("…") : line);
            continue;
        }
        ini.sections[section].insert(line.left(eq).trimmed(), unescapeValue(line.mid(eq + 1).trimmed()));
    }
    return ini;
}

QString joinList(const QStringList &items)
{
    QStringList parts;
    for (const QString &item : items) {
        const bool quote = item.contains(QLatin1Char(',')) || item.contains(QLatin1Char('"'))
                           || item != item.trimmed() || item.isEmpty();
        parts << (quote ? QLatin1Char('"') + QString(item).replace(QLatin1String("\""), QLatin1String("\"\""))
                              + QLatin1Char('"')
                        : item);
    }
    return parts.join(QStringLiteral(", "));
}

QStringList splitList(const QString &text)
{
    QStringList items;
    if (text.trimmed().isEmpty())
        return items;
    QString current;
    bool quoted = false;
    bool wasQuoted = false;
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == QLatin1Char('"') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('"')) {
                current += c;
                ++i;
            } else if (c == QLatin1Char('"')) {
                quoted = false;
            } else {
                current += c;
            }
        } else if (c == QLatin1Char('"') && current.trimmed().isEmpty()) {
            quoted = wasQuoted = true;
            current.clear();
        } else if (c == QLatin1Char(',') || c == QChar(0xFF0C) || c == QChar(0x3001)) { // , ， 、
            items << (wasQuoted ? current : current.trimmed());
            current.clear();
            wasQuoted = false;
        } else if (!(wasQuoted && c.isSpace())) {
            current += c;
        }
    }
    items << (wasQuoted ? current : current.trimmed());
    return items;
}

QString mergeIni(const QString &existing, const QList<IniValue> &owned)
{
    QStringList lines = existing.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    QList<bool> written(owned.size(), false);
    const auto ownedAt = [&](const QString &section, const QString &key) {
        for (int i = 0; i < owned.size(); ++i)
            if (owned.at(i).section == section && owned.at(i).key == key)
                return i;
        return -1;
    };

    QStringList out;
    QString section;
    QMap<QString, int> blockEnd; // a section's first block: where its missing keys go
    bool inFirstBlock = false;
    for (QString line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        const QString trimmed = line.trimmed();
        if (const QString name = sectionOf(trimmed); !name.isEmpty()) {
            section = name;
            inFirstBlock = !blockEnd.contains(section);
            out << line;
            if (inFirstBlock)
                blockEnd.insert(section, int(out.size()));
            continue;
        }
        const int i = ownedAt(section, keyOf(trimmed));
        if (i >= 0) {
            if (written.at(i) || !owned.at(i).value)
                continue;
            written[i] = true;
            line = valueLine(owned.at(i));
        }
        out << line;
        if (inFirstBlock && !trimmed.isEmpty())
            blockEnd[section] = int(out.size());
    }

    // Missing keys of sections the text has, from the last section up, so
    // the places found above stay right.
    QMap<int, QStringList> inserts;
    QStringList newSections;
    QMap<QString, QStringList> newKeys;
    for (int i = 0; i < owned.size(); ++i) {
        const IniValue &v = owned.at(i);
        if (written.at(i) || !v.value)
            continue;
        if (blockEnd.contains(v.section)) {
            inserts[blockEnd.value(v.section)] << valueLine(v);
        } else {
            if (!newSections.contains(v.section))
                newSections << v.section;
            newKeys[v.section] << valueLine(v);
        }
    }
    for (auto it = inserts.cend(); it != inserts.cbegin();) {
        --it;
        for (int k = 0; k < it.value().size(); ++k)
            out.insert(it.key() + k, it.value().at(k));
    }
    for (const QString &name : newSections) {
        if (!out.isEmpty() && !out.last().trimmed().isEmpty())
            out << QString();
        out << QLatin1Char('[') + name + QLatin1Char(']');
        out += newKeys.value(name);
    }
    return out.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

} // namespace common
