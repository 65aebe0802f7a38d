#include "receiver/startup.h"

#include <cmath>
#include <limits>

#include "platform/dialogs.h"
#include "receiver/psk_engine.h"
#include "settings/number_text.h"
#include "settings/settings_record.h"

namespace receiver {

namespace {
constexpr std::int32_t kChannelMode = 1;
constexpr std::int32_t kModeBpsk = 0;
}  // namespace

std::int32_t EngineArgument(double value) noexcept {
    if (const auto converted = KVXmodules::ToInt32(value)) {
        return *converted;
    }
    if (std::isnan(value)) {
        return 0;
    }
    return value < 0 ? std::numeric_limits<std::int32_t>::min()
                     : std::numeric_limits<std::int32_t>::max();
}

bool StartEngine(PskEngine& engine, pskmodem::MessageSink* sink,
                 const KVXmodules::SettingsRecord& settings, std::int32_t selectedMode,
                 platform::Dialogs& dialogs, std::int32_t cardNumber,
                 std::int32_t clockCorrectionPpm) {
    if (clockCorrectionPpm != 0) {
        // Not running yet: the engine keeps the correction for the start.
        engine.fnSetSoundCardInput(cardNumber, clockCorrectionPpm);
    }
    if (engine.fnStartSoundCard(sink, cardNumber, kChannelMode) != 0) {
        dialogs.msgBox(QString::fromUtf16(kSoundCardFailedText), platform::MsgButtons::Ok,
                       platform::MsgIcon::None, QString::fromUtf16(platform::kAppTitle));
        return false;
    }
    // A repeated start while running changes nothing; its result does not matter.
    engine.fnStartSoundCard(sink, cardNumber, kChannelMode);
    engine.fnSetRXFrequency(settings.RXfreqMaxRange, EngineArgument(settings.RXSearchRange), 0);
    engine.fnSetRXPSKMode(kModeBpsk, 0);
    engine.fnSetFFTMode(EngineArgument(settings.SmoothingSpeed), settings.Sensitivity, 0);
    engine.fnSetSquelchThreshold(EngineArgument(settings.SquelchMax),
                                 EngineArgument(settings.SquelchSpeed), 0);
    // The configuration above leaves the engine in BPSK; a saved QPSK mode was sent before
    // the start. Send the mode the window shows, so that the engine decodes in it.
    engine.fnSetRXPSKMode(selectedMode, 0);
    return true;
}

}  // namespace receiver
