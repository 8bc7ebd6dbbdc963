#include "video/FolderLook.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cctype>

#include "platform/UniqueFd.h"

namespace oculon::video {

namespace {

// -1, 0 or 1 as `a` sorts before, with or after `b`, case aside.
int compareCaseAside(const std::string& a, const std::string& b) {
    for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i) {
        const int x = std::tolower(static_cast<unsigned char>(a[i]));
        const int y = std::tolower(static_cast<unsigned char>(b[i]));
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

// Folders first; names as a person sorts them, case aside.
bool before(const FolderEntry& a, const FolderEntry& b) {
    if (a.folder != b.folder) return a.folder;
    const int order = compareCaseAside(a.name, b.name);
    return order != 0 ? order < 0 : a.name < b.name;
}

// The entries of the folder open at `fd` (which the stream takes over).
void readEntries(int fd, FolderContents& into) {
    DIR* stream = ::fdopendir(fd);
    if (stream == nullptr) {
        into.error = errno;
        ::close(fd);
        return;
    }
    const int at = ::dirfd(stream);
    while (const dirent* e = ::readdir(stream)) {
        if (e->d_name[0] == '.') continue;
        if (into.entries.size() == kMaxFolderEntries) {
            into.cut = true;
            break;
        }
        FolderEntry entry{e->d_name};
        struct stat st {};
        // Followed: a link to a folder is gone into like the folder.
        if (::fstatat(at, e->d_name, &st, 0) == 0) {
            entry.folder = S_ISDIR(st.st_mode);
            entry.size = entry.folder ? 0 : static_cast<std::uint64_t>(st.st_size);
            entry.modified = st.st_mtim.tv_sec;
        }
        into.entries.push_back(std::move(entry));
    }
    ::closedir(stream);
    std::sort(into.entries.begin(), into.entries.end(), before);
}

}  // namespace

FolderContents listFolder(const std::string& folder, bool orAbove) {
    FolderContents contents;
    contents.folder = folder.empty() ? std::string("/") : folder;
    for (;;) {
        platform::UniqueFd fd(::open(contents.folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (fd) {
            readEntries(fd.release(), contents);
            return contents;
        }
        const int error = errno;
        if (!orAbove || (error != ENOENT && error != ENOTDIR) || contents.folder == "/") {
            contents.error = error;
            return contents;
        }
        contents.folder = folderAbove(contents.folder);
    }
}

PathState lookAtPath(const std::string& path) {
    PathState state;
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        state.kind = S_ISDIR(st.st_mode) ? PathKind::folder : PathKind::file;
        state.inFolder = true;
        return state;
    }
    state.error = errno;
    if (state.error != ENOENT) {
        state.kind = PathKind::unreadable;
        return state;
    }
    state.error = 0;
    state.inFolder = ::stat(folderAbove(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    return state;
}

int makeFolder(const std::string& path) { return ::mkdir(path.c_str(), 0777) == 0 ? 0 : errno; }

std::string typedPath(const std::string& shown, const std::string& typed, const std::string& home) {
    std::string whole;
    if (typed.starts_with('/')) whole = typed;
    else if (typed == "~" || typed.starts_with("~/")) whole = home + "/" + typed.substr(1);
    else whole = shown + "/" + typed;
    std::vector<std::string> parts;
    std::size_t from = 0;
    while (from <= whole.size()) {
        const std::size_t to = std::min(whole.find('/', from), whole.size());
        const std::string part = whole.substr(from, to - from);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        from = to + 1;
    }
    std::string path;
    for (const std::string& part : parts) path += "/" + part;
    return path.empty() ? std::string("/") : path;
}

std::string folderAbove(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos || slash == 0) return "/";
    return path.substr(0, slash);
}

std::string pathIn(const std::string& folder, const std::string& name) {
    return folder.ends_with('/') ? folder + name : folder + "/" + name;
}

}  // namespace oculon::video
