#include "setup/dsp_setup.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>
#include <system_error>

#include "platform/number_text.h"
#include "platform/psk_engine.h"
#include "settings/engine_arguments.h"

namespace KVXmodules {

namespace {

bool IsDigit(char16_t c) noexcept {
    return c >= u'0' && c <= u'9';
}

// The text with its blanks and tabs taken out, as far as it can be a number at all.
std::u16string WithoutBlanks(QStringView text) {
    std::u16string kept;
    kept.reserve(static_cast<std::size_t>(text.size()));
    for (const QChar c : text) {
        if (c != u' ' && c != u'\t') {
            kept.push_back(c.unicode());
        }
    }
    return kept;
}

const std::array<DspFieldRule, kDspFieldCount> kRules{{
    {DspField::ProgramTimerInterval, 1, 100,
     u"Invalid Program Timer Interval value. Must be between 1...100 (default=10)"},
    {DspField::SquelchMax, 0, 99,
     u"Invalid Squelch Treshold value. Must be between 0...99 (0=open squelch, default=5)"},
    {DspField::RXfreqMaxRange, platform::kMinFrequencyHz, platform::kMaxFrequencyHz,
     u"Incorrect center frequency value. Must be between 100...3500 (default=1500)"},
    {DspField::Sensitivity, 100, 2500,
     u"Incorrect sensitivity value. Must be between 100...2500 (default=1500)"},
    {DspField::RXSearchRange, 0, 50,
     u"Incorrect value of the search peak. Must be between 0...50 (0 disables ftt peak search, "
     u"default=50)"},
    {DspField::SmoothingSpeed, 1, 10,
     u"Smoothness factor of the waterfall must be a value between 1...10 (default=10)"},
    {DspField::WaterfallSpectrumSpeed, 0, 5,
     u"Detail/Speed factor of the waterfall must be a value between 0...5 (default=1)"},
}};

const QString& TextOf(const DspFieldTexts& fields, DspField field) {
    switch (field) {
        case DspField::ProgramTimerInterval:
            return fields.Text5;
        case DspField::SquelchMax:
            return fields.Text4;
        case DspField::RXfreqMaxRange:
            return fields.Text1;
        case DspField::Sensitivity:
            return fields.Text2;
        case DspField::RXSearchRange:
            return fields.Text3;
        case DspField::SmoothingSpeed:
            return fields.Combo1;
        case DspField::WaterfallSpectrumSpeed:
            break;
    }
    return fields.Combo2;
}

// The checks have passed, so the rounded values fit their types.
std::int32_t Rounded32(double value) {
    return ToInt32(value).value_or(0);
}

}  // namespace

double ReadFieldNumber(QStringView text) {
    const std::u16string s = WithoutBlanks(text);
    std::string number;
    std::size_t i = 0;
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) {
        number.push_back(static_cast<char>(s[i]));
        ++i;
    }
    bool digits = false;
    while (i < s.size() && IsDigit(s[i])) {
        number.push_back(static_cast<char>(s[i++]));
        digits = true;
    }
    if (i < s.size() && s[i] == u'.') {
        number.push_back('.');
        ++i;
        while (i < s.size() && IsDigit(s[i])) {
            number.push_back(static_cast<char>(s[i++]));
            digits = true;
        }
    }
    if (!digits) {
        return 0.0;
    }
    // An exponent counts only with at least one digit: "1e" is 1, "1e+" too.
    if (i < s.size() && (s[i] == u'e' || s[i] == u'E')) {
        std::size_t j = i + 1;
        std::string exponent = "e";
        if (j < s.size() && (s[j] == u'+' || s[j] == u'-')) {
            exponent.push_back(static_cast<char>(s[j++]));
        }
        bool exponentDigits = false;
        while (j < s.size() && IsDigit(s[j])) {
            exponent.push_back(static_cast<char>(s[j++]));
            exponentDigits = true;
        }
        if (exponentDigits) {
            number += exponent;
        }
    }
    const bool negative = number.front() == '-';
    const char* first = number.data() + (number.front() == '+' || negative ? 1 : 0);
    const char* last = number.data() + number.size();
    double value = 0.0;
    const auto [end, error] = std::from_chars(first, last, value, std::chars_format::general);
    if (error == std::errc::result_out_of_range) {
        // Too large to hold: an infinity, which every range refuses; too small: zero.
        const bool large = number.find("e-") == std::string::npos;
        value = large ? std::numeric_limits<double>::infinity() : 0.0;
    } else if (error != std::errc{} || end != last) {
        value = 0.0;
    }
    return negative ? -value : value;
}

QString FieldText(double value) {
    return NumberTextNoTrail(value).trimmed();
}

DspFieldTexts DspFieldsFromRecord(const SettingsRecord& record) {
    DspFieldTexts fields;
    fields.Text1 = FieldText(record.RXfreqMaxRange);
    fields.Text2 = FieldText(record.Sensitivity);
    fields.Text3 = FieldText(record.RXSearchRange);
    fields.Text4 = FieldText(record.SquelchMax);
    fields.Text5 = FieldText(record.ProgramTimerInterval);
    fields.Combo1 = FieldText(record.SmoothingSpeed);
    fields.Combo2 = FieldText(record.WaterfallSpectrumSpeed);
    fields.Check1 = record.SquelchSpeed == 1;
    return fields;
}

DspFieldTexts DspDefaultFields(const DspFieldTexts& current) {
    SettingsRecord reset;
    DefaultSetRecord(reset);
    DspFieldTexts fields = DspFieldsFromRecord(reset);
    fields.Text5 = current.Text5;
    return fields;
}

const std::array<DspFieldRule, kDspFieldCount>& DspFieldRules() {
    return kRules;
}

std::optional<DspField> FirstRefusedDspField(const DspFieldTexts& fields) {
    for (const DspFieldRule& rule : kRules) {
        const double value = ReadFieldNumber(TextOf(fields, rule.field));
        if (!(value >= rule.minimum && value <= rule.maximum)) {
            return rule.field;
        }
    }
    return std::nullopt;
}

void StoreDspFields(const DspFieldTexts& fields, SettingsRecord& record) {
    record.WaterfallSpectrumSpeed = ReadFieldNumber(fields.Combo2);
    record.SmoothingSpeed = ReadFieldNumber(fields.Combo1);
    record.Sensitivity = Rounded32(ReadFieldNumber(fields.Text2));
    record.RXfreqMaxRange = Rounded32(ReadFieldNumber(fields.Text1));
    record.RXSearchRange = ReadFieldNumber(fields.Text3);
    record.SquelchMax = ReadFieldNumber(fields.Text4);
    record.SquelchSpeed = fields.Check1 ? 1 : 0;
    record.ProgramTimerInterval =
        KVXmodules::ValidTimerInterval(ToInt16(ReadFieldNumber(fields.Text5)).value_or(0));
}

}  // namespace KVXmodules
