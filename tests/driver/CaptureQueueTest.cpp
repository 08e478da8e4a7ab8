// The capture queue's room-making rules: the newest entries always survive.

#include <gtest/gtest.h>

#include "driver/CaptureQueue.h"

namespace qmt {
namespace {

uint32_t Payload(CaptureQueue& queue) {
    MidiQueueEntry entry;
    CaptureQueue::Bytes bytes;
    EXPECT_TRUE(queue.Pop(entry, bytes));
    return static_cast<uint32_t>(entry.data);
}

TEST(CaptureQueue, FullQueueKeepsTheNewest8192) {
    auto queue = std::make_unique<CaptureQueue>();
    for (uint32_t n = 0; n < 8193; ++n) {
        queue->MakeRoom(1, CaptureQueue::kCapacity - 1);
        queue->Push(MidiQueueEntry{kEntryShort, 3, n, 0});
    }
    EXPECT_EQ(queue->count(), 8192u);
    EXPECT_EQ(Payload(*queue), 1u);  // entry 0 was dropped
    for (uint32_t n = 2; n < 8193; ++n)
        ASSERT_EQ(Payload(*queue), n);
    MidiQueueEntry entry;
    CaptureQueue::Bytes bytes;
    EXPECT_FALSE(queue->Pop(entry, bytes));
}

TEST(CaptureQueue, MultiEntryPostsKeepTheirLimitAndWrap) {
    auto queue = std::make_unique<CaptureQueue>();
    for (uint32_t n = 0; n < 8191; ++n)
        queue->Push(MidiQueueEntry{kEntryShort, 3, n, 0});
    // Sixteen new entries keep at most 8176 old ones: the 15 oldest go.
    queue->MakeRoom(16, 8176);
    EXPECT_EQ(queue->count(), 8176u);
    EXPECT_EQ(queue->start(), 15u);
    for (uint32_t n = 0; n < 16; ++n)
        queue->Push(MidiQueueEntry{kEntryShort, 3, 9000 + n, 0});
    EXPECT_EQ(queue->count(), 8192u);
    EXPECT_EQ(Payload(*queue), 15u);
    // Room is made only when the new entries would not fit below 8192.
    auto small = std::make_unique<CaptureQueue>();
    for (uint32_t n = 0; n < 100; ++n)
        small->Push(MidiQueueEntry{});
    small->MakeRoom(32, 8160);
    EXPECT_EQ(small->count(), 100u);
}

TEST(CaptureQueue, ClearEmptiesAndReleasesLongMessageBytes) {
    auto queue = std::make_unique<CaptureQueue>();
    auto bytes = std::make_shared<const std::vector<uint8_t>>(12, uint8_t{0xF0});
    queue->Push(MidiQueueEntry{kEntryLong, 12, 0, 0}, bytes);
    EXPECT_EQ(bytes.use_count(), 2);
    queue->Clear();
    EXPECT_EQ(queue->count(), 0u);
    EXPECT_EQ(queue->start(), 0u);
    EXPECT_EQ(bytes.use_count(), 1);
}

}  // namespace
}  // namespace qmt
