// MainWindow's settings methods and the settings routines that work through its controls.

#include <QAction>
#include <QCoreApplication>
#include <QFile>
#include <QFont>
#include <QPalette>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTimer>
#include <array>
#include <utility>

#include "mainwindow/main_window.h"
#include "platform/dialogs.h"
#include "platform/font_names.h"
#include "platform/image_box.h"
#include "platform/picture_box.h"
#include "platform/psk_engine.h"
#include "settings/colour_schemes.h"
#include "settings/receive_captions.h"
#include "settings/settings_file.h"
#include "settings/settings_record.h"

namespace {

using KVXmodules::IsSet;
using platform::MsgButtons;
using platform::MsgIcon;
using platform::MsgResult;

constexpr char16_t kResetQuestion[] =
    u"Are you sure to reset all Quorvin settings back to their default settings?";
constexpr char16_t kResetTitle[] = u"Reset values to default";
constexpr char16_t kCallPrompt[] = u"Enter your name or call sign:";
constexpr char16_t kCallTitle[] = u"Call sign";
constexpr char16_t kCallInvalid[] =
    u"The name or call you entered is invallid. It needs to be at least 3 characters long and "
    u"no longer then 20 characters.";
constexpr char16_t kCallInvalidTitle[] = u"Call sign invallid";
constexpr char16_t kSystemFont[] = u"system";

QString Text(const char16_t* text) {
    return QString::fromUtf16(text);
}

// major.minor.revision, for the first line of the settings file.
QString ProgramVersion() {
#ifdef QUORVIN_VERSION
    return QStringLiteral(QUORVIN_VERSION);
#else
    return QCoreApplication::applicationVersion();
#endif
}

void SetTextColours(QPlainTextEdit& text, const QColor& fore, const QColor& back) {
    QPalette palette = text.palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::Text, fore);
        palette.setColor(group, QPalette::Base, back);
    }
    text.setPalette(palette);
}

// A font name as the receive window takes it; a font that is not installed leaves the window's
// font as it is.
void SetFontName(QPlainTextEdit& text, const QString& name) {
    text.setFont(platform::FontNamed(text.font(), name));
}

QString TrimBlanks(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == u' ') {
        ++begin;
    }
    while (end > begin && text[end - 1] == u' ') {
        --end;
    }
    return text.sliced(begin, end - begin);
}

KVXmodules::WindowSizeTwips WindowSize(const MainWindow& form) {
    return {form.outerWidthTwips(), form.outerHeightTwips()};
}

// Selecting an option button from code runs its click handler, unless it is selected already.
void Select(QRadioButton* option) {
    if (option != nullptr) {
        option->setChecked(true);
    }
}

QRadioButton* ModeOption(MainWindow& form, double mode) {
    if (mode == platform::kModeBpsk) {
        return form.Option1;
    }
    if (mode == platform::kModeQpskUsb) {
        return form.Option2;
    }
    if (mode == platform::kModeQpskLsb) {
        return form.Option3;
    }
    return nullptr;
}

QRadioButton* ScreenOption(MainWindow& form, double screenSet) {
    if (screenSet == 0) {
        return form.Option4;
    }
    if (screenSet == 1) {
        return form.Option5;
    }
    return nullptr;
}

std::array<QAction*, KVXmodules::kTextColorShemeCount> TextColourItems(MainWindow& form) {
    return {form.menutextcol1, form.menutextcol2, form.menutextcol3, form.menutextcol4,
            form.menutextcol5};
}

std::array<QAction*, KVXmodules::kWaterfallPaletteCount> PaletteItems(MainWindow& form) {
    return {form.menuwaterfallcol1, form.menuwaterfallcol2, form.menuwaterfallcol3};
}

// Characters as the user sees them: a character outside the Basic Multilingual Plane counts
// once.
qsizetype CharacterCount(const QString& text) {
    return text.toUcs4().size();
}

}  // namespace

void MainWindow::DefaultSet() {
    KVXmodules::SettingsRecord& r = settings;
    // The record's values: layout, palette values, DSP values, fonts, alarm strings, mode,
    // colours, screen and waterfall speed.
    KVXmodules::DefaultSetValues(r);
    // Black on light yellow, until the colour scheme below replaces it.
    SetTextColours(*Text1, r.TextForeColor, r.TextBackColor);
    SetFontName(*Text1, r.Font);
    Select(ModeOption(*this, r.PSKMode));
    // Scheme 3: yellow on black.
    SetTextColorShemes(r.TextColorSheme);
    WaterfallColors(r.WaterfallColor);
    Select(ScreenOption(*this, r.ScreenSet));
    Select(PhaseStatus[0]);
    // The remembered size is off and the saved DSP values follow the reset ones; the tick
    // shows the setting as it now is.
    KVXmodules::DefaultSetFinish(r);
    menuscreensize->setChecked(KVXmodules::IsSet(r.RememberScreenSize));
}

void MainWindow::menudefault_Click() {
    const MsgResult answer = dialogs.msgBox(Text(kResetQuestion), MsgButtons::YesNoCancel,
                                            MsgIcon::Question, Text(kResetTitle));
    if (answer == MsgResult::Yes) {
        DefaultSet();
        KVXmodules::SaveSettings(*this);
    }
}

