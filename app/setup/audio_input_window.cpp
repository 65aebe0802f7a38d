#include "setup/audio_input_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "platform/dialogs.h"
#include "platform/modeless_window.h"
#include "platform/psk_engine.h"
#include "settings/settings_file.h"
#include "settings/settings_record.h"

namespace {

using platform::MsgButtons;
using platform::MsgIcon;

constexpr int kListWidth = 420;
constexpr int kListRows = 8;
// Six digits: more than any correction a sound card needs, so a typed value is kept as typed.
constexpr int kLargestTypedPpm = 999999;

}  // namespace

AudioInputWindow::AudioInputWindow(const AudioInputServices& services)
    : platform::SetupDialog(nullptr), services_(services) {
    platform::SetUpModelessWindow(*this, QStringLiteral("AudioInputWindow"),
                                  QString::fromUtf16(KVXmodules::kAudioInputTitle));
    createControls();
    connectHandlers();
    Form_Load();
}

AudioInputWindow::~AudioInputWindow() = default;

void AudioInputWindow::createControls() {
    Frame1 = new QGroupBox(QStringLiteral("Sound card input"), this);
    List1 = new QListWidget(Frame1);
    List1->setObjectName(QStringLiteral("List1"));
    List1->setToolTip(QStringLiteral("The input the receiver takes its audio from"));
    List1->setMinimumWidth(kListWidth);
    List1->setMinimumHeight(List1->fontMetrics().height() * kListRows);
    Label1 = new QLabel(QStringLiteral("The audio system lists no input device."), Frame1);
    Label1->hide();
    auto* inputs = new QVBoxLayout(Frame1);
    inputs->addWidget(List1);
    inputs->addWidget(Label1);

    Frame2 = new QGroupBox(QStringLiteral("Sample-rate correction"), this);
    Label2 = new QLabel(QStringLiteral("Sound card clock"), Frame2);
    Spin1 = new QSpinBox(Frame2);
    Spin1->setObjectName(QStringLiteral("Spin1"));
    // The box holds whatever number is typed, so that one outside the range is refused with a
    // message on OK instead of being cut to fit while typing.
    Spin1->setRange(-kLargestTypedPpm, kLargestTypedPpm);
    Spin1->setSuffix(QStringLiteral(" ppm"));
    Spin1->setToolTip(QStringLiteral(
        "Clock correction -5000...+5000 ppm (default = 0): positive for a sound card whose "
        "sample clock runs fast"));
    Label2->setBuddy(Spin1);
    Label3 = new QLabel(QStringLiteral("A sound card whose clock runs off shifts every "
                                       "frequency and the symbol rate a little; 0 leaves the "
                                       "audio as the card delivers it."),
                        Frame2);
    Label3->setWordWrap(true);
    auto* correction = new QHBoxLayout;
    correction->addWidget(Label2);
    correction->addWidget(Spin1);
    correction->addStretch(1);
    auto* clock = new QVBoxLayout(Frame2);
    clock->addLayout(correction);
    clock->addWidget(Label3);

    Label4 = new QLabel(QStringLiteral("Quorvin receives from a recording or its simulator now. "
                                       "The input chosen here is remembered and used when it "
                                       "receives from the sound card."),
                        this);
    Label4->setWordWrap(true);
    Label4->hide();

    QHBoxLayout* buttons = addOkCancelRow(Command1, Command2);
    Command2->setAutoDefault(false);

    auto* window = new QVBoxLayout(this);
    window->addWidget(Frame1, 1);
    window->addWidget(Frame2);
    window->addWidget(Label4);
    window->addLayout(buttons);
}

void AudioInputWindow::connectHandlers() {
    connect(Command1, &QPushButton::clicked, this, &AudioInputWindow::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &AudioInputWindow::Command2_Click);
    // A double click on an input chooses it as "OK" does.
    connect(List1, &QListWidget::itemActivated, this, &AudioInputWindow::Command1_Click);
}

void AudioInputWindow::Form_Load() {
    devices_ = services_.engine.fnListInputDevices();
    List1->addItem(KVXmodules::DefaultInputCaption(devices_));
    for (const pskmodem::InputDeviceInfo& device : devices_) {
        List1->addItem(KVXmodules::InputCaption(device));
    }
    Label1->setVisible(devices_.empty());

    int row = 0;
    if (const auto remembered = KVXmodules::RememberedInput(devices_, services_.settings)) {
        for (std::size_t i = 0; i < devices_.size(); ++i) {
            if (devices_[i].card == remembered->card) {
                row = static_cast<int>(i) + 1;
            }
        }
    }
    List1->setCurrentRow(row);
    Spin1->setValue(services_.settings.SampleRateCorrection);
    Label4->setVisible(!services_.soundCardSource);
}

KVXmodules::InputChoice AudioInputWindow::choice() const {
    KVXmodules::InputChoice chosen;
    const int row = List1->currentRow();
    if (row >= 1 && row <= static_cast<int>(devices_.size())) {
        chosen.device = devices_[static_cast<std::size_t>(row - 1)];
    }
    chosen.correctionPpm = Spin1->value();
    return chosen;
}

void AudioInputWindow::Command1_Click() {
    const KVXmodules::InputChoice chosen = choice();
    if (!KVXmodules::CorrectionInRange(chosen.correctionPpm)) {
        services_.dialogs.msgBox(QString::fromUtf16(KVXmodules::kCorrectionRangeText),
                                 MsgButtons::Ok, MsgIcon::Exclamation,
                                 QString::fromUtf16(KVXmodules::kAudioInputTitle));
        Spin1->setFocus(Qt::OtherFocusReason);
        Spin1->selectAll();
        return;
    }
    const std::int32_t card = chosen.device ? chosen.device->card : KVXmodules::kDefaultInputCard;
    std::int32_t result = 0;
    if (services_.soundCardSource) {
        // Opening a device waits for its first audio, which may take a moment.
        QApplication::setOverrideCursor(Qt::WaitCursor);
        result = services_.engine.fnSetSoundCardInput(card, chosen.correctionPpm);
        QApplication::restoreOverrideCursor();
    }
    if (result != 0) {
        const QListWidgetItem* item = List1->currentItem();
        services_.dialogs.msgBox(
            KVXmodules::InputFailedText(item != nullptr ? item->text() : QString()), MsgButtons::Ok,
            MsgIcon::Exclamation, QString::fromUtf16(KVXmodules::kAudioInputTitle));
        List1->setFocus(Qt::OtherFocusReason);
        return;
    }
    KVXmodules::StoreInputChoice(chosen, services_.settings);
    close();
}

void AudioInputWindow::Command2_Click() {
    close();
}
