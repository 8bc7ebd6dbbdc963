#include "config/SettingsNotice.h"

#include "platform/ShownText.h"

namespace oculon::config {

namespace {

using platform::SettingsFault;
using platform::shownText;

// What the notice shows of a wrong line, of a key's name and of a value's
// line: enough to find them in the file.
constexpr std::size_t kShownLine = 80;
constexpr std::size_t kShownKey = 160;
constexpr std::size_t kShownValue = 80;
// Room for a file's name.
constexpr std::size_t kShownPath = 2 * platform::kShownTextLimit;

const TText& catalogueText(SettingsFault fault) {
    switch (fault) {
        case SettingsFault::unterminatedValueName: return txtSettingsFaultUnterminatedValueName;
        case SettingsFault::expectedValueName: return txtSettingsFaultExpectedValueName;
        case SettingsFault::expectedEquals: return txtSettingsFaultExpectedEquals;
        case SettingsFault::keyLineLeftOut: return txtSettingsFaultKeyLineLeftOut;
        case SettingsFault::valueOutsideKey: return txtSettingsFaultValueOutsideKey;
        case SettingsFault::hexDataBreaksOff: return txtSettingsFaultHexDataBreaksOff;
        case SettingsFault::unterminatedKeyName: return txtSettingsFaultUnterminatedKeyName;
        case SettingsFault::keyDeletion: return txtSettingsFaultKeyDeletion;
        case SettingsFault::keyOutsideRoot: return txtSettingsFaultKeyOutsideRoot;
        case SettingsFault::emptyKeyName: return txtSettingsFaultEmptyKeyName;
        case SettingsFault::keyTooDeep: return txtSettingsFaultKeyTooDeep;
        case SettingsFault::valueNameTooLong: return txtSettingsFaultValueNameTooLong;
        case SettingsFault::unterminatedString: return txtSettingsFaultUnterminatedString;
        case SettingsFault::textAfterValue: return txtSettingsFaultTextAfterValue;
        case SettingsFault::nulInText: return txtSettingsFaultNulInText;
        case SettingsFault::unsupportedType: return txtSettingsFaultUnsupportedType;
        case SettingsFault::valueGivenTwice: return txtSettingsFaultValueGivenTwice;
        case SettingsFault::badDword: return txtSettingsFaultBadDword;
        case SettingsFault::badHexData: return txtSettingsFaultBadHexData;
        case SettingsFault::fileTooLarge: return txtSettingsFaultFileTooLarge;
        case SettingsFault::wouldNotFit: return txtSettingsFaultWouldNotFit;
        case SettingsFault::notANumber: return txtSettingsFaultNotANumber;
        case SettingsFault::notAText: return txtSettingsFaultNotAText;
        case SettingsFault::notUtf8: return txtSettingsFaultNotUtf8;
    }
    return txtSettingsFaultUnsupportedType;
}

// The catalogue text with `number` in the place of its "%1".
std::string withNumber(const TText& t, std::size_t number, TSprachenTyp language) {
    std::string out = text(t, language);
    if (const auto at = out.find("%1"); at != std::string::npos) out.replace(at, 2, std::to_string(number));
    return out;
}

// "<path>: why", or "<path>:" and a line for each line left out,
// "line 7: <its text> (why)", and how many more there were.
std::string leftOut(const platform::SetAsideReport& report, TSprachenTyp language) {
    std::string out = shownText(report.path, kShownPath) + ":";
    if (report.whole) return out + " " + faultWording(*report.whole, language);
    for (const platform::SkippedLine& line : report.lines) {
        out += "\r\n" + withNumber(txtSettingsLineNumber, static_cast<std::size_t>(line.number), language) + " ";
        if (!line.text.empty()) out += shownText(line.text, kShownLine) + " ";
        out += "(" + faultWording(line.why, language) + ")";
    }
    if (const std::size_t more = report.lineCount - report.lines.size(); more > 0)
        out += "\r\n" + withNumber(txtSettingsMoreLines, more, language);
    return out;
}

}  // namespace

std::string faultWording(SettingsFault fault, TSprachenTyp language) { return text(catalogueText(fault), language); }

std::string settingsNoticeText(const platform::FileRegistryStore* file, const platform::UnusableValues& unusable,
                               TSprachenTyp language) {
    std::string out;
    const auto paragraph = [&out](const std::string& part) { out += (out.empty() ? "" : "\r\n\r\n") + part; };
    if (file && !file->setAsideReport().empty()) {
        paragraph(noticeText(file->setAsideNotice(), leftOut(file->setAsideReport(), language), language));
        // On its own, so that no long report cuts it off.
        if (!file->keptAs().empty())
            paragraph(text(file->keptOnceSeen() ? txtSettingsKeptOnceSeen : txtSettingsKeptAs, language) + "\r\n" +
                      shownText(file->keptAs(), kShownPath));
    }
    if (unusable.count == 0) return out;
    std::string values = text(txtSettingsValuesUnusable, language);
    for (const auto& value : unusable.listed)
        values += "\r\n" + shownText(value.key, kShownKey) + " " + shownText(value.line, kShownValue) + " (" +
                  faultWording(value.why, language) + ")";
    if (const std::size_t more = unusable.count - unusable.listed.size(); more > 0)
        values += "\r\n" + withNumber(txtSettingsMoreValues, more, language);
    paragraph(values);
    return out;
}

}  // namespace oculon::config
