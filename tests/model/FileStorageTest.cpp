#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include <filesystem>
#include <string>
#include <vector>

#include "TempDir.h"
#include "model/PresetFile.h"

namespace qmt {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

size_t EntriesIn(const fs::path& dir) {
    return static_cast<size_t>(
        std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
}

TEST(SaveFileAtomically, CreatesAndReplacesLeavingNothingBehind) {
    test::TempDir dir;
    const std::string path = dir.file("a.kvp");
    std::string error;
    ASSERT_TRUE(SaveFileAtomically(path, Bytes{1, 2, 3}, &error)) << error;
    EXPECT_EQ(dir.read("a.kvp"), (Bytes{1, 2, 3}));
    ASSERT_TRUE(SaveFileAtomically(path, Bytes{9}, &error)) << error;
    EXPECT_EQ(dir.read("a.kvp"), Bytes{9});
    ASSERT_TRUE(SaveFileAtomically(path, Bytes{}, &error)) << error;
    EXPECT_TRUE(dir.read("a.kvp").empty());
    EXPECT_EQ(EntriesIn(dir.path()), 1u);
}

TEST(SaveFileAtomically, KeepsPermissionsAndWritesThroughLinks) {
    test::TempDir dir;
    const std::string target = dir.write("real.kqp", {0});
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write);
    fs::create_symlink(target, dir.file("link.kqp"));
    ASSERT_TRUE(SaveFileAtomically(dir.file("link.kqp"), Bytes{7, 7}));
    EXPECT_TRUE(fs::is_symlink(dir.file("link.kqp")));
    EXPECT_EQ(dir.read("real.kqp"), (Bytes{7, 7}));
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
}

TEST(SaveFileAtomically, FailsCleanlyWhereItCannotWrite) {
    test::TempDir dir;
    std::string error;
    const std::string path = dir.file("no/such/folder/x.kvp");
    EXPECT_FALSE(SaveFileAtomically(path, Bytes{1}, &error));
    EXPECT_NE(error.find(path), std::string::npos) << error;
    // A folder in the way of the rename: the old content stays, no temporary is left.
    fs::create_directory(dir.file("taken"));
    fs::create_directory(dir.file("taken/inside"));
    EXPECT_FALSE(SaveFileAtomically(dir.file("taken"), Bytes{1}, &error));
    EXPECT_TRUE(fs::is_directory(dir.file("taken")));
    EXPECT_EQ(EntriesIn(dir.path()), 1u);
}

TEST(ReadWholeFile, ReadsUpToTheLimit) {
    test::TempDir dir;
    Bytes big(200000);
    for (size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<uint8_t>(i * 7);
    const std::string path = dir.write("big", big);
    Bytes read{42};
    std::string error;
    ASSERT_TRUE(ReadWholeFile(path, read, &error)) << error;
    EXPECT_EQ(read, big);
    ASSERT_TRUE(ReadWholeFile(path, read, &error, big.size()));
    EXPECT_FALSE(ReadWholeFile(path, read, &error, big.size() - 1));
    EXPECT_NE(error.find("larger than"), std::string::npos) << error;
    EXPECT_EQ(read, big);  // a failed read leaves the output alone

    ASSERT_TRUE(ReadWholeFile(dir.write("empty", {}), read, &error));
    EXPECT_TRUE(read.empty());
}

TEST(ReadWholeFile, ErrorsNameTheFile) {
    test::TempDir dir;
    Bytes read;
    std::string error;
    EXPECT_FALSE(ReadWholeFile(dir.file("absent"), read, &error));
    EXPECT_NE(error.find(dir.file("absent")), std::string::npos) << error;
    EXPECT_FALSE(ReadWholeFile(dir.path().string(), read, &error));
    EXPECT_NE(error.find(dir.path().string()), std::string::npos) << error;
}

TEST(ReadWholeFile, RefusesAFifoInsteadOfWaitingForAWriter) {
    test::TempDir dir;
    const std::string fifo = dir.file("preset.kvp");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    Bytes read;
    std::string error;
    EXPECT_FALSE(ReadWholeFile(fifo, read, &error));
    EXPECT_NE(error.find("not a regular file"), std::string::npos) << error;
}

TEST(SaveFileAtomically, AFullDiskFailsWithItsReasonAndKeepsTheOldFile) {
    test::TempDir dir;
    const std::string mount = dir.file("small");
    fs::create_directory(mount);
    if (::mount("tmpfs", mount.c_str(), "tmpfs", 0, "size=16k") != 0)
        GTEST_SKIP() << "cannot mount a small tmpfs here (needs root): " << std::strerror(errno);
    const std::string path = mount + "/a.kqp";
    const auto readBack = [&] { return dir.read("small/a.kqp"); };
    std::string error;
    ASSERT_TRUE(SaveFileAtomically(path, Bytes(1000, 1), &error)) << error;
    EXPECT_FALSE(SaveFileAtomically(path, Bytes(64 * 1024, 2), &error));
    EXPECT_NE(error.find("No space left on device"), std::string::npos) << error;
    EXPECT_EQ(readBack(), Bytes(1000, 1));
    EXPECT_EQ(EntriesIn(mount), 1u);  // no temporary left behind
    ::umount(mount.c_str());
}

}  // namespace
}  // namespace qmt
