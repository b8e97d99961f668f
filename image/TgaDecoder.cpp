// TGA decoding for the texture loader: uncompressed (type 2) and run-length
// (type 10) true-colour files with 24 or 32 bits per pixel, nothing else.
//
// Every read goes through ByteReader, and the output buffer is never larger
// than the file can fill, so a lying header costs at most a failed decode.

#include "image/TgaDecoder.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <utility>
#include <vector>

#include "base/ByteReader.h"
#include "image/DecodeSupport.h"

namespace {

// Image types read here: true colour, uncompressed or run-length encoded.
constexpr uint8_t kTypeUncompressed = 2;
constexpr uint8_t kTypeRle = 10;

constexpr uint8_t kDescriptorRightToLeft = 0x10;
constexpr uint8_t kDescriptorTopToBottom = 0x20;

// A run-length packet stands for at most this many pixels.
constexpr size_t kMaxPixelsPerPacket = 128;

// Turns B,G,R(,A) pixels into R,G,B(,A) in place.
void swapRedBlue(uint8_t* pixels, size_t count, size_t channels) {
    for (size_t i = 0; i < count; ++i, pixels += channels) {
        std::swap(pixels[0], pixels[2]);
    }
}

// Brings rows stored in file order into the engine's layout: bottom row first,
// pixels left to right.
void normaliseOrientation(std::vector<uint8_t>& pixels, size_t width, size_t height,
                          size_t channels, uint8_t descriptor) {
    const size_t rowBytes = width * channels;
    if (descriptor & kDescriptorTopToBottom) {
        flipRows(pixels.data(), rowBytes, height);
    }
    if (descriptor & kDescriptorRightToLeft) {
        for (size_t y = 0; y < height; ++y) {
            uint8_t* row = pixels.data() + y * rowBytes;
            for (size_t left = 0, right = width - 1; left < right; ++left, --right) {
                std::swap_ranges(row + left * channels, row + (left + 1) * channels,
                                 row + right * channels);
            }
        }
    }
}

// Reads run-length packets until `total` pixels are stored, growing `pixels`
// packet by packet, so a stream that fails early costs only what it decoded.
// `capacity` pixels is no fewer than the remaining bytes can produce, so when
// it is short of `total` the stream fails first; the checks below keep every
// write inside it regardless. The failure reported is the one a
// pixel-by-pixel reader would hit first.
bool readRlePixels(ByteReader& in, std::vector<uint8_t>& pixels, size_t capacity, size_t total,
                   size_t channels, const char* name, std::string& message) {
    size_t stored = 0;
    while (stored < total) {
        const uint8_t packet = in.u8();
        if (!in.ok()) {
            return decodeFailure(message, "Could not read RLE header: %s", name);
        }
        const size_t room = total - stored;
        if (packet < 128) {
            // Raw packet: each pixel is read, then stored.
            const size_t count = size_t(packet) + 1;
            const size_t available = in.remaining() / channels;
            const size_t n = std::min({count, available, room});
            if (stored + n > capacity) {  // unreachable: see the sizing in decodeTga
                return decodeFailure(message, "Too many pixels read: %s", name);
            }
            pixels.resize((stored + n) * channels);
            in.bytes(pixels.data() + stored * channels, n * channels);
            stored += n;
            if (n < count) {
                // Pixel number n either could not be read or had no room;
                // reading comes first.
                return n == available
                           ? decodeFailure(message, "Could not read image data: %s", name)
                           : decodeFailure(message, "Too many pixels read: %s", name);
            }
        } else {
            // Run packet: one pixel stored packet - 127 times.
            const uint8_t* pixel = in.take(channels);
            if (pixel == nullptr) {
                return decodeFailure(message, "Could not read from file: %s", name);
            }
            const size_t count = size_t(packet) - 127;
            if (count > room || stored + count > capacity) {
                return decodeFailure(message, "Too many pixels read: %s", name);
            }
            // Store the pixel once, then double the filled span with memcpy.
            pixels.resize((stored + count) * channels);
            uint8_t* out = pixels.data() + stored * channels;
            const size_t runBytes = count * channels;
            std::memcpy(out, pixel, channels);
            for (size_t filled = channels; filled < runBytes;) {
                const size_t chunk = std::min(filled, runBytes - filled);
                std::memcpy(out + filled, out, chunk);
                filled += chunk;
            }
            stored += count;
        }
    }
    return true;
}

}  // namespace

