#include "decode_options.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "pskmodem/sources/audio_file.h"

namespace quorvin::decode {
namespace {

ParseResult parse(std::vector<std::string_view> args) {
    return parseDecodeOptions(args);
}

TEST(DecodeOptions, DefaultsForAFile) {
    const ParseResult r = parse({"rec.wav", "--freq", "1500"});
    ASSERT_TRUE(r.ok()) << r.error;
    const DecodeOptions& o = r.options;
    EXPECT_EQ(o.file, "rec.wav");
    EXPECT_FALSE(o.demo);
    EXPECT_FALSE(o.help);
    ASSERT_TRUE(o.frequencyHz);
    EXPECT_EQ(*o.frequencyHz, 1500.0);
    EXPECT_FALSE(o.mode);  // BPSK is applied by the program
    EXPECT_FALSE(o.searchHz);
    EXPECT_EQ(o.searchOrDefault(), 50.0);
    EXPECT_FALSE(o.squelch);
    EXPECT_EQ(o.squelchOrDefault(), 0);
    EXPECT_FALSE(o.realtime);
    EXPECT_FALSE(o.seconds);
    EXPECT_FALSE(o.all);
    EXPECT_FALSE(o.json);
}

TEST(DecodeOptions, AllDecodesEverySignalWithItsOwnDefaults) {
    const ParseResult r = parse({"--all", "band.wav"});
    ASSERT_TRUE(r.ok()) << r.error;
    const DecodeOptions& o = r.options;
    EXPECT_TRUE(o.all);
    EXPECT_FALSE(o.json);
    EXPECT_EQ(o.file, "band.wav");
    EXPECT_FALSE(o.frequencyHz);
    EXPECT_FALSE(o.mode);  // every mode
    EXPECT_EQ(o.searchOrDefault(), 15.0);
    EXPECT_EQ(o.squelchOrDefault(), 10);

    const ParseResult j = parse({"band.wav", "--json", "--all", "--mode=qpsk-lsb", "--search", "40",
                                 "--squelch", "0", "--seconds", "60", "--realtime"});
    ASSERT_TRUE(j.ok()) << j.error;
    EXPECT_TRUE(j.options.json);
    EXPECT_EQ(j.options.mode, pskmodem::Mode::QpskLsb);
    EXPECT_EQ(j.options.searchOrDefault(), 40.0);
    EXPECT_EQ(j.options.squelchOrDefault(), 0);  // given: the squelch is off
    EXPECT_EQ(j.options.seconds, 60.0);
    EXPECT_TRUE(j.options.realtime);

    const ParseResult demo = parse({"--demo", "--all", "--seconds", "5"});
    ASSERT_TRUE(demo.ok()) << demo.error;
    EXPECT_TRUE(demo.options.demo);
    EXPECT_TRUE(demo.options.all);
}

TEST(DecodeOptions, EveryOptionInBothSpellings) {
    for (const bool inlineValues : {false, true}) {
        SCOPED_TRACE(inlineValues);
        const ParseResult r =
            inlineValues ? parse({"--mode=qpsk-lsb", "--search=0", "--squelch=99", "--freq=100",
                                  "--realtime", "--seconds=2.5", "x.flac"})
                         : parse({"--mode", "qpsk-lsb", "--search", "0", "--squelch", "99",
                                  "--freq", "100", "--realtime", "--seconds", "2.5", "x.flac"});
        ASSERT_TRUE(r.ok()) << r.error;
        EXPECT_EQ(r.options.file, "x.flac");
        EXPECT_EQ(r.options.mode, pskmodem::Mode::QpskLsb);
        EXPECT_EQ(r.options.searchHz, 0.0);
        EXPECT_EQ(r.options.searchOrDefault(), 0.0);
        EXPECT_EQ(r.options.squelch, 99);
        EXPECT_EQ(r.options.frequencyHz, 100.0);
        EXPECT_TRUE(r.options.realtime);
        EXPECT_EQ(r.options.seconds, 2.5);
    }
}

// The dial comes given or from a rig: rigctld at HOST:PORT, or a hamlib model with its port.
TEST(DecodeOptions, DialAndRig) {
    const struct {
        std::vector<std::string_view> args;
        std::optional<std::int64_t> dialHz;
        std::optional<station::RigAddress> rig;
    } cases[] = {
        {{"--all", "a.wav"}, std::nullopt, std::nullopt},
        {{"--all", "a.wav", "--dial", "7040000,lsb"}, 7'040'000, std::nullopt},
        {{"--all", "a.wav", "--rig=127.0.0.1:4532"},
         std::nullopt,
         station::RigAddress::daemon("127.0.0.1:4532")},
        {{"--all", "a.wav", "--rig-model", "1"},
         std::nullopt,
         station::RigAddress{.model = 1, .port = "", .speed = 0}},
        {{"--all", "a.wav", "--rig-model", "3073", "--rig-port", "/dev/ttyUSB0", "--rig-speed",
          "19200"},
         std::nullopt,
         station::RigAddress{.model = 3073, .port = "/dev/ttyUSB0", .speed = 19200}},
    };
    for (const auto& c : cases) {
        const ParseResult r = parse(c.args);
        ASSERT_TRUE(r.ok()) << r.error;
        EXPECT_EQ(r.options.dial.has_value(), c.dialHz.has_value());
        if (c.dialHz) {
            EXPECT_EQ(r.options.dial->dialHz, *c.dialHz);
        }
        EXPECT_EQ(r.options.rig, c.rig);
    }
}

TEST(DecodeOptions, RangeEdgesAndFractionsAreAccepted) {
    EXPECT_EQ(parse({"f", "--freq", "3500"}).options.frequencyHz, 3500.0);
    EXPECT_EQ(parse({"f", "--freq", "1234.5"}).options.frequencyHz, 1234.5);
    EXPECT_EQ(parse({"f", "--freq", "1000", "--search", "200"}).options.searchHz, 200.0);
    EXPECT_EQ(parse({"f", "--freq", "1000", "--search", "12.5"}).options.searchHz, 12.5);
    EXPECT_EQ(parse({"f", "--freq", "1000", "--squelch", "0"}).options.squelch, 0);
    // Exponents are numbers too; one too small for a double is zero.
    EXPECT_EQ(parse({"f", "--freq", "1.5e3"}).options.frequencyHz, 1500.0);
    EXPECT_EQ(parse({"f", "--freq", "1000", "--squelch", "1e1"}).options.squelch, 10);
    EXPECT_EQ(parse({"f", "--freq", "1000", "--search", "1e-999"}).options.searchHz, 0.0);
}

TEST(DecodeOptions, ModesByName) {
    EXPECT_EQ(modeFromName("bpsk"), pskmodem::Mode::Bpsk);
    EXPECT_EQ(modeFromName("qpsk-usb"), pskmodem::Mode::QpskUsb);
    EXPECT_EQ(modeFromName("qpsk-lsb"), pskmodem::Mode::QpskLsb);
    EXPECT_FALSE(modeFromName("BPSK"));
    EXPECT_FALSE(modeFromName("qpsk"));
    EXPECT_FALSE(modeFromName(""));
    EXPECT_EQ(modeDisplayName(pskmodem::Mode::QpskUsb), "QPSK31 USB");
    EXPECT_EQ(modeJsonName(pskmodem::Mode::Bpsk), "bpsk31");
    EXPECT_EQ(modeJsonName(pskmodem::Mode::QpskUsb), "qpsk31-usb");
    EXPECT_EQ(modeJsonName(pskmodem::Mode::QpskLsb), "qpsk31-lsb");
}

TEST(DecodeOptions, ModesAtEverySpeedByTheNamesTheOutputUses) {
    using pskmodem::Mode;
    using pskmodem::Speed;
    struct Case {
        std::string_view name;
        Mode mode;
        Speed speed;
        std::string_view display;
    };
    const Case cases[] = {
        {"bpsk", Mode::Bpsk, Speed::Psk31, "BPSK31"},
        {"qpsk31-lsb", Mode::QpskLsb, Speed::Psk31, "QPSK31 LSB"},
        {"bpsk63", Mode::Bpsk, Speed::Psk63, "BPSK63"},
        {"qpsk63-usb", Mode::QpskUsb, Speed::Psk63, "QPSK63 USB"},
        {"qpsk63-lsb", Mode::QpskLsb, Speed::Psk63, "QPSK63 LSB"},
        {"bpsk125", Mode::Bpsk, Speed::Psk125, "BPSK125"},
        {"qpsk125-usb", Mode::QpskUsb, Speed::Psk125, "QPSK125 USB"},
        {"qpsk125-lsb", Mode::QpskLsb, Speed::Psk125, "QPSK125 LSB"},
        {"bpsk250", Mode::Bpsk, Speed::Psk250, "BPSK250"},
        {"qpsk250-usb", Mode::QpskUsb, Speed::Psk250, "QPSK250 USB"},
        {"qpsk250-lsb", Mode::QpskLsb, Speed::Psk250, "QPSK250 LSB"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ParseResult r = parse({"f.wav", "--freq", "1000", "--mode", c.name});
        ASSERT_TRUE(r.ok()) << r.error;
        EXPECT_EQ(r.options.mode, c.mode);
        EXPECT_EQ(r.options.speed, c.speed);
        EXPECT_EQ(modeDisplayName(c.mode, c.speed), c.display);
        if (c.name != "bpsk") {
            EXPECT_EQ(modeJsonName(c.mode, c.speed), c.name);
        }
    }
    for (const std::string_view bad : {"bpsk62", "qpsk63", "BPSK63", "qpsk-usb63", "bpsk500"}) {
        EXPECT_FALSE(modeAtSpeedFromName(bad)) << bad;
    }
    // Without --mode the speed is PSK31's (--all then looks for every speed).
    EXPECT_EQ(parse({"f.wav", "--freq", "1000"}).options.speed, Speed::Psk31);
    EXPECT_EQ(parse({"f.wav", "--all", "--mode", "bpsk63"}).options.speed, Speed::Psk63);
}

TEST(DecodeOptions, DemoNeedsNoFrequency) {
    const ParseResult r = parse({"--demo", "--seconds", "10"});
    ASSERT_TRUE(r.ok()) << r.error;
    EXPECT_TRUE(r.options.demo);
    EXPECT_FALSE(r.options.frequencyHz);
    EXPECT_EQ(r.options.seconds, 10.0);
    EXPECT_TRUE(parse({"--demo", "--freq", "620", "--mode", "bpsk"}).ok());
}

TEST(DecodeOptions, HelpWinsOverEverythingValid) {
    EXPECT_TRUE(parse({"--help"}).options.help);
    EXPECT_TRUE(parse({"-h"}).options.help);
    EXPECT_TRUE(parse({"--version"}).options.version);
    EXPECT_TRUE(parse({"x.wav", "--version"}).ok()) << "no frequency needed";
    EXPECT_FALSE(parse({"--version=1"}).ok());
    const ParseResult r = parse({"--demo", "x.wav", "--help"});
    EXPECT_TRUE(r.ok());
    EXPECT_TRUE(r.options.help);
    EXPECT_NE(usageText().find("--freq HZ"), std::string::npos);
    // The sample rates a recording may have, as the file source checks them.
    EXPECT_NE(usageText().find(std::to_string(pskmodem::kMinAudioFileRateHz) + " to " +
                               std::to_string(pskmodem::kMaxAudioFileRateHz) + " samples/s"),
              std::string::npos);
    for (const char* text : {"--all", "--json", "frequency_hz", "Windows-1252", "\\u20ac"}) {
        EXPECT_NE(usageText().find(text), std::string::npos) << text;
    }
}

TEST(DecodeOptions, RepeatedOptionLastWinsAndDoubleDashEndsOptions) {
    EXPECT_EQ(parse({"f", "--freq", "500", "--freq", "700"}).options.frequencyHz, 700.0);
    const ParseResult r = parse({"--freq", "700", "--", "-odd name.wav"});
    ASSERT_TRUE(r.ok()) << r.error;
    EXPECT_EQ(r.options.file, "-odd name.wav");
    // A lone dash is a file name, not an option.
    EXPECT_EQ(parse({"-", "--freq", "700"}).options.file, "-");
}

// A number of 400 digits, beyond what a double holds.
const std::string kManyDigits(400, '9');

struct BadCase {
    std::vector<std::string_view> args;
    std::string_view expectedInError;
};

TEST(DecodeOptions, BadCommandLinesGiveOneLineErrors) {
    const std::vector<BadCase> cases = {
        {{}, "no input"},
        {{"--freq", "1000"}, "no input"},
        {{"f.wav"}, "--freq HZ is required"},
        {{"f.wav", "--all", "--freq", "1000"}, "--freq cannot be given with --all"},
        {{"f.wav", "--freq", "1000", "--json"}, "--json needs --all"},
        {{"f.wav", "--json"}, "--json needs --all"},
        {{"f.wav", "--all", "--search", "41"}, "--search must be between 0 and 40 with --all"},
        {{"f.wav", "--all", "--search", "201"}, "--search must be between 0 and 200"},
        {{"f.wav", "--all=yes"}, "--all takes no value"},
        {{"f.wav", "--all", "--json=1"}, "--json takes no value"},
        {{"--all"}, "no input"},
        {{"f.wav", "--freq"}, "--freq needs a value"},
        {{"f.wav", "--freq="}, "--freq needs a number"},
        {{"f.wav", "--freq", "abc"}, "--freq needs a number, not \"abc\""},
        {{"f.wav", "--freq", "1000Hz"}, "needs a number"},
        {{"f.wav", "--freq", "1e3x"}, "needs a number"},
        {{"f.wav", "--freq", "+1000"}, "needs a number"},
        {{"f.wav", "--freq", " 1000"}, "needs a number"},
        {{"f.wav", "--freq", "nan"}, "needs a number"},
        {{"f.wav", "--freq", "0x100"}, "needs a number"},
        // Numbers however large or small are out of range, not "no number".
        {{"f.wav", "--freq", "1e99"}, "--freq must be between 100 and 3500, not 1e99"},
        {{"f.wav", "--freq", "1e999"}, "--freq must be between 100 and 3500, not 1e999"},
        {{"f.wav", "--freq", "-1e999"}, "between 100 and 3500"},
        {{"f.wav", "--freq", "1e-999"}, "between 100 and 3500"},
        {{"f.wav", "--freq", std::string_view(kManyDigits)}, "between 100 and 3500"},
        {{"f.wav", "--freq", "inf"}, "between 100 and 3500, not inf"},
        {{"f.wav", "--freq", "1000", "--search", "1e99"}, "--search must be between 0 and 200"},
        {{"f.wav", "--all", "--search", "1e99"}, "--search must be between 0 and 200"},
        {{"f.wav", "--freq", "1000", "--squelch", "1e99"}, "--squelch must be between 0 and 99"},
        {{"f.wav", "--freq", "1000", "--seconds", "1e99"}, "--seconds must be between 0 and"},
        {{"f.wav", "--freq", "99.9"}, "--freq must be between 100 and 3500"},
        {{"f.wav", "--freq", "3501"}, "between 100 and 3500"},
        {{"f.wav", "--freq", "-1000"}, "between 100 and 3500"},
        {{"f.wav", "--freq", "1000", "--search", "-1"}, "--search must be between 0 and 200"},
        {{"f.wav", "--freq", "1000", "--search", "200.5"}, "between 0 and 200"},
        {{"f.wav", "--freq", "1000", "--squelch", "100"}, "--squelch must be between 0 and 99"},
        {{"f.wav", "--freq", "1000", "--squelch", "-1"}, "between 0 and 99"},
        {{"f.wav", "--freq", "1000", "--squelch", "5.5"}, "--squelch needs a whole number"},
        {{"f.wav", "--freq", "1000", "--squelch", "99999999999999"}, "between 0 and 99"},
        {{"f.wav", "--freq", "1000", "--squelch", "0.5"}, "--squelch needs a whole number"},
        {{"f.wav", "--freq", "1000", "--squelch", "x"}, "--squelch needs a number, not \"x\""},
        {{"f.wav", "--freq", "1000", "--squelch"}, "--squelch needs a value"},
        {{"f.wav", "--freq", "1000", "--mode", "fm"}, "--mode must be bpsk, qpsk-usb or"},
        {{"f.wav", "--freq", "1000", "--mode"}, "--mode needs a value"},
        {{"f.wav", "--freq", "1000", "--seconds", "0"}, "--seconds must be more than 0"},
        {{"f.wav", "--freq", "1000", "--bogus"}, "unknown option \"--bogus\""},
        {{"f.wav", "--freq", "1000", "-x"}, "unknown option \"-x\""},
        {{"f.wav", "--freq", "1000", "--realtime=yes"}, "--realtime takes no value"},
        {{"a.wav", "b.wav", "--freq", "1000"}, "only one file"},
        {{"a.wav", "--demo"}, "either a file or --demo"},
        {{"", "--freq", "1000"}, "file name is empty"},
        {{"a.wav", "--all", "--device", "default"}, "either a file or --device"},
        {{"--demo", "--device", "pulse"}, "either --demo or --device"},
        {{"--device", "pulse"}, "--freq HZ is required when decoding a sound card"},
        {{"--device="}, "--device needs a device name or default"},
        {{"--device"}, "--device needs a value"},
        {{"--list-devices=1"}, "--list-devices takes no value"},
        {{"--device", "default", "--all", "--my-call", "QX9 TST"}, "--my-call needs a call sign"},
        {{"--device", "default", "--all", "--my-call", ""}, "--my-call needs a call sign"},
        {{"--device", "default", "--all", "--my-locator", "JO31"}, "--my-locator needs --my-call"},
        {{"--device", "default", "--all", "--antenna", "dipole"}, "--antenna needs --my-call"},
        {{"--device", "default", "--all", "--report", "127.0.0.1:4739"},
         "--report needs --my-call"},
        {{"--device", "default", "--all", "--my-call", "QX9TST", "--my-locator", "ZZ99"},
         "--my-locator needs a locator"},
        {{"--device", "default", "--all", "--my-call", "QX9TST", "--antenna", "a\nb"},
         "--antenna needs one line"},
        {{"--device", "default", "--all", "--my-call", "QX9TST", "--report", "nowhere"},
         "--report needs HOST:PORT, not \"nowhere\""},
        {{"--device", "default", "--all", "--stream", "127.0.0.1:0"}, "--stream needs HOST:PORT"},
        {{"--device", "default", "--all", "--adif="}, "--adif needs a file name"},
    };
    for (const BadCase& c : cases) {
        std::string joined;
        for (const std::string_view a : c.args) {
            joined += "[" + std::string(a) + "] ";
        }
        SCOPED_TRACE(joined);
        const ParseResult r = parse(c.args);
        EXPECT_FALSE(r.ok());
        EXPECT_NE(r.error.find(c.expectedInError), std::string::npos) << r.error;
        EXPECT_EQ(r.error.find('\n'), std::string::npos);
    }
}

TEST(DecodeOptions, ASoundCardInsteadOfAFile) {
    const ParseResult r = parse({"--device", "pulse [ALSA]", "--all", "--json", "--seconds", "30"});
    ASSERT_TRUE(r.ok()) << r.error;
    EXPECT_EQ(r.options.device, "pulse [ALSA]");
    EXPECT_TRUE(r.options.live());
    EXPECT_TRUE(r.options.file.empty());
    EXPECT_EQ(r.options.seconds, 30.0);
    EXPECT_FALSE(parse({"f.wav", "--all"}).options.live());

    const ParseResult one = parse({"--device=default", "--freq", "1500"});
    ASSERT_TRUE(one.ok()) << one.error;
    EXPECT_EQ(one.options.device, "default");

    // Listing the devices needs nothing else and wins over what else is given.
    for (const std::vector<std::string_view>& args :
         {std::vector<std::string_view>{"--list-devices"},
          std::vector<std::string_view>{"--list-devices", "a.wav", "--demo"}}) {
        const ParseResult list = parse(args);
        ASSERT_TRUE(list.ok()) << list.error;
        EXPECT_TRUE(list.options.listDevices);
    }
}

TEST(DecodeOptions, TheStationsLinks) {
    const ParseResult r =
        parse({"--device", "default", "--all", "--dial", "14070000", "--my-call", "QX9TST",
               "--my-locator", "jo31LE", "--antenna", "dipole at 10 m", "--report",
               "127.0.0.1:14739", "--adif", "heard.adi", "--stream", "localhost:9999"});
    ASSERT_TRUE(r.ok()) << r.error;
    EXPECT_EQ(r.options.myCall, "QX9TST");
    EXPECT_EQ(r.options.myLocator, "jo31LE");
    EXPECT_EQ(r.options.antenna, "dipole at 10 m");
    EXPECT_EQ(r.options.report.host, "127.0.0.1");
    EXPECT_EQ(r.options.report.port, 14739);
    EXPECT_EQ(r.options.adif, "heard.adi");
    ASSERT_TRUE(r.options.stream);
    EXPECT_EQ(r.options.stream->host, "localhost");
    EXPECT_EQ(r.options.stream->port, 9999);

    // The network's own address unless told otherwise; a short-wave listener's call is fine.
    const ParseResult d = parse({"--device", "default", "--all", "--my-call", "QX/SWL/KIM"});
    ASSERT_TRUE(d.ok()) << d.error;
    EXPECT_EQ(d.options.report.host, "report.pskreporter.info");
    EXPECT_EQ(d.options.report.port, 4739);
    EXPECT_EQ(d.options.myCall, "QX/SWL/KIM");
    EXPECT_FALSE(d.options.stream);
    EXPECT_TRUE(d.options.adif.empty());
}

TEST(DecodeOptions, LocatorsOfFourSixOrEightCharacters) {
    for (const char* good : {"JO31", "jo31", "JO31le", "RR99XX", "AA00aa00", "JO31le52"}) {
        EXPECT_TRUE(isLocator(good)) << good;
    }
    for (const char* bad : {"", "JO3", "JO31l", "SO31", "JS31", "J031", "JO31LY", "JO31le5",
                            "JO31leAB", "JO31le520"}) {
        EXPECT_FALSE(isLocator(bad)) << bad;
    }
}

// Reports and the heard log only for what a sound card receives, with --all and a dial; a line
// says why whenever one of them is asked for and left out.
TEST(DecodeOptions, ReportsAndTheHeardLogOnlyFromASoundCardWithAllAndADial) {
    const struct {
        std::vector<std::string_view> args;
        bool report;
        bool adif;
        std::vector<std::string_view> notes;  // what each note contains, in order
    } cases[] = {
        {{"--device", "default", "--all", "--dial", "14070000", "--my-call", "QX9TST", "--adif",
          "h.adi"},
         true,
         true,
         {}},
        {{"--device", "default", "--all", "--rig", "127.0.0.1:4532", "--my-call", "QX9TST"},
         true,
         false,
         {}},
        {{"--device", "default", "--all", "--dial", "14070000"}, false, false, {}},
        {{"band.wav", "--all", "--dial", "14070000", "--my-call", "QX9TST", "--adif", "h.adi"},
         false,
         false,
         {"reception reports are sent only for what a sound card receives",
          "the heard log is written only for what a sound card receives"}},
        {{"--demo", "--all", "--dial", "14070000", "--my-call", "QX9TST"},
         false,
         false,
         {"never for a recording or the demo: none are sent"}},
        {{"--device", "default", "--all", "--my-call", "QX9TST", "--adif", "h.adi"},
         false,
         false,
         {"reception reports are sent only with the rig's dial (--dial or --rig)",
          "the heard log is written only with the rig's dial"}},
        {{"--device", "default", "--freq", "1500", "--dial", "14070000", "--my-call", "QX9TST"},
         false,
         false,
         {"reception reports are sent only with --all: none are sent"}},
        {{"band.wav", "--all", "--stream", "127.0.0.1:9999"}, false, false, {}},
    };
    for (const auto& c : cases) {
        const ParseResult r = parse(c.args);
        ASSERT_TRUE(r.ok()) << r.error;
        const StationPlan plan = stationPlan(r.options);
        SCOPED_TRACE(std::string(c.args.front()) + " " + std::string(c.args.back()));
        EXPECT_EQ(plan.report, c.report);
        EXPECT_EQ(plan.adif, c.adif);
        ASSERT_EQ(plan.notes.size(), c.notes.size());
        for (std::size_t i = 0; i < c.notes.size(); ++i) {
            EXPECT_NE(plan.notes[i].find(c.notes[i]), std::string::npos) << plan.notes[i];
            EXPECT_EQ(plan.notes[i].find('\n'), std::string::npos);
        }
    }
}

TEST(DecodeOptions, HelpNamesTheLiveOptionsAndTheStream) {
    const std::string usage = usageText();
    for (const char* text :
         {"--device NAME", "--list-devices", "--my-call", "--my-locator", "--antenna",
          "--report HOST:PORT", "report.pskreporter.info:4739", "--adif FILE", "--stream HOST:PORT",
          "\"type\":\"line\"", "\"type\":\"band\""}) {
        EXPECT_NE(usage.find(text), std::string::npos) << text;
    }
}

}  // namespace
}  // namespace quorvin::decode
