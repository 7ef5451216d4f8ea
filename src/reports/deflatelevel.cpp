#include "reports/deflatelevel.h"

#include <QBuffer>
#include <QPainter>
#include <QPdfWriter>
#include <atomic>
#include <zlib.h>

namespace {

std::atomic<int> g_defaultLevelStreams{0};

} // namespace

// Why here and not a setting: Qt's PDF writer offers no compression level,
// and calls zlib's deflateInit with Z_DEFAULT_COMPRESSION. Defined in the
// program, this definition wins over zlib's own (which does just the same
// with the level given) for every caller outside zlib that leaves the level
// to zlib; a level asked for is kept. The fastest level writes a long report
// a quarter quicker, in a somewhat larger file. Every program linking the reports
// takes this file (see the reports' CMakeLists.txt): nothing calls into it.
extern "C" int deflateInit_(z_streamp strm, int level, const char *version, int streamSize)
{
    if (level == Z_DEFAULT_COMPRESSION) {
        level = Z_BEST_SPEED;
        g_defaultLevelStreams.fetch_add(1, std::memory_order_relaxed);
    }
    return deflateInit2_(strm, level, Z_DEFLATED, MAX_WBITS, 8, Z_DEFAULT_STRATEGY, version, streamSize);
}

namespace reports {

bool pdfWriterDeflatesFastest()
{
    const int before = g_defaultLevelStreams.load();
    QByteArray pdf;
    QBuffer buffer(&pdf);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    QPainter painter;
    if (!painter.begin(&writer))
        return false;
    painter.drawLine(0, 0, 100, 100);
    painter.end();
    return g_defaultLevelStreams.load() > before;
}

} // namespace reports
