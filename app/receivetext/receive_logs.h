#pragma once

// The files of the received text: the autolog, the alarm log and the alarm sound, all in the
// program folder, and the lines the logs get. Both logs are 8-bit (Windows-1252) text with
// CR LF line ends; they are opened for appending at every write and closed again at once.

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringView>

#include "platform/sound_player.h"

namespace receiver {

inline constexpr char16_t kAutoLogFileName[] = u"quorvin_autolog.log";
inline constexpr char16_t kAlarmLogFileName[] = u"quorvin_alarm.log";
inline constexpr char16_t kAlarmSoundFileName[] = u"alarm.wav";

// What the autolog gets before the first text after it is switched on: two empty lines and
// "***Quorvin AutoLog Activated at->" time "  Date:" date "***", each with CR LF.
QByteArray AutoLogBanner(const QDateTime& at);
// The alarm log's line for a hit of `alarmString` (as stored), with CR LF.
QByteArray AlarmLogLine(QStringView alarmString, const QDateTime& at);

// Appends `bytes` to the file `path`, creating it when missing; false when the file cannot be
// opened or written (the callers go on regardless).
bool AppendToFile(const QString& path, const QByteArray& bytes);

// The alarm sound: alarm.wav of the program folder; when the program folder has none, the
// shipped one found from the executable's folder (platform::ShippedFile).
QString AlarmSoundFile(const QString& programFolder, const QString& executableFolder);

}  // namespace receiver

namespace KVXmodules {

// Plays the sound file `soundFileName` on `player` and returns at once; a missing file plays
// nothing and reports nothing.
inline void PlaySoundFile(platform::SoundPlayer& player, const QString& soundFileName) {
    player.play(soundFileName);
}

}  // namespace KVXmodules
