#pragma once

// The Rig Control window, "Rig Control": which rig's dial Quorvin reads, none by default, rigctld
// at HOST:PORT or a hamlib model on its port at its speed. "Test" reads the frequency once, off
// the UI thread, and says what it got or why not; nothing changes before "OK", which makes the
// program follow the rig chosen and the settings record remember it.
//
// The rules are in rig_settings.h.

#include <QPointer>
#include <functional>
#include <optional>
#include <vector>

#include "platform/setup_dialog.h"
#include "rig/rig_settings.h"
#include "station/rig.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace KVXmodules {
struct SettingsRecord;
}

// What the Rig Control window works with. All of it outlives the window.
struct RigControlServices {
    const KVXmodules::SettingsRecord& settings;
    // hamlib's models, by maker and name.
    std::function<std::vector<station::RigModel>()> models;
    // Reads the rig once off the UI thread; the text of what it got comes back on the UI thread.
    std::function<void(const station::RigAddress&, std::function<void(const QString&)>)> test;
    // "OK": the rig to follow from now on, or none.
    std::function<void(const std::optional<station::RigAddress>&)> apply;
};

class RigControlWindow final : public platform::SetupDialog {
    Q_OBJECT
  public:
    // Builds the window and loads it; not shown yet.
    explicit RigControlWindow(RigControlServices services);
    ~RigControlWindow() override;
    RigControlWindow(const RigControlWindow&) = delete;
    RigControlWindow& operator=(const RigControlWindow&) = delete;

    // ---- handlers ----
    void Form_Load();
    void Command1_Click();  // "OK"
    void Command2_Click();  // "Cancel"
    void Command3_Click();  // "Test"

    // What the window shows as chosen.
    rig::RigChoice choice() const;

    // ---- controls ----
    QGroupBox* Frame1 = nullptr;      // "Rig"
    QRadioButton* Option1 = nullptr;  // "No rig"
    QRadioButton* Option2 = nullptr;  // "rigctld at"
    QLineEdit* Text1 = nullptr;       // HOST:PORT
    QRadioButton* Option3 = nullptr;  // "hamlib model"
    QComboBox* Combo1 = nullptr;      // the models
    QLabel* Label1 = nullptr;         // "Port"
    QLineEdit* Text2 = nullptr;       // device or path
    QLabel* Label2 = nullptr;         // "Speed"
    QComboBox* Combo2 = nullptr;      // serial speeds
    QPushButton* Command3 = nullptr;  // "Test"
    QLabel* Label3 = nullptr;         // what the test got, or why the choice is incomplete
    QLabel* Label4 = nullptr;         // read-only note
    QPushButton* Command1 = nullptr;  // "OK"
    QPushButton* Command2 = nullptr;  // "Cancel"

  protected:
    void cancel() override { Command2_Click(); }

  private:
    void createControls();
    void connectHandlers();
    void enableChoice();

    RigControlServices services_;
};
