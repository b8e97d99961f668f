// What the decoder tests share: byte strings, the sample corpus with its
// table of expected outcomes, the reference decoders run as programs, and
// truncated and damaged copies of a file.
#pragma once

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "fuzz/FuzzContract.h"
#include "image/ImageData.h"

namespace decodertest {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

inline Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// The first `length` bytes of `b`.
inline Bytes prefix(const Bytes& b, size_t length) {
    return Bytes(b.begin(), b.begin() + std::min(length, b.size()));
}

// `b` with the bytes at the given offsets replaced.
inline Bytes patched(Bytes b, std::initializer_list<std::pair<size_t, uint8_t>> changes) {
    for (const auto& [at, value] : changes) {
        b.at(at) = value;
    }
    return b;
}

inline void put16(Bytes& b, size_t at, uint32_t v) {
    b.at(at) = uint8_t(v);
    b.at(at + 1) = uint8_t(v >> 8);
}

inline void put32(Bytes& b, size_t at, uint32_t v) {
    put16(b, at, v);
    put16(b, at + 2, v >> 16);
}

// What an image decoder gave for one file.
struct Decoded {
    bool ok = false;
    std::string message;
    ImageData image;
};

// A hand-made file and the pixels it decodes to, or the message it is refused with.
struct Picture {
    const char* what;
    Bytes file, pixels;
};
struct Refusal {
    const char* what;
    Bytes file;
    std::string message;
};

// Runs each case through `decode`, with the case named in any failure.
template <class Pictures, class Decode>
void expectPictures(const Pictures& cases, Decode decode) {
    for (const Picture& c : cases) {
        SCOPED_TRACE(c.what);
        const Decoded r = decode(c.file);
        EXPECT_TRUE(r.ok) << r.message;
        EXPECT_EQ(r.image.pixels, c.pixels);
    }
}
template <class Refusals, class Decode>
void expectRefusals(const Refusals& cases, Decode decode) {
    for (const Refusal& c : cases) {
        SCOPED_TRACE(c.what);
        const auto r = decode(c.file);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.message, c.message);
    }
}

// An exactly sized heap copy, so AddressSanitizer reports any read past its end.
inline std::unique_ptr<uint8_t[]> exactCopy(const Bytes& file) {
    std::unique_ptr<uint8_t[]> copy(new uint8_t[file.size()]);
    std::copy(file.begin(), file.end(), copy.get());
    return copy;
}

// Fails unless one decode kept the contract of fuzz/FuzzContract.h.
inline void expectImageContract(bool ok, const ImageData& image, const std::string& message,
                                int minChannels, int maxChannels, bool bottomUp,
                                const std::string& what) {
    EXPECT_TRUE(keepsImageContract(ok, image, message, minChannels, maxChannels, bottomUp))
        << what << ": ok " << ok << ", " << image.width << "x" << image.height << "x"
        << image.channels << (image.bottomUp ? " bottom-up, " : " top-down, ")
        << image.pixels.size() << " bytes, message \"" << message << "\"";
}

// How far the process's peak resident memory grew while `run` ran, in KiB.
// Only memory beyond the earlier peak, and only pages actually written, count.
template <class Run>
long peakMemoryGrowthKiB(Run run) {
    rusage before{}, after{};
    getrusage(RUSAGE_SELF, &before);
    run();
    getrusage(RUSAGE_SELF, &after);
    return after.ru_maxrss - before.ru_maxrss;
}

inline Bytes readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// What a shell command writes to its standard output; empty when it cannot run.
inline Bytes runCommand(const std::string& command) {
    Bytes out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[65536];
        for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
            out.insert(out.end(), buffer, buffer + n);
        }
        pclose(pipe);
    }
    return out;
}

// ---------------------------------------------------------------------------
// Third-party sample files (tests/corpus/<format>/, described in MANIFEST.md)

inline fs::path corpusDir(const std::string& format) {
    return fs::path(VARNO_CORPUS_DIR) / format;
}

