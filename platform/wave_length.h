// How long a PCM wave file plays, from its format and data chunks: a sound played silent waits it.
#pragma once

#include <cstdint>
#include <vector>

// The playing time in whole milliseconds of a PCM wave file held in file; false, with lengthMs
// untouched, when it is not one. Never reads past the file, and ends on any chunk size. Called by
// the browser and Windows backends when they load a sound.
bool waveLength(const std::vector<unsigned char>& file, uint32_t* lengthMs);
