#include "SequencerClient.h"

#include <poll.h>

#include <thread>

namespace qmt::vm {

namespace {

using Clock = std::chrono::steady_clock;
constexpr size_t kCodecBuffer = 1024;

}  // namespace

std::unique_ptr<SequencerClient> SequencerClient::Open(const std::string& name,
                                                       std::string& error) {
    std::unique_ptr<SequencerClient> client(new SequencerClient());
    if (!client->open(name)) {
        error = client->error_;
        return nullptr;
    }
    return client;
}

bool SequencerClient::open(const std::string& name) {
    int result = snd_seq_open(&seq_, "default", SND_SEQ_OPEN_DUPLEX, SND_SEQ_NONBLOCK);
    if (result < 0) return fail("snd_seq_open", result);
    snd_seq_set_client_name(seq_, name.c_str());
    client_ = snd_seq_client_id(seq_);
    port_ =
        snd_seq_create_simple_port(seq_, name.c_str(),
                                   SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ |
                                       SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE,
                                   SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
    if (port_ < 0) return fail("snd_seq_create_simple_port", port_);
    queue_ = snd_seq_alloc_named_queue(seq_, name.c_str());
    if (queue_ < 0) return fail("snd_seq_alloc_queue", queue_);
    if ((result = snd_seq_start_queue(seq_, queue_, nullptr)) < 0 ||
        (result = snd_seq_drain_output(seq_)) < 0)
        return fail("snd_seq_start_queue", result);
    if ((result = snd_midi_event_new(kCodecBuffer, &codec_)) < 0)
        return fail("snd_midi_event_new", result);
    // Every message is decoded with its own status byte, as the tests compare bytes.
    snd_midi_event_no_status(codec_, 1);
    return true;
}

SequencerClient::~SequencerClient() {
    if (codec_) snd_midi_event_free(codec_);
    if (seq_) snd_seq_close(seq_);
}

bool SequencerClient::fail(const std::string& what, int result) {
    error_ = what + ": " + snd_strerror(result);
    return false;
}

std::optional<SequencerAddress> SequencerClient::findPort(const std::string& name) {
    snd_seq_client_info_t* client;
    snd_seq_port_info_t* port;
    snd_seq_client_info_alloca(&client);
    snd_seq_port_info_alloca(&port);
    snd_seq_client_info_set_client(client, -1);
    while (snd_seq_query_next_client(seq_, client) >= 0) {
        const int id = snd_seq_client_info_get_client(client);
        const bool clientMatches = name == snd_seq_client_info_get_name(client);
        snd_seq_port_info_set_client(port, id);
        snd_seq_port_info_set_port(port, -1);
        while (snd_seq_query_next_port(seq_, port) >= 0) {
            if (clientMatches || name == snd_seq_port_info_get_name(port))
                return SequencerAddress{id, snd_seq_port_info_get_port(port)};
        }
    }
    error_ = "no sequencer port named \"" + name + "\"";
    return std::nullopt;
}

std::optional<SequencerAddress> SequencerClient::waitForPort(const std::string& name,
                                                             std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        if (auto found = findPort(name)) return found;
        if (Clock::now() >= deadline) return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

bool SequencerClient::subscribeFrom(const std::string& name) {
    const auto source = findPort(name);
    if (!source) return false;
    snd_seq_port_subscribe_t* subscription;
    snd_seq_port_subscribe_alloca(&subscription);
    const snd_seq_addr_t sender{static_cast<unsigned char>(source->client),
                                static_cast<unsigned char>(source->port)};
    const snd_seq_addr_t receiver{static_cast<unsigned char>(client_),
                                  static_cast<unsigned char>(port_)};
    snd_seq_port_subscribe_set_sender(subscription, &sender);
    snd_seq_port_subscribe_set_dest(subscription, &receiver);
    snd_seq_port_subscribe_set_queue(subscription, queue_);
    snd_seq_port_subscribe_set_time_update(subscription, 1);
    snd_seq_port_subscribe_set_time_real(subscription, 1);
    const int result = snd_seq_subscribe_port(seq_, subscription);
    return result >= 0 || fail("subscribe from " + name, result);
}

bool SequencerClient::unsubscribeFrom(const std::string& name) {
    const auto source = findPort(name);
    if (!source) return false;
    const int result = snd_seq_disconnect_from(seq_, port_, source->client, source->port);
    return result >= 0 || fail("unsubscribe from " + name, result);
}

bool SequencerClient::connectTo(const std::string& name) {
    const auto target = findPort(name);
    if (!target) return false;
    const int result = snd_seq_connect_to(seq_, port_, target->client, target->port);
    return result >= 0 || fail("connect to " + name, result);
}

bool SequencerClient::disconnectFrom(const std::string& name) {
    const auto target = findPort(name);
    if (!target) return false;
    const int result = snd_seq_disconnect_to(seq_, port_, target->client, target->port);
    return result >= 0 || fail("disconnect from " + name, result);
}

bool SequencerClient::send(const std::vector<uint8_t>& midi) {
    snd_midi_event_reset_encode(codec_);
    size_t offset = 0;
    while (offset < midi.size()) {
        snd_seq_event_t event;
        snd_seq_ev_clear(&event);
        const long used = snd_midi_event_encode(codec_, midi.data() + offset,
                                                static_cast<long>(midi.size() - offset), &event);
        if (used <= 0)
            return fail("cannot encode the MIDI bytes",
                        used < 0 ? static_cast<int>(used) : -EINVAL);
        offset += static_cast<size_t>(used);
        if (event.type == SND_SEQ_EVENT_NONE) continue;  // an incomplete message so far
        snd_seq_ev_set_source(&event, port_);
        snd_seq_ev_set_subs(&event);
        snd_seq_ev_set_direct(&event);
        const int result = snd_seq_event_output_direct(seq_, &event);
        if (result < 0) return fail("snd_seq_event_output_direct", result);
    }
    return true;
}

std::optional<ReceivedMidi> SequencerClient::receive(std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        snd_seq_event_t* event = nullptr;
        const int result = snd_seq_event_input(seq_, &event);
        if (result >= 0 && event) {
            if (auto midi = decode(*event)) return midi;
            continue;  // not a MIDI message (announcements and the like)
        }
        if (result != -EAGAIN) {
            fail("snd_seq_event_input", result);
            return std::nullopt;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) return std::nullopt;
        pollfd fds[4];
        const int count = snd_seq_poll_descriptors(seq_, fds, 4, POLLIN);
        ::poll(fds, static_cast<nfds_t>(count), static_cast<int>(left.count()));
    }
}

std::optional<ReceivedMidi> SequencerClient::decode(const snd_seq_event_t& event) {
    unsigned char bytes[kCodecBuffer];
    snd_midi_event_reset_decode(codec_);
    const long length = snd_midi_event_decode(codec_, bytes, sizeof bytes, &event);
    if (length <= 0) return std::nullopt;
    ReceivedMidi midi;
    midi.bytes.assign(bytes, bytes + length);
    midi.source = {event.source.client, event.source.port};
    if (snd_seq_ev_is_real(&event))
        midi.time = std::chrono::seconds(event.time.time.tv_sec) +
                    std::chrono::nanoseconds(event.time.time.tv_nsec);
    return midi;
}

std::chrono::nanoseconds SequencerClient::now() {
    snd_seq_queue_status_t* status;
    snd_seq_queue_status_alloca(&status);
    if (snd_seq_get_queue_status(seq_, queue_, status) < 0) return std::chrono::nanoseconds(0);
    const snd_seq_real_time_t* time = snd_seq_queue_status_get_real_time(status);
    return std::chrono::seconds(time->tv_sec) + std::chrono::nanoseconds(time->tv_nsec);
}

}  // namespace qmt::vm
