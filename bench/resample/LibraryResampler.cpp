#include "bench/resample/LibraryResampler.h"

#include <samplerate.h>
#include <soxr.h>
#include <speex/speex_resampler.h>

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "asio/IntegerDownSamplerateConverter.h"
#include "asio/IntegerUpSamplerateConverter.h"
#include "asio/VariableRateSamplerateConverter.h"

namespace qmt::bench {

namespace {

constexpr std::size_t kMaxBlock = 1 << 16;
constexpr float k16 = 32768.0f;
constexpr float k24 = 8388608.0f;

short toShort(float v) {
    return static_cast<short>(std::clamp(std::lrint(v * k16), -32768L, 32767L));
}
Int24 toInt24(float v) {
    return Int24(static_cast<std::int32_t>(std::clamp(std::lrint(v * k24), -8388608L, 8388607L)));
}

// Float libraries get the integer samples converted on the way in and out, as a driver would.
class FloatResampler : public MonoResampler {
  public:
    FloatResampler() : in_(kMaxBlock), out_(kMaxBlock * 8) {}

    std::size_t process16(const short* in, std::size_t n, short* out, std::size_t cap) override {
        for (std::size_t i = 0; i < n; ++i)
            in_[i] = static_cast<float>(in[i]) / k16;
        const std::size_t m = processFloat(in_.data(), n, out_.data(), cap);
        for (std::size_t i = 0; i < m; ++i)
            out[i] = toShort(out_[i]);
        return m;
    }
    std::size_t process24(const Int24* in, std::size_t n, Int24* out, std::size_t cap) override {
        for (std::size_t i = 0; i < n; ++i)
            in_[i] = static_cast<float>(static_cast<std::int32_t>(in[i])) / k24;
        const std::size_t m = processFloat(in_.data(), n, out_.data(), cap);
        for (std::size_t i = 0; i < m; ++i)
            out[i] = toInt24(out_[i]);
        return m;
    }

  protected:
    virtual std::size_t processFloat(const float* in, std::size_t n, float* out,
                                     std::size_t cap) = 0;

  private:
    std::vector<float> in_;
    std::vector<float> out_;
};

class LibsamplerateResampler final : public FloatResampler {
  public:
    LibsamplerateResampler(int type, double ratio) : ratio_(ratio) {
        int error = 0;
        state_ = src_new(type, 1, &error);
    }
    ~LibsamplerateResampler() override { src_delete(state_); }

  protected:
    std::size_t processFloat(const float* in, std::size_t n, float* out, std::size_t cap) override {
        SRC_DATA data{};
        data.data_in = in;
        data.input_frames = static_cast<long>(n);
        data.data_out = out;
        data.output_frames = static_cast<long>(cap);
        data.src_ratio = ratio_;
        src_process(state_, &data);
        return static_cast<std::size_t>(data.output_frames_gen);
    }

  private:
    SRC_STATE* state_ = nullptr;
    double ratio_;
};

class SoxrResampler final : public MonoResampler {
  public:
    SoxrResampler(unsigned long recipe, double inRate, double outRate, int bits)
        : in32_(kMaxBlock), out32_(kMaxBlock * 8) {
        // 16-bit samples go in and out natively; 24-bit ones through soxr's 32-bit integers.
        const soxr_io_spec_t io = soxr_io_spec(bits == 16 ? SOXR_INT16_I : SOXR_INT32_I,
                                               bits == 16 ? SOXR_INT16_I : SOXR_INT32_I);
        const soxr_quality_spec_t quality = soxr_quality_spec(recipe, 0);
        soxr_error_t error = nullptr;
        soxr_ = soxr_create(inRate, outRate, 1, &error, &io, &quality, nullptr);
    }
    ~SoxrResampler() override { soxr_delete(soxr_); }

    std::size_t process16(const short* in, std::size_t n, short* out, std::size_t cap) override {
        std::size_t done = 0;
        std::size_t written = 0;
        soxr_process(soxr_, in, n, &done, out, cap, &written);
        return written;
    }
    std::size_t process24(const Int24* in, std::size_t n, Int24* out, std::size_t cap) override {
        for (std::size_t i = 0; i < n; ++i)
            in32_[i] = static_cast<std::int32_t>(in[i]) * 256;
        std::size_t done = 0;
        std::size_t written = 0;
        soxr_process(soxr_, in32_.data(), n, &done, out32_.data(), cap, &written);
        for (std::size_t i = 0; i < written; ++i)
            out[i] = Int24(out32_[i] >> 8);
        return written;
    }

