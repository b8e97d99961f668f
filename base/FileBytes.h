/// \file
/// Reads whole files: the decoders' and model readers' input, shader sources
/// and XML documents all come in this way.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

/// Reads the file to its end (a file that grows or a pipe included). False,
/// with `out` empty, when it cannot be opened or read; a directory cannot.
bool readFileBytes(const char* path, std::vector<uint8_t>& out);
/// readFileBytes() into a string: for text files.
bool readFileBytes(const char* path, std::string& out);