void MainWindow::menuopcall_Click() {
    const QString call =
        dialogs.inputBox(Text(kCallPrompt), Text(kCallTitle), settings.OperatorCall);
    if (call.isEmpty()) {
        return;
    }
    const qsizetype length = CharacterCount(call);
    if (length >= KVXmodules::kMinCallLength && length <= KVXmodules::kMaxCallLength) {
        settings.OperatorCall = call;
        SetCaption(settings.CaptionPrefix + settings.OperatorCall);
    } else {
        dialogs.msgBox(Text(kCallInvalid), MsgButtons::Ok, MsgIcon::Exclamation,
                       Text(kCallInvalidTitle));
    }
}

void MainWindow::menusetupsaveset_Click() {
    KVXmodules::SaveSettings(*this);
}

void MainWindow::SetTextColorShemes(double scheme) {
    const auto items = TextColourItems(*this);
    for (QAction* item : items) {
        item->setChecked(false);
    }
    if (!KVXmodules::ApplyTextColorSheme(settings, scheme)) {
        return;
    }
    items[static_cast<std::size_t>(settings.TextColorSheme)]->setChecked(true);
    SetTextColours(*Text1, settings.TextForeColor, settings.TextBackColor);
}

void MainWindow::WaterfallColors(double palette) {
    const auto items = PaletteItems(*this);
    for (QAction* item : items) {
        item->setChecked(false);
    }
    if (!KVXmodules::ApplyWaterfallPalette(settings, palette)) {
        return;
    }
    Picture1->setBackColor(KVXmodules::EgaColor(settings.WaterfallBackColor));
    items[static_cast<std::size_t>(*KVXmodules::WaterfallPaletteIndex(palette))]->setChecked(true);
}

KVXmodules::SettingsRecord MainWindow::SettingsAtExit() const {
    KVXmodules::SettingsRecord record = settings;
    RememberBandActivityIn(record);
    KVXmodules::PrepareDSPForSave(record);
    return record;
}

void MainWindow::FollowSettings() {
    SettingsSaved(
        KVXmodules::SettingsChangeKey(SettingsAtExit(), WindowSize(*this), ProgramVersion()));
    if (settingsTimer_ == nullptr) {
        settingsTimer_ = new QTimer(this);
        connect(settingsTimer_, &QTimer::timeout, this, &MainWindow::SaveSettingsIfChanged);
    }
    settingsTimer_->start(kSettingsCheckMs);
}

void MainWindow::SaveSettingsIfChanged() {
    if (settingsTimer_ == nullptr || unloaded_) {
        return;
    }
    const KVXmodules::SettingsRecord record = SettingsAtExit();
    QByteArray key = KVXmodules::SettingsChangeKey(record, WindowSize(*this), ProgramVersion());
    if (key == settingsSaved_) {
        return;
    }
    // Written exactly as the exit writes it. A failure is told by the exit's save; until then
    // every check tries again, so a disk that was full takes the settings once it has room.
    const QByteArray bytes =
        KVXmodules::SettingsFileBytes(record, WindowSize(*this), ProgramVersion());
    if (KVXmodules::WriteFileReplacing(settings.SettingsFilePath, bytes).ok) {
        settingsSaved_ = std::move(key);
    }
}

void MainWindow::SettingsSaved(const QByteArray& changeKey) {
    settingsSaved_ = changeKey;
}

namespace KVXmodules {

void SaveSettings(MainWindow& form) {
    SettingsRecord& r = form.settings;
    PrepareDSPForSave(r);
    // The program holds no file open between commands (logs and the notebook are opened and
    // closed within one handler), so there is nothing to close first.
    const WindowSizeTwips size = WindowSize(form);
    const QByteArray bytes = SettingsFileBytes(r, size, ProgramVersion());
    const FileWriteResult result = WriteFileReplacing(r.SettingsFilePath, bytes);
    if (result.ok) {
        form.SettingsSaved(SettingsChangeKey(r, size, ProgramVersion()));
    } else {
        form.dialogs.msgBox(
            QString::fromUtf16(kSaveFailedText), MsgButtons::Ok, MsgIcon::Exclamation,
            QString::fromUtf16(kSaveFailedTitle) + u' ' + QString::number(result.errorNumber));
    }
}

void LoadSettings(MainWindow& form) {
    SettingsRecord& r = form.settings;
    QByteArray bytes;
    {
        QFile file(r.SettingsFilePath);
        if (!file.open(QIODevice::ReadOnly)) {
            form.DefaultSet();
            return;
        }
        bytes = file.readAll();
    }
    const SettingsReadResult result = ReadSettingsFile(bytes, r);
    if (result.callSignTaken) {
        form.SetCaption(r.CaptionPrefix + r.OperatorCall);
    }
    if (result.failed) {
        return;
    }
    // The controls that show the settings read.
    Select(form.PhaseStatus[IsSet(r.PhaseTuneStatus) ? 0 : 1]);
    if (IsSet(r.PSKAlarm)) {
        form.Label2->setText(AlarmOnCaption(r.AutoAlarmLog));
    }
    Select(ModeOption(form, r.PSKMode));
    form.SetTextColorShemes(r.TextColorSheme);
    form.WaterfallColors(r.WaterfallColor);
    Select(ScreenOption(form, r.ScreenSet));
    // A font named in the file other than the system font.
    const QString font = TrimBlanks(r.Font);
    if (!font.isEmpty() && font.compare(Text(kSystemFont), Qt::CaseInsensitive) != 0) {
        SetFontName(*form.Text1, font);
    }
    form.menuscreensize->setChecked(IsSet(r.RememberScreenSize));
}

}  // namespace KVXmodules
