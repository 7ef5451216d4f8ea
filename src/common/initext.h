#pragma once
// The text of corvale.ini: what bytes a shop's file may hold, how its lines
// read, and how values the program owns are merged into it line by line.
#include "common/result.h"

#include <QMap>
#include <QString>
#include <QStringList>
#include <optional>

namespace common {

// Failures of the settings file that the windows tell apart.
namespace settingsCode {
constexpr int NotText = 1101;    // binary, or too large to be a settings file
constexpr int Unreadable = 1102; // the file could not be opened or read
constexpr int NotSaved = 1103;   // the new file could not be written
} // namespace settingsCode

// A settings file is a few kilobytes; anything over this is no settings file.
constexpr qint64 kMaxSettingsFileBytes = 1024 * 1024;

enum class TextEncoding { Utf8, Gb18030 };

struct DecodedText {
    QString text;
    TextEncoding encoding = TextEncoding::Utf8;
};

// The file's bytes as text: UTF-8 (with or without a byte-order mark), or
// else GB18030, the encoding Chinese Windows editors write (GBK is part of
// it). Bytes that are neither, or hold control characters, are no text.
Result<DecodedText> decodeSettingsText(const QByteArray &bytes);

// "[section]" lines, "key = value" lines, ";" and "#" comments. The last
// repeat of a key wins.
struct IniText {
    QMap<QString, QMap<QString, QString>> sections;
    QStringList sectionOrder;
    int unrecognisedLines = 0;
    QStringList unrecognised; // the first few, as "第 N 行：text"
};
IniText parseIni(const QString &text);

// Lists are comma-separated; a name that itself holds a comma or a quote is
// written in double quotes. A hand-edited list may also use ， or 、.
QString joinList(const QStringList &items);
QStringList splitList(const QString &text);

// One value the settings own in the INI text; no value: its line goes.
struct IniValue {
    QString section;
    QString key;
    std::optional<QString> value;
};

// existing with each owned key's line replaced in place (the first one, later
// repeats dropped), missing keys added at the end of their section's first
// block and missing sections at the end. Every other line stays as it was.
QString mergeIni(const QString &existing, const QList<IniValue> &owned);

} // namespace common
