#include "platform/sim/SimMidiPort.h"

#include <chrono>

namespace qmt {

namespace {
constexpr int32_t kStatusUnsuccessful = static_cast<int32_t>(0xC0000001u);
constexpr int32_t kStatusInsufficientResources = static_cast<int32_t>(0xC000009Au);
}  // namespace

// What the application connects a stream's output to: captured events are recorded and
// handed back to the allocator at once.
class SimMidiPort::ApplicationSink final : public MxfIf {
  public:
    ApplicationSink(SimMidiPort& port, int stream) : port_(port), stream_(stream) {}

    int32_t SetState(KsState) override { return 0; }
    int32_t ConnectOutput(MxfIf*) override { return 0; }
    int32_t DisconnectOutput(MxfIf*) override { return 0; }
    int32_t PutMessage(DMusEvent* events) override {
        for (DMusEvent* e = events; e != nullptr; e = e->next) {
            const uint8_t* bytes = e->byteCount > kDMusInlineBytes ? e->dataPointer : e->data;
            ReceivedMidi message{stream_, e->presentationTime, {}};
            if (bytes != nullptr) message.bytes.assign(bytes, bytes + e->byteCount);
            port_.Record(std::move(message));
        }
        return port_.allocator_.PutMessage(events);
    }

  private:
    SimMidiPort& port_;
    int stream_;
};

SimMidiPort::SimMidiPort(std::shared_ptr<PortClockIf> clock, size_t allocatorEvents, SimPull pull)
    : clock_(std::move(clock)),
      allocator_(allocatorEvents),
      pullOnPortThread_(pull == SimPull::OnPortThread) {
    if (pullOnPortThread_) puller_ = std::thread([this] { PullLoop(); });
}

SimMidiPort::~SimMidiPort() {
    if (puller_.joinable()) {
        {
            std::lock_guard lock(pullMutex_);
            pullStop_ = true;
        }
        pullWanted_.notify_one();
        puller_.join();
    }
    CloseAll();
}

int SimMidiPort::Open(uint32_t streamType, int32_t* status) {
    std::unique_ptr<MxfIf> mxf;
    const int32_t result = miniport_ == nullptr
                               ? kStatusUnsuccessful
                               : miniport_->NewStream(mxf, streamType, &allocator_, clock_);
    if (status != nullptr) *status = result;
    if (result < 0 || !mxf) return 0;
    std::lock_guard lock(mutex_);
    const int id = nextId_++;
    Stream& stream = streams_[id];
    stream.type = streamType;
    stream.sink = std::make_unique<ApplicationSink>(*this, id);
    stream.mxf = std::move(mxf);
    return id;
}

std::shared_ptr<MxfIf> SimMidiPort::Find(int stream, ApplicationSink** sink, bool* connected) {
    std::lock_guard lock(mutex_);
    auto it = streams_.find(stream);
    if (it == streams_.end()) return nullptr;
    if (sink != nullptr) *sink = it->second.sink.get();
    if (connected != nullptr) *connected = it->second.connected;
    return it->second.mxf;
}

// Stream calls run without the table lock: a state change may wait for a reader thread
// that is itself delivering through Notify.
int32_t SimMidiPort::SetState(int stream, KsState state) {
    std::shared_ptr<MxfIf> mxf = Find(stream);
    return mxf ? mxf->SetState(state) : kStatusUnsuccessful;
}

int32_t SimMidiPort::Connect(int stream) {
    ApplicationSink* sink = nullptr;
    std::shared_ptr<MxfIf> mxf = Find(stream, &sink);
    if (!mxf) return kStatusUnsuccessful;
    const int32_t status = mxf->ConnectOutput(sink);
    if (status >= 0) {
        std::lock_guard lock(mutex_);
        streams_[stream].connected = true;
    }
    return status;
}

int32_t SimMidiPort::Disconnect(int stream) {
    ApplicationSink* sink = nullptr;
    std::shared_ptr<MxfIf> mxf = Find(stream, &sink);
    if (!mxf) return kStatusUnsuccessful;
    const int32_t status = mxf->DisconnectOutput(sink);
    if (status >= 0) {
        std::lock_guard lock(mutex_);
        streams_[stream].connected = false;
    }
    return status;
}

void SimMidiPort::Close(int stream) {
    bool connected = false;
    std::shared_ptr<MxfIf> mxf = Find(stream, nullptr, &connected);
    if (!mxf) return;
    mxf->SetState(KsState::Stop);
    if (connected) Disconnect(stream);
    Stream closing;
    {
        std::lock_guard lock(mutex_);
        auto it = streams_.find(stream);
        closing = std::move(it->second);
        streams_.erase(it);
    }
    mxf.reset();
    // The stream unregisters from the miniport here, outside the table lock.
    closing.mxf.reset();
}

void SimMidiPort::CloseAll() {
    std::vector<int> ids;
    {
        std::lock_guard lock(mutex_);
        for (const auto& [id, stream] : streams_)
            ids.push_back(id);
    }
    for (int id : ids)
        Close(id);
}

DMusEvent* SimMidiPort::BuildChain(const std::vector<RenderEventItem>& events) {
    DMusEvent* head = nullptr;
    DMusEvent** tail = &head;
    for (const RenderEventItem& wanted : events) {
        DMusEvent* event = allocator_.GetMessage();
        if (event == nullptr) break;
        event->flags = wanted.flags;
        event->channelGroup = 1;
        event->presentationTime = wanted.time;
        if (wanted.flags & kDMusEventPackage) {
            event->package = BuildChain(wanted.members);
            event->byteCount = 16;  // a package carries a pointer, never inline bytes
        } else {
            event->byteCount = static_cast<uint32_t>(wanted.bytes.size());
            if (wanted.bytes.size() <= kDMusInlineBytes) {
                std::copy(wanted.bytes.begin(), wanted.bytes.end(), event->data);
            } else {
                auto owned = std::make_shared<std::vector<uint8_t>>(wanted.bytes);
                event->dataPointer = owned->data();
                event->dataOwner = owned;
            }
        }
        *tail = event;
        tail = &event->next;
    }
    return head;
}

int32_t SimMidiPort::Send(int stream, const std::vector<RenderEventItem>& events) {
    std::shared_ptr<MxfIf> mxf = Find(stream);
    if (!mxf) return kStatusUnsuccessful;
    DMusEvent* chain = BuildChain(events);
    if (chain == nullptr && !events.empty()) return kStatusInsufficientResources;
    return mxf->PutMessage(chain);
}

void SimMidiPort::Notify() {
    if (!pullOnPortThread_) {
        PullAll();
        return;
    }
    {
        std::lock_guard lock(pullMutex_);
        pullPending_ = true;
    }
    pullWanted_.notify_one();
}

void SimMidiPort::PullLoop() {
    std::unique_lock lock(pullMutex_);
    for (;;) {
        pullWanted_.wait(lock, [this] { return pullPending_ || pullStop_; });
        if (pullStop_) return;
        pullPending_ = false;
        lock.unlock();
        PullAll();
        lock.lock();
    }
}

void SimMidiPort::PullAll() {
    std::lock_guard lock(mutex_);
    for (auto& [id, stream] : streams_) {
        if (stream.type != kDMusStreamMidiCapture) continue;
        // One PutMessage moves at most one message; pull until a call moves nothing.
        for (;;) {
            const uint64_t before = allocator_.handedOut();
            stream.mxf->PutMessage(nullptr);
            if (allocator_.handedOut() == before) break;
        }
    }
}

void SimMidiPort::Record(ReceivedMidi message) {
    Listener listener;
    {
        std::lock_guard lock(receivedMutex_);
        listener = listener_;
        received_.push_back(message);
        receivedChanged_.notify_all();
    }
    if (listener) listener(message);
}

std::vector<ReceivedMidi> SimMidiPort::received() {
    std::lock_guard lock(receivedMutex_);
    return received_;
}

void SimMidiPort::ClearReceived() {
    std::lock_guard lock(receivedMutex_);
    std::vector<ReceivedMidi>().swap(received_);
}

bool SimMidiPort::WaitForReceived(size_t count, uint32_t timeoutMs) {
    std::unique_lock lock(receivedMutex_);
    return receivedChanged_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                     [&] { return received_.size() >= count; });
}

void SimMidiPort::SetListener(Listener listener) {
    std::lock_guard lock(receivedMutex_);
    listener_ = std::move(listener);
}

}  // namespace qmt
