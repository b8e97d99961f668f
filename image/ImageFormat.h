// Which decoder a texture file name selects: the engine's own for names that
// contain "bmp", "pcx", "dds", "jpg" or "jpeg" (searched in that order,
// case-sensitively, anywhere in the path), SDL_image for everything else.
#pragma once

#include <cstring>

enum class ImageFormat { Bmp, Pcx, Dds, Jpeg, Sdl };

inline ImageFormat chooseImageFormat(const char* fileName) {
    if (std::strstr(fileName, "bmp") != nullptr) {
        return ImageFormat::Bmp;
    }
    if (std::strstr(fileName, "pcx") != nullptr) {
        return ImageFormat::Pcx;
    }
    if (std::strstr(fileName, "dds") != nullptr) {
        return ImageFormat::Dds;
    }
    if (std::strstr(fileName, "jpg") != nullptr || std::strstr(fileName, "jpeg") != nullptr) {
        return ImageFormat::Jpeg;
    }
    return ImageFormat::Sdl;
}

inline const char* imageFormatName(ImageFormat format) {
    switch (format) {
        case ImageFormat::Bmp:
            return "bmp";
        case ImageFormat::Pcx:
            return "pcx";
        case ImageFormat::Dds:
            return "dds";
        case ImageFormat::Jpeg:
            return "jpeg";
        case ImageFormat::Sdl:
            break;
    }
    return "sdl";
}
