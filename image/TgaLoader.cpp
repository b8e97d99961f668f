#include "image/TgaLoader.h"

#include <GL/glew.h>

#include <algorithm>
#include <string>

#include "base/Console.h"
#include "base/FileBytes.h"
#include "image/TextureUpload.h"
#include "image/TgaDecoder.h"

bool loadTga(TgaImage* image, const char* path) {
    std::vector<uint8_t> file;
    if (image == nullptr || path == nullptr || !readFileBytes(path, file)) {
        console::outLine(std::string("Could not open texture file: ") + (path ? path : ""));
        return false;
    }

    TgaDecoded decoded;
    std::string message;
    bool ok = decodeTga(file.data(), file.size(), path, decoded, message);
    std::copy(decoded.header, decoded.header + sizeof decoded.header, image->header);
    std::copy(decoded.infoHeader, decoded.infoHeader + sizeof decoded.infoHeader,
              image->infoHeader);
    if (!ok) {
        console::outLine(message);
        return false;
    }

    const ImageData& pixels = decoded.image;
    image->glName = newTexture(TextureParameters());
    // Rows are tightly packed: a 24-bit image whose row is not a multiple of
    // four bytes would otherwise be read skewed and past the end of the buffer.
    uploadRows(rowsOf(pixels), TextureLevels::BaseOnly);
    image->width = pixels.width;
    image->height = pixels.height;
    image->bytesPerPixel = pixels.channels;
    image->bitsPerPixel = uint32_t(pixels.channels * 8);
    image->glFormat = pixels.channels == 4 ? GL_RGBA : GL_RGB;
    image->imageSize = int32_t(pixels.pixels.size());
    image->pixels = std::move(decoded.image.pixels);
    return true;
}
