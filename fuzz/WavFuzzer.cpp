// WAV files as qmtasiohost plays them (--play) and the tests read what the simulated cards
// recorded. Whatever reads must hold samples of the file's width, write back in a form that
// reads to the same format and samples, and write those same bytes a second time; whatever
// does not read says why.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/WavFile.h"
#include "fuzz/FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace qmt;
    WavData wav;
    std::string error;
    if (!parseWavBytes({data, size}, wav, error)) {
        QMT_FUZZ_CHECK(!error.empty());
        return 0;
    }
    const WavFormat& format = wav.format;
    QMT_FUZZ_CHECK(format.channels > 0 && format.sampleRate > 0);
    QMT_FUZZ_CHECK(wav.samples.size() % format.channels == 0);
    QMT_FUZZ_CHECK(wav.samples.size() * (format.bitsPerSample / 8u) <= size);
    const int64_t top = (int64_t{1} << (format.bitsPerSample - 1)) - 1;
    for (const int32_t sample : wav.samples)
        QMT_FUZZ_CHECK(sample <= top && sample >= -top - 1);

    const std::vector<uint8_t> written = wavFileBytes(wav);
    QMT_FUZZ_CHECK(!written.empty());
    WavData back;
    QMT_FUZZ_CHECK(parseWavBytes(written, back, error));
    QMT_FUZZ_CHECK(back.format.sampleRate == format.sampleRate &&
                   back.format.channels == format.channels &&
                   back.format.bitsPerSample == format.bitsPerSample);
    QMT_FUZZ_CHECK(back.samples == wav.samples);
    QMT_FUZZ_CHECK(wavFileBytes(back) == written);
    return 0;
}
