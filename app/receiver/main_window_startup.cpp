// MainWindow's start-up and shutdown: the load sequence, the engine's start (InitPSK) and the
// unload sequence.

#include <QDir>
#include <QPixmap>
#include <QTimer>

#include "mainwindow/main_window.h"
#include "platform/form_timer.h"
#include "platform/image_box.h"
#include "platform/psk_engine.h"
#include "platform/window_caption.h"
#include "receiver/engine_window_proc.h"
#include "receiver/sound_card_notice.h"
#include "receiver/startup.h"
#include "settings/engine_arguments.h"
#include "settings/settings_file.h"
#include "settings/settings_record.h"

void MainWindow::Form_Load() {
    settings.CaptionPrefix = designedCaption() + QStringLiteral(" - ");
    HelpFile = QDir(programFolder()).filePath(QStringLiteral("HELP.md"));
    QDir::setCurrent(programFolder());
    DefaultSet();
    settings.SettingsFilePath = QDir(programFolder()).filePath(QStringLiteral("QUORVIN.ini"));
    settings.SaveWorkingDSP = 0;
    KVXmodules::LoadSettings(*this);
    InitPSK();
    LoadBackgroundSkin();
    if (receiver::RememberedSizeApplies(settings.RememberScreenSize, settings.ScreenHeigth,
                                        settings.ScreenWidth)) {
        setOuterHeightTwips(settings.ScreenHeigth);
        setOuterWidthTwips(settings.ScreenWidth);
    }
    // From here on the settings file follows every change of the settings.
    FollowSettings();
    // The band activity window comes back when it was open at the end of the last run; where
    // it then stands is what the settings file already says.
    if (settings.BandActivityOpen != KVXmodules::kFlagClear) {
        QTimer::singleShot(0, this, [this] {
            menuband_Click();
            FollowSettings();
        });
    }
}

void MainWindow::InitPSK() {
    // Hooked before the start, so that no engine message arrives unhooked.
    receiverBuffers.PreviousWindowProc = SetWindowProc(
        APIStuff::EngineWindowProc(receiverBuffers, engine, *Timer1, *Timer2,
                                   [this](bool reopening) { ShowSoundCardStatus(reopening); }));

    settings.ProgramTimerInterval = KVXmodules::ValidTimerInterval(settings.ProgramTimerInterval);
    Timer1->setInterval(settings.ProgramTimerInterval);
    Timer2->setInterval(settings.ProgramTimerInterval);

    // The chosen sound card input and its clock correction; a recording or the simulator has
    // neither.
    const std::int32_t card = SoundCardInput();
    const std::int32_t correction = soundCardSource() ? settings.SampleRateCorrection : 0;
    engineStartCalled_ = true;
    receiver::StartEngine(engine, &messageSink(), settings, selectedMode(), dialogs, card,
                          correction);
}

void MainWindow::Form_Unload() {
    if (unloaded_) {
        return;
    }
    unloaded_ = true;
    engine.fnStopSoundCard();
    RememberBandActivity();
    KVXmodules::SaveSettings(*this);
    CloseBandActivity();
    img_Background->setPicture(img_Blanco->picture());
}

void MainWindow::SetCaption(const QString& caption) {
    setWindowTitle(
        receiver::WithSoundCardNotice(platform::VisibleCaption(caption), soundCard_.notice()));
}

void MainWindow::ShowSoundCardStatus(bool reopening) {
    if (reopening) {
        soundCard_.reopening();
    } else {
        soundCard_.started();
    }
    SetCaption(windowTitle());
}
