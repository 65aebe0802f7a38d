#pragma once

// The alarm setup window, "PSK Alarm": a modeless window that edits the three alarm strings,
// whether the alarm is active and whether a found string is logged with time and date. "OK" checks
// the first string, stores everything in the settings record, sets the main window's alarm label
// and starts the alarm's search afresh; "Cancel" and the close box store nothing.
//
// The rules of the boxes are in alarm_setup.h.

#include <array>
#include <functional>

#include "platform/setup_dialog.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace KVXmodules {
struct SettingsRecord;
}
namespace platform {
class Dialogs;
class Label;
}  // namespace platform

// What the alarm setup works with. All of it outlives the window.
struct AlarmSetupServices {
    KVXmodules::SettingsRecord& settings;
    platform::Dialogs& dialogs;
    platform::Label& alarmLabel;               // the main window's "PSK-Alarm OFF" label
    std::function<void()> restartAlarmSearch;  // the alarm searches the text afresh
};

class AlarmSetupWindow final : public platform::SetupDialog {
    Q_OBJECT
  public:
    // Builds the window and loads it; not shown yet.
    explicit AlarmSetupWindow(AlarmSetupServices services);
    ~AlarmSetupWindow() override;
    AlarmSetupWindow(const AlarmSetupWindow&) = delete;
    AlarmSetupWindow& operator=(const AlarmSetupWindow&) = delete;

    // True once the window has closed; opening the alarm setup again loads a new one.

    // ---- handlers ----
    void Form_Load();
    void Option1_Click();   // "Activate" selected, by a click or by code
    void Option2_Click();   // "Deactivate" selected, by a click or by code
    void Command1_Click();  // "OK"
    void Command2_Click();  // "Cancel"

    // ---- controls ----
    QGroupBox* Frame1 = nullptr;      // "Alarm Settings"
    std::array<QLabel*, 3> Label2{};  // "1", "2", "3"
    QLineEdit* Text1 = nullptr;       // alarm string 1, design text "QR9ZZ"
    QLineEdit* Text2 = nullptr;       // alarm string 2
    QLineEdit* Text3 = nullptr;       // alarm string 3
    QRadioButton* Option1 = nullptr;  // "Activate"
    QRadioButton* Option2 = nullptr;  // "Deactivate", selected in the design
    QCheckBox* Check1 = nullptr;      // "Log Time/Date", disabled in the design
    QPushButton* Command1 = nullptr;  // "OK"
    QPushButton* Command2 = nullptr;  // "Cancel"

  protected:
    void cancel() override { Command2_Click(); }

  private:
    void createControls();
    void connectHandlers();

    AlarmSetupServices services_;
};
