#include "base/FileBytes.h"

#include <sys/mman.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>

namespace {

template <typename Buffer>
bool readWhole(const char* path, Buffer& out) {
    out.clear();
    FILE* file = path != nullptr ? std::fopen(path, "rb") : nullptr;
    if (file == nullptr) {
        return false;
    }
    // The size of a regular file is only a first guess: reading goes on to the
    // end. A directory opens too, but reading it fails.
    struct stat info;
    size_t expected = 0;
    if (fstat(fileno(file), &info) == 0 && S_ISREG(info.st_mode)) {
        expected = size_t(info.st_size);
    }
    out.reserve(expected);
    adviseHugePages(out.data(), expected);
    out.resize(expected);
    size_t used = expected > 0 ? std::fread(out.data(), 1, expected, file) : 0;
    if (used == expected) {
        char chunk[65536];
        size_t got;
        while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
            using Byte = typename Buffer::value_type;
            out.insert(out.end(), reinterpret_cast<const Byte*>(chunk),
                       reinterpret_cast<const Byte*>(chunk) + got);
        }
        used = out.size();
    }
    const bool ok = std::ferror(file) == 0;
    std::fclose(file);
    out.resize(ok ? used : 0);
    return ok;
}

}  // namespace

void adviseHugePages(const void* data, size_t bytes) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    constexpr uintptr_t kPage = 4096;
    constexpr size_t kLarge = size_t(4) << 20;
    if (bytes >= kLarge) {
        const uintptr_t begin = (reinterpret_cast<uintptr_t>(data) + kPage - 1) & ~(kPage - 1);
        const uintptr_t end = (reinterpret_cast<uintptr_t>(data) + bytes) & ~(kPage - 1);
        madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
    }
#else
    (void)data;
    (void)bytes;
#endif
}

bool readFileBytes(const char* path, std::vector<uint8_t>& out) {
    return readWhole(path, out);
}

bool readFileBytes(const char* path, std::string& out) {
    return readWhole(path, out);
}
