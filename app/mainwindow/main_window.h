#pragma once

// The main window: the receive text, the waterfall, the tuning displays, the command
// frames, the status bar and the menu bar.
//
// Its code is split by subsystem (main_window_<subsystem>.cpp): construction and layout live in
// app/mainwindow/, start-up, shutdown, the engine's window procedure and the receive handlers in
// app/receiver/, the settings methods in app/settings/, the setup items in app/setup/. Controls
// are public members named as the window's layout names them; handlers are named after their
// control and event.
//
// Every event the window receives passes through its replaceable window procedure (see
// platform/window_proc.h): InitPSK installs the engine's procedure, which keeps the previous
// one in receiverBuffers.PreviousWindowProc.
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
#include "platform/alarm_search.h"
#include "platform/alarm_sounder.h"
#include "platform/file_dialogs.h"
#include "platform/window_proc.h"
#include "receiver/display_state.h"
#include "receiver/receiver_buffers.h"
#include "receiver/sound_card_notice.h"
#include "settings/engine_tuning.h"

class AudioInputWindow;
class HelpWindow;
class BandActivityWindow;
class QTimer;
class QuickGuideWindow;
class AboutBox;
class NotebookEditor;
class DspSetupWindow;
class PictureWindow;
class AlarmSetupWindow;
class FontChooserWindow;
class LocatorWindow;
class QAction;
class QCheckBox;
class QGroupBox;
class QMenu;
class QPlainTextEdit;
class QRadioButton;
class QToolButton;

namespace KVXmodules {
struct SettingsRecord;
}
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
class WindowMessageSink;
}  // namespace platform
namespace pskmodem {
class MessageSink;
}
namespace receiver {
class ReceiveTextBox;
}  // namespace receiver

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

class MainWindow final : public QMainWindow, private platform::AlarmSounder {
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
    // Tunes the engine with the settings' search range: every tuning of the window goes here.
    platform::Tuning& tuning() noexcept { return tuning_; }
    // Sounds the alarm (app/receiver/main_window_text.cpp): the receive text's and the band
    // activity's hits both go here.
    platform::AlarmSounder& alarmSounder() noexcept { return *this; }

    // ---- start-up and shutdown (app/receiver/main_window_startup.cpp) ----
    void Form_Load();
    void InitPSK();
    void Form_Unload();
    // The program folder as start-up stored it (the one given at construction).
    const QString& programFolder() const noexcept { return programFolder_; }
    // Whether the engine captures from the sound card (see MainWindowServices).
    bool soundCardSource() const noexcept { return soundCardSource_; }
    // The help file: the program folder followed by HELP.md, set by Form_Load.
    QString HelpFile;
    // Sets the window caption, its control characters shown visibly (platform::VisibleCaption);
    // while the engine has no sound card it carries the notice that says so.
    void SetCaption(const QString& caption);
    // The engine opens the sound card again, lost or never opened (true), or audio flows (false).
    void ShowSoundCardStatus(bool reopening);

    // ---- text and picture commands (app/mainwindow/main_window_commands.cpp) ----
    // The file dialogs' shared state.
    KVXmodules::FileDialogState files;
    // The clock of the saved text's banner and of the date-and-time stamp.
    std::function<QDateTime()> now = [] { return QDateTime::currentDateTime(); };
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
    void Command4_Click();
    void Command5_Click();
    void menuclear2_Click();
    void command8_Click();
    void Command7_Click();
    void menuopenpaint_Click();
    // The picture window the open command shows; none before it was shown or after it closed.
    PictureWindow* pictureWindow() const;
    // Help menu and outside programs.
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

    // ---- the notebook editor (app/notebook/main_window_notebook.cpp) ----
    void menuopen_Click();
    void menubook_Click();
    // Shows `file` in the notebook editor under `caption`, loading the editor when needed.
    void showEditor(const QString& file, const QString& caption);
    // The notebook editor while it is open.
    NotebookEditor* notebookWindow() const;
    // Changed notes of the notebook editor go to their unsaved copy, without a question.
    void keepUnsavedNotes();
    // At start: when the notebook file has an unsaved copy, the notebook opens and offers it.
    void offerUnsavedNotebook();
    // Ended from outside (a termination signal): nothing is asked; the notebook keeps changed
    // notes in their unsaved copy and closes, then this window closes as File > Exit closes it.
    void closeFromOutside();
    // The receive box's selection in the stored text.
    struct TextSelection {
        qsizetype start = 0;
        qsizetype length = 0;
    };
    TextSelection receiveSelection() const;

