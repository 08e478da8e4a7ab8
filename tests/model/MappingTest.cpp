// Mapping files: parsing every version, loading presets by name, channel substitution and
// choosing a device's entry.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "model/ByteReader.h"
#include "model/Mapping.h"
#include "model/PresetFile.h"
#include "platform/Registry.h"

namespace qmt {
namespace {

namespace fs = std::filesystem;

// Builds mapping bytes of any version, one slot record at a time.
class MappingBytes {
  public:
    MappingBytes(const char* magic, uint32_t count) : version_(magic[3] - '0') {
        out_.raw(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(magic), 4));
        out_.u32(count);
    }
    MappingBytes& entry(const std::string& name, uint32_t type, uint32_t slots) {
        out_.string(name);
        if (version_ >= 1) {
            out_.u32(type);
            out_.u32(slots);
        }
        return *this;
    }
    MappingBytes& slot(uint32_t index, const std::string& preset, uint8_t channel,
                       uint8_t input = 0) {
        if (version_ >= 1) out_.u32(index);
        out_.string(preset);
        out_.u8(channel);
        if (version_ >= 2) out_.u8(input);
        return *this;
    }
    std::vector<uint8_t> bytes() { return out_.finish(); }

  private:
    int version_;
    ByteWriter out_;
};

// A registry held in memory, enough for the loader's two values.
class MemoryRegistry : public RegistryIf {
  public:
    bool keyExists(Hive, const std::string&) override { return true; }
    bool createKey(Hive, const std::string&) override { return true; }
    bool deleteKey(Hive, const std::string&) override { return true; }
    bool enumSubkeys(Hive, const std::string&, std::vector<std::string>&) override { return true; }
    bool queryString(Hive hive, const std::string& key, const std::string& name,
                     std::string& value) override {
        auto it = strings_.find({hive, key + "\\" + name});
        if (it == strings_.end()) return false;
        value = it->second;
        return true;
    }
    bool queryDword(Hive, const std::string&, const std::string&, uint32_t&) override {
        return false;
    }
    bool setString(Hive hive, const std::string& key, const std::string& name,
                   const std::string& value) override {
        strings_[{hive, key + "\\" + name}] = value;
        return true;
    }
    bool setDword(Hive, const std::string&, const std::string&, uint32_t) override { return false; }
    bool deleteValue(Hive hive, const std::string& key, const std::string& name) override {
        return strings_.erase({hive, key + "\\" + name}) > 0;
    }

  private:
    std::map<std::pair<Hive, std::string>, std::string> strings_;
};

// A preset whose "Play" button sends a note on the "Default" channel.
Preset notePreset(PresetKind kind, uint8_t note) {
    Preset preset;
    preset.kind = kind;
    Assignment a;
    a.function = kTrigger;
    a.messages[0].kind = kMsgNote;
    a.messages[0].channel = kChannelDefault;
    a.messages[0].number = note;
    a.messages[0].value = 100;
    a.messages[1] = a.messages[0];
    a.messages[1].value = 0;
    preset.lists[22].push_back(a);
    return preset;
}

class MappingLoadTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("qmt-mapping-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        registry_.setString(Hive::LocalMachine, kQmtMidiKey, kPresetPathValue, dir_.string());
    }
    void TearDown() override { fs::remove_all(dir_); }

