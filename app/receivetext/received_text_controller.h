#pragma once

// The received text: the text flush into the receive box with the autolog, the box's bound
// and the PSK alarm's search with the alarm itself (platform::AlarmSounder: the sound and the
// alarm log), the alarm and autolog toggles, "Stop Decode", and the commands on the receive
// text (save, open in a text editor, the clipboard, the date-and-time stamp, the edit lock,
// Find, clearing and printing).

#include <QDateTime>
#include <QString>
#include <QStringView>
#include <cstdint>
#include <functional>
#include <memory>

#include "platform/alarm_search.h"
#include "platform/alarm_sounder.h"
#include "platform/file_dialogs.h"
#include "platform/receiver_buffers.h"
#include "settings/settings_part.h"

class QAction;
class QCheckBox;
class QPlainTextEdit;
class QWidget;

namespace platform {
class Clipboard;
class FormTimer;
class Label;
class Printer;
class SoundPlayer;
}  // namespace platform
namespace receiver {
class ReceiveTextBox;
}

// What the received text works with; all of it outlives the controller.
struct ReceivedTextServices {
    KVXmodules::SettingsRecord& settings;
    platform::Dialogs& dialogs;
    platform::Clipboard& clipboard;
    platform::Printer& printer;
    platform::SoundPlayer& soundPlayer;  // plays the alarm
    APIStuff::ReceiverBuffers& buffers;  // the flush takes the received characters from it
    KVXmodules::FileDialogState& files;  // shared with the waterfall picture commands
    KVXmodules::FileDialogServices fileDialogs;
    // The clock of the saved text's banner and of the date-and-time stamp.
    const std::function<QDateTime()>& now;
    QString programFolder;           // where the logs are written
    QPlainTextEdit& text;            // Text1, the receive box
    platform::Label& alarmLabel;     // Label2
    platform::Label& autoLogLabel;   // Label8
    QCheckBox& stopDecode;           // Check1 "Stop Decode"
    QWidget& waterfall;              // Picture1: takes the focus after "Stop Decode"
    QAction& autoLogItem;            // "AutoLog" of the File menu
    QAction& editItem;               // "Edit text" of the Edit menu
    platform::FormTimer& textTimer;  // Timer2
    // Opens the alarm setup window (the status bar's alarm menu item does).
    std::function<void()> openAlarmSetup;
};

class ReceivedTextController final : public platform::AlarmSounder,
                                     public KVXmodules::SettingsPart {
  public:
    explicit ReceivedTextController(ReceivedTextServices services);
    ~ReceivedTextController() override;
    ReceivedTextController(const ReceivedTextController&) = delete;
    ReceivedTextController& operator=(const ReceivedTextController&) = delete;

    // The text of Text1 in its stored form (a received line break is CR CR LF), which Text1
    // shows with one line break per line. Change Text1's text through it.
    receiver::ReceiveTextBox* Text1Content = nullptr;
    std::int16_t DecodeStopped = 0;         // 1 while "Stop Decode" is ticked, else 0
    std::int16_t AutoLogActive = 0;         // -1 while the autolog is on, else 0
    std::int16_t AutoLogBannerPending = 0;  // 1 from a switch-on until its banner is written
    platform::AlarmSearch AlarmWindow;      // the alarm's search through the received text
    QString SoundFileName;                  // the sound of the last alarm

    void Timer2_Timer();
    void Text1_Change();
    // The alarm for a hit of alarm string `slot`: the sound, and the alarm log when it is on.
    void sound(int slot) override;
    void LogAlarm(std::int16_t& welkestring);
    void Label2_Click();
    void Label8_Click();
    void menuautolog_Click();
    void menupskalarm_Click();
    void Check1_Click();

    void menusave_Click();
    void menuopenote_Click();
    void menucut_Click();
    void menucopy_Click();
    void menupaste_Click();
    void menupastetime_Click();
    void menutextwin_Click();
    void menuedittext_Click();
    void menufind_Click();
    void menuclear1_Click();
    void menuprint_Click();
    // The receive box's selection in the stored text.
    struct TextSelection {
        qsizetype start = 0;
        qsizetype length = 0;
    };
    TextSelection receiveSelection() const;

    // A reset leaves the alarm label as it is; a load shows the alarm switched on.
    void showDefaults(const KVXmodules::SettingsRecord& record) override;
    void showLoaded(const KVXmodules::SettingsRecord& record) override;

  private:
    // Replaces the selection (or inserts at the caret) and puts the caret after the new text.
    void replaceReceiveSelection(QStringView with);

    ReceivedTextServices services_;
    std::unique_ptr<receiver::ReceiveTextBox> textBox_;
};
