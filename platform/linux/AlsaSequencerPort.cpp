#include "platform/linux/AlsaSequencerPort.h"

#include <alsa/asoundlib.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <map>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "platform/linux/MidiEventCodec.h"
#include "platform/MidiEventPool.h"

namespace qmt {

namespace {

// The port's event pool; one captured message is in flight at a time, render chains are
// one event long.
constexpr size_t kPoolEvents = 1024;

using Peer = std::pair<int, int>;  // client, port

std::string PeerText(const Peer& peer) {
    return std::to_string(peer.first) + ":" + std::to_string(peer.second);
}

std::string OpenError(int result) {
    if (result == -ENOENT || result == -ENODEV)
        return "the ALSA sequencer is not available (no /dev/snd/seq): load it with "
               "'sudo modprobe snd-seq'";
    if (result == -EACCES || result == -EPERM)
        return "no access to the ALSA sequencer /dev/snd/seq: add your user to the 'audio' "
               "group and log in again";
    return std::string("cannot open the ALSA sequencer: ") + snd_strerror(result);
}

// alsa-lib prints its own errors to stderr; the port says what went wrong in words a user
// can act on instead.
extern "C" void QuietAlsaErrors(const char*, int, const char*, int, const char*, ...) {}

}  // namespace

// What a stream is connected to. A capture sink turns the events the port pulls into
// sequencer events for the subscribers (when its stream speaks for the port); a render
// sink only marks the stream as connected. Both give the events back to the pool.
class SequencerSink final : public MxfIf {
  public:
    using Deliver = std::function<void(const DMusEvent&)>;
    SequencerSink(AllocatorMxfIf& allocator, Deliver deliver)
        : allocator_(allocator), deliver_(std::move(deliver)) {}

    void SetSpeaking(bool speaking) { speaking_ = speaking; }
    int32_t SetState(KsState) override { return 0; }
    int32_t ConnectOutput(MxfIf*) override { return 0; }
    int32_t DisconnectOutput(MxfIf*) override { return 0; }
    int32_t PutMessage(DMusEvent* events) override {
        if (speaking_ && deliver_)
            for (const DMusEvent* e = events; e != nullptr; e = e->next)
                deliver_(*e);
        return allocator_.PutMessage(events);
    }

  private:
    AllocatorMxfIf& allocator_;
    Deliver deliver_;
    bool speaking_ = false;  // changed and read under the port's table lock
};

class AlsaSequencerPort::Impl {
  public:
    struct Stream {
        uint64_t order = 0;  // the oldest capture stream speaks
        bool subscribed = false;
        std::unique_ptr<SequencerSink> sink;  // outlives the stream that points at it
        std::unique_ptr<MxfIf> mxf;
    };

    Impl(std::shared_ptr<PortClockIf> clock, Log log)
        : clock_(std::move(clock)), log_(std::move(log)), pool_(kPoolEvents) {}

    bool Open(MiniportDMusIf* miniport, std::string& error);
    void Close();
    void Notify();
    int client() const { return client_; }

  private:
    bool CreatePorts(std::string& error);
    void Serve();
    void Handle(const snd_seq_event_t& event);
    void Reconcile();
    std::set<Peer> Subscribers(int port, snd_seq_query_subs_type_t type);
    bool PortExists(const Peer& peer);
    bool OpenStream(bool capture, const Peer& peer, bool subscribed);
    // By value: callers may pass a key of the table the stream is erased from.
    void CloseStream(bool capture, Peer peer);
    void ChooseSpeaker();
    void Render(const Peer& source, const snd_seq_event_t& event);
    void Deliver(const DMusEvent& event);
    void Say(const std::string& line) {
        if (log_) log_(line);
    }

    std::shared_ptr<PortClockIf> clock_;
    Log log_;
    MidiEventPool pool_;
    MiniportDMusIf* miniport_ = nullptr;
    snd_seq_t* seq_ = nullptr;
    int client_ = -1;
    int inPort_ = -1;
    int outPort_ = -1;
    MidiEventCodec captureCodec_;  // used under tableMutex_
    MidiEventCodec renderCodec_;   // used on the thread only

