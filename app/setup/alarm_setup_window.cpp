#include "setup/alarm_setup_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <utility>

#include "platform/dialogs.h"
#include "platform/image_box.h"
#include "platform/modeless_window.h"
#include "settings/receive_captions.h"
#include "settings/settings_record.h"
#include "setup/alarm_setup.h"

namespace {

using platform::MsgButtons;
using platform::MsgIcon;

constexpr int kBoxWidth = 150;

QLineEdit* MakeBox(QWidget* parent, const char* name) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setMinimumWidth(kBoxWidth);
    return box;
}

}  // namespace

AlarmSetupWindow::AlarmSetupWindow(AlarmSetupServices services)
    : platform::SetupDialog(nullptr), services_(std::move(services)) {
    platform::SetUpModelessWindow(*this, QStringLiteral("Form4"), QStringLiteral("PSK Alarm"));
    createControls();
    connectHandlers();
    Form_Load();
}

AlarmSetupWindow::~AlarmSetupWindow() = default;

void AlarmSetupWindow::createControls() {
    Frame1 = new QGroupBox(QStringLiteral("Alarm Settings"), this);
    Text1 = MakeBox(Frame1, "Text1");
    Text1->setText(QString::fromUtf16(KVXmodules::kAlarmDesignText));
    Text1->setToolTip(QStringLiteral("The string that will sound an alarm when found"));
    Text2 = MakeBox(Frame1, "Text2");
    Text3 = MakeBox(Frame1, "Text3");
    const std::array<QLineEdit*, 3> boxes{Text1, Text2, Text3};
    for (std::size_t i = 0; i < Label2.size(); ++i) {
        Label2[i] = new QLabel(QString::number(i + 1), Frame1);
        Label2[i]->setBuddy(boxes[i]);
    }

    Option1 = new QRadioButton(QStringLiteral("Activate"), Frame1);
    Option1->setObjectName(QStringLiteral("Option1"));
    Option1->setToolTip(QStringLiteral("Look for string and audit alarm when found"));
    Option2 = new QRadioButton(QStringLiteral("Deactivate"), Frame1);
    Option2->setObjectName(QStringLiteral("Option2"));
    Option2->setToolTip(QStringLiteral("Alarm not active"));
    Option2->setChecked(true);
    Check1 = new QCheckBox(QStringLiteral("Log Time/Date"), Frame1);
    Check1->setObjectName(QStringLiteral("Check1"));
    Check1->setToolTip(
        QStringLiteral("Will log the time and date when the text is found (quorvin_alarm.log)"));
    Check1->setEnabled(false);

    auto* grid = new QGridLayout(Frame1);
    grid->setHorizontalSpacing(8);
    for (int row = 0; row < 3; ++row) {
        grid->addWidget(Label2[static_cast<std::size_t>(row)], row, 0);
        grid->addWidget(boxes[static_cast<std::size_t>(row)], row, 1);
    }
    grid->setColumnMinimumWidth(2, 12);
    grid->addWidget(Option1, 0, 3);
    grid->addWidget(Option2, 1, 3);
    grid->addWidget(Check1, 2, 3);

    QHBoxLayout* buttons = addOkCancelRow(Command1, Command2);
    Command2->setAutoDefault(false);

    auto* window = new QVBoxLayout(this);
    window->addWidget(Frame1);
    window->addLayout(buttons);
    window->setSizeConstraint(QLayout::SetFixedSize);
}

void AlarmSetupWindow::connectHandlers() {
    // Selecting an option, by a click or by code, runs its handler.
    connect(Option1, &QRadioButton::toggled, this, [this](bool checked) {
        if (checked) {
            Option1_Click();
        }
    });
    connect(Option2, &QRadioButton::toggled, this, [this](bool checked) {
        if (checked) {
            Option2_Click();
        }
    });
    connect(Command1, &QPushButton::clicked, this, &AlarmSetupWindow::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &AlarmSetupWindow::Command2_Click);
}

void AlarmSetupWindow::Form_Load() {
    const KVXmodules::SettingsRecord& r = services_.settings;
    const std::array<QLineEdit*, 3> boxes{Text1, Text2, Text3};
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        if (const auto text = KVXmodules::AlarmBoxText(r.PSKAlarmString[i])) {
            boxes[i]->setText(*text);
        }
    }
    if (KVXmodules::IsSet(r.PSKAlarm)) {
        Option1->setChecked(true);
    }
    if (KVXmodules::IsSet(r.AutoAlarmLog)) {
        Check1->setChecked(true);
    }
}

void AlarmSetupWindow::Option1_Click() {
    Check1->setEnabled(true);
}

void AlarmSetupWindow::Option2_Click() {
    Check1->setEnabled(false);
}

void AlarmSetupWindow::Command1_Click() {
    if (!KVXmodules::AlarmFirstStringAccepted(Text1->text())) {
        services_.dialogs.msgBox(QString::fromUtf16(KVXmodules::kAlarmTooShortText), MsgButtons::Ok,
                                 MsgIcon::Exclamation,
                                 QString::fromUtf16(KVXmodules::kAlarmTooShortTitle));
        Text1->setFocus(Qt::OtherFocusReason);
        return;
    }
    KVXmodules::SettingsRecord& r = services_.settings;
    const std::array<QLineEdit*, 3> boxes{Text1, Text2, Text3};
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        r.PSKAlarmString[i] = KVXmodules::StoredAlarmString(boxes[i]->text());
    }
    // The tick counts even while the box is disabled.
    r.AutoAlarmLog = Check1->isChecked() ? KVXmodules::kFlagSet : KVXmodules::kFlagClear;
    if (Option1->isChecked()) {
        r.PSKAlarm = KVXmodules::kFlagSet;
        services_.alarmLabel.setText(KVXmodules::AlarmOnCaption(r.AutoAlarmLog));
    } else {
        r.PSKAlarm = KVXmodules::kFlagClear;
        services_.alarmLabel.setText(QString::fromUtf16(KVXmodules::kAlarmOffCaption));
    }
    // The search starts afresh with the new strings.
    services_.restartAlarmSearch();
    close();
}

void AlarmSetupWindow::Command2_Click() {
    close();
}
