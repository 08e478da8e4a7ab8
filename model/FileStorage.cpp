// Whole-file reading and atomic replacement, shared by the preset and mapping code.

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <system_error>

#include "model/PresetFile.h"

namespace qmt {

namespace {

namespace fs = std::filesystem;

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

// A name next to the target, so the final rename stays within one file system.
std::string TemporaryNameFor(const std::string& path) {
    static thread_local std::mt19937_64 random{std::random_device{}()};
    char suffix[24];
    std::snprintf(suffix, sizeof suffix, ".%016llx.tmp", static_cast<unsigned long long>(random()));
    return path + suffix;
}

// Replacing a symbolic link would cut it; write through it to the file it names.
std::string RealTarget(const std::string& path) {
    std::error_code ec;
    if (!fs::is_symlink(path, ec)) return path;
    const fs::path target = fs::weakly_canonical(path, ec);
    return ec ? path : target.string();
}

bool WriteAll(FILE* f, std::span<const uint8_t> bytes) {
    // An empty span may have no buffer at all, which fwrite must not be given.
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size())
        return false;
    return std::fflush(f) == 0;
}

}  // namespace

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes, std::string* error,
                   size_t limit) {
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
    const std::string target = RealTarget(path);
    const std::string temporary = TemporaryNameFor(target);
    FileHandle file(std::fopen(temporary.c_str(), "wbx"));
    if (!file) return Fail(error, "cannot write " + Quoted(path) + ": " + std::strerror(errno));
    const bool written = WriteAll(file.get(), bytes);
    const int writeErrno = errno;
    const bool closed = std::fclose(file.release()) == 0;
    std::error_code ec;
    if (!written || !closed) {
        fs::remove(temporary, ec);
        return Fail(error, "cannot write " + Quoted(path) + ": " +
                               std::strerror(written ? errno : writeErrno));
    }
    // Keep the permissions a user gave the file being replaced.
    const fs::file_status old = fs::status(target, ec);
    if (!ec && fs::exists(old)) fs::permissions(temporary, old.permissions(), ec);
    fs::rename(temporary, target, ec);
    if (ec) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        return Fail(error, "cannot replace " + Quoted(path) + ": " + ec.message());
    }
    return true;
}

}  // namespace qmt
