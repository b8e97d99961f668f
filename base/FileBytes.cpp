#include "base/FileBytes.h"

#include <cstdio>

bool readFileBytes(const char* path, std::vector<uint8_t>& out) {
    out.clear();
    FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        return false;
    }
    bool ok = std::fseek(file, 0, SEEK_END) == 0;
    long length = ok ? std::ftell(file) : -1;
    ok = ok && length >= 0 && std::fseek(file, 0, SEEK_SET) == 0;
    if (ok) {
        out.resize(size_t(length));
        ok = std::fread(out.data(), 1, out.size(), file) == out.size();
    }
    std::fclose(file);
    if (!ok) {
        out.clear();
    }
    return ok;
}
