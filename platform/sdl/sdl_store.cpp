// The Linux store: each record a small file in its XDG folder, replaced by rename after fsync.
#include "platform/sdl/sdl_store.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Records are kilobytes; anything much larger is not ours and is not read into memory.
constexpr off_t maxRecordBytes = 64 * 1024;

struct Place {
    const char* variable;  // the XDG base folder's variable
    const char* fallback;  // under the home folder when the variable is unset, empty or relative
    const char* file;
};

const Place places[recordCount] = {
    {"XDG_STATE_HOME", ".local/state", "game.txt"},
    {"XDG_DATA_HOME", ".local/share", "scores.txt"},
    {"XDG_CONFIG_HOME", ".config", "settings.txt"},
};

// The lock file's descriptor while the record's lock is held, else -1.
int lockFds[recordCount] = {-1, -1, -1};

// A temporary is named after its writer, ".scores.txt.tmp-PID-N": hidden, and never the name of a
// record or of one set aside, which all begin with the record's own name.
const char tempMark[] = ".tmp-";

std::string temporaryPrefix(const char* file) { return std::string(".") + file + tempMark; }

bool valid(RecordName record) { return record >= 0 && record < recordCount; }

std::string failure(const std::string& path, int error) { return path + ": " + std::strerror(error); }

// The home folder: $HOME when absolute, else the password database's.
std::string homeFolder() {
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/') return home;
    const passwd* entry = getpwuid(getuid());
    if (entry && entry->pw_dir && entry->pw_dir[0] == '/') return entry->pw_dir;
    return "";
}

// The record's folder, ending in "/brinvale"; empty with *why when there is no home to put it in.
std::string folderOf(RecordName record, std::string* why) {
    const Place& place = places[record];
    const char* base = std::getenv(place.variable);
    // Relative values are invalid and to be ignored.
    if (base && base[0] == '/') return std::string(base) + "/brinvale";
    const std::string home = homeFolder();
    if (home.empty()) {
        *why = std::string("no home folder to keep it in (HOME and ") + place.variable + " unset)";
        return "";
    }
    return home + "/" + place.fallback + "/brinvale";
}

// Makes the folder and every missing parent, private to the user as base folders should be.
bool makeFolders(const std::string& folder, std::string* why) {
    for (size_t at = 1; at <= folder.size(); ++at) {
        if (at < folder.size() && folder[at] != '/') continue;
        const std::string part = folder.substr(0, at);
        if (mkdir(part.c_str(), 0700) == 0 || errno == EEXIST) continue;
        *why = failure(part, errno);
        return false;
    }
    struct stat info;
    if (stat(folder.c_str(), &info) != 0) {
        *why = failure(folder, errno);
        return false;
    }
    if (!S_ISDIR(info.st_mode)) {
        *why = failure(folder, ENOTDIR);
        return false;
    }
    return true;
}

// A descriptor closed on every path out.
struct Fd {
    int fd = -1;
    explicit Fd(int value) : fd(value) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() {
        if (fd >= 0) close(fd);
    }
    // Closes now, for the error close reports; 0 or errno.
    int closeNow() {
        const int result = close(fd);
        fd = -1;
        return result == 0 ? 0 : errno;
    }
};

// The temporary, removed unless it became the record.
struct Temporary {
    std::string path;
    bool kept = false;
    ~Temporary() {
        if (!path.empty() && !kept) unlink(path.c_str());
    }
};

int writeAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t n = write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errno;
        if (n == 0) return ENOSPC;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return 0;
}

int syncFd(int fd) {
    while (fsync(fd) != 0)
        if (errno != EINTR) return errno;
    return 0;
}

// Makes a rename or removal in the folder durable. Filesystems that cannot sync a folder say EINVAL.
int syncFolder(const std::string& folder) {
    Fd dir(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.fd < 0) return errno;
    const int error = syncFd(dir.fd);
    return error == EINVAL ? 0 : error;
}

