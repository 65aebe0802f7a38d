// MainWindow's controllers: each subsystem's controller made over the controls it works with,
// the settings parts in the order a reset and a load show them, and every control and menu
// item connected to its handler.

#include <QAction>
#include <QCheckBox>
#include <QRadioButton>
#include <QToolButton>

#include "band/band_controller.h"
#include "display/display_controller.h"
#include "mainwindow/main_window.h"
#include "notebook/notebook_controller.h"
#include "platform/band_activity_demand.h"
#include "platform/form_timer.h"
#include "platform/image_box.h"
#include "platform/mode_names.h"
#include "platform/modeless_window.h"
#include "platform/picture_box.h"
#include "platform/psk_engine.h"
#include "platform/twips.h"
#include "platform/window_message_sink.h"
#include "receiver/receive_controller.h"
#include "receivetext/receive_text_box.h"
#include "receivetext/received_text_controller.h"
#include "report/report_controller.h"
#include "rig/rig_controller.h"
#include "settings/settings_keeper.h"
#include "settings/settings_record.h"
#include "setup/setup_controller.h"

namespace {

// The screen mode options follow the record's ScreenSet.
class ScreenSettings final : public KVXmodules::SettingsPart {
  public:
    ScreenSettings(QRadioButton& normal, QRadioButton& largeWaterfall)
        : normal_(normal), largeWaterfall_(largeWaterfall) {}

    void showDefaults(const KVXmodules::SettingsRecord& record) override { showLoaded(record); }
    void showLoaded(const KVXmodules::SettingsRecord& record) override {
        // Selecting an option from code runs its click handler, unless it is selected already.
        if (record.ScreenSet == 0) {
            normal_.setChecked(true);
        } else if (record.ScreenSet == 1) {
            largeWaterfall_.setChecked(true);
        }
    }

  private:
    QRadioButton& normal_;
    QRadioButton& largeWaterfall_;
};

}  // namespace

platform::Tuning& MainWindow::tuning() noexcept {
    return *receive_;
}

platform::AlarmSounder& MainWindow::alarmSounder() noexcept {
    return *receivedText_;
}

void MainWindow::createControllers() {
    settingsKeeper_ =
        std::make_unique<KVXmodules::SettingsKeeper>(KVXmodules::SettingsKeeperServices{
            settings, dialogs,
            [this] {
                return KVXmodules::WindowSizeTwips{outerWidthTwips(), outerHeightTwips()};
            },
            [this](const QString& caption) { SetCaption(caption); }});

    // The rig's reports arrive through the event queue, after every controller exists.
    rig_ = std::make_unique<RigController>(RigServices{settings, *this,
                                                       [this] { SetCaption(windowTitle()); },
                                                       [this] { receive_->FollowRigSideband(); }});

    receive_ = std::make_unique<ReceiveController>(ReceiveServices{
        settings, dialogs, engine, messageSink(),
        [this](platform::WindowProc proc) { return SetWindowProc(std::move(proc)); }, *Timer1,
        *Timer2, *Option1, *Option2, *Option3, *Check1, soundCardSource_,
        [this] { return setup_->SoundCardInput(); },
        [this](bool reopening) { ShowSoundCardStatus(reopening); }, rig_.get(), menuspeeds,
        [this](pskmodem::Mode mode, pskmodem::Speed speed) { ShowMode(mode, speed); }});

    receivedText_ = std::make_unique<ReceivedTextController>(ReceivedTextServices{
        settings, dialogs, clipboard, *printer_, soundPlayer, receive_->receiverBuffers, files,
        fileDialogServices(), now, programFolder_, *Text1, *Label2, *Label8, *Check1, *Picture1,
        *menuautolog, *menuedittext, *Timer2, [this] { setup_->menusetupalarm_Click(); }});

    display_ = std::make_unique<DisplayController>(DisplayServices{settings,
                                                                   engine,
                                                                   clipboard,
                                                                   *receive_,
                                                                   receive_->receiverBuffers,
                                                                   files,
                                                                   fileDialogServices(),
                                                                   *Picture1,
                                                                   *Picture2,
                                                                   *Picture4,
                                                                   *Radars,
                                                                   *Radar_Pic,
                                                                   *Image1,
                                                                   *Image2,
                                                                   *Label4,
                                                                   *Label6,
                                                                   *Label7,
                                                                   *Label9,
                                                                   PhaseStatus,
                                                                   *Check1,
                                                                   *Check2,
                                                                   *Timer1,
                                                                   *menuwaters});

    setup_ = std::make_unique<SetupController>(
        SetupServices{settings,
                      dialogs,
                      engine,
                      *receive_,
                      *settingsKeeper_,
                      *this,
                      *Text1,
                      *Picture1,
                      *Label2,
                      *Timer1,
                      *Timer2,
                      {menutextcol1, menutextcol2, menutextcol3, menutextcol4, menutextcol5},
                      {menuwaterfallcol1, menuwaterfallcol2, menuwaterfallcol3},
                      *menusetupbackground,
                      *menuscreensize,
                      soundCardSource_,
                      [this] { receivedText_->AlarmWindow.clear(); },
                      [this] { LoadBackgroundSkin(); },
                      [this](const QString& caption) { SetCaption(caption); }});

    bandDemand_ = std::make_unique<platform::BandActivityDemand>(engine);
    bandActivity_ = std::make_unique<BandActivityController>(
        BandActivityControllerServices{settings, engine, *bandDemand_, *receive_, *receivedText_,
                                       receive_->receiverBuffers, *this, rig_.get()});

    notebook_ = std::make_unique<NotebookController>(NotebookServices{
        settings, dialogs, clipboard, *printer_, now, files, fileDialogServices(), programFolder_,
        *this, [this](QWidget& owner, std::function<void(const QString&)> apply) {
            setup_->chooseEditorFont(owner, std::move(apply));
        }});

    // The reports' status follows the dial at the end of the caption.
    report_ = std::make_unique<ReportController>(
        ReportServices{settings, *this, engine, *bandDemand_, rig_.get(), soundCardSource_,
                       programFolder_, [this] { SetCaption(windowTitle()); }});

    screenSettings_ = std::make_unique<ScreenSettings>(*Option4, *Option5);
    // The order in which a reset and a load show the settings.
    for (KVXmodules::SettingsPart* part : std::initializer_list<KVXmodules::SettingsPart*>{
             display_.get(), receivedText_.get(), receive_.get(), setup_.get(),
             screenSettings_.get(), bandActivity_.get(), rig_.get(), report_.get()}) {
        settingsKeeper_->addPart(*part);
    }
}

