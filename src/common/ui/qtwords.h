#pragma once
// Qt's own words in Chinese: standard buttons and dialogs from Qt's
// translation, and the few words it lacks (a file dialog's "Folder") from
// the program itself.
#include <QTranslator>

namespace common {

class MissingQtWords final : public QTranslator {
public:
    using QTranslator::QTranslator;
    bool isEmpty() const override { return false; }
    QString translate(const char *context, const char *sourceText, const char *disambiguation = nullptr,
                      int n = -1) const override;
};

// Installs both on the application; the translators live as long as it does.
void installChineseQtWords();

} // namespace common
