#pragma once
// The message catalogue: every text the program shows, in German, English,
// French and Dutch, indexed by the language byte. Also the one-byte type
// enumerations that the whole program shares.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace oculon::platform {
enum class Notice : std::uint8_t;
}

namespace oculon::config {

enum TSprachenTyp : std::uint8_t { lang_de = 0, lang_en = 1, lang_fr = 2, lang_nl = 3 };
constexpr int kLanguageCount = 4;

enum TKundeTyp : std::uint8_t { kdKorvat = 0, kdLindavor = 1 };

enum TAspectRatio : std::uint8_t { a43 = 0, a169 = 1 };

enum TVideoServerType : std::uint8_t {
    KorvatServer = 0,
    LindavorCam = 1,
    MobotixCam = 2,
    KorvatCam = 3,
    AxisCam = 4,
    KorvatServer2 = 5,
    KorvatCamQuorix = 6,
    HikVision = 7,
    MirabCam = 8,
    unknown = 9,
};
constexpr int kVideoServerTypeCount = 10;

enum TTelefonTyp : std::uint8_t { telUnknown = 0, KorvatV1 = 1, KorvatV2 = 2 };

enum TLayoutTyp : std::uint8_t {
    r2x2 = 0,
    r1x2 = 1,
    r2x1 = 2,
    r3x2 = 3,
    r2x3 = 4,
    r3x3 = 5,
    r3x4 = 6,
    r4x3 = 7,
    r4x4 = 8,
    r3x3G = 9,
    r4x4G = 10,
};
constexpr int kLayoutCount = 11;

// One text in the four languages, in the order German, English, French, Dutch.
using TText = std::array<const char*, kLanguageCount>;

// The current language of the process. Set once at start-up (from the stored
// value or the first-start choice), read everywhere.
extern TSprachenTyp sprache;

// A stored language byte as a language; anything outside 0..3 is German.
TSprachenTyp toLanguage(std::int64_t stored);

// The language of a locale name ("fr_BE.UTF-8") or of the first name in a
// list of them ("nl:en") that is one of ours; nothing when none is.
std::optional<TSprachenTyp> languageOfLocale(std::string_view names);

// The text in the given language (a language outside 0..3 reads as German).
std::string text(const TText& t, TSprachenTyp lang);
// The text in the current language.
inline std::string tr(const TText& t) { return text(t, sprache); }

// Catalogue texts break lines with CR LF; widgets want a bare LF.
std::string withLineFeeds(std::string_view s);

// One constant per text, named after its English wording (txtWrongPassword,
// txtNewerVersion, ...). The wordings are in sprachenTexte.inc.
#define OCULON_TEXT(name, de, en, fr, nl) extern const TText name;
#define OCULON_EXTRA_TEXT(name, de, en, fr, nl) extern const TText name;
#include "config/sprachenTexte.inc"
#undef OCULON_TEXT
#undef OCULON_EXTRA_TEXT

// The catalogue proper opens allTexts(), in its fixed order.
constexpr std::size_t kCatalogueCount = 202;

// Display names of the camera types (type 7 has none) and of the wall layouts.
extern const std::array<TText, kVideoServerTypeCount> serverTypNamen;
extern const std::array<TText, kLayoutCount> layoutNamen;

// Texts that do not depend on the language.
extern const std::array<const char*, 2> aspectRatioNamen;  // by TAspectRatio
extern const std::array<const char*, 2> kundeWebseiten;    // by TKundeTyp

// Every text with the name of its constant: first the catalogue in its order,
// then the further texts, then the entries of serverTypNamen and layoutNamen
// (named like "serverTypNamen[3]").
const std::vector<std::pair<const char*, const TText*>>& allTexts();

// The first text whose English wording is exactly `english`; nullptr if none.
const TText* findText(std::string_view english);

// What a notice of the logic (platform::tellUser) says to the user: its
// catalogue text in `lang`, an empty line, then `detail`.
std::string noticeText(platform::Notice notice, const std::string& detail, TSprachenTyp lang);

}  // namespace oculon::config
