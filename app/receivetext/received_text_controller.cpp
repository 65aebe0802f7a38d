#include "receivetext/received_text_controller.h"

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <utility>

#include "platform/clipboard.h"
#include "platform/dialogs.h"
#include "platform/form_timer.h"
#include "platform/image_box.h"
#include "platform/printer.h"
#include "platform/stamps.h"
#include "platform/windows1252.h"
#include "receivetext/receive_logs.h"
#include "receivetext/receive_text.h"
#include "receivetext/receive_text_box.h"
#include "settings/receive_captions.h"
#include "settings/settings_record.h"

namespace {

using platform::MsgButtons;
using platform::MsgIcon;
using platform::MsgResult;

// A file of the program folder, by its absolute name: the current directory may be anywhere
// a file dialog left it.
QString ProgramFile(const QString& programFolder, const char16_t* name) {
    return QDir(programFolder).absoluteFilePath(QString::fromUtf16(name));
}

// Whether `name` ends in `extension` (three letters), in any case.
bool EndsInExtension(const QString& name, QStringView extension) {
    return name.size() >= extension.size() &&
           QStringView(name).right(extension.size()).compare(extension, Qt::CaseInsensitive) == 0;
}

}  // namespace

ReceivedTextController::ReceivedTextController(ReceivedTextServices services)
    : services_(std::move(services)),
      textBox_(std::make_unique<receiver::ReceiveTextBox>(services_.text)) {
    Text1Content = textBox_.get();
    QObject::connect(textBox_.get(), &receiver::ReceiveTextBox::changed, textBox_.get(),
                     [this] { Text1_Change(); });
}

ReceivedTextController::~ReceivedTextController() = default;

void ReceivedTextController::Timer2_Timer() {
    // While decoding is stopped the timer ticks on and the text waits in the buffer.
    if (DecodeStopped == 1) {
        return;
    }
    const QString received = services_.buffers.RxTextBuffer;

    // The alarm searches what stays in the box: a trailing backspace erases at once.
    const qsizetype erased = receiver::FlushErasure(Text1Content->text(), received);
    AlarmWindow.receive(received);
    AlarmWindow.eraseAtEnd(erased);

    // The text goes at the end. Without a selection the caret goes there too and the view
    // follows it; a selection the user is making or reading stays where it is, and so does
    // the view.
    if (!services_.text.textCursor().hasSelection()) {
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
        const bool written = receiver::AppendToFile(
            ProgramFile(services_.programFolder, receiver::kAutoLogFileName), bytes);
        AutoLogBannerPending = written ? 0 : 1;
    }

    if (erased > 0) {
        Text1Content->eraseAtEnd(erased);
    }
    services_.buffers.RxTextBuffer.clear();
    services_.textTimer.setEnabled(false);
}

void ReceivedTextController::Text1_Change() {
    // Cutting the text is a change of its own: this handler runs again, nested.
    Text1Content->bound();

    if (services_.settings.PSKAlarm == 0) {
        AlarmWindow.skipWaiting();
        return;
    }
    for (const int slot : AlarmWindow.search(services_.settings.PSKAlarmString)) {
        sound(slot);
    }
}

void ReceivedTextController::sound(int slot) {
    SoundFileName =
        receiver::AlarmSoundFile(services_.programFolder, QCoreApplication::applicationDirPath());
    KVXmodules::PlaySoundFile(services_.soundPlayer, SoundFileName);
    auto welkestring = static_cast<std::int16_t>(slot);
    LogAlarm(welkestring);
}

void ReceivedTextController::LogAlarm(std::int16_t& welkestring) {
    if (services_.settings.AutoAlarmLog != KVXmodules::kFlagSet) {
        return;
    }
    if (welkestring < 0 || welkestring >= KVXmodules::kPSKAlarmStringCount) {
        return;
    }
    const QString& found = services_.settings.PSKAlarmString[static_cast<std::size_t>(welkestring)];
    receiver::AppendToFile(ProgramFile(services_.programFolder, receiver::kAlarmLogFileName),
                           receiver::AlarmLogLine(found, QDateTime::currentDateTime()));
}

void ReceivedTextController::Label2_Click() {
    if (services_.settings.PSKAlarm != 0) {
        services_.alarmLabel.setText(QString::fromUtf16(KVXmodules::kAlarmOffCaption));
        services_.settings.PSKAlarm = KVXmodules::kFlagClear;
    } else {
        services_.alarmLabel.setText(KVXmodules::AlarmOnCaption(services_.settings.AutoAlarmLog));
        services_.settings.PSKAlarm = KVXmodules::kFlagSet;
    }
}

void ReceivedTextController::Label8_Click() {
    menuautolog_Click();
}

void ReceivedTextController::menuautolog_Click() {
    // Decided by the flag, not by the item's tick, which the menu has flipped already.
    if (AutoLogActive != 0) {
        AutoLogActive = KVXmodules::kFlagClear;
        services_.autoLogItem.setChecked(false);
        AutoLogBannerPending = 0;
        services_.autoLogLabel.setText(QString::fromUtf16(KVXmodules::kAutoLogOffCaption));
    } else {
        AutoLogActive = KVXmodules::kFlagSet;
        AutoLogBannerPending = 1;
        services_.autoLogLabel.setText(QString::fromUtf16(KVXmodules::kAutoLogOnCaption));
        services_.autoLogItem.setChecked(true);
    }
}

