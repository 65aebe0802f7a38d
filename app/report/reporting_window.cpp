#include "report/reporting_window.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <utility>

#include "platform/modeless_window.h"

namespace {

constexpr int kTextWidth = 260;

}  // namespace

ReportingWindow::ReportingWindow(ReportingServices services)
    : platform::SetupDialog(nullptr), services_(std::move(services)) {
    platform::SetUpModelessWindow(*this, QStringLiteral("Reporting"), QStringLiteral("Reporting"));
    createControls();
    connectHandlers();
    Form_Load();
}

ReportingWindow::~ReportingWindow() = default;

void ReportingWindow::createControls() {
    Frame1 = new QGroupBox(QStringLiteral("Reception reports"), this);
    Check1 = new QCheckBox(QStringLiteral("Send spots of the stations heard"), Frame1);
    Check1->setObjectName(QStringLiteral("Check1"));
    Check1->setToolTip(
        QStringLiteral("Calls confirmed in the text, with their frequency on the "
                       "air, go to the public reception-report network"));
    Label1 = new QLabel(QStringLiteral("Call sign"), Frame1);
    Label2 = new QLabel(Frame1);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setTextInteractionFlags(Qt::TextSelectableByMouse);
    Label3 = new QLabel(QStringLiteral("Locator"), Frame1);
    Text1 = new QLineEdit(Frame1);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setMinimumWidth(kTextWidth);
    Text1->setMaxLength(10);
    Label3->setBuddy(Text1);
    Label4 = new QLabel(QStringLiteral("Antenna"), Frame1);
    Text2 = new QLineEdit(Frame1);
    Text2->setObjectName(QStringLiteral("Text2"));
    Text2->setMaxLength(100);
    Text2->setToolTip(QStringLiteral("Sent with the reports, such as \"dipole 10 m up\""));
    Label4->setBuddy(Text2);
    auto* form = new QFormLayout(Frame1);
    form->addRow(Check1);
    form->addRow(Label1, Label2);
    form->addRow(Label3, Text1);
    form->addRow(Label4, Text2);

    Frame2 = new QGroupBox(QStringLiteral("Live stream"), this);
    Label5 = new QLabel(QStringLiteral("HOST:PORT"), Frame2);
    Text3 = new QLineEdit(Frame2);
    Text3->setObjectName(QStringLiteral("Text3"));
    Text3->setPlaceholderText(QStringLiteral("empty: no stream"));
    Text3->setToolTip(
        QStringLiteral("Each decoded line and each band snapshot goes there as one "
                       "JSON object per UDP datagram"));
    Label5->setBuddy(Text3);
    Label6 = new QLabel(Frame2);
    Label6->setObjectName(QStringLiteral("Label6"));
    Label6->setWordWrap(true);
    Label6->setStyleSheet(QStringLiteral("color: #b00000"));
    Label6->hide();
    auto* stream = new QFormLayout(Frame2);
    stream->addRow(Label5, Text3);
    stream->addRow(Label6);

    Check2 = new QCheckBox(QStringLiteral("Keep a log of the stations heard (heard.adi)"), this);
    Check2->setObjectName(QStringLiteral("Check2"));
    Check2->setToolTip(
        QStringLiteral("An ADIF log in the program folder: each call once per band "
                       "and hour"));

    Frame3 = new QGroupBox(QStringLiteral("Status"), this);
    Label7 = new QLabel(Frame3);
    Label7->setObjectName(QStringLiteral("Label7"));
    Label7->setWordWrap(true);
    Label7->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* status = new QVBoxLayout(Frame3);
    status->addWidget(Label7);

    QHBoxLayout* buttons = addOkCancelRow(Command1, Command2);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Frame1);
    layout->addWidget(Frame2);
    layout->addWidget(Check2);
    layout->addWidget(Frame3);
    layout->addLayout(buttons);
}

void ReportingWindow::connectHandlers() {
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
    // A corrected address takes its complaint away.
    connect(Text3, &QLineEdit::textEdited, this, [this] {
        if (!Label6->isHidden()) {
            Label6->hide();
            adjustSize();
        }
    });
}

void ReportingWindow::Form_Load() {
    const report::ReportingChoice& chosen = services_.chosen;
    Check1->setChecked(chosen.spots);
    Label2->setText(services_.call.isEmpty()
                        ? QStringLiteral("none yet: Setup > Enter your call...")
                        : services_.call);
    Text1->setText(chosen.locator);
    Text1->setPlaceholderText(services_.homeLocator.isEmpty()
                                  ? QStringLiteral("your locator, such as JO20AW")
                                  : services_.homeLocator.toUpper() +
                                        QStringLiteral(" (the locator window's home)"));
    Text2->setText(chosen.antenna);
    Text3->setText(chosen.stream);
    Check2->setChecked(chosen.heardLog);
    showStatus(services_.status);
}

report::ReportingChoice ReportingWindow::choice() const {
    return report::ReportingChoice{Check1->isChecked(), Text1->text().trimmed(),
                                   Text2->text().trimmed(), Text3->text().trimmed(),
                                   Check2->isChecked()};
}

void ReportingWindow::showStatus(const QString& status) {
    Label7->setText(status);
}

void ReportingWindow::Command1_Click() {
    const report::StreamAddress stream = report::StreamAddressOf(Text3->text());
    if (!stream.error.isEmpty()) {
        Label6->setText(stream.error);
        Label6->show();
        adjustSize();
        Text3->setFocus(Qt::OtherFocusReason);
        return;
    }
    services_.apply(choice());
    close();
}

void ReportingWindow::Command2_Click() {
    close();
}
