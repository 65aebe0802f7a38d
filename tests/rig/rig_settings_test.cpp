// The rig's rules without widgets: what the caption shows of the dial, the window's choice as a
// rig, and the rig's section of the settings file.

#include "rig/rig_settings.h"

#include <gtest/gtest.h>

#include "settings/settings_file.h"
#include "settings/settings_record.h"

namespace {

using station::RigStatus;

TEST(RigSettings, DialTextByState) {
    const station::DialReading lsb{
        .dialHz = 7'040'000, .mode = "LSB", .sideband = station::Sideband::Lower};
    const struct {
        RigStatus status;
        const char* text;
    } cases[] = {
        {RigStatus{}, ""},
        {RigStatus{.state = RigStatus::State::Answering, .reading = lsb, .error = {}},
         "7.040.000 LSB"},
        {RigStatus{.state = RigStatus::State::NotAnswering, .reading = {}, .error = "gone"},
         "rig not answering"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(rig::DialText(c.status), QString::fromUtf8(c.text));
    }
}

TEST(RigSettings, CaptionCarriesTheDialLast) {
    const struct {
        const char* caption;
        const char* before;
        const char* now;
        const char* shown;
    } cases[] = {
        {"Quorvin - QR9ZZ", "", "14.070.000 USB", "Quorvin - QR9ZZ - 14.070.000 USB"},
        {"Quorvin - QR9ZZ - 14.070.000 USB", "14.070.000 USB", "7.040.000 LSB",
         "Quorvin - QR9ZZ - 7.040.000 LSB"},
        {"Quorvin - 7.040.000 LSB", "7.040.000 LSB", "rig not answering",
         "Quorvin - rig not answering"},
        {"Quorvin - rig not answering", "rig not answering", "", "Quorvin"},
        {"Quorvin", "14.070.000 USB", "", "Quorvin"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(rig::CaptionWithDial(QString::fromUtf8(c.caption), QString::fromUtf8(c.before),
                                       QString::fromUtf8(c.now)),
                  QString::fromUtf8(c.shown))
            << c.caption;
    }
}

TEST(RigSettings, ChoiceGivesARigOrSaysWhatIsMissing) {
    using Kind = rig::RigChoice::Kind;
    const struct {
        rig::RigChoice choice;
        std::optional<station::RigAddress> address;
        bool error;
    } cases[] = {
        {{Kind::None, "127.0.0.1:4532", 1, "", 0}, std::nullopt, false},
        {{Kind::Daemon, " 127.0.0.1:4532 ", 1, "", 0},
         station::RigAddress::daemon("127.0.0.1:4532"),
         false},
        {{Kind::Daemon, "127.0.0.1", 1, "", 0}, std::nullopt, true},
        {{Kind::Model, "", 3073, "/dev/ttyUSB0", 19200},
         station::RigAddress{.model = 3073, .port = "/dev/ttyUSB0", .speed = 19200},
         false},
        {{Kind::Model, "", 0, "", 0}, std::nullopt, true},
    };
    for (const auto& c : cases) {
        const rig::ChosenRig chosen = rig::RigOfChoice(c.choice);
        EXPECT_EQ(chosen.address, c.address);
        EXPECT_EQ(!chosen.error.isEmpty(), c.error);
    }
}

// No rig by default: the settings file has no rig section; a rig chosen is written after line 48
// and read back, and a reset keeps it, as it keeps the sound card input.
TEST(RigSettings, SectionAfterLine48OnlyWhenARigIsChosen) {
    KVXmodules::SettingsRecord record;
    KVXmodules::DefaultSetValues(record);
    const QByteArray plain = KVXmodules::SettingsFileBytes(record, {}, u"0.1.0");
    EXPECT_FALSE(plain.contains("[Rig]"));
    EXPECT_FALSE(rig::RigAddressOf(record));

    for (const station::RigAddress& address :
         {station::RigAddress::daemon("127.0.0.1:4532"),
          station::RigAddress{.model = 3073, .port = "/dev/ttyUSB0", .speed = 19200}}) {
        rig::KeepRigAddress(address, record);
        const QByteArray bytes = KVXmodules::SettingsFileBytes(record, {}, u"0.1.0");
        const QList<QByteArray> lines = bytes.split('\n');
        ASSERT_GT(lines.size(), 52);
        EXPECT_TRUE(bytes.contains("[Rig]\r\n"));
        EXPECT_GT(lines.indexOf("[Rig]\r"), 47);
        KVXmodules::SettingsRecord read;
        KVXmodules::ReadSettingsFile(bytes, read);
        EXPECT_EQ(rig::RigAddressOf(read), address);

        KVXmodules::DefaultSetValues(read);
        EXPECT_EQ(rig::RigAddressOf(read), address);
    }
    // A file without the section (an older one) names no rig.
    KVXmodules::SettingsRecord older = record;
    KVXmodules::ReadSettingsFile(plain, older);
    EXPECT_FALSE(rig::RigAddressOf(older));
}

}  // namespace
