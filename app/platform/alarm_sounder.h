#pragma once

// Sounding the alarm, where the parts of the program meet: the receive text's search and the
// band activity's search both report their hits here, and one implementation plays the alarm
// sound and writes the alarm log's line when alarm logging is on.

namespace platform {

class AlarmSounder {
  public:
    AlarmSounder() = default;
    virtual ~AlarmSounder() = default;
    AlarmSounder(const AlarmSounder&) = delete;
    AlarmSounder& operator=(const AlarmSounder&) = delete;

    // The alarm for a hit of the alarm string in slot `slot` (0..2 of the settings' alarm
    // strings): the sound, and the alarm log's line for that string when logging is on.
    virtual void sound(int slot) = 0;
};

}  // namespace platform
