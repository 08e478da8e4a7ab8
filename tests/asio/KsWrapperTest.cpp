#include <gtest/gtest.h>

#include "OneCardService.h"
#include "asio/CKsAudFilter.h"
#include "asio/CKsEnumFilters.h"
#include "asio/KsAudioFormat.h"
#include "platform/sim/SimAudioCards.h"
#include "platform/sim/SimSoundCardModels.h"

namespace qmt {
namespace {

SimPinProfile pin(KSPIN_DATAFLOW flow, KSPIN_COMMUNICATION communication,
                  std::vector<KSDATARANGE_AUDIO> ranges) {
    SimPinProfile profile;
    profile.dataFlow = flow;
    profile.communication = communication;
    profile.ranges = std::move(ranges);
    return profile;
}

template <typename Filter>
std::unique_ptr<Filter> openFilter(OneCardService& service) {
    HRESULT status = E_FAIL;
    auto filter = std::make_unique<Filter>(service, "\\\\?\\card", status);
    EXPECT_EQ(status, S_OK);
    EXPECT_EQ(filter->open(), S_OK);
    return filter;
}

TEST(KsWrapperTest, PinsAreSortedByDataFlowAndCommunication) {
    const auto range = MakePcmDataRange(2, 16, 16, 48000, 48000);
    OneCardService service({"card",
                            {pin(KSPIN_DATAFLOW_IN, KSPIN_COMMUNICATION_SINK, {range}),
                             pin(KSPIN_DATAFLOW_OUT, KSPIN_COMMUNICATION_BOTH, {range}),
                             pin(KSPIN_DATAFLOW_IN, KSPIN_COMMUNICATION_NONE, {}),
                             pin(KSPIN_DATAFLOW_IN, KSPIN_COMMUNICATION_SOURCE, {range})}});
    auto plain = openFilter<CKsFilter>(service);
    ASSERT_EQ(plain->enumeratePins(), S_OK);
    EXPECT_EQ(plain->pins().size(), 4u);
    EXPECT_EQ(plain->pinList(CKsFilter::kInSink).size(), 1u);
    EXPECT_EQ(plain->pinList(CKsFilter::kInSource).size(), 1u);
    ASSERT_EQ(plain->pinList(CKsFilter::kOutSink).size(), 1u);
    EXPECT_EQ(plain->pinList(CKsFilter::kOutSource), plain->pinList(CKsFilter::kOutSink));
    ASSERT_EQ(plain->pinList(CKsFilter::kBridge).size(), 1u);
    EXPECT_EQ(plain->pinList(CKsFilter::kBridge)[0]->index(), 2u);

    // The audio filter keeps streaming pins only.
    auto audio = openFilter<CKsAudRenFilter>(service);
    ASSERT_EQ(audio->enumeratePins(), S_OK);
    EXPECT_EQ(audio->pins().size(), 3u);
    EXPECT_TRUE(audio->pinList(CKsFilter::kBridge).empty());
    EXPECT_EQ(audio->kind(), CKsFilter::kRender);

    OneCardService bridges({"bridges", {pin(KSPIN_DATAFLOW_IN, KSPIN_COMMUNICATION_NONE, {})}});
    EXPECT_EQ(openFilter<CKsAudCapFilter>(bridges)->enumeratePins(), E_FAIL);
    HRESULT status = S_OK;
    CKsAudRenFilter unnamed(service, "", status);
    EXPECT_EQ(status, E_INVALIDARG);
}

TEST(KsWrapperTest, OnlyAudioRangesOfStandardStreamingPinsAreKept) {
    KSDATARANGE_AUDIO midi = MakePcmDataRange(2, 16, 16, 48000, 48000);
    midi.DataRange.MajorFormat = KSDATAFORMAT_TYPE_MUSIC;
    KSDATARANGE_AUDIO wild = MakePcmDataRange(4, 16, 24, 8000, 96000);
    wild.DataRange.Specifier = KSDATAFORMAT_WILDCARD;
    wild.DataRange.SubFormat = KSDATAFORMAT_WILDCARD;
    KSDATARANGE_AUDIO otherSpecifier = MakePcmDataRange(2, 16, 16, 44100, 44100);
    otherSpecifier.DataRange.Specifier = KSDATAFORMAT_SUBTYPE_PCM;
    OneCardService service(
        {"card", {pin(KSPIN_DATAFLOW_IN, KSPIN_COMMUNICATION_SINK, {midi, wild, otherSpecifier})}});
    auto filter = openFilter<CKsAudRenFilter>(service);
    ASSERT_EQ(filter->enumeratePins(), S_OK);
    auto* audioPin = static_cast<CKsAudPin*>(filter->pins()[0].get());
    ASSERT_EQ(audioPin->audioDataRanges().size(), 1u);
    EXPECT_EQ(audioPin->audioDataRanges()[0].MaximumChannels, 4u);
    EXPECT_TRUE(audioPin->acceptsFormat(makeExtensibleFormat(4, 32000, 24, 0x33)));
    EXPECT_FALSE(audioPin->acceptsFormat(makeExtensibleFormat(4, 32000, 32, 0x33)));
    EXPECT_FALSE(audioPin->acceptsFormat(makeExtensibleFormat(2, 48000, 16, 0x3)));  // MIDI range
}

TEST(KsWrapperTest, MaximumChannelsMustEqualTheChannelCount) {
    OneCardService service({"card",
                            {pin(KSPIN_DATAFLOW_IN, KSPIN_COMMUNICATION_SINK,
                                 {MakePcmDataRange(8, 16, 24, 44100, 48000)})}});
    auto filter = openFilter<CKsAudRenFilter>(service);
    ASSERT_EQ(filter->enumeratePins(), S_OK);
    EXPECT_EQ(filter->findPin(makeExtensibleFormat(2, 48000, 16, 0x3)), nullptr);
    EXPECT_NE(filter->findPin(makeExtensibleFormat(8, 48000, 16, 0xFF)), nullptr);
    HRESULT status = S_OK;
    EXPECT_EQ(filter->createPin(makeExtensibleFormat(2, 48000, 16, 0x3), status), nullptr);
    EXPECT_EQ(status, HresultFromWin32(kErrorNoMatch));
    WAVEFORMATEX plain = makeExtensibleFormat(8, 44100, 24, 0).Format;
    EXPECT_NE(filter->findPin(plain), nullptr);
}

TEST(KsWrapperTest, PinChoiceKeepsToTheDataFlowAndPrefersThePinsOfTheKind) {
    const auto range = MakePcmDataRange(2, 16, 16, 48000, 48000);
    OneCardService service({"card",
                            {pin(KSPIN_DATAFLOW_OUT, KSPIN_COMMUNICATION_SINK, {range}),
                             pin(KSPIN_DATAFLOW_IN, KSPIN_COMMUNICATION_SOURCE, {range}),
                             pin(KSPIN_DATAFLOW_IN, KSPIN_COMMUNICATION_SINK, {range})}});
    const auto format = makeExtensibleFormat(2, 48000, 16, 0x3);
    auto render = openFilter<CKsAudRenFilter>(service);
    ASSERT_EQ(render->enumeratePins(), S_OK);
    HRESULT status = E_FAIL;
    CKsAudPin* first = render->createPin(format, status);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->index(), 2u);  // in + sink before in + source
    // The sink pin is taken now (one instance per pin): the other render pin follows, never
    // the capture pin.
    auto second = openFilter<CKsAudRenFilter>(service);
    ASSERT_EQ(second->enumeratePins(), S_OK);
    CKsAudPin* fallback = second->createPin(format, status);
    ASSERT_NE(fallback, nullptr);
    EXPECT_EQ(fallback->index(), 1u);
    auto third = openFilter<CKsAudRenFilter>(service);
    ASSERT_EQ(third->enumeratePins(), S_OK);
    EXPECT_EQ(third->createPin(format, status), nullptr);
    EXPECT_EQ(status, HresultFromWin32(kErrorBusy));
    auto capture = openFilter<CKsAudCapFilter>(service);
    ASSERT_EQ(capture->enumeratePins(), S_OK);
    CKsAudPin* capturePin = capture->createPin(format, status);
    ASSERT_NE(capturePin, nullptr);
    EXPECT_EQ(capturePin->index(), 0u);
}

TEST(KsWrapperTest, AHeldCardIsBusyWithItsHolderNamed) {
    OneCardService service(SimSoundCardProfileFor(SimControllerModel::Kv5));
    service.card->hold("pipewire (process 640)");
    auto filter = openFilter<CKsAudRenFilter>(service);
    EXPECT_EQ(filter->enumeratePins(), S_OK);  // the pins are there, only not to be had
    HRESULT status = S_OK;
    EXPECT_EQ(filter->createPin(makeExtensibleFormat(2, 48000, 16, 0x3), status), nullptr);
    EXPECT_EQ(status, HresultFromWin32(kErrorBusy));
    EXPECT_EQ(filter->lastStatus(), HresultFromWin32(kErrorBusy));
    EXPECT_EQ(filter->lastErrorDetail(), "in use by pipewire (process 640)");
}

TEST(KsWrapperTest, ClosingAPinStepsItDownToStop) {
    OneCardService service(SimSoundCardProfileFor(SimControllerModel::Kv5));
    auto filter = openFilter<CKsAudRenFilter>(service);
    ASSERT_EQ(filter->enumeratePins(), S_OK);
    HRESULT status = E_FAIL;
    CKsAudPin* audioPin = filter->createPin(makeExtensibleFormat(2, 44100, 24, 0x3), status);
    ASSERT_NE(audioPin, nullptr);
    EXPECT_EQ(audioPin->dataFormat().FormatSize, 64u + 40u);
    EXPECT_EQ(audioPin->dataFormat().SampleSize, 6u);
    EXPECT_EQ(audioPin->format().dwChannelMask, 0x3u);
    for (KSSTATE s : {KSSTATE_ACQUIRE, KSSTATE_PAUSE, KSSTATE_RUN})
        ASSERT_EQ(audioPin->setState(s), S_OK);
    EXPECT_EQ(audioPin->setState(KSSTATE_STOP), E_INVALIDARG);
    EXPECT_EQ(audioPin->state(), KSSTATE_RUN);
    audioPin->close();
    EXPECT_FALSE(audioPin->isValid());
    EXPECT_FALSE(service.card->hasPin(KSPIN_DATAFLOW_IN));
}

TEST(KsWrapperTest, EnumeratingARenderCategoryOpensEveryControllersRenderFilter) {
    SimDeviceTree tree;
    SimAudioCards cards(tree);
    tree.plugController(SimControllerModel::Kv5, u"KV5000001", 1);
    const int ardo = tree.plugController(SimControllerModel::Ardo, u"ARDO00002", 2);
    CKsEnumFilters filters(cards);
    ASSERT_TRUE(filters.enumFilters(tree, InterfaceCategory::Render));
    ASSERT_EQ(filters.filters().size(), 2u);
    EXPECT_EQ(filters.filters()[1]->path(), tree.audioInterfacePath(ardo));
    EXPECT_EQ(filters.filters()[1]->kind(), CKsFilter::kRender);
    tree.setEnumerationFailing(true);
    EXPECT_FALSE(filters.enumFilters(tree, InterfaceCategory::Render));
    EXPECT_TRUE(filters.filters().empty());
}

}  // namespace
}  // namespace qmt
