// Runs the quorvin-decode program itself: bad input must give exit status 2 and exactly one
// diagnostic line, and generated recordings must decode end to end.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "program_fixture.h"
#include "pskmodem/signals/cer.h"
#include "pskmodem/signals/channel.h"
#include "pskmodem/signals/testsignal.h"
#include "pskmodem/sources/audio_file.h"
#include "rig_daemon.h"

namespace {

namespace fs = std::filesystem;

using quorvin::testing::RunResult;
using station::testing::RigDaemon;

class DecodeProgram : public quorvin::testing::ProgramFixture {
  protected:
    DecodeProgram() : ProgramFixture(QUORVIN_DECODE_PROGRAM) {}
};

void expectBadInput(const RunResult& r) {
    EXPECT_EQ(r.exitStatus, 2);
    EXPECT_TRUE(r.out.empty()) << r.out;
    EXPECT_EQ(r.err.rfind("quorvin-decode: ", 0), 0U) << r.err;
    // Exactly one line.
    ASSERT_FALSE(r.err.empty());
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
}

TEST_F(DecodeProgram, BadArgumentsExitWithStatus2AndOneLine) {
    const std::string wav = path("ok.wav").string();
    ASSERT_TRUE(pskmodem::writeAudioFile(wav, std::vector<float>(800, 0.0F), 8000));
    const std::vector<std::vector<std::string>> cases = {
        {},
        {wav},
        {wav, "--freq"},
        {wav, "--freq", "abc"},
        {wav, "--freq", "99"},
        {wav, "--freq", "3501"},
        {wav, "--freq", "1000", "--search", "201"},
        {wav, "--freq", "1000", "--squelch", "100"},
        {wav, "--freq", "1000", "--squelch", "x"},
        {wav, "--freq", "1000", "--mode", "am"},
        {wav, "--freq", "1000", "--unknown"},
        {wav, "--demo"},
        {wav, "--all", "--freq", "1000"},
        {wav, "--json"},
        {wav, "--freq", "1000", "--json"},
        {wav, "--all", "--search", "41"},
        {wav, "--all", "--mode", "qpsk"},
        {"--all"},
        {wav, "--all", "--dial", "14.07"},
        {wav, "--all", "--dial", "14070000,fm"},
        {wav, "--all", "--rig", "localhost"},
        {wav, "--all", "--rig", "localhost:0"},
        {wav, "--all", "--rig-port", "/dev/null"},
        {wav, "--all", "--rig-speed", "9600"},
        {wav, "--all", "--rig-model", "x"},
        {wav, "--all", "--rig", "localhost:4532", "--rig-model", "1"},
        {wav, "--all", "--rig", "localhost:4532", "--dial", "14070000"},
    };
    for (const auto& args : cases) {
        std::string joined;
        for (const auto& a : args) {
            joined += a + " ";
        }
        SCOPED_TRACE(joined);
        expectBadInput(run(args));
    }
}

TEST_F(DecodeProgram, UnreadableInputExitsWithStatus2AndOneLine) {
    {
        std::ofstream text(path("notes.wav"));
        text << "This is not audio.\nIt only has a .wav name.\n";
    }
    { std::ofstream empty(path("empty.wav")); }
    // A file name with a line break must still give one line.
    const std::string odd = path("line\nbreak.wav").string();
    for (const std::string& file : {path("missing.wav").string(), path("notes.wav").string(),
                                    path("empty.wav").string(), odd}) {
        SCOPED_TRACE(file);
        for (const bool all : {false, true}) {
            const RunResult r =
                all ? run({"--all", file, "--json"}) : run({file, "--freq", "1000"});
            expectBadInput(r);
            EXPECT_NE(r.err.find("Cannot read"), std::string::npos) << r.err;
        }
    }
}

// Only regular files at a sample rate that holds the band are decoded: a pipe would block the
// program, and a header saying 1 Hz would make each sample 8000 samples of work. Each is refused
// at once with the reason the program's --input gives.
TEST_F(DecodeProgram, FilesThatAreNoRecordingsAreRefusedAtOnce) {
    const auto wavAt = [this](std::uint32_t rateHz) {
        const std::string file = path(std::to_string(rateHz) + ".wav").string();
        quorvin::testing::writeSilentWav(file, rateHz, 2000);
        return file;
    };
    for (const quorvin::testing::RefusedInput& c : quorvin::testing::makeRefusedInputs(folder())) {
        for (const bool all : {false, true}) {
            SCOPED_TRACE(c.file + (all ? " --all" : ""));
            const auto started = std::chrono::steady_clock::now();
            const RunResult r = all ? run({"--all", c.file}) : run({c.file, "--freq", "1000"});
            EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
            expectBadInput(r);
            EXPECT_EQ(
                r.err.rfind("quorvin-decode: The file \"" + c.file + "\" cannot be decoded: ", 0),
                0U)
                << r.err;
            EXPECT_NE(r.err.find(c.reason), std::string::npos) << r.err;
        }
    }
    // The limits themselves are rates to decode.
    for (const std::uint32_t rateHz : {7000U, 768000U}) {
        const RunResult r = run({wavAt(rateHz), "--freq", "1000"});
        EXPECT_EQ(r.exitStatus, 0) << rateHz << ": " << r.err;
        EXPECT_TRUE(r.err.empty()) << r.err;
    }
}

TEST_F(DecodeProgram, HelpAndVersionGoToStdout) {
    const RunResult r = run({"--help"});
    EXPECT_EQ(r.exitStatus, 0);
    EXPECT_NE(r.out.find("Usage: quorvin-decode"), std::string::npos);
    EXPECT_NE(r.out.find("--all"), std::string::npos);
    EXPECT_TRUE(r.err.empty());
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"--version"}, {"x.wav", "--version"}}) {
        const RunResult version = run(args);
        EXPECT_EQ(version.exitStatus, 0);
        EXPECT_EQ(version.out, "quorvin-decode " QUORVIN_VERSION "\n");
        EXPECT_TRUE(version.err.empty()) << version.err;
    }
}

