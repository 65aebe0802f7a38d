#include "settings/settings_file.h"

#include <type_traits>
#include <variant>

#include "platform/file_replace.h"
#include "platform/number_text.h"
#include "platform/windows1252.h"
#include "pskmodem/types.h"

namespace KVXmodules {

namespace {

// What stands on the value line(s) after a section line.
struct AlarmStrings {};  // three text lines: PSKAlarmString 0, 1, 2
struct WindowWidth {};   // written from the window, read into ScreenWidth
struct WindowHeight {};  // written from the window, read into ScreenHeigth

using Value = std::variant<double SettingsRecord::*, std::int16_t SettingsRecord::*,
                           std::int32_t SettingsRecord::*, QString SettingsRecord::*, AlarmStrings,
                           WindowWidth, WindowHeight>;

struct Section {
    const char16_t* name;
    Value value;
};

// Lines 3..48 in file order.
const Section kSections[] = {
    {u"[PSKMode]", &SettingsRecord::PSKMode},
    {u"[ScreenSet]", &SettingsRecord::ScreenSet},
    {u"[WaterfallColor]", &SettingsRecord::WaterfallColor},
    {u"[Font]", &SettingsRecord::Font},
    {u"[TextColorSheme]", &SettingsRecord::TextColorSheme},
    {u"[RXfreqMaxRange]", &SettingsRecord::RXfreqMaxRange},
    {u"[RXSearchRange]", &SettingsRecord::RXSearchRange},
    {u"[Sensitivity]", &SettingsRecord::Sensitivity},
    {u"[SmoothingSpeed]", &SettingsRecord::SmoothingSpeed},
    {u"[SquelchMax]", &SettingsRecord::SquelchMax},
    {u"[SquelchSpeed]", &SettingsRecord::SquelchSpeed},
    {u"[Waterfall Spectrum Speed]", &SettingsRecord::WaterfallSpectrumSpeed},
    {u"[Editor font]", &SettingsRecord::EditorFont},
    {u"[PSK Alarm]", &SettingsRecord::PSKAlarm},
    {u"[PSK Alarm String]", AlarmStrings{}},
    {u"[AutoAlarmLog]", &SettingsRecord::AutoAlarmLog},
    {u"[PhaseTuneStatus]", &SettingsRecord::PhaseTuneStatus},
    {u"[ProgramTimerInterval]", &SettingsRecord::ProgramTimerInterval},
    {u"[BackgroundSkin]", &SettingsRecord::BackgroundSkin},
    {u"[RememberScreenSize]", &SettingsRecord::RememberScreenSize},
    {u"[ScreenWidth]", WindowWidth{}},
    {u"[ScreenHeigth]", WindowHeight{}},
};

template <class... Ts>
struct Overloaded : Ts... {
    using Ts::operator()...;
};
// Spelled out for compilers without class template argument deduction for aggregates.
template <class... Ts>
Overloaded(Ts...) -> Overloaded<Ts...>;

bool IsLineEnd(char c) noexcept {
    return c == '\r' || c == '\n';
}

QString OneLine(const QString& text) {
    QString line = text;
    line.replace(u'\r', u' ');
    line.replace(u'\n', u' ');
    return line;
}

// Blanks only, as the file's rules count them (a tab is part of a call sign).
QStringView TrimBlanks(QStringView text) {
    while (!text.isEmpty() && text.front() == u' ') {
        text = text.sliced(1);
    }
    while (!text.isEmpty() && text.back() == u' ') {
        text.chop(1);
    }
    return text;
}

// Reads lines one after the other and remembers the first failing step.
class LineReader {
  public:
    explicit LineReader(QByteArrayView bytes) : bytes_(bytes) {}

    // The next line, or empty when the file has ended (a failing step).
    std::optional<QString> Next() {
        if (position_ >= bytes_.size()) {
            ++lineNumber_;
            Fail();
            return std::nullopt;
        }
        return NextIfAny();
    }

