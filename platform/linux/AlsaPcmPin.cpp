#include "platform/linux/AlsaPcmPin.h"

#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "platform/linux/AlsaParams.h"
#include "platform/linux/AlsaPcmHolder.h"
#include "platform/linux/LinuxRealtimeScheduler.h"

namespace qmt {

namespace {

const HRESULT kGone = HresultFromWin32(kErrorDeviceNotConnected);
const HRESULT kCancelled = HresultFromWin32(kErrorOperationAborted);

// Periods of about 2 ms wake the pin thread often enough to complete a request within a small
// part of the shortest half (1 ms buffers at 48 kHz are 48 frames). The buffer holds both
// halves of the longest buffer size (40 ms) even when a card runs at twice the host's rate, and
// keeps captured frames while the host is late; writes complete as they are played, so its
// size adds no latency.
constexpr unsigned kPeriodMicroseconds = 2000;
constexpr unsigned kBufferMicroseconds = 250000;
// Poll descriptors a PCM may ask for beside the wake-up eventfd.
constexpr int kMaxPcmDescriptors = 8;

snd_pcm_format_t formatOf(unsigned bits) {
    switch (bits) {
        case 16:
            return SND_PCM_FORMAT_S16_LE;
        case 24:
            return SND_PCM_FORMAT_S24_3LE;  // three bytes a sample, as the wave format packs it
        case 32:
            return SND_PCM_FORMAT_S32_LE;
        default:
            return SND_PCM_FORMAT_UNKNOWN;
    }
}

HRESULT configure(snd_pcm_t* pcm, const PcmWaveFormat& format, snd_pcm_uframes_t& bufferFrames) {
    AlsaHwParams hw;
    if (hw.params == nullptr) return E_OUTOFMEMORY;
    unsigned rate = format.sampleRate;
    if (snd_pcm_hw_params_any(pcm, hw.params) < 0 ||
        snd_pcm_hw_params_set_rate_resample(pcm, hw.params, 0) < 0 ||
        snd_pcm_hw_params_set_access(pcm, hw.params, SND_PCM_ACCESS_RW_INTERLEAVED) < 0 ||
        snd_pcm_hw_params_set_format(pcm, hw.params, formatOf(format.bitsPerSample)) < 0 ||
        snd_pcm_hw_params_set_channels(pcm, hw.params, format.channels) < 0 ||
        snd_pcm_hw_params_set_rate(pcm, hw.params, rate, 0) < 0)
        return HresultFromWin32(kErrorNoMatch);
    // Near values: a card that cannot do them takes its nearest, which serves as well.
    unsigned period = kPeriodMicroseconds;
    unsigned buffer = kBufferMicroseconds;
    snd_pcm_hw_params_set_period_time_near(pcm, hw.params, &period, nullptr);
    snd_pcm_hw_params_set_buffer_time_near(pcm, hw.params, &buffer, nullptr);
    if (snd_pcm_hw_params(pcm, hw.params) < 0) return HresultFromWin32(kErrorNoMatch);
    snd_pcm_uframes_t periodFrames = 0;
    snd_pcm_hw_params_get_buffer_size(hw.params, &bufferFrames);
    snd_pcm_hw_params_get_period_size(hw.params, &periodFrames, nullptr);

    // Nothing starts by itself: the pin's RUN state starts the PCM.
    AlsaSwParams sw;
    snd_pcm_uframes_t boundary = 0;
    if (sw.params == nullptr || snd_pcm_sw_params_current(pcm, sw.params) < 0 ||
        snd_pcm_sw_params_get_boundary(sw.params, &boundary) < 0 ||
        snd_pcm_sw_params_set_start_threshold(pcm, sw.params, boundary) < 0 ||
        snd_pcm_sw_params_set_avail_min(pcm, sw.params,
                                        std::max<snd_pcm_uframes_t>(periodFrames, 1)) < 0 ||
        snd_pcm_sw_params(pcm, sw.params) < 0)
        return E_FAIL;
    return S_OK;
}

}  // namespace

HRESULT HresultFromAlsaError(int error) {
    switch (-error) {
        case EBUSY:
        case EAGAIN:
            return HresultFromWin32(kErrorBusy);
        case ENOENT:
        case ENODEV:
        case ENXIO:
        case ESHUTDOWN:
            return kGone;
        case EACCES:
        case EPERM:
            return HresultFromWin32(kErrorAccessDenied);
        case EINVAL:
            return HresultFromWin32(kErrorNoMatch);
        default:
            return E_FAIL;
    }
}

HRESULT OpenAlsaPcm(const AlsaPcmAddress& address, const std::string& procRoot, snd_pcm_t*& pcm,
                    std::string& detail) {
    detail.clear();
    // Non-blocking: a card held elsewhere answers busy at once instead of waiting for it.
    const int error = snd_pcm_open(
        &pcm, address.deviceName().c_str(),
        address.capture ? SND_PCM_STREAM_CAPTURE : SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK);
    if (error == 0) return S_OK;
    pcm = nullptr;
    if (error == -EBUSY || error == -EAGAIN)
        detail = DescribePcmHolder(procRoot, address.card, address.device, address.capture,
                                   address.subdevice);
    if (error == -EACCES || error == -EPERM)
        detail = "no permission to open " + address.deviceName() +
                 " (the user needs the audio group or the controllers' udev rule)";
    return HresultFromAlsaError(error);
}

HRESULT AlsaPcmPin::Open(const AlsaPcmAddress& address, const PcmWaveFormat& format,
                         const std::string& procRoot, std::unique_ptr<AudioCardPinIf>& pin,
                         std::string& detail) {
    detail.clear();
    if (formatOf(format.bitsPerSample) == SND_PCM_FORMAT_UNKNOWN ||
        format.validBits != format.bitsPerSample)
        return HresultFromWin32(kErrorNoMatch);
    snd_pcm_t* pcm = nullptr;
    const HRESULT open = OpenAlsaPcm(address, procRoot, pcm, detail);
    if (Failed(open)) return open;
    snd_pcm_uframes_t bufferFrames = 0;
    const HRESULT status = configure(pcm, format, bufferFrames);
    const int wake = Succeeded(status) ? ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC) : -1;
    if (Failed(status) || wake < 0) {
        snd_pcm_close(pcm);
        return Failed(status) ? status : E_FAIL;
    }
    auto* opened = new AlsaPcmPin(pcm, address.capture, format, wake);
    opened->bufferFrames_ = bufferFrames;
    opened->thread_ = std::thread([opened] { opened->run(); });
    pin.reset(opened);
    return S_OK;
}

