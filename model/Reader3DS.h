/// \file
/// Reading 3DS files without any GL: the chunk tree into a ModelRecord, with
/// smooth vertex normals and bounding boxes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "model/ModelRecord.h"

/// Reads a whole .3ds file held in memory into `model` (cleared first). Returns
/// false with the loader's message when the file is not a 3DS file; messages
/// that do not stop the reading (a newer file version, counts cut to what a
/// chunk holds) are appended to `warnings`, in the order met. `name` is the
/// file name used in messages.
bool read3ds(const uint8_t* data, size_t size, const char* name, ModelRecord& model,
             std::string& message, std::vector<std::string>& warnings);
