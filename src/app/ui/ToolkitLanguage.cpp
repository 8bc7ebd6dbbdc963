#include "app/ui/ToolkitLanguage.h"

#include <QCoreApplication>
#include <QLibraryInfo>

#include "platform/Log.h"

namespace oculon::app::ui {

namespace {

// The toolkit names its catalogues by the language's ISO code.
const char* isoCode(config::TSprachenTyp language) {
    switch (language) {
        case config::lang_de: return "de";
        case config::lang_fr: return "fr";
        case config::lang_nl: return "nl";
        case config::lang_en: break;
    }
    return nullptr;
}

}  // namespace

ToolkitLanguage::ToolkitLanguage(QString folder) : folder_(std::move(folder)) {}

ToolkitLanguage::~ToolkitLanguage() {
    if (translator_) QCoreApplication::removeTranslator(translator_.get());
}

QString ToolkitLanguage::defaultFolder() { return QLibraryInfo::path(QLibraryInfo::TranslationsPath); }

bool ToolkitLanguage::follow(config::TSprachenTyp language) {
    if (translator_) {
        QCoreApplication::removeTranslator(translator_.get());
        translator_.reset();
    }
    const char* code = isoCode(language);
    if (code == nullptr) return false;
    auto translator = std::make_unique<QTranslator>();
    const QString name = QStringLiteral("qtbase_") + QLatin1String(code);
    if (!translator->load(name, folder_)) {
        log::warning(log::Category::app,
                     "no toolkit catalogue %s in %s (qt6-translations-l10n): file dialogs stay English",
                     name.toUtf8().constData(), folder_.toUtf8().constData());
        return false;
    }
    QCoreApplication::installTranslator(translator.get());
    translator_ = std::move(translator);
    return true;
}

}  // namespace oculon::app::ui
