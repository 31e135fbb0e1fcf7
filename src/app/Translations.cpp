#include "app/Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QString>
#include <QTranslator>

#include <memory>

namespace quarvel {

bool InstallChineseTranslations() {
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr) {
        return false;
    }
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    const QLocale chinese(QLocale::Chinese, QLocale::China);
    // "qtbase" holds the widgets' texts; "qt" is the older catalogue that
    // includes it.
    for (const QString& catalogue : {QStringLiteral("qtbase"), QStringLiteral("qt")}) {
        auto translator = std::make_unique<QTranslator>(app);
        if (translator->load(chinese, catalogue, QStringLiteral("_"), folder)) {
            return QCoreApplication::installTranslator(translator.release());
        }
    }
    return false;
}

} // namespace quarvel
