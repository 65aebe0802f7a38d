#pragma once

// A UDP socket on a free loopback port that a test reads the datagrams sent to it from, each with
// a deadline. Header-only, for the station's tests and the tools' and program's.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

namespace station::testing {

struct Datagram {
    std::vector<std::uint8_t> bytes;
    int sourcePort = 0;
};

class UdpReceiver {
  public:
    UdpReceiver() {
        handle_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        ::bind(handle_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::getsockname(handle_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
    }
    ~UdpReceiver() { ::close(handle_); }
    UdpReceiver(const UdpReceiver&) = delete;
    UdpReceiver& operator=(const UdpReceiver&) = delete;

    int port() const { return port_; }

    // The next datagram, waiting at most `limit` for it.
    std::optional<Datagram> receive(std::chrono::milliseconds limit = std::chrono::seconds(5)) {
        pollfd ready{.fd = handle_, .events = POLLIN, .revents = 0};
        if (::poll(&ready, 1, static_cast<int>(limit.count())) != 1) return std::nullopt;
        Datagram datagram;
        datagram.bytes.resize(65536);
        sockaddr_in source{};
        socklen_t length = sizeof source;
        const ssize_t n = ::recvfrom(handle_, datagram.bytes.data(), datagram.bytes.size(), 0,
                                     reinterpret_cast<sockaddr*>(&source), &length);
        if (n < 0) return std::nullopt;
        datagram.bytes.resize(static_cast<std::size_t>(n));
        datagram.sourcePort = ntohs(source.sin_port);
        return datagram;
    }

  private:
    int handle_ = -1;
    int port_ = 0;
};

}  // namespace station::testing
