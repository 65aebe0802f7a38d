#pragma once

// The display and the waterfall pictures: the display tick (waterfall line, phase indicator,
// quality bar, frequency marker and read-out), the clock, the indicator switch, tuning by
// mouse with its read-outs, and the waterfall picture commands (copy, clear, save, open in the
// picture window or a paint program) from the buttons, the menus and the waterfall's popup.
//
// Each display tick repaints only what it changed: the waterfall's drawable area, and the
// indicator, the bar, the marker and the labels when their values moved.

#include <QPointer>
#include <Qt>
#include <array>
#include <cstdint>

#include "display/display_state.h"
#include "platform/file_dialogs.h"
#include "platform/receiver_buffers.h"
#include "settings/settings_part.h"

class PictureWindow;
class QCheckBox;
class QMenu;
class QRadioButton;

namespace platform {
class Clipboard;
class FormTimer;
class ImageBox;
class Label;
class PictureBox;
class PskEngine;
class Tuning;
}  // namespace platform

// What the display works with; all of it outlives the controller.
struct DisplayServices {
    KVXmodules::SettingsRecord& settings;
    platform::PskEngine& engine;
    platform::Clipboard& clipboard;
    platform::Tuning& tuning;
    APIStuff::ReceiverBuffers& buffers;  // the display tick fetches the phase vector into it
    KVXmodules::FileDialogState& files;  // shared with the text commands
    KVXmodules::FileDialogServices fileDialogs;
    platform::PictureBox& waterfall;           // Picture1
    platform::PictureBox& qualityBar;          // Picture2
    platform::PictureBox& blank;               // Picture4, the blank waterfall picture
    platform::PictureBox& indicator;           // Radars, the phase tuning indicator
    platform::PictureBox& indicatorBack;       // Radar_Pic, its background
    platform::ImageBox& scale;                 // Image1, the frequency scale strip
    platform::ImageBox& marker;                // Image2, the active-frequency marker
    platform::Label& clock;                    // Label4
    platform::Label& quality;                  // Label6
    platform::Label& pointer;                  // Label7, the frequency under the pointer
    platform::Label& active;                   // Label9, the active frequency
    std::array<QRadioButton*, 2> phaseStatus;  // "On", "Off"
    QCheckBox& stopDecode;                     // Check1 "Stop Decode"
    QCheckBox& haltWaterfall;                  // Check2 "Halt Waterfall"
    platform::FormTimer& displayTimer;         // Timer1
    QMenu& popup;                              // the waterfall's popup menu
};

class DisplayController final : public KVXmodules::SettingsPart {
  public:
    explicit DisplayController(DisplayServices services);
    ~DisplayController() override;
    DisplayController(const DisplayController&) = delete;
    DisplayController& operator=(const DisplayController&) = delete;

    void Timer1_Timer();
    void Timer3_Timer();
    void PhaseStatus_Click(int index);
    // Tuning by mouse: x and y in the waterfall's pixels, and in twips over the scale strip.
    void Picture1_MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
    void Picture1_MouseMove(Qt::MouseButtons button, Qt::KeyboardModifiers shift, int x, int y);
    void Picture1_MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
    void Image1_MouseMove(Qt::MouseButtons button, Qt::KeyboardModifiers shift, double x, double y);
    // "Halt Waterfall" (Check2) is ticked: the display tick leaves the waterfall as it is.
    bool waterfallHalted() const;

    // The waterfall picture commands.
    void Command4_Click();  // copy to the clipboard
    void Command5_Click();  // clear to the blank picture
    void menuclear2_Click();
    void command8_Click();  // save
    void Command7_Click();  // open in the picture window
    void menuopenpaint_Click();
    // The picture window the open command shows; none before it was shown or after it closed.
    PictureWindow* pictureWindow() const;

    // The indicator switch follows the record's PhaseTuneStatus.
    void showDefaults(const KVXmodules::SettingsRecord& record) override;
    void showLoaded(const KVXmodules::SettingsRecord& record) override;

  private:
    void drawWaterfallLine();
    void drawPhaseIndicator();
    void drawQualityBar();
    void showActiveFrequency();
    void openPicture(std::int16_t inPaint);

    DisplayServices services_;
    receiver::DisplayState display_;
    QPointer<PictureWindow> pictureWindow_;
};
