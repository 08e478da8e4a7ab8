// The control socket answers every client that sends a request, whatever other clients do:
// one that connects and stays silent, or sends half a request, holds up nobody and is
// dropped after the request time-out.

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <vector>

#include "TempFolder.h"
#include "platform/ControlChannel.h"

namespace qmt {
namespace {

int ConnectRaw(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    EXPECT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    return fd;
}

ControlAnswer Echo(const ControlRequest& request) {
    return ControlAnswer{0, request.code, request.input};
}

TEST(ControlServerTest, SilentAndHalfFinishedClientsHoldUpNobody) {
    TempFolder folder;
    ControlServer server;
    server.SetRequestTimeoutMs(200);
    std::string error;
    ASSERT_TRUE(server.Start(folder.file("run/control"), Echo, error)) << error;
    const int silent = ConnectRaw(server.path());
    const int half = ConnectRaw(server.path());
    const uint32_t partial[2] = {kIoctlReloadMapping, 0};
    ASSERT_EQ(::send(half, partial, sizeof partial, 0), static_cast<ssize_t>(sizeof partial));

    const auto answer = SendControlRequest(server.path(), ControlRequest{7, {1, 2, 3}, 0});
    ASSERT_TRUE(answer.has_value());
    EXPECT_EQ(answer->information, 7u);
    EXPECT_EQ(answer->output, (std::vector<uint8_t>{1, 2, 3}));

    // Both waiting clients are dropped once their time is up: their reads see the end.
    char byte = 0;
    EXPECT_EQ(::recv(silent, &byte, 1, 0), 0);
    EXPECT_EQ(::recv(half, &byte, 1, 0), 0);
    ::close(silent);
    ::close(half);
}

TEST(ControlServerTest, ManyWaitingClientsPushOutTheOldest) {
    TempFolder folder;
    ControlServer server;
    std::string error;
    ASSERT_TRUE(server.Start(folder.file("control"), Echo, error)) << error;
    std::vector<int> waiting;
    for (int i = 0; i < 17; ++i)
        waiting.push_back(ConnectRaw(server.path()));
    // The first of seventeen silent clients goes when the seventeenth arrives...
    char byte = 0;
    EXPECT_EQ(::recv(waiting.front(), &byte, 1, 0), 0);
    // ...and a client with a request is still answered.
    EXPECT_TRUE(SendControlRequest(server.path(), ControlRequest{kIoctlPortsInUse, {}, 1}));
    for (int fd : waiting)
        ::close(fd);
}

TEST(ControlRequestParserTest, TakesRequestsInAnyPiecesAndRefusesOversizedOnes) {
    const uint32_t header[3] = {kIoctlPortsInUse, 2, 1};
    std::vector<uint8_t> wire(sizeof header);
    std::memcpy(wire.data(), header, sizeof header);
    wire.insert(wire.end(), {0xAA, 0xBB, 0xCC});  // one byte more than the request
    ControlRequestParser parser;
    size_t used = 0;
    for (size_t i = 0; i + 1 < 14; ++i)
        ASSERT_EQ(parser.Feed(&wire[i], 1, used), ControlRequestParser::State::NeedMore);
    EXPECT_EQ(parser.Feed(&wire[13], 2, used), ControlRequestParser::State::Complete);
    EXPECT_EQ(used, 1u);
    EXPECT_EQ(parser.request().code, kIoctlPortsInUse);
    EXPECT_EQ(parser.request().input, (std::vector<uint8_t>{0xAA, 0xBB}));
    EXPECT_EQ(parser.request().outputLength, 1u);

    const uint32_t huge[3] = {kIoctlReloadMapping, kMaxControlBytes + 1, 0};
    ControlRequestParser refused;
    EXPECT_EQ(refused.Feed(reinterpret_cast<const uint8_t*>(huge), sizeof huge, used),
              ControlRequestParser::State::Bad);
}

}  // namespace
}  // namespace qmt
