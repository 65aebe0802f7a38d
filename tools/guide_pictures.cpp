#include "guide_pictures.h"

#include <QtGlobal>
#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <numbers>
#include <vector>

#include "display/display.h"
#include "display/waterfall.h"
#include "pskmodem/dsp/waterfall_fft.h"
#include "pskmodem/signals/simulator.h"
#include "settings/engine_arguments.h"
#include "settings/settings_record.h"

namespace guide {

namespace {

constexpr double kSampleRateHz = pskmodem::kSampleRateHz;
constexpr int kSettleSamples = 2 * pskmodem::kSampleRateHz;
constexpr int kFullWidth = receiver::kLastWaterfallColumn + 1;

struct Glyph {
    char16_t character;
    std::array<const char*, kLetterRows> rows;
};

// A 5 x 7 dot font of the characters the pictures write: call signs, numbers and greetings.
constexpr std::array kFont{
    Glyph{u'0', {" ### ", "#   #", "#  ##", "# # #", "##  #", "#   #", " ### "}},
    Glyph{u'1', {"  #  ", " ##  ", "  #  ", "  #  ", "  #  ", "  #  ", " ### "}},
    Glyph{u'2', {" ### ", "#   #", "    #", "   # ", "  #  ", " #   ", "#####"}},
    Glyph{u'3', {"#####", "   # ", "  #  ", "   # ", "    #", "#   #", " ### "}},
    Glyph{u'4', {"   # ", "  ## ", " # # ", "#  # ", "#####", "   # ", "   # "}},
    Glyph{u'5', {"#####", "#    ", "#### ", "    #", "    #", "#   #", " ### "}},
    Glyph{u'6', {"  ## ", " #   ", "#    ", "#### ", "#   #", "#   #", " ### "}},
    Glyph{u'7', {"#####", "    #", "   # ", "  #  ", " #   ", " #   ", " #   "}},
    Glyph{u'8', {" ### ", "#   #", "#   #", " ### ", "#   #", "#   #", " ### "}},
    Glyph{u'9', {" ### ", "#   #", "#   #", " ####", "    #", "   # ", " ##  "}},
    Glyph{u'C', {" ### ", "#   #", "#    ", "#    ", "#    ", "#   #", " ### "}},
    Glyph{u'D', {"#### ", "#   #", "#   #", "#   #", "#   #", "#   #", "#### "}},
    Glyph{u'E', {"#####", "#    ", "#    ", "#### ", "#    ", "#    ", "#####"}},
    Glyph{u'K', {"#   #", "#  # ", "# #  ", "##   ", "# #  ", "#  # ", "#   #"}},
    Glyph{u'P', {"#### ", "#   #", "#   #", "#### ", "#    ", "#    ", "#    "}},
    Glyph{u'Q', {" ### ", "#   #", "#   #", "#   #", "# # #", "#  # ", " ## #"}},
    Glyph{u'R', {"#### ", "#   #", "#   #", "#### ", "# #  ", "#  # ", "#   #"}},
    Glyph{u'S', {" ####", "#    ", "#    ", " ### ", "    #", "    #", "#### "}},
    Glyph{u'Z', {"#####", "    #", "   # ", "  #  ", " #   ", "#    ", "#####"}},
};

// The column of the main window's waterfall that shows `hz`.
int FullWidthColumn(double hz) {
    return static_cast<int>(std::lround(hz / receiver::kHzPerPixel));
}

const Glyph* FindGlyph(char16_t c) {
    const auto* it = std::find_if(kFont.begin(), kFont.end(),
                                  [c](const Glyph& glyph) { return glyph.character == c; });
    return it == kFont.end() ? nullptr : &*it;
}

// The audio of `text` written into the waterfall, over a simulated band.
class LetterSignal {
  public:
    LetterSignal(const QString& text, const LetterLayout& layout, std::int64_t startSample)
        : text_(text),
          layout_(layout),
          columns_(static_cast<int>(text.size()) * kLetterColumns),
          tones_(static_cast<std::size_t>(columns_ * kTonesPerDot)),
          band_(QuietBand()),
          startSample_(startSample) {
        // Equally spaced tones that start in step add up to sharp pulses that splash across the
        // whole band; spread starting phases (k squared, as in a Newman comb) keep the sum even.
        const auto count = static_cast<double>(tones_.size());
        for (std::size_t k = 0; k < tones_.size(); ++k) {
            const auto kd = static_cast<double>(k);
            tones_[k].phase = std::fmod(std::numbers::pi * kd * kd / count, 2.0 * std::numbers::pi);
        }
    }

    void generate(std::span<float> out) {
        band_.generate(out);
        const auto samplesPerRow =
            static_cast<std::int64_t>(layout_.hopsPerRow) * pskmodem::WaterfallFft::kHopSamples;
        for (float& sample : out) {
            const std::int64_t sent = sample_++ - startSample_;
            // The bottom dot row goes first; -1 before and after the text.
            const std::int64_t index = sent >= 0 ? sent / samplesPerRow : -1;
            const int row =
                index >= 0 && index < kLetterRows ? kLetterRows - 1 - static_cast<int>(index) : -1;
            double sum = 0.0;
            for (int t = 0; t < columns_ * kTonesPerDot; ++t) {
                Tone& tone = tones_[static_cast<std::size_t>(t)];
                const double target =
                    row >= 0 && LetterDot(text_, t / kTonesPerDot, row) ? 1.0 : 0.0;
                // A soft ramp keeps the keying from splashing across the band.
                tone.gain += std::clamp(target - tone.gain, -kRampStep, kRampStep);
                if (tone.gain > 0.0) {
                    sum += tone.gain * std::sin(tone.phase);
                }
                tone.phase =
                    std::fmod(tone.phase + 2.0 * std::numbers::pi * ToneHz(t) / kSampleRateHz,
                              2.0 * std::numbers::pi);
            }
            sample += static_cast<float>(kToneAmplitude * sum);
        }
    }

