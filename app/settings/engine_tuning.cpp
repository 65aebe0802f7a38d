#include "settings/engine_tuning.h"

#include "platform/psk_engine.h"
#include "settings/engine_arguments.h"
#include "settings/settings_record.h"

namespace KVXmodules {

void EngineTuning::tuneReceiver(std::int32_t frequencyHz) {
    engine_.fnSetRXFrequency(frequencyHz, EngineArgument(settings_.RXSearchRange), 0);
}

void EngineTuning::tune(std::int32_t frequencyHz) {
    tuneReceiver(frequencyHz);
    engine_.fnSetTXFrequency(frequencyHz);
}

}  // namespace KVXmodules