TEST_F(DecodeProgram, SilentFileDecodesToNothing) {
    const std::string wav = path("silence.wav").string();
    ASSERT_TRUE(pskmodem::writeAudioFile(wav, std::vector<float>(8000, 0.0F), 8000));
    const RunResult r = run({wav, "--freq", "1000", "--squelch", "50"});
    EXPECT_EQ(r.exitStatus, 0) << r.err;
    EXPECT_TRUE(r.err.empty()) << r.err;
    for (const bool json : {false, true}) {
        const RunResult all = json ? run({"--all", wav, "--json"}) : run({"--all", wav});
        EXPECT_EQ(all.exitStatus, 0) << all.err;
        EXPECT_TRUE(all.err.empty()) << all.err;
        EXPECT_TRUE(all.out.empty()) << all.out;
    }
}

// A clean BPSK31 transmission, written at 8000 Hz mono and at 44100 Hz stereo (converted on the
// way in), and a QPSK31 one, must come out as the text sent.
TEST_F(DecodeProgram, DecodesGeneratedRecordings) {
    struct Case {
        const char* name;
        pskmodem::Mode mode;
        const char* modeArg;
        double sampleRateHz;
        int channels;
        const char* file;
        pskmodem::Speed speed = pskmodem::Speed::Psk31;
    };
    const Case cases[] = {
        {"bpsk 8000", pskmodem::Mode::Bpsk, "bpsk", 8000.0, 1, "bpsk.wav"},
        {"bpsk 44100 stereo", pskmodem::Mode::Bpsk, "bpsk", 44100.0, 2, "bpsk44.flac"},
        {"qpsk usb", pskmodem::Mode::QpskUsb, "qpsk-usb", 8000.0, 1, "qpsk.wav"},
        {"bpsk63", pskmodem::Mode::Bpsk, "bpsk63", 8000.0, 1, "bpsk63.wav", pskmodem::Speed::Psk63},
        {"qpsk125 lsb 48000", pskmodem::Mode::QpskLsb, "qpsk125-lsb", 48000.0, 1, "qpsk125.wav",
         pskmodem::Speed::Psk125},
        {"bpsk250", pskmodem::Mode::Bpsk, "bpsk250", 8000.0, 1, "bpsk250.wav",
         pskmodem::Speed::Psk250},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        pskmodem::TestSignalConfig config;
        config.mode = c.mode;
        config.speed = c.speed;
        config.leadIdle = 32 * pskmodem::speedFactor(c.speed);  // a second to pull in
        config.carrierHz = 1203.0;
        config.snrDb = 15.0;
        config.seed = 5;
        config.text =
            "CQ CQ DE QX1TST QX1TST\r\nThe quick brown fox jumps over the lazy dog 0123"
            "456789.\r\n";
        config.sampleRateHz = c.sampleRateHz;
        const pskmodem::TestSignal signal = pskmodem::makeTestSignal(config);
        std::vector<float> samples;
        for (const float s : signal.samples) {
            for (int ch = 0; ch < c.channels; ++ch) {
                samples.push_back(ch == 0 ? s : 0.0F);  // the left channel carries the signal
            }
        }
        const std::string file = path(c.file).string();
        ASSERT_TRUE(
            pskmodem::writeAudioFile(file, samples, static_cast<int>(c.sampleRateHz), c.channels));
        // 1203 Hz is found from 1190 Hz by the AFC.
        const RunResult r = run({file, "--freq", "1190", "--mode", c.modeArg, "--search", "30"});
        EXPECT_EQ(r.exitStatus, 0) << r.err;
        EXPECT_TRUE(r.err.empty()) << r.err;
        EXPECT_LT(pskmodem::characterErrorRate(signal.text, r.out), 0.05) << r.out;
    }
}

