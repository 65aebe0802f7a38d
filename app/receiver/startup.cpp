#include "receiver/startup.h"

#include "platform/dialogs.h"
#include "platform/number_text.h"
#include "platform/psk_engine.h"
#include "settings/engine_arguments.h"
#include "settings/engine_tuning.h"
#include "settings/settings_record.h"

namespace receiver {

namespace {
constexpr std::int32_t kChannelMode = 1;
using platform::kModeBpsk;
}  // namespace

bool StartEngine(platform::PskEngine& engine, pskmodem::MessageSink* sink,
                 const KVXmodules::SettingsRecord& settings, std::int32_t selectedMode,
                 platform::Dialogs& dialogs, std::int32_t cardNumber,
                 std::int32_t clockCorrectionPpm) {
    if (clockCorrectionPpm != 0) {
        // Not running yet: the engine keeps the correction for the start.
        engine.fnSetSoundCardInput(cardNumber, clockCorrectionPpm);
    }
    const bool started = engine.fnStartSoundCard(sink, cardNumber, kChannelMode) == 0;
    if (started) {
        // A repeated start while running changes nothing; its result does not matter.
        engine.fnStartSoundCard(sink, cardNumber, kChannelMode);
    } else {
        dialogs.msgBox(QString::fromUtf16(kSoundCardFailedText), platform::MsgButtons::Ok,
                       platform::MsgIcon::None, QString::fromUtf16(platform::kAppTitle));
    }
    // Configured also when the start failed: the engine keeps opening the sound card and
    // starts by itself once it is there, with these settings.
    KVXmodules::EngineTuning(engine, settings).tuneReceiver(settings.RXfreqMaxRange);
    engine.fnSetRXPSKMode(kModeBpsk, 0);
    engine.fnSetFFTMode(KVXmodules::EngineArgument(settings.SmoothingSpeed), settings.Sensitivity,
                        0);
    engine.fnSetSquelchThreshold(KVXmodules::EngineArgument(settings.SquelchMax),
                                 KVXmodules::EngineArgument(settings.SquelchSpeed), 0);
    // The configuration above leaves the engine in BPSK; a saved QPSK mode was sent before
    // the start. Send the mode the window shows, so that the engine decodes in it.
    engine.fnSetRXPSKMode(selectedMode, 0);
    return started;
}

}  // namespace receiver
