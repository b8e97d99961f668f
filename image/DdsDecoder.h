/// \file
/// DDS parsing without any GL: S3TC-compressed (DXT1, DXT3, DXT5) files whose
/// stored mipmap levels are uploaded as they are.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

/// One stored mipmap level: its size in pixels and where its blocks lie in
/// DdsImage::data.
struct DdsLevel {
    int width = 0;      ///< in pixels
    int height = 0;     ///< in pixels
    size_t offset = 0;  ///< first byte in DdsImage::data
    size_t size = 0;    ///< bytes of blocks
};

/// A parsed DDS file: its header fields and its stored levels.
struct DdsImage {
    int width = 0;                 ///< level 0, in pixels
    int height = 0;                ///< level 0, in pixels
    uint32_t fourCC = 0;           ///< as read: 'D','X','T','1' is 0x31545844
    int blockSize = 0;             ///< bytes per 4x4 block: 8 (DXT1) or 16
    int components = 0;            ///< 3 for DXT1, 4 for DXT3 and DXT5
    int mipmapCount = 0;           ///< as the header says
    std::vector<DdsLevel> levels;  ///< the levels the file holds in full, largest first
    std::vector<uint8_t> data;     ///< everything after the 128-byte header
};

/// The FourCC as four characters (non-printable bytes as '?').
std::string fourCCText(uint32_t fourCC);

/// Parses a whole DDS file held in memory. On failure returns false and sets
/// `message` to the loader's text (without a line end). `message` may also be
/// set on success, as a warning (levels missing from a short file).
bool decodeDds(const uint8_t* data, size_t size, const char* name, DdsImage& out,
               std::string& message);
