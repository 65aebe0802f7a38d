#pragma once

// QUORVIN.ini: 48 positional lines of Windows-1252 text ended by CR LF. Each setting stands on
// a fixed line behind a section line that the reader skips without looking at it.
//
//   1  ";Quorvin <major.minor.revision> ..."        never read back
//   2  26-character comment label, then OperatorCall
//   3  [PSKMode]                4  PSKMode
//   5  [ScreenSet]              6  ScreenSet
//   7  [WaterfallColor]         8  WaterfallColor
//   9  [Font]                  10  Font
//  11  [TextColorSheme]        12  TextColorSheme
//  13  [RXfreqMaxRange]        14  RXfreqMaxRange
//  15  [RXSearchRange]         16  RXSearchRange
//  17  [Sensitivity]           18  Sensitivity
//  19  [SmoothingSpeed]        20  SmoothingSpeed
//  21  [SquelchMax]            22  SquelchMax
//  23  [SquelchSpeed]          24  SquelchSpeed
//  25  [Waterfall Spectrum Speed]  26  WaterfallSpectrumSpeed
//  27  [Editor font]           28  EditorFont
//  29  [PSK Alarm]             30  PSKAlarm
//  31  [PSK Alarm String]      32..34  PSKAlarmString 0, 1, 2
//  35  [AutoAlarmLog]          36  AutoAlarmLog
//  37  [PhaseTuneStatus]       38  PhaseTuneStatus
//  39  [ProgramTimerInterval]  40  ProgramTimerInterval
//  41  [BackgroundSkin]        42  BackgroundSkin
//  43  [RememberScreenSize]    44  RememberScreenSize
//  45  [ScreenWidth]           46  window width in twips at the moment of saving
//  47  [ScreenHeigth]          48  window height in twips at the moment of saving
//
// Numbers are in the settings file's number text (see platform/number_text.h).
//
// After line 48 come the program's own sections, found by their section line wherever they
// stand (a reader that follows the 48-line layout never looks there; other lines there are
// passed over). They are written only when they hold more than their default, so a file with
// the default input and no correction is the plain 48-line file:
//
//  49  [AudioInput]            50  AudioInput (empty: the default)   51  AudioInputHostApi
//  52  [SampleRateCorrection]  53  SampleRateCorrection in ppm
//      [BandActivity]          the band activity window open (1) or not (0), the left and top
//                              of its contents (without the frame) in screen pixels
//      [Rig]                   the rig's hamlib model (0: none), its port (a device, or
//                              HOST:PORT of rigctld), its serial speed (0: the model's own)
//      [PSKSpeed]              the receive speed: 1 PSK63, 2 PSK125, 3 PSK250 (PSK31 unwritten)
//      [Reporting]             spots sent (1) or not (0), the locator reported (empty: the
//                              locator window's home), the antenna, the live stream's HOST:PORT
//                              (empty: none), the heard-stations log kept (1) or not (0)
//
// A file without them (an older one) gives the system's default input without correction,
// PSK31, and no reports, stream or log.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QStringView>

#include "settings/settings_record.h"

namespace KVXmodules {

inline constexpr int kSettingsFileLineCount = 48;
// Line 2: the comment label is exactly this long; the call sign starts in the next column.
inline constexpr qsizetype kCallLabelLength = 26;
inline constexpr qsizetype kMinCallLength = 3;
inline constexpr qsizetype kMaxCallLength = 20;
// The sound card clock correction the file and the window accept, either way, in ppm.
inline constexpr std::int32_t kMaxSampleRateCorrectionPpm = 5000;

// The label at the start of line 2: ";" first, "= " last, 26 characters in all.
QString CallLabel();

// Line 1 for the given program version ("0.1.0").
QString SettingsHeaderLine(QStringView version);

// The main window's outer size in twips, stored on lines 46 and 48.
struct WindowSizeTwips {
    double width = 0;
    double height = 0;
};

// The 48 lines and the program's own sections after them, without line ends. Text values
// holding a line break would shift every line after them, so CR and LF inside a text are
// written as blanks.
QStringList SettingsFileLines(const SettingsRecord& record, WindowSizeTwips windowSize,
                              QStringView version);

// The whole file: its lines in Windows-1252, each ended by CR LF.
QByteArray SettingsFileBytes(const SettingsRecord& record, WindowSizeTwips windowSize,
                             QStringView version);

// What SaveSettings writes for `record`: the file's bytes after the DSP values have been put
// back as a save puts them (PrepareDSPForSave). The caller's record is left as it is.
QByteArray SettingsBytesAsSaved(SettingsRecord record, WindowSizeTwips windowSize,
                                QStringView version);
// What tells whether the settings changed since the file was written: those bytes, with the
// window's size only while it is to be remembered (RememberScreenSize), since only then does
// the next start use it.
QByteArray SettingsChangeKey(SettingsRecord record, WindowSizeTwips windowSize,
                             QStringView version);

// The call sign that a line 2 gives, or empty when the line gives none. A line that is not
// longer than the label (blanks at both ends left out) gives nothing; otherwise up to 20
// characters from column 27, without blanks at either end, and a result shorter than 3
// characters is empty.
struct CallSignLine {
    bool longerThanLabel = false;  // the line carries text after the label
    QString call;                  // empty, or 3..20 characters
};
CallSignLine ReadCallSignLine(QStringView line);

struct SettingsReadResult {
    // The error state: at least one step failed (a missing line, a value line without a
    // number, a number outside the setting's 16- or 32-bit type, a DSP value that doesn't fit
    // its 16-bit saved copy). The values read before and after the failing step are taken;
    // the controls are not to be brought in line.
    bool failed = false;
    // 1-based line of the first failing step; 0 when nothing failed, 49 when only the saved
    // DSP copies taken after the last line failed.
    int firstFailingLine = 0;
    // Line 2 gave a call sign of 3..20 characters: the caption becomes CaptionPrefix followed
    // by OperatorCall.
    bool callSignTaken = false;
};

// Reads the file's bytes into the record (the part of loading that reads: the lines, the "[res"
// rule for alarm strings 2 and 3, and the saved DSP copies), then the sound card input from the
// sections after line 48. Lines may end with CR LF, CR or LF. A correction that is no number
// or lies outside -5000..+5000 ppm is passed over (no correction); it is no failing step.
SettingsReadResult ReadSettingsFile(QByteArrayView bytes, SettingsRecord& record);

// Writes bytes to path in one step (platform::ReplaceFileBytes): a temporary file beside it is
// written, flushed and synced, each step checked, and then renamed over the old file, so a
// failure at any step (a full disk too) leaves the old file as it was.
struct FileWriteResult {
    bool ok = true;
    int errorNumber = 0;  // the system's error code of the failing step, when it gave one
};
FileWriteResult WriteFileReplacing(const QString& path, QByteArrayView bytes);

// The message box of a failed save: this text, an exclamation icon and the title
// kSaveFailedTitle followed by a blank and the error number.
inline constexpr char16_t kSaveFailedText[] = u"Error. Could not write to disk. ";
inline constexpr char16_t kSaveFailedTitle[] = u"Error nr:";

}  // namespace KVXmodules
