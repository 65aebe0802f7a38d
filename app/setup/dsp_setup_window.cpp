#include "setup/dsp_setup_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <array>
#include <utility>

#include "platform/dialogs.h"
#include "platform/form_timer.h"
#include "platform/modeless_window.h"
#include "platform/psk_engine.h"
#include "platform/tuning.h"
#include "settings/engine_arguments.h"
#include "settings/settings_file.h"
#include "settings/settings_record.h"

namespace {

using KVXmodules::DspField;
using platform::MsgButtons;
using platform::MsgIcon;

constexpr char16_t kSettingsSaved[] = u"Settings Saved";
constexpr int kFieldWidth = 64;
constexpr int kSmoothingItems = 10;  // "1".."10"
constexpr int kTrailSpeedItems = 6;  // "0".."5"

QString Text(const char16_t* text) {
    return QString::fromUtf16(text);
}

QLineEdit* MakeField(QWidget* parent, const char* name, const QString& toolTip) {
    auto* field = new QLineEdit(parent);
    field->setObjectName(QString::fromLatin1(name));
    field->setToolTip(toolTip);
    field->setFixedWidth(kFieldWidth);
    return field;
}

// A drop-down list whose text may also be typed; typing does not add to the list.
QComboBox* MakeCombo(QWidget* parent, const char* name, const QString& toolTip) {
    auto* combo = new QComboBox(parent);
    combo->setObjectName(QString::fromLatin1(name));
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->setToolTip(toolTip);
    combo->setFixedWidth(kFieldWidth);
    return combo;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption,
                        const QString& toolTip) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setToolTip(toolTip);
    button->setAutoDefault(false);
    return button;
}

}  // namespace

DspSetupWindow::DspSetupWindow(DspSetupServices services)
    : platform::SetupDialog(nullptr), services_(std::move(services)) {
    platform::SetUpModelessWindow(*this, QStringLiteral("Form2"), QStringLiteral("PSK/DSP Setup"));
    createControls();
    connectHandlers();
    Form_Load();
}

DspSetupWindow::~DspSetupWindow() = default;

void DspSetupWindow::createControls() {
    Frame1 = new QGroupBox(QStringLiteral("PSK DSP Settings"), this);

    Label1 = new QLabel(QStringLiteral("RX audio center frequency"), Frame1);
    Text1 = MakeField(Frame1, "Text1",
                      QStringLiteral("center frequency value 100...3500 (default is 1500)"));
    Label8 = new QLabel(QStringLiteral("Hz"), Frame1);
    Label2 = new QLabel(QStringLiteral("Sensitivity"), Frame1);
    Text2 = MakeField(Frame1, "Text2",
                      QStringLiteral("sensitivity value 100...2500 (1500 is default)"));
    Label3 = new QLabel(QStringLiteral("Waterfall Smoothing"), Frame1);
    Combo1 =
        MakeCombo(Frame1, "Combo1", QStringLiteral("value 1...10 (default is 10=max smoothing)"));
    Label4 = new QLabel(QStringLiteral("FFT Data to search for peak"), Frame1);
    Text3 = MakeField(
        Frame1, "Text3",
        QStringLiteral("FFT peak search value 0...50 (50 is default, 0 disables ftt peak search)"));
    Label9 = new QLabel(QStringLiteral("Hz"), Frame1);
    Label5 = new QLabel(QStringLiteral("Squelch Treshold Range"), Frame1);
    Text4 = MakeField(Frame1, "Text4", QStringLiteral("value 0...99 (0=open squelch)"));
    Check1 = new QCheckBox(QStringLiteral("Squelch Response Low (noisy conditions)"), Frame1);
    Check1->setObjectName(QStringLiteral("Check1"));
    Check1->setToolTip(
        QStringLiteral("Slow for  noisy conditions (Unchecked is fast for good conditions)"));
    Label6 = new QLabel(QStringLiteral("Waterfall Trail Speed"), Frame1);
    Combo2 = MakeCombo(Frame1, "Combo2",
                       QStringLiteral("Set Waterfall Resolution/speed (4=slowest but high "
                                      "detail...0=highest speed less detail)"));
    Label7 = new QLabel(QStringLiteral("Program Timer Interval"), Frame1);
    Text5 = MakeField(Frame1, "Text5",
                      QStringLiteral("Program timer interval in millisec. 1...999 (default = 10)"));
    Label10 = new QLabel(QStringLiteral("ms."), Frame1);

    const std::array<QLabel*, 7> captions{Label1, Label2, Label3, Label4, Label5, Label6, Label7};
    const std::array<QWidget*, 7> fields{Text1, Text2, Combo1, Text3, Text4, Combo2, Text5};
    for (std::size_t i = 0; i < captions.size(); ++i) {
        captions[i]->setBuddy(fields[i]);
    }

    auto* grid = new QGridLayout(Frame1);
    grid->setHorizontalSpacing(8);
    int row = 0;
    const auto addRow = [&](QLabel* caption, QWidget* field, QLabel* unit) {
        grid->addWidget(caption, row, 0);
        grid->addWidget(field, row, 1);
        if (unit != nullptr) {
            grid->addWidget(unit, row, 2);
        }
        ++row;
    };
    addRow(Label1, Text1, Label8);
    addRow(Label2, Text2, nullptr);
    addRow(Label3, Combo1, nullptr);
    addRow(Label4, Text3, Label9);
    addRow(Label5, Text4, nullptr);
    grid->addWidget(Check1, row++, 0, 1, 3);
    addRow(Label6, Combo2, nullptr);
    addRow(Label7, Text5, Label10);
    grid->setColumnStretch(3, 1);

    Command1 = MakeButton(this, "Command1", QStringLiteral("OK"), QStringLiteral("Aplly settings"));
    Command2 = MakeButton(this, "Command2", QStringLiteral("Save Settings"),
                          QStringLiteral("Aplly Setting and save"));
    Command3 = MakeButton(this, "Command3", QStringLiteral("Cancel"), QString());
    Command4 = MakeButton(this, "Command4", QStringLiteral("Default Settings"),
                          QStringLiteral("Restore all settings to the default values"));
    Command5 =
        MakeButton(this, "Command5", QStringLiteral("PicFall Settings"),
                   QStringLiteral("Set Waterfall settings for best results on PicFall-modes"));
    Command1->setDefault(true);

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(Command1);
    buttons->addWidget(Command2);
    buttons->addWidget(Command3);
    buttons->addSpacing(16);
    buttons->addWidget(Command4);
    buttons->addWidget(Command5);
    buttons->addStretch(1);

    auto* window = new QHBoxLayout(this);
    window->addWidget(Frame1, 1);
    window->addLayout(buttons);
    setSizeGripEnabled(false);
    window->setSizeConstraint(QLayout::SetFixedSize);
}

