#pragma once
// What a PDF holds as poppler reads it back (pdftotext, which the test
// command installs): words with their boxes in millimetres from the paper's
// corner; and the print system the tests print through (tests/print/with-cups.sh).
#include <QProcess>
#include <QRectF>
#include <QRegularExpression>
#include <QString>
#include <QTest>
#include <QVector>

struct PdfWord {
    int page;
    QRectF mm;
    QString text;
    QSizeF pageMm; // the sheet it is on
};

inline QVector<PdfWord> pdfWords(const QString &pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox-layout"), pdf, QStringLiteral("-")});
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return {};
    const QString xml = QString::fromUtf8(p.readAllStandardOutput());
    static const QRegularExpression page(QStringLiteral("<page "));
    static const QRegularExpression size(QStringLiteral("^width=\"([\\d.]+)\" height=\"([\\d.]+)\""));
    static const QRegularExpression word(QStringLiteral(
        "<word xMin=\"(-?[\\d.]+)\" yMin=\"(-?[\\d.]+)\" xMax=\"([\\d.]+)\" yMax=\"([\\d.]+)\">([^<]*)</word>"));
    QVector<PdfWord> words;
    const QStringList pages = xml.split(page);
    const double mmPerPt = 25.4 / 72.0;
    for (int i = 1; i < pages.size(); ++i) {
        const auto sheet = size.match(pages.at(i));
        const QSizeF pageMm = QSizeF(sheet.captured(1).toDouble(), sheet.captured(2).toDouble()) * mmPerPt;
        auto it = word.globalMatch(pages.at(i));
        while (it.hasNext()) {
            const auto m = it.next();
            const QRectF r(QPointF(m.captured(1).toDouble(), m.captured(2).toDouble()),
                           QPointF(m.captured(3).toDouble(), m.captured(4).toDouble()));
            words.append({i - 1, QRectF(r.topLeft() * mmPerPt, r.bottomRight() * mmPerPt), m.captured(5), pageMm});
        }
    }
    return words;
}

// A landscape page as the print system hands it to a printer: on the sheet
// as it comes out, turned a quarter to the left.
inline PdfWord turnedOnSheet(PdfWord w)
{
    w.mm = QRectF(QPointF(w.mm.top(), w.pageMm.width() - w.mm.right()), QSizeF(w.mm.height(), w.mm.width()));
    w.pageMm.transpose();
    return w;
}

// Where printed differs from reference: every word of the reference must be
// on printed's same page at the same place on the sheet, within toleranceMm.
// Empty when the two agree; otherwise the first difference.
inline QString wordsDiffer(const QVector<PdfWord> &printed, QVector<PdfWord> reference, double toleranceMm)
{
    if (reference.isEmpty() || printed.isEmpty())
        return QStringLiteral("no words to compare");
    const auto landscape = [](const QSizeF &sheet) { return sheet.width() > sheet.height(); };
    if (landscape(reference.first().pageMm) && !landscape(printed.first().pageMm))
        for (PdfWord &w : reference)
            w = turnedOnSheet(w);
    for (const PdfWord &want : reference) {
        double nearest = 1e9;
        for (const PdfWord &got : printed)
            if (got.page == want.page && got.text == want.text)
                nearest = std::min(nearest, std::max(qAbs(got.mm.left() - want.mm.left()),
                                                     qAbs(got.mm.top() - want.mm.top())));
        if (nearest > toleranceMm)
            return QStringLiteral("\"%1\" (page %2 at %3, %4 mm) is %5")
                .arg(want.text)
                .arg(want.page + 1)
                .arg(want.mm.left(), 0, 'f', 2)
                .arg(want.mm.top(), 0, 'f', 2)
                .arg(nearest > 1e8 ? QStringLiteral("missing") : QStringLiteral("%1 mm off").arg(nearest, 0, 'f', 2));
    }
    return {};
}

// The private print system's folder of printed files: <printer>.pdf.
inline QString printedFile(const QString &printer)
{
    return qEnvironmentVariable("CORVALE_TEST_PRINTS") + QStringLiteral("/") + printer + QStringLiteral(".pdf");
}

// Runs a CUPS command-line tool (cupsreject, cupsenable, lpstat …) on the private scheduler.
inline QString cupsTool(const QString &tool, const QStringList &args)
{
    QProcess p;
    p.start(tool, args);
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return QStringLiteral("<%1 failed: %2>").arg(tool, QString::fromUtf8(p.readAllStandardError()));
    return QString::fromUtf8(p.readAllStandardOutput());
}

// How many jobs printer has finished so far.
inline int jobsDone(const QString &printer)
{
    return int(cupsTool(QStringLiteral("lpstat"), {QStringLiteral("-W"), QStringLiteral("completed"), QStringLiteral("-o"), printer})
                   .count(u'\n'));
}

// Waits until printer has finished more than `before` jobs and has none
// left to do: whatever was sent is in its file.
inline bool printerDone(const QString &printer, int before)
{
    return QTest::qWaitFor([&] {
        return jobsDone(printer) > before
            && cupsTool(QStringLiteral("lpstat"), {QStringLiteral("-o"), printer}).isEmpty();
    }, 60000);
}
