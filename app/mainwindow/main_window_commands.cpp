// MainWindow's own commands: the Help menu's windows, the outside programs it starts, and the
// locator calculator.

#include <QCoreApplication>

#include "about/about_box.h"
#include "help/help_window.h"
#include "help/quick_guide_window.h"
#include "locator/locator_window.h"
#include "mainwindow/main_window.h"
#include "platform/dialogs.h"
#include "platform/file_dialogs.h"
#include "platform/modeless_window.h"
#include "platform/outside_programs.h"

namespace {

using platform::MsgButtons;
using platform::MsgIcon;
using platform::MsgResult;

}  // namespace

KVXmodules::FileDialogServices MainWindow::fileDialogServices() {
    return {dialogs, *outsidePrograms_};
}

// ---- outside programs and the Help menu ----------------------------------------------------

void MainWindow::menusound_Click() {
    constexpr int kFileNotFound = 53;
    if (!outsidePrograms_->start(platform::OutsideProgram::SoundMixer)) {
        dialogs.msgBox(
            QStringLiteral("Could not find ") +
                platform::OutsideProgramCandidates(platform::OutsideProgram::SoundMixer).lookedFor,
            MsgButtons::Ok, MsgIcon::Exclamation,
            QStringLiteral("Error nr: ") + QString::number(kFileNotFound));
    }
}

void MainWindow::menuwebsite_Click() {
    outsidePrograms_->openLink(about::WebPage());
}

void MainWindow::mnuHelpAbout_Click() {
    platform::ShowModeless(*this, about_, [this] {
        return new AboutBox(
            AboutServices{dialogs, *outsidePrograms_, QStringLiteral(QUORVIN_VERSION)});
    });
}

void MainWindow::help_Click() {
    const QString document =
        help::HelpDocument(programFolder(), QCoreApplication::applicationDirPath());
    if (document.isEmpty()) {
        dialogs.msgBox(help::MissingHelpText(HelpFile), MsgButtons::Ok, MsgIcon::Exclamation);
        return;
    }
    HelpWindow* window = platform::ShowModeless(
        *this, help_, [&document] { return new HelpWindow(document); },
        platform::Placement::ChosenBySystem);
    platform::KeepUsableOverModalDialog(*window);
}

HelpWindow* MainWindow::helpWindow() const {
    return platform::OpenWindow(help_);
}

AboutBox* MainWindow::aboutBox() const {
    return platform::OpenWindow(about_);
}

void MainWindow::menuhelpguide_Click() {
    platform::ShowModeless(*this, guide_, [] { return new QuickGuideWindow; });
}

QuickGuideWindow* MainWindow::quickGuide() const {
    return platform::OpenWindow(guide_);
}

// ---- the locator calculator ----------------------------------------------------------------

void MainWindow::menufindlocat_Click() {
    platform::ShowModeless(
        *this, locatorWindow_,
        [this] {
            return new LocatorWindow(LocatorServices{dialogs, clipboard, programFolder()});
        },
        platform::Placement::ChosenBySystem);
}

LocatorWindow* MainWindow::locatorWindow() const {
    return platform::OpenWindow(locatorWindow_);
}
