// Qt's own texts (the file, folder, colour and font choosers, standard buttons and
// context menus) in the interface's language, Spanish, from Qt's translation catalogues
// (Debian's qt6-translations-l10n).
#pragma once

#include <QTranslator>

namespace tesselon {

class QtTranslations {
public:
    // Loads the catalogue and installs it in the running application; without the
    // catalogue Qt keeps its English texts.
    QtTranslations();
    // Removes it again.
    ~QtTranslations();
    QtTranslations(const QtTranslations&) = delete;
    QtTranslations& operator=(const QtTranslations&) = delete;

    bool loaded() const { return installed_; }

private:
    QTranslator translator_;
    bool installed_ = false;
};

}  // namespace tesselon