// A band of three signals, one in each mode, in one recording.
struct BandSignal {
    double carrierHz;
    pskmodem::Mode mode;
    const char* modeName;  // as the program prints it in JSON
    const char* displayName;
    std::string text;
    pskmodem::Speed speed = pskmodem::Speed::Psk31;
};

std::vector<BandSignal> threeSignals() {
    return {
        {612.0, pskmodem::Mode::Bpsk, "bpsk31", "BPSK31",
         "CQ CQ DE QX1TST QX1TST\r\nThe quick brown fox jumps over the lazy dog 0123.\r\n"},
        {1203.0, pskmodem::Mode::QpskUsb, "qpsk31-usb", "QPSK31 USB",
         "QX1TST DE QY2ABC, rig is a \"homebrew\" 5 W, antenna a long wire. 73\r\n"},
        {1961.0, pskmodem::Mode::QpskLsb, "qpsk31-lsb", "QPSK31 LSB",
         "Test on the lower sideband: name Kim, QTH Westmoor, WX rain. Back to you\r\n"},
    };
}

// The recording: each signal with its own start, 12 dB over the noise in 3000 Hz.
std::vector<float> recordBand(const std::vector<BandSignal>& signals, double sampleRateHz) {
    std::vector<float> band;
    double signalPower = 0.0;
    for (std::size_t i = 0; i < signals.size(); ++i) {
        pskmodem::TestSignalConfig config;
        config.mode = signals[i].mode;
        config.speed = signals[i].speed;
        config.carrierHz = signals[i].carrierHz;
        config.text = signals[i].text;
        config.noise = false;
        config.sampleRateHz = sampleRateHz;
        config.leadNoiseSeconds = 1.5 * static_cast<double>(i);
        const pskmodem::TestSignal one = pskmodem::makeTestSignal(config);
        band.resize(
            std::max(band.size(), one.samples.size() + static_cast<std::size_t>(sampleRateHz)));
        for (std::size_t k = 0; k < one.samples.size(); ++k) band[k] += one.samples[k];
        signalPower = one.signalPower;
    }
    pskmodem::NoiseSource(pskmodem::noiseRmsForSnr(signalPower, 12.0, sampleRateHz), 77).add(band);
    return band;
}

struct Report {
    double frequencyHz;
    std::string mode;
    int quality;
    std::string text;
};

// Undoes the JSON escapes of the program's output (code points below 256 only).
std::string unescapeJson(const std::string& s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\' || i + 1 >= s.size()) {
            out += s[i];
            continue;
        }
        const char e = s[++i];
        if (e == 'u' && i + 4 < s.size()) {
            out += static_cast<char>(std::stoi(s.substr(i + 1, 4), nullptr, 16));
            i += 4;
        } else {
            out += e == 'r'   ? '\r'
                   : e == 'n' ? '\n'
                   : e == 't' ? '\t'
                   : e == 'b' ? '\b'
                   : e == 'f' ? '\f'
                              : e;
        }
    }
    return out;
}

