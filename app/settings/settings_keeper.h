#pragma once

// The settings file and the parts that follow it: a reset to the defaults, the load at start,
// the save (by the Setup menu, at a reset and at exit), and, from the end of the start on, a
// check every kCheckMs that writes the file when what the exit would write has changed since it
// was last written, so that a lost display or a killed program loses no change.

#include <QByteArray>
#include <QString>
#include <QTimer>
#include <functional>
#include <vector>

#include "settings/settings_file.h"
#include "settings/settings_part.h"

namespace platform {
class Dialogs;
}

namespace KVXmodules {

struct SettingsKeeperServices {
    SettingsRecord& settings;
    platform::Dialogs& dialogs;
    // The main window's outer size at this moment, for the ScreenWidth and ScreenHeigth lines.
    std::function<WindowSizeTwips()> windowSize;
    // A call sign read from the file goes into the main window's caption.
    std::function<void(const QString&)> setCaption;
};

class SettingsKeeper {
  public:
    static constexpr int kCheckMs = 1000;

    explicit SettingsKeeper(SettingsKeeperServices services);

    // Parts are called in the order they are added.
    void addPart(SettingsPart& part);

    // The record's default values, shown by every part.
    void DefaultSet();
    // Reads SettingsFilePath into the record. A file that can't be opened resets everything
    // (DefaultSet). When every step succeeded, the parts show the record (phase indicator,
    // alarm label, receive mode, text colours, waterfall palette, screen mode, the receive
    // window's font and the "Remember Screen Size" tick). After a failing step (a short or
    // damaged file) the values read are kept and the controls are left alone.
    void load();
    // Writes the whole settings file to SettingsFilePath. First, unless SaveWorkingDSP is set,
    // the six DSP values are put back to their saved copies (even when the write then fails).
    // The file is written beside the old one and renamed over it, so a failure at any step
    // (open, write, rename) leaves the old file as it was and shows the one message box. The
    // window's outer size at this moment goes to the ScreenWidth and ScreenHeigth lines.
    void save();
    // Every part keeps its state in the settings record (before the save at exit).
    void keepParts();
    // The settings as a save at exit writes them, the record left as it is.
    SettingsRecord atExit() const;

    // From now on the file follows the settings; the settings as they stand count as written:
    // an unchanged record never rewrites the file.
    void follow();
    // The check; it does nothing before follow() and after stop().
    void saveIfChanged();
    // The program ends: the file follows no more.
    void stop();
    // What the file holds, as its change key (see SettingsChangeKey), after the last save.
    const QByteArray& savedKey() const noexcept { return savedKey_; }

  private:
    QByteArray changeKey(const SettingsRecord& record) const;

    SettingsKeeperServices services_;
    std::vector<SettingsPart*> parts_;
    QTimer timer_;
    bool following_ = false;
    bool stopped_ = false;
    QByteArray savedKey_;
};

}  // namespace KVXmodules
