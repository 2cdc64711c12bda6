// The data folder: pic/ next to the program, or in the installed data folder, made current.
#include "app/data_folder.h"

#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "platform/platform.h"
#include "platform/program_folder.h"

#ifndef BRINVALE_DATA_FROM_PROGRAM
#error "BRINVALE_DATA_FROM_PROGRAM comes from the build (the installed data folder, from the program's)"
#endif

namespace fs = std::filesystem;

int enterDataFolder() {
    const std::string program = programFolder();
    std::vector<fs::path> candidates{"."};
    if (!program.empty()) {
        candidates = {fs::path(program)};
        // Where the data is installed beside the program (Windows' zip), the folder is named once.
        const fs::path installed = fs::path(program) / BRINVALE_DATA_FROM_PROGRAM;
        if (installed.lexically_normal() != candidates[0].lexically_normal()) candidates.push_back(installed);
    }
    std::string text = "The game's pictures and sounds were not found.\nThere is no folder pic in:";
    for (const fs::path& folder : candidates) {
        std::error_code error;
        if (fs::is_directory(folder / "pic", error)) {
            fs::current_path(folder, error);
            if (!error) return 1;
        }
        text += "\n" + (folder / "").lexically_normal().string();
    }
    // The start-up failures' caption: what a missing picture ends with too.
    showMessageBox(text.c_str(), "ERROR", mbOk | mbIconExclamation);
    return 0;
}
