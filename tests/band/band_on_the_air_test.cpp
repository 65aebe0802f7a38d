// The band activity rows through the rig's dial: the frequency on the air before the audio
// frequency, and QPSK31 turned over to the sideband on the air when the rig is on LSB.

#include <gtest/gtest.h>

#include "band/band_table.h"

namespace {

using pskmodem::Mode;

band::Row MakeRow(double hz, Mode mode) {
    band::Row row;
    row.frequencyHz = hz;
    row.mode = mode;
    row.frequency = QStringLiteral("%1 Hz").arg(hz);
    row.modeName = band::ModeName(mode);
    return row;
}

TEST(BandOnTheAir, FrequencyAndSidebandFollowTheDial) {
    const std::vector<band::Row> rows{MakeRow(620.0, Mode::Bpsk), MakeRow(1075.0, Mode::QpskUsb),
                                      MakeRow(1891.4, Mode::QpskLsb)};
    const station::DialReading usb{
        .dialHz = 14'070'000, .mode = "USB", .sideband = station::Sideband::Upper};
    const station::DialReading lsb{
        .dialHz = 7'040'000, .mode = "PKTLSB", .sideband = station::Sideband::Lower};
    const struct {
        std::optional<station::DialReading> dial;
        std::vector<QString> frequencies;
        std::vector<QString> modes;
    } cases[] = {
        {std::nullopt, {"620 Hz", "1075 Hz", "1891.4 Hz"}, {"BPSK31", "QPSK31 USB", "QPSK31 LSB"}},
        {usb,
         {"14.070.620 (620 Hz)", "14.071.075 (1075 Hz)", "14.071.891 (1891 Hz)"},
         {"BPSK31", "QPSK31 USB", "QPSK31 LSB"}},
        {lsb,
         {"7.039.380 (620 Hz)", "7.038.925 (1075 Hz)", "7.038.109 (1891 Hz)"},
         {"BPSK31", "QPSK31 LSB", "QPSK31 USB"}},
    };
    for (const auto& c : cases) {
        const std::vector<band::Row> shown = band::OnTheAir(rows, c.dial);
        ASSERT_EQ(shown.size(), rows.size());
        for (std::size_t i = 0; i < rows.size(); ++i) {
            EXPECT_EQ(shown[i].frequency, c.frequencies[i]);
            EXPECT_EQ(shown[i].modeName, c.modes[i]);
            EXPECT_EQ(band::ModeName(shown[i].mode), c.modes[i]);
            EXPECT_EQ(shown[i].frequencyHz, rows[i].frequencyHz);  // a click tunes the audio
        }
    }
}

}  // namespace