    // The next line, or empty when the file has ended (no failing step).
    std::optional<QString> NextIfAny() {
        if (position_ >= bytes_.size()) {
            return std::nullopt;
        }
        ++lineNumber_;
        qsizetype end = position_;
        while (end < bytes_.size() && !IsLineEnd(bytes_[end])) {
            ++end;
        }
        QString line = FromWindows1252(bytes_.sliced(position_, end - position_));
        position_ = end;
        if (position_ < bytes_.size() && bytes_[position_] == '\r') {
            ++position_;
        }
        if (position_ < bytes_.size() && bytes_[position_] == '\n') {
            ++position_;
        }
        return line;
    }

    std::optional<double> NextNumber() {
        const auto line = Next();
        if (!line) {
            return std::nullopt;
        }
        const auto number = ReadNumber(*line);
        if (!number) {
            Fail();
        }
        return number;
    }

    void Fail() { FailAt(lineNumber_); }

    void FailAt(int lineNumber) {
        if (result_.firstFailingLine == 0) {
            result_.firstFailingLine = lineNumber;
        }
        result_.failed = true;
    }

    SettingsReadResult& result() { return result_; }

  private:
    QByteArrayView bytes_;
    qsizetype position_ = 0;
    int lineNumber_ = 0;
    SettingsReadResult result_;
};

// Converts a number read from the file to the setting's type; a value that doesn't fit is a
// failing step and leaves the setting as it was.
template <typename T>
void Store(LineReader& reader, T& target, std::optional<double> number) {
    if (!number) {
        return;
    }
    std::optional<T> converted;
    if constexpr (std::is_same_v<T, double>) {
        converted = number;
    } else if constexpr (std::is_same_v<T, float>) {
        converted = ToSingle(*number);
    } else if constexpr (std::is_same_v<T, std::int16_t>) {
        converted = ToInt16(*number);
    } else {
        static_assert(std::is_same_v<T, std::int32_t>);
        converted = ToInt32(*number);
    }
    if (converted) {
        target = *converted;
    } else {
        reader.Fail();
    }
}

constexpr char16_t kAudioInputSection[] = u"[AudioInput]";
constexpr char16_t kSampleRateCorrectionSection[] = u"[SampleRateCorrection]";
constexpr char16_t kBandActivitySection[] = u"[BandActivity]";
constexpr char16_t kRigSection[] = u"[Rig]";
constexpr char16_t kPSKSpeedSection[] = u"[PSKSpeed]";
constexpr char16_t kReportingSection[] = u"[Reporting]";

// The next line as a 32-bit number, if it is one.
std::optional<std::int32_t> NextInt32(LineReader& reader) {
    const auto value = reader.NextIfAny();
    const auto number = value ? ReadNumber(*value) : std::nullopt;
    return number ? ToInt32(*number) : std::nullopt;
}

bool IsSection(QStringView line, const char16_t* section) {
    return TrimBlanks(line).compare(QStringView(section), Qt::CaseInsensitive) == 0;
}

// The sections after line 48, wherever they stand.
void ReadInputSections(LineReader& reader, SettingsRecord& record) {
    record.AudioInput.clear();
    record.AudioInputHostApi.clear();
    record.SampleRateCorrection = 0;
    record.BandActivityOpen = kFlagClear;
    record.BandActivityLeft = kNoBandActivityPosition;
    record.BandActivityTop = kNoBandActivityPosition;
    record.RigModel = 0;
    record.RigPort.clear();
    record.RigSpeed = 0;
    record.PSKSpeed = 0;
    record.ReportSpots = kFlagClear;
    record.ReportLocator.clear();
    record.ReportAntenna.clear();
    record.ReportStream.clear();
    record.HeardLog = kFlagClear;
    while (const auto line = reader.NextIfAny()) {
        if (IsSection(*line, kAudioInputSection)) {
            record.AudioInput = reader.NextIfAny().value_or(QString());
            record.AudioInputHostApi = reader.NextIfAny().value_or(QString());
        } else if (IsSection(*line, kSampleRateCorrectionSection)) {
            const auto ppm = NextInt32(reader);
            if (ppm && *ppm >= -kMaxSampleRateCorrectionPpm &&
                *ppm <= kMaxSampleRateCorrectionPpm) {
                record.SampleRateCorrection = *ppm;
            }
        } else if (IsSection(*line, kBandActivitySection)) {
            const auto open = NextInt32(reader);
            const auto left = NextInt32(reader);
            const auto top = NextInt32(reader);
            record.BandActivityOpen = open && *open != 0 ? kFlagSet : kFlagClear;
            if (left && top) {
                record.BandActivityLeft = *left;
                record.BandActivityTop = *top;
            }
        } else if (IsSection(*line, kRigSection)) {
            // A model that is no number, or none, means no rig.
            const auto model = NextInt32(reader);
            record.RigPort = reader.NextIfAny().value_or(QString());
            const auto speed = NextInt32(reader);
            record.RigModel = model && *model > 0 ? *model : 0;
            record.RigSpeed = speed && *speed > 0 ? *speed : 0;
        } else if (IsSection(*line, kPSKSpeedSection)) {
            const auto speed = NextInt32(reader);
            record.PSKSpeed = speed && pskmodem::isValidSpeed(*speed) ? *speed : 0;
        } else if (IsSection(*line, kReportingSection)) {
            // A flag that is no number, or none, is off.
            const auto spots = NextInt32(reader);
            record.ReportLocator = reader.NextIfAny().value_or(QString());
            record.ReportAntenna = reader.NextIfAny().value_or(QString());
            record.ReportStream = reader.NextIfAny().value_or(QString());
            const auto heardLog = NextInt32(reader);
            record.ReportSpots = spots && *spots != 0 ? kFlagSet : kFlagClear;
            record.HeardLog = heardLog && *heardLog != 0 ? kFlagSet : kFlagClear;
        }
    }
}

// Alarm strings 2 and 3 that begin with "[res" in any letter case are left-overs of an old
// reserved entry and are dropped.
bool IsReservedAlarmString(const QString& text) {
    return TrimBlanks(QStringView(text).left(4).toString().toLower()) == u"[res";
}

}  // namespace

QString CallLabel() {
    return QStringLiteral(";Operator name/call sign= ");
}

QString SettingsHeaderLine(QStringView version) {
    return QStringLiteral(";Quorvin ") + version.toString() +
           QStringLiteral(" receive-only PSK31 monitor - settings, one value per line");
}

QStringList SettingsFileLines(const SettingsRecord& record, WindowSizeTwips windowSize,
                              QStringView version) {
    QStringList lines;
    lines.reserve(kSettingsFileLineCount);
    lines.append(SettingsHeaderLine(version));
    lines.append(CallLabel() + OneLine(record.OperatorCall));
    for (const Section& section : kSections) {
        lines.append(QString::fromUtf16(section.name));
        std::visit(
            Overloaded{
                [&](QString SettingsRecord::*text) { lines.append(OneLine(record.*text)); },
                [&](AlarmStrings) {
                    for (int i = 0; i < kPSKAlarmStringsUsed; ++i) {
                        lines.append(OneLine(record.PSKAlarmString[static_cast<std::size_t>(i)]));
                    }
                },
                [&](WindowWidth) { lines.append(NumberText(windowSize.width)); },
                [&](WindowHeight) { lines.append(NumberText(windowSize.height)); },
                [&](auto SettingsRecord::*number) {
                    lines.append(NumberText(static_cast<double>(record.*number)));
                },
            },
            section.value);
    }
    if (!record.AudioInput.isEmpty() || !record.AudioInputHostApi.isEmpty()) {
        lines.append(QString::fromUtf16(kAudioInputSection));
        lines.append(OneLine(record.AudioInput));
        lines.append(OneLine(record.AudioInputHostApi));
    }
    if (record.SampleRateCorrection != 0) {
        lines.append(QString::fromUtf16(kSampleRateCorrectionSection));
        lines.append(NumberText(record.SampleRateCorrection));
    }
    if (record.BandActivityOpen != kFlagClear ||
        record.BandActivityLeft != kNoBandActivityPosition ||
        record.BandActivityTop != kNoBandActivityPosition) {
        lines.append(QString::fromUtf16(kBandActivitySection));
        lines.append(NumberText(record.BandActivityOpen));
        lines.append(NumberText(record.BandActivityLeft));
        lines.append(NumberText(record.BandActivityTop));
    }
    if (record.RigModel != 0 || !record.RigPort.isEmpty() || record.RigSpeed != 0) {
        lines.append(QString::fromUtf16(kRigSection));
        lines.append(NumberText(record.RigModel));
        lines.append(OneLine(record.RigPort));
        lines.append(NumberText(record.RigSpeed));
    }
    if (record.PSKSpeed != 0) {
        lines.append(QString::fromUtf16(kPSKSpeedSection));
        lines.append(NumberText(record.PSKSpeed));
    }
    if (record.ReportSpots != kFlagClear || !record.ReportLocator.isEmpty() ||
        !record.ReportAntenna.isEmpty() || !record.ReportStream.isEmpty() ||
        record.HeardLog != kFlagClear) {
        lines.append(QString::fromUtf16(kReportingSection));
        lines.append(NumberText(record.ReportSpots != kFlagClear ? 1 : 0));
        lines.append(OneLine(record.ReportLocator));
        lines.append(OneLine(record.ReportAntenna));
        lines.append(OneLine(record.ReportStream));
        lines.append(NumberText(record.HeardLog != kFlagClear ? 1 : 0));
    }
    return lines;
}

QByteArray SettingsFileBytes(const SettingsRecord& record, WindowSizeTwips windowSize,
                             QStringView version) {
    QByteArray bytes;
    for (const QString& line : SettingsFileLines(record, windowSize, version)) {
        bytes.append(ToWindows1252(line));
        bytes.append("\r\n");
    }
    return bytes;
}

QByteArray SettingsBytesAsSaved(SettingsRecord record, WindowSizeTwips windowSize,
                                QStringView version) {
    PrepareDSPForSave(record);
    return SettingsFileBytes(record, windowSize, version);
}

QByteArray SettingsChangeKey(SettingsRecord record, WindowSizeTwips windowSize,
                             QStringView version) {
    if (!IsSet(record.RememberScreenSize)) {
        windowSize = {};
    }
    return SettingsBytesAsSaved(std::move(record), windowSize, version);
}

CallSignLine ReadCallSignLine(QStringView line) {
    CallSignLine result;
    if (TrimBlanks(line).size() <= kCallLabelLength) {
        return result;
    }
    result.longerThanLabel = true;
    const QStringView call = TrimBlanks(line.mid(kCallLabelLength, kMaxCallLength));
    if (call.size() >= kMinCallLength) {
        result.call = call.toString();
    }
    return result;
}

SettingsReadResult ReadSettingsFile(QByteArrayView bytes, SettingsRecord& record) {
    LineReader reader(bytes);
    reader.Next();  // header
    if (const auto line = reader.Next()) {
        const CallSignLine call = ReadCallSignLine(*line);
        if (call.longerThanLabel) {
            record.OperatorCall = call.call;
            reader.result().callSignTaken = !call.call.isEmpty();
        }
    }
    for (const Section& section : kSections) {
        reader.Next();  // the section line: only its position counts
        std::visit(
            Overloaded{
                [&](QString SettingsRecord::*text) {
                    if (auto line = reader.Next()) {
                        record.*text = std::move(*line);
                    }
                },
                [&](AlarmStrings) {
                    for (int i = 0; i < kPSKAlarmStringsUsed; ++i) {
                        if (auto line = reader.Next()) {
                            record.PSKAlarmString[static_cast<std::size_t>(i)] = std::move(*line);
                        }
                    }
                    for (std::size_t i = 1; i < 3; ++i) {
                        if (IsReservedAlarmString(record.PSKAlarmString[i])) {
                            record.PSKAlarmString[i].clear();
                        }
                    }
                },
                [&](WindowWidth) { Store(reader, record.ScreenWidth, reader.NextNumber()); },
                [&](WindowHeight) { Store(reader, record.ScreenHeigth, reader.NextNumber()); },
                [&](auto SettingsRecord::*number) {
                    Store(reader, record.*number, reader.NextNumber());
                },
            },
            section.value);
    }
    if (!TakeSavedDSP(record)) {
        reader.FailAt(kSettingsFileLineCount + 1);
    }
    ReadInputSections(reader, record);
    return reader.result();
}

FileWriteResult WriteFileReplacing(const QString& path, QByteArrayView bytes) {
    const platform::ReplaceOutcome outcome = platform::ReplaceFileBytes(path, bytes);
    return {outcome.ok(), outcome.systemError};
}

}  // namespace KVXmodules
