// Finding the game's pictures and sounds wherever the program is installed.
#pragma once

// Makes the data folder current, so that the game's relative "pic/..." names reach it: the first
// of the program's own folder (the build folder, or any folder holding both) and the installed
// data folder relative to the program that holds a folder pic/; the current folder when the
// program's folder is unknown. Returns 1 on success; 0 after a message box naming where it looked.
// Called by main() once the platform is installed, before runGame.
int enterDataFolder();