void ReceivedTextController::menupskalarm_Click() {
    // The alarm setup window AlarmSetupWindow, exactly as "Setup PSK Alarm..." opens it.
    services_.openAlarmSetup();
}

void ReceivedTextController::Check1_Click() {
    // Flips at every change of the box's value, so it follows the box's state.
    DecodeStopped = static_cast<std::int16_t>(DecodeStopped + 1);
    if (DecodeStopped > 1) {
        DecodeStopped = 0;
    }
    services_.waterfall.setFocus();
}

// ---- commands on the receive text ----

void ReceivedTextController::menusave_Click() {
    if (!services_.files.LastFileName.isEmpty() &&
        EndsInExtension(services_.files.LastFileName, u"bmp")) {
        services_.files.LastFileName = QString::fromUtf16(KVXmodules::kFirstTextFileName);
    }
    KVXmodules::SaveTextDialog(
        services_.files, services_.dialogs, [this] { return Text1Content->text(); }, services_.now);
}

void ReceivedTextController::menuopenote_Click() {
    // The file goes to a text editor; the notebook editor is not involved.
    services_.files.OpenInNotepad = 1;
    KVXmodules::OpenTextDialog(services_.files, services_.fileDialogs, [](const QString&) {});
}

ReceivedTextController::TextSelection ReceivedTextController::receiveSelection() const {
    const QTextCursor cursor = services_.text.textCursor();
    const qsizetype start = Text1Content->textIndex(cursor.selectionStart());
    const qsizetype end = Text1Content->textIndex(cursor.selectionEnd());
    return {start, end - start};
}

void ReceivedTextController::replaceReceiveSelection(QStringView with) {
    const TextSelection selection = receiveSelection();
    Text1Content->replace(selection.start, selection.length, with);
    QTextCursor cursor = services_.text.textCursor();
    cursor.setPosition(
        static_cast<int>(Text1Content->widgetPosition(selection.start + with.size())));
    services_.text.setTextCursor(cursor);
}

void ReceivedTextController::menucut_Click() {
    menucopy_Click();
    replaceReceiveSelection(u"");
}

void ReceivedTextController::menucopy_Click() {
    const TextSelection selection = receiveSelection();
    services_.clipboard.setText(Text1Content->text().mid(selection.start, selection.length));
}

void ReceivedTextController::menupaste_Click() {
    replaceReceiveSelection(services_.clipboard.text());
}

void ReceivedTextController::menupastetime_Click() {
    const QDateTime at = services_.now();
    replaceReceiveSelection(QStringLiteral("\r\nQuorvin Date&Time-> ") + platform::StampDate(at) +
                            u' ' + platform::StampTime(at) + QStringLiteral("\r\n"));
}

void ReceivedTextController::menutextwin_Click() {
    // Other programs take one line end per line, not the box's CR CR LF.
    services_.clipboard.setText(receiver::ClipboardText(Text1Content->text()));
}

void ReceivedTextController::menuedittext_Click() {
    const bool unlock = !services_.editItem.isChecked();
    services_.editItem.setChecked(unlock);
    services_.text.setReadOnly(!unlock);
}

void ReceivedTextController::menufind_Click() {
    const QString wanted =
        services_.dialogs.inputBox(QStringLiteral("Find text: "), QStringLiteral("Find"));
    if (wanted.isEmpty()) {
        return;
    }
    services_.text.setFocus(Qt::OtherFocusReason);
    if (!services_.stopDecode.isChecked()) {
        services_.stopDecode.setChecked(true);  // its handler pauses decoding
    }
    DecodeStopped = 1;
    services_.text.setFocus(Qt::OtherFocusReason);

    const QString& text = Text1Content->text();
    const qsizetype found = text.indexOf(wanted, 0, Qt::CaseInsensitive);
    QTextCursor cursor = services_.text.textCursor();
    if (found < 0) {
        cursor.setPosition(static_cast<int>(Text1Content->widgetPosition(text.size())));
    } else {
        cursor.setPosition(static_cast<int>(Text1Content->widgetPosition(found)));
        cursor.setPosition(static_cast<int>(Text1Content->widgetPosition(found + wanted.size())),
                           QTextCursor::KeepAnchor);
    }
    services_.text.setTextCursor(cursor);
}

void ReceivedTextController::menuclear1_Click() {
    Text1Content->setText(u"");
}

void ReceivedTextController::menuprint_Click() {
    const TextSelection selection = receiveSelection();
    const bool whole = selection.length == 0;
    const QString question = whole ? QStringLiteral("Do you want to print the received text?")
                                   : QStringLiteral("Do you want to print the selected text?");
    if (services_.dialogs.msgBox(question, MsgButtons::YesNo, MsgIcon::Question,
                                 QStringLiteral("Print")) != MsgResult::Yes) {
        return;
    }
    const QString text =
        whole ? Text1Content->text() : Text1Content->text().mid(selection.start, selection.length);
    platform::PrintOrSayNotReady(services_.printer, services_.dialogs,
                                 text + QStringLiteral("\r\n"));
}

void ReceivedTextController::showDefaults(const KVXmodules::SettingsRecord& /*record*/) {}

void ReceivedTextController::showLoaded(const KVXmodules::SettingsRecord& record) {
    if (KVXmodules::IsSet(record.PSKAlarm)) {
        services_.alarmLabel.setText(KVXmodules::AlarmOnCaption(record.AutoAlarmLog));
    }
}