  private:
    struct Tone {
        double phase = 0.0;
        double gain = 0.0;
    };
    // A dot is as wide as the pixels between dot columns: one tone for each pixel.
    static constexpr int kTonesPerDot = 3;
    static constexpr double kRampStep = 1.0 / 240.0;  // 30 ms from silence to full
    static constexpr double kToneAmplitude = 0.04;    // about 39 dB over the noise of a bin

    static pskmodem::SimulatorConfig QuietBand() {
        pskmodem::SimulatorConfig band;
        band.noiseRms = 0.01;
        band.seed = 73;
        band.signals = {
            {520.0, pskmodem::Mode::Bpsk, 14.0, 0.0, "CQ CQ CQ DE QR9ZZ QR9ZZ PSE K\r\n"},
            {2420.0, pskmodem::Mode::Bpsk, 8.0, 0.0, "QX2ABC DE QH1JK 73 SK\r\n"},
        };
        return band;
    }

    double ToneHz(int tone) const {
        return layout_.lowestHz + (tone / kTonesPerDot) * layout_.dotHz +
               (tone % kTonesPerDot) * layout_.dotHz / kTonesPerDot;
    }

    QString text_;
    LetterLayout layout_;
    int columns_;
    std::vector<Tone> tones_;
    pskmodem::BandSimulator band_;
    std::int64_t startSample_;
    std::int64_t sample_ = 0;
};

}  // namespace

int PictureColumn(double hz) {
    return FullWidthColumn(hz) - FullWidthColumn(kLowestHz);
}

QImage WaterfallOf(const AudioSource& audio, int rows) {
    KVXmodules::SettingsRecord settings;
    KVXmodules::DefaultSetRecord(settings);
    pskmodem::WaterfallFft fft;
    fft.setMode(KVXmodules::EngineArgument(settings.SmoothingSpeed), settings.Sensitivity);

    // Audio comes in blocks of one hop; a frame may end inside a block, so the rest waits.
    std::vector<float> block(pskmodem::WaterfallFft::kHopSamples);
    std::span<const float> pending;
    const auto nextFrame = [&] {
        for (;;) {
            if (pending.empty()) {
                audio(block);
                pending = block;
            }
            pending = pending.subspan(fft.consume(pending));
            if (fft.frameReady()) {
                return;
            }
        }
    };
    for (int i = 0; i < kSettleSamples / pskmodem::WaterfallFft::kHopSamples; ++i) {
        nextFrame();
    }

    receiver::Waterfall waterfall;
    QImage image(kFullWidth, rows, QImage::Format_RGB32);
    image.fill(Qt::black);
    for (int row = 0; row < rows; ++row) {
        nextFrame();
        const QImage picture = image.copy();
        waterfall.scroll(picture, image, image.height());
        waterfall.drawLine(image, fft.levels(), kFullWidth, settings.WaterfallRedOffset,
                           settings.WaterfallBlueOffset);
    }
    return image.copy(FullWidthColumn(kLowestHz), 0, PictureColumn(kHighestHz), rows);
}

QImage BandPicture() {
    // The quick guide shows what PSK31 stations look like: the demo band's faster ones are left
    // out.
    pskmodem::SimulatorConfig config = pskmodem::demoBand();
    std::erase_if(config.signals, [](const pskmodem::SimulatedSignal& signal) {
        return signal.speed != pskmodem::Speed::Psk31;
    });
    auto band = std::make_shared<pskmodem::BandSimulator>(config);
    return WaterfallOf([band](std::span<float> out) { band->generate(out); }, kBandRows);
}

bool LetterDot(const QString& text, int column, int row) {
    if (column < 0 || row < 0 || row >= kLetterRows) {
        return false;
    }
    const qsizetype index = column / kLetterColumns;
    const int dot = column % kLetterColumns;
    if (index >= text.size() || dot >= kLetterColumns - 1) {
        return false;
    }
    const Glyph* glyph = FindGlyph(text[index].toUpper().unicode());
    return glyph != nullptr && glyph->rows[static_cast<std::size_t>(row)][dot] == '#';
}

QImage LetterPicture(const QString& text, const LetterLayout& layout) {
    // The text starts once the spectrum has settled and the quiet rows under it have passed.
    const std::int64_t start = kSettleSamples + static_cast<std::int64_t>(layout.quietRowsBefore) *
                                                    pskmodem::WaterfallFft::kHopSamples;
    auto signal = std::make_shared<LetterSignal>(text, layout, start);
    const int rows =
        layout.quietRowsBefore + kLetterRows * layout.hopsPerRow + layout.quietRowsAfter;
    return WaterfallOf([signal](std::span<float> out) { signal->generate(out); }, rows);
}

}  // namespace guide
