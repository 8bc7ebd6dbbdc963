#include "config/sprachen.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace oculon::config {
namespace {

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool isUtf8(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        int len = 0;
        std::uint32_t cp = 0;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            len = 2;
            cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            len = 3;
            cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            len = 4;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (i + len > s.size()) return false;
        for (int k = 1; k < len; ++k) {
            const auto cc = static_cast<unsigned char>(s[i + k]);
            if ((cc & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (cc & 0x3F);
        }
        static constexpr std::uint32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
        if (cp < kMin[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        i += static_cast<std::size_t>(len);
    }
    return true;
}

std::size_t count(std::string_view s, std::string_view what) {
    std::size_t n = 0;
    for (auto pos = s.find(what); pos != std::string_view::npos; pos = s.find(what, pos + 1)) ++n;
    return n;
}

TEST(Sprachen, EveryTextHasFourWellFormedLanguages) {
    std::set<std::string> names;
    for (const auto& [name, t] : allTexts()) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(names.insert(name).second) << "name used twice";
        const bool mayBeEmpty = t == &serverTypNamen[HikVision];
        const std::string_view en = (*t)[lang_en];
        for (const char* s : *t) {
            ASSERT_NE(s, nullptr);
            const std::string_view v = s;
            EXPECT_EQ(v.empty(), mayBeEmpty) << v;
            EXPECT_TRUE(isUtf8(v)) << v;
            // A line break is always CR LF, and each language breaks the
            // text into as many lines as the English wording does.
            EXPECT_EQ(count(v, "\n"), count(v, "\r\n")) << v;
            EXPECT_EQ(count(v, "\r\n"), count(en, "\r\n")) << v;
        }
    }
    EXPECT_EQ(allTexts().size(), kCatalogueCount + 136 + kVideoServerTypeCount + kLayoutCount);
}

// Texts are known by their number in the catalogue: equal wordings keep
// their own numbers, and the further tables follow the catalogue.
TEST(Sprachen, CatalogueKeepsItsOrder) {
    const auto& all = allTexts();
    ASSERT_GE(all.size(), kCatalogueCount);
    const auto english = [&](std::size_t number) { return std::string((*all[number - 1].second)[lang_en]); };
    EXPECT_EQ(all[0].second, &txtChooseYourLanguage1);
    EXPECT_EQ(all[7].second, &txtChooseYourLanguage2);
    EXPECT_EQ(english(3), "Close");
    EXPECT_EQ(english(133), "Close");
    EXPECT_EQ(all[57].second, &txtNewerVersion);
    EXPECT_EQ(english(149), "Button 1");
    EXPECT_EQ(english(157), "Button 9");
    EXPECT_EQ(english(202), "Please enter the path to the MJPEG-Video-Streama of the camera:");
    EXPECT_STREQ(all[kCatalogueCount].first, "txtGateways");
}

TEST(Sprachen, TextsJoinedWithNamesKeepTheirBlank) {
    for (const TText* t :
         {&txtAdminPasswordFor, &txtUserDataFor, &txtGateway, &txtGatewayNotAnswering, &txtTimesSoFar}) {
        for (const char* s : *t) EXPECT_EQ(std::string(s).back(), ' ') << s;
    }
    for (const TText* t : {&txtPleaseStandBy, &txtDashPreview}) {
        for (const char* s : *t) EXPECT_EQ(s[0], ' ') << s;
    }
}

TEST(Sprachen, LookupFollowsTheLanguage) {
    const TSprachenTyp saved = sprache;
    const char* expected[] = {"Ja", "Yes", "Oui", "Ja"};
    for (int lang = 0; lang < kLanguageCount; ++lang) {
        sprache = static_cast<TSprachenTyp>(lang);
        EXPECT_EQ(tr(txtYes), expected[lang]);
        EXPECT_EQ(tr(serverTypNamen[unknown]), text(serverTypNamen[unknown], sprache));
    }
    // A damaged stored byte must not index past the table.
    sprache = static_cast<TSprachenTyp>(200);
    EXPECT_EQ(tr(txtWrongPassword), "Falsches Passwort");
    EXPECT_EQ(text(txtNo, static_cast<TSprachenTyp>(4)), "Nein");
    sprache = saved;

    EXPECT_EQ(toLanguage(3), lang_nl);
    EXPECT_EQ(toLanguage(4), lang_de);
    EXPECT_EQ(toLanguage(-1), lang_de);
    EXPECT_EQ(toLanguage(0x100000001LL), lang_de);

    // The desktop's language, before any is stored: the first of ours in a list.
    const std::pair<const char*, std::optional<TSprachenTyp>> locales[] = {
        {"fr_BE.UTF-8", lang_fr},
        {"nl_NL@euro", lang_nl},
        {"en", lang_en},
        {"pt_BR:nl:en", lang_nl},
        {"de-AT", lang_de},
        {"C.UTF-8", {}},
        {"POSIX", {}},
        {"", {}},
        {"dex_DE", {}},
        {"it:", {}},
        {":en", lang_en},
    };
    for (const auto& [name, language] : locales) EXPECT_EQ(languageOfLocale(name), language) << name;
}

TEST(Sprachen, FindsTextsByTheirEnglishWording) {
    EXPECT_EQ(findText("Wrong Password"), &txtWrongPassword);
    EXPECT_EQ(findText("Close"), &txtClose1);  // the first of equal wordings
    EXPECT_EQ(findText("Choose Video-codec"), &txtChooseVideoCodec);
    EXPECT_EQ(findText("user-defined"), &serverTypNamen[unknown]);
    EXPECT_EQ(findText("4 x 4 videos, 1 big"), &layoutNamen[r4x4G]);
    EXPECT_EQ(findText("wrong password"), nullptr);
    EXPECT_EQ(findText(""), nullptr);
}

TEST(Sprachen, LineBreaksForWidgets) {
    EXPECT_EQ(withLineFeeds("a\r\nb\r\n"), "a\nb\n");
    EXPECT_EQ(withLineFeeds("x\ry\r"), "x\ry\r");
}

}  // namespace
}  // namespace oculon::config