    // ---- receive path (app/receiver/) ----
    APIStuff::ReceiverBuffers receiverBuffers;
    // Where the engine posts its messages: into this window's event queue.
    pskmodem::MessageSink& messageSink();
    void Timer1_Timer();
    void Timer2_Timer();
    void Timer3_Timer();
    void Option1_Click();
    void Option2_Click();
    void Option3_Click();
    void PhaseStatus_Click(int index);
    // Tuning by mouse (app/receiver/main_window_display.cpp): x and y in the waterfall's pixels,
    // and in twips over the scale strip Image1.
    void Picture1_MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
    void Picture1_MouseMove(Qt::MouseButtons button, Qt::KeyboardModifiers shift, int x, int y);
    void Picture1_MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
    void Image1_MouseMove(Qt::MouseButtons button, Qt::KeyboardModifiers shift, double x, double y);
    void menuwaterfallcol1_Click();
    void menuwaterfallcol2_Click();
    void menuwaterfallcol3_Click();
    // The receive mode the option buttons show: 0 BPSK, 1 QPSK usb, 2 QPSK lsb.
    std::int32_t selectedMode() const;

    // ---- received text, autolog, alarm, decode controls (app/receiver/main_window_text.cpp) ----
    // The text of Text1 in its stored form (a received line break is CR CR LF), which Text1
    // shows with one line break per line. Change Text1's text through it.
    receiver::ReceiveTextBox* Text1Content = nullptr;
    std::int16_t DecodeStopped = 0;         // 1 while "Stop Decode" is ticked, else 0
    std::int16_t AutoLogActive = 0;         // -1 while the autolog is on, else 0
    std::int16_t AutoLogBannerPending = 0;  // 1 from a switch-on until its banner is written
    platform::AlarmSearch AlarmWindow;      // the alarm's search through the received text
    QString SoundFileName;                  // the sound of the last alarm
    void Text1_Change();
    void LogAlarm(std::int16_t& welkestring);
    void Label2_Click();
    void Label8_Click();
    void menuautolog_Click();
    void menupskalarm_Click();
    void Check1_Click();
    // "Halt Waterfall" (Check2) is ticked: the display tick leaves the waterfall as it is.
    bool waterfallHalted() const;

    // ---- appearance (app/mainwindow/main_window_skin.cpp) ----
    void LoadBackgroundSkin();

    // ---- setup windows and appearance items (app/setup/main_window_setup.cpp) ----
    // Each setup window opens modeless, or comes to the front when it is open already.
    void menusetupdsp_Click();    // "Setup PSK/DSP..." (DspSetupWindow)
    void Command3_Click();        // the "DSP Setup" button: as "Setup PSK/DSP..."
    void menusetupalarm_Click();  // "Setup PSK Alarm..." (AlarmSetupWindow)
    void menusetupfont_Click();
    // The font chooser while it is open.
    FontChooserWindow* fontChooser() const;
    // The notebook's font chooser (Fonts... of the notebook), over `owner`: the font taken there
    // goes to `apply` and to the editor's setting. It is its own window beside the receive
    // window's chooser.
    void chooseEditorFont(QWidget& owner, std::function<void(const QString&)> apply);
    // The notebook's font chooser while it is open.
    FontChooserWindow* notebookFontChooser() const;
    void menuaudioinput_Click();  // "Audio Input..."
    void menutextcol1_Click();    // "Black on Yellow": scheme 0
    void menutextcol2_Click();    // "Black on White": scheme 1
    void menutextcol3_Click();    // "White on Blue": scheme 2
    void menutextcol4_Click();    // "Yellow on Black": scheme 3
    void menutextcol5_Click();    // "White on green": scheme 4
    // Decided by the item's tick as it stands when the handler runs.
    void menusetupbackground_Click();  // "Use Background Skin"
    void menuscreensize_Click();       // "Remember Screen Size"
    // The setup windows while they are open, else null.
    DspSetupWindow* dspSetupWindow() const;
    AlarmSetupWindow* alarmSetupWindow() const;
    AudioInputWindow* audioInputWindow() const;
    // The card the engine starts on: the remembered sound card input, or the system's default
    // input (0) when none is remembered or the remembered one is missing, which a message box
    // then says.
    std::int32_t SoundCardInput();

    // ---- locator calculator (app/locator/main_window_locator.cpp) ----
    // Opens the calculator, or brings it to the front when it is open already.
    void menufindlocat_Click();
    // The calculator window while it is open, else null.
    LocatorWindow* locatorWindow() const;