std::vector<Report> parseJsonLines(const std::string& out) {
    static const std::regex line(
        R"re(\{"frequency_hz":(\d+),"dial_hz":(?:\d+|null),"rf_hz":(?:\d+|null),"mode":"([a-z0-9-]+)","quality":(\d+),"snr_db":(?:-?\d+\.\d|null),"imd_db":(?:-?\d+|null),"calls":\[[^\]]*\],"text":"((?:[^"\\]|\\.)*)"\})re");
    std::vector<Report> reports;
    std::size_t at = 0;
    while (at < out.size()) {
        const std::size_t end = out.find('\n', at);
        const std::string text =
            out.substr(at, end == std::string::npos ? std::string::npos : end - at);
        std::smatch m;
        EXPECT_TRUE(std::regex_match(text, m, line)) << text;
        if (!m.empty()) {
            reports.push_back({std::stod(m[1]), m[2], std::stoi(m[3]), unescapeJson(m[4])});
        }
        if (end == std::string::npos) break;
        at = end + 1;
    }
    return reports;
}

std::vector<Report> parseTextBlocks(const std::string& out) {
    static const std::regex header(
        R"re((\d+) Hz ((?:BPSK|QPSK)(?:31|63|125|250)(?: USB| LSB)?) q=(\d+)(?: S/N -?\d+\.\d dB)?(?: IMD -?\d+ dB)?:\n)re");
    std::vector<Report> reports;
    std::vector<std::pair<std::size_t, std::size_t>> spans;  // header start, text start
    for (auto it = std::sregex_iterator(out.begin(), out.end(), header);
         it != std::sregex_iterator(); ++it) {
        const std::smatch& m = *it;
        reports.push_back({std::stod(m[1]), m[2], std::stoi(m[3]), ""});
        spans.emplace_back(static_cast<std::size_t>(m.position(0)),
                           static_cast<std::size_t>(m.position(0) + m.length(0)));
    }
    for (std::size_t i = 0; i < reports.size(); ++i) {
        const std::size_t end = i + 1 < spans.size() ? spans[i + 1].first : out.size();
        std::string text = out.substr(spans[i].second, end - spans[i].second);
        EXPECT_GE(text.size(), 2U);
        EXPECT_EQ(text.substr(text.size() - 2), "\n\n");  // each block ends with an empty line
        text.resize(text.size() >= 2 ? text.size() - 2 : 0);
        reports[i].text = text;
    }
    return reports;
}

void expectBand(const std::vector<Report>& reports, const std::vector<BandSignal>& signals,
                bool json) {
    ASSERT_EQ(reports.size(), signals.size());
    for (const BandSignal& signal : signals) {
        SCOPED_TRACE(signal.carrierHz);
        const auto found = std::find_if(reports.begin(), reports.end(), [&](const Report& r) {
            return std::abs(r.frequencyHz - signal.carrierHz) <= 3.0;
        });
        ASSERT_NE(found, reports.end());
        EXPECT_EQ(found->mode, json ? signal.modeName : signal.displayName);
        EXPECT_GT(found->quality, 30);
        EXPECT_LE(found->quality, 100);
        EXPECT_LT(pskmodem::characterErrorRate(signal.text, found->text), 0.03) << found->text;
    }
}

// Every signal of a recording comes out with its frequency, mode and text, as text blocks and as
// JSON; a 48 kHz stereo recording is converted on the way in; --mode keeps only that mode.
TEST_F(DecodeProgram, DecodesEverySignalOfABand) {
    const std::vector<BandSignal> signals = threeSignals();
    const std::string wav = path("band.wav").string();
    ASSERT_TRUE(pskmodem::writeAudioFile(wav, recordBand(signals, 8000.0), 8000));
    {
        const RunResult r = run({"--all", wav});
        EXPECT_EQ(r.exitStatus, 0) << r.err;
        EXPECT_TRUE(r.err.empty()) << r.err;
        expectBand(parseTextBlocks(r.out), signals, false);
    }
    {
        const std::vector<float> mono = recordBand(signals, 48000.0);
        std::vector<float> stereo;
        for (const float s : mono) {
            stereo.push_back(s);
            stereo.push_back(0.0F);
        }
        const std::string flac = path("band48.flac").string();
        ASSERT_TRUE(pskmodem::writeAudioFile(flac, stereo, 48000, 2));
        const RunResult r = run({flac, "--all", "--json"});
        EXPECT_EQ(r.exitStatus, 0) << r.err;
        EXPECT_TRUE(r.err.empty()) << r.err;
        expectBand(parseJsonLines(r.out), signals, true);
    }
    {
        const RunResult r = run({"--all", wav, "--json", "--mode", "qpsk-lsb"});
        EXPECT_EQ(r.exitStatus, 0) << r.err;
        expectBand(parseJsonLines(r.out), {signals[2]}, true);
    }
}

// A rig that is not there: one line naming it and exit status 2 within a few seconds, before
// any decoding.
TEST_F(DecodeProgram, MissingRigExitsWithStatus2AndOneLine) {
    const std::string wav = path("ok.wav").string();
    ASSERT_TRUE(pskmodem::writeAudioFile(wav, std::vector<float>(800, 0.0F), 8000));
    const std::string nobody = "127.0.0.1:" + std::to_string(station::testing::freeLoopbackPort());
    const std::vector<std::vector<std::string>> cases = {
        {"--all", wav, "--rig", nobody},
        {wav, "--freq", "1000", "--rig", nobody},
        {"--all", wav, "--rig-model", "999999"},
        {"--all", wav, "--rig-model", "2", "--rig-port", nobody},
    };
    for (const auto& args : cases) {
        SCOPED_TRACE(args.back());
        const auto started = std::chrono::steady_clock::now();
        const RunResult r = run(args);
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(4));
        expectBadInput(r);
        EXPECT_NE(r.err.find(args.back() == "999999" ? "rig model 999999" : nobody),
                  std::string::npos)
            << r.err;
    }
}

// A QPSK31 station on the upper sideband, heard through a rig on LSB, reaches the audio as QPSK31
// on the lower sideband: with the rig's dial (read from rigctld, or given) it is received as the
// QPSK31 USB it is on the air, at the dial minus its audio frequency.
TEST_F(DecodeProgram, QpskOnUpperSidebandDecodesWithTheRigOnLsb) {
    RigDaemon daemon(QUORVIN_RIGCTLD, station::testing::freeLoopbackPort());
    ASSERT_TRUE(daemon.start());
    ASSERT_TRUE(daemon.setFrequency(7'040'000));
    ASSERT_TRUE(daemon.setMode("LSB"));

    pskmodem::TestSignalConfig config;
    config.mode = pskmodem::Mode::QpskLsb;  // as the rig on LSB hands it over
    config.carrierHz = 1203.0;
    config.snrDb = 15.0;
    config.seed = 9;
    config.text = "QX1TST DE QY2ABC on the upper sideband, heard on LSB. 73\r\n";
    const pskmodem::TestSignal signal = pskmodem::makeTestSignal(config);
    const std::string wav = path("lsb.wav").string();
    ASSERT_TRUE(pskmodem::writeAudioFile(wav, signal.samples, 8000));

    for (const std::vector<std::string>& dial :
         {std::vector<std::string>{"--rig", daemon.hostPort()},
          std::vector<std::string>{"--dial", "7040000,lsb"}}) {
        SCOPED_TRACE(dial.back());
        std::vector<std::string> tuned = {wav, "--freq", "1203", "--mode", "qpsk-usb"};
        tuned.insert(tuned.end(), dial.begin(), dial.end());
        const RunResult one = run(tuned);
        EXPECT_EQ(one.exitStatus, 0) << one.err;
        EXPECT_LT(pskmodem::characterErrorRate(signal.text, one.out), 0.05) << one.out;

        std::vector<std::string> all = {"--all", wav, "--json"};
        all.insert(all.end(), dial.begin(), dial.end());
        const RunResult band = run(all);
        EXPECT_EQ(band.exitStatus, 0) << band.err;
        const std::vector<Report> reports = parseJsonLines(band.out);
        ASSERT_EQ(reports.size(), 1u) << band.out;
        EXPECT_EQ(reports[0].mode, "qpsk31-usb");
        EXPECT_LT(pskmodem::characterErrorRate(signal.text, reports[0].text), 0.05);
        EXPECT_NE(band.out.find("\"dial_hz\":7040000,\"rf_hz\":703879"), std::string::npos)
            << band.out;
    }
    // Without the dial the same audio read as QPSK31 USB is garbage.
    const RunResult wrong = run({wav, "--freq", "1203", "--mode", "qpsk-usb"});
    EXPECT_GT(pskmodem::characterErrorRate(signal.text, wrong.out), 0.3) << wrong.out;
}

// The faster speeds beside PSK31: each signal named with its speed, in the JSON's words.
TEST_F(DecodeProgram, NamesEachSignalsSpeed) {
    std::vector<BandSignal> signals = threeSignals();
    signals[1].speed = pskmodem::Speed::Psk63;
    signals[1].modeName = "qpsk63-usb";
    signals[1].displayName = "QPSK63 USB";
    signals[2].speed = pskmodem::Speed::Psk125;
    signals[2].mode = pskmodem::Mode::Bpsk;
    signals[2].modeName = "bpsk125";
    signals[2].displayName = "BPSK125";
    signals[2].carrierHz = 2100.0;
    signals[2].text += "And a second line on BPSK125, sent four times as fast.\r\n";
    const std::string wav = path("speeds.wav").string();
    ASSERT_TRUE(pskmodem::writeAudioFile(wav, recordBand(signals, 8000.0), 8000));
    const RunResult json = run({"--all", wav, "--json"});
    EXPECT_EQ(json.exitStatus, 0) << json.err;
    expectBand(parseJsonLines(json.out), signals, true);
    const RunResult text = run({"--all", wav});
    SCOPED_TRACE(json.out + text.out);
    expectBand(parseTextBlocks(text.out), signals, false);
    // --mode with a speed keeps only that mode at that speed.
    const RunResult one = run({"--all", wav, "--json", "--mode", "qpsk63-usb"});
    expectBand(parseJsonLines(one.out), {signals[1]}, true);
}

}  // namespace
