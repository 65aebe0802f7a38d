// MainWindow's commands on the receive text and on the waterfall picture: save and open files, the
// clipboard, the date-and-time stamp, the edit lock, Find and clearing, from the menus, the
// picture buttons and the waterfall's popup.

#include <QCheckBox>
#include <QCoreApplication>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTextCursor>
#include <QToolButton>

#include "about/about_box.h"
#include "help/help_window.h"
#include "help/quick_guide_window.h"
#include "mainwindow/main_window.h"
#include "platform/clipboard.h"
#include "platform/dialogs.h"
#include "platform/file_dialogs.h"
#include "platform/modeless_window.h"
#include "platform/outside_programs.h"
#include "platform/picture_box.h"
#include "platform/printer.h"
#include "platform/stamps.h"
#include "receiver/picture_window.h"
#include "receiver/receive_text.h"
#include "receiver/receive_text_box.h"

namespace {

using platform::MsgButtons;
using platform::MsgIcon;
using platform::MsgResult;

// Whether `name` ends in `extension` (three letters), in any case.
bool EndsInExtension(const QString& name, QStringView extension) {
    return name.size() >= extension.size() &&
           QStringView(name).right(extension.size()).compare(extension, Qt::CaseInsensitive) == 0;
}

}  // namespace

KVXmodules::FileDialogServices MainWindow::fileDialogServices() {
    return {dialogs, *outsidePrograms_};
}

// ---- the receive text ---------------------------------------------------------------------

void MainWindow::menusave_Click() {
    if (!files.LastFileName.isEmpty() && EndsInExtension(files.LastFileName, u"bmp")) {
        files.LastFileName = QString::fromUtf16(KVXmodules::kFirstTextFileName);
    }
    KVXmodules::SaveTextDialog(
        files, dialogs, [this] { return Text1Content->text(); }, now);
}

void MainWindow::menuopenote_Click() {
    // The file goes to a text editor; the notebook editor is not involved.
    files.OpenInNotepad = 1;
    KVXmodules::OpenTextDialog(files, fileDialogServices(), [](const QString&) {});
}

MainWindow::TextSelection MainWindow::receiveSelection() const {
    const QTextCursor cursor = Text1->textCursor();
    const qsizetype start = Text1Content->textIndex(cursor.selectionStart());
    const qsizetype end = Text1Content->textIndex(cursor.selectionEnd());
    return {start, end - start};
}

void MainWindow::replaceReceiveSelection(QStringView with) {
    const TextSelection selection = receiveSelection();
    Text1Content->replace(selection.start, selection.length, with);
    QTextCursor cursor = Text1->textCursor();
    cursor.setPosition(
        static_cast<int>(Text1Content->widgetPosition(selection.start + with.size())));
    Text1->setTextCursor(cursor);
}

void MainWindow::menucut_Click() {
    menucopy_Click();
    replaceReceiveSelection(u"");
}

void MainWindow::menucopy_Click() {
    const TextSelection selection = receiveSelection();
    clipboard.setText(Text1Content->text().mid(selection.start, selection.length));
}

void MainWindow::menupaste_Click() {
    replaceReceiveSelection(clipboard.text());
}

void MainWindow::menupastetime_Click() {
    const QDateTime at = now();
    replaceReceiveSelection(QStringLiteral("\r\nQuorvin Date&Time-> ") + platform::StampDate(at) +
                            u' ' + platform::StampTime(at) + QStringLiteral("\r\n"));
}

void MainWindow::menutextwin_Click() {
    // Other programs take one line end per line, not the box's CR CR LF.
    clipboard.setText(receiver::ClipboardText(Text1Content->text()));
}

void MainWindow::menuedittext_Click() {
    const bool unlock = !menuedittext->isChecked();
    menuedittext->setChecked(unlock);
    Text1->setReadOnly(!unlock);
}

void MainWindow::menufind_Click() {
    const QString wanted = dialogs.inputBox(QStringLiteral("Find text: "), QStringLiteral("Find"));
    if (wanted.isEmpty()) {
        return;
    }
    Text1->setFocus(Qt::OtherFocusReason);
    if (!Check1->isChecked()) {
        Check1->setChecked(true);  // its handler pauses decoding
    }
    DecodeStopped = 1;
    Text1->setFocus(Qt::OtherFocusReason);

    const QString& text = Text1Content->text();
    const qsizetype found = text.indexOf(wanted, 0, Qt::CaseInsensitive);
    QTextCursor cursor = Text1->textCursor();
    if (found < 0) {
        cursor.setPosition(static_cast<int>(Text1Content->widgetPosition(text.size())));
    } else {
        cursor.setPosition(static_cast<int>(Text1Content->widgetPosition(found)));
        cursor.setPosition(static_cast<int>(Text1Content->widgetPosition(found + wanted.size())),
                           QTextCursor::KeepAnchor);
    }
    Text1->setTextCursor(cursor);
}

void MainWindow::menuclear1_Click() {
    Text1Content->setText(u"");
}