// Temporaries whose writer is gone (killed mid-write) are removed; a live writer's are its own.
void removeStaleTemporaries(const std::string& folder, const char* file) {
    DIR* dir = opendir(folder.c_str());
    if (!dir) return;
    const std::string prefix = temporaryPrefix(file);
    while (const dirent* entry = readdir(dir)) {
        if (std::strncmp(entry->d_name, prefix.c_str(), prefix.size()) != 0) continue;
        char* end = nullptr;
        const long pid = std::strtol(entry->d_name + prefix.size(), &end, 10);
        if (pid <= 0 || *end != '-') continue;
        if (pid != getpid() && kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
            unlinkat(dirfd(dir), entry->d_name, 0);
    }
    closedir(dir);
}

int storeRead(RecordName record, std::string* text, std::string* why) {
    why->clear();
    if (!valid(record)) return 0;
    const std::string folder = folderOf(record, why);
    if (folder.empty()) return 0;
    const std::string path = folder + "/" + places[record].file;
    Fd file(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (file.fd < 0) {
        if (errno != ENOENT) *why = failure(path, errno);
        return 0;
    }
    struct stat info;
    if (fstat(file.fd, &info) != 0) {
        *why = failure(path, errno);
        return 0;
    }
    if (!S_ISREG(info.st_mode)) {
        *why = path + ": not a file";
        return 0;
    }
    if (info.st_size > maxRecordBytes) {
        *why = path + ": too large (" + std::to_string(info.st_size) + " bytes)";
        return 0;
    }
    // Read to the end, since the size may have changed; never past the cap.
    std::string data;
    char buffer[8192];
    for (;;) {
        const ssize_t n = ::read(file.fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            *why = failure(path, errno);
            return 0;
        }
        if (n == 0) break;
        data.append(buffer, static_cast<size_t>(n));
        if (data.size() > static_cast<size_t>(maxRecordBytes)) {
            *why = path + ": too large";
            return 0;
        }
    }
    *text = std::move(data);
    return 1;
}

int storeReplace(RecordName record, const std::string& text, std::string* why) {
    if (!valid(record)) return 0;
    const std::string folder = folderOf(record, why);
    if (folder.empty()) return 0;
    const std::string path = folder + "/" + places[record].file;
    if (text.size() > static_cast<size_t>(maxRecordBytes)) {
        *why = path + ": too large to keep (" + std::to_string(text.size()) + " bytes)";
        return 0;
    }
    if (!makeFolders(folder, why)) return 0;
    removeStaleTemporaries(folder, places[record].file);

    static unsigned serial = 0;
    Temporary temporary;
    int fd = -1;
    while (fd < 0) {
        temporary.path = folder + "/" + temporaryPrefix(places[record].file) + std::to_string(getpid()) + "-" +
                         std::to_string(++serial);
        fd = open(temporary.path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0644);
        if (fd < 0 && errno != EEXIST) {
            const int error = errno;
            temporary.path.clear();  // not ours to remove
            *why = failure(path, error);
            return 0;
        }
    }
    Fd file(fd);
    int error = writeAll(file.fd, text.data(), text.size());
    if (!error) error = syncFd(file.fd);
    if (!error) error = file.closeNow();
    if (!error && rename(temporary.path.c_str(), path.c_str()) != 0) error = errno;
    if (error) {
        *why = failure(path, error);
        return 0;
    }
    temporary.kept = true;
    error = syncFolder(folder);
    if (error) {
        *why = failure(folder, error);
        return 0;
    }
    return 1;
}

int storeRemove(RecordName record, std::string* why) {
    if (!valid(record)) return 0;
    const std::string folder = folderOf(record, why);
    if (folder.empty()) return 0;
    const std::string path = folder + "/" + places[record].file;
    if (unlink(path.c_str()) != 0) {
        // No folder, or a file where the folder would be: there is no record either.
        if (errno == ENOENT || errno == ENOTDIR) return 1;
        *why = failure(path, errno);
        return 0;
    }
    syncFolder(folder);
    return 1;
}

// The reason as a safe piece of a file name.
std::string reasonWord(const char* reason) {
    std::string word;
    for (const char* p = reason ? reason : ""; *p && word.size() < 32; ++p) {
        const char c = *p;
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_')
            word += c;
    }
    return word.empty() ? "aside" : word;
}

// Moves from to to unless to exists; EEXIST when it does.
int moveNoReplace(const std::string& from, const std::string& to) {
    if (link(from.c_str(), to.c_str()) == 0) {
        unlink(from.c_str());
        return 0;
    }
    if (errno == EEXIST || errno == ENOENT) return errno;
    // A filesystem without hard links: check, then move (a race here only with another game).
    struct stat info;
    if (lstat(to.c_str(), &info) == 0) return EEXIST;
    return rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

int storeSetAside(RecordName record, const char* reason, std::string* why) {
    if (!valid(record)) return 0;
    const std::string folder = folderOf(record, why);
    if (folder.empty()) return 0;
    const std::string path = folder + "/" + places[record].file;
    char stamp[32];
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    const std::string base = path + "." + reasonWord(reason) + "-" + stamp;
    for (int n = 1; n < 1000; ++n) {
        const std::string target = n == 1 ? base : base + "-" + std::to_string(n);
        const int error = moveNoReplace(path, target);
        if (error == EEXIST) continue;
        if (error == ENOENT) {
            *why = path + " (gone already)";
            return 1;
        }
        if (error) {
            *why = failure(path, error);
            return 0;
        }
        syncFolder(folder);
        *why = target;
        return 1;
    }
    *why = base + ": every name taken";
    return 0;
}

int storeLock(RecordName record, int hold, std::string* why) {
    if (!valid(record)) return 0;
    int& held = lockFds[record];
    if (!hold) {
        if (held >= 0) {
            flock(held, LOCK_UN);
            close(held);
            held = -1;
        }
        return 1;
    }
    if (held >= 0) {
        *why = "the lock is already held";
        return 0;
    }
    const std::string folder = folderOf(record, why);
    if (folder.empty() || !makeFolders(folder, why)) return 0;
    // The record itself is renamed over, so the lock lives in a file of its own.
    const std::string path = folder + "/" + places[record].file + ".lock";
    Fd file(open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOCTTY, 0644));
    if (file.fd < 0) {
        *why = failure(path, errno);
        return 0;
    }
    while (flock(file.fd, LOCK_EX) != 0) {
        if (errno == EINTR) continue;
        *why = failure(path, errno);
        return 0;
    }
    held = file.fd;
    file.fd = -1;
    return 1;
}

const StoreSteps linuxStore = {storeRead, storeReplace, storeRemove, storeSetAside, storeLock};

}  // namespace

const StoreSteps* sdlStore() { return &linuxStore; }

const StoreSteps* programStore() { return sdlStore(); }
