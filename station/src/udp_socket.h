#pragma once

// A UDP socket to one destination, bound at once to a port of its own that it keeps; used by the
// reporter and the live stream, each from its own thread.

#include <sys/socket.h>

#include <cstdint>
#include <span>
#include <string>

namespace station::detail {

class UdpSocket {
  public:
    UdpSocket() = default;
    ~UdpSocket();
    UdpSocket(const UdpSocket&) = delete;
    UdpSocket& operator=(const UdpSocket&) = delete;

    // Opens the socket to `address` (numeric) and `port`; empty on success, else why not.
    std::string open(const std::string& address, int port);
    bool isOpen() const { return handle_ >= 0; }
    // Sends one datagram without blocking; empty on success, else why not.
    std::string send(std::span<const std::uint8_t> bytes);

  private:
    int handle_ = -1;
    sockaddr_storage destination_{};
    socklen_t destinationLength_ = 0;
};

}  // namespace station::detail
