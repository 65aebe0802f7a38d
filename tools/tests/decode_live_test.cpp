// quorvin-decode as a live monitor, end to end through a real sound server: a crowded band is
// played into the private PulseAudio server's null sink while the program captures the sink's
// monitor as its sound card, reports the stations that confirmed their calls over loopback and
// streams what it hears. The reports are read back with the project's IPFIX reader.

#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <iostream>
#include <map>
#include <optional>
#include <span>
#include <sstream>
#include <string>
#include <vector>

#include "ipfix_reader.h"
#include "program_fixture.h"
#include "pskmodem/signals/cer.h"
#include "pskmodem/signals/channel.h"
#include "pskmodem/signals/testsignal.h"
#include "pskmodem/sources/audio_file.h"
#include "support/sound_server.h"
#include "support/wait.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using pskmodem::test_support::soundServer;
using pskmodem::test_support::waitUntil;
using quorvin::testing::readFile;

constexpr std::int64_t kDialHz = 14'070'000;

// A UDP socket on a free loopback port that collects every datagram sent to it.
class UdpListener {
  public:
    UdpListener() {
        fd_ = ::socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
            ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
            ADD_FAILURE() << "no UDP socket on loopback";
            return;
        }
        ::fcntl(fd_, F_SETFL, O_NONBLOCK);
        port_ = ntohs(address.sin_port);
    }
    ~UdpListener() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    UdpListener(const UdpListener&) = delete;
    UdpListener& operator=(const UdpListener&) = delete;

    std::string address() const { return "127.0.0.1:" + std::to_string(port_); }

    // Every datagram received so far.
    const std::vector<std::string>& datagrams() {
        char buffer[65536];
        for (int i = 0; i < 100000; ++i) {
            const ssize_t got = ::recv(fd_, buffer, sizeof buffer, 0);
            if (got < 0) {
                break;
            }
            received_.emplace_back(buffer, static_cast<std::size_t>(got));
        }
        return received_;
    }

  private:
    int fd_ = -1;
    int port_ = 0;
    std::vector<std::string> received_;
};