    // ---- band activity (app/band/main_window_band.cpp) ----
    // Opens the band activity window (whole-band decoding starts), or brings it to the front.
    void menuband_Click();
    BandActivityWindow* bandActivityWindow() const;
    // Takes the engine's newest band snapshot into the window; fires the alarm for strings
    // found in what the signals sent.
    void BandTimer_Timer();
    // Tunes the receiver to `frequencyHz` in `mode`, as a click on its trace and a click on
    // the mode's option would.
    void TuneToSignal(double frequencyHz, pskmodem::Mode mode);
    // Stores whether the window is open and where it stands, for the settings file.
    void RememberBandActivity();
    // The same into `record`, leaving the settings as they are.
    void RememberBandActivityIn(KVXmodules::SettingsRecord& record) const;
    // Closes the window: without the engine the band activity has nothing to show.
    void CloseBandActivity();

    // ---- settings (app/settings/main_window_settings.cpp) ----
    void DefaultSet();
    void menudefault_Click();
    void menuopcall_Click();
    void menusetupsaveset_Click();
    void SetTextColorShemes(double scheme);
    void WaterfallColors(double palette);
    // The settings as a save at exit writes them, the record left as it is: the band activity
    // window as it now stands and, unless the working DSP values are to be kept, their saved
    // copies.
    KVXmodules::SettingsRecord SettingsAtExit() const;
    // From the end of the load sequence on, the settings file follows the settings: a check
    // every kSettingsCheckMs writes it when what the exit would write has changed since it was
    // last written, so that a lost display or a killed program loses no change. The settings
    // as loaded count as written: an unchanged record never rewrites the file.
    void FollowSettings();
    // The check; it does nothing before FollowSettings and once the window is unloaded.
    void SaveSettingsIfChanged();
    // Every save of the settings tells here what the file now holds (its change key, see
    // KVXmodules::SettingsChangeKey).
    void SettingsSaved(const QByteArray& changeKey);
    static constexpr int kSettingsCheckMs = 1000;

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
    // The alarm for a hit of alarm string `slot`: the sound, and the alarm log when it is on.
    void sound(int slot) override;
    void createControls();
    void createMenus();
    void connectHandlers();
    void connectTextHandlers();
    void connectSetupHandlers();
    void connectCommandHandlers();
    // Replaces the selection (or inserts at the caret) and puts the caret after the new text.
    void replaceReceiveSelection(QStringView with);
    KVXmodules::FileDialogServices fileDialogServices();
    void openPicture(std::int16_t inPaint);
    void mnuFileExit_Click();
    // The display tick's steps (app/receiver/main_window_display.cpp).
    void connectDisplayHandlers();
    void drawWaterfallLine();
    void drawPhaseIndicator();
    void drawQualityBar();
    void showActiveFrequency();

    QString programFolder_;
    bool soundCardSource_ = true;
    KVXmodules::EngineTuning tuning_;
    QPointer<LocatorWindow> locatorWindow_;
    QPointer<PictureWindow> pictureWindow_;
    QPointer<AboutBox> about_;
    QPointer<QuickGuideWindow> guide_;
    QPointer<HelpWindow> help_;
    QPointer<BandActivityWindow> band_;
    band::BandTable bandTable_;
    pskmodem::BandActivitySnapshot bandSnapshot_;
    QTimer* bandTimer_ = nullptr;
    QTimer* settingsTimer_ = nullptr;
    QByteArray settingsSaved_;  // the change key of what the settings file holds
    QPointer<FontChooserWindow> fontChooserWindow_;
    QPointer<FontChooserWindow> editorFontChooser_;
    QPointer<NotebookEditor> editor_;
    std::unique_ptr<platform::OutsidePrograms> systemPrograms_;  // when none was given
    platform::OutsidePrograms* outsidePrograms_ = nullptr;
    std::unique_ptr<platform::Printer> defaultPrinter_;  // when none was given
    platform::Printer* printer_ = nullptr;
    QPointer<DspSetupWindow> dspSetupWindow_;
    QPointer<AlarmSetupWindow> alarmSetupWindow_;
    QPointer<AudioInputWindow> audioInput_;
    std::unique_ptr<platform::WindowMessageSink> sink_;
    platform::WindowProcedure windowProcedure_;
    receiver::DisplayState display_;
    bool engineStartCalled_ = false;
    receiver::SoundCardWatch soundCard_;
    bool unloaded_ = false;
};
