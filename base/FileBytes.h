/// \file
/// Reads a whole file into memory for the decoders.
#pragma once

#include <cstdint>
#include <vector>

/// False when the file cannot be opened or read.
bool readFileBytes(const char* path, std::vector<uint8_t>& out);
