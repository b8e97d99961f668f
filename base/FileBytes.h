/// \file
/// Reads whole files: the decoders' and model readers' input, shader sources
/// and XML documents all come in this way.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

/// Reads the file to its end (a file that grows or a pipe included). False,
/// with `out` empty, when it cannot be opened or read; a directory cannot.
bool readFileBytes(const char* path, std::vector<uint8_t>& out);
/// readFileBytes() into a string: for text files.
bool readFileBytes(const char* path, std::string& out);

/// Asks the kernel to back a large buffer (4 MiB or more) with huge pages;
/// called before the buffer is first written, filling it then takes a few
/// page faults instead of one per 4 KiB, which can cost more than the work
/// that fills it. Smaller buffers, and systems without the advice, are left
/// as they are.
void adviseHugePages(const void* data, size_t bytes);
