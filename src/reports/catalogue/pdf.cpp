#include "reports/catalogue/pdf.h"
#include "reports/catalogue/pagelayout.h"

#include "reports/page/pagepaint.h"
#include "reports/page/outputfile.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>
#include <cstdio>
#include <exception>
#include <memory>
#include <thread>
#include <unistd.h>
#include <vector>

namespace reports {

namespace {

common::Error cannotWrite(const QString &path)
{
    return OutputFile(path, OutputKind::Pdf).cannotWrite();
}

// Pages first .. end-1, numbered as in the whole report. Each call has its own
// writer, painter and glyph tables, so two calls may run on two threads.
common::Result<void> writePages(const PreparedReport &prepared, int pageCount, int first, int end,
                         ReportPdfWriter &writer)
{
    if (const auto e = writer.begin(); e.failed())
        return e;
    layoutReportPages(prepared.definition, prepared.rows, prepared.heading, pageCount, first, end,
                      [&](ReportPage &&page) { writer.addPage(page); });
    return writer.finish();
}

// A half is kept in memory: read back from a file, the join costs twice as much.
bool writeHalf(const PreparedReport &prepared, int pageCount, int first, int end, QByteArray *pdf)
{
    QBuffer buffer(pdf);
    buffer.open(QIODevice::WriteOnly);
    ReportPdfWriter writer(reportFrame(prepared.definition), &buffer);
    return writePages(prepared, pageCount, first, end, writer).ok();
}

} // namespace

common::Result<void> writePreparedPdf(const PreparedReport &prepared, const QString &path, int halvesFrom)
{
    const int pageCount = countReportPages(prepared.definition, prepared.rows, prepared.heading);
    if (pageCount < halvesFrom) {
        ReportPdfWriter writer(reportFrame(prepared.definition), path);
        return writePages(prepared, pageCount, 0, pageCount, writer);
    }
    const int middle = pageCount / 2;
    QByteArray halves[2];
    bool secondWritten = false;
    std::thread second([&] { secondWritten = writeHalf(prepared, pageCount, middle, pageCount, &halves[1]); });
    const bool firstWritten = writeHalf(prepared, pageCount, 0, middle, &halves[0]);
    second.join();
    if (!firstWritten || !secondWritten)
        return cannotWrite(path);
    return joinPdfs({halves[0], halves[1]}, path);
}

common::Result<void> joinPdfs(const QList<QByteArray> &parts, const QString &path)
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
        OutputFile file(path, OutputKind::Pdf);
        if (const auto e = file.open(); e.failed())
            return e;
        // Straight into the file beside the target, not through memory: the
        // join of a long report is as large as the report.
        FILE *out = fdopen(dup(file.handle()), "wb");
        if (!out)
            return file.cannotWrite();
        {
            QPDFWriter writer(*docs.front());
            writer.setOutputFile("joined", out, true); // closed when the writer is done
            writer.setStreamDataMode(qpdf_s_preserve);
            writer.write();
        }
        return file.commit();
    } catch (const std::exception &) {
        return cannotWrite(path);
    }
}

} // namespace reports
