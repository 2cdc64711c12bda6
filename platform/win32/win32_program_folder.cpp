// The program's own folder, from the module's file name.
#include "platform/program_folder.h"

#include "platform/win32/win32_internal.h"

std::string programFolder() {
    char path[MAX_PATH * 4];
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    // 0 is a failure, a full buffer a truncated name.
    if (length == 0 || length >= sizeof path) return "";
    std::string folder(path, length);
    const size_t slash = folder.find_last_of("\\/");
    if (slash == std::string::npos) return "";
    return folder.substr(0, slash + 1);
}