AlsaPcmPin::AlsaPcmPin(snd_pcm_t* pcm, bool capture, const PcmWaveFormat& format, int wake)
    : pcm_(pcm), capture_(capture), format_(format), wake_(wake) {}

AlsaPcmPin::~AlsaPcmPin() {
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    wake();
    if (thread_.joinable()) thread_.join();
    snd_pcm_close(pcm_);
    ::close(wake_);
}

void AlsaPcmPin::wake() {
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t ignored = ::write(wake_, &one, sizeof one);
}

HRESULT AlsaPcmPin::setState(KSSTATE state) {
    std::unique_lock lock(mutex_);
    command_ = state;
    answer_.reset();
    lock.unlock();
    wake();
    lock.lock();
    answered_.wait(lock, [this] { return answer_.has_value(); });
    return *answer_;
}

HRESULT AlsaPcmPin::readStream(KsStreamRequest& request) {
    return submit(request, true);
}

HRESULT AlsaPcmPin::writeStream(KsStreamRequest& request) {
    return submit(request, false);
}

HRESULT AlsaPcmPin::submit(KsStreamRequest& request, bool read) {
    {
        std::lock_guard lock(mutex_);
        if (gone_) return kGone;
        if (read != capture_ || request.overlapped.event == nullptr) return E_INVALIDARG;
        if (state_ == KSSTATE_STOP) return HresultFromWin32(kErrorNotReady);
        if (read) request.header.DataUsed = 0;
        queue_.push_back(Pending{&request});
    }
    wake();
    return S_OK;
}

std::vector<AlsaPcmPin::Pending*> AlsaPcmPin::pendingSnapshot() {
    std::lock_guard lock(mutex_);
    std::vector<Pending*> pending;
    for (Pending& p : queue_)
        pending.push_back(&p);
    return pending;
}

void AlsaPcmPin::completeFirst(HRESULT status) {
    Pending done;
    {
        std::lock_guard lock(mutex_);
        if (queue_.empty()) return;
        done = queue_.front();
        queue_.pop_front();
    }
    if (capture_) done.request->header.DataUsed = done.bytesDone;
    done.request->overlapped.status = status;
    done.request->overlapped.event->set();
}