void DspSetupWindow::connectHandlers() {
    connect(Command1, &QPushButton::clicked, this, &DspSetupWindow::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &DspSetupWindow::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &DspSetupWindow::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &DspSetupWindow::Command4_Click);
    connect(Command5, &QPushButton::clicked, this, &DspSetupWindow::Command5_Click);
}

void DspSetupWindow::Form_Load() {
    for (int i = 1; i <= kSmoothingItems; ++i) {
        Combo1->addItem(QString::number(i));
    }
    for (int i = 0; i < kTrailSpeedItems; ++i) {
        Combo2->addItem(QString::number(i));
    }
    showFields(KVXmodules::DspFieldsFromRecord(services_.settings));
}

void DspSetupWindow::showFields(const KVXmodules::DspFieldTexts& fields) {
    Text1->setText(fields.Text1);
    Text2->setText(fields.Text2);
    Text3->setText(fields.Text3);
    Text4->setText(fields.Text4);
    Text5->setText(fields.Text5);
    Combo1->setEditText(fields.Combo1);
    Combo2->setEditText(fields.Combo2);
    Check1->setChecked(fields.Check1);
}

KVXmodules::DspFieldTexts DspSetupWindow::fieldTexts() const {
    KVXmodules::DspFieldTexts fields;
    fields.Text1 = Text1->text();
    fields.Text2 = Text2->text();
    fields.Text3 = Text3->text();
    fields.Text4 = Text4->text();
    fields.Text5 = Text5->text();
    fields.Combo1 = Combo1->currentText();
    fields.Combo2 = Combo2->currentText();
    fields.Check1 = Check1->isChecked();
    return fields;
}

QWidget* DspSetupWindow::fieldControl(DspField field) const {
    switch (field) {
        case DspField::ProgramTimerInterval:
            return Text5;
        case DspField::SquelchMax:
            return Text4;
        case DspField::RXfreqMaxRange:
            return Text1;
        case DspField::Sensitivity:
            return Text2;
        case DspField::RXSearchRange:
            return Text3;
        case DspField::SmoothingSpeed:
            return Combo1;
        case DspField::WaterfallSpectrumSpeed:
            break;
    }
    return Combo2;
}

bool DspSetupWindow::acceptFields() {
    const KVXmodules::DspFieldTexts fields = fieldTexts();
    if (const auto refused = KVXmodules::FirstRefusedDspField(fields)) {
        const auto& rule = KVXmodules::DspFieldRules()[static_cast<std::size_t>(*refused)];
        services_.dialogs.msgBox(Text(rule.message), MsgButtons::Ok, MsgIcon::Exclamation,
                                 Text(platform::kAppTitle));
        fieldControl(*refused)->setFocus(Qt::OtherFocusReason);
        return false;
    }
    KVXmodules::SettingsRecord& r = services_.settings;
    KVXmodules::StoreDspFields(fields, r);
    services_.displayTimer.setInterval(r.ProgramTimerInterval);
    services_.textTimer.setInterval(r.ProgramTimerInterval);
    services_.tuning.tuneReceiver(r.RXfreqMaxRange);
    services_.engine.fnSetFFTMode(KVXmodules::EngineArgument(r.SmoothingSpeed), r.Sensitivity, 0);
    // The squelch takes effect at once too, so that everything the window shows applies.
    services_.engine.fnSetSquelchThreshold(KVXmodules::EngineArgument(r.SquelchMax),
                                           KVXmodules::EngineArgument(r.SquelchSpeed), 0);
    if (KVXmodules::IsSet(r.SaveWorkingDSP)) {
        services_.saveSettings();
    }
    close();
    return true;
}

void DspSetupWindow::Command1_Click() {
    acceptFields();
}

void DspSetupWindow::Command2_Click() {
    services_.settings.SaveWorkingDSP = KVXmodules::kFlagSet;
    if (acceptFields()) {
        services_.dialogs.msgBox(Text(kSettingsSaved), MsgButtons::Ok, MsgIcon::None,
                                 Text(platform::kAppTitle));
    }
}

void DspSetupWindow::Command3_Click() {
    close();
}

void DspSetupWindow::Command4_Click() {
    showFields(KVXmodules::DspDefaultFields(fieldTexts()));
}

void DspSetupWindow::Command5_Click() {
    Combo1->setEditText(QStringLiteral("2"));
    Combo2->setEditText(QStringLiteral("4"));
}