  private:
    soxr_t soxr_ = nullptr;
    std::vector<std::int32_t> in32_;
    std::vector<std::int32_t> out32_;
};

class SpeexResampler final : public FloatResampler {
  public:
    SpeexResampler(int quality, double inRate, double outRate) {
        int error = 0;
        state_ = speex_resampler_init(1, static_cast<spx_uint32_t>(inRate),
                                      static_cast<spx_uint32_t>(outRate), quality, &error);
        speex_resampler_skip_zeros(state_);
    }
    ~SpeexResampler() override { speex_resampler_destroy(state_); }

    // speexdsp takes 16-bit samples natively.
    std::size_t process16(const short* in, std::size_t n, short* out, std::size_t cap) override {
        auto inLen = static_cast<spx_uint32_t>(n);
        auto outLen = static_cast<spx_uint32_t>(cap);
        speex_resampler_process_int(state_, 0, in, &inLen, out, &outLen);
        return outLen;
    }

  protected:
    std::size_t processFloat(const float* in, std::size_t n, float* out, std::size_t cap) override {
        auto inLen = static_cast<spx_uint32_t>(n);
        auto outLen = static_cast<spx_uint32_t>(cap);
        speex_resampler_process_float(state_, 0, in, &inLen, out, &outLen);
        return outLen;
    }

  private:
    SpeexResamplerState* state_ = nullptr;
};

// Ours, picked the way the driver picks: integer ratios get the integer converters.
class OurResampler final : public MonoResampler {
  public:
    OurResampler(double inRate, double outRate) {
        const double up = outRate / inRate;
        const double down = inRate / outRate;
        if (up == std::trunc(up) && up > 1) {
            c16_ = std::make_unique<IntegerUpSamplerateConverter<short>>(static_cast<unsigned>(up));
            c24_ = std::make_unique<IntegerUpSamplerateConverter<Int24>>(static_cast<unsigned>(up));
        } else if (down == std::trunc(down) && down > 1) {
            c16_ = std::make_unique<IntegerDownSamplerateConverter<short>>(
                static_cast<unsigned>(down));
            c24_ = std::make_unique<IntegerDownSamplerateConverter<Int24>>(
                static_cast<unsigned>(down));
        } else {
            c16_ = std::make_unique<VariableRateSamplerateConverterFor<short>>(down);
            c24_ = std::make_unique<VariableRateSamplerateConverterFor<Int24>>(down);
        }
    }
    std::size_t process16(const short* in, std::size_t n, short* out, std::size_t) override {
        std::size_t produced = 0;
        c16_->convert(in, n, out, produced);
        return produced;
    }
    std::size_t process24(const Int24* in, std::size_t n, Int24* out, std::size_t) override {
        std::size_t produced = 0;
        c24_->convert(in, n, out, produced);
        return produced;
    }

  private:
    std::unique_ptr<SamplerateConverterIf<short>> c16_;
    std::unique_ptr<SamplerateConverterIf<Int24>> c24_;
};

}  // namespace

const std::vector<std::string>& resamplerNames() {
    static const std::vector<std::string> names{"ours",    "lsr-fastest", "lsr-medium", "soxr-qq",
                                                "soxr-lq", "soxr-hq",     "speex-4"};
    return names;
}

std::unique_ptr<MonoResampler> makeResampler(const std::string& name, double inRate, double outRate,
                                             int bits) {
    const double ratio = outRate / inRate;
    if (name == "ours") return std::make_unique<OurResampler>(inRate, outRate);
    if (name == "lsr-fastest")
        return std::make_unique<LibsamplerateResampler>(SRC_SINC_FASTEST, ratio);
    if (name == "lsr-medium")
        return std::make_unique<LibsamplerateResampler>(SRC_SINC_MEDIUM_QUALITY, ratio);
    if (name == "soxr-qq") return std::make_unique<SoxrResampler>(SOXR_QQ, inRate, outRate, bits);
    if (name == "soxr-lq") return std::make_unique<SoxrResampler>(SOXR_LQ, inRate, outRate, bits);
    if (name == "soxr-hq") return std::make_unique<SoxrResampler>(SOXR_HQ, inRate, outRate, bits);
    if (name == "speex-4") return std::make_unique<SpeexResampler>(4, inRate, outRate);
    return nullptr;
}

}  // namespace qmt::bench
