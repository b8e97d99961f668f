// varno-inspect: checks asset files with the engine's own readers, without a
// window.
//
//   varno-inspect image FILE [--ppm OUT]
//   varno-inspect model FILE
//   varno-inspect xml FILE
//
// image:
// prints "FORMAT WIDTHxHEIGHT CHANNELS ROWS" (for DDS: "dds WIDTHxHEIGHT FOURCC
// MIPCOUNT LEVELBYTES..." with the byte size of each level that would be
// uploaded). FORMAT is the decoder the file name selects, as the engine picks
// it. With --ppm the decoded pixels (for DDS the first level, decoded in
// software) are also written as a binary PPM, rows in the order the engine
// uploads them.
// model: reads a .3ds, .md2 or .xml model with the engine's reader and prints
// its counts, box, meshes, materials and animations.
// xml: parses any XML file and prints the result and the tree written back.
// Exit status: 0 read, 1 rejected (the reader's message on standard error),
// 2 wrong usage.
#include <SDL.h>
#include <SDL_image.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "image/DdsDecoder.h"
#include "base/FileBytes.h"
#include "image/DxtDecoder.h"
#include "image/ImageFormat.h"
#include "image/SdlSurface.h"
#include "tools/inspect.h"

namespace {

int usage() {
    std::fprintf(stderr,
                 "usage: varno-inspect image FILE [--ppm OUT]\n"
                 "       varno-inspect model FILE\n"
                 "       varno-inspect xml FILE\n");
    return 2;
}

int rejected(const std::string& message) {
    std::fprintf(stderr, "%s\n", message.c_str());
    return 1;
}

bool writePpm(const char* path, const ImageData& image) {
    FILE* out = std::fopen(path, "wb");
    if (out == nullptr) {
        return false;
    }
    std::fprintf(out, "P6\n%d %d\n255\n", image.width, image.height);
    std::vector<uint8_t> row(size_t(image.width) * 3);
    for (int y = 0; y < image.height; ++y) {
        const uint8_t* in = image.pixels.data() + size_t(y) * image.rowBytes();
        for (int x = 0; x < image.width; ++x) {
            // Grey (and grey with alpha) rows give the same value three times.
            const uint8_t* pixel = in + size_t(x) * size_t(image.channels);
            const bool grey = image.channels < 3;
            for (int c = 0; c < 3; ++c) {
                row[size_t(x) * 3 + size_t(c)] = pixel[grey ? 0 : c];
            }
        }
        std::fwrite(row.data(), 1, row.size(), out);
    }
    return std::fclose(out) == 0;
}

// SDL_image's surface as RGB or RGBA rows, top row first, converted as the
// engine converts it for upload.
bool loadThroughSdl(const char* file, ImageData& image) {
    SDL_Surface* rgb = toByteOrderSurface(IMG_Load(file));
    if (rgb == nullptr) {
        return false;
    }
    image.width = rgb->w;
    image.height = rgb->h;
    image.channels = rgb->format->BytesPerPixel;
    image.bottomUp = false;
    image.pixels.resize(image.rowBytes() * size_t(image.height));
    for (int y = 0; y < image.height; ++y) {
        std::memcpy(image.pixels.data() + size_t(y) * image.rowBytes(),
                    static_cast<const uint8_t*>(rgb->pixels) + size_t(y) * size_t(rgb->pitch),
                    image.rowBytes());
    }
    SDL_FreeSurface(rgb);
    return true;
}

}  // namespace

int inspectImage(const char* file, const char* ppm) {
    const ImageDecoder& decoder = chooseImageDecoder(file);
    const ImageFormat format = decoder.format;
    ImageData image;
    std::string message;

    if (format == ImageFormat::Sdl) {
        if (!loadThroughSdl(file, image)) {
            return rejected(std::string("\nFailed to load the image: ") + file);
        }
    } else {
        std::vector<uint8_t> bytes;
        if (!readImageFile(file, bytes, message)) {
            return rejected(message);
        }
        if (format == ImageFormat::Dds) {
            DdsImage dds;
            bool ok = decodeDds(bytes.data(), bytes.size(), file, dds, message);
            if (!ok) {
                return rejected(message);
            }
            if (!message.empty()) {
                std::fprintf(stderr, "%s\n", message.c_str());
            }
            std::printf("dds %dx%d %s %zu", dds.width, dds.height, fourCCText(dds.fourCC).c_str(),
                        dds.levels.size());
            for (const DdsLevel& level : dds.levels) {
                std::printf(" %zu", level.size);
            }
            std::printf("\n");
            if (ppm != nullptr && !writePpm(ppm, decodeDdsLevel0(dds))) {
                std::fprintf(stderr, "cannot write %s\n", ppm);
                return 2;
            }
            return 0;
        }
        if (!decoder.decode(bytes.data(), bytes.size(), file, image, message)) {
            return rejected(message);
        }
    }

    std::printf("%s %dx%d %d %s\n", imageFormatName(format), image.width, image.height,
                image.channels, image.bottomUp ? "bottom-up" : "top-down");
    if (ppm != nullptr && !writePpm(ppm, image)) {
        std::fprintf(stderr, "cannot write %s\n", ppm);
        return 2;
    }
    return 0;
}

int main(int argc, char** argv) {
    if (argc >= 3 && std::strcmp(argv[1], "image") == 0) {
        if (argc == 3) {
            return inspectImage(argv[2], nullptr);
        }
        if (argc == 5 && std::strcmp(argv[3], "--ppm") == 0) {
            return inspectImage(argv[2], argv[4]);
        }
    }
    if (argc == 3 && std::strcmp(argv[1], "model") == 0) {
        return inspectModel(argv[2]);
    }
    if (argc == 3 && std::strcmp(argv[1], "xml") == 0) {
        return inspectXml(argv[2]);
    }
    return usage();
}
