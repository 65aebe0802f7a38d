#pragma once

// The main window: the receive text, the waterfall, the tuning displays, the command
// frames, the status bar and the menu bar.
//
// It creates the controls and the menus and connects them to one controller per subsystem,
// which it owns (destroyed before the controls they refer to): receive (app/receiver/),
// display and pictures (app/display/), received text (app/receivetext/), setup (app/setup/),
// band activity (app/band/) and notebook (app/notebook/). The controllers meet only through the
// interfaces of platform/ and settings/: tuning, the alarm and the settings parts that the
// settings keeper calls in order. The window itself keeps its layout and screen modes, its
// background skin, its caption, the start and the end, and the Help menu's windows.
//
// Every event the window receives passes through its replaceable window procedure (see
// platform/window_proc.h): the receive controller's InitPSK installs the engine's procedure,
// which keeps the previous one in the receive buffers' PreviousWindowProc.
//
// Selecting an option button or check box from code runs its click handler, as a user's click
// does: the handlers are connected to the buttons' `toggled` signals.
//
// Ticked menu items are checkable QActions. Qt flips the tick of such an item before its
// `triggered` signal arrives; a handler that decides by the tick as it was before the click
// reads the inverse of the `checked` argument.

#include <QByteArray>
#include <QDateTime>
#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <QStringView>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>

#include "band/band_table.h"
#include "display/display_state.h"
#include "platform/alarm_search.h"
#include "platform/alarm_sounder.h"
#include "platform/file_dialogs.h"
#include "platform/receiver_buffers.h"
#include "platform/window_proc.h"
#include "receiver/sound_card_notice.h"
#include "settings/engine_tuning.h"

class AboutBox;
class BandActivityController;
class DisplayController;
class HelpWindow;
class LocatorWindow;
class NotebookController;
class QuickGuideWindow;
class ReceiveController;
class ReceivedTextController;
class RigController;
class ReportController;
class SetupController;
class QAction;
class QCheckBox;
class QGroupBox;
class QMenu;
class QPlainTextEdit;
class QRadioButton;
class QToolButton;

namespace KVXmodules {
class SettingsKeeper;
class SettingsPart;
struct SettingsRecord;
}  // namespace KVXmodules
namespace platform {
class Clipboard;
class Dialogs;
class FormTimer;
class ImageBox;
class Label;
class OutsidePrograms;
class PictureBox;
class Printer;
class PskEngine;
class SoundPlayer;
class AlarmSounder;
class BandActivityDemand;
class Tuning;
class WindowMessageSink;
}  // namespace platform
namespace pskmodem {
class MessageSink;
}

// What the main window works with. All of it outlives the window.
struct MainWindowServices {
    KVXmodules::SettingsRecord& settings;
    platform::Dialogs& dialogs;
    platform::Clipboard& clipboard;
    platform::PskEngine& engine;
    QString programFolder;  // where the settings file, the logs and the pictures live
    platform::SoundPlayer* soundPlayer = nullptr;  // plays the alarm; none: the alarm is silent
    // The engine captures from the sound card; false while a recording or the simulator feeds
    // it, when the sound card input is only remembered for later.
    bool soundCardSource = true;
    // Starts the text editor and the paint program; none: the system's programs.
    platform::OutsidePrograms* outsidePrograms = nullptr;
    // Prints the receive text; none: the default printer.
    platform::Printer* printer = nullptr;
};

class MainWindow final : public QMainWindow {
    Q_OBJECT
  public:
    explicit MainWindow(const MainWindowServices& services, QWidget* parent = nullptr);
    ~MainWindow() override;
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // The caption the window is designed with.
    static QString designedCaption();

    // ---- services ----
    KVXmodules::SettingsRecord& settings;
    platform::Dialogs& dialogs;
    platform::Clipboard& clipboard;
    platform::PskEngine& engine;
    platform::SoundPlayer& soundPlayer;
    // The file dialogs' shared state.
    KVXmodules::FileDialogState files;
    // The clock of the saved text's banner and of the date-and-time stamps.
    std::function<QDateTime()> now = [] { return QDateTime::currentDateTime(); };

