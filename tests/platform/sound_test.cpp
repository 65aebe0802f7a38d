// The alarm sound: the shipped alarm.wav (format, size, its two tones) and the PortAudio player
// (reading and converting sounds, and playing in the background without ever blocking or
// complaining, whether or not the machine has a sound output).

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <string>
#include <vector>

#include "platform/portaudio_sound_player.h"
#include "pskmodem/sources/audio_file.h"

namespace {

using platform::ConvertRate;
using platform::LoadSoundClip;
using platform::SoundClip;

QString ShippedAlarm() {
    return QDir::cleanPath(QStringLiteral(QUORVIN_TEST_DATA_DIR) +
                           QStringLiteral("/../../app/sounds/alarm.wav"));
}

// Power of `hz` in samples [first, first + count) (Goertzel).
double TonePower(const std::vector<float>& samples, double rateHz, double hz, std::size_t first,
                 std::size_t count) {
    const double w = 2.0 * std::numbers::pi * hz / rateHz;
    const double coefficient = 2.0 * std::cos(w);
    double s1 = 0.0;
    double s2 = 0.0;
    for (std::size_t i = first; i < first + count && i < samples.size(); ++i) {
        const double s0 = static_cast<double>(samples[i]) + coefficient * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    return (s1 * s1 + s2 * s2 - coefficient * s1 * s2) / static_cast<double>(count * count);
}

// The 42 bytes of a FLAC file that is only its stream header, claiming `frames` 16-bit mono
// frames at 8000 Hz.
QByteArray FlacHeaderClaiming(std::uint64_t frames) {
    QByteArray bytes("fLaC\x80\0\0\x22\x10\0\x10\0\0\0\0\0\0\0", 18);
    const std::uint64_t packed = std::uint64_t{8000} << 44U | std::uint64_t{15} << 36U | frames;
    for (int shift = 56; shift >= 0; shift -= 8) {
        bytes += static_cast<char>(packed >> static_cast<unsigned>(shift) & 0xFFU);
    }
    return bytes + QByteArray(16, '\0');  // no checksum
}

TEST(AlarmWav, IsAShortSixteenBitMonoFile) {
    QFile file(ShippedAlarm());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << ShippedAlarm().toStdString();
    const QByteArray bytes = file.readAll();
    EXPECT_LT(bytes.size(), 50 * 1024);
    ASSERT_GE(bytes.size(), 44);
    EXPECT_EQ(bytes.left(4), QByteArray("RIFF"));
    EXPECT_EQ(bytes.mid(8, 8), QByteArray("WAVEfmt "));
    const auto u16 = [&bytes](int at) {
        return static_cast<unsigned>(static_cast<unsigned char>(bytes[at])) |
               static_cast<unsigned>(static_cast<unsigned char>(bytes[at + 1])) << 8U;
    };
    EXPECT_EQ(u16(20), 1U);  // PCM
    EXPECT_EQ(u16(22), 1U);  // one channel
    const unsigned rate = u16(24) | u16(26) << 16U;
    EXPECT_TRUE(rate == 8000U || rate == 22050U) << rate;
    EXPECT_EQ(u16(34), 16U);  // bits per sample
}

TEST(AlarmWav, IsATwoToneChime) {
    const std::unique_ptr<SoundClip> clip = LoadSoundClip(ShippedAlarm());
    ASSERT_NE(clip, nullptr);
    const double seconds = static_cast<double>(clip->samples.size()) / clip->sampleRateHz;
    EXPECT_GT(seconds, 0.5);
    EXPECT_LT(seconds, 2.0);
    float peak = 0.0F;
    for (const float s : clip->samples) {
        peak = std::max(peak, std::abs(s));
    }
    EXPECT_GT(peak, 0.3F);
    EXPECT_LT(peak, 0.95F);                            // no clipping
    EXPECT_LT(std::abs(clip->samples.back()), 0.01F);  // ends in silence, no click

    // The first tone alone at the start, the second taking over later.
    const auto at = [&](double s) { return static_cast<std::size_t>(s * clip->sampleRateHz); };
    const std::size_t window = at(0.1);
    const double rate = clip->sampleRateHz;
    const double firstEarly = TonePower(clip->samples, rate, 659.25, at(0.05), window);
    const double secondEarly = TonePower(clip->samples, rate, 523.25, at(0.05), window);
    const double firstLate = TonePower(clip->samples, rate, 659.25, at(0.6), window);
    const double secondLate = TonePower(clip->samples, rate, 523.25, at(0.6), window);
    const double neither = TonePower(clip->samples, rate, 880.0, at(0.05), window);
    EXPECT_GT(firstEarly, 100.0 * secondEarly);
    EXPECT_GT(firstEarly, 100.0 * neither);
    EXPECT_GT(secondLate, 2.0 * firstLate);
}

TEST(SoundClipTest, MissingOrUnreadableFilesGiveNothing) {
    QTemporaryDir folder;
    EXPECT_EQ(LoadSoundClip(QDir(folder.path()).filePath(QStringLiteral("none.wav"))), nullptr);
    EXPECT_EQ(LoadSoundClip(QString()), nullptr);
    const QString text = QDir(folder.path()).filePath(QStringLiteral("text.wav"));
    QFile file(text);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("this is no sound");
    file.close();
    EXPECT_EQ(LoadSoundClip(text), nullptr);
}

// A clip is refused like a recording the receiver cannot use: a pipe is not waited on, and a
// rate no sound has is not converted whole (a header saying 1 Hz would make each sample 48000).
TEST(SoundClipTest, PipesAndUnusableRatesGiveNothingAtOnce) {
    QTemporaryDir folder;
    const auto file = [&folder](const char* name) {
        return QDir(folder.path()).filePath(QString::fromLatin1(name));
    };
    const std::string pipe = QFile::encodeName(file("pipe.wav")).toStdString();
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    struct Case {
        int rateHz;
        bool plays;
    };
    for (const Case c : {Case{1, false}, Case{6999, false}, Case{7000, true}, Case{768000, true},
                         Case{768001, false}}) {
        const QString path = file("clip.wav");
        ASSERT_TRUE(pskmodem::writeAudioFile(QFile::encodeName(path).toStdString(),
                                             std::vector<float>(4000, 0.1F), c.rateHz));
        EXPECT_EQ(LoadSoundClip(path) != nullptr, c.plays) << c.rateHz;
    }
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(LoadSoundClip(file("pipe.wav")), nullptr);
    EXPECT_EQ(LoadSoundClip(folder.path()), nullptr);
    EXPECT_LT(clock.elapsed(), 1000);
}

TEST(SoundClipTest, ChannelsAreMixedAndRatesConverted) {
    QTemporaryDir folder;
    const QString path = QDir(folder.path()).filePath(QStringLiteral("stereo.wav"));
    std::vector<float> stereo;
    constexpr int kRate = 11025;
    for (int i = 0; i < kRate; ++i) {
        const auto tone = static_cast<float>(
            0.5 * std::sin(2.0 * std::numbers::pi * 500.0 * i / static_cast<double>(kRate)));
        stereo.push_back(tone);  // left
        stereo.push_back(0.0F);  // right
    }
    ASSERT_TRUE(pskmodem::writeAudioFile(QFile::encodeName(path).toStdString(), stereo, kRate, 2));
    const std::unique_ptr<SoundClip> clip = LoadSoundClip(path);
    ASSERT_NE(clip, nullptr);
    EXPECT_EQ(clip->sampleRateHz, kRate);
    ASSERT_EQ(clip->samples.size(), static_cast<std::size_t>(kRate));
    float peak = 0.0F;
    for (const float s : clip->samples) {
        peak = std::max(peak, std::abs(s));
    }
    EXPECT_NEAR(peak, 0.25F, 0.01F);

    const std::vector<float> same = ConvertRate(*clip, kRate);
    EXPECT_EQ(same, clip->samples);
    const std::vector<float> converted = ConvertRate(*clip, 48000.0);
    EXPECT_NEAR(static_cast<double>(converted.size()), 48000.0, 200.0);
    // Still a 500 Hz tone.
    const std::size_t middle = converted.size() / 4;
    EXPECT_GT(TonePower(converted, 48000.0, 500.0, middle, 4800),
              100.0 * TonePower(converted, 48000.0, 700.0, middle, 4800));
}

// A damaged file plays nothing, as a missing one: a header claiming 2^36 - 1 frames in 42 bytes
// made the player's thread throw std::bad_alloc, which ended the program at the alarm.
TEST(SoundClipTest, HeadersClaimingMoreThanTheFileHoldsGiveNothing) {
    QTemporaryDir folder;
    const QString path = QDir(folder.path()).filePath(QStringLiteral("alarm.wav"));
    for (const std::uint64_t frames :
         {(std::uint64_t{1} << 36U) - 1, std::uint64_t{1'000'000'000}}) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(file.write(FlacHeaderClaiming(frames)), 42);
        file.close();
        EXPECT_EQ(LoadSoundClip(path), nullptr) << frames;
    }
    platform::PortAudioSoundPlayer player;
    player.play(path);
    player.play(ShippedAlarm());
}

// An alarm needs seconds: a longer sound is cut at kMaxClipSeconds and the rest never read.
TEST(SoundClipTest, LongSoundsAreCut) {
    QTemporaryDir folder;
    constexpr int kRate = 8000;
    struct Case {
        double seconds;
        std::size_t samples;
    };
    for (const Case c : {Case{2.0, 2 * kRate}, Case{platform::kMaxClipSeconds, 10 * kRate},
                         Case{12.0, 10 * kRate}}) {
        const QString path = QDir(folder.path()).filePath(QStringLiteral("long.flac"));
        const auto frames = static_cast<std::size_t>(c.seconds * kRate);
        ASSERT_TRUE(pskmodem::writeAudioFile(QFile::encodeName(path).toStdString(),
                                             std::vector<float>(frames, 0.1F), kRate));
        const std::unique_ptr<SoundClip> clip = LoadSoundClip(path);
        ASSERT_NE(clip, nullptr);
        EXPECT_EQ(clip->samples.size(), c.samples) << c.seconds;
    }
}

TEST(PortAudioSoundPlayerTest, PlayNeverBlocksNorComplains) {
    QTemporaryDir folder;
    QElapsedTimer clock;
    clock.start();
    {
        platform::PortAudioSoundPlayer player;
        player.play(QDir(folder.path()).filePath(QStringLiteral("missing.wav")));
        player.play(ShippedAlarm());
        player.play(ShippedAlarm());  // replaces the one playing
        player.play(QString());
        player.play(ShippedAlarm());
        EXPECT_LT(clock.elapsed(), 100) << "play() waited for the audio system";
    }  // stops the sound and ends the player's thread
    EXPECT_LT(clock.elapsed(), 10000);

    platform::PortAudioSoundPlayer unused;  // never opens the audio system
}

TEST(PortAudioSoundPlayerTest, GoesAwayWhilePlaying) {
    QElapsedTimer clock;
    clock.start();
    {
        platform::PortAudioSoundPlayer player;
        player.play(ShippedAlarm());
        // Time for the player to open the audio system and start the sound (when there is an
        // output to play on), then a new sound replacing it, then the player going away.
        QThread::msleep(400);
        player.play(ShippedAlarm());
        QThread::msleep(100);
    }
    EXPECT_LT(clock.elapsed(), 10000);
}

}  // namespace