// The names of the files in a directory, sorted.
inline std::vector<std::string> filesIn(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// The names of the sample files of a format, sorted.
inline std::vector<std::string> corpusFiles(const std::string& format) {
    return filesIn(corpusDir(format));
}

// The files tests/data/images/make.sh wrote with ImageMagick for a format.
inline fs::path generatedDir(const std::string& format) {
    return fs::path(VARNO_TEST_DATA_DIR) / "images" / format;
}

// Runs `check(name, bytes, expected row)` on every file in `dir`, with the
// file's name in any failure, and fails for a file `expected` does not list
// and for a listed file that is missing.
template <class Row, class Check>
void checkEveryFileIn(const fs::path& dir, const std::map<std::string, Row>& expected,
                      Check check) {
    ASSERT_TRUE(fs::is_directory(dir)) << dir;
    const std::vector<std::string> names = filesIn(dir);
    for (const std::string& name : names) {
        const auto row = expected.find(name);
        if (row == expected.end()) {
            ADD_FAILURE() << name << " has no expected outcome here";
            continue;
        }
        SCOPED_TRACE(name);
        check(name, readFile(dir / name), row->second);
    }
    for (const auto& row : expected) {
        EXPECT_TRUE(std::binary_search(names.begin(), names.end(), row.first))
            << row.first << " is missing from " << dir;
    }
}

// The same over the sample corpus of a format.
template <class Row, class Check>
void checkEveryCorpusFile(const std::string& format, const std::map<std::string, Row>& expected,
                          Check check) {
    checkEveryFileIn(corpusDir(format), expected, check);
}

inline bool haveImageMagick() {
    return !std::string(VARNO_IMAGEMAGICK).empty();
}

// ImageMagick's picture of a file as 8-bit RGB (or RGBA), top row first;
// empty when ImageMagick is missing or refuses the file.
inline Bytes imageMagickRgb(const fs::path& path, int channels = 3) {
    if (!haveImageMagick()) {
        return {};
    }
    return runCommand(std::string(VARNO_IMAGEMAGICK) + " '" + path.string() + "' -depth 8 " +
                      (channels == 4 ? "rgba" : "rgb") + ":- 2>/dev/null");
}

// The rows of `pixels` in the opposite order: top-down to bottom-up and back.
inline Bytes flipRows(const Bytes& pixels, size_t rowBytes) {
    Bytes out;
    out.reserve(pixels.size());
    for (size_t y = pixels.size() / rowBytes; y-- > 0;) {
        out.insert(out.end(), pixels.begin() + y * rowBytes, pixels.begin() + (y + 1) * rowBytes);
    }
    return out;
}

// Which copies of a file damageAndTruncate makes.
struct Damage {
    size_t everyPrefixBelow;  // prefixes of every length below this (the headers),
    size_t prefixes;          // then ones that grow by the file size / `prefixes`
    int copies;               // copies with 1 to 4 bytes changed at random; every
    size_t headerBytes;       // other one only in the first `headerBytes`
};

// Runs prefixes and randomly damaged copies of `file` through `decode`, which
// checks the decoder's contract, and hands each prefix's result to
// `onPrefix(length, result)` for checks of its own.
template <class Decode, class OnPrefix>
void damageAndTruncate(const Bytes& file, const Damage& plan, Decode decode, OnPrefix onPrefix) {
    const size_t stride = std::max<size_t>(1, file.size() / plan.prefixes);
    for (size_t length = 0; length < file.size();
         length += length < plan.everyPrefixBelow ? 1 : stride) {
        SCOPED_TRACE("cut to " + std::to_string(length) + " bytes");
        onPrefix(length, decode(prefix(file, length)));
    }
    std::mt19937 random(uint32_t(file.size()));
    for (int copy = 0; copy < plan.copies && !file.empty(); ++copy) {
        Bytes damaged = file;
        const size_t range = std::min(copy % 2 ? plan.headerBytes : file.size(), file.size());
        for (int flips = 0; flips <= copy % 4; ++flips) {
            damaged[random() % range] ^= uint8_t(1 + random() % 255);
        }
        SCOPED_TRACE("damaged copy " + std::to_string(copy));
        decode(damaged);
    }
}

template <class Decode>
void damageAndTruncate(const Bytes& file, const Damage& plan, Decode decode) {
    damageAndTruncate(file, plan, decode, [](size_t, const auto&) {});
}

}  // namespace decodertest
