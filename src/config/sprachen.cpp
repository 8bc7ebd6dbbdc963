#include "config/sprachen.h"

#include "platform/UserNotice.h"

namespace oculon::config {

TSprachenTyp sprache = lang_de;

TSprachenTyp toLanguage(std::int64_t stored) {
    return stored >= 0 && stored < kLanguageCount ? static_cast<TSprachenTyp>(stored) : lang_de;
}

std::optional<TSprachenTyp> languageOfLocale(std::string_view names) {
    static constexpr std::pair<std::string_view, TSprachenTyp> kCodes[] = {
        {"de", lang_de}, {"en", lang_en}, {"fr", lang_fr}, {"nl", lang_nl}};
    while (!names.empty()) {
        const auto end = names.find(':');
        const std::string_view name = names.substr(0, end);
        // The language code ends where the territory, the code set or the modifier begins.
        const std::string_view code = name.substr(0, name.find_first_of("_.@-"));
        for (const auto& [known, language] : kCodes)
            if (code == known) return language;
        if (end == std::string_view::npos) break;
        names.remove_prefix(end + 1);
    }
    return std::nullopt;
}

std::string text(const TText& t, TSprachenTyp lang) { return t[static_cast<std::size_t>(toLanguage(lang))]; }

std::string withLineFeeds(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n') continue;
        out += s[i];
    }
    return out;
}

#define OCULON_TEXT(name, de, en, fr, nl) const TText name = {de, en, fr, nl};
#define OCULON_EXTRA_TEXT(name, de, en, fr, nl) const TText name = {de, en, fr, nl};
#include "config/sprachenTexte.inc"
#undef OCULON_TEXT
#undef OCULON_EXTRA_TEXT

namespace {
#define OCULON_TEXT(name, de, en, fr, nl) +1
#define OCULON_EXTRA_TEXT(name, de, en, fr, nl)
constexpr std::size_t kCounted = 0
#include "config/sprachenTexte.inc"
    ;
#undef OCULON_TEXT
#undef OCULON_EXTRA_TEXT
static_assert(kCounted == kCatalogueCount, "the catalogue has lost or gained an entry");
}  // namespace

const std::array<TText, kVideoServerTypeCount> serverTypNamen = {{
    {"Korvat Videoserver", "Korvat Videoserver", "Adaptateur Vistrel", "Vistrel adapter"},
    {"Korvat IP-Kamera", "Korvat IP-Camera", "Caméra IP Korvat", "Korvat IP camera"},
    {"Mobotix Kamera", "Mobotix Camera", "Caméra Mobotix", "Mobotix camera"},
    {"Korvat HD-Kamera", "Korvat HD-Camera", "Caméra Korvat HD", "Korvat HD camera"},
    {"AXIS/Vexaro Kamera", "AXIS/Vexaro Camera", "Caméra AXIS/Vexaro", "AXIS/Vexaro camera"},
    {"Korvat Videoserver 2", "Korvat Videoserver 2", "Adaptateur Vistrel 2", "Vistrel adapter 2"},
    {"Korvat Smart-Kamera", "Korvat Smart-Camera", "Caméra Korvat Smart", "Korvat Smart camera"},
    // Never offered for adding by hand, so it never needed a name.
    {"", "", "", ""},
    {"Korvat-Station Kamera", "Korvat-Station Camera", "Caméra Korvat-Station", "Korvat-Station camera"},
    {"benutzerdefiniert", "user-defined", "défini par l'utilisateur", "gedefineerd door gebruiker"},
}};

