#include "config/SettingsNotice.h"

#include <cerrno>
#include <cstring>

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

// The catalogue text with `value` in the place of its "%1".
std::string withValue(const TText& t, const std::string& value, TSprachenTyp language) {
    std::string out = text(t, language);
    if (const auto at = out.find("%1"); at != std::string::npos) out.replace(at, 2, value);
    return out;
}

std::string withNumber(const TText& t, std::size_t number, TSprachenTyp language) {
    return withValue(t, std::to_string(number), language);
}

// "<path>: why", or "<path>:" and a line for each line left out,
// "line 7: <its text> (why)", and how many more there were.
std::string leftOut(const platform::SetAsideReport& report, TSprachenTyp language) {
    std::string out = shownText(report.path, kShownPath) + ":";
    if (report.whole) return out + " " + faultWording(*report.whole, language);
    if (report.onlyItsStart)
        out +=
            " " + faultWording(SettingsFault::fileTooLarge, language) + "; " + text(txtSettingsOnlyItsStart, language);
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

SettingsNotice settingsNotice(const platform::FileRegistryStore* file, const platform::UnusableValues& unusable,
                              TSprachenTyp language) {
    SettingsNotice notice;
    const auto paragraph = [&notice](const std::string& part) {
        notice.details += (notice.details.empty() ? "" : "\r\n\r\n") + part;
    };
    if (file && !file->setAsideReport().empty()) {
        notice.head = text(file->setAsideNotice() == platform::Notice::settingsPartlyRead ? txtSettingsPartlyRead
                                                                                          : txtSettingsStartedAfresh,
                           language);
        paragraph(leftOut(file->setAsideReport(), language));
        // On its own, so that no long report cuts it off.
        if (!file->keptAs().empty())
            paragraph(text(file->keptOnceSeen() ? txtSettingsKeptOnceSeen : txtSettingsKeptAs, language) + "\r\n" +
                      shownText(file->keptAs(), kShownPath));
    }
    if (unusable.count == 0) return notice;
    std::string values;
    if (notice.head.empty()) {
        notice.head = text(txtSettingsValuesUnusable, language);
    } else {
        values = text(txtSettingsValuesUnusable, language) + "\r\n";
    }
    for (const auto& value : unusable.listed)
        values += shownText(value.key, kShownKey) + " " + shownText(value.line, kShownValue) + " (" +
                  faultWording(value.why, language) + ")\r\n";
    if (const std::size_t more = unusable.count - unusable.listed.size(); more > 0)
        values += withNumber(txtSettingsMoreValues, more, language) + "\r\n";
    paragraph(values + text(txtSettingsValuesTakenOnceConfirmed, language));
    return notice;
}

std::string settingsNoticeText(const platform::FileRegistryStore* file, const platform::UnusableValues& unusable,
                               TSprachenTyp language) {
    const SettingsNotice notice = settingsNotice(file, unusable, language);
    return notice.details.empty() ? notice.head : notice.head + "\r\n\r\n" + notice.details;
}

namespace {

// What the system said, in the user's words where the reason is a common one.
std::string systemReason(int error, TSprachenTyp language) {
    switch (error) {
        case EACCES:
        case EPERM: return text(txtSettingsNoPermission, language);
        case ENOENT:
        case ENOTDIR: return text(txtSettingsFolderOnTheWayMissing, language);
        case ELOOP: return text(txtSettingsLinksInACircle, language);
        case EIO: return text(txtSettingsDiskError, language);
        case ENOSPC:
        case EDQUOT: return text(txtDiskFull, language);
        case EROFS: return text(txtSettingsDiskReadOnly, language);
        // A network disk that went away.
        case ETIMEDOUT:
        case ESTALE:
        case EHOSTDOWN:
        case EHOSTUNREACH:
        case ENOTCONN: return text(txtSettingsDiskNotAnswering, language);
        default: break;
    }
    // The error's symbol is the same in every language.
    const char* name = ::strerrorname_np(error);
    return withValue(txtSettingsSystemError, name ? name : std::to_string(error), language);
}

}  // namespace

std::string unreadableSettingsText(const platform::UnreadableSettings& unreadable, TSprachenTyp language) {
    using Why = platform::UnreadableSettings::Why;
    std::string out = shownText(unreadable.path, kShownPath);
    if (unreadable.why == Why::linkLeadsNowhere) out += " \u2192 " + shownText(unreadable.target, kShownPath);
    out += ": ";
    switch (unreadable.why) {
        case Why::linkLeadsNowhere: return out + text(txtSettingsLinkLeadsNowhere, language);
        case Why::cannotOpen:
        case Why::cannotRead: return out + systemReason(unreadable.error, language);
        case Why::notAFile: return out + text(txtSettingsNotAFile, language);
        case Why::cannotKeepCopy:
            return out + text(txtSettingsNoCopyKept, language) + ": " +
                   (unreadable.error != 0 ? systemReason(unreadable.error, language)
                                          : text(txtSettingsCopiesInTheWay, language));
    }
    return out;
}

}  // namespace oculon::config
