#include "image/ImageFormat.h"

#include <cstring>

#include "image/BmpDecoder.h"
#include "base/FileBytes.h"
#include "image/JpegDecoder.h"
#include "image/PcxDecoder.h"

namespace {

// The JPEG decoder gives a short reason; the loaders name the file with it.
bool decodeJpegFile(const uint8_t* data, size_t size, const char* fileName, ImageData& image,
                    std::string& message) {
    if (decodeJpeg(data, size, image, message)) {
        return true;
    }
    message = std::string("error: couldn't decode \"") + fileName + "\": " + message;
    return false;
}

struct NameRule {
    const char* substring;
    ImageDecoder decoder;
};

// The first substring found in the name decides.
const NameRule kRules[] = {
    {"bmp", {ImageFormat::Bmp, "bmp", decodeBmp}},
    {"pcx", {ImageFormat::Pcx, "pcx", decodePcx}},
    {"dds", {ImageFormat::Dds, "dds", nullptr}},
    {"jpg", {ImageFormat::Jpeg, "jpeg", decodeJpegFile}},
    {"jpeg", {ImageFormat::Jpeg, "jpeg", decodeJpegFile}},
};

const ImageDecoder kSdlImage = {ImageFormat::Sdl, "sdl", nullptr};

}  // namespace

const ImageDecoder& chooseImageDecoder(const char* fileName) {
    for (const NameRule& rule : kRules) {
        if (fileName != nullptr && std::strstr(fileName, rule.substring) != nullptr) {
            return rule.decoder;
        }
    }
    return kSdlImage;
}

const ImageDecoder& imageDecoderFor(ImageFormat format) {
    for (const NameRule& rule : kRules) {
        if (rule.decoder.format == format) {
            return rule.decoder;
        }
    }
    return kSdlImage;
}

bool readImageFile(const char* fileName, std::vector<uint8_t>& bytes, std::string& message) {
    if (readFileBytes(fileName, bytes)) {
        return true;
    }
    message = std::string("error: couldn't open \"") + (fileName ? fileName : "") + "\"!";
    return false;
}
