#include "rig/rig_control_window.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <utility>

#include "platform/modeless_window.h"
#include "settings/settings_record.h"

namespace {

constexpr int kModelListWidth = 320;
constexpr char16_t kDefaultDaemon[] = u"127.0.0.1:4532";

}  // namespace

RigControlWindow::RigControlWindow(RigControlServices services)
    : platform::SetupDialog(nullptr), services_(std::move(services)) {
    platform::SetUpModelessWindow(*this, QStringLiteral("RigControl"),
                                  QStringLiteral("Rig Control"));
    createControls();
    connectHandlers();
    Form_Load();
}

RigControlWindow::~RigControlWindow() = default;

void RigControlWindow::createControls() {
    Frame1 = new QGroupBox(QStringLiteral("Rig"), this);
    Option1 = new QRadioButton(QStringLiteral("No rig"), Frame1);
    Option1->setObjectName(QStringLiteral("Option1"));
    Option2 = new QRadioButton(QStringLiteral("rigctld at"), Frame1);
    Option2->setObjectName(QStringLiteral("Option2"));
    Text1 = new QLineEdit(Frame1);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setToolTip(QStringLiteral("HOST:PORT of the rig daemon that shares the rig"));
    Option3 = new QRadioButton(QStringLiteral("hamlib model"), Frame1);
    Option3->setObjectName(QStringLiteral("Option3"));
    Combo1 = new QComboBox(Frame1);
    Combo1->setObjectName(QStringLiteral("Combo1"));
    Combo1->setMinimumWidth(kModelListWidth);
    Label1 = new QLabel(QStringLiteral("Port"), Frame1);
    Text2 = new QLineEdit(Frame1);
    Text2->setObjectName(QStringLiteral("Text2"));
    Text2->setToolTip(QStringLiteral("The rig's serial device, such as /dev/ttyUSB0"));
    Label1->setBuddy(Text2);
    Label2 = new QLabel(QStringLiteral("Speed"), Frame1);
    Combo2 = new QComboBox(Frame1);
    Combo2->setObjectName(QStringLiteral("Combo2"));
    for (const int speed : rig::SerialSpeeds()) {
        Combo2->addItem(speed == 0 ? QStringLiteral("model's own") : QString::number(speed), speed);
    }
    Label2->setBuddy(Combo2);

    auto* grid = new QGridLayout(Frame1);
    grid->addWidget(Option1, 0, 0, 1, 2);
    grid->addWidget(Option2, 1, 0);
    grid->addWidget(Text1, 1, 1);
    grid->addWidget(Option3, 2, 0);
    grid->addWidget(Combo1, 2, 1);
    grid->addWidget(Label1, 3, 0, Qt::AlignRight);
    grid->addWidget(Text2, 3, 1);
    grid->addWidget(Label2, 4, 0, Qt::AlignRight);
    grid->addWidget(Combo2, 4, 1);

    Command3 = new QPushButton(QStringLiteral("Test"), this);
    Command3->setObjectName(QStringLiteral("Command3"));
    Command3->setToolTip(QStringLiteral("Reads the rig's frequency once"));
    Label3 = new QLabel(this);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->setWordWrap(true);
    Label3->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* test = new QHBoxLayout;
    test->addWidget(Command3);
    test->addWidget(Label3, 1);

    Label4 = new QLabel(QStringLiteral("Quorvin only reads the rig's frequency and mode, about "
                                       "once a second; it never sets them."),
                        this);
    Label4->setWordWrap(true);

    QHBoxLayout* buttons = addOkCancelRow(Command1, Command2);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Frame1);
    layout->addLayout(test);
    layout->addWidget(Label4);
    layout->addLayout(buttons);
}

void RigControlWindow::connectHandlers() {
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
    connect(Command3, &QPushButton::clicked, this, [this] { Command3_Click(); });
    for (QRadioButton* option : {Option1, Option2, Option3}) {
        connect(option, &QRadioButton::toggled, this, [this] { enableChoice(); });
    }
}

void RigControlWindow::Form_Load() {
    for (const station::RigModel& model : services_.models()) {
        // The daemon's own model is chosen as "rigctld at".
        if (model.model != station::kNetworkRigModel) {
            Combo1->addItem(rig::ModelLabel(model), model.model);
        }
    }
    const rig::RigChoice chosen = rig::ChoiceOf(services_.settings);
    Text1->setText(chosen.kind == rig::RigChoice::Kind::Daemon
                       ? chosen.hostPort
                       : QString::fromUtf16(kDefaultDaemon));
    const int model = Combo1->findData(
        chosen.kind == rig::RigChoice::Kind::Model ? chosen.model : station::kDummyRigModel);
    Combo1->setCurrentIndex(std::max(model, 0));
    Text2->setText(chosen.port);
    Combo2->setCurrentIndex(std::max(Combo2->findData(chosen.speed), 0));
    switch (chosen.kind) {
        case rig::RigChoice::Kind::None:
            Option1->setChecked(true);
            break;
        case rig::RigChoice::Kind::Daemon:
            Option2->setChecked(true);
            break;
        case rig::RigChoice::Kind::Model:
            Option3->setChecked(true);
            break;
    }
    enableChoice();
}

void RigControlWindow::enableChoice() {
    Text1->setEnabled(Option2->isChecked());
    for (QWidget* control :
         std::initializer_list<QWidget*>{Combo1, Label1, Text2, Label2, Combo2}) {
        control->setEnabled(Option3->isChecked());
    }
    Command3->setEnabled(!Option1->isChecked());
}

rig::RigChoice RigControlWindow::choice() const {
    rig::RigChoice chosen;
    chosen.kind = Option2->isChecked()   ? rig::RigChoice::Kind::Daemon
                  : Option3->isChecked() ? rig::RigChoice::Kind::Model
                                         : rig::RigChoice::Kind::None;
    chosen.hostPort = Text1->text();
    chosen.model = Combo1->currentData().toInt();
    chosen.port = Text2->text();
    chosen.speed = Combo2->currentData().toInt();
    return chosen;
}

void RigControlWindow::Command1_Click() {
    const rig::ChosenRig chosen = rig::RigOfChoice(choice());
    if (!chosen.error.isEmpty()) {
        Label3->setText(chosen.error);
        return;
    }
    services_.apply(chosen.address);
    close();
}

void RigControlWindow::Command2_Click() {
    close();
}

void RigControlWindow::Command3_Click() {
    const rig::ChosenRig chosen = rig::RigOfChoice(choice());
    if (!chosen.address) {
        Label3->setText(chosen.error);
        return;
    }
    Label3->setText(QStringLiteral("Reading..."));
    Command3->setEnabled(false);
    QPointer<RigControlWindow> self(this);
    services_.test(*chosen.address, [self](const QString& got) {
        if (RigControlWindow* window = self.data(); window != nullptr) {
            window->Label3->setText(got);
            window->enableChoice();
        }
    });
}
