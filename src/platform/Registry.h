#pragma once
// The settings tree of the current user, shaped like the Windows registry
// under HKEY_CURRENT_USER: keys with subkeys, and named string or DWORD values.
// Key and value names match without regard to case but keep the spelling they
// were first written with. A RegistryStore holds one tree; a Registry is the
// small key-at-a-time accessor the settings code uses on top of it.

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

#include "platform/UserNotice.h"

namespace oculon::platform {

// Raised by Registry reads of a value that is missing or of the wrong type,
// as registry wrappers do, and by text that is not a settings file.
class RegistryError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Why a line of a settings file, or the whole file, was left out, or why a
// value cannot be used as written. faultText() gives the English wording
// for errors and logs; what the user reads is worded in their language.
enum class SettingsFault : std::uint8_t {
    // A line.
    unterminatedValueName,
    expectedValueName,
    expectedEquals,
    keyLineLeftOut,
    valueOutsideKey,
    hexDataBreaksOff,
    unterminatedKeyName,
    keyDeletion,
    keyOutsideRoot,
    emptyKeyName,
    keyTooDeep,
    valueNameTooLong,
    unterminatedString,
    textAfterValue,
    nulInText,
    unsupportedType,
    valueGivenTwice,
    badDword,
    badHexData,
    // The whole file.
    fileTooLarge,
    wouldNotFit,
    // A value that was read.
    notANumber,
    notAText,
    notUtf8,
};
const char* faultText(SettingsFault fault);

// Text that is no settings file as a whole, and why.
class SettingsFileError : public RegistryError {
public:
    explicit SettingsFileError(SettingsFault fault) : RegistryError(faultText(fault)), fault_(fault) {}
    SettingsFault fault() const { return fault_; }

private:
    SettingsFault fault_;
};

struct CaseInsensitiveLess {
    bool operator()(const std::string& a, const std::string& b) const;
};

using RegValue = std::variant<std::string, std::uint32_t>;

// One key: its values and subkeys. Names compare without regard to case and
// keep the spelling of their first write; subkeys enumerate in name order.
struct RegistryKey {
    RegistryKey() = default;
    ~RegistryKey();  // frees any depth of subkeys without recursion
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    std::map<std::string, RegValue, CaseInsensitiveLess> values;
    std::map<std::string, std::unique_ptr<RegistryKey>, CaseInsensitiveLess> subkeys;

    RegistryKey* find(const std::string& child) const;
    RegistryKey& getOrCreate(const std::string& child);
    bool remove(const std::string& child);
    std::unique_ptr<RegistryKey> clone() const;
};

// Text form of a tree: REGEDIT4, the root being HKEY_CURRENT_USER.
//   [HKEY_CURRENT_USER\SOFTWARE\Korvat\Oculon]
//   "name"="text"
//   "number"=dword:0000001e
// Keys nest at most 32 deep below the root, with paths of at most 512
// characters, and the whole text is at most 16 MiB: serializeRegedit4 throws
// RegistryError for a tree beyond that, so whatever is written reads back.
std::string serializeRegedit4(const RegistryKey& root);

// Values that are there but that the program cannot use as written (a text
// where it reads a number, say) or may not use as meant (a text that is no
// UTF-8), noted where they are read, so that the user is told: the first
// few, and how many in all.
struct UnusableValues {
    struct Value {
        std::string key;   // "[HKEY_CURRENT_USER\\...]"
        std::string line;  // the value as the file writes it
        SettingsFault why;
    };
    std::vector<Value> listed;
    std::size_t count = 0;

    void note(Value value);
};

// A line of a settings file that was left out, and why.
struct SkippedLine {
    int number = 0;    // from 1; the first of a value continued over lines
    std::string text;  // without the blanks around it
    SettingsFault why = SettingsFault::badDword;
};

struct ReadSettings {
    std::unique_ptr<RegistryKey> tree;
    std::vector<SkippedLine> skipped;  // the first few, in file order
    std::size_t skippedCount = 0;      // all of them
    bool headerMissing = false;        // read all the same
};

// Reads a settings file as people write it by hand as well: blanks around
// '=' and the line, '#' and ';' comment lines, a missing header, a UTF-8
// byte-order mark, the header of the newer editors ("Windows Registry Editor
// Version 5.00"), also in UTF-16LE with its byte-order mark, CRLF. A line
// that is still wrong is left out (with the values of a key line that is),
// and so is a value given a second time in a key with another content; the
// rest loads. A text that is no UTF-8 loads as it is: whoever reads it
// knows whether it may be (a device's name in its own bytes). Hex data
// continues over lines ending in a backslash only onto lines of hex data:
// any other line ends it, and the value cut short is left out. Throws
// SettingsFileError only when nothing can be used: a text beyond the bounds
// above. Takes time in proportion to the text.
ReadSettings readRegedit4(const std::string& text);
// The same, but any wrong line, and a missing header, throws RegistryError.
std::unique_ptr<RegistryKey> parseRegedit4(const std::string& text);

// Holds one tree and persists every change. Thread-safe: every access runs
// under the store's mutex. A RegistryBatch groups several changes into one
// write, so a reader or a crash never sees them half done.
class RegistryStore {
public:
    virtual ~RegistryStore() = default;