    void writeFile(const std::string& name, const std::vector<uint8_t>& bytes) {
        std::ofstream(dir_ / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }
    void writePreset(const std::string& fileName, const Preset& preset) {
        writeFile(fileName, WritePreset(preset));
    }
    MappingPtr load(const std::vector<uint8_t>& bytes) {
        writeFile("test.kdm", bytes);
        return LoadMapping((dir_ / "test.kdm").string(), registry_, &error_);
    }

    fs::path dir_;
    MemoryRegistry registry_;
    std::string error_;
};

uint8_t channelOfPlay(const Preset& preset) {
    return preset.lists[22][0].messages[0].channel;
}

TEST(MappingParse, VersionZeroHasOneSlotOfTypeAnyWithInputEqualToDefault) {
    auto mapping =
        ParseMapping(MappingBytes("KDM0", 1).entry("SER1", 0, 1).slot(0, "Club", 9).bytes());
    ASSERT_TRUE(mapping);
    const auto& e = mapping->entries.at(0);
    EXPECT_EQ(e.name, "SER1");
    EXPECT_EQ(e.type, 0u);
    EXPECT_TRUE(e.slotUsed[0]);
    EXPECT_EQ(e.presetNames[0], "Club");
    EXPECT_EQ(e.defaultChannels[0], 9);
    EXPECT_EQ(e.inputChannels[0], 9);
}

TEST(MappingParse, VersionOneTakesInputChannelFromDefaultAndLastSlotRecordWins) {
    auto mapping = ParseMapping(MappingBytes("KDM1", 1)
                                    .entry("", 3, 3)
                                    .slot(1, "First", 2)
                                    .slot(2, "Second", 3)
                                    .slot(1, "Replaced", 4)
                                    .bytes());
    ASSERT_TRUE(mapping);
    const auto& e = mapping->entries.at(0);
    EXPECT_EQ(e.presetNames[1], "Replaced");
    EXPECT_EQ(e.defaultChannels[1], 4);
    EXPECT_EQ(e.inputChannels[1], 4);
    EXPECT_EQ(e.presetNames[2], "Second");
    EXPECT_FALSE(e.slotUsed[0]);
}

TEST(MappingParse, WriterRoundTripsVersionTwo) {
    auto bytes = MappingBytes("KDM2", 2)
                     .entry("ABC", 6, 2)
                     .slot(5, "Left", 0, 254)
                     .slot(6, "Right", 1, 3)
                     .entry("", 1, 1)
                     .slot(0, "Kv", 15, 15)
                     .bytes();
    auto mapping = ParseMapping(bytes);
    ASSERT_TRUE(mapping);
    EXPECT_EQ(WriteMapping(*mapping), bytes);
}

TEST(MappingParse, RejectsBadValuesAndChecksum) {
    std::string error;
    EXPECT_FALSE(ParseMapping(MappingBytes("KDM2", 0).bytes(), &error));
    EXPECT_FALSE(ParseMapping(MappingBytes("KDM2", 1).entry("", 5, 0).bytes(), &error));
    EXPECT_FALSE(ParseMapping(MappingBytes("KDM2", 1).entry("", 7, 0).bytes(), &error));
    EXPECT_FALSE(
        ParseMapping(MappingBytes("KDM2", 1).entry("", 1, 1).slot(7, "x", 0).bytes(), &error));
    EXPECT_FALSE(ParseMapping(MappingBytes("KDM3", 1).entry("", 1, 0).bytes(), &error));
    EXPECT_FALSE(
        ParseMapping(MappingBytes("KDM2", 1).entry("", 1, 1).slot(0, "x", 16).bytes(), &error));
    EXPECT_FALSE(
        ParseMapping(MappingBytes("KDM2", 1).entry("", 1, 1).slot(0, "x", 0, 20).bytes(), &error));
    EXPECT_TRUE(ParseMapping(MappingBytes("KDM2", 1).entry("", 4, 0).bytes(), &error)) << error;

    auto good = MappingBytes("KDM2", 1).entry("S", 1, 1).slot(0, "x", 0).bytes();
    good.back() ^= 1;
    EXPECT_FALSE(ParseMapping(good, &error));
    EXPECT_EQ(error, "checksum mismatch");
}

TEST_F(MappingLoadTest, LoadsPresetsAndReplacesDefaultChannel) {
    writePreset("Club.kvp", notePreset(PresetKind::Kvp, 60));
    auto mapping = load(MappingBytes("KDM2", 1).entry("", 1, 1).slot(0, "Club", 4, 254).bytes());
    ASSERT_TRUE(mapping) << error_;
    const Preset* preset = mapping->entries[0].presets[0].get();
    ASSERT_TRUE(preset);
    EXPECT_FALSE(preset->sharedCopy);
    EXPECT_EQ(preset->inputChannel, 254);
    EXPECT_EQ(channelOfPlay(*preset), 4);
}

TEST_F(MappingLoadTest, SamePresetInTwoSlotsGetsSeparateCopiesWithTheirOwnChannels) {
    writePreset("Deck.kap", notePreset(PresetKind::Kap, 60));
    auto mapping = load(MappingBytes("KDM2", 1)
                            .entry("", 3, 2)
                            .slot(1, "Deck", 0, 0)
                            .slot(2, "DECK", 1, 1)
                            .bytes());
    ASSERT_TRUE(mapping) << error_;
    const auto& e = mapping->entries[0];
    ASSERT_TRUE(e.presets[1] && e.presets[2]);
    EXPECT_NE(e.presets[1].get(), e.presets[2].get());
    EXPECT_FALSE(e.presets[1]->sharedCopy);
    EXPECT_TRUE(e.presets[2]->sharedCopy);
    EXPECT_EQ(channelOfPlay(*e.presets[1]), 0);
    EXPECT_EQ(channelOfPlay(*e.presets[2]), 1);
}

TEST_F(MappingLoadTest, NamesAreSharedOnlyWithinAKindGroupAndMissingPresetsStayEmpty) {
    writePreset("Same.kvp", notePreset(PresetKind::Kvp, 1));
    writePreset("same.kqp", notePreset(PresetKind::Kqp, 2));
    auto mapping = load(MappingBytes("KDM2", 3)
                            .entry("A", 1, 1)
                            .slot(0, "Same", 0)
                            .entry("B", 6, 2)
                            .slot(5, "Same", 0)
                            .slot(6, "Missing", 0)
                            .entry("C", 6, 1)
                            .slot(5, "Missing", 0)
                            .bytes());
    ASSERT_TRUE(mapping) << error_;
    // "Same" in the KQP group is read from its own file (found despite the case), not
    // copied from the KVP slot.
    ASSERT_TRUE(mapping->entries[1].presets[5]);
    EXPECT_FALSE(mapping->entries[1].presets[5]->sharedCopy);
    EXPECT_EQ(mapping->entries[1].presets[5]->lists[22][0].messages[0].number, 2);
    EXPECT_FALSE(mapping->entries[1].presets[6]);
    EXPECT_FALSE(mapping->entries[2].presets[5]);
}

TEST_F(MappingLoadTest, InvalidPresetLeavesOnlyItsSlotEmpty) {
    Preset bad = notePreset(PresetKind::Kap, 60);
    bad.lists[78].push_back(bad.lists[22][0]);
    bad.lists[78][0].function = kSlide;  // "Slider A" is a button
    bad.lists[78][0].messages[0].threshold = 4096;
    bad.lists[78][0].messages[1].threshold = 4096;
    writePreset("Bad.kap", bad);
    writePreset("Good.kap", notePreset(PresetKind::Kap, 61));
    auto mapping =
        load(MappingBytes("KDM2", 1).entry("", 3, 2).slot(1, "Bad", 0).slot(2, "Good", 0).bytes());
    ASSERT_TRUE(mapping) << error_;
    EXPECT_FALSE(mapping->entries[0].presets[1]);
    EXPECT_TRUE(mapping->entries[0].presets[2]);
}

TEST_F(MappingLoadTest, NeedsPresetPathAndSelectedMappingPrefersTheUser) {
    auto bytes = MappingBytes("KDM2", 1).entry("USER", 1, 0).bytes();
    writeFile("user.kdm", bytes);
    writeFile("machine.kdm", MappingBytes("KDM2", 1).entry("MACHINE", 1, 0).bytes());

    EXPECT_FALSE(LoadSelectedMapping(registry_));
    registry_.setString(Hive::LocalMachine, kQmtMidiKey, kSelectedMappingValue,
                        (dir_ / "machine.kdm").string());
    auto mapping = LoadSelectedMapping(registry_);
    ASSERT_TRUE(mapping);
    EXPECT_EQ(mapping->entries[0].name, "MACHINE");

    registry_.setString(Hive::CurrentUser, kQmtMidiKey, kSelectedMappingValue,
                        (dir_ / "user.kdm").string());
    mapping = LoadSelectedMapping(registry_);
    ASSERT_TRUE(mapping);
    EXPECT_EQ(mapping->entries[0].name, "USER");

    registry_.deleteValue(Hive::LocalMachine, kQmtMidiKey, kPresetPathValue);
    EXPECT_FALSE(LoadSelectedMapping(registry_, &error_));
}

TEST_F(MappingLoadTest, PresetsComeFromTheUsersOwnFolderFirst) {
    writePreset("Club.kvp", notePreset(PresetKind::Kvp, 60));
    fs::create_directories(dir_ / "own");
    writePreset("own/Club.kvp", notePreset(PresetKind::Kvp, 61));
    const auto bytes = MappingBytes("KDM2", 1).entry("", 1, 1).slot(0, "Club", 0).bytes();
    const auto noteOfPlay = [&] {
        auto mapping = load(bytes);
        return mapping && mapping->entries[0].presets[0]
                   ? mapping->entries[0].presets[0]->lists[22][0].messages[0].number
                   : -1;
    };
    EXPECT_EQ(noteOfPlay(), 60);
    registry_.setString(Hive::CurrentUser, kQmtMidiKey, kPresetPathValue, (dir_ / "own").string());
    EXPECT_EQ(noteOfPlay(), 61);
    // An empty value of the user's is no folder: the machine's applies.
    registry_.setString(Hive::CurrentUser, kQmtMidiKey, kPresetPathValue, "");
    EXPECT_EQ(noteOfPlay(), 60);
}

TEST(MappingApply, SerialMatchThenClaimsByPresetClassInOrder) {
    auto mapping = ParseMapping(MappingBytes("KDM2", 5)
                                    .entry("", 6, 0)
                                    .entry("", 3, 0)
                                    .entry("", 3, 0)
                                    .entry("kv-serial", 2, 0)
                                    .entry("", 0, 0)
                                    .bytes());
    ASSERT_TRUE(mapping);
    auto& entries = mapping->entries;
    EXPECT_EQ(ApplyMappingToDevice(*mapping, kModelArdo, "ARDO-1"), &entries[1]);
    EXPECT_EQ(ApplyMappingToDevice(*mapping, kModelArdo, "ARDO-2"), &entries[2]);
    // The same device again finds its claimed entry by serial.
    EXPECT_EQ(ApplyMappingToDevice(*mapping, kModelArdo, "ardo-1"), &entries[1]);
    // A named entry is found by serial whatever its type; KV10 and KV5 share a class.
    EXPECT_EQ(ApplyMappingToDevice(*mapping, kModelKv10, "KV-SERIAL"), &entries[3]);
    // A third ARDO falls to the "any model" entry, a fourth gets nothing.
    EXPECT_EQ(ApplyMappingToDevice(*mapping, kModelArdo, "ARDO-3"), &entries[4]);
    EXPECT_EQ(ApplyMappingToDevice(*mapping, kModelArdo, "ARDO-4"), nullptr);
    EXPECT_EQ(ApplyMappingToDevice(*mapping, kModelArdoRaw, "RAW"), &entries[0]);
}

TEST(MappingApply, DevicesWithoutSerialNeverShareAnEntry) {
    auto mapping = ParseMapping(MappingBytes("KDM2", 2).entry("", 1, 0).entry("", 1, 0).bytes());
    ASSERT_TRUE(mapping);
    EXPECT_EQ(ApplyMappingToDevice(*mapping, kModelKv10, ""), &mapping->entries[0]);
    EXPECT_EQ(ApplyMappingToDevice(*mapping, kModelKv10, ""), &mapping->entries[1]);
    EXPECT_EQ(ApplyMappingToDevice(*mapping, kModelKv10, ""), nullptr);
}

}  // namespace
}  // namespace qmt
