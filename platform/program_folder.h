// Where the running program lies, an OS service the entry function needs to find its data folder.
#pragma once

#include <string>

// The folder that holds the running program's executable, ending in '/', symbolic links resolved;
// "" when the system cannot tell. Called once by main() before the data folder is chosen.
std::string programFolder();
