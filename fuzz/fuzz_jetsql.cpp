// Any text at all must come back translated or refused, never crash or hang.
#include "store/jetsql.h"

#include <QString>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const common::Result<store::JetTranslation> t = store::translateJet(text);
    if (t.failed() && t.error().text.isEmpty())
        __builtin_trap(); // a refusal must say why
    (void)store::translateJetCondition(text).ok();
    (void)store::jetLike(text, text);
    return 0;
}
