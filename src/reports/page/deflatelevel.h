#pragma once
// Qt's PDF writer deflates its page streams at zlib's default level, which
// spends a third of a long report's time; the Excel writer zips its sheets
// at that level too. deflatelevel.cpp makes that default zlib's fastest
// level for the whole program.
namespace reports {

// Whether Qt's PDF writer, in this program, reaches the override: false when
// its zlib calls never come here, e.g. with a Qt that bundles its own zlib.
// Writes a small PDF into memory to find out.
bool pdfWriterDeflatesFastest();

} // namespace reports
