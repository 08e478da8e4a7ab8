// The frame's threads on their own, around a handler whose steps a test controls.

#include <gtest/gtest.h>

#include <atomic>

#include "driver/HandlerFrame.h"
#include "engine/MemoryHidDevice.h"
#include "tests/driver/DriverRig.h"

namespace qmt::test {
namespace {

class NullSink final : public MessageSinkAbs {
  public:
    void Short(uint32_t, int64_t) override {}
    void Extended(const uint8_t*, uint8_t, int64_t) override {}
};

// A handler with lights whose every writer step fails, as a device that refuses output
// reports would; its timer stays armed so the writer keeps trying on its own.
class FailingWriterHandler final : public ControllerHandler {
  public:
    using ControllerHandler::ControllerHandler;
    bool AcceptsMidi() override { return true; }
    NtStatus WriterStep() override {
        ++steps;
        return kStatusUnexpectedIoError;
    }
    bool writerTimerArmed() const override { return true; }
    std::atomic<int> steps{0};
};

TEST(HandlerFrame, ThreeFailedWriterStepsInARowEndTheWriter) {
    NullSink sink;
    MidiState state;
    ManualClock clock;
    auto engine = std::make_unique<ActionEngine>(sink, state);
    auto handler =
        std::make_unique<FailingWriterHandler>(*engine, clock, std::make_unique<MemoryHidDevice>());
    FailingWriterHandler* failing = handler.get();
    HandlerFrame frame(std::move(engine), std::move(handler), nullptr);

    ASSERT_EQ(frame.StartWriter(), kStatusSuccess);
    ASSERT_TRUE(frame.WaitForWriterEnd(kPatienceMs));
    EXPECT_EQ(failing->steps.load(), 3);
    EXPECT_FALSE(frame.writerRunning());
    // A restarted writer counts afresh: three more tries, not one.
    ASSERT_EQ(frame.StartWriter(), kStatusSuccess);
    ASSERT_TRUE(frame.WaitForWriterEnd(kPatienceMs));
    EXPECT_EQ(failing->steps.load(), 6);
}

}  // namespace
}  // namespace qmt::test
