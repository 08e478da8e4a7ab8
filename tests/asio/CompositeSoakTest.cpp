// Ten minutes of simulated streaming while controllers come and go at random and the host
// changes the rate now and then: the stream never stops alternating its halves, every
// controller that is plugged in plays, and everything stops cleanly at the end. Built for
// the sanitizers (label tsan): time is simulated, so the run takes seconds.

#include <gtest/gtest.h>

#include <random>

#include "CompositeRig.h"
#include "asio/QmtAsioBrand.h"
#include "platform/sim/SimSoundCard.h"

namespace qmt {
namespace {

constexpr int32_t kFrames = 1920;  // 40 ms at 48 kHz, the longest buffer
// Ten buffers' time per step: the cards play the two halves they were given and then go
// without (a starved card plays silence, as real ones do), and the thread catches up after
// each step. Only a fifth of the ten minutes is then converted, which keeps the run to
// seconds even under the thread sanitizer.
constexpr int kStepMs = 400;
constexpr int kSteps = 10 * 60 * 1000 / kStepMs;

TEST(CompositeSoakTest, TenMinutesOfRandomPluggingAndRateChanges) {
    CompositeRig rig(std::make_unique<QmtAsioBrand>());
    struct Controller {
        SimControllerModel model;
        const char16_t* serial;
        int port;
        int handle = 0;
        bool plugged = false;
    };
    Controller controllers[] = {{SimControllerModel::Kv5, u"KV5000001", 1},
                                {SimControllerModel::Ardo, u"ARDO00002", 2},
                                {SimControllerModel::Kv10, u"KV1000003", 3},
                                {SimControllerModel::ArdoRaw, u"RAW000004", 4}};
    std::vector<int32_t> outputs;
    for (int32_t channel = 0; channel < 16; ++channel)
        outputs.push_back(channel);
    ASSERT_TRUE(rig.startStream(outputs, {}, kFrames));

    std::mt19937 random(20261208);
    const double rates[] = {44100, 48000, 96000};
    size_t alternationBreaks = 0;
    size_t rateChanges = 0;
    size_t checkedFrom = 0;
    for (int step = 0; step < kSteps; ++step) {
        if (random() % 10 == 0) {
            Controller& c = controllers[random() % 4];
            if (!c.plugged && c.handle == 0) {
                c.handle = rig.plug(c.model, c.serial, c.port);
                // What the cards played is not looked at; ten minutes of it would fill memory.
                rig.world.cards.card(c.handle)->setRecording(false);
            } else if (!c.plugged) {
                rig.replug(c.handle, c.port);
            } else {
                rig.unplug(c.handle);
            }
            c.plugged = !c.plugged;
        } else if (random() % 80 == 0) {
            const size_t beforeChange = rig.switches();
            ASSERT_EQ(rig.device->setSampleRate(rates[random() % 3]), ASE_OK);
            rig.idle();
            ++rateChanges;
            // A new rate starts the stream over at half 0: the first switch after it is not
            // compared with the last one before.
            checkedFrom = beforeChange + 1;
        }
        rig.world.cards.advanceTime(int64_t{kStepMs} * 1'000'000);
        rig.runMs(kStepMs);
        for (size_t i = std::max<size_t>(checkedFrom, 1); i < rig.switches(); ++i) {
            if (rig.host.halves[i] == rig.host.halves[i - 1]) ++alternationBreaks;
        }
        checkedFrom = std::max(checkedFrom, rig.switches());
    }
    size_t plugged = 0;
    for (const Controller& c : controllers)
        plugged += c.plugged ? 1 : 0;
    EXPECT_EQ(rig.device->filterCount(), plugged);
    EXPECT_EQ(rig.device->activeFilterCount(), plugged);
    EXPECT_EQ(alternationBreaks, 0u);
    EXPECT_GT(rateChanges, 10u);
    EXPECT_GT(rig.switches(), static_cast<size_t>(kSteps));

    ASSERT_EQ(rig.device->stop(), ASE_OK);
    ASSERT_EQ(rig.device->disposeBuffers(), ASE_OK);
    for (const Controller& c : controllers) {
        if (c.handle == 0) continue;
        std::shared_ptr<SimSoundCard> card = rig.world.cards.card(c.handle);
        EXPECT_EQ(card->state(KSPIN_DATAFLOW_IN), KSSTATE_STOP);
        EXPECT_EQ(card->pendingRequests(KSPIN_DATAFLOW_IN), 0u);
    }
    EXPECT_TRUE(rig.world.notices.empty());
}

}  // namespace
}  // namespace qmt
