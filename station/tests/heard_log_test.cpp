#include "station/heard_log.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <string_view>

namespace station {
namespace {

namespace fs = std::filesystem;

// A folder of its own for each test, removed with it.
class TemporaryFolder {
  public:
    TemporaryFolder() {
        std::string pattern = (fs::temp_directory_path() / "heard-log-XXXXXX").string();
        path_ = ::mkdtemp(pattern.data());
    }
    ~TemporaryFolder() {
        std::error_code ignored;
        fs::permissions(path_, fs::perms::owner_all, ignored);
        fs::remove_all(path_, ignored);
    }
    const fs::path& path() const { return path_; }

  private:
    fs::path path_;
};

std::string readAll(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::string text;
    char buffer[4096];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        text.append(buffer, static_cast<std::size_t>(in.gcount()));
    }
    return text;
}

std::int64_t unixTime(int year, int month, int day, int hour, int minute, int second) {
    std::tm fields{};
    fields.tm_year = year - 1900;
    fields.tm_mon = month - 1;
    fields.tm_mday = day;
    fields.tm_hour = hour;
    fields.tm_min = minute;
    fields.tm_sec = second;
    return ::timegm(&fields);
}

const std::int64_t kStart = unixTime(2026, 12, 8, 14, 3, 7);

Spot spot(std::string call, std::int64_t rfHz, std::int64_t timeUnix) {
    return Spot{.call = std::move(call),
                .rfHz = rfHz,
                .mode = "PSK31",
                .snrDb = 12,
                .imdDb = -28,
                .locator = "",
                .timeUnix = timeUnix};
}

std::size_t records(const std::string& text) {
    std::size_t count = 0;
    for (std::size_t at = text.find("<EOR>"); at != std::string::npos;
         at = text.find("<EOR>", at + 1)) {
        ++count;
    }
    return count;
}

TEST(HeardLog, AnAdif3HeaderThenOneRecordPerLine) {
    TemporaryFolder folder;
    const fs::path file = folder.path() / "heard.adi";
    HeardLog log(file, "0.1.0");
    EXPECT_EQ(log.file(), file);

    Spot qpsk = spot("QX2ABC/P", 7'040'250, kStart + 3 * 86'400 + 25);
    qpsk.mode = "QPSK31";
    qpsk.snrDb = -3;
    qpsk.imdDb.reset();
    Spot vhf = spot("QR7AA", 144'138'000, unixTime(2027, 1, 1, 0, 0, 0));
    vhf.mode = "PSK125";
    Spot offBand = spot("QR7AB", 14'500'000, kStart);  // no band: the frequency alone
    for (const Spot& s : {spot("QR9ZZ", 14'071'520, kStart), qpsk, vhf, offBand}) {
        EXPECT_EQ(log.add(s), "");
    }

    const std::string text = readAll(file);
    const std::regex expected(
        "Stations heard, written by Quorvin\n"
        "<ADIF_VER:5>3\\.1\\.4\n"
        "<PROGRAMID:7>Quorvin\n"
        "<PROGRAMVERSION:5>0\\.1\\.0\n"
        "<CREATED_TIMESTAMP:15>20[0-9]{6} [0-2][0-9][0-5][0-9][0-5][0-9]\n"
        "<EOH>\n");
    std::smatch header;
    ASSERT_TRUE(std::regex_search(text, header, expected, std::regex_constants::match_continuous))
        << text;
    EXPECT_EQ(text.substr(static_cast<std::size_t>(header.length())),
              "<CALL:5>QR9ZZ <QSO_DATE:8>20261208 <TIME_ON:6>140307 <FREQ:9>14.071520 "
              "<BAND:3>20m <MODE:3>PSK <SUBMODE:5>PSK31 <SWL:1>Y <COMMENT:20>S/N 12 dB IMD -28 dB "
              "<EOR>\n"
              "<CALL:8>QX2ABC/P <QSO_DATE:8>20261211 <TIME_ON:6>140332 <FREQ:8>7.040250 "
              "<BAND:3>40m <MODE:3>PSK <SUBMODE:6>QPSK31 <SWL:1>Y <COMMENT:9>S/N -3 dB <EOR>\n"
              "<CALL:5>QR7AA <QSO_DATE:8>20270101 <TIME_ON:6>000000 <FREQ:10>144.138000 "
              "<BAND:2>2m <MODE:3>PSK <SUBMODE:6>PSK125 <SWL:1>Y <COMMENT:20>S/N 12 dB IMD -28 dB "
              "<EOR>\n"
              "<CALL:5>QR7AB <QSO_DATE:8>20261208 <TIME_ON:6>140307 <FREQ:9>14.500000 "
              "<MODE:3>PSK <SUBMODE:5>PSK31 <SWL:1>Y <COMMENT:20>S/N 12 dB IMD -28 dB <EOR>\n");
    // Nothing is left beside the log.
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 1);
}

TEST(HeardLog, OnceACallPerBandPerHourAlsoAfterANewStart) {
    struct Step {
        std::string_view call;
        std::int64_t rfHz;
        std::int64_t secondsAfterStart;
        bool logged;
    };
    const Step steps[] = {
        {"QR9ZZ", 14'070'000, 0, true},
        {"QR9ZZ", 14'071'000, 1800, false},  // the same band within the hour
        {"QR9ZZ", 7'040'000, 1800, true},    // another band
        {"QX2ABC", 14'070'000, 1900, true},  // another call
        {"QR9ZZ", 14'070'000, 3599, false},
        {"QR9ZZ", 14'070'000, 3600, true},
        {"QR9ZZ", 14'070'000, 3700, false},
        {"QR9ZZ", 14'070'000, 3000, false},  // a spot told late, still within the hour
    };
    TemporaryFolder folder;
    const fs::path file = folder.path() / "heard.adi";
    {
        HeardLog log(file, "0.1.0");
        std::size_t expected = 0;
        for (const Step& step : steps) {
            SCOPED_TRACE(std::string(step.call) + " at " + std::to_string(step.secondsAfterStart));
            EXPECT_EQ(
                log.add(spot(std::string(step.call), step.rfHz, kStart + step.secondsAfterStart)),
                "");
            expected += step.logged ? 1 : 0;
            EXPECT_EQ(records(readAll(file)), expected);
        }
    }
    // A new log on the same file knows what it holds.
    HeardLog again(file, "0.1.0");
    const std::size_t before = records(readAll(file));
    EXPECT_EQ(again.add(spot("QR9ZZ", 14'070'000, kStart + 3700)), "");
    EXPECT_EQ(again.add(spot("QX2ABC", 14'070'000, kStart + 1900 + 3599)), "");
    EXPECT_EQ(records(readAll(file)), before);
    EXPECT_EQ(again.add(spot("QR9ZZ", 7'040'000, kStart + 1800 + 3600)), "");
    EXPECT_EQ(records(readAll(file)), before + 1);
}

TEST(HeardLog, AFailedWriteLeavesTheOldFileWholeAndIsTriedAgain) {
    TemporaryFolder folder;
    const fs::path file = folder.path() / "heard.adi";
    HeardLog log(file, "0.1.0");
    ASSERT_EQ(log.add(spot("QR9ZZ", 14'070'000, kStart)), "");
    const std::string before = readAll(file);

    // The temporary file's place is taken (by a folder, which stops root as well).
    const fs::path obstacle = folder.path() / "heard.adi.tmp";
    fs::create_directory(obstacle);
    const std::string error = log.add(spot("QX2ABC", 14'070'000, kStart + 60));
    EXPECT_NE(error.find("Cannot write"), std::string::npos) << error;
    EXPECT_NE(error.find(file.string()), std::string::npos) << error;
    EXPECT_EQ(readAll(file), before);

    // The record was not taken for logged: once the folder can be written, it is.
    fs::remove(obstacle);
    EXPECT_EQ(log.add(spot("QX2ABC", 14'070'000, kStart + 120)), "");
    EXPECT_EQ(records(readAll(file)), 2u);
}

TEST(HeardLog, AFolderThatCannotBeWrittenIsAnError) {
    TemporaryFolder folder;
    // No such folder.
    HeardLog missing(folder.path() / "gone" / "heard.adi", "0.1.0");
    EXPECT_NE(missing.add(spot("QR9ZZ", 14'070'000, kStart)), "");
    EXPECT_FALSE(fs::exists(folder.path() / "gone"));

    // The log's name taken by a folder: nothing is written over it.
    fs::create_directory(folder.path() / "taken.adi");
    HeardLog taken(folder.path() / "taken.adi", "0.1.0");
    const std::string error = taken.add(spot("QR9ZZ", 14'070'000, kStart));
    EXPECT_NE(error.find("Cannot read"), std::string::npos) << error;
    EXPECT_TRUE(fs::is_directory(folder.path() / "taken.adi"));
}

TEST(HeardLog, AReadOnlyFolderIsAnError) {
    // Root writes into read-only folders anyway: only an ordinary user sees this.
    if (::geteuid() == 0) {
        GTEST_SKIP() << "running as root, which writes into read-only folders";
    }
    TemporaryFolder folder;
    const fs::path readOnly = folder.path() / "read-only";
    fs::create_directory(readOnly);
    { std::ofstream(readOnly / "heard.adi") << "old\n"; }
    fs::permissions(readOnly, fs::perms::owner_read | fs::perms::owner_exec);
    HeardLog log(readOnly / "heard.adi", "0.1.0");
    EXPECT_NE(log.add(spot("QR9ZZ", 14'070'000, kStart)), "");
    EXPECT_EQ(readAll(readOnly / "heard.adi"), "old\n");
    fs::permissions(readOnly, fs::perms::owner_all);
}

}  // namespace
}  // namespace station