void AlsaPcmPin::completeAll(HRESULT status) {
    for (;;) {
        {
            std::lock_guard lock(mutex_);
            if (queue_.empty()) return;
        }
        completeFirst(status);
    }
}

void AlsaPcmPin::markGone() {
    {
        std::lock_guard lock(mutex_);
        gone_ = true;
    }
    completeAll(kGone);
}

void AlsaPcmPin::restartRequests() {
    std::lock_guard lock(mutex_);
    for (Pending& p : queue_)
        p = Pending{p.request};
}

void AlsaPcmPin::run() {
    // Named so top -H and the measurements tell it from the driver's streaming thread.
    ::pthread_setname_np(::pthread_self(), "qmt-pcm");
    std::string refusal;
    LinuxRealtimeScheduler().makeCurrentThreadRealtime(refusal);  // best effort: it streams anyway
    for (;;) {
        std::optional<KSSTATE> command;
        bool quit = false;
        {
            std::lock_guard lock(mutex_);
            command.swap(command_);
            quit = quit_;
        }
        if (quit) {
            snd_pcm_drop(pcm_);
            completeAll(kCancelled);
            return;
        }
        if (command) {
            const HRESULT answer = change(*command);
            {
                std::lock_guard lock(mutex_);
                answer_ = answer;
            }
            answered_.notify_all();
        }
        service();

        pollfd fds[1 + kMaxPcmDescriptors];
        fds[0] = {wake_, POLLIN, 0};
        int count = 1;
        if (wantPcm_) {
            const int pcmCount = snd_pcm_poll_descriptors(pcm_, fds + 1, kMaxPcmDescriptors);
            if (pcmCount > 0) count += pcmCount;
        }
        ::poll(fds, static_cast<nfds_t>(count), timeoutMs_);
        if (fds[0].revents & POLLIN) {
            uint64_t value = 0;
            [[maybe_unused]] const ssize_t ignored = ::read(wake_, &value, sizeof value);
        }
        if (count > 1) {
            unsigned short revents = 0;
            snd_pcm_poll_descriptors_revents(pcm_, fds + 1, static_cast<unsigned>(count - 1),
                                             &revents);
            if ((revents & (POLLERR | POLLNVAL)) &&
                snd_pcm_state(pcm_) == SND_PCM_STATE_DISCONNECTED)
                markGone();
        }
    }
}

HRESULT AlsaPcmPin::change(KSSTATE target) {
    bool gone = false;
    KSSTATE current = KSSTATE_STOP;
    {
        std::lock_guard lock(mutex_);
        gone = gone_;
        current = state_;
    }
    if (gone) return kGone;
    if (target == current) return S_OK;
    if (target > KSSTATE_RUN || std::abs(static_cast<int>(target) - static_cast<int>(current)) != 1)
        return E_INVALIDARG;
    int error = 0;
    if (current == KSSTATE_STOP) {
        error = snd_pcm_prepare(pcm_);
        written_ = 0;
        needStart_ = false;
    } else if (target == KSSTATE_RUN) {
        if (capture_ || written_ > 0) {
            error = snd_pcm_start(pcm_);
        } else {
            needStart_ = true;  // started with the first frames written
        }
    } else if (current == KSSTATE_RUN) {
        snd_pcm_drop(pcm_);
        error = snd_pcm_prepare(pcm_);
        written_ = 0;
        needStart_ = false;
        restartRequests();
    } else if (target == KSSTATE_STOP) {
        snd_pcm_drop(pcm_);
        completeAll(kCancelled);
    }
    if (error < 0) {
        const HRESULT status = HresultFromAlsaError(error);
        if (status == kGone) markGone();
        return status;
    }
    std::lock_guard lock(mutex_);
    state_ = target;
    return S_OK;
}

void AlsaPcmPin::service() {
    wantPcm_ = false;
    timeoutMs_ = -1;
    bool gone = false;
    {
        std::lock_guard lock(mutex_);
        gone = gone_;
    }
    if (gone) return;
    if (capture_) {
        if (state_ == KSSTATE_RUN) serviceCapture();
    } else if (state_ == KSSTATE_PAUSE || state_ == KSSTATE_RUN) {
        serviceRender();
    }
}

