#pragma once

// The rules of the PSK/DSP setup window (DspSetupWindow) without the window: how a field's text
// reads as a number, the order and ranges of the checks with their messages, and what "OK" stores.

#include <QString>
#include <QStringView>
#include <array>
#include <cstdint>
#include <optional>

#include "settings/settings_record.h"

namespace KVXmodules {

// Reads a field's text leniently: blanks and tabs anywhere are skipped; an optional sign, the
// digits with "." as the decimal separator whatever the locale, and an optional exponent
// ("E" and a whole number) make the number, which ends at the first character that can't
// continue it; text that doesn't begin with a number gives 0. "1 5" is 15, "12abc" 12,
// "3500.1" 3500.1, " -2.5e1" -25, "abc" and "" 0.
double ReadFieldNumber(QStringView text);

// A value as a field shows it: plain decimal, "." as separator, no blanks ("1500", "2.5").
QString FieldText(double value);

// The fields of the window in the order they are checked.
enum class DspField : int {
    ProgramTimerInterval = 0,  // Text5
    SquelchMax,                // Text4
    RXfreqMaxRange,            // Text1
    Sensitivity,               // Text2
    RXSearchRange,             // Text3
    SmoothingSpeed,            // Combo1
    WaterfallSpectrumSpeed,    // Combo2
};
inline constexpr int kDspFieldCount = 7;

// The texts the window holds.
struct DspFieldTexts {
    QString Text1;        // RX audio center frequency
    QString Text2;        // Sensitivity
    QString Text3;        // FFT Data to search for peak
    QString Text4;        // Squelch Treshold Range
    QString Text5;        // Program Timer Interval
    QString Combo1;       // Waterfall Smoothing
    QString Combo2;       // Waterfall Trail Speed
    bool Check1 = false;  // Squelch Response Low: SquelchSpeed 1
};

// The fields filled from the record, as the window loads them.
DspFieldTexts DspFieldsFromRecord(const SettingsRecord& record);

// What "Default Settings" shows: the reset DSP values; Text5 keeps `current`'s text.
DspFieldTexts DspDefaultFields(const DspFieldTexts& current);

// The inclusive range a field accepts and the message shown when it is outside.
struct DspFieldRule {
    DspField field;
    double minimum;
    double maximum;
    const char16_t* message;
};
const std::array<DspFieldRule, kDspFieldCount>& DspFieldRules();

// The first field in check order whose number lies outside its range, or nothing when all pass.
std::optional<DspField> FirstRefusedDspField(const DspFieldTexts& fields);

// Stores the fields in the record as "OK" does, all checks having passed: the two waterfall
// values, the search range and the squelch threshold as read (fractions kept); sensitivity and
// frequency rounded to 32-bit integers (halves to even); SquelchSpeed 1 or 0 from the tick;
// ProgramTimerInterval rounded to a 16-bit integer, 10 when that lies outside 1..100.
void StoreDspFields(const DspFieldTexts& fields, SettingsRecord& record);

}  // namespace KVXmodules
