#include "station/resolve.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <system_error>

#include "udp_socket.h"

namespace station {

std::optional<std::string> resolveHost(const std::string& host, std::string& error) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_DGRAM;
    hints.ai_flags = AI_ADDRCONFIG;
    addrinfo* found = nullptr;
    const int result = ::getaddrinfo(host.c_str(), nullptr, &hints, &found);
    if (result != 0) {
        error = result == EAI_SYSTEM ? std::generic_category().message(errno)
                                     : std::string(::gai_strerror(result));
        return std::nullopt;
    }
    std::optional<std::string> address;
    for (const addrinfo* a = found; a != nullptr && !address; a = a->ai_next) {
        char text[INET6_ADDRSTRLEN] = {};
        const void* raw = nullptr;
        if (a->ai_family == AF_INET) {
            raw = &reinterpret_cast<const sockaddr_in*>(a->ai_addr)->sin_addr;
        } else if (a->ai_family == AF_INET6) {
            raw = &reinterpret_cast<const sockaddr_in6*>(a->ai_addr)->sin6_addr;
        }
        if (raw != nullptr && ::inet_ntop(a->ai_family, raw, text, sizeof text) != nullptr) {
            address = text;
        }
    }
    ::freeaddrinfo(found);
    if (!address) error = "no address";
    return address;
}

namespace detail {

UdpSocket::~UdpSocket() {
    if (handle_ >= 0) ::close(handle_);
}

std::string UdpSocket::open(const std::string& address, int port) {
    if (handle_ >= 0) return {};
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_DGRAM;
    hints.ai_flags = AI_NUMERICHOST | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(port);
    if (::getaddrinfo(address.c_str(), service.c_str(), &hints, &found) != 0 || found == nullptr) {
        return "not an address: " + address;
    }
    std::memcpy(&destination_, found->ai_addr, found->ai_addrlen);
    destinationLength_ = found->ai_addrlen;
    const int family = found->ai_family;
    ::freeaddrinfo(found);

    const int handle = ::socket(family, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (handle < 0) return std::generic_category().message(errno);
    // Bound now: the port stays the same for every datagram of the session.
    sockaddr_storage local{};
    local.ss_family = static_cast<sa_family_t>(family);
    const socklen_t localLength = family == AF_INET6 ? sizeof(sockaddr_in6) : sizeof(sockaddr_in);
    if (::bind(handle, reinterpret_cast<const sockaddr*>(&local), localLength) != 0) {
        const int error = errno;
        ::close(handle);
        return std::generic_category().message(error);
    }
    handle_ = handle;
    return {};
}

std::string UdpSocket::send(std::span<const std::uint8_t> bytes) {
    const ssize_t sent =
        ::sendto(handle_, bytes.data(), bytes.size(), MSG_DONTWAIT | MSG_NOSIGNAL,
                 reinterpret_cast<const sockaddr*>(&destination_), destinationLength_);
    if (sent == static_cast<ssize_t>(bytes.size())) return {};
    return std::generic_category().message(sent < 0 ? errno : EMSGSIZE);
}

}  // namespace detail
}  // namespace station