// The program, running with its output in files; ended with SIGTERM.
class Running {
  public:
    Running(const std::vector<std::string>& arguments, const fs::path& folder)
        : out_(folder / "out"), err_(folder / "err") {
        std::vector<char*> argv;
        for (const std::string& a : arguments) {
            argv.push_back(const_cast<char*>(a.c_str()));
        }
        argv.push_back(nullptr);
        posix_spawn_file_actions_t files;
        posix_spawn_file_actions_init(&files);
        posix_spawn_file_actions_addopen(&files, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&files, STDOUT_FILENO, out_.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_addopen(&files, STDERR_FILENO, err_.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (posix_spawn(&pid_, argv[0], &files, nullptr, argv.data(), environ) != 0) {
            pid_ = -1;
        }
        posix_spawn_file_actions_destroy(&files);
    }
    ~Running() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    Running(const Running&) = delete;
    Running& operator=(const Running&) = delete;

    bool started() const { return pid_ > 0; }
    std::string out() const { return readFile(out_); }
    std::string err() const { return readFile(err_); }

    // Sends `signal` and waits for the end; the exit status, or -1 when it did not end in time.
    int end(int signal, std::chrono::milliseconds timeout) {
        if (pid_ <= 0) {
            return -1;
        }
        ::kill(pid_, signal);
        int status = 0;
        if (!waitUntil([&] { return waitpid(pid_, &status, WNOHANG) == pid_; }, timeout)) {
            return -1;
        }
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    // Whether it has ended by itself.
    bool ended() {
        int status = 0;
        if (pid_ > 0 && waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            exitStatus_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        return pid_ <= 0;
    }
    // The exit status once ended() said so.
    int exitStatus() const { return exitStatus_; }

  private:
    fs::path out_;
    fs::path err_;
    pid_t pid_ = -1;
    int exitStatus_ = -1;
};

// The stations of the band: some confirm their calls ("CQ CQ de CALL CALL"), some only name one.
struct Station {
    double carrierHz;
    pskmodem::Mode mode;
    const char* text;
    const char* confirmed;  // the call the text confirms, or nullptr
    const char* reportMode;
};

const Station kStations[] = {
    {620.0, pskmodem::Mode::Bpsk, "CQ CQ de QX1ABC QX1ABC pse k\r\n", "QX1ABC", "PSK31"},
    {1010.0, pskmodem::Mode::QpskUsb, "CQ CQ de QY2BCD QY2BCD pse k\r\n", "QY2BCD", "QPSK31"},
    {1390.0, pskmodem::Mode::Bpsk, "QX1ABC de QZ3CDE rig 5 W, ant dipole. k\r\n", nullptr, ""},
    {1780.0, pskmodem::Mode::QpskUsb, "name Kim, QTH Westmoor, WX rain. BTU\r\n", nullptr, ""},
    {2210.0, pskmodem::Mode::Bpsk, "CQ CQ de QW4EFG QW4EFG pse k\r\n", "QW4EFG", "PSK31"},
};

// The band at 48000 samples/s (the sink's rate): each station starting a second after the last,
// 14 dB over the noise in 3000 Hz, and two seconds of noise after the last one ends.
std::vector<float> RecordBand() {
    constexpr double kRateHz = 48000.0;
    std::vector<float> band;
    double signalPower = 0.0;
    for (std::size_t i = 0; i < std::size(kStations); ++i) {
        pskmodem::TestSignalConfig config;
        config.mode = kStations[i].mode;
        config.carrierHz = kStations[i].carrierHz;
        config.text = kStations[i].text;
        config.noise = false;
        config.sampleRateHz = kRateHz;
        config.leadNoiseSeconds = 1.0 + static_cast<double>(i);
        config.seed = 40 + i;
        const pskmodem::TestSignal one = pskmodem::makeTestSignal(config);
        band.resize(
            std::max(band.size(), one.samples.size() + 2 * static_cast<std::size_t>(kRateHz)));
        for (std::size_t k = 0; k < one.samples.size(); ++k) band[k] += one.samples[k];
        signalPower = one.signalPower;
    }
    pskmodem::NoiseSource(pskmodem::noiseRmsForSnr(signalPower, 14.0, kRateHz), 91).add(band);
    return band;
}

class DecodeLive : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() / ("quorvin_live_" + std::to_string(getpid()));
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        band_ = (folder_ / "band.wav").string();
        const std::vector<float> band = RecordBand();
        bandSeconds_ = static_cast<double>(band.size()) / 48000.0;
        ASSERT_TRUE(pskmodem::writeAudioFile(band_, band, 48000));
    }
    void TearDown() override { fs::remove_all(folder_); }

    fs::path folder_;
    std::string band_;
    double bandSeconds_ = 0.0;
};

// The stations the reports name, read back from the datagrams of one run.
std::vector<station::testing::ReadSpot> ReportedSpots(const std::vector<std::string>& datagrams) {
    station::testing::IpfixReader reader;
    std::vector<station::testing::ReadSpot> spots;
    for (const std::string& datagram : datagrams) {
        std::string error;
        const auto message = reader.read(
            std::span(reinterpret_cast<const std::uint8_t*>(datagram.data()), datagram.size()),
            error);
        EXPECT_TRUE(message) << error;
        if (!message) {
            continue;
        }
        EXPECT_EQ(message->receivers.size(), 1U);
        for (const station::testing::ReadReceiver& receiver : message->receivers) {
            EXPECT_EQ(receiver.call, "QX9TST");
            EXPECT_EQ(receiver.locator, "JO31le");
            EXPECT_EQ(receiver.software.rfind("Quorvin ", 0), 0U) << receiver.software;
        }
        spots.insert(spots.end(), message->spots.begin(), message->spots.end());
    }
    return spots;
}

// The lines of `err` that are the program's own.
int OurLines(const std::string& err) {
    std::istringstream lines(err);
    int ours = 0;
    for (std::string line; std::getline(lines, line);) {
        ours += line.rfind("quorvin-decode: ", 0) == 0 ? 1 : 0;
    }
    return ours;
}

std::size_t CountOf(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

// The name of the sound server's input in the program's own list.
std::string PulseDevice(const fs::path& folder) {
    Running list({QUORVIN_DECODE_PROGRAM, "--list-devices"}, folder);
    EXPECT_TRUE(waitUntil([&] { return list.ended(); }, 30s));
    std::istringstream lines(list.out());
    for (std::string line; std::getline(lines, line);) {
        const std::size_t tab = line.find('\t');
        const std::string name = line.substr(tab + 1, line.find('\t', tab + 1) - tab - 1);
        if (name == "pulse") {
            return name;
        }
    }
    ADD_FAILURE() << "the sound server's input is not in the list:\n" << list.out();
    return "default";
}

TEST_F(DecodeLive, TheStationsThatConfirmedTheirCallsAreReportedOnceEach) {
    SKIP_WITHOUT_SOUND_SERVER();
    const auto began = std::chrono::steady_clock::now();
    UdpListener reports;
    UdpListener stream;
    Running program({QUORVIN_DECODE_PROGRAM, "--device", PulseDevice(folder_), "--all", "--json",
                     "--dial", std::to_string(kDialHz), "--my-call", "QX9TST", "--my-locator",
                     "JO31le", "--report", reports.address(), "--stream", stream.address(),
                     "--adif", (folder_ / "heard.adi").string()},
                    folder_);
    ASSERT_TRUE(program.started());
    // The header line comes once audio flows.
    ASSERT_TRUE(
        waitUntil([&] { return program.err().find("sound card") != std::string::npos; }, 30s))
        << program.err();
    ASSERT_TRUE(pskmodem::test_support::runToEnd(
        {"paplay", std::string("--device=") + pskmodem::test_support::kSoundServerSink, band_},
        60s));
    // Every station's line has come through the stream.
    const auto linesIn = [&] {
        int lines = 0;
        for (const std::string& message : stream.datagrams()) {
            lines += message.find("\"type\":\"line\"") != std::string::npos ? 1 : 0;
        }
        return lines >= static_cast<int>(std::size(kStations));
    };
    // Lines still open when the program ends come with its end; each is checked below.
    waitUntil(linesIn, 20s);
    const auto played = std::chrono::steady_clock::now();
    ASSERT_EQ(program.end(SIGTERM, 30s), 0) << program.err();
    const double endSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - played).count();

    // Each station's line in the stream, at its frequency on the air. The first characters a
    // receiver makes of a signal while locking on may be missing, and a busy machine may drop
    // some audio, so the line nearest in text among those at the station's frequency counts.
    for (const Station& s : kStations) {
        const std::string text(s.text);
        const std::string tail = text.substr(8, text.size() - 10);
        const double rfHz = static_cast<double>(kDialHz) + s.carrierHz;
        double best = 1.0;
        std::string nearest;
        for (const std::string& m : stream.datagrams()) {
            const std::size_t rf = m.find("\"rf_hz\":");
            const std::size_t at = m.find("\"text\":\"");
            if (m.find("\"type\":\"line\"") == std::string::npos || rf == std::string::npos ||
                at == std::string::npos || std::abs(std::stod(m.substr(rf + 8)) - rfHz) > 10.0) {
                continue;
            }
            const std::string received = m.substr(at + 8, m.rfind('"') - at - 8);
            const std::size_t from =
                received.size() > tail.size() ? received.size() - tail.size() : 0;
            const double cer = pskmodem::characterErrorRate(tail, received.substr(from));
            if (cer < best) {
                best = cer;
                nearest = m;
            }
        }
        // Audio the program had to drop (it says so) may garble a line. A station that confirms
        // no call sends one short line, which the band decoder on a loaded machine now and then
        // places too late or in the wrong mode; it is told, not failed.
        if (s.confirmed == nullptr && best > 0.15) {
            std::cout << "unconfirmed station's line not read: " << tail << "\n";
        } else if (program.err().find("audio were lost") == std::string::npos) {
            EXPECT_LE(best, 0.15) << tail << "\n nearest line: " << nearest;
        } else if (best > 0.15) {
            std::cout << "audio lost on a busy machine; garbled: " << nearest << "\n";
        }
    }

    // The heard log has the same stations.
    const std::string log = readFile(folder_ / "heard.adi");
    for (const Station& s : kStations) {
        if (s.confirmed != nullptr) {
            EXPECT_NE(log.find(std::string("<CALL:6>") + s.confirmed), std::string::npos)
                << s.confirmed << " in\n"
                << log;
        }
    }
    EXPECT_EQ(CountOf(log, "<EOR>"), 3U) << log;
    // The reports: sent at the clean end, each confirmed station once.
    ASSERT_TRUE(waitUntil([&] { return !reports.datagrams().empty(); }, 5s)) << program.err();
    const std::vector<station::testing::ReadSpot> spots = ReportedSpots(reports.datagrams());
    std::map<std::string, int> seen;
    double worstHz = 0.0;
    for (const auto& spot : spots) {
        ++seen[spot.call];
        const auto station = std::find_if(
            std::begin(kStations), std::end(kStations),
            [&](const Station& s) { return s.confirmed != nullptr && spot.call == s.confirmed; });
        ASSERT_NE(station, std::end(kStations)) << spot.call << " confirmed no call";
        const double errorHz = std::abs(static_cast<double>(spot.frequencyHz) -
                                        (static_cast<double>(kDialHz) + station->carrierHz));
        worstHz = std::max(worstHz, errorHz);
        EXPECT_LE(errorHz, 10.0) << spot.call << " at " << spot.frequencyHz;
        EXPECT_EQ(spot.mode, station->reportMode) << spot.call;
        // 14 dB over the noise in 3000 Hz, as recorded.
        EXPECT_NEAR(spot.snrDb, 14, 4) << spot.call;
        EXPECT_EQ(spot.informationSource, 1) << spot.call;
    }
    for (const Station& s : kStations) {
        if (s.confirmed != nullptr) {
            EXPECT_EQ(seen[s.confirmed], 1) << s.confirmed;
        }
    }
    EXPECT_EQ(spots.size(), 3U);
    // The program's own output: every signal reported as JSON at the end.
    EXPECT_NE(program.out().find("\"calls\":[\"QX1ABC\"]"), std::string::npos) << program.out();
    std::cout << "live monitor: " << spots.size() << " spots of 3 expected, worst RF error "
              << worstHz << " Hz, " << stream.datagrams().size()
              << " stream messages, SIGTERM to exit " << endSeconds << " s, "
              << std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count()
              << " s in all\n";
}

// The sound server dies while the program listens and comes back: one line says the card was
// lost, one that it is back, and what is played afterwards is decoded.
TEST_F(DecodeLive, ALostSoundCardIsWaitedForAndDecodingGoesOn) {
    SKIP_WITHOUT_SOUND_SERVER();
    using Clock = std::chrono::steady_clock;
    const std::string device = PulseDevice(folder_);
    Running program({QUORVIN_DECODE_PROGRAM, "--device", device, "--all"}, folder_);
    const auto told = [&](const char* line) {
        return waitUntil([&] { return program.err().find(line) != std::string::npos; }, 30s);
    };
    ASSERT_TRUE(told("quorvin-decode: sound card")) << program.err();
    soundServer().kill(SIGKILL);
    const auto died = Clock::now();
    ASSERT_TRUE(told("quorvin-decode: the sound card was lost; opening it again every 2 s"))
        << program.err();
    const double noticed = std::chrono::duration<double>(Clock::now() - died).count();
    ASSERT_TRUE(soundServer().start());
    const auto up = Clock::now();
    ASSERT_TRUE(told("quorvin-decode: the sound card is back")) << program.err();
    const double back = std::chrono::duration<double>(Clock::now() - up).count();
    ASSERT_TRUE(pskmodem::test_support::runToEnd(
        {"paplay", std::string("--device=") + pskmodem::test_support::kSoundServerSink, band_},
        60s));
    ASSERT_EQ(program.end(SIGINT, 30s), 0) << program.err();
    const std::string out = program.out();
    for (const char* call : {"QX1ABC", "QY2BCD", "QW4EFG"}) {
        EXPECT_NE(out.find(call), std::string::npos) << call << " in\n" << out;
    }
    // One line each: the header, the loss and the return (the audio library may add its own).
    EXPECT_EQ(OurLines(program.err()), 3) << program.err();
    std::cout << "live monitor: loss noticed after " << noticed << " s, capture back " << back
              << " s after the server\n";
}

TEST_F(DecodeLive, ASoundCardNoDeviceIsNamedAsIsBadInput) {
    SKIP_WITHOUT_SOUND_SERVER();
    Running program({QUORVIN_DECODE_PROGRAM, "--device", "No Such Card", "--all"}, folder_);
    ASSERT_TRUE(waitUntil([&] { return program.ended(); }, 30s));
    EXPECT_EQ(program.exitStatus(), 2);
    // One line (a sanitizer build's leak checker may add its summary after it).
    const std::string err = program.err();
    EXPECT_EQ(err.substr(0, err.find('\n') + 1),
              "quorvin-decode: no input device is named \"No Such Card\" (quorvin-decode "
              "--list-devices lists them)\n");
    EXPECT_EQ(OurLines(err), 1) << err;
}

// The stream follows any input: every signal of a recording with --all, the one signal without.
TEST_F(DecodeLive, AFileIsStreamedLineByLine) {
    const struct {
        std::vector<std::string> options;
        std::size_t lines;
    } cases[] = {
        {{"--all"}, std::size(kStations)},
        {{"--freq", "1010", "--mode", "qpsk-usb"}, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.options.front());
        UdpListener stream;
        std::vector<std::string> arguments{QUORVIN_DECODE_PROGRAM, band_, "--stream",
                                           stream.address()};
        arguments.insert(arguments.end(), c.options.begin(), c.options.end());
        Running program(arguments, folder_);
        ASSERT_TRUE(waitUntil([&] { return program.ended(); }, 60s));
        EXPECT_EQ(program.exitStatus(), 0) << program.err();
        std::size_t lines = 0;
        std::size_t bands = 0;
        const auto streamed = [&] {
            lines = 0;
            bands = 0;
            for (const std::string& message : stream.datagrams()) {
                lines += message.rfind("{\"type\":\"line\"", 0) == 0 ? 1U : 0U;
                bands += message.rfind("{\"type\":\"band\"", 0) == 0 ? 1U : 0U;
            }
            return lines >= c.lines;
        };
        EXPECT_TRUE(waitUntil(streamed, 5s));
        // Without --all the squelch is open, and the noise around the signal may make lines too.
        if (c.options.front() == "--all") {
            EXPECT_EQ(lines, c.lines);
        } else {
            EXPECT_GE(lines, c.lines);
        }
        // A band snapshot every 5 s of the recording.
        EXPECT_EQ(bands, static_cast<std::size_t>(bandSeconds_ / 5.0));
        const auto& messages = stream.datagrams();
        const bool qpsk = std::any_of(messages.begin(), messages.end(), [](const auto& m) {
            return m.find("\"mode\":\"qpsk31-usb\"") != std::string::npos &&
                   m.find("QY2BCD pse k\"") != std::string::npos;
        });
        EXPECT_TRUE(qpsk);
    }
}

TEST_F(DecodeLive, TheSameBandFromAFileReportsNothingAndSaysSo) {
    UdpListener reports;
    Running program({QUORVIN_DECODE_PROGRAM, band_, "--all", "--dial", std::to_string(kDialHz),
                     "--my-call", "QX9TST", "--report", reports.address()},
                    folder_);
    ASSERT_TRUE(waitUntil([&] { return program.ended(); }, 60s));
    EXPECT_EQ(program.exitStatus(), 0);
    const std::string err = program.err();
    EXPECT_NE(err.find("quorvin-decode: reception reports are sent only for what a sound card "
                       "receives"),
              std::string::npos)
        << err;
    EXPECT_EQ(OurLines(err), 1) << err;
    EXPECT_NE(program.out().find("QX1ABC"), std::string::npos) << "the band is decoded";
    EXPECT_FALSE(waitUntil([&] { return !reports.datagrams().empty(); }, 1s));
}

}  // namespace
