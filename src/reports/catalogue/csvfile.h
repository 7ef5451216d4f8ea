#pragma once
// CSV as a spreadsheet program on a Chinese desktop reads it: UTF-8 with a
// byte-order mark, so the Chinese comes out right; fields quoted as RFC 4180
// has them; lines ended by CR LF. Every CSV the program writes goes through
// here, written beside its target and renamed into place once complete.
#include "reports/page/outputfile.h"

#include <QByteArray>
#include <QStringList>

namespace reports {

// One field as written: quoted when it holds a separator, a quote or a line
// break; a text a spreadsheet program would run as a formula (=, +, @, or -
// not starting a number) gets an apostrophe first, so a name a clerk typed
// never becomes a command in the bookkeeper's spreadsheet.
QString csvField(const QString &text);

class CsvFile {
public:
    explicit CsvFile(const QString &path);

    common::Result<void> open();
    // One line of fields.
    void add(const QStringList &fields);
    // Renames the finished file into place; a failed write leaves nothing.
    common::Result<void> commit();

private:
    void flush();

    OutputFile m_file;
    QByteArray m_out;
    bool m_written = true;
};

} // namespace reports