void MainWindow::connectHandlers() {
    DisplayController& shown = *display_;
    ReceivedTextController& text = *receivedText_;
    connect(Timer1, &QTimer::timeout, this, [&shown] { shown.Timer1_Timer(); });
    connect(Timer2, &QTimer::timeout, this, [&text] { text.Timer2_Timer(); });
    connect(Timer3, &QTimer::timeout, this, [&shown] { shown.Timer3_Timer(); });

    // An option button's click handler runs when it becomes selected, by a click or by code.
    const auto onSelected = [this](QRadioButton* option, std::function<void()> handler) {
        connect(option, &QRadioButton::toggled, this, [handler = std::move(handler)](bool on) {
            if (on) {
                handler();
            }
        });
    };
    ReceiveController& rx = *receive_;
    onSelected(Option1, [&rx] { rx.Option1_Click(); });
    onSelected(Option2, [&rx] { rx.Option2_Click(); });
    onSelected(Option3, [&rx] { rx.Option3_Click(); });
    onSelected(Option4, [this] { Option4_Click(); });
    onSelected(Option5, [this] { Option5_Click(); });
    for (int index = 0; index < static_cast<int>(PhaseStatus.size()); ++index) {
        onSelected(PhaseStatus[static_cast<std::size_t>(index)],
                   [&shown, index] { shown.PhaseStatus_Click(index); });
    }

    // Tuning by mouse; the scale strip reports its positions in twips.
    connect(Picture1, &platform::PictureBox::mouseDown, this,
            [&shown](Qt::MouseButton b, Qt::KeyboardModifiers k, int x, int y) {
                shown.Picture1_MouseDown(b, k, x, y);
            });
    connect(Picture1, &platform::PictureBox::mouseMove, this,
            [&shown](Qt::MouseButtons b, Qt::KeyboardModifiers k, int x, int y) {
                shown.Picture1_MouseMove(b, k, x, y);
            });
    connect(Picture1, &platform::PictureBox::mouseUp, this,
            [&shown](Qt::MouseButton b, Qt::KeyboardModifiers k, int x, int y) {
                shown.Picture1_MouseUp(b, k, x, y);
            });
    connect(Image1, &platform::ImageBox::mouseMove, this,
            [&shown](Qt::MouseButtons b, Qt::KeyboardModifiers k, int x, int y) {
                shown.Image1_MouseMove(b, k, platform::PixelsToTwips(x),
                                       platform::PixelsToTwips(y));
            });

    connect(Label2, &platform::Label::clicked, this, [&text] { text.Label2_Click(); });
    connect(Label8, &platform::Label::clicked, this, [&text] { text.Label8_Click(); });
    // Runs at every change of the box's value, by a click or by code.
    connect(Check1, &QCheckBox::toggled, this, [&text] { text.Check1_Click(); });

    connectMenus();
}