    template <typename F>
    auto withTree(F&& f) {
        std::lock_guard lock(mutex_);
        return f(*root_);
    }
    template <typename F>
    auto modify(F&& f) {
        std::lock_guard lock(mutex_);
        auto result = f(*root_);
        dirty_ = true;
        if (batchDepth_ == 0) flush();
        return result;
    }

    // Notes the value `name` of the key at `path` (absolute, as Registry
    // has it) as unusable for `why`, and what the program took in its
    // place: nothing when it went without it.
    void noteUnusable(const std::string& path, const std::string& name, SettingsFault why,
                      std::optional<RegValue> takenAs);
    UnusableValues unusableValues();
    // The user has been told of the unusable values: each is written as the
    // program took it, or left out where it took nothing, in one write, so
    // that the next start does not tell the same again. A value changed
    // since it was noted stays as it is now, and so does a text that is no
    // UTF-8: the program uses it as it is.
    void writeUnusableAsTaken();

protected:
    explicit RegistryStore(std::unique_ptr<RegistryKey> root) : root_(std::move(root)) {}
    virtual void persist(const RegistryKey& root) = 0;

private:
    friend class RegistryBatch;
    void flush();

    struct Taken {
        std::string path;
        std::string name;
        RegValue written;
        std::optional<RegValue> takenAs;
    };

    std::recursive_mutex mutex_;
    std::unique_ptr<RegistryKey> root_;
    int batchDepth_ = 0;
    bool dirty_ = false;
    UnusableValues unusable_;
    std::vector<Taken> taken_;  // the first of them, to write as taken
};

// Holds the store for its lifetime; the changes made meanwhile are written
// once, when the outermost batch ends.
class RegistryBatch {
public:
    explicit RegistryBatch(RegistryStore& store);
    ~RegistryBatch();
    RegistryBatch(const RegistryBatch&) = delete;
    RegistryBatch& operator=(const RegistryBatch&) = delete;

private:
    RegistryStore& store_;
};

// What a load of the settings file left out: the whole file (`whole` says
// why), or some of its lines.
struct SetAsideReport {
    std::string path;                    // the file; empty when nothing was left out
    std::optional<SettingsFault> whole;  // the file was not read at all
    bool onlyItsStart = false;           // too large: what its first 16 MiB hold was read
    std::vector<SkippedLine> lines;      // the first few lines left out, in file order
    std::size_t lineCount = 0;           // all of them
    bool empty() const { return path.empty(); }
};

// Why the settings file cannot be used at all: the reason, for the user's
// language to word, and what the system said.
struct UnreadableSettings {
    enum class Why : std::uint8_t {
        linkLeadsNowhere,  // a link to a file that is not there (its disk not mounted yet, say)
        cannotOpen,        // `error` says why
        notAFile,          // a folder, a FIFO, a device
        cannotRead,        // `error` says why
        cannotKeepCopy,    // damaged or too large, and it could not be kept beside itself (`error`; 0: no name free)
    };
    std::string path;
    std::string target;  // where the link leads, for linkLeadsNowhere
    Why why = Why::cannotOpen;
    int error = 0;
    // In English, for the log.
    std::string describe() const;
};

// In-memory store for tests.
class MemoryRegistryStore : public RegistryStore {
public:
    MemoryRegistryStore();
    explicit MemoryRegistryStore(std::unique_ptr<RegistryKey> root);

protected:
    void persist(const RegistryKey&) override {}
};

// The file store: configFolder()/Korvat/Oculon.reg. Every change is written
// at once to a new temporary file "<file>.tmp-<pid>" (mode 0600, it holds
// device passwords), synced and renamed over the old one, so a crash leaves
// the old or the new tree; temporary files a crash left behind are removed
// when the store opens. A file that is the user's link to a file of theirs
// in a folder of theirs is written there the same way, and the link stays; a
// link to anything else is not written through, and such a save fails. A
// save that fails is told to the user (once, until a save succeeds again);
// the file keeps the last saved tree.
// A file with lines that cannot be read is kept as it was beside it
// (".broken-<time>", never over an earlier one), what could be read is
// loaded, and setAsideReport() names the wrong lines; a file of which
// nothing can be used is kept the same way and the store starts empty; of
// a file too large to be read whole, what its first 16 MiB hold is loaded.
// The file stays as the user wrote it while nothing changes: the load's own
// writes wait. Once the report is before the user (reportShown()), every
// change is written at once; reportSeen() writes what the store holds
// whether it changed or not. A file too large to be read whole is moved to
// its copy's name only with that first write, so a start that ends before,
// by a crash too, leaves it where it was. A store that ends with nothing
// written takes its copy away again, so the next start tells the same.
// A file that is there but cannot be read or reached (a link to a file that
// is gone), or not kept, is reported through unreadable(): the store then
// starts empty and never writes, so the file is not lost.
class FileRegistryStore : public RegistryStore {
public:
    explicit FileRegistryStore(std::string path);
    ~FileRegistryStore() override;
    FileRegistryStore(const FileRegistryStore&) = delete;
    FileRegistryStore& operator=(const FileRegistryStore&) = delete;
    // Empty when no home folder is known.
    static std::string defaultPath();