void MainWindow::menuprint_Click() {
    const TextSelection selection = receiveSelection();
    const bool whole = selection.length == 0;
    const QString question = whole ? QStringLiteral("Do you want to print the received text?")
                                   : QStringLiteral("Do you want to print the selected text?");
    if (dialogs.msgBox(question, MsgButtons::YesNo, MsgIcon::Question, QStringLiteral("Print")) !=
        MsgResult::Yes) {
        return;
    }
    const QString text =
        whole ? Text1Content->text() : Text1Content->text().mid(selection.start, selection.length);
    platform::PrintOrSayNotReady(*printer_, dialogs, text + QStringLiteral("\r\n"));
}

// ---- the waterfall picture ----------------------------------------------------------------

void MainWindow::Command4_Click() {
    clipboard.setImage(Picture1->picture());
}

void MainWindow::Command5_Click() {
    Picture1->setPicture(Picture4->picture());
}

void MainWindow::menuclear2_Click() {
    Picture1->clear();
    Picture1->update();
}

void MainWindow::command8_Click() {
    if (files.LastFileName.isEmpty() || EndsInExtension(files.LastFileName, u"txt")) {
        files.LastFileName = QString::fromUtf16(KVXmodules::kFirstWaterfallFileName);
    }
    KVXmodules::SaveWaterfallDialog(files, dialogs, Picture1->picture());
}

void MainWindow::openPicture(std::int16_t inPaint) {
    files.OpenInPaint = inPaint;
    KVXmodules::OpenPictureDialog(files, fileDialogServices(), [this](const QString& path) {
        if (pictureWindow_.isNull()) {
            pictureWindow_ = new PictureWindow();
            pictureWindow_->setAttribute(Qt::WA_DeleteOnClose);
            connect(this, &QObject::destroyed, pictureWindow_.data(), &QObject::deleteLater);
        }
        pictureWindow_->show();
        pictureWindow_->raise();
        // A file that is no picture leaves the window with its picture and the new caption.
        pictureWindow_->LoadPictureFile(path);
        pictureWindow_->setWindowTitle(path);
    });
}

void MainWindow::Command7_Click() {
    openPicture(0);
}

void MainWindow::menuopenpaint_Click() {
    openPicture(1);
}

PictureWindow* MainWindow::pictureWindow() const {
    return pictureWindow_.data();
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

void MainWindow::connectCommandHandlers() {
    const auto on = [this](QAction* item, void (MainWindow::*handler)()) {
        connect(item, &QAction::triggered, this, handler);
    };
    on(menusave, &MainWindow::menusave_Click);
    on(menuopenote, &MainWindow::menuopenote_Click);
    on(menucut, &MainWindow::menucut_Click);
    on(menucopy, &MainWindow::menucopy_Click);
    on(menupaste, &MainWindow::menupaste_Click);
    on(menupastetime, &MainWindow::menupastetime_Click);
    on(menutextwin, &MainWindow::menutextwin_Click);
    // Qt ticks a checkable item before it reports the trigger; the handler does the ticking.
    connect(menuedittext, &QAction::triggered, this, [this](bool checked) {
        menuedittext->setChecked(!checked);
        menuedittext_Click();
    });
    on(menufind, &MainWindow::menufind_Click);
    on(menuclear1, &MainWindow::menuclear1_Click);
    on(menuprint, &MainWindow::menuprint_Click);
    connect(Command1, &QToolButton::clicked, this, &MainWindow::menusave_Click);
    on(menuopen, &MainWindow::menuopen_Click);
    on(menubook, &MainWindow::menubook_Click);
    on(menusound, &MainWindow::menusound_Click);
    on(menuwebsite, &MainWindow::menuwebsite_Click);
    on(mnuHelpAbout, &MainWindow::mnuHelpAbout_Click);
    on(menuhelpguide, &MainWindow::menuhelpguide_Click);
    on(help, &MainWindow::help_Click);
    // F1 opens the help from any window of the program, modal dialogs included.
    platform::InstallHelpKey(*this, [this] { help_Click(); });
    connect(Command2, &QToolButton::clicked, this, &MainWindow::menuopen_Click);

    on(menuwater, &MainWindow::Command4_Click);
    on(menuwatcopy, &MainWindow::Command4_Click);
    on(menuwatclear, &MainWindow::Command5_Click);
    on(menuclear2, &MainWindow::menuclear2_Click);
    on(menusavebmp, &MainWindow::command8_Click);
    on(menuwatsave, &MainWindow::command8_Click);
    on(menuopenbmp, &MainWindow::Command7_Click);
    on(menuopenpaint, &MainWindow::menuopenpaint_Click);
    connect(Command4, &QToolButton::clicked, this, &MainWindow::Command4_Click);
    connect(Command5, &QToolButton::clicked, this, &MainWindow::Command5_Click);
    connect(Command7, &QToolButton::clicked, this, &MainWindow::Command7_Click);
    connect(Command8, &QToolButton::clicked, this, &MainWindow::command8_Click);
}
