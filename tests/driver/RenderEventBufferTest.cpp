// Which render events reach the controllers: complete messages, flattened packages.

#include <gtest/gtest.h>

#include "driver/RenderEventBuffer.h"
#include "platform/MidiPort.h"

namespace qmt {
namespace {

DMusEvent Event(uint16_t flags, std::vector<uint8_t> bytes, int64_t time = 0) {
    DMusEvent e;
    e.flags = flags;
    e.byteCount = static_cast<uint32_t>(bytes.size());
    e.presentationTime = time;
    std::copy(bytes.begin(), bytes.end(), e.data);
    return e;
}

TEST(RenderEventBuffer, CopiesCompleteMessagesAndFlattensPackages) {
    DMusEvent inner1 = Event(kDMusEventStructured, {0x90, 0x3C, 0x7F}, 5);
    DMusEvent inner2 = Event(kDMusEventStructured, {0x80, 0x3C, 0x00}, 6);
    inner1.next = &inner2;
    DMusEvent package;
    package.flags = kDMusEventStructured | kDMusEventPackage;
    package.byteCount = 16;
    package.package = &inner1;
    DMusEvent incomplete = Event(0, {0xB0, 0x10, 0x40});
    DMusEvent note = Event(kDMusEventStructured, {0x91, 0x40, 0x20}, 7);
    DMusEvent longWithoutPackage;  // more than 8 bytes, not a package: skipped
    longWithoutPackage.flags = kDMusEventStructured;
    longWithoutPackage.byteCount = 12;
    incomplete.next = &note;
    note.next = &package;
    package.next = &longWithoutPackage;

    auto buffer = std::make_unique<RenderEventBuffer>();
    buffer->CopyChain(&incomplete);
    ASSERT_EQ(buffer->count(), 3u);
    // The entries are packed: their fields are copied out before gtest takes references.
    EXPECT_EQ(uint64_t{buffer->at(0).data}, 0x204091u);
    EXPECT_EQ(int{buffer->at(0).length}, 3);
    EXPECT_EQ(int64_t{buffer->at(0).time}, 7);
    EXPECT_EQ(uint64_t{buffer->at(1).data}, 0x7F3C90u);
    EXPECT_EQ(uint64_t{buffer->at(2).data}, 0x003C80u);
}

TEST(RenderEventBuffer, FullBufferDropsItsOldest) {
    auto buffer = std::make_unique<RenderEventBuffer>();
    for (uint32_t n = 0; n < RenderEventBuffer::kCapacity + 2; ++n)
        buffer->Append(MidiQueueEntry{kEntryShort, 3, n, 0});
    EXPECT_EQ(buffer->count(), RenderEventBuffer::kCapacity);
    EXPECT_EQ(uint64_t{buffer->at(0).data}, 2u);
    EXPECT_EQ(uint64_t{buffer->at(RenderEventBuffer::kCapacity - 1).data},
              RenderEventBuffer::kCapacity + 1);
}

}  // namespace
}  // namespace qmt