    // Guards the capture table against the notifying threads, and the sequencer's output.
    std::mutex tableMutex_;
    std::map<Peer, Stream> captures_;
    std::map<Peer, Stream> renders_;  // the thread's alone
    uint64_t nextOrder_ = 1;

    int wakeRead_ = -1;
    int wakeWrite_ = -1;
    std::thread thread_;
};

bool AlsaSequencerPort::Impl::Open(MiniportDMusIf* miniport, std::string& error) {
    miniport_ = miniport;
    if (!captureCodec_.valid() || !renderCodec_.valid()) {
        error = "cannot make the MIDI event converters";
        return false;
    }
    snd_lib_error_set_handler(QuietAlsaErrors);
    const int result = snd_seq_open(&seq_, "default", SND_SEQ_OPEN_DUPLEX, SND_SEQ_NONBLOCK);
    if (result < 0) {
        seq_ = nullptr;
        error = OpenError(result);
        return false;
    }
    if (!CreatePorts(error)) {
        Close();
        return false;
    }
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
        error = "cannot create the sequencer thread's wake-up pipe";
        Close();
        return false;
    }
    wakeRead_ = fds[0];
    wakeWrite_ = fds[1];
    thread_ = std::thread([this] { Serve(); });
    return true;
}

bool AlsaSequencerPort::Impl::CreatePorts(std::string& error) {
    snd_seq_set_client_name(seq_, kClientName);
    client_ = snd_seq_client_id(seq_);
    auto make = [&](const char* name, unsigned caps) {
        snd_seq_port_info_t* info;
        snd_seq_port_info_alloca(&info);
        snd_seq_port_info_set_name(info, name);
        snd_seq_port_info_set_capability(info, caps);
        snd_seq_port_info_set_type(info,
                                   SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
        snd_seq_port_info_set_midi_channels(info, 16);
        if (snd_seq_create_port(seq_, info) < 0) return -1;
        return snd_seq_port_info_get_port(info);
    };
    inPort_ = make(kInPortName, SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ);
    outPort_ = make(kOutPortName, SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE);
    if (inPort_ < 0 || outPort_ < 0) {
        error = "cannot create the sequencer ports \"QMT MIDI In\" and \"QMT MIDI Out\"";
        return false;
    }
    // Subscriptions made and ended by other clients are announced on the system port.
    if (snd_seq_connect_from(seq_, outPort_, SND_SEQ_CLIENT_SYSTEM, SND_SEQ_PORT_SYSTEM_ANNOUNCE) <
        0) {
        error = "cannot follow the sequencer's announcements";
        return false;
    }
    return true;
}

void AlsaSequencerPort::Impl::Close() {
    if (thread_.joinable()) {
        const char quit = 'q';
        (void)!::write(wakeWrite_, &quit, 1);
        thread_.join();
    }
    for (int* fd : {&wakeRead_, &wakeWrite_}) {
        if (*fd >= 0) ::close(*fd);
        *fd = -1;
    }
    while (!captures_.empty())
        CloseStream(true, captures_.begin()->first);
    while (!renders_.empty())
        CloseStream(false, renders_.begin()->first);
    if (seq_ != nullptr) snd_seq_close(seq_);
    seq_ = nullptr;
    client_ = -1;
}

void AlsaSequencerPort::Impl::Serve() {
    const int count = snd_seq_poll_descriptors_count(seq_, POLLIN);
    std::vector<pollfd> fds(static_cast<size_t>(count) + 1);
    fds[0] = {wakeRead_, POLLIN, 0};
    snd_seq_poll_descriptors(seq_, fds.data() + 1, static_cast<unsigned>(count), POLLIN);
    Reconcile();  // subscriptions made before the thread listened
    for (;;) {
        if (::poll(fds.data(), fds.size(), -1) < 0 && errno != EINTR) return;
        if (fds[0].revents != 0) return;
        for (;;) {
            snd_seq_event_t* event = nullptr;
            const int result = snd_seq_event_input(seq_, &event);
            if (result == -EAGAIN) break;
            if (result == -ENOSPC) {
                Say("sequencer input overran; some MIDI for the controllers was lost");
                continue;
            }
            if (result < 0 || event == nullptr) break;
            Handle(*event);
        }
    }
}

void AlsaSequencerPort::Impl::Handle(const snd_seq_event_t& event) {
    if (event.source.client == SND_SEQ_CLIENT_SYSTEM) {
        switch (event.type) {
            case SND_SEQ_EVENT_PORT_SUBSCRIBED:
            case SND_SEQ_EVENT_PORT_UNSUBSCRIBED:
            case SND_SEQ_EVENT_PORT_EXIT:
            case SND_SEQ_EVENT_CLIENT_EXIT:
                Reconcile();
                break;
            default:
                break;
        }
        return;
    }
    if (event.dest.port == outPort_) Render({event.source.client, event.source.port}, event);
}

std::set<Peer> AlsaSequencerPort::Impl::Subscribers(int port, snd_seq_query_subs_type_t type) {
    std::set<Peer> peers;
    snd_seq_query_subscribe_t* query;
    snd_seq_query_subscribe_alloca(&query);
    snd_seq_addr_t root{static_cast<unsigned char>(client_), static_cast<unsigned char>(port)};
    snd_seq_query_subscribe_set_root(query, &root);
    snd_seq_query_subscribe_set_type(query, type);
    snd_seq_query_subscribe_set_index(query, 0);
    while (snd_seq_query_port_subscribers(seq_, query) >= 0) {
        const snd_seq_addr_t* peer = snd_seq_query_subscribe_get_addr(query);
        // The system's announcements come in through a subscription of our own.
        if (peer->client != SND_SEQ_CLIENT_SYSTEM) peers.insert({peer->client, peer->port});
        snd_seq_query_subscribe_set_index(query, snd_seq_query_subscribe_get_index(query) + 1);
    }
    return peers;
}

bool AlsaSequencerPort::Impl::PortExists(const Peer& peer) {
    snd_seq_port_info_t* info;
    snd_seq_port_info_alloca(&info);
    return snd_seq_get_any_port_info(seq_, peer.first, peer.second, info) >= 0;
}

void AlsaSequencerPort::Impl::Reconcile() {
    const std::set<Peer> readers = Subscribers(inPort_, SND_SEQ_QUERY_SUBS_READ);
    const std::set<Peer> writers = Subscribers(outPort_, SND_SEQ_QUERY_SUBS_WRITE);
    std::vector<Peer> gone;
    for (const auto& [peer, stream] : captures_)
        if (readers.count(peer) == 0) gone.push_back(peer);
    for (const Peer& peer : gone)
        CloseStream(true, peer);
    for (const Peer& peer : readers)
        if (captures_.count(peer) == 0) OpenStream(true, peer, true);

    gone.clear();
    for (auto& [peer, stream] : renders_) {
        if (writers.count(peer) != 0) {
            stream.subscribed = true;
        } else if (stream.subscribed || !PortExists(peer)) {
            gone.push_back(peer);
        }
    }
    for (const Peer& peer : gone)
        CloseStream(false, peer);
    for (const Peer& peer : writers)
        if (renders_.count(peer) == 0) OpenStream(false, peer, true);
}

bool AlsaSequencerPort::Impl::OpenStream(bool capture, const Peer& peer, bool subscribed) {
    const char* role = capture ? "capture" : "render";
    Stream stream;
    stream.subscribed = subscribed;
    if (capture)
        stream.sink = std::make_unique<SequencerSink>(
            pool_, [this](const DMusEvent& event) { Deliver(event); });
    else
        stream.sink = std::make_unique<SequencerSink>(pool_, nullptr);
    const int32_t status = miniport_->NewStream(
        stream.mxf, capture ? kDMusStreamMidiCapture : kDMusStreamMidiRender, &pool_, clock_);
    if (status < 0 || !stream.mxf) {
        Say(std::string("the driver refused a ") + role + " stream for " + PeerText(peer));
        return false;
    }
    stream.mxf->ConnectOutput(stream.sink.get());
    MxfIf& mxf = *stream.mxf;  // the stream object stays where it is when the table moves
    if (capture) {
        std::lock_guard lock(tableMutex_);
        stream.order = nextOrder_++;
        captures_[peer] = std::move(stream);
        ChooseSpeaker();
    } else {
        renders_[peer] = std::move(stream);
    }
    if (mxf.SetState(KsState::Run) < 0)
        Say(std::string("the ") + role + " stream for " + PeerText(peer) + " did not run");
    Say(std::string(capture ? "\"QMT MIDI In\" -> " : "\"QMT MIDI Out\" <- ") + PeerText(peer) +
        (subscribed ? "" : " (sends without subscribing)"));
    // Messages posted while the stream was being connected wait in its queue.
    if (capture) Notify();
    return true;
}

void AlsaSequencerPort::Impl::CloseStream(bool capture, Peer peer) {
    std::map<Peer, Stream>& table = capture ? captures_ : renders_;
    auto it = table.find(peer);
    if (it == table.end()) return;
    Stream stream;
    {
        // Out of the table first, so no notification pulls from a stream being closed.
        std::unique_lock lock(tableMutex_, std::defer_lock);
        if (capture) lock.lock();
        stream = std::move(it->second);
        table.erase(it);
        if (capture) ChooseSpeaker();
    }
    stream.mxf->SetState(KsState::Stop);
    stream.mxf->DisconnectOutput(stream.sink.get());
    stream.mxf.reset();  // unregisters from the miniport
    Say(std::string(capture ? "\"QMT MIDI In\" -/-> " : "\"QMT MIDI Out\" <-/- ") + PeerText(peer));
}

// Needs tableMutex_ held.
void AlsaSequencerPort::Impl::ChooseSpeaker() {
    const Stream* oldest = nullptr;
    for (const auto& [peer, stream] : captures_)
        if (oldest == nullptr || stream.order < oldest->order) oldest = &stream;
    for (auto& [peer, stream] : captures_)
        stream.sink->SetSpeaking(&stream == oldest);
}

void AlsaSequencerPort::Impl::Render(const Peer& source, const snd_seq_event_t& event) {
    std::vector<uint8_t> bytes = renderCodec_.Decode(event);
    if (bytes.empty()) return;
    if (renders_.count(source) == 0 && !OpenStream(false, source, false)) return;
    DMusEvent* message = pool_.GetMessage();
    if (message == nullptr) return;
    message->channelGroup = 1;
    message->flags = kDMusEventStructured;
    message->byteCount = static_cast<uint32_t>(bytes.size());
    clock_->Now(message->presentationTime);
    if (bytes.size() <= kDMusInlineBytes) {
        std::copy(bytes.begin(), bytes.end(), message->data);
    } else {
        auto owned = std::make_shared<std::vector<uint8_t>>(std::move(bytes));
        message->dataPointer = owned->data();
        message->dataOwner = owned;
    }
    renders_[source].mxf->PutMessage(message);
}

// Runs under tableMutex_ (from Notify).
void AlsaSequencerPort::Impl::Deliver(const DMusEvent& event) {
    const uint8_t* bytes = event.byteCount > kDMusInlineBytes ? event.dataPointer : event.data;
    if (bytes == nullptr || event.byteCount == 0) return;
    for (snd_seq_event_t& out : captureCodec_.Encode({bytes, event.byteCount})) {
        snd_seq_ev_set_source(&out, inPort_);
        snd_seq_ev_set_subs(&out);
        snd_seq_ev_set_direct(&out);
        snd_seq_event_output_direct(seq_, &out);
    }
}

void AlsaSequencerPort::Impl::Notify() {
    std::lock_guard lock(tableMutex_);
    for (auto& [peer, stream] : captures_) {
        // One PutMessage moves at most one message; pull until a call moves nothing.
        for (;;) {
            const uint64_t before = pool_.handedOut();
            stream.mxf->PutMessage(nullptr);
            if (pool_.handedOut() == before) break;
        }
    }
}

AlsaSequencerPort::AlsaSequencerPort(std::shared_ptr<PortClockIf> clock, Log log)
    : impl_(std::make_unique<Impl>(std::move(clock), std::move(log))) {}

AlsaSequencerPort::~AlsaSequencerPort() {
    Close();
}

bool AlsaSequencerPort::Open(MiniportDMusIf* miniport, std::string& error) {
    return impl_->Open(miniport, error);
}

void AlsaSequencerPort::Close() {
    impl_->Close();
}

int AlsaSequencerPort::client() const {
    return impl_->client();
}

void AlsaSequencerPort::Notify() {
    impl_->Notify();
}

}  // namespace qmt
