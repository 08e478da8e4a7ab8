// Whole-file reading and atomic replacement, shared by the preset and mapping code.

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include "model/PresetFile.h"
#include "platform/AtomicFile.h"

namespace qmt {

namespace {

std::string Quoted(const std::string& path) {
    return "\"" + path + "\"";
}

bool Fail(std::string* error, const std::string& why) {
    if (error) *error = why;
    return false;
}

// Closes on every path out of a function.
struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};
using FileHandle = std::unique_ptr<FILE, FileCloser>;

}  // namespace

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes, std::string* error,
                   size_t limit) {
    // Only regular files: opening a FIFO would wait for a writer for ever, and a device or
    // a folder is never a preset or a mapping.
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (!ec && std::filesystem::exists(status) && !std::filesystem::is_regular_file(status))
        return Fail(error, Quoted(path) + " is not a regular file");
    FileHandle file(std::fopen(path.c_str(), "rb"));
    if (!file) return Fail(error, "cannot open " + Quoted(path) + ": " + std::strerror(errno));
    std::vector<uint8_t> data;
    uint8_t chunk[65536];
    // Read in chunks instead of trusting a reported size: it may be wrong (special files)
    // or huge, and nothing is allocated beyond what really arrives, up to the limit.
    for (;;) {
        const size_t got = std::fread(chunk, 1, sizeof chunk, file.get());
        if (got > limit - data.size()) {
            return Fail(error,
                        Quoted(path) + " is larger than " + std::to_string(limit) + " bytes");
        }
        data.insert(data.end(), chunk, chunk + got);
        if (got < sizeof chunk) break;
    }
    if (std::ferror(file.get()))
        return Fail(error, "cannot read " + Quoted(path) + ": " + std::strerror(errno));
    bytes = std::move(data);
    return true;
}

bool SaveFileAtomically(const std::string& path, std::span<const uint8_t> bytes,
                        std::string* error) {
    return ReplaceFileAtomically(path, bytes, error);
}

}  // namespace qmt
