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
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "base/FileBytes.h"
#include "image/DdsDecoder.h"
#include "image/DxtDecoder.h"
#include "image/ImageFormat.h"
#include "image/JpegDecoder.h"
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

// The RGB bytes of `count` pixels of `channels` bytes each. Two bytes past
// the last pixel's may be written over.
void toRgb(const uint8_t* in, int channels, int count, uint8_t* out) {
    if (channels < 3) {
        // Grey (and grey with alpha) gives the same value three times.
        for (int x = 0; x < count; ++x, in += channels, out += 3) {
            out[0] = out[1] = out[2] = in[0];
        }
        return;
    }
    if (channels == 3) {
        std::memcpy(out, in, size_t(count) * 3);
        return;
    }
    int x = 0;
    // Two RGBA pixels at a time: their six RGB bytes in one 8-byte store,
    // whose last two bytes the next store replaces.
    for (; x + 2 <= count; x += 2, in += 8, out += 6) {
        uint64_t pixels;
        std::memcpy(&pixels, in, 8);
        const uint64_t rgb = (pixels & 0xFFFFFF) | (pixels >> 8 & 0xFFFFFF000000ull);
        std::memcpy(out, &rgb, 8);
    }
    for (; x < count; ++x, in += channels, out += 3) {
        out[0] = in[0];
        out[1] = in[1];
        out[2] = in[2];
    }
}

bool writePpm(const char* path, const ImageData& image) {
    FILE* out = std::fopen(path, "wb");
    if (out == nullptr) {
        return false;
    }
    std::fprintf(out, "P6\n%d %d\n255\n", image.width, image.height);
    std::vector<uint8_t> row(size_t(image.width) * 3 + 2);
    for (int y = 0; y < image.height; ++y) {
        toRgb(image.pixels.data() + size_t(y) * image.rowBytes(), image.channels, image.width,
              row.data());
        std::fwrite(row.data(), 1, row.size() - 2, out);
    }
    return std::fclose(out) == 0;
}

// A PPM written while the JPEG decoder hands its rows over, so that a large
// picture is never held whole.
class PpmRows : public JpegRowSink {
public:
    explicit PpmRows(const char* path) : path_(path) {}
    ~PpmRows() override {
        if (file_ != nullptr) {
            std::fclose(file_);
        }
    }
    bool begin(int width, int height) override {
        width_ = width;
        height_ = height;
        file_ = std::fopen(path_, "wb");
        if (file_ == nullptr) {
            return false;
        }
        std::fprintf(file_, "P6\n%d %d\n255\n", width, height);
        return true;
    }
    bool rows(const uint8_t* rgba, size_t rowBytes, int, int count) override {
        // One write per band.
        const size_t rgbBytes = size_t(width_) * 3;
        rgb_.resize(rgbBytes * size_t(count) + 2);
        for (int y = 0; y < count; ++y) {
            toRgb(rgba + size_t(y) * rowBytes, 4, width_, rgb_.data() + size_t(y) * rgbBytes);
        }
        std::fwrite(rgb_.data(), 1, rgbBytes * size_t(count), file_);
        return std::ferror(file_) == 0;
    }
    // Whether the file was opened and written in full.
    bool finish() {
        const bool ok = file_ != nullptr && std::ferror(file_) == 0 && std::fclose(file_) == 0;
        file_ = nullptr;
        return ok;
    }
    int width() const { return width_; }
    int height() const { return height_; }

private:
    const char* path_;
    FILE* file_ = nullptr;
    int width_ = 0, height_ = 0;
    std::vector<uint8_t> rgb_;
};

// SDL_image, loaded when a file needs it: linked in, it would load SDL and
// some fifty libraries (sound, X11, terminals) at every start, which takes
// longer than the engine's own decoders take on a large picture.
struct SdlImage {
    SDL_Surface* (*load)(const char*);
    SdlSurfaceCalls calls;
};

template <typename Function>
bool bind(void* library, const char* name, Function& function) {
    function = reinterpret_cast<Function>(dlsym(library, name));
    return function != nullptr;
}

const SdlImage* sdlImage() {
    static SdlImage api;
    static const bool loaded = [] {
        // SDL comes in with SDL_image; its symbols are found through it.
        void* library = dlopen("libSDL_image-1.2.so.0", RTLD_NOW | RTLD_GLOBAL);
        return library != nullptr && bind(library, "IMG_Load", api.load) &&
               bind(library, "SDL_CreateRGBSurface", api.calls.createRgbSurface) &&
               bind(library, "SDL_SetAlpha", api.calls.setAlpha) &&
               bind(library, "SDL_FillRect", api.calls.fillRect) &&
               bind(library, "SDL_UpperBlit", api.calls.blit) &&
               bind(library, "SDL_FreeSurface", api.calls.freeSurface);
    }();
    return loaded ? &api : nullptr;
}

// SDL_image's surface as RGB or RGBA rows, top row first, converted as the
// engine converts it for upload.
bool loadThroughSdl(const char* file, ImageData& image) {
    const SdlImage* sdl = sdlImage();
    SDL_Surface* rgb =
        sdl != nullptr ? toByteOrderSurface(sdl->load(file), sdl->calls) : nullptr;
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
    sdl->calls.freeSurface(rgb);
    return true;
}

// A file's bytes mapped into memory: the decoder reads them where the kernel
// keeps them, without a copy or a fresh page to fault in for each 4 KiB.
class MappedFile {
public:
    explicit MappedFile(const char* path) {
        const int fd = open(path, O_RDONLY);
        if (fd < 0) {
            return;
        }
        struct stat info;
        opened_ = fstat(fd, &info) == 0;
        if (opened_ && info.st_size > 0) {
            void* data =
                mmap(nullptr, size_t(info.st_size), PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
            if (data != MAP_FAILED) {
                data_ = static_cast<const uint8_t*>(data);
                size_ = size_t(info.st_size);
            } else {
                opened_ = false;
            }
        }
        close(fd);
    }
    ~MappedFile() {
        if (data_ != nullptr) {
            munmap(const_cast<uint8_t*>(data_), size_);
        }
    }
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    bool opened() const { return opened_; }
    const uint8_t* data() const { return data_; }
    size_t size() const { return size_; }

private:
    bool opened_ = false;
    const uint8_t* data_ = nullptr;
    size_t size_ = 0;
};

// A JPEG with --ppm: the rows go to the file as the decoder finishes them. A
// file found corrupt part way leaves the rows before the damage in the PPM.
int writeJpegAsPpm(const char* file, const char* ppm) {
    const MappedFile bytes(file);
    if (!bytes.opened()) {
        return rejected(std::string("error: couldn't open \"") + file + "\"!");
    }
    PpmRows rows(ppm);
    std::string message;
    const bool decoded = decodeJpegRows(bytes.data(), bytes.size(), rows, message);
    const bool started = rows.width() > 0;
    const bool written = rows.finish();
    if (!decoded && !(started && !written)) {
        return rejected(std::string("error: couldn't decode \"") + file + "\": " + message);
    }
    std::printf("%s %dx%d 4 top-down\n", imageFormatName(ImageFormat::Jpeg), rows.width(),
                rows.height());
    if (!written) {
        std::fprintf(stderr, "cannot write %s\n", ppm);
        return 2;
    }
    return 0;
}

}  // namespace

int inspectImage(const char* file, const char* ppm) {
    const ImageDecoder& decoder = chooseImageDecoder(file);
    const ImageFormat format = decoder.format;
    ImageData image;
    std::string message;

    if (format == ImageFormat::Jpeg && ppm != nullptr) {
        return writeJpegAsPpm(file, ppm);
    }
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