bool decodeTga(const uint8_t* data, size_t size, const char* name, TgaDecoded& out,
               std::string& message) {
    ByteReader in = startDecode(out, message, data, size, name);
    const uint8_t idLength = in.u8();
    if (!in.ok()) {
        message = "Failed to read TGAcomment!";
        return false;
    }
    if (!in.bytes(out.header, 11)) {
        return decodeFailure(message, "Could not read file header: %s", name);
    }
    // No colour map, true colour. The colour map fields mean nothing without
    // a colour map, and the x/y origin only places the image on a screen, so
    // neither keeps a valid file from loading.
    const uint8_t colourMapType = out.header[0];
    const uint8_t imageType = out.header[1];
    const bool rle = imageType == kTypeRle;
    if (colourMapType != 0 || (imageType != kTypeUncompressed && !rle)) {
        return decodeFailure(message, "TGA file be type 2 or type 10, Invalid Image: %s", name);
    }

    if (!in.bytes(out.infoHeader, 6)) {
        return decodeFailure(message, "Could not read info header: %s", name);
    }
    const uint8_t* info = out.infoHeader;
    const size_t width = size_t(info[1]) * 256 + info[0];
    const size_t height = size_t(info[3]) * 256 + info[2];
    const unsigned bitsPerPixel = info[4];
    const uint8_t descriptor = info[5];
    if (width == 0 || height == 0 || (bitsPerPixel != 24 && bitsPerPixel != 32)) {
        return decodeFailure(message, "Invalid texture information: %s", name);
    }

    // The image ID field sits between the header and the pixels. A file that
    // ends inside it simply has no pixel data left.
    in.skip(std::min<size_t>(idLength, in.remaining()));

    const size_t channels = bitsPerPixel / 8;
    const size_t total = width * height;  // at most 65535 * 65535: fits in 32 bits
    std::vector<uint8_t> pixels;

    if (!rle) {
        const uint8_t* src =
            uint64_t(total) * channels <= in.remaining() ? in.take(total * channels) : nullptr;
        if (src == nullptr) {
            return decodeFailure(message, "Could not read image data: %s", name);
        }
        try {
            pixels.assign(src, src + total * channels);
        } catch (const std::bad_alloc&) {
            return decodeFailure(message, "Could not allocate memory for image: %s", name);
        }
    } else {
        // A packet turns 1 + channels bytes at the least into 128 pixels at
        // the most, so a short file cannot make us allocate for a huge claim.
        const uint64_t bound = uint64_t(in.remaining()) * kMaxPixelsPerPacket / (1 + channels);
        const size_t capacity = size_t(std::min<uint64_t>(total, bound));
        if (uint64_t(capacity) * channels > std::numeric_limits<size_t>::max()) {
            return decodeFailure(message, "Could not allocate memory for image: %s", name);
        }
        try {
            pixels.reserve(capacity * channels);
        } catch (const std::bad_alloc&) {
            return decodeFailure(message, "Could not allocate memory for image: %s", name);
        }
        if (!readRlePixels(in, pixels, capacity, total, channels, name, message)) {
            return false;
        }
    }

    swapRedBlue(pixels.data(), total, channels);
    normaliseOrientation(pixels, width, height, channels, descriptor);

    out.image.width = int(width);
    out.image.height = int(height);
    out.image.channels = int(channels);
    out.image.bottomUp = true;
    out.image.pixels = std::move(pixels);
    return true;
}
