// The Windows store: each record a small file under the user's application data, moved into place
// after a flush.
#include "platform/win32/win32_internal.h"

#include <shlobj.h>

#include <string>

#include "platform/store.h"

namespace {

// Records are kilobytes; anything much larger is not ours and is not read into memory.
constexpr LONGLONG maxRecordBytes = 64 * 1024;

const wchar_t* const fileNames[recordCount] = {L"game.txt", L"scores.txt", L"settings.txt"};

// The lock file's handle while the record's lock is held, else null.
HANDLE lockHandles[recordCount] = {nullptr, nullptr, nullptr};

// A temporary is named after its writer, ".scores.txt.tmp-PID-N", never a record's or an aside's name.
const wchar_t tempMark[] = L".tmp-";

bool valid(RecordName record) { return record >= 0 && record < recordCount; }

std::string utf8(const std::wstring& text) {
    if (text.empty()) return "";
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string out(size > 0 ? static_cast<size_t>(size) : 0, '\0');
    if (size > 0)
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &out[0], size, nullptr, nullptr);
    return out;
}

// "PATH: the system's message".
std::string failure(const std::wstring& path, DWORD error) {
    wchar_t* message = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, error, 0, reinterpret_cast<wchar_t*>(&message), 0, nullptr);
    std::wstring text = length && message ? std::wstring(message, length) : L"error " + std::to_wstring(error);
    if (message) LocalFree(message);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L'.')) text.pop_back();
    return utf8(path) + ": " + utf8(text);
}

// The record's folder, "...\Brinvale": the game in progress stays on this machine, the scores and
// settings roam with the user.
std::wstring folderOf(RecordName record, std::string* why) {
    const KNOWNFOLDERID& id = record == recordGame ? FOLDERID_LocalAppData : FOLDERID_RoamingAppData;
    PWSTR base = nullptr;
    const HRESULT result = SHGetKnownFolderPath(id, KF_FLAG_CREATE, nullptr, &base);
    std::wstring folder;
    if (SUCCEEDED(result) && base) folder = std::wstring(base) + L"\\Brinvale";
    CoTaskMemFree(base);
    if (folder.empty()) *why = record == recordGame ? "no local application data folder" : "no application data folder";
    return folder;
}

bool makeFolder(const std::wstring& folder, std::string* why) {
    if (CreateDirectoryW(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS) {
        const DWORD attributes = GetFileAttributesW(folder.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return true;
        *why = failure(folder, ERROR_DIRECTORY);
        return false;
    }
    *why = failure(folder, GetLastError());
    return false;
}

// A handle closed on every path out.
struct Handle {
    HANDLE handle;
    explicit Handle(HANDLE value) : handle(value) {}
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle() {
        if (ok()) CloseHandle(handle);
    }
    bool ok() const { return handle != INVALID_HANDLE_VALUE && handle != nullptr; }
};

// The temporary, removed unless it became the record.
struct Temporary {
    std::wstring path;
    bool kept = false;
    ~Temporary() {
        if (!path.empty() && !kept) DeleteFileW(path.c_str());
    }
};

bool processAlive(DWORD pid) {
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!process) return GetLastError() == ERROR_ACCESS_DENIED;
    DWORD code = 0;
    const bool alive = GetExitCodeProcess(process, &code) && code == STILL_ACTIVE;
    CloseHandle(process);
    return alive;
}

// Temporaries whose writer is gone (killed mid-write) are removed; a live writer's are its own.
void removeStaleTemporaries(const std::wstring& folder, const wchar_t* file) {
    const std::wstring prefix = std::wstring(L".") + file + tempMark;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\" + prefix + L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        wchar_t* end = nullptr;
        const unsigned long pid = wcstoul(found.cFileName + prefix.size(), &end, 10);
        if (pid == 0 || *end != L'-' || pid == GetCurrentProcessId() || processAlive(pid)) continue;
        DeleteFileW((folder + L"\\" + found.cFileName).c_str());
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

int storeRead(RecordName record, std::string* text, std::string* why) {
    why->clear();
    if (!valid(record)) return 0;
    const std::wstring folder = folderOf(record, why);
    if (folder.empty()) return 0;
    const std::wstring path = folder + L"\\" + fileNames[record];
    Handle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.ok()) {
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) *why = failure(path, error);
        return 0;
    }
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.handle, &size)) {
        *why = failure(path, GetLastError());
        return 0;
    }
    if (size.QuadPart > maxRecordBytes) {
        *why = utf8(path) + ": too large (" + std::to_string(size.QuadPart) + " bytes)";
        return 0;
    }
    std::string data;
    char buffer[8192];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file.handle, buffer, sizeof buffer, &got, nullptr)) {
            *why = failure(path, GetLastError());
            return 0;
        }
        if (got == 0) break;
        data.append(buffer, got);
        if (data.size() > static_cast<size_t>(maxRecordBytes)) {
            *why = utf8(path) + ": too large";
            return 0;
        }
    }
    *text = std::move(data);
    return 1;
}

