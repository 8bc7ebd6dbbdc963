#include "config/sprachen.h"

namespace oculon::config {

TSprachenTyp sprache = lang_de;

TSprachenTyp toLanguage(std::int64_t stored) {
    return stored >= 0 && stored < kLanguageCount ? static_cast<TSprachenTyp>(stored) : lang_de;
}

std::string text(const TText& t, TSprachenTyp lang) {
    return t[static_cast<std::size_t>(toLanguage(lang))];
}

const TText txtNewerVersion = {
    "Die Konfiguration stammt von einer neueren Softwareversion\r\nBitte Benutzen Sie diese",
    "The Configuration is written by a newer version of the Software\r\nPleas use this version of the software",
    "Cette configuration provient d'une nouvelle version logicielle\r\nVeuillez employer cette version",
    "Deze Configuratie heeft een nieuwe Software versie\r\nGebruik deze versie",
};

}  // namespace oculon::config
