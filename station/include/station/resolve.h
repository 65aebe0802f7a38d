#pragma once

// Finding a host's address for the station's UDP senders, on their own threads.

#include <functional>
#include <optional>
#include <string>

namespace station {

// The host's address as a numeric text ("127.0.0.1", "2001:db8::1"), or nothing with `error`
// set. It may block; the senders call it on their own threads. Tests inject their own.
using HostResolver =
    std::function<std::optional<std::string>(const std::string& host, std::string& error)>;

// getaddrinfo's first address for a datagram socket.
std::optional<std::string> resolveHost(const std::string& host, std::string& error);

}  // namespace station