    const std::string& path() const { return path_; }
    // Empty when the file loaded cleanly; otherwise what was left out, told
    // as setAsideNotice(): settingsPartlyRead when some settings loaded,
    // settingsStartedAfresh when none did; keptAs() names the copy.
    const SetAsideReport& setAsideReport() const { return setAside_; }
    Notice setAsideNotice() const { return setAsideNotice_; }
    const std::string& keptAs() const { return keptAs_; }
    // The file goes to keptAs() only with the first write (it was too large
    // to copy).
    bool keptOnceSeen() const { return moveOnSeen_; }
    // The report is before the user: from now on a change is written at
    // once, with the file set aside first where it was too large to copy.
    void reportShown();
    // The user has seen the report: the file is set aside (when it was too
    // large to copy) and saved from now on. A file that cannot be set aside
    // is not written over, and the user is told.
    void reportSeen();
    const std::optional<UnreadableSettings>& unreadable() const { return unreadable_; }
    // The same in English, for the log; empty when the file can be used.
    std::string unreadableReport() const { return unreadable_ ? unreadable_->describe() : std::string(); }
    // What the file at `path` holds, read as the store reads it but without
    // touching anything: for a process that does not hold the settings. An
    // empty tree when it cannot be read.
    static std::unique_ptr<RegistryKey> peek(const std::string& path);

protected:
    void persist(const RegistryKey& root) override;

private:
    struct Loaded;
    static Loaded load(const std::string& path);
    FileRegistryStore(std::string path, Loaded loaded);
    // Writes `root` unless it is held; `seen`: the user has seen the report.
    void save(const RegistryKey& root, bool seen);
    // Sets the file aside where it was too large to copy, and ends the hold;
    // why not, when it could not.
    std::string endHold();
    // Why the save failed; empty when it did not.
    static std::string write(const std::string& path, const std::string& text);

    std::string path_;
    SetAsideReport setAside_;
    Notice setAsideNotice_ = Notice::settingsStartedAfresh;
    std::string keptAs_;
    bool moveOnSeen_ = false;  // the copy is to be the file itself, moved with the first write
    bool held_ = false;        // nothing written since the load told of what it left out
    // The tree as it was when the report was shown: while held, only a
    // change from it is written. None: not shown yet.
    std::optional<std::string> shown_;
    std::optional<UnreadableSettings> unreadable_;
    bool failing_ = false;  // the last save failed, and the user was told
};

// Key-at-a-time access in the style of a registry wrapper. Paths
// are absolute with a leading backslash ("\\SOFTWARE\\Korvat\\Oculon") or
// relative to the open key. Not thread-safe itself; each thread uses its own
// Registry on a shared store.
class Registry {
public:
    explicit Registry(std::shared_ptr<RegistryStore> store);

    bool OpenKey(const std::string& path, bool canCreate);
    bool KeyExists(const std::string& path) const;
    void CloseKey();
    bool DeleteKey(const std::string& path);       // with every subkey
    std::vector<std::string> GetKeyNames() const;  // subkeys of the open key
    bool HasSubKeys() const;

    bool ValueExists(const std::string& name) const;
    bool DeleteValue(const std::string& name);
    // Reads throw RegistryError when the value is missing or of another type;
    // ReadString of a missing value returns "".
    std::int32_t ReadInteger(const std::string& name) const;
    bool ReadBool(const std::string& name) const { return ReadInteger(name) != 0; }
    std::string ReadString(const std::string& name) const;
    void WriteInteger(const std::string& name, std::int32_t value);
    void WriteBool(const std::string& name, bool value) { WriteInteger(name, value ? 1 : 0); }
    void WriteString(const std::string& name, const std::string& value);
    // Notes the value `name` of the open key on the store as unusable, and
    // what the program took in its place (RegistryStore::noteUnusable).
    void NoteUnusable(const std::string& name, SettingsFault why, std::optional<RegValue> takenAs = std::nullopt) const;

    const std::string& CurrentPath() const { return current_; }
    RegistryStore& store() { return *store_; }

private:
    std::string resolve(const std::string& path) const;
    std::optional<RegValue> readValue(const std::string& name) const;
    std::shared_ptr<RegistryStore> store_;
    std::string current_;  // normalised absolute path of the open key, "" when none
    bool open_ = false;
};

}  // namespace oculon::platform
