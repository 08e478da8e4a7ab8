#include "common/WavFile.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace qmt {
namespace {

class WavFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "qmt-wav-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }
    std::string folder_;
};

TEST_F(WavFileTest, EveryWidthSurvivesWritingAndReadingWithItsSign) {
    for (uint16_t bits : {16, 24, 32}) {
        const int32_t top = bits == 32 ? 0x7FFFFFFF : (1 << (bits - 1)) - 1;
        WavData data{{44100, 3, bits}, {top, -top - 1, -1, 0, 1, 2}};
        const std::string path = folder_ + "/" + std::to_string(bits) + ".wav";
        std::string error;
        ASSERT_TRUE(writeWavFile(path, data, error)) << error;
        WavData back;
        ASSERT_TRUE(readWavFile(path, back, error)) << error;
        EXPECT_EQ(back.format.sampleRate, 44100u);
        EXPECT_EQ(back.format.channels, 3);
        EXPECT_EQ(back.frames(), 2u);
        EXPECT_EQ(back.samples, data.samples) << bits << " bits";
    }
    // 3 frames of one 24-bit channel: 9 data bytes and a pad byte, sizes still exact.
    WavData odd{{8000, 1, 24}, {1, 2, 3}};
    std::string error;
    ASSERT_TRUE(writeWavFile(folder_ + "/odd.wav", odd, error));
    EXPECT_EQ(std::filesystem::file_size(folder_ + "/odd.wav"), 44u + 9 + 1);
}

TEST_F(WavFileTest, StreamedRecordingGetsItsSizesWhenClosed) {
    WavWriter writer;
    std::string error;
    ASSERT_TRUE(writer.open(folder_ + "/rec.wav", {48000, 2, 16}, error)) << error;
    const int32_t block[] = {1, -1, 2, -2};
    for (int i = 0; i < 10; ++i)
        ASSERT_TRUE(writer.write(block, 2));
    ASSERT_TRUE(writer.close());
    WavData back;
    ASSERT_TRUE(readWavFile(folder_ + "/rec.wav", back, error)) << error;
    EXPECT_EQ(back.frames(), 20u);
    EXPECT_EQ(back.samples[3], -2);
    // The streamed file is byte for byte what the whole-file writer makes of its samples.
    std::ifstream in(folder_ + "/rec.wav", std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                     std::istreambuf_iterator<char>());
    EXPECT_EQ(bytes, wavFileBytes(back));
}

TEST_F(WavFileTest, FilesOtherThanIntegerPcmAreRefusedWithTheReason) {
    WavData data{{48000, 1, 16}, {0, 0}};
    std::string error;
    ASSERT_TRUE(writeWavFile(folder_ + "/f.wav", data, error));
    // Turn the format tag into 3 (floating point).
    std::fstream file(folder_ + "/f.wav", std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(20);
    file.put(3);
    file.close();
    WavData back;
    EXPECT_FALSE(readWavFile(folder_ + "/f.wav", back, error));
    EXPECT_NE(error.find("not integer PCM"), std::string::npos) << error;
    std::ofstream(folder_ + "/text.wav") << "hello";
    EXPECT_FALSE(readWavFile(folder_ + "/text.wav", back, error));
    EXPECT_NE(error.find("not a WAV file"), std::string::npos);
    EXPECT_FALSE(readWavFile(folder_ + "/missing.wav", back, error));
    // Nothing is written that the reader would refuse: a rate of 0 is not a format.
    EXPECT_FALSE(writeWavFile(folder_ + "/rate0.wav", WavData{{0, 1, 16}, {1}}, error));
    EXPECT_FALSE(std::filesystem::exists(folder_ + "/rate0.wav"));
}

}  // namespace
}  // namespace qmt
