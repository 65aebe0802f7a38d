#pragma once

// hamlib's rig daemon with its dummy rig, started on a free loopback port for a test, and a
// client that sets the dummy's dial as another program sharing the rig would. Header-only so that
// the tools' and the program's tests use it too.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace station::testing {

// A loopback port that nobody listens on now: the kernel picks it, the socket is closed again.
inline int freeLoopbackPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(fd);
    return ntohs(address.sin_port);
}

// Sends one command line to the daemon at 127.0.0.1:`port` and returns its answer (up to the
// first line break), or an empty text when it cannot be reached.
inline std::string rigCommand(int port, const std::string& command) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    std::string answer;
    timeval limit{.tv_sec = 2, .tv_usec = 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
        const std::string line = command + "\n";
        if (::send(fd, line.data(), line.size(), MSG_NOSIGNAL) ==
            static_cast<ssize_t>(line.size())) {
            char c = 0;
            while (::recv(fd, &c, 1, 0) == 1 && c != '\n') {
                answer += c;
            }
        }
    }
    ::close(fd);
    return answer;
}

// rigctld -m 1 on 127.0.0.1:`port`, killed by the destructor.
class RigDaemon {
  public:
    RigDaemon(std::string program, int port) : program_(std::move(program)), port_(port) {}
    ~RigDaemon() { stop(); }
    RigDaemon(const RigDaemon&) = delete;
    RigDaemon& operator=(const RigDaemon&) = delete;

    // Starts the daemon and waits up to five seconds for it to answer; false if it does not.
    bool start() {
        const std::string portText = std::to_string(port_);
        std::vector<std::string> args = {program_, "-m", "1", "-T", "127.0.0.1", "-t", portText};
        std::vector<char*> argv;
        for (std::string& arg : args) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        // The daemon goes with the test, also when the test is killed or crashes.
        const pid_t parent = ::getpid();
        pid_ = ::fork();
        if (pid_ == 0) {
            ::prctl(PR_SET_PDEATHSIG, SIGKILL);
            if (::getppid() != parent) {
                ::_exit(127);
            }
            ::execve(program_.c_str(), argv.data(), environ);
            ::_exit(127);
        }
        if (pid_ < 0) {
            return false;
        }
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (std::chrono::steady_clock::now() < deadline) {
            if (!rigCommand(port_, "f").empty()) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }

    void stop() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
            pid_ = -1;
        }
    }

    int port() const { return port_; }
    std::string hostPort() const { return "127.0.0.1:" + std::to_string(port_); }
    // Sets the dummy rig's dial; true when the daemon took it. A command that meets the
    // daemon busy with another client is sent again, for up to two seconds.
    bool setFrequency(long hz) { return setting("F " + std::to_string(hz)); }
    bool setMode(const std::string& mode) { return setting("M " + mode + " 2400"); }

  private:
    bool setting(const std::string& command) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        while (std::chrono::steady_clock::now() < deadline) {
            if (rigCommand(port_, command) == "RPRT 0") {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }

    std::string program_;
    int port_;
    pid_t pid_ = -1;
};

}  // namespace station::testing
