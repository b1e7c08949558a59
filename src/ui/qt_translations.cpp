#include "ui/qt_translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>

namespace tesselon {

QtTranslations::QtTranslations() {
    // The interface is Spanish whatever the system's language, and so are Qt's texts.
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (translator_.load(QLocale(QLocale::Spanish), "qtbase", "_", folder))
        installed_ = QCoreApplication::installTranslator(&translator_);
}

QtTranslations::~QtTranslations() {
    if (installed_) QCoreApplication::removeTranslator(&translator_);
}

}  // namespace tesselon