void MainWindow::connectMenus() {
    const auto on = [this](QObject* item, std::function<void()> handler) {
        if (auto* action = qobject_cast<QAction*>(item)) {
            connect(action, &QAction::triggered, this, [handler] { handler(); });
        } else if (auto* button = qobject_cast<QToolButton*>(item)) {
            connect(button, &QToolButton::clicked, this, [handler] { handler(); });
        }
    };
    // Qt ticks a checkable item before it reports the trigger; these handlers decide by the
    // tick as it was, so it is put back first.
    const auto onTicked = [this](QAction* item, std::function<void()> handler) {
        connect(item, &QAction::triggered, this, [item, handler](bool checked) {
            item->setChecked(!checked);
            handler();
        });
    };

    on(mnuFileExit, [this] { mnuFileExit_Click(); });

    ReceivedTextController& text = *receivedText_;
    on(menusave, [&text] { text.menusave_Click(); });
    on(Command1, [&text] { text.menusave_Click(); });
    on(menuopenote, [&text] { text.menuopenote_Click(); });
    on(menucut, [&text] { text.menucut_Click(); });
    on(menucopy, [&text] { text.menucopy_Click(); });
    on(menupaste, [&text] { text.menupaste_Click(); });
    on(menupastetime, [&text] { text.menupastetime_Click(); });
    on(menutextwin, [&text] { text.menutextwin_Click(); });
    onTicked(menuedittext, [&text] { text.menuedittext_Click(); });
    on(menufind, [&text] { text.menufind_Click(); });
    on(menuclear1, [&text] { text.menuclear1_Click(); });
    on(menuprint, [&text] { text.menuprint_Click(); });
    on(menuautolog, [&text] { text.menuautolog_Click(); });
    on(menupskalarm, [&text] { text.menupskalarm_Click(); });

    NotebookController& notes = *notebook_;
    on(menuopen, [&notes] { notes.menuopen_Click(); });
    on(Command2, [&notes] { notes.menuopen_Click(); });
    on(menubook, [&notes] { notes.menubook_Click(); });

    ReceiveController& rx = *receive_;
    for (const pskmodem::Speed speed : platform::kSpeeds) {
        on(menuspeeds[static_cast<std::size_t>(speed)],
           [&rx, speed] { rx.menuspeed_Click(speed); });
    }

    DisplayController& shown = *display_;
    on(menuwater, [&shown] { shown.Command4_Click(); });
    on(menuwatcopy, [&shown] { shown.Command4_Click(); });
    on(Command4, [&shown] { shown.Command4_Click(); });
    on(menuwatclear, [&shown] { shown.Command5_Click(); });
    on(Command5, [&shown] { shown.Command5_Click(); });
    on(menuclear2, [&shown] { shown.menuclear2_Click(); });
    on(menusavebmp, [&shown] { shown.command8_Click(); });
    on(menuwatsave, [&shown] { shown.command8_Click(); });
    on(Command8, [&shown] { shown.command8_Click(); });
    on(menuopenbmp, [&shown] { shown.Command7_Click(); });
    on(Command7, [&shown] { shown.Command7_Click(); });
    on(menuopenpaint, [&shown] { shown.menuopenpaint_Click(); });

    SetupController& setup = *setup_;
    on(menusetupdsp, [&setup] { setup.menusetupdsp_Click(); });
    on(Command3, [&setup] { setup.Command3_Click(); });
    on(menusetupalarm, [&setup] { setup.menusetupalarm_Click(); });
    on(menuaudioinput, [&setup] { setup.menuaudioinput_Click(); });
    RigController& rig = *rig_;
    on(menurig, [&rig] { rig.menurig_Click(); });
    ReportController& reports = *report_;
    on(menureporting, [&reports] { reports.menureporting_Click(); });
    on(menusetupfont, [&setup] { setup.menusetupfont_Click(); });
    on(menutextcol1, [&setup] { setup.menutextcol1_Click(); });
    on(menutextcol2, [&setup] { setup.menutextcol2_Click(); });
    on(menutextcol3, [&setup] { setup.menutextcol3_Click(); });
    on(menutextcol4, [&setup] { setup.menutextcol4_Click(); });
    on(menutextcol5, [&setup] { setup.menutextcol5_Click(); });
    on(menuwaterfallcol1, [&setup] { setup.menuwaterfallcol1_Click(); });
    on(menuwaterfallcol2, [&setup] { setup.menuwaterfallcol2_Click(); });
    on(menuwaterfallcol3, [&setup] { setup.menuwaterfallcol3_Click(); });
    onTicked(menusetupbackground, [&setup] { setup.menusetupbackground_Click(); });
    onTicked(menuscreensize, [&setup] { setup.menuscreensize_Click(); });
    on(menudefault, [&setup] { setup.menudefault_Click(); });
    on(menuopcall, [&setup] { setup.menuopcall_Click(); });
    on(menusetupsaveset, [&setup] { setup.menusetupsaveset_Click(); });

    BandActivityController& band = *bandActivity_;
    on(menuband, [&band] { band.menuband_Click(); });
    on(menufindlocat, [this] { menufindlocat_Click(); });

    on(menusound, [this] { menusound_Click(); });
    on(menuwebsite, [this] { menuwebsite_Click(); });
    on(mnuHelpAbout, [this] { mnuHelpAbout_Click(); });
    on(menuhelpguide, [this] { menuhelpguide_Click(); });
    on(help, [this] { help_Click(); });
    // F1 opens the help from any window of the program, modal dialogs included.
    platform::InstallHelpKey(*this, [this] { help_Click(); });
}
