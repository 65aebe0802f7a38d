// MainWindow's start-up and shutdown: the load sequence and the unload sequence.

#include <QDir>
#include <QPixmap>
#include <QTimer>

#include "band/band_controller.h"
#include "mainwindow/main_window.h"
#include "notebook/notebook_controller.h"
#include "platform/image_box.h"
#include "platform/window_caption.h"
#include "receiver/mode_notice.h"
#include "receiver/receive_controller.h"
#include "receiver/sound_card_notice.h"
#include "receiver/startup.h"
#include "report/report_controller.h"
#include "rig/rig_controller.h"
#include "settings/settings_keeper.h"
#include "settings/settings_record.h"

void MainWindow::Form_Load() {
    settings.CaptionPrefix = designedCaption() + QStringLiteral(" - ");
    HelpFile = QDir(programFolder()).filePath(QStringLiteral("HELP.md"));
    QDir::setCurrent(programFolder());
    settingsKeeper_->DefaultSet();
    settings.SettingsFilePath = QDir(programFolder()).filePath(QStringLiteral("QUORVIN.ini"));
    settings.SaveWorkingDSP = 0;
    settingsKeeper_->load();
    receive_->InitPSK();
    LoadBackgroundSkin();
    if (receiver::RememberedSizeApplies(settings.RememberScreenSize, settings.ScreenHeigth,
                                        settings.ScreenWidth)) {
        setOuterHeightTwips(settings.ScreenHeigth);
        setOuterWidthTwips(settings.ScreenWidth);
    }
    // From here on the settings file follows every change of the settings.
    settingsKeeper_->follow();
    // The band activity window comes back when it was open at the end of the last run; where
    // it then stands is what the settings file already says.
    if (settings.BandActivityOpen != KVXmodules::kFlagClear) {
        QTimer::singleShot(0, this, [this] {
            bandActivity_->menuband_Click();
            settingsKeeper_->follow();
        });
    }
}

void MainWindow::Form_Unload() {
    if (unloaded_) {
        return;
    }
    unloaded_ = true;
    settingsKeeper_->stop();
    receive_->stopEngine();
    // The band window's place is remembered before it closes.
    settingsKeeper_->keepParts();
    settingsKeeper_->save();
    bandActivity_->CloseBandActivity();
    img_Background->setPicture(img_Blanco->picture());
}

void MainWindow::SetCaption(const QString& caption) {
    // The rig's dial and then the reports' status stand last: taken off before the notices are
    // put in their places; the mode notice stands before the sound card's.
    const QString withoutReports = report_ ? report_->captionWithoutStatus(caption) : caption;
    const QString withoutDial = rig_ ? rig_->captionWithoutDial(withoutReports) : withoutReports;
    const QString bare = receiver::WithSoundCardNotice(platform::VisibleCaption(withoutDial),
                                                       receiver::SoundCardNotice::None);
    const QString titled = receiver::WithSoundCardNotice(
        receiver::WithModeNotice(bare, modeNotice_), soundCard_.notice());
    const QString dialled = rig_ ? rig_->captionWithDial(titled) : titled;
    setWindowTitle(report_ ? report_->captionWithStatus(dialled) : dialled);
}

void MainWindow::ShowMode(pskmodem::Mode mode, pskmodem::Speed speed) {
    modeNotice_ = receiver::ModeNotice(mode, speed);
    SetCaption(windowTitle());
}

void MainWindow::ShowSoundCardStatus(bool reopening) {
    if (reopening) {
        soundCard_.reopening();
    } else {
        soundCard_.started();
    }
    SetCaption(windowTitle());
}

void MainWindow::saveForLogout() {
    settingsKeeper_->keepParts();
    settingsKeeper_->save();
    notebook_->keepUnsavedNotes();
}

void MainWindow::closeFromOutside() {
    notebook_->closeKeepingNotes();
    close();
}
