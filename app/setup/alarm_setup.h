#pragma once

// The rules of the PSK alarm setup window (AlarmSetupWindow) without the window: what its boxes
// show of the stored alarm strings, the one check of "OK", and how a typed string is stored.

#include <QString>
#include <optional>

namespace KVXmodules {

// The design text of the first box, shown while no longer string is stored.
inline constexpr char16_t kAlarmDesignText[] = u"QR9ZZ";

// "OK" refuses a first string shorter than two characters with this message and title.
inline constexpr char16_t kAlarmTooShortText[] =
    u"The search string must be larger then one character.";
inline constexpr char16_t kAlarmTooShortTitle[] = u"Alarm string to find";

// What a box shows of a stored string when the window loads: a string of more than one
// character upper-cased and without blanks at either end; nothing for a shorter one (the box
// keeps its design text).
std::optional<QString> AlarmBoxText(const QString& stored);

// Whether "OK" accepts the first box: at least two characters, blanks counted.
bool AlarmFirstStringAccepted(const QString& text);

// A box's text as it is stored: upper-cased, leading blanks removed (trailing ones stay).
QString StoredAlarmString(const QString& text);

}  // namespace KVXmodules
