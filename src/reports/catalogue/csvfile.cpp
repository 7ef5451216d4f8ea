#include "reports/catalogue/csvfile.h"

namespace reports {

namespace {

QString neverAFormula(const QString &field)
{
    if (field.isEmpty())
        return field;
    const QChar first = field.front();
    bool number = false;
    if (first == u'-')
        field.toDouble(&number);
    if (first == u'=' || first == u'+' || first == u'@' || first == u'\t' || first == u'\r' || (first == u'-' && !number))
        return u'\'' + field;
    return field;
}

// A long report is written a megabyte at a time.
constexpr qsizetype kFlushBytes = 1 << 20;

} // namespace

QString csvField(const QString &text)
{
    const QString field = neverAFormula(text);
    const bool quoted = field.contains(u',') || field.contains(u'"') || field.contains(u'\n') || field.contains(u'\r');
    if (!quoted)
        return field;
    return u'"' + QString(field).replace(u'"', QStringLiteral("\"\"")) + u'"';
}

CsvFile::CsvFile(const QString &path) : m_file(path, OutputKind::Csv), m_out("\xEF\xBB\xBF") {}

common::Result<void> CsvFile::open()
{
    return m_file.open();
}

void CsvFile::add(const QStringList &fields)
{
    QString line;
    for (int c = 0; c < fields.size(); ++c) {
        if (c > 0)
            line += u',';
        line += csvField(fields.at(c));
    }
    line += QStringLiteral("\r\n");
    m_out += line.toUtf8();
    if (m_out.size() >= kFlushBytes)
        flush();
}

void CsvFile::flush()
{
    m_written = m_written && m_file.device()->write(m_out) == m_out.size();
    m_out.clear();
}

common::Result<void> CsvFile::commit()
{
    flush();
    if (!m_written) {
        m_file.discard();
        return m_file.writeFailed(true, m_file.device()->errorString());
    }
    return m_file.commit();
}

} // namespace reports