    // ---- the subsystems' controllers ----
    ReceiveController& receive() noexcept { return *receive_; }
    DisplayController& display() noexcept { return *display_; }
    ReceivedTextController& receivedText() noexcept { return *receivedText_; }
    SetupController& setup() noexcept { return *setup_; }
    BandActivityController& bandActivity() noexcept { return *bandActivity_; }
    NotebookController& notebook() noexcept { return *notebook_; }
    RigController& rig() noexcept { return *rig_; }
    ReportController& report() noexcept { return *report_; }
    KVXmodules::SettingsKeeper& settingsKeeper() noexcept { return *settingsKeeper_; }
    // Every tuning of the program goes here (the receive controller).
    platform::Tuning& tuning() noexcept;
    // The alarm of the receive text's and the band activity's hits (the received text).
    platform::AlarmSounder& alarmSounder() noexcept;
    // Where the engine posts its messages: into this window's event queue.
    pskmodem::MessageSink& messageSink();

    // ---- start-up and shutdown (app/mainwindow/main_window_startup.cpp) ----
    // The load sequence: the settings, the engine's start, the skin, the remembered size.
    void Form_Load();
    // The unload sequence: the engine stops, the settings are saved, the band window closes.
    void Form_Unload();
    // The program folder as start-up stored it (the one given at construction).
    const QString& programFolder() const noexcept { return programFolder_; }
    // The help file: the program folder followed by HELP.md, set by Form_Load.
    QString HelpFile;
    // Sets the window caption, its control characters shown visibly (platform::VisibleCaption);
    // while the engine has no sound card it carries the notice that says so.
    void SetCaption(const QString& caption);
    // The caption names the mode received when it is not PSK31.
    void ShowMode(pskmodem::Mode mode, pskmodem::Speed speed);
    // The engine opens the sound card again, lost or never opened (true), or audio flows (false).
    void ShowSoundCardStatus(bool reopening);
    // The session ends (logging out): the settings are saved with the band window's place, and
    // changed notes go to their unsaved copy, without a question.
    void saveForLogout();
    // Ended from outside (a termination signal): nothing is asked; the notebook keeps changed
    // notes in their unsaved copy and closes, then this window closes as File > Exit closes it.
    void closeFromOutside();

    // ---- Help menu, outside programs, locator (app/mainwindow/main_window_commands.cpp) ----
    void menusound_Click();
    void menuwebsite_Click();
    void mnuHelpAbout_Click();
    void menuhelpguide_Click();
    // Opens the help window (also F1 anywhere in the program).
    void help_Click();
    HelpWindow* helpWindow() const;
    // The About box while it is open.
    AboutBox* aboutBox() const;
    // The quick guide while it is open.
    QuickGuideWindow* quickGuide() const;
    // Opens the locator calculator, or brings it to the front when it is open already.
    void menufindlocat_Click();
    // The calculator window while it is open, else null.
    LocatorWindow* locatorWindow() const;

    // ---- appearance (app/mainwindow/main_window_skin.cpp) ----
    void LoadBackgroundSkin();

    // ---- layout and screen modes (app/mainwindow/main_window_layout.cpp) ----
    void Form_Resize();
    void Option4_Click();
    void Option5_Click();
    // The client area below the menu bar, in pixels (its ScaleWidth and ScaleHeight).
    QSize clientSize() const;
    // The window's outer size in twips: the window with its menu bar; the decorations that a
    // window manager may add are not counted, so a stored size restores exactly.
    float outerWidthTwips() const;
    float outerHeightTwips() const;
    void setOuterWidthTwips(float twips);
    void setOuterHeightTwips(float twips);

    // ---- window procedure ----
    // Installs `proc` as the window procedure and returns the one it replaces.
    platform::WindowProc SetWindowProc(platform::WindowProc proc);
    // The window's own handling of a message: Qt events go to the widget; other messages are
    // ignored with the result 0.
    std::intptr_t DefWindowProc(platform::WindowHandle hWnd, std::uint32_t message,
                                std::intptr_t wParam, std::intptr_t lParam);

    // ---- controls of the client area ----
    QWidget* client = nullptr;  // the client area; every control below is placed in it

    QPlainTextEdit* Text1 = nullptr;               // receive text
    platform::PictureBox* Picture1 = nullptr;      // waterfall
    platform::PictureBox* Picture2 = nullptr;      // signal-quality bar
    platform::PictureBox* Picture3 = nullptr;      // program logo
    platform::PictureBox* Picture4 = nullptr;      // hidden, empty: the blank waterfall picture
    platform::ImageBox* Image1 = nullptr;          // frequency scale strip over the waterfall
    platform::ImageBox* Image2 = nullptr;          // active-frequency marker
    platform::ImageBox* img_Background = nullptr;  // background skin
    platform::ImageBox* img_Blanco = nullptr;      // hidden, empty picture
    platform::PictureBox* Radars = nullptr;        // phase tuning indicator (in Frame6)
    platform::PictureBox* Radar_Pic = nullptr;     // hidden: the indicator's background

