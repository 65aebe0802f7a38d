// Form1's receive handlers: the display and text timers, the clock, the mode options and the
// phase indicator switch.

#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTextCursor>
#include <QTime>

#include "mainwindow/form1.h"
#include "platform/form_timer.h"
#include "platform/image_box.h"
#include "receiver/psk_engine.h"
#include "settings/settings_record.h"

namespace {

constexpr std::int32_t kModeBpsk = 0;
constexpr std::int32_t kModeQpskUsb = 1;
constexpr std::int32_t kModeQpskLsb = 2;

}  // namespace

void Form1::Timer1_Timer() {
    // The display update draws from the newest spectrum; for now it only ends the tick.
    Timer1->setEnabled(false);
}

void Form1::Timer2_Timer() {
    // The buffer keeps each received line break as CR CR LF; the text box shows one break.
    QString text = receiverBuffers.RxTextBuffer;
    text.replace(QStringLiteral("\r\r\n"), QStringLiteral("\n"));
    QTextCursor cursor(Text1->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(text);
    receiverBuffers.RxTextBuffer.clear();
    Timer2->setEnabled(false);
}

void Form1::Timer3_Timer() {
    Label4->setText(QTime::currentTime().toString(QStringLiteral("HH:mm:ss")));
}

void Form1::Option1_Click() {
    engine.fnSetRXPSKMode(kModeBpsk, 0);
    settings.PSKMode = kModeBpsk;
}

void Form1::Option2_Click() {
    engine.fnSetRXPSKMode(kModeQpskUsb, 0);
    settings.PSKMode = kModeQpskUsb;
}

void Form1::Option3_Click() {
    engine.fnSetRXPSKMode(kModeQpskLsb, 0);
    settings.PSKMode = kModeQpskLsb;
}

void Form1::PhaseStatus_Click(int index) {
    settings.PhaseTuneStatus = index == 0 ? KVXmodules::kFlagSet : KVXmodules::kFlagClear;
}

std::int32_t Form1::selectedMode() const {
    if (Option2->isChecked()) {
        return kModeQpskUsb;
    }
    if (Option3->isChecked()) {
        return kModeQpskLsb;
    }
    return kModeBpsk;
}
