// Built against the installed engine with nothing but
//   g++ decode_image.cpp $(pkg-config --cflags --libs varno-decode)
// it decodes a BMP file with the engine's own decoder, with no SDL or GL, and
// prints the version the headers carry and the line varno-inspect prints for
// the same file.
#include <varno/base/FileBytes.h>
#include <varno/core/Version.h>
#include <varno/image/BmpDecoder.h>

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: decode_image FILE.bmp\n");
        return 2;
    }
    std::printf("varno %d.%d.%d\n", VARNO_VERSION_MAJOR, VARNO_VERSION_MINOR, VARNO_VERSION_PATCH);
    std::vector<uint8_t> bytes;
    ImageData image;
    std::string message;
    if (!readFileBytes(argv[1], bytes) ||
        !decodeBmp(bytes.data(), bytes.size(), argv[1], image, message)) {
        std::fprintf(stderr, "cannot decode %s: %s\n", argv[1], message.c_str());
        return 1;
    }
    std::printf("bmp %dx%d %d %s\n", image.width, image.height, image.channels,
                image.bottomUp ? "bottom-up" : "top-down");
    return 0;
}
