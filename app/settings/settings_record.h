#pragma once

// The settings record: every user setting of Quorvin plus the run-time values that travel with
// it. One record exists for the whole run (the program owns it and hands it around by
// reference); tests make their own.
//
// Each member is named after its section in QUORVIN.ini so that a search for the section name
// finds it. Where the section name holds blanks, the member drops them and the comment gives
// the section as written in the file.
//
// Types follow the settings model: "number" settings are double (they may hold fractions the
// DSP dialog stores), 16-bit settings int16_t, 32-bit settings int32_t, window sizes float.
// Flags are int16_t: -1 set, 0 clear, any non-zero value counts as set.

#include <QColor>
#include <QString>
#include <array>
#include <cstdint>

namespace KVXmodules {

// Flag values as the program stores them.
inline constexpr std::int16_t kFlagSet = -1;
inline constexpr std::int16_t kFlagClear = 0;

// Number of entries of the alarm string array; only the first three are used and stored.
inline constexpr int kPSKAlarmStringCount = 11;
inline constexpr int kPSKAlarmStringsUsed = 3;

// Positions of the six DSP values in SavedDSP.
enum SavedDSPIndex : int {
    kSavedRXfreqMaxRange = 0,
    kSavedRXSearchRange = 1,
    kSavedSensitivity = 2,
    kSavedSmoothingSpeed = 3,
    kSavedSquelchMax = 4,
    kSavedSquelchSpeed = 5,
};
inline constexpr int kSavedDSPCount = 6;

// A band activity window position that was never set.
inline constexpr std::int32_t kNoBandActivityPosition = -1000000;

struct SettingsRecord {
    // ---- DSP values (the "working" values; see SavedDSP) ----
    std::int32_t RXfreqMaxRange = 0;  // receive centre frequency, Hz, 100..3500
    double RXSearchRange = 0.0;       // peak search range, 0..50 (0 = off)
    std::int32_t Sensitivity = 0;     // FFT sensitivity, 100..2500
    double SmoothingSpeed = 0.0;      // waterfall smoothing, 1..10
    double SquelchMax = 0.0;          // squelch threshold, 0..99 (0 = open)
    double SquelchSpeed = 0.0;        // 1 = slow, 0 = fast

    // ---- display and receive mode ----
    double WaterfallSpectrumSpeed = 0.0;  // section "Waterfall Spectrum Speed", 0..5
    double PSKMode = 0.0;                 // 0 BPSK, 1 QPSK usb, 2 QPSK lsb
    double ScreenSet = 0.0;               // 0 Normal, 1 large waterfall
    double WaterfallColor = 0.0;          // waterfall palette 0, 1, 2
    QString Font;                         // font name of the receive window
    std::int16_t TextColorSheme = 0;      // colour scheme of the receive window, 0..4
    QString EditorFont;                   // section "Editor font": font of the notebook editor

    // ---- alarm ----
    std::int16_t PSKAlarm = 0;  // section "PSK Alarm": flag, alarm active
    // section "PSK Alarm String": upper-case texts; indices 0..2 are used and stored
    std::array<QString, kPSKAlarmStringCount> PSKAlarmString{};
    std::int16_t AutoAlarmLog = 0;  // flag: log time and date of an alarm

    // ---- window behaviour ----
    std::int16_t PhaseTuneStatus = 0;       // flag: phase tuning indicator shown
    std::int16_t ProgramTimerInterval = 0;  // ms, 1..100 (else 10 when applied)
    std::int16_t BackgroundSkin = 0;        // flag: background picture shown
    std::int16_t RememberScreenSize = 0;    // flag: restore the stored size at start-up
    float ScreenWidth = 0.0F;               // twips, as read from the file
    float ScreenHeigth = 0.0F;              // twips, as read from the file

    QString OperatorCall;  // empty or 3..20 characters; line 2 of the settings file