    QGroupBox* Frame1 = nullptr;  // "Text/Log Files"
    QGroupBox* Frame2 = nullptr;  // "PSK Mode"
    QGroupBox* Frame3 = nullptr;  // "Screen"
    QGroupBox* Frame4 = nullptr;  // "Waterfall"
    QGroupBox* Frame5 = nullptr;  // status bar, no caption
    QGroupBox* Frame6 = nullptr;  // "Phase"
    QGroupBox* Frame7 = nullptr;  // "DSP Setup"

    QRadioButton* Option1 = nullptr;             // "BPSK"
    QRadioButton* Option2 = nullptr;             // "QPSK usb"
    QRadioButton* Option3 = nullptr;             // "QPSK lsb"
    QRadioButton* Option4 = nullptr;             // "Normal"
    QRadioButton* Option5 = nullptr;             // "Rev"
    std::array<QRadioButton*, 2> PhaseStatus{};  // "On", "Off"
    QCheckBox* Check1 = nullptr;                 // "Stop Decode"
    QCheckBox* Check2 = nullptr;                 // "Halt Waterfall"

    QToolButton* Command1 = nullptr;  // "Save" (Frame1)
    QToolButton* Command2 = nullptr;  // "Open" (Frame1)
    QToolButton* Command3 = nullptr;  // DSP setup (Frame7)
    QToolButton* Command4 = nullptr;  // copy waterfall (Frame4)
    QToolButton* Command5 = nullptr;  // clear waterfall (Frame4)
    QToolButton* Command7 = nullptr;  // load waterfall picture (Frame4)
    QToolButton* Command8 = nullptr;  // save waterfall picture (Frame4)

    platform::Label* Label1 = nullptr;  // "50Hz"
    platform::Label* Label2 = nullptr;  // "PSK-Alarm OFF" (status bar)
    platform::Label* Label3 = nullptr;  // "3000Hz"
    platform::Label* Label4 = nullptr;  // clock (status bar)
    platform::Label* Label5 = nullptr;  // caption-less, behind the other controls
    platform::Label* Label6 = nullptr;  // signal quality (status bar)
    platform::Label* Label7 = nullptr;  // frequency under the pointer (status bar)
    platform::Label* Label8 = nullptr;  // "AutoLog OFF" (status bar)
    platform::Label* Label9 = nullptr;  // active frequency (status bar)

    platform::FormTimer* Timer1 = nullptr;  // display update
    platform::FormTimer* Timer2 = nullptr;  // received-text flush
    platform::FormTimer* Timer3 = nullptr;  // clock, 1000 ms

    // ---- menus ----
    QMenu* mnuFile = nullptr;       // "&File"
    QMenu* menufiletext = nullptr;  // "Text "
    QAction* menuopen = nullptr;
    QAction* menuopenote = nullptr;
    QAction* menusave = nullptr;
    QMenu* menufilewaterfall = nullptr;  // "Waterfall Spectrum"
    QAction* menuopenbmp = nullptr;
    QAction* menuopenpaint = nullptr;
    QAction* menusavebmp = nullptr;
    QAction* niks9 = nullptr;
    QAction* menuautolog = nullptr;
    QAction* niks0 = nullptr;
    QAction* menuprint = nullptr;
    QAction* niks = nullptr;
    QAction* mnuFileExit = nullptr;

    QMenu* menuedit = nullptr;  // "&Edit"
    QAction* menucut = nullptr;
    QAction* menucopy = nullptr;
    QAction* menupaste = nullptr;
    QAction* niks11 = nullptr;
    QAction* menupastetime = nullptr;
    QAction* niks1 = nullptr;
    QAction* menutextwin = nullptr;
    QAction* menuwater = nullptr;
    QAction* niks8 = nullptr;
    QAction* menuedittext = nullptr;

