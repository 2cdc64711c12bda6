// Little-endian byte output and whole-file writes for the asset generator's encoders.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

void putLe16(Bytes& b, uint32_t v);
void putLe32(Bytes& b, uint32_t v);
// Writes bytes to path; false, with the reason on standard error, when it cannot.
bool writeFile(const std::string& path, const Bytes& bytes);