    // ---- sound card input, in sections after line 48 of the settings file ----
    // A reset keeps them: they describe the machine, not the way of receiving.
    QString AudioInput;         // section "AudioInput": device name; empty = system's default
    QString AudioInputHostApi;  // the device's host API, on the line after its name
    std::int32_t SampleRateCorrection = 0;  // sound card clock correction, ppm, -5000..+5000
    // ---- the band activity window, in a section after line 48 too ----
    std::int16_t BandActivityOpen = 0;  // flag: the window was open when the program ended
    // Where the window stood (the top left corner of its contents, without the window
    // manager's frame, in screen pixels); kNoBandActivityPosition while it never stood anywhere.
    std::int32_t BandActivityLeft = kNoBandActivityPosition;
    std::int32_t BandActivityTop = kNoBandActivityPosition;
    // ---- the rig whose dial is read, in a section after line 48 too ----
    // A reset keeps them: they describe the station, not the way of receiving.
    std::int32_t RigModel = 0;  // hamlib's model number; 0 = no rig (the default)
    QString RigPort;            // serial device or path; HOST:PORT of rigctld (model 2)
    std::int32_t RigSpeed = 0;  // serial speed in baud; 0 = the model's own
    // ---- the receive speed, in a section after line 48 too ----
    // A pskmodem::Speed number: 0 PSK31, 1 PSK63, 2 PSK125, 3 PSK250. A reset sets PSK31, as
    // it sets the mode.
    std::int32_t PSKSpeed = 0;
    // ---- reception reports, the live stream and the heard-stations log, after line 48 too ----
    // A reset keeps them: they describe the station, not the way of receiving. The call sign
    // reported is OperatorCall.
    std::int16_t ReportSpots = 0;  // flag: spots go to the reception-report network
    QString ReportLocator;         // the locator reported; empty: the locator window's home
    QString ReportAntenna;         // free text about the antenna; may be empty
    QString ReportStream;          // HOST:PORT of the live stream; empty: no stream
    std::int16_t HeardLog = 0;     // flag: stations heard go to heard.adi in the program folder

    // ---- run-time values, never written to the file ----
    std::int16_t SaveWorkingDSP = 0;  // flag: a save writes the working DSP values
    // Saved copies of the six DSP values (order: SavedDSPIndex), rounded half-to-even.
    std::array<std::int16_t, kSavedDSPCount> SavedDSP{};
    QString SettingsFilePath;        // program folder + QUORVIN.ini
    QString CaptionPrefix;           // main window caption at start-up followed by " - "
    QColor TextForeColor;            // receive window text colour
    QColor TextBackColor;            // receive window background colour
    QString SelectedFont;            // the font chooser's pending choice (empty = none)
    std::int16_t FontForEditor = 0;  // flag: the font chooser works for the notebook editor

    // Layout of the current screen mode, in pixels.
    double WaterfallHeight = 0.0;
    double WaterfallTop = 0.0;
    double TextHeight = 0.0;

    // Waterfall palette values.
    std::int16_t WaterfallBlueOffset = 0;
    std::int16_t WaterfallRedOffset = 0;
    std::int16_t WaterfallBackColor = 0;  // index into the 16-colour EGA palette
};

// True when a flag value counts as set (any non-zero value).
constexpr bool IsSet(std::int16_t flag) noexcept {
    return flag != 0;
}

// The record part of the settings keeper's DefaultSet. A reset leaves PSKAlarm, AutoAlarmLog,
// ProgramTimerInterval, BackgroundSkin, ScreenWidth, ScreenHeigth and OperatorCall as they are,
// the sound card input and its correction, and the run-time values owned by start-up and the
// font chooser too.
//
// The keeper's DefaultSet runs DefaultSetValues (the default values of every setting), then
// DefaultSetFinish (the remembered size off, the phase indicator on, the saved DSP values), then
// brings the controls in line (selecting option buttons, colour scheme, palette, which sets the
// text colours of the chosen scheme and the values of the chosen palette).
// DefaultSetRecord does the same without controls: the colours end as those of scheme 3 and
// the palette values as those of palette 0, exactly as the full reset leaves them.
void DefaultSetValues(SettingsRecord& record);
void DefaultSetFinish(SettingsRecord& record);
void DefaultSetRecord(SettingsRecord& record);

// SavedDSP := the six working DSP values, each rounded to int16 (halves to even). A value that
// does not fit (a hand-edited frequency of 40000) keeps its old copy; the result is then false.
bool TakeSavedDSP(SettingsRecord& record);

// The six working DSP values := their SavedDSP copies.
void RestoreWorkingDSP(SettingsRecord& record);

// Before a save: when SaveWorkingDSP is clear, put the saved DSP values back.
void PrepareDSPForSave(SettingsRecord& record);

}  // namespace KVXmodules