int storeReplace(RecordName record, const std::string& text, std::string* why) {
    if (!valid(record)) return 0;
    const std::wstring folder = folderOf(record, why);
    if (folder.empty()) return 0;
    const std::wstring path = folder + L"\\" + fileNames[record];
    if (text.size() > static_cast<size_t>(maxRecordBytes)) {
        *why = utf8(path) + ": too large to keep (" + std::to_string(text.size()) + " bytes)";
        return 0;
    }
    if (!makeFolder(folder, why)) return 0;
    removeStaleTemporaries(folder, fileNames[record]);

    static unsigned serial = 0;
    Temporary temporary;
    HANDLE created = INVALID_HANDLE_VALUE;
    while (created == INVALID_HANDLE_VALUE) {
        temporary.path = folder + L"\\." + fileNames[record] + tempMark + std::to_wstring(GetCurrentProcessId()) + L"-" +
                         std::to_wstring(++serial);
        // CREATE_NEW: never an existing file, whoever made it.
        created = CreateFileW(temporary.path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
        if (created == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) {
            const DWORD error = GetLastError();
            temporary.path.clear();  // not ours to remove
            *why = failure(path, error);
            return 0;
        }
    }
    DWORD error = 0;
    {
        Handle file(created);
        const char* data = text.data();
        size_t left = text.size();
        while (!error && left > 0) {
            DWORD wrote = 0;
            const DWORD chunk = left > 1u << 20 ? 1u << 20 : static_cast<DWORD>(left);
            if (!WriteFile(file.handle, data, chunk, &wrote, nullptr))
                error = GetLastError();
            else if (wrote == 0)
                error = ERROR_DISK_FULL;
            data += wrote;
            left -= wrote;
        }
        if (!error && !FlushFileBuffers(file.handle)) error = GetLastError();
    }
    if (!error &&
        !MoveFileExW(temporary.path.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        error = GetLastError();
    if (error) {
        *why = failure(path, error);
        return 0;
    }
    temporary.kept = true;
    return 1;
}

int storeRemove(RecordName record, std::string* why) {
    if (!valid(record)) return 0;
    const std::wstring folder = folderOf(record, why);
    if (folder.empty()) return 0;
    const std::wstring path = folder + L"\\" + fileNames[record];
    if (DeleteFileW(path.c_str())) return 1;
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return 1;
    *why = failure(path, error);
    return 0;
}

// The reason as a safe piece of a file name.
std::wstring reasonWord(const char* reason) {
    std::wstring word;
    for (const char* p = reason ? reason : ""; *p && word.size() < 32; ++p) {
        const char c = *p;
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_')
            word += static_cast<wchar_t>(c);
    }
    return word.empty() ? L"aside" : word;
}

int storeSetAside(RecordName record, const char* reason, std::string* why) {
    if (!valid(record)) return 0;
    const std::wstring folder = folderOf(record, why);
    if (folder.empty()) return 0;
    const std::wstring path = folder + L"\\" + fileNames[record];
    SYSTEMTIME now;
    GetLocalTime(&now);
    wchar_t stamp[32];
    swprintf(stamp, 32, L"%04u%02u%02u-%02u%02u%02u", now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute,
             now.wSecond);
    const std::wstring base = path + L"." + reasonWord(reason) + L"-" + stamp;
    for (int n = 1; n < 1000; ++n) {
        const std::wstring target = n == 1 ? base : base + L"-" + std::to_wstring(n);
        // Without MOVEFILE_REPLACE_EXISTING a taken name fails instead of being written over.
        if (MoveFileExW(path.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH)) {
            *why = utf8(target);
            return 1;
        }
        const DWORD error = GetLastError();
        if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) continue;
        if (error == ERROR_FILE_NOT_FOUND) {
            *why = utf8(path) + " (gone already)";
            return 1;
        }
        *why = failure(path, error);
        return 0;
    }
    *why = utf8(base) + ": every name taken";
    return 0;
}

int storeLock(RecordName record, int hold, std::string* why) {
    if (!valid(record)) return 0;
    HANDLE& held = lockHandles[record];
    if (!hold) {
        if (held) {
            OVERLAPPED at = {};
            UnlockFileEx(held, 0, 1, 0, &at);
            CloseHandle(held);
            held = nullptr;
        }
        return 1;
    }
    if (held) {
        *why = "the lock is already held";
        return 0;
    }
    const std::wstring folder = folderOf(record, why);
    if (folder.empty() || !makeFolder(folder, why)) return 0;
    // The record itself is moved over, so the lock lives in a file of its own.
    const std::wstring path = folder + L"\\" + fileNames[record] + L".lock";
    Handle file(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.ok()) {
        *why = failure(path, GetLastError());
        return 0;
    }
    OVERLAPPED at = {};
    if (!LockFileEx(file.handle, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &at)) {
        *why = failure(path, GetLastError());
        return 0;
    }
    held = file.handle;
    file.handle = nullptr;
    return 1;
}

const StoreSteps windowsStore = {storeRead, storeReplace, storeRemove, storeSetAside, storeLock};

}  // namespace

const StoreSteps* programStore() { return &windowsStore; }
