#pragma once

// The captions of the main window's alarm and autolog labels.

#include <QString>
#include <cstdint>

namespace KVXmodules {

inline constexpr char16_t kAlarmOffCaption[] = u"PSK-Alarm OFF";
inline constexpr char16_t kAlarmOnCaption[] = u"PSK-Alarm ON";
inline constexpr char16_t kAlarmOnLoggedCaption[] = u"PSK-Alarm ON*";
inline constexpr char16_t kAutoLogOffCaption[] = u"AutoLog OFF";
inline constexpr char16_t kAutoLogOnCaption[] = u"AutoLog ON";

// The alarm label while the alarm is on: with a star when hits are logged (AutoAlarmLog set).
inline QString AlarmOnCaption(std::int16_t autoAlarmLog) {
    return QString::fromUtf16(autoAlarmLog != 0 ? kAlarmOnLoggedCaption : kAlarmOnCaption);
}

}  // namespace KVXmodules