const std::array<TText, kLayoutCount> layoutNamen = {{
    {"2 x 2 Videos", "2 x 2 videos", "2 x 2 vidéos", "2 x 2 videos"},
    {"1 x 2 Videos", "1 x 2 videos", "1 x 2 vidéos", "1 x 2 videos"},
    {"2 x 1 Videos", "2 x 1 videos", "2 x 1 vidéos", "2 x 1 videos"},
    {"3 x 2 Videos", "3 x 2 videos", "3 x 2 vidéos", "3 x 2 videos"},
    {"2 x 3 Videos", "2 x 3 videos", "2 x 3 vidéos", "2 x 3 videos"},
    {"3 x 3 Videos", "3 x 3 videos", "3 x 3 vidéos", "3 x 3 videos"},
    {"3 x 4 Videos", "3 x 4 videos", "3 x 4 vidéos", "3 x 4 videos"},
    {"4 x 3 Videos", "4 x 3 videos", "4 x 3 vidéos", "4 x 3 videos"},
    {"4 x 4 Videos", "4 x 4 videos", "4 x 4 vidéos", "4 x 4 videos"},
    {"3 x 3 Raster, 1 groß", "3 x 3 videos, 1 big", "3 x 3 vidéos, 1 grand", "3 x 3 videos 1 groot"},
    {"4 x 4 Raster, 1 groß", "4 x 4 videos, 1 big", "4 x 4 vidéos, 1 grand", "4 x 4 videos 1 groot"},
}};

const std::array<const char*, 2> aspectRatioNamen = {"4:3", "16:9"};
const std::array<const char*, 2> kundeWebseiten = {"www.korvat.com", "www.lindavor.com"};

namespace {

template <std::size_t N>
void appendTable(std::vector<std::pair<const char*, const TText*>>& out, const std::array<TText, N>& table,
                 const std::array<const char*, N>& names) {
    for (std::size_t i = 0; i < N; ++i) out.emplace_back(names[i], &table[i]);
}

constexpr std::array<const char*, kVideoServerTypeCount> kServerTypNames = {
    "serverTypNamen[0]", "serverTypNamen[1]", "serverTypNamen[2]", "serverTypNamen[3]", "serverTypNamen[4]",
    "serverTypNamen[5]", "serverTypNamen[6]", "serverTypNamen[7]", "serverTypNamen[8]", "serverTypNamen[9]",
};
constexpr std::array<const char*, kLayoutCount> kLayoutNames = {
    "layoutNamen[0]", "layoutNamen[1]", "layoutNamen[2]", "layoutNamen[3]", "layoutNamen[4]",  "layoutNamen[5]",
    "layoutNamen[6]", "layoutNamen[7]", "layoutNamen[8]", "layoutNamen[9]", "layoutNamen[10]",
};

std::vector<std::pair<const char*, const TText*>> buildAllTexts() {
    std::vector<std::pair<const char*, const TText*>> all;
#define OCULON_TEXT(name, de, en, fr, nl) all.emplace_back(#name, &name);
#define OCULON_EXTRA_TEXT(name, de, en, fr, nl)
#include "config/sprachenTexte.inc"
#undef OCULON_TEXT
#undef OCULON_EXTRA_TEXT
#define OCULON_TEXT(name, de, en, fr, nl)
#define OCULON_EXTRA_TEXT(name, de, en, fr, nl) all.emplace_back(#name, &name);
#include "config/sprachenTexte.inc"
#undef OCULON_TEXT
#undef OCULON_EXTRA_TEXT
    appendTable(all, serverTypNamen, kServerTypNames);
    appendTable(all, layoutNamen, kLayoutNames);
    return all;
}

}  // namespace

const std::vector<std::pair<const char*, const TText*>>& allTexts() {
    static const auto all = buildAllTexts();
    return all;
}

const TText* findText(std::string_view english) {
    if (english.empty()) return nullptr;
    for (const auto& [name, t] : allTexts()) {
        if (english == (*t)[lang_en]) return t;
    }
    return nullptr;
}

std::string noticeText(platform::Notice notice, const std::string& detail, TSprachenTyp lang) {
    const TText* t = &txtSettingsNotSaved;
    switch (notice) {
        case platform::Notice::settingsNotSaved: break;
        case platform::Notice::settingsUnusable: t = &txtSettingsUnusable; break;
        case platform::Notice::settingsStartedAfresh: t = &txtSettingsStartedAfresh; break;
        case platform::Notice::settingsPartlyRead: t = &txtSettingsPartlyRead; break;
        case platform::Notice::gatewayLibraryRefused: t = &txtGatewayLibraryRefused; break;
        case platform::Notice::pictureNotSaved: t = &txtPictureNotSaved; break;
        case platform::Notice::folderNotUsed: t = &txtFolderNotUsed; break;
    }
    return text(*t, lang) + "\r\n\r\n" + detail;
}

}  // namespace oculon::config
