#include "reports/page/deflatelevel.h"

#include <QBuffer>
#include <QPainter>
#include <QPdfWriter>
#include <atomic>
#include <dlfcn.h>
#include <zlib.h>

namespace {

std::atomic<int> g_defaultLevelStreams{0};

int levelFor(int level)
{
    if (level != Z_DEFAULT_COMPRESSION)
        return level;
    g_defaultLevelStreams.fetch_add(1, std::memory_order_relaxed);
    return Z_BEST_SPEED;
}

} // namespace

// Why here and not a setting: Qt's PDF writer offers no compression level,
// and calls zlib's deflateInit with Z_DEFAULT_COMPRESSION; the Excel writer's
// zip library calls deflateInit2 with it. Defined in the program, these
// definitions win over zlib's own for every caller outside zlib that leaves
// the level to zlib; a level asked for is kept. The fastest level writes a
// long report a quarter quicker (an Excel sheet of the whole table a fifth),
// in a somewhat larger file. Every program linking the reports takes this
// file (see the reports' CMakeLists.txt): nothing calls into it.
extern "C" int deflateInit2_(z_streamp strm, int level, int method, int windowBits, int memLevel, int strategy,
                             const char *version, int streamSize)
{
    using Init = int (*)(z_streamp, int, int, int, int, int, const char *, int);
    static const Init zlibs = reinterpret_cast<Init>(dlsym(RTLD_NEXT, "deflateInit2_"));
    if (!zlibs)
        return Z_VERSION_ERROR;
    return zlibs(strm, levelFor(level), method, windowBits, memLevel, strategy, version, streamSize);
}

extern "C" int deflateInit_(z_streamp strm, int level, const char *version, int streamSize)
{
    return deflateInit2_(strm, levelFor(level), Z_DEFLATED, MAX_WBITS, 8, Z_DEFAULT_STRATEGY, version, streamSize);
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
