#include "about/about_box.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QStringList>
#include <QUrlQuery>
#include <array>

#include "platform/artwork.h"
#include "platform/dialogs.h"
#include "platform/image_box.h"
#include "platform/modeless_window.h"
#include "platform/outside_programs.h"

namespace about {

namespace {

// The three numbers of a version, missing ones as 0.
std::array<int, 3> VersionNumbers(QStringView version) {
    std::array<int, 3> numbers{};
    const QList<QStringView> parts = version.split(u'.');
    for (std::size_t i = 0; i < numbers.size() && i < static_cast<std::size_t>(parts.size()); ++i) {
        numbers[i] = parts[static_cast<qsizetype>(i)].toInt();
    }
    return numbers;
}

}  // namespace

QUrl WebPage() {
    return QUrl(QStringLiteral(QUORVIN_WEB_ADDRESS));
}

QUrl MailFormPage() {
    return WebPage().resolved(QUrl(QStringLiteral("contact/")));
}

QString SupportAddress() {
    QString host = WebPage().host();
    if (host.startsWith(QStringLiteral("www."))) {
        host.remove(0, 4);
    }
    return QStringLiteral("support@") + host;
}

QString VersionLine(QStringView version) {
    const std::array<int, 3> numbers = VersionNumbers(version);
    return QStringLiteral("Version %1.%2.%3").arg(numbers[0]).arg(numbers[1]).arg(numbers[2]);
}

QUrl SupportMail(QStringView version) {
    const std::array<int, 3> numbers = VersionNumbers(version);
    QUrl mail(QStringLiteral("mailto:") + SupportAddress());
    QUrlQuery query;
    query.addQueryItem(
        QStringLiteral("subject"),
        QStringLiteral("Quorvin v %1 %2 %3").arg(numbers[0]).arg(numbers[1]).arg(numbers[2]));
    mail.setQuery(query);
    return mail;
}

}  // namespace about

AboutBox::AboutBox(const AboutServices& services, QWidget* parent)
    : QWidget(parent), services_(services) {
    platform::SetUpModelessWindow(*this, QStringLiteral("frmAbout"), QStringLiteral("About MyApp"));
    auto* icon = new QLabel(this);
    icon->setPixmap(artwork::ApplicationIcon().pixmap(48, 48));
    lblVersion = new QLabel(QStringLiteral("Version"), this);
    lblDescription = new QLabel(
        QStringLiteral("Quorvin is an easy-to-use audio spectrum and PSK31 decoding program for "
                       "listeners who do not transmit. Its DSP and spectrum settings can be "
                       "adjusted to the band and the receiver."),
        this);
    lblDisclaimer = new QLabel(
        QStringLiteral("Quorvin is free to use, as it is, without any warranty; you use it at "
                       "your own risk. Good listening and 73!"),
        this);
    for (QLabel* label : {lblDescription, lblDisclaimer}) {
        label->setWordWrap(true);
    }
    const auto link = [this](const QString& caption) {
        auto* label = new platform::Label(caption, this);
        label->setCursor(Qt::PointingHandCursor);
        label->setStyleSheet(QStringLiteral("color: blue; text-decoration: underline"));
        return label;
    };
    Label2 = link(about::WebPage().toString());
    Label4 = link(about::SupportAddress());
    Label10 = link(QStringLiteral("Or send us your questions through the web site's mail form"));
    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setDefault(true);
    cmdSysInfo = new QPushButton(QStringLiteral("&System Info..."), this);

    auto* grid = new QGridLayout(this);
    grid->addWidget(icon, 0, 0, 2, 1, Qt::AlignTop);
    grid->addWidget(lblVersion, 0, 1, 1, 2);
    grid->addWidget(lblDescription, 1, 1, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("URL: "), this), 2, 1);
    grid->addWidget(Label2, 2, 2);
    grid->addWidget(new QLabel(QStringLiteral("E-mail:"), this), 3, 1);
    grid->addWidget(Label4, 3, 2);
    grid->addWidget(Label10, 4, 1, 1, 2);
    grid->addWidget(lblDisclaimer, 5, 1, 1, 2);
    grid->addWidget(cmdOK, 6, 1);
    grid->addWidget(cmdSysInfo, 6, 2, Qt::AlignRight);
    grid->setColumnStretch(2, 1);
    setFixedWidth(440);

    connect(cmdOK, &QPushButton::clicked, this, &AboutBox::cmdOK_Click);
    connect(cmdSysInfo, &QPushButton::clicked, this, &AboutBox::cmdSysInfo_Click);
    connect(Label2, &platform::Label::clicked, this, &AboutBox::Label2_Click);
    connect(Label4, &platform::Label::clicked, this, &AboutBox::Label4_Click);
    connect(Label10, &platform::Label::clicked, this, &AboutBox::Label10_Click);
    Form_Load();
}

void AboutBox::Form_Load() {
    setWindowTitle(QStringLiteral("About ") + QString::fromUtf16(platform::kAppTitle));
    lblVersion->setText(about::VersionLine(services_.version));
}

void AboutBox::cmdOK_Click() {
    close();
}

void AboutBox::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        cmdOK_Click();
        return;
    }
    QWidget::keyPressEvent(event);
}

void AboutBox::cmdSysInfo_Click() {
    StartSysInfo();
}

void AboutBox::StartSysInfo() {
    if (!services_.programs.start(platform::OutsideProgram::SystemInformation)) {
        services_.dialogs.msgBox(QString::fromUtf16(about::kSysInfoUnavailable));
    }
}

void AboutBox::Label2_Click() {
    services_.programs.openLink(QUrl(Label2->text()));
}

void AboutBox::Label4_Click() {
    services_.programs.openLink(about::SupportMail(services_.version));
}

void AboutBox::Label10_Click() {
    services_.programs.openLink(about::MailFormPage());
}

void AboutBox::closeEvent(QCloseEvent* event) {
    unloaded_ = true;
    event->accept();
}
