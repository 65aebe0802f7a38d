#include "station/stream.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

#include "pskmodem/codec/windows1252.h"
#include "udp_receiver.h"

namespace station {
namespace {

using pskmodem::windows1252ToUnicode;

// Reads back a JSON string made by jsonString(): the 8-bit codes it stands for, or nothing when
// it is not a well-formed string of that kind.
std::optional<std::string> readJsonString(std::string_view json) {
    if (json.size() < 2 || json.front() != '"' || json.back() != '"') return std::nullopt;
    std::string out;
    for (std::size_t i = 1; i + 1 < json.size(); ++i) {
        const char c = json[i];
        if (c == '"') return std::nullopt;  // an unescaped quote inside
        if (c != '\\') {
            out += c;
            continue;
        }
        if (++i + 1 >= json.size()) return std::nullopt;
        switch (json[i]) {
            case '"':
                out += '"';
                break;
            case '\\':
                out += '\\';
                break;
            case 'b':
                out += '\b';
                break;
            case 'f':
                out += '\f';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case 'u': {
                if (i + 4 >= json.size()) return std::nullopt;
                const auto codePoint = static_cast<char32_t>(
                    std::stoul(std::string(json.substr(i + 1, 4)), nullptr, 16));
                i += 4;
                std::optional<int> code;
                for (int b = 0; b < 256 && !code; ++b) {
                    if (windows1252ToUnicode(static_cast<std::uint8_t>(b)) == codePoint) code = b;
                }
                if (!code) return std::nullopt;
                out += static_cast<char>(*code);
                break;
            }
            default:
                return std::nullopt;
        }
    }
    return out;
}

TEST(StreamJson, StringsEscapeEveryByteAsPureAscii) {
    EXPECT_EQ(jsonString(""), "\"\"");
    EXPECT_EQ(jsonString("CQ de QX1ABC"), "\"CQ de QX1ABC\"");
    EXPECT_EQ(jsonString("say \"hi\" \\ bye"), "\"say \\\"hi\\\" \\\\ bye\"");
    EXPECT_EQ(jsonString("a\r\nb\tc\bd\fe"), "\"a\\r\\nb\\tc\\bd\\fe\"");
    EXPECT_EQ(jsonString(std::string_view("\0\x01\x1f\x7f", 4)),
              "\"\\u0000\\u0001\\u001f\\u007f\"");
    EXPECT_EQ(jsonString("\x80\x81\xe9\xff"), "\"\\u20ac\\u0081\\u00e9\\u00ff\"");
    EXPECT_EQ(jsonString("/"), "\"/\"");

    // Every code, in every position, comes back the same, and nothing outside printable ASCII
    // is left in the output.
    std::string all;
    for (int c = 0; c < 256; ++c) all += static_cast<char>(c);
    for (const std::string& text : {all, "x" + all + all + "y"}) {
        const std::string json = jsonString(text);
        for (const char c : json) {
            EXPECT_TRUE(c >= 0x20 && c < 0x7F) << static_cast<int>(static_cast<unsigned char>(c));
        }
        EXPECT_EQ(readJsonString(json), text);
    }
}

TEST(StreamJson, ModeNamesCarryTheSpeedAndTheSideband) {
    using pskmodem::Mode;
    using pskmodem::Speed;
    struct Case {
        Mode mode;
        Speed speed;
        std::string_view name;
    };
    const Case cases[] = {
        {Mode::Bpsk, Speed::Psk31, "bpsk31"},
        {Mode::QpskUsb, Speed::Psk31, "qpsk31-usb"},
        {Mode::QpskLsb, Speed::Psk31, "qpsk31-lsb"},
        {Mode::Bpsk, Speed::Psk63, "bpsk63"},
        {Mode::QpskLsb, Speed::Psk125, "qpsk125-lsb"},
        {Mode::QpskUsb, Speed::Psk250, "qpsk250-usb"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(jsonModeName(c.mode, c.speed), c.name);
    }
}

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr std::int64_t kTime = 1'796'738'587;  // 2026-12-08 14:03:07 UTC

TEST(StreamJson, ALineOfASignal) {
    using pskmodem::Mode;
    using pskmodem::Speed;
    struct Case {
        StreamSignal signal;
        std::string_view json;
    };
    const Case cases[] = {
        {{1520.4, 14'071'520, Mode::Bpsk, Speed::Psk31, 12.34, -27.6, {"QR9ZZ"}, "CQ de QR9ZZ"},
         R"({"type":"line","time":"2026-12-08T14:03:07Z","frequency_hz":1520,"rf_hz":14071520,)"
         R"("mode":"bpsk31","snr_db":12.3,"imd_db":-28,"calls":["QR9ZZ"],"text":"CQ de QR9ZZ"})"},
        {{999.5, std::nullopt, Mode::QpskLsb, Speed::Psk63, kNaN, kNaN, {}, "a\"b\r\n\xe9"},
         R"({"type":"line","time":"2026-12-08T14:03:07Z","frequency_hz":1000,"rf_hz":null,)"
         R"("mode":"qpsk63-lsb","snr_db":null,"imd_db":null,"calls":[],"text":"a\"b\r\n\u00e9"})"},
        {{700, 7'040'700, Mode::QpskUsb, Speed::Psk31, -3.05, kNaN, {"QR9ZZ", "QX2ABC/P"}, ""},
         R"({"type":"line","time":"2026-12-08T14:03:07Z","frequency_hz":700,"rf_hz":7040700,)"
         R"("mode":"qpsk31-usb","snr_db":-3.0,"imd_db":null,"calls":["QR9ZZ","QX2ABC/P"],)"
         R"("text":""})"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(streamLineJson(c.signal, kTime), c.json);
    }
}

TEST(StreamJson, ABandSnapshot) {
    const std::vector<StreamSignal> signals{
        {1520, 14'071'520, pskmodem::Mode::Bpsk, pskmodem::Speed::Psk31, 12, -28, {"QR9ZZ"}, "k"},
        {800, 14'070'800, pskmodem::Mode::QpskUsb, pskmodem::Speed::Psk125, 3, kNaN, {}, ""}};
    EXPECT_EQ(streamBandJson(signals, 14'070'000, kTime),
              R"({"type":"band","time":"2026-12-08T14:03:07Z","dial_hz":14070000,"signals":[)"
              R"({"frequency_hz":1520,"rf_hz":14071520,"mode":"bpsk31","snr_db":12.0,"imd_db":-28,)"
              R"("calls":["QR9ZZ"],"text":"k"},{"frequency_hz":800,"rf_hz":14070800,)"
              R"("mode":"qpsk125-usb","snr_db":3.0,"imd_db":null,"calls":[],"text":""}]})");
    EXPECT_EQ(streamBandJson({}, std::nullopt, 0),
              R"({"type":"band","time":"1970-01-01T00:00:00Z","dial_hz":null,"signals":[]})");
}

// The end of `text` as it stands at the end of its JSON string: escaped, without the quotes.
std::string escapedTail(const std::string& text, std::size_t bytes) {
    const std::string json = jsonString(std::string_view(text).substr(text.size() - bytes));
    return json.substr(1, json.size() - 2);
}

TEST(StreamJson, TextsAreCutToFitADatagramKeepingTheNewest) {
    // 40 signals with 5000 bytes of text each, half of them characters that take six bytes.
    std::vector<StreamSignal> signals;
    for (int i = 0; i < 40; ++i) {
        StreamSignal signal;
        signal.frequencyHz = 500 + 50 * i;
        for (int k = 0; k < 2500; ++k) signal.text += (k % 2 == 0) ? "\xe9" : "x";
        signal.text += "QR" + std::to_string(i) + "ZZ end";
        signal.text += std::string(2500 - signal.text.size() % 2500, 'y');
        signals.push_back(signal);
    }
    const std::string band = streamBandJson(signals, 14'070'000, kTime);
    EXPECT_LE(band.size(), kMaxStreamDatagramBytes);
    EXPECT_GT(band.size(), kMaxStreamDatagramBytes - 40 * 6);  // cut no more than needed
    for (const StreamSignal& signal : signals) {
        EXPECT_NE(band.find(escapedTail(signal.text, 200) + "\"}"), std::string::npos);
    }

    StreamSignal line = signals[0];
    line.text = std::string(100'000, '\x01') + "the newest";
    const std::string json = streamLineJson(line, kTime);
    EXPECT_LE(json.size(), kMaxStreamDatagramBytes);
    EXPECT_GT(json.size(), kMaxStreamDatagramBytes - 6);
    EXPECT_NE(json.find("\\u0001the newest\"}"), std::string::npos);

    // So many signals that not even their figures fit: the first ones that do.
    std::vector<StreamSignal> crowd(2000, signals[0]);
    const std::string crowded = streamBandJson(crowd, 14'070'000, kTime);
    EXPECT_LE(crowded.size(), kMaxStreamDatagramBytes);
    EXPECT_GT(crowded.size(), kMaxStreamDatagramBytes / 2);
    EXPECT_EQ(crowded.substr(crowded.size() - 2), "]}");
}

// Waits, at most `limit`, until `condition` holds.
template <typename Condition>
bool waitFor(Condition condition, std::chrono::seconds limit = std::chrono::seconds(5)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

std::string text(const testing::Datagram& datagram) {
    return std::string(datagram.bytes.begin(), datagram.bytes.end());
}

TEST(StreamSender, EachMessageIsOneDatagramInOrderFromOnePort) {
    testing::UdpReceiver receiver;
    StreamSender sender("127.0.0.1", receiver.port());
    const std::string big(kMaxStreamDatagramBytes, 'z');
    const std::string messages[] = {"{\"type\":\"line\"}", "{}", big};
    for (const std::string& message : messages) sender.send(message);
    int port = 0;
    for (const std::string& message : messages) {
        const std::optional<testing::Datagram> datagram = receiver.receive();
        ASSERT_TRUE(datagram);
        EXPECT_EQ(text(*datagram), message);
        if (port != 0) {
            EXPECT_EQ(datagram->sourcePort, port);
        }
        port = datagram->sourcePort;
    }
    EXPECT_TRUE(waitFor([&] { return sender.sent() == 3; }));
    EXPECT_EQ(sender.lastError(), "");
    EXPECT_EQ(sender.dropped(), 0u);
}

// A resolution that waits until the test opens the gate.
struct Gate {
    std::mutex mutex;
    std::condition_variable changed;
    bool open = false;
    bool returned = false;

    HostResolver resolver(std::optional<std::string> answer) {
        return [this, answer](const std::string&, std::string& error) {
            std::unique_lock lock(mutex);
            changed.wait_for(lock, std::chrono::seconds(20), [&] { return open; });
            returned = true;
            changed.notify_all();
            if (!answer) error = "no such host";
            return answer;
        };
    }
    void openAndWait() {
        std::unique_lock lock(mutex);
        open = true;
        changed.notify_all();
        changed.wait_for(lock, std::chrono::seconds(10), [&] { return returned; });
    }
};

TEST(StreamSender, AFullQueueDropsTheOldest) {
    testing::UdpReceiver receiver;
    auto gate = std::make_shared<Gate>();
    StreamSender sender("example.test", receiver.port(),
                        StreamOptions{.resolve = gate->resolver("127.0.0.1"), .maxQueued = 50});
    for (int i = 0; i < 80; ++i) sender.send(std::to_string(i));
    EXPECT_EQ(sender.dropped(), 30u);
    gate->openAndWait();
    for (int i = 30; i < 80; ++i) {
        const std::optional<testing::Datagram> datagram = receiver.receive();
        ASSERT_TRUE(datagram);
        EXPECT_EQ(text(*datagram), std::to_string(i));
    }
    EXPECT_TRUE(waitFor([&] { return sender.sent() == 50; }));
}

TEST(StreamSender, ANameThatDoesNotResolveIsAnErrorAndTheEndDoesNotWaitForIt) {
    testing::UdpReceiver receiver;
    {
        StreamSender sender("nowhere.test", receiver.port(),
                            StreamOptions{.resolve =
                                              [](const std::string& host, std::string& error) {
                                                  error = "no such host " + host;
                                                  return std::optional<std::string>();
                                              },
                                          .maxQueued = 10,
                                          .retryAfter = std::chrono::milliseconds(10'000),
                                          .closeTimeout = std::chrono::milliseconds(1000)});
        sender.send("{}");
        EXPECT_TRUE(waitFor([&] { return !sender.lastError().empty(); }));
        EXPECT_EQ(sender.lastError(), "Cannot resolve nowhere.test: no such host nowhere.test");
        EXPECT_EQ(sender.sent(), 0u);
    }

    // A resolution that hangs: the end waits no longer than its bound.
    auto gate = std::make_shared<Gate>();
    const auto before = std::chrono::steady_clock::now();
    {
        StreamSender sender("slow.test", receiver.port(),
                            StreamOptions{.resolve = gate->resolver(std::nullopt),
                                          .maxQueued = 10,
                                          .retryAfter = std::chrono::milliseconds(10'000),
                                          .closeTimeout = std::chrono::milliseconds(200)});
        sender.send("{}");
    }
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(2));
    gate->openAndWait();
}

}  // namespace
}  // namespace station
