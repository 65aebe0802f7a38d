#include "station/ipfix.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "ipfix_reader.h"

extern char** environ;

namespace station {
namespace {

using testing::IpfixField;
using testing::IpfixMessage;
using testing::IpfixReader;

constexpr std::uint32_t kPen = 30351;

const ReceiverInfo kReceiver{
    .call = "QR1SWL", .locator = "JO22dc", .software = "Quorvin 0.1.0", .antenna = "dipole"};

Spot spot(std::string call, std::int64_t rfHz, int snrDb, std::optional<int> imdDb) {
    return Spot{.call = std::move(call),
                .rfHz = rfHz,
                .mode = "PSK31",
                .snrDb = snrDb,
                .imdDb = imdDb,
                .locator = "",
                .timeUnix = 1'796'738'587};
}

IpfixMessage readOk(IpfixReader& reader, const std::vector<std::uint8_t>& bytes) {
    std::string error;
    std::optional<IpfixMessage> message = reader.read(bytes, error);
    EXPECT_TRUE(message) << error;
    return message.value_or(IpfixMessage{});
}

TEST(Ipfix, TemplatesAsTheNetworkDefinesThem) {
    const ipfix::EncodedMessage encoded = ipfix::encodeMessage(
        {.exportTimeUnix = 1, .sequenceNumber = 0, .observationDomainId = 7}, true, kReceiver, {});
    IpfixReader reader;
    const IpfixMessage message = readOk(reader, encoded.bytes);

    ASSERT_EQ(message.templates.size(), 3u);
    const std::vector<IpfixField> spotFields{
        {0x8001, 0xFFFF, kPen}, {0x8005, 4, kPen},      {0x8006, 1, kPen}, {0x8007, 1, kPen},
        {0x800A, 0xFFFF, kPen}, {0x8003, 0xFFFF, kPen}, {0x800B, 1, kPen}, {150, 4, 0}};
    std::vector<IpfixField> withoutImd = spotFields;
    withoutImd.erase(withoutImd.begin() + 3);
    const auto& templates = reader.templates();
    ASSERT_TRUE(templates.contains(256) && templates.contains(257) && templates.contains(258));
    EXPECT_EQ(templates.at(256).fields, spotFields);
    EXPECT_FALSE(templates.at(256).options);
    EXPECT_EQ(templates.at(258).fields, withoutImd);
    const testing::IpfixTemplate& receiver = templates.at(257);
    EXPECT_TRUE(receiver.options);
    EXPECT_EQ(receiver.scopeCount, 1);
    EXPECT_EQ(receiver.fields, (std::vector<IpfixField>{{0x8002, 0xFFFF, kPen},
                                                        {0x8004, 0xFFFF, kPen},
                                                        {0x8008, 0xFFFF, kPen},
                                                        {0x8009, 0xFFFF, kPen}}));
    // Without spots: the templates and the receiver.
    std::vector<std::uint16_t> sets;
    for (const testing::ReadSet& set : message.sets) sets.push_back(set.id);
    EXPECT_EQ(sets, (std::vector<std::uint16_t>{2, 3, 257}));
    EXPECT_EQ(encoded.dataRecords, 1u);

    // Without templates, a reader that has not seen them cannot read the message; one that has
    // reads it.
    const ipfix::EncodedMessage later =
        ipfix::encodeMessage({}, false, kReceiver, std::vector{spot("QR9ZZ", 14'070'000, 3, {})});
    IpfixReader fresh;
    std::string error;
    EXPECT_FALSE(fresh.read(later.bytes, error));
    EXPECT_EQ(readOk(reader, later.bytes).spots.size(), 1u);
}

TEST(Ipfix, EveryFieldReadsBack) {
    Spot withLocator = spot("QX2ABC/P", 7'040'250, -12, {});
    withLocator.locator = "KP20";
    withLocator.mode = "QPSK31";
    Spot extremes = spot("QR7AA", 4'294'967'295, 200, -300);  // clamped into a signed byte
    const std::vector<Spot> spots{spot("QR9ZZ", 14'071'520, 12, -28), withLocator, extremes,
                                  spot("QR7AB", 3'580'000, 0, 0)};
    const ipfix::MessageHeader header{.exportTimeUnix = 1'796'738'600,
                                      .sequenceNumber = 4'000'000'000u,
                                      .observationDomainId = 0xDEADBEEF};
    const ipfix::EncodedMessage encoded = ipfix::encodeMessage(header, true, kReceiver, spots);
    EXPECT_EQ(encoded.spots, 4u);
    EXPECT_EQ(encoded.dataRecords, 5u);
    EXPECT_FALSE(encoded.full);

    IpfixReader reader;
    const IpfixMessage message = readOk(reader, encoded.bytes);
    EXPECT_EQ(message.version, 10);
    EXPECT_EQ(message.length, encoded.bytes.size());
    EXPECT_EQ(message.exportTime, header.exportTimeUnix);
    EXPECT_EQ(message.sequenceNumber, header.sequenceNumber);
    EXPECT_EQ(message.observationDomainId, header.observationDomainId);
    std::vector<std::uint16_t> sets;
    for (const testing::ReadSet& set : message.sets) sets.push_back(set.id);
    EXPECT_EQ(sets, (std::vector<std::uint16_t>{2, 3, 257, 256, 258}));

    ASSERT_EQ(message.receivers.size(), 1u);
    EXPECT_EQ(message.receivers[0].call, "QR1SWL");
    EXPECT_EQ(message.receivers[0].locator, "JO22dc");
    EXPECT_EQ(message.receivers[0].software, "Quorvin 0.1.0");
    EXPECT_EQ(message.receivers[0].antenna, "dipole");

    // The spots with an IMD come first (their set), then those without, each in order.
    struct Expected {
        std::string call;
        std::uint32_t hz;
        int snr;
        std::optional<int> imd;
        std::string mode;
        std::string locator;
    };
    const Expected expected[] = {
        {"QR9ZZ", 14'071'520, 12, -28, "PSK31", ""},
        {"QR7AA", 4'294'967'295u, 127, -128, "PSK31", ""},
        {"QR7AB", 3'580'000, 0, 0, "PSK31", ""},
        {"QX2ABC/P", 7'040'250, -12, std::nullopt, "QPSK31", "KP20"},
    };
    ASSERT_EQ(message.spots.size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        SCOPED_TRACE(expected[i].call);
        const testing::ReadSpot& read = message.spots[i];
        EXPECT_EQ(read.call, expected[i].call);
        EXPECT_EQ(read.frequencyHz, expected[i].hz);
        EXPECT_EQ(read.snrDb, expected[i].snr);
        EXPECT_EQ(read.imdDb, expected[i].imd);
        EXPECT_EQ(read.mode, expected[i].mode);
        EXPECT_EQ(read.locator, expected[i].locator);
        EXPECT_EQ(read.informationSource, 1);
        EXPECT_EQ(read.flowStartSeconds, 1'796'738'587u);
    }
}

TEST(Ipfix, SetsArePaddedToFourWithLessThanARecord) {
    std::set<std::size_t> paddings;
    for (std::size_t callLength = 3; callLength <= 10; ++callLength) {
        for (std::size_t antennaLength = 0; antennaLength <= 4; ++antennaLength) {
            ReceiverInfo receiver = kReceiver;
            receiver.antenna = std::string(antennaLength, 'a');
            const std::vector<Spot> spots{
                spot(std::string(callLength, 'Q'), 14'070'000, 1, 2),
                spot(std::string(callLength + 1, 'Q'), 14'070'000, 1, {})};
            IpfixReader reader;  // the reader checks lengths, padding and its bytes
            const IpfixMessage message =
                readOk(reader, ipfix::encodeMessage({}, true, receiver, spots).bytes);
            for (const testing::ReadSet& set : message.sets) {
                EXPECT_EQ(set.length % 4, 0u);
                EXPECT_LT(set.padding, 4u);
                paddings.insert(set.padding);
            }
        }
    }
    EXPECT_EQ(paddings, (std::set<std::size_t>{0, 1, 2, 3}));
}

TEST(Ipfix, AsManySpotsAsFitUnder1400Bytes) {
    std::vector<Spot> spots;
    for (int i = 0; i < 200; ++i) {
        spots.push_back(
            spot("QR" + std::to_string(i % 10) + "A" + std::string(1, char('A' + i % 26)),
                 14'070'000 + i * 50, i % 30, i % 3 == 0 ? std::nullopt : std::optional(-25)));
    }
    for (const bool withTemplates : {true, false}) {
        SCOPED_TRACE(withTemplates ? "with templates" : "without");
        const ipfix::EncodedMessage message =
            ipfix::encodeMessage({}, withTemplates, kReceiver, spots);
        EXPECT_LE(message.bytes.size(), ipfix::kMaxMessageBytes);
        EXPECT_TRUE(message.full);
        // One more would not have fitted.
        const ipfix::EncodedMessage oneMore = ipfix::encodeMessage(
            {}, withTemplates, kReceiver, std::span(spots).first(message.spots + 1), 65'000);
        EXPECT_GT(oneMore.bytes.size(), ipfix::kMaxMessageBytes);
        EXPECT_GE(message.spots, withTemplates ? 45u : 50u);
        std::printf("%s: %zu spots in %zu bytes\n", withTemplates ? "with templates" : "without",
                    message.spots, message.bytes.size());
        IpfixReader reader;
        if (!withTemplates) readOk(reader, ipfix::encodeMessage({}, true, kReceiver, {}).bytes);
        EXPECT_EQ(readOk(reader, message.bytes).spots.size(), message.spots);
    }
    // A spot too long for the room still goes, alone, so that the queue always moves.
    Spot huge = spot(std::string(300, 'Q'), 14'070'000, 1, {});
    huge.locator = std::string(300, 'L');
    huge.mode = std::string(300, 'M');
    EXPECT_EQ(ipfix::encodeMessage({}, true, kReceiver, std::vector{huge, huge}, 200).spots, 1u);
}

TEST(Ipfix, TextsAreCutToWholeUtf8CharactersOf254Bytes) {
    struct Case {
        std::string text;
        std::size_t bytes;
    };
    const std::string e = "\xc3\xa9";               // 2 bytes
    const std::string euro = "\xe2\x82\xac";        // 3 bytes
    const std::string clef = "\xf0\x9d\x84\x9e";    // 4 bytes
    std::string mixed = std::string(253, 'x') + e;  // the cut falls inside the last character
    const Case cases[] = {
        {"", 0},
        {std::string(254, 'a'), 254},
        {std::string(300, 'a'), 254},
        {[&] {
             std::string s;
             for (int i = 0; i < 200; ++i) s += e;
             return s;
         }(),
         254},
        {[&] {
             std::string s;
             for (int i = 0; i < 100; ++i) s += euro;
             return s;
         }(),
         252},
        {[&] {
             std::string s;
             for (int i = 0; i < 100; ++i) s += clef;
             return s;
         }(),
         252},
        {mixed, 253},
        {"a" +
             [&] {
                 std::string s;
                 for (int i = 0; i < 100; ++i) s += clef;
                 return s;
             }(),
         253},
    };
    for (const Case& c : cases) {
        ReceiverInfo receiver = kReceiver;
        receiver.antenna = c.text;
        IpfixReader reader;  // also checks that what it reads is UTF-8
        const IpfixMessage message =
            readOk(reader, ipfix::encodeMessage({}, true, receiver, {}).bytes);
        ASSERT_EQ(message.receivers.size(), 1u);
        EXPECT_EQ(message.receivers[0].antenna.size(), c.bytes);
        EXPECT_EQ(message.receivers[0].antenna, c.text.substr(0, c.bytes));
        EXPECT_EQ(ipfix::cutUtf8(c.text), c.text.substr(0, c.bytes));
    }
}

// The reader the other tests trust must refuse what a collector could misread.
TEST(IpfixReader, RefusesMalformedMessages) {
    const std::vector<std::uint8_t> good =
        ipfix::encodeMessage(
            {}, true, kReceiver,
            std::vector{spot("QR9ZZ", 14'070'000, 1, 2), spot("QX2A", 7'040'000, 1, {})})
            .bytes;
    IpfixReader probe;
    const IpfixMessage message = readOk(probe, good);
    ASSERT_EQ(message.sets.size(), 5u);
    const std::size_t optionsAt = 16 + message.sets[0].length;
    std::size_t paddedEnd = 16;
    for (const testing::ReadSet& set : message.sets) {
        paddedEnd += set.length;
        if (set.padding > 0) break;
    }
    ASSERT_LT(paddedEnd, good.size() + 1);

    struct Case {
        const char* what;
        std::function<void(std::vector<std::uint8_t>&)> change;
    };
    const Case cases[] = {
        {"version 9", [](auto& b) { b[1] = 9; }},
        {"length one more", [](auto& b) { b[3] = static_cast<std::uint8_t>(b[3] + 1); }},
        {"datagram cut", [](auto& b) { b.resize(b.size() - 4); }},
        {"set overruns", [](auto& b) { b[18] = 0x7F; }},
        {"scope count 0",
         [&](auto& b) {
             b[optionsAt + 8] = 0;
             b[optionsAt + 9] = 0;
         }},
        {"padding not zero", [&](auto& b) { b[paddedEnd - 1] = 0x55; }},
        {"set id 1", [](auto& b) { b[17] = 1; }},
        {"text not UTF-8",
         [](auto& b) {
             // The receiver's call sign: after the header and both template sets.
             const auto find =
                 std::search(b.begin(), b.end(), std::begin("QR1SWL"), std::end("QR1SWL") - 1);
             *find = 0xC3;
         }},
    };
    for (const Case& c : cases) {
        std::vector<std::uint8_t> bytes = good;
        c.change(bytes);
        IpfixReader reader;
        std::string error;
        EXPECT_FALSE(reader.read(bytes, error)) << c.what;
        EXPECT_NE(error, "") << c.what;
    }
}

// A pcap file of UDP datagrams from 127.0.0.1 to 127.0.0.1 port 4739 over Ethernet, for tshark.
std::string pcapFile(const std::vector<std::vector<std::uint8_t>>& datagrams) {
    std::string out;
    const auto u16be = [&](std::size_t v) {
        out += static_cast<char>(v >> 8);
        out += static_cast<char>(v);
    };
    const auto u32le = [&](std::uint32_t v) {
        for (int i = 0; i < 4; ++i) out += static_cast<char>(v >> (8 * i));
    };
    u32le(0xA1B2C3D4);                          // microsecond time stamps, little-endian file
    out += std::string("\x02\x00\x04\x00", 4);  // version 2.4
    u32le(0);
    u32le(0);
    u32le(65535);  // snapshot length
    u32le(1);      // Ethernet
    std::uint32_t second = 1'796'738'600;
    for (const std::vector<std::uint8_t>& datagram : datagrams) {
        const std::size_t ipBytes = 20 + 8 + datagram.size();
        u32le(second++);
        u32le(0);
        u32le(static_cast<std::uint32_t>(14 + ipBytes));
        u32le(static_cast<std::uint32_t>(14 + ipBytes));
        out += std::string(12, '\0');  // addresses
        u16be(0x0800);                 // IPv4
        std::string ip;
        const std::uint8_t header[20] = {0x45,
                                         0,
                                         static_cast<std::uint8_t>(ipBytes >> 8),
                                         static_cast<std::uint8_t>(ipBytes),
                                         0,
                                         1,
                                         0x40,
                                         0,
                                         64,
                                         17,
                                         0,
                                         0,
                                         127,
                                         0,
                                         0,
                                         1,
                                         127,
                                         0,
                                         0,
                                         1};
        std::uint32_t sum = 0;
        for (int i = 0; i < 20; i += 2)
            sum += static_cast<std::uint32_t>(header[i] << 8 | header[i + 1]);
        while (sum > 0xFFFF) sum = (sum & 0xFFFF) + (sum >> 16);
        const std::size_t at = out.size();
        out.append(reinterpret_cast<const char*>(header), 20);
        out[at + 10] = static_cast<char>((~sum >> 8) & 0xFF);
        out[at + 11] = static_cast<char>(~sum & 0xFF);
        u16be(50000);  // source port
        u16be(4739);
        u16be(8 + datagram.size());
        u16be(0);  // no checksum
        out.append(datagram.begin(), datagram.end());
    }
    return out;
}

// The program on the PATH, or an empty path.
std::filesystem::path onPath(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::stringstream folders(path ? path : "");
    for (std::string folder; std::getline(folders, folder, ':');) {
        const std::filesystem::path candidate = std::filesystem::path(folder) / name;
        if (!folder.empty() && ::access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return {};
}

// Runs `arguments` with its standard output into `output`; its exit status, or -1 when it did not
// end within `limit` (it is then killed).
int run(const std::vector<std::string>& arguments, const std::filesystem::path& output,
        std::chrono::seconds limit) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv;
    for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t child = 0;
    const int spawned = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return -1;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int status = 0;
    while (::waitpid(child, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// tshark 4.0 keeps no options template whose scope field has a variable length (RFC 7011 allows
// one; the network's receiver call sign is one), so it shows the receiver's data set as data
// without a template and, not counting that record, expects the next message's sequence number
// one lower than sent. These two complaints are the only ones allowed.
bool isReceiverSetUnread(const std::string& message, std::size_t receiverSetBytes) {
    return message ==
           "Data (" + std::to_string(receiverSetBytes - 4) + " bytes), no template found";
}

bool isOneRecordMoreThanSeen(const std::string& message) {
    unsigned long long domain = 0;
    unsigned long long expected = 0;
    unsigned long long got = 0;
    return std::sscanf(message.c_str(),
                       "Unexpected flow sequence for domain ID %llu (expected %llu, got %llu)",
                       &domain, &expected, &got) == 3 &&
           got == expected + 1;
}

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::stringstream in(text);
    for (std::string part; std::getline(in, part, separator);) parts.push_back(part);
    if (!text.empty() && text.back() == separator) parts.emplace_back();
    return parts;
}

TEST(Ipfix, TsharkReadsTheMessagesAsIpfix) {
    const std::filesystem::path tshark = onPath("tshark");
    if (tshark.empty()) {
        GTEST_SKIP() << "tshark is not installed (scripts/deps.sh --test installs it)";
    }
    // A session's first messages: templates in the first three, then without; the sequence
    // numbers count the data records sent before.
    std::vector<std::vector<std::uint8_t>> datagrams;
    std::vector<std::size_t> spotsSent;
    std::uint32_t sequence = 0;
    for (int i = 0; i < 5; ++i) {
        std::vector<Spot> spots;
        for (int k = 0; k <= i * 20 + 1; ++k) {
            spots.push_back(spot("QR" + std::to_string(k % 10) + "ZZ", 14'070'000 + 30 * k, k % 20,
                                 k % 2 == 0 ? std::optional(-20 - k % 9) : std::nullopt));
        }
        const ipfix::EncodedMessage m = ipfix::encodeMessage(
            {.exportTimeUnix = 1'796'738'600u + 300u * static_cast<unsigned>(i),
             .sequenceNumber = sequence,
             .observationDomainId = 0x12345678},
            i < 3, kReceiver, spots);
        sequence += m.dataRecords;
        datagrams.push_back(m.bytes);
        spotsSent.push_back(m.spots);
    }
    IpfixReader reader;
    const std::size_t receiverSetBytes = readOk(reader, datagrams[0]).sets[2].length;

    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("ipfix-tshark-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    { std::ofstream(folder / "reports.pcap", std::ios::binary) << pcapFile(datagrams); }
    std::vector<std::string> arguments{tshark.string(),
                                       "-n",
                                       "-r",
                                       (folder / "reports.pcap").string(),
                                       "-d",
                                       "udp.port==4739,cflow",
                                       "-T",
                                       "fields",
                                       "-E",
                                       "separator=;",
                                       "-E",
                                       "aggregator=|"};
    for (const char* field :
         {"cflow.version", "cflow.len", "cflow.sequence", "cflow.od_id", "cflow.flowset_id",
          "cflow.template_id", "cflow.abstimestart", "_ws.expert.message"}) {
        arguments.insert(arguments.end(), {"-e", field});
    }
    const int status = run(arguments, folder / "fields.txt", std::chrono::seconds(60));
    std::ifstream in(folder / "fields.txt");
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    std::filesystem::remove_all(folder);
    ASSERT_EQ(status, 0);
    ASSERT_EQ(lines.size(), datagrams.size());
    bool previousReceiverUnread = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        SCOPED_TRACE(lines[i]);
        std::vector<std::string> fields = split(lines[i], ';');
        fields.resize(8);
        EXPECT_EQ(fields[0], "10");
        EXPECT_EQ(fields[1], std::to_string(datagrams[i].size()));
        EXPECT_EQ(fields[3], "305419896");  // 0x12345678
        EXPECT_EQ(fields[4], i < 3 ? "2|3|257|256|258" : "257|256|258");
        if (i < 3) {
            EXPECT_EQ(fields[5].substr(0, 11), "256|258|257");
        }
        // Every spot's record is decoded: its reception time is listed.
        EXPECT_EQ(fields[6].empty() ? 0 : split(fields[6], '|').size(), spotsSent[i]);
        bool receiverUnread = false;
        bool sequenceComplaint = false;
        for (const std::string& message : split(fields[7], '|')) {
            if (message.empty()) continue;
            if (isReceiverSetUnread(message, receiverSetBytes)) {
                receiverUnread = true;
            } else if (isOneRecordMoreThanSeen(message)) {
                sequenceComplaint = true;
            } else {
                ADD_FAILURE() << message;
            }
        }
        // The sequence numbers count the receiver's record: tshark, when it could not read that
        // record, expects one less, else exactly what was sent.
        EXPECT_EQ(sequenceComplaint, i > 0 && previousReceiverUnread);
        previousReceiverUnread = receiverUnread;
    }
}

}  // namespace
}  // namespace station