    QMenu* menuoptions = nullptr;  // "&Options"
    QAction* menufind = nullptr;
    QAction* menufindlocat = nullptr;
    QAction* menuband = nullptr;
    QAction* niks7 = nullptr;
    QAction* menupskalarm = nullptr;
    QAction* niks3 = nullptr;
    QAction* menuclear1 = nullptr;
    QAction* menuclear2 = nullptr;
    QAction* niks5 = nullptr;
    QAction* menubook = nullptr;
    // The receive speed, after the designed items.
    QAction* menuspeedniks = nullptr;
    QMenu* menuspeed = nullptr;            // "Speed"
    std::array<QAction*, 4> menuspeeds{};  // "PSK31" .. "PSK250", ticked

    QMenu* menusetup = nullptr;  // "&Setup"
    QAction* menusetupfont = nullptr;
    QMenu* menutextcolors = nullptr;  // "Text Colors"
    QAction* menutextcol1 = nullptr;
    QAction* menutextcol2 = nullptr;
    QAction* menutextcol3 = nullptr;
    QAction* menutextcol4 = nullptr;
    QAction* menutextcol5 = nullptr;
    QMenu* menuwatercol = nullptr;  // "Waterfall Colors"
    QAction* menuwaterfallcol1 = nullptr;
    QAction* menuwaterfallcol2 = nullptr;
    QAction* menuwaterfallcol3 = nullptr;
    QAction* niks4 = nullptr;
    QAction* menusetupdsp = nullptr;
    QAction* menusetupalarm = nullptr;
    QAction* nikss1 = nullptr;
    QAction* menusound = nullptr;
    QAction* menuaudioinput = nullptr;  // "Audio Input..."
    QAction* menurig = nullptr;         // "Rig Control..."
    QAction* menureporting = nullptr;   // "Reporting..."
    QAction* setupniks1 = nullptr;
    QAction* menuopcall = nullptr;
    QAction* menusetupbackground = nullptr;
    QAction* menuscreensize = nullptr;
    QAction* menuopniks = nullptr;
    QAction* menudefault = nullptr;
    QAction* menusetupsaveset = nullptr;  // hidden

    QMenu* menuwaters = nullptr;  // "Waterfall": never in the menu bar, the waterfall's popup
    QAction* menuwatcopy = nullptr;
    QAction* menuwatclear = nullptr;
    QAction* menuwatsave = nullptr;
    QAction* niks6 = nullptr;
    QAction* menuwatclose = nullptr;

    QMenu* mnuHelp = nullptr;  // "&Help"
    QAction* help = nullptr;
    QAction* menuwebsite = nullptr;
    QAction* niks10 = nullptr;
    QAction* menuhelpguide = nullptr;
    QAction* nikss2 = nullptr;
    QAction* mnuHelpAbout = nullptr;

  protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void createControls();
    void createMenus();
    void createControllers();
    void connectHandlers();
    void connectMenus();
    KVXmodules::FileDialogServices fileDialogServices();
    void mnuFileExit_Click();

    QString programFolder_;
    bool soundCardSource_ = true;
    std::unique_ptr<platform::OutsidePrograms> systemPrograms_;  // when none was given
    platform::OutsidePrograms* outsidePrograms_ = nullptr;
    std::unique_ptr<platform::Printer> defaultPrinter_;  // when none was given
    platform::Printer* printer_ = nullptr;
    std::unique_ptr<platform::WindowMessageSink> sink_;
    platform::WindowProcedure windowProcedure_;
    receiver::SoundCardWatch soundCard_;
    QString modeNotice_;  // the caption's mode notice (receiver/mode_notice.h)
    bool unloaded_ = false;
    QPointer<LocatorWindow> locatorWindow_;
    QPointer<AboutBox> about_;
    QPointer<QuickGuideWindow> guide_;
    QPointer<HelpWindow> help_;

    // Declared after everything they use, so they are destroyed first; the controls, children
    // of the window, are destroyed after all of them.
    std::unique_ptr<KVXmodules::SettingsKeeper> settingsKeeper_;
    // Before the controllers that need the whole-band decoding.
    std::unique_ptr<platform::BandActivityDemand> bandDemand_;
    // Before the controllers that read the dial through it.
    std::unique_ptr<RigController> rig_;
    std::unique_ptr<ReceiveController> receive_;
    std::unique_ptr<ReceivedTextController> receivedText_;
    std::unique_ptr<DisplayController> display_;
    std::unique_ptr<SetupController> setup_;
    std::unique_ptr<BandActivityController> bandActivity_;
    std::unique_ptr<NotebookController> notebook_;
    std::unique_ptr<ReportController> report_;
    // The screen mode's share of the settings.
    std::unique_ptr<KVXmodules::SettingsPart> screenSettings_;
};
