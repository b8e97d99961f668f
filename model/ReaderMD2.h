/// \file
/// Reading MD2 files without any GL: key frames, normals, boxes and the named
/// animations into a ModelRecord.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "model/ModelRecord.h"

/// Reads a whole .md2 file held in memory into `model` (cleared first); with a
/// skin file name (may be null or empty) the model gets one material naming
/// it. Returns false with the loader's message when the file cannot be read;
/// problems that only cut data short are appended to `warnings`.
bool readMd2(const uint8_t* data, size_t size, const char* name, const char* skinFile,
             ModelRecord& model, std::string& message, std::vector<std::string>& warnings);
