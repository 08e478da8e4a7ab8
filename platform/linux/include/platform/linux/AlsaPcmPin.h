#pragma once
// A pin instance on an ALSA PCM, opened in one format and served by a thread of its own.
//
// Kernel-streaming semantics on ALSA:
//   STOP -> ACQUIRE prepares the PCM; PAUSE lets a render pin take writes into the PCM's buffer
//   without playing them (the start threshold is never reached by itself); RUN starts the PCM;
//   RUN -> PAUSE drops what is in the buffer and prepares again, keeping the requests (they
//   are moved again from their start); ACQUIRE -> STOP drops and cancels every request.
//   A read completes when its frames are captured; a write completes when its frames have
//   been played (not merely copied into the buffer), so two writes in flight keep the latency
//   at two halves whatever size the buffer is.
//   An underrun or overrun restarts the PCM and the stream goes on; a card that disappears
//   completes everything as gone and fails every later call.
//
// Threads: setState, readStream and writeStream come from one caller thread at a time; the pin
// thread alone touches the PCM after opening. Commands reach it through a queue and an eventfd
// and setState waits for the answer. The destructor cancels what is pending and joins the
// thread before the PCM is closed.

#include <alsa/asoundlib.h>

#include <condition_variable>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/AudioCardService.h"
#include "platform/PcmWaveFormat.h"
#include "platform/linux/AlsaAudioCards.h"

namespace qmt {

// The HRESULT of a negative ALSA result: busy, gone, access denied, no match, else E_FAIL.
HRESULT HresultFromAlsaError(int error);
// Opens the PCM without waiting for a holder to let it go. On failure `detail` says what a user
// can act on beyond the status: the holder of a busy PCM, or the missing permission.
HRESULT OpenAlsaPcm(const AlsaPcmAddress& address, const std::string& procRoot, snd_pcm_t*& pcm,
                    std::string& detail);

class AlsaPcmPin final : public AudioCardPinIf {
  public:
    // Opens the PCM without waiting and sets its hardware parameters. HRESULTs: busy (detail
    // names the holder), no match (the format is refused), device gone, access denied.
    static HRESULT Open(const AlsaPcmAddress& address, const PcmWaveFormat& format,
                        const std::string& procRoot, std::unique_ptr<AudioCardPinIf>& pin,
                        std::string& detail);
    ~AlsaPcmPin() override;

    HRESULT setState(KSSTATE state) override;
    HRESULT readStream(KsStreamRequest& request) override;
    HRESULT writeStream(KsStreamRequest& request) override;

  private:
    struct Pending {
        KsStreamRequest* request = nullptr;
        uint32_t bytesDone = 0;  // moved so far
        uint64_t endFrame = 0;   // render: the written-frame count once all of it is written
        bool written = false;
    };

    AlsaPcmPin(snd_pcm_t* pcm, bool capture, const PcmWaveFormat& format, int wake);
    HRESULT submit(KsStreamRequest& request, bool read);
    void wake();
    void run();
    HRESULT change(KSSTATE target);
    void service();
    void serviceCapture();
    void serviceRender();
    bool recover(long error);
    void markGone();
    void restartRequests();
    // Takes the first pending request off the queue and completes it.
    void completeFirst(HRESULT status);
    void completeAll(HRESULT status);
    std::vector<Pending*> pendingSnapshot();
    int pollTimeoutMs();

    snd_pcm_t* const pcm_;
    const bool capture_;
    const PcmWaveFormat format_;
    const int wake_;  // eventfd
    snd_pcm_uframes_t bufferFrames_ = 0;

    std::mutex mutex_;
    std::condition_variable answered_;
    std::list<Pending> queue_;
    std::optional<KSSTATE> command_;
    std::optional<HRESULT> answer_;
    bool quit_ = false;
    bool gone_ = false;
    KSSTATE state_ = KSSTATE_STOP;  // written by the thread, read by callers under mutex_

    // The pin thread's own.
    uint64_t written_ = 0;  // frames written since the PCM was last prepared
    bool needStart_ = false;
    bool wantPcm_ = false;  // wait for the PCM as well as for the wake-up
    int timeoutMs_ = -1;    // render: until the first written request is played

    std::thread thread_;
};

}  // namespace qmt
