#include "reports/enginepdf.h"

#include "reports/enginepaint.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>
#include <exception>
#include <memory>
#include <thread>
#include <vector>
#include <zlib.h>

namespace reports {

namespace {

QString cannotWrite(const QString &path)
{
    return QStringLiteral("无法写入 PDF 文件 “%1”").arg(path);
}

// Pages first .. end-1, numbered as in the whole report. Each call has its own
// writer, painter and glyph tables, so two calls may run on two threads.
bool writePages(const PreparedReport &prepared, int pageCount, int first, int end, ReportPdfWriter &writer,
                QString *error)
{
    if (!writer.begin(error))
        return false;
    layoutReportPages(prepared.definition, prepared.rows, prepared.printed, pageCount, first, end,
                      [&](ReportPage &&page) { writer.addPage(page); });
    return writer.finish(error);
}

// A half is kept in memory: read back from a file, the join costs twice as much.
bool writeHalf(const PreparedReport &prepared, int pageCount, int first, int end, QByteArray *pdf)
{
    QBuffer buffer(pdf);
    buffer.open(QIODevice::WriteOnly);
    ReportPdfWriter writer(reportFrame(prepared.definition), &buffer);
    return writePages(prepared, pageCount, first, end, writer, nullptr);
}

} // namespace

bool writePreparedPdf(const PreparedReport &prepared, const QString &path, int halvesFrom, QString *error)
{
    const int pageCount = countReportPages(prepared.definition, prepared.rows, prepared.printed);
    if (pageCount < halvesFrom) {
        ReportPdfWriter writer(reportFrame(prepared.definition), path);
        return writePages(prepared, pageCount, 0, pageCount, writer, error);
    }
    const int middle = pageCount / 2;
    QByteArray halves[2];
    bool secondWritten = false;
    std::thread second([&] { secondWritten = writeHalf(prepared, pageCount, middle, pageCount, &halves[1]); });
    const bool firstWritten = writeHalf(prepared, pageCount, 0, middle, &halves[0]);
    second.join();
    if (!firstWritten || !secondWritten) {
        if (error)
            *error = cannotWrite(path);
        return false;
    }
    return joinPdfs({halves[0], halves[1]}, path, error);
}

bool joinPdfs(const QList<QByteArray> &parts, const QString &path, QString *error)
{
    try {
        // Pages taken from the other parts are read from them while writing,
        // so every part stays open until then.
        std::vector<std::unique_ptr<QPDF>> docs;
        for (const QByteArray &part : parts) {
            docs.push_back(std::make_unique<QPDF>());
            docs.back()->processMemoryFile("part", part.constData(), size_t(part.size()));
        }
        QPDFPageDocumentHelper joined(*docs.front());
        for (size_t i = 1; i < docs.size(); ++i)
            for (QPDFPageObjectHelper &page : QPDFPageDocumentHelper(*docs[i]).getAllPages())
                joined.addPage(page, false);
        // The writer keeps the name's pointer until it is done.
        const QByteArray fileName = QFile::encodeName(path);
        QPDFWriter writer(*docs.front(), fileName.constData());
        writer.setStreamDataMode(qpdf_s_preserve);
        writer.write();
        return true;
    } catch (const std::exception &) {
        QFile::remove(path);
        if (error)
            *error = cannotWrite(path);
        return false;
    }
}

bool renderRequestToPdf(const ReportRequest &request, const QString &pdfPath, QString *error)
{
    const PreparedReport prepared = prepareReport(request, QDir::currentPath());
    if (!prepared.error.isEmpty()) {
        if (error)
            *error = prepared.error;
        return false;
    }
    return writePreparedPdf(prepared, pdfPath, pdfHalvesFromPages, error);
}

} // namespace reports

// Qt's PDF writer deflates every page stream at zlib's default level, a third
// of a long report's time. Defined in the program, this wins over zlib's own
// deflateInit_ (which does just the same with the level given) for every
// caller that leaves the level to zlib; a level asked for is kept.
extern "C" int deflateInit_(z_streamp strm, int level, const char *version, int streamSize)
{
    if (level == Z_DEFAULT_COMPRESSION)
        level = Z_BEST_SPEED;
    return deflateInit2_(strm, level, Z_DEFLATED, MAX_WBITS, 8, Z_DEFAULT_STRATEGY, version, streamSize);
}