bool AlsaPcmPin::recover(long error) {
    if (error != -EPIPE && error != -ESTRPIPE) {
        markGone();
        return false;
    }
    // An overrun or underrun: what was lost is lost, the stream goes on from now.
    if (!capture_) {
        for (Pending* p : pendingSnapshot()) {
            if (!p->written) break;
            completeFirst(S_OK);
        }
    }
    if (snd_pcm_prepare(pcm_) < 0) {
        markGone();
        return false;
    }
    written_ = 0;
    needStart_ = state_ == KSSTATE_RUN && !capture_;
    if (capture_ && state_ == KSSTATE_RUN && snd_pcm_start(pcm_) < 0) {
        markGone();
        return false;
    }
    return true;
}

void AlsaPcmPin::serviceCapture() {
    const std::vector<Pending*> pending = pendingSnapshot();
    if (pending.empty()) return;  // frames are lost while nothing is queued, as on a card
    snd_pcm_sframes_t avail = snd_pcm_avail_update(pcm_);
    if (avail < 0) {
        recover(avail);
        wantPcm_ = true;
        return;
    }
    const unsigned blockAlign = format_.blockAlign;
    for (Pending* p : pending) {
        KSSTREAM_HEADER& header = p->request->header;
        const snd_pcm_uframes_t room = (header.FrameExtent - p->bytesDone) / blockAlign;
        if (room > 0) {
            if (avail <= 0) break;
            const snd_pcm_sframes_t read = snd_pcm_readi(
                pcm_, static_cast<uint8_t*>(header.Data) + p->bytesDone,
                std::min<snd_pcm_uframes_t>(static_cast<snd_pcm_uframes_t>(avail), room));
            if (read == -EAGAIN) break;
            if (read < 0) {
                recover(read);
                break;
            }
            p->bytesDone += static_cast<uint32_t>(read) * blockAlign;
            avail -= read;
            if (static_cast<snd_pcm_uframes_t>(read) < room) break;
        }
        completeFirst(S_OK);
    }
    std::lock_guard lock(mutex_);
    wantPcm_ = !queue_.empty() && !gone_;
}

void AlsaPcmPin::serviceRender() {
    std::vector<Pending*> pending = pendingSnapshot();
    if (pending.empty()) return;
    snd_pcm_sframes_t avail = snd_pcm_avail_update(pcm_);
    if (avail < 0) {
        if (!recover(avail)) return;
        pending = pendingSnapshot();
        avail = snd_pcm_avail_update(pcm_);
        if (avail < 0) return;
    }
    const unsigned blockAlign = format_.blockAlign;
    bool unwritten = false;
    for (Pending* p : pending) {
        if (p->written) continue;
        const KSSTREAM_HEADER& header = p->request->header;
        const snd_pcm_uframes_t left = (header.DataUsed - p->bytesDone) / blockAlign;
        snd_pcm_sframes_t wrote = 0;
        if (left > 0 && avail > 0) {
            wrote = snd_pcm_writei(
                pcm_, static_cast<const uint8_t*>(header.Data) + p->bytesDone,
                std::min<snd_pcm_uframes_t>(static_cast<snd_pcm_uframes_t>(avail), left));
            if (wrote == -EAGAIN) wrote = 0;
            if (wrote < 0) {
                recover(wrote);
                return;
            }
        }
        p->bytesDone += static_cast<uint32_t>(wrote) * blockAlign;
        written_ += static_cast<uint64_t>(wrote);
        avail -= wrote;
        if (static_cast<snd_pcm_uframes_t>(wrote) < left) {
            unwritten = true;
            break;
        }
        p->written = true;
        p->endFrame = written_;
    }
    if (state_ != KSSTATE_RUN) {
        wantPcm_ = unwritten;
        return;
    }
    if (needStart_ && written_ > 0) {
        if (snd_pcm_start(pcm_) < 0) {
            markGone();
            return;
        }
        needStart_ = false;
    }
    avail = snd_pcm_avail_update(pcm_);
    if (avail < 0) {
        recover(avail);
        wantPcm_ = true;
        return;
    }
    // Frames still in the buffer have not been played yet.
    const uint64_t queued = bufferFrames_ - std::min<snd_pcm_uframes_t>(avail, bufferFrames_);
    const uint64_t played = written_ > queued ? written_ - queued : 0;
    for (Pending* p : pending) {
        if (!p->written || p->endFrame > played) {
            if (p->written && !needStart_) {
                const uint64_t frames = p->endFrame - played;
                timeoutMs_ = static_cast<int>(std::max<uint64_t>(
                    1, (frames * 1000 + format_.sampleRate - 1) / format_.sampleRate));
            }
            break;
        }
        completeFirst(S_OK);
    }
    wantPcm_ = unwritten;
}

}  // namespace qmt
