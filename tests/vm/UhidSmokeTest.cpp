// The kernel's side of the controllers, proven without qmtmidi: what a hidraw backend will
// see of a uhid device is what it would see of the real USB controller.

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "GuestEnvironment.h"
#include "HidrawNode.h"
#include "VirtualController.h"

namespace qmt::vm {
namespace {

using namespace std::chrono_literals;
// Generous: process starts alone cost up to 100 ms under software emulation.
constexpr auto kPatience = 5s;

class UhidSmokeTest : public ::testing::Test {
  protected:
    void SetUp() override { QMT_REQUIRE_KERNEL_FEATURES(); }

    std::unique_ptr<VirtualController> plug(const ControllerModel& model,
                                            const std::string& serial) {
        std::string error;
        auto controller = VirtualController::Plug(model, serial, error);
        EXPECT_TRUE(controller) << error;
        return controller;
    }
};

// A report in the documented layout: report number 0, then bytes that differ per report.
std::vector<uint8_t> PatternReport(size_t length, uint8_t seed) {
    std::vector<uint8_t> report(length);
    for (size_t i = 1; i < length; ++i)
        report[i] = static_cast<uint8_t>(seed * 31 + i * 7);
    return report;
}

TEST_F(UhidSmokeTest, EachModelAppearsAsHidrawWithItsIdsAndSerial) {
    for (const ControllerModel& model : AllControllerModels()) {
        SCOPED_TRACE(model.name);
        const std::string serial = "VM" + std::to_string(model.productId) + "A";
        auto controller = plug(model, serial);
        ASSERT_TRUE(controller);
        const std::string path = controller->waitForHidraw(kPatience);
        ASSERT_FALSE(path.empty()) << "no hidraw node appeared";
        HidrawNode node(path);
        ASSERT_TRUE(node.isOpen()) << node.error();
        const auto ids = node.ids();
        ASSERT_TRUE(ids) << node.error();
        EXPECT_EQ(ids->bus, 3u);  // USB
        EXPECT_EQ(ids->vendor, 0xF7E1);
        EXPECT_EQ(ids->product, model.productId);
        EXPECT_EQ(node.uniq(), serial);
    }
}

TEST_F(UhidSmokeTest, InputReportsReadBackByteForByteWithoutTheReportNumber) {
    for (const ControllerModel& model : AllControllerModels()) {
        SCOPED_TRACE(model.name);
        auto controller = plug(model, "VMIN" + model.name.substr(0, 2));
        ASSERT_TRUE(controller);
        HidrawNode node(controller->waitForHidraw(kPatience));
        ASSERT_TRUE(node.isOpen()) << node.error();
        for (uint8_t seed = 1; seed <= 3; ++seed) {
            const std::vector<uint8_t> report = PatternReport(model.inputReportLength, seed);
            ASSERT_TRUE(controller->sendInputReport(report));
            const auto read = node.read(kPatience);
            ASSERT_TRUE(read) << node.error();
            EXPECT_EQ(*read, std::vector<uint8_t>(report.begin() + 1, report.end()));
        }
    }
}

TEST_F(UhidSmokeTest, ReportsOfTheWrongLengthAreNotSent) {
    auto controller = plug(Kv10Model(), "VMLEN");
    ASSERT_TRUE(controller);
    EXPECT_FALSE(controller->sendInputReport(PatternReport(10, 1)));
    std::vector<uint8_t> numbered = PatternReport(11, 1);
    numbered[0] = 1;  // the controllers have no report ids
    EXPECT_FALSE(controller->sendInputReport(numbered));
}

// What a damaged controller's reports of the wrong length look like to a hidraw reader: the
// kernel drops a short one (it warns in its log) and hands on a long one as sent, so the
// service must skip the long ones.
TEST_F(UhidSmokeTest, ShortReportsAreDroppedLongOnesReachHidrawAsSent) {
    auto controller = plug(Kv10Model(), "VMLONG");
    ASSERT_TRUE(controller);
    HidrawNode node(controller->waitForHidraw(kPatience));
    ASSERT_TRUE(node.isOpen()) << node.error();
    const std::vector<uint8_t> longReport(Kv10Model().inputReportLength + 3, 0x5A);
    ASSERT_TRUE(controller->sendRawInputReport({0x00, 0x11, 0x22, 0x33}));
    ASSERT_TRUE(controller->sendRawInputReport(longReport));
    const auto read = node.read(kPatience);
    ASSERT_TRUE(read) << node.error();
    EXPECT_EQ(*read, longReport);
}

TEST_F(UhidSmokeTest, AWriteToHidrawArrivesAsAnOutputReport) {
    for (const ControllerModel* model : {&ArdoModel(), &ArdoRawModel()}) {
        SCOPED_TRACE(model->name);
        auto controller = plug(*model, "VMOUT" + std::to_string(model->productId));
        ASSERT_TRUE(controller);
        HidrawNode node(controller->waitForHidraw(kPatience));
        ASSERT_TRUE(node.isOpen()) << node.error();
        // The firmware version request the ARDO decoder sends first, then a light pattern.
        std::vector<uint8_t> versionRequest(model->outputReportLength);
        versionRequest[1] = 10;
        versionRequest[2] = 2;
        const std::vector<uint8_t> lights = PatternReport(model->outputReportLength, 9);
        for (const auto& report : {versionRequest, lights}) {
            ASSERT_TRUE(node.write(report)) << node.error();
            EXPECT_EQ(controller->waitForOutputReport(kPatience), report);
        }
    }
}

TEST_F(UhidSmokeTest, OpeningAndClosingTheNodeIsSeenByTheDevice) {
    auto controller = plug(ArdoModel(), "VMOPEN");
    ASSERT_TRUE(controller);
    const std::string path = controller->waitForHidraw(kPatience);
    ASSERT_FALSE(path.empty());
    EXPECT_FALSE(controller->isOpen());
    {
        HidrawNode node(path);
        ASSERT_TRUE(node.isOpen()) << node.error();
        EXPECT_TRUE(controller->waitUntilOpen(true, kPatience));
    }
    EXPECT_TRUE(controller->waitUntilOpen(false, kPatience));
}

TEST_F(UhidSmokeTest, UnpluggingFailsABlockedReadAndRemovesTheNode) {
    auto controller = plug(Kv5Model(), "VMGONE");
    ASSERT_TRUE(controller);
    const std::string path = controller->waitForHidraw(kPatience);
    HidrawNode node(path);
    ASSERT_TRUE(node.isOpen()) << node.error();
    ASSERT_TRUE(controller->waitUntilOpen(true, kPatience));

    std::optional<std::vector<uint8_t>> read;
    std::thread reader([&] { read = node.read(30s); });
    std::this_thread::sleep_for(200ms);  // let the reader block first
    controller->unplug();
    reader.join();
    EXPECT_FALSE(read);
    EXPECT_NE(node.error(), "no report in time");
    EXPECT_FALSE(node.read(0ms)) << "a read after the unplug must fail too";
    for (auto waited = 0ms; std::filesystem::exists(path) && waited < kPatience; waited += 10ms)
        std::this_thread::sleep_for(10ms);
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(UhidSmokeTest, TwoControllersWithDifferentSerialsKeepTheirReportsApart) {
    auto first = plug(ArdoModel(), "VMTWO1");
    auto second = plug(ArdoModel(), "VMTWO2");
    ASSERT_TRUE(first && second);
    const std::string firstPath = first->waitForHidraw(kPatience);
    const std::string secondPath = second->waitForHidraw(kPatience);
    ASSERT_FALSE(firstPath.empty() || secondPath.empty());
    EXPECT_NE(firstPath, secondPath);
    HidrawNode firstNode(firstPath), secondNode(secondPath);
    EXPECT_EQ(firstNode.uniq(), "VMTWO1");
    EXPECT_EQ(secondNode.uniq(), "VMTWO2");

    const std::vector<uint8_t> report = PatternReport(ArdoModel().inputReportLength, 5);
    ASSERT_TRUE(second->sendInputReport(report));
    const auto read = secondNode.read(kPatience);
    ASSERT_TRUE(read) << secondNode.error();
    EXPECT_EQ(read->size(), report.size() - 1);
    EXPECT_FALSE(firstNode.read(200ms)) << "the other controller's report leaked";
}

}  // namespace
}  // namespace qmt::vm
