// MainWindow's received text: the text flush with the autolog, the receive box's bound and the PSK
// alarm, the alarm and autolog toggles, and the decode controls.

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QPlainTextEdit>

#include "mainwindow/main_window.h"
#include "platform/form_timer.h"
#include "platform/image_box.h"
#include "platform/picture_box.h"
#include "platform/windows1252.h"
#include "receiver/receive_logs.h"
#include "receiver/receive_text_box.h"
#include "settings/receive_captions.h"
#include "settings/settings_record.h"

namespace {

// A file of the program folder, by its absolute name: the current directory may be anywhere
// a file dialog left it.
QString ProgramFile(const MainWindow& form, const char16_t* name) {
    return QDir(form.programFolder()).absoluteFilePath(QString::fromUtf16(name));
}

}  // namespace

void MainWindow::connectTextHandlers() {
    Text1Content = new receiver::ReceiveTextBox(*Text1, this);
    connect(Text1Content, &receiver::ReceiveTextBox::changed, this, &MainWindow::Text1_Change);
    connect(Label2, &platform::Label::clicked, this, &MainWindow::Label2_Click);
    connect(Label8, &platform::Label::clicked, this, &MainWindow::Label8_Click);
    connect(menuautolog, &QAction::triggered, this, &MainWindow::menuautolog_Click);
    connect(menupskalarm, &QAction::triggered, this, &MainWindow::menupskalarm_Click);
    // Runs at every change of the box's value, by a click or by code.
    connect(Check1, &QCheckBox::toggled, this, &MainWindow::Check1_Click);
}

void MainWindow::Timer2_Timer() {
    // While decoding is stopped the timer ticks on and the text waits in the buffer.
    if (DecodeStopped == 1) {
        return;
    }
    const QString received = receiverBuffers.RxTextBuffer;

    // The alarm searches what stays in the box: a trailing backspace erases at once.
    const qsizetype erased = receiver::FlushErasure(Text1Content->text(), received);
    AlarmWindow.receive(received);
    AlarmWindow.eraseAtEnd(erased);

    // The text goes at the end. Without a selection the caret goes there too and the view
    // follows it; a selection the user is making or reading stays where it is, and so does
    // the view.
    if (!Text1->textCursor().hasSelection()) {
        Text1Content->moveCaretToEnd();
    }
    Text1Content->insertAtEnd(received);

    if (AutoLogActive == KVXmodules::kFlagSet) {
        // The text goes to the log as received, line breaks and backspaces included; a log
        // that cannot be written is passed over. Text that did not reach the log (a full disk)
        // leaves a gap there: the banner stays pending, and the first text written after the gap
        // follows a banner that marks it.
        QByteArray bytes;
        if (AutoLogBannerPending == 1) {
            bytes = receiver::AutoLogBanner(QDateTime::currentDateTime());
        }
        bytes += KVXmodules::ToWindows1252(received);
        const bool written =
            receiver::AppendToFile(ProgramFile(*this, receiver::kAutoLogFileName), bytes);
        AutoLogBannerPending = written ? 0 : 1;
    }

    if (erased > 0) {
        Text1Content->eraseAtEnd(erased);
    }
    receiverBuffers.RxTextBuffer.clear();
    Timer2->setEnabled(false);
}

void MainWindow::Text1_Change() {
    // Cutting the text is a change of its own: this handler runs again, nested.
    Text1Content->bound();

    if (settings.PSKAlarm == 0) {
        AlarmWindow.skipWaiting();
        return;
    }
    for (const int slot : AlarmWindow.search(settings.PSKAlarmString)) {
        alarmSounder().sound(slot);
    }
}

void MainWindow::sound(int slot) {
    SoundFileName =
        receiver::AlarmSoundFile(programFolder(), QCoreApplication::applicationDirPath());
    KVXmodules::PlaySoundFile(soundPlayer, SoundFileName);
    auto welkestring = static_cast<std::int16_t>(slot);
    LogAlarm(welkestring);
}

void MainWindow::LogAlarm(std::int16_t& welkestring) {
    if (settings.AutoAlarmLog != KVXmodules::kFlagSet) {
        return;
    }
    if (welkestring < 0 || welkestring >= KVXmodules::kPSKAlarmStringCount) {
        return;
    }
    const QString& found = settings.PSKAlarmString[static_cast<std::size_t>(welkestring)];
    receiver::AppendToFile(ProgramFile(*this, receiver::kAlarmLogFileName),
                           receiver::AlarmLogLine(found, QDateTime::currentDateTime()));
}

void MainWindow::Label2_Click() {
    if (settings.PSKAlarm != 0) {
        Label2->setText(QString::fromUtf16(KVXmodules::kAlarmOffCaption));
        settings.PSKAlarm = KVXmodules::kFlagClear;
    } else {
        Label2->setText(KVXmodules::AlarmOnCaption(settings.AutoAlarmLog));
        settings.PSKAlarm = KVXmodules::kFlagSet;
    }
}

void MainWindow::Label8_Click() {
    menuautolog_Click();
}

void MainWindow::menuautolog_Click() {
    // Decided by the flag, not by the item's tick, which the menu has flipped already.
    if (AutoLogActive != 0) {
        AutoLogActive = KVXmodules::kFlagClear;
        menuautolog->setChecked(false);
        AutoLogBannerPending = 0;
        Label8->setText(QString::fromUtf16(KVXmodules::kAutoLogOffCaption));
    } else {
        AutoLogActive = KVXmodules::kFlagSet;
        AutoLogBannerPending = 1;
        Label8->setText(QString::fromUtf16(KVXmodules::kAutoLogOnCaption));
        menuautolog->setChecked(true);
    }
}

void MainWindow::menupskalarm_Click() {
    // The alarm setup window AlarmSetupWindow, exactly as "Setup PSK Alarm..." opens it.
    menusetupalarm_Click();
}

void MainWindow::Check1_Click() {
    // Flips at every change of the box's value, so it follows the box's state.
    DecodeStopped = static_cast<std::int16_t>(DecodeStopped + 1);
    if (DecodeStopped > 1) {
        DecodeStopped = 0;
    }
    Picture1->setFocus();
}

bool MainWindow::waterfallHalted() const {
    return Check2->isChecked();
}
