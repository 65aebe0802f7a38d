// MainWindow's construction: its controls at their creation rectangles, its event routing through
// the window procedure, and its outer size in twips.

#include "mainwindow/main_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLayout>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QResizeEvent>
#include <QScreen>
#include <QToolButton>

#include "band/band_controller.h"
#include "display/display_controller.h"
#include "mainwindow/layout.h"
#include "notebook/notebook_controller.h"
#include "platform/artwork.h"
#include "platform/band_activity_demand.h"
#include "platform/form_timer.h"
#include "platform/image_box.h"
#include "platform/outside_programs.h"
#include "platform/picture_box.h"
#include "platform/printer.h"
#include "platform/sound_player.h"
#include "platform/twips.h"
#include "platform/window_message_sink.h"
#include "receiver/receive_controller.h"
#include "receivetext/received_text_controller.h"
#include "report/report_controller.h"
#include "rig/rig_controller.h"
#include "settings/receive_captions.h"
#include "settings/settings_keeper.h"
#include "setup/setup_controller.h"

namespace {

constexpr int kFontPixelSize = 11;
constexpr int kScaleFontPixelSize = 9;
constexpr int kNarrowLetterSpacingPercent = 94;
constexpr int kClockIntervalMs = 1000;

// The available area of the window's screen (the primary screen before it is shown); the
// window's own size when there is no screen at all.
QSize AvailableScreenSize(const QWidget& window) {
    const QScreen* s = window.screen();
    if (s == nullptr) {
        s = QGuiApplication::primaryScreen();
    }
    return s != nullptr ? s->availableGeometry().size() : window.size();
}

void Place(QWidget* widget, const layout::Rect& r) {
    widget->setGeometry(r.left, r.top, r.width, r.height);
}

QGroupBox* MakeFrame(QWidget* parent, const QString& caption, const layout::Rect& r) {
    auto* frame = new QGroupBox(caption, parent);
    Place(frame, r);
    return frame;
}

QRadioButton* MakeOption(QWidget* parent, const QString& caption, const QString& toolTip,
                         const layout::Rect& r) {
    auto* option = new QRadioButton(caption, parent);
    option->setToolTip(toolTip);
    Place(option, r);
    return option;
}

QCheckBox* MakeCheck(QWidget* parent, const QString& caption, const QString& toolTip,
                     const layout::Rect& r) {
    auto* check = new QCheckBox(caption, parent);
    check->setToolTip(toolTip);
    Place(check, r);
    return check;
}

QToolButton* MakeButton(QWidget* parent, artwork::ButtonIcon icon, const QString& caption,
                        const QString& toolTip, const layout::Rect& r) {
    auto* button = new QToolButton(parent);
    button->setIcon(artwork::CommandIcon(icon));
    button->setIconSize(QSize(20, 20));
    if (!caption.isEmpty()) {
        button->setText(caption);
        button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    }
    button->setToolTip(toolTip);
    Place(button, r);
    return button;
}

platform::Label* MakeStatusLabel(QWidget* parent, const QString& caption, const QString& toolTip,
                                 const layout::Rect& r) {
    auto* label = new platform::Label(caption, parent);
    label->setToolTip(toolTip);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    label->setIndent(2);
    Place(label, r);
    return label;
}

}  // namespace

QString MainWindow::designedCaption() {
    return QStringLiteral("Quorvin %1").arg(QStringLiteral(QUORVIN_VERSION));
}

MainWindow::MainWindow(const MainWindowServices& services, QWidget* parent)
    : QMainWindow(parent),
      settings(services.settings),
      dialogs(services.dialogs),
      clipboard(services.clipboard),
      engine(services.engine),
      soundPlayer(platform::PlayerOrSilence(services.soundPlayer)),
      programFolder_(services.programFolder),
      soundCardSource_(services.soundCardSource),
      sink_(std::make_unique<platform::WindowMessageSink>(this)),
      windowProcedure_(
          [this](platform::WindowHandle hWnd, std::uint32_t message, std::intptr_t wParam,
                 std::intptr_t lParam) { return DefWindowProc(hWnd, message, wParam, lParam); }) {
    if (services.outsidePrograms != nullptr) {
        outsidePrograms_ = services.outsidePrograms;
    } else {
        systemPrograms_ = std::make_unique<platform::SystemOutsidePrograms>();
        outsidePrograms_ = systemPrograms_.get();
    }
    if (services.printer != nullptr) {
        printer_ = services.printer;
    } else {
        defaultPrinter_ = std::make_unique<platform::DefaultPrinter>();
        printer_ = defaultPrinter_.get();
    }
    // The first file dialog opens in the program folder.
    files.Folder = programFolder_;
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(designedCaption());
    setWindowIcon(artwork::ApplicationIcon());
    QFont windowFont = font();
    windowFont.setPixelSize(kFontPixelSize);
    setFont(windowFont);

    createControls();
    createMenus();
    createControllers();
    connectHandlers();

    // The client area below the menu bar is created at 662 x 482 pixels, centred.
    resize(layout::kClientWidth, layout::kClientHeight + menuBar()->sizeHint().height());
    if (const QScreen* s = screen()) {
        const QRect available = s->availableGeometry();
        move(available.center() - rect().center());
    }
    if (QLayout* windowLayout = layout()) {
        windowLayout->activate();
    }
}

MainWindow::~MainWindow() {
    // No engine message may reach a window that is going away.
    sink_->detach();
    receive_->stopEngineIfRunning();
}

void MainWindow::createControls() {
    client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setMinimumSize(layout::kMinimumClientWidth, layout::kMinimumClientHeight);
    setCentralWidget(client);

    // Controls without a window of their own lie beneath the others; create them first.
    img_Background = new platform::ImageBox(client);
    Place(img_Background, layout::kImgBackground);
    img_Background->hide();

    Label5 = new platform::Label(QString(), client);
    Place(Label5, layout::kLabel5);

    Image1 = new platform::ImageBox(client);
    Place(Image1, layout::kImage1);
    Image1->setPicture(QPixmap::fromImage(
        artwork::ScaleStrip(QSize(layout::kImage1.width, layout::kImage1.height))));

    Image2 = new platform::ImageBox(client);
    Place(Image2, layout::kImage2);
    Image2->setPicture(QPixmap::fromImage(
        artwork::FrequencyMarker(QSize(layout::kImage2.width, layout::kImage2.height),
                                 layout::kMarkerPointerTop, layout::kMarkerPointerHeight)));
    // A picture only: clicks go to the waterfall and the text beneath it.
    Image2->setAttribute(Qt::WA_TransparentForMouseEvents);

    Label1 = new platform::Label(QStringLiteral("50Hz"), client);
    Place(Label1, layout::kLabel1);
    Label3 = new platform::Label(QStringLiteral("3000Hz"), client);
    Place(Label3, layout::kLabel3);
    Label3->setAlignment(Qt::AlignRight | Qt::AlignTop);
    for (platform::Label* scaleLabel : {Label1, Label3}) {
        QFont small = scaleLabel->font();
        small.setPixelSize(kScaleFontPixelSize);
        scaleLabel->setFont(small);
    }

    Text1 = new QPlainTextEdit(client);
    Place(Text1, layout::kText1);
    Text1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Text1->setReadOnly(true);
    Text1->setPlainText(QStringLiteral("Quorvin\n"));
    {
        QPalette colours = Text1->palette();
        colours.setColor(QPalette::Base, QColor(0, 0, 0));
        colours.setColor(QPalette::Text, QColor(255, 255, 0));
        Text1->setPalette(colours);
        QFont bold = Text1->font();
        bold.setBold(true);
        Text1->setFont(bold);
    }

    Picture3 = new platform::PictureBox(client);
    Place(Picture3, layout::kPicture3);
    Picture3->setPicture(
        artwork::ProgramLogo(QSize(layout::kPicture3.width, layout::kPicture3.height)));

    Frame1 = MakeFrame(client, QStringLiteral("Text/Log Files"), layout::kFrame1);
    Command1 = MakeButton(Frame1, artwork::ButtonIcon::Save, QStringLiteral("Save"),
                          QStringLiteral("Save file"), {6, 17, 41, 60});
    Command2 = MakeButton(Frame1, artwork::ButtonIcon::Open, QStringLiteral("Open"),
                          QStringLiteral("Open file"), {48, 17, 41, 60});

    Frame7 = MakeFrame(client, QStringLiteral("DSP Setup"), layout::kFrame7);
    Command3 =
        MakeButton(Frame7, artwork::ButtonIcon::Setup, QString(), QString(), {6, 17, 83, 40});

    Frame2 = MakeFrame(client, QStringLiteral("PSK Mode"), layout::kFrame2);
    Option1 = MakeOption(Frame2, QStringLiteral("BPSK"), QStringLiteral("Standard PSK31"),
                         {6, 14, 86, 15});
    Option2 = MakeOption(Frame2, QStringLiteral("QPSK usb"), QStringLiteral("QPSK in USB"),
                         {6, 29, 86, 15});
    Option3 = MakeOption(Frame2, QStringLiteral("QPSK lsb"), QStringLiteral("QPSK in LSB"),
                         {6, 44, 86, 15});
    Option1->setChecked(true);

    Frame3 = MakeFrame(client, QStringLiteral("Screen"), layout::kFrame3);
    Option4 = MakeOption(Frame3, QStringLiteral("Normal"),
                         QStringLiteral("switch to large textscreen"), {6, 14, 86, 15});
    Option5 = MakeOption(Frame3, QStringLiteral("Rev"), QStringLiteral("Switch to large waterfall"),
                         {6, 29, 86, 15});
    Option4->setChecked(true);
    Check1 = MakeCheck(Frame3, QStringLiteral("Stop Decode"),
                       QStringLiteral("Stop Decoding the PSK31 to Text"), {4, 50, 90, 16});
    Check2 = MakeCheck(Frame3, QStringLiteral("Halt Waterfall"),
                       QStringLiteral("Stop the Waterfall"), {4, 67, 90, 16});
    // The frame is as narrow as the window's design; set the captions a little closer.
    for (QCheckBox* check : {Check1, Check2}) {
        QFont narrow = check->font();
        narrow.setLetterSpacing(QFont::PercentageSpacing, kNarrowLetterSpacingPercent);
        check->setFont(narrow);
    }

    Picture1 = new platform::PictureBox(client, platform::PictureBox::Border::Sunken3D);
    Place(Picture1, layout::kPicture1);
    Picture1->setBackColor(QColor(0, 0, 255));

    Picture2 = new platform::PictureBox(client);
    Place(Picture2, layout::kPicture2);
    Picture2->setBackColor(QColor(0, 0, 0));
    Picture2->setToolTip(QStringLiteral("PSK Signal quality"));

    Frame6 = MakeFrame(client, QStringLiteral("Phase"), layout::kFrame6);
    Radars = new platform::PictureBox(Frame6);
    Radars->setGeometry(4, 15, 44, 44);
    Radars->setToolTip(QStringLiteral("Phase Tuning Indicator"));
    PhaseStatus[0] = MakeOption(Frame6, QStringLiteral("On"), QString(), {6, 62, 44, 16});
    PhaseStatus[1] = MakeOption(Frame6, QStringLiteral("Off"), QString(), {6, 80, 44, 16});
    PhaseStatus[0]->setChecked(true);

    Frame4 = MakeFrame(client, QStringLiteral("Waterfall"), layout::kFrame4);
    Command8 = MakeButton(Frame4, artwork::ButtonIcon::SavePicture, QString(),
                          QStringLiteral("Save waterfall picture to disk"), {5, 16, 24, 38});
    Command7 = MakeButton(Frame4, artwork::ButtonIcon::LoadPicture, QString(),
                          QStringLiteral("Load waterfall picture"), {30, 16, 24, 38});
    Command4 = MakeButton(Frame4, artwork::ButtonIcon::Copy, QString(),
                          QStringLiteral("Copy Waterfall image to clipboard"), {5, 57, 24, 38});
    Command5 = MakeButton(Frame4, artwork::ButtonIcon::Clear, QString(),
                          QStringLiteral("Clear Waterfall"), {30, 57, 24, 38});

    Frame5 = MakeFrame(client, QString(), layout::kFrame5);
    Label8 = MakeStatusLabel(Frame5, QString::fromUtf16(KVXmodules::kAutoLogOffCaption),
                             QStringLiteral("Enable/disable AutoLog (quorvin_autolog.log)"),
                             {4, 5, 84, 18});
    Label2 = MakeStatusLabel(Frame5, QString::fromUtf16(KVXmodules::kAlarmOffCaption),
                             QStringLiteral("Activate/de-activate PSK-Alarm"), {90, 5, 92, 18});
    Label7 = MakeStatusLabel(Frame5, QStringLiteral("0 Hz"),
                             QStringLiteral("Frequency on cursor spot"), {184, 5, 64, 18});
    Label9 = MakeStatusLabel(Frame5, QStringLiteral("Active Frequency 0 Hz"),
                             QStringLiteral("Active frequency"), {250, 5, 150, 18});
    Label6 = MakeStatusLabel(Frame5, QStringLiteral("PSK Signal Quality "),
                             QStringLiteral("Signal quality"), {402, 5, 170, 18});
    Label4 = MakeStatusLabel(Frame5, QStringLiteral("00:00:00"), QStringLiteral("Current Time"),
                             {574, 5, 80, 18});
    Label8->setCursor(Qt::PointingHandCursor);
    Label2->setCursor(Qt::PointingHandCursor);

    // Hidden auxiliary pictures.
    Picture4 = new platform::PictureBox(client);
    Picture4->setGeometry(0, 0, 32, 32);
    Picture4->hide();
    img_Blanco = new platform::ImageBox(client);
    img_Blanco->setGeometry(0, 0, 32, 32);
    img_Blanco->hide();
    Radar_Pic = new platform::PictureBox(client);
    Radar_Pic->setGeometry(0, 0, 44, 44);
    Radar_Pic->setPicture(artwork::RadarBackground());
    Radar_Pic->hide();
    Radars->setPicture(Radar_Pic->image());

    Timer1 = new platform::FormTimer(this);
    Timer2 = new platform::FormTimer(this);
    Timer3 = new platform::FormTimer(this);
    Timer3->setInterval(kClockIntervalMs);
    Timer3->setEnabled(true);
}

void MainWindow::mnuFileExit_Click() {
    close();
}

pskmodem::MessageSink& MainWindow::messageSink() {
    return *sink_;
}

// ---- window procedure ----

platform::WindowProc MainWindow::SetWindowProc(platform::WindowProc proc) {
    return windowProcedure_.setWindowProc(std::move(proc));
}

std::intptr_t MainWindow::DefWindowProc(platform::WindowHandle /*hWnd*/, std::uint32_t message,
                                        std::intptr_t /*wParam*/, std::intptr_t lParam) {
    if (platform::IsEventMessage(message)) {
        return QMainWindow::event(platform::EventOf(lParam)) ? 1 : 0;
    }
    return 0;
}

bool MainWindow::event(QEvent* event) {
    if (event->type() == platform::EngineMessageEvent::eventType()) {
        const auto* message = static_cast<platform::EngineMessageEvent*>(event);
        windowProcedure_.dispatch(this, message->message(), message->wParam(), message->lParam());
        return true;
    }
    return windowProcedure_.dispatch(this, platform::EventMessage(event->type()), 0,
                                     platform::EventParam(event)) != 0;
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    Form_Resize();
}

void MainWindow::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    // Minimising and restoring count as resizing.
    if (event->type() == QEvent::WindowStateChange) {
        Form_Resize();
    }
}

void MainWindow::closeEvent(QCloseEvent* event) {
    Form_Unload();
    event->accept();
}

// ---- sizes ----

QSize MainWindow::clientSize() const {
    return client->size();
}

float MainWindow::outerWidthTwips() const {
    return static_cast<float>(platform::PixelsToTwips(width()));
}

float MainWindow::outerHeightTwips() const {
    return static_cast<float>(platform::PixelsToTwips(height()));
}

// Sizes come from the settings file too; they are bounded by the screen before the window and
// the pictures sized from it grow.
void MainWindow::setOuterWidthTwips(float twips) {
    resize(platform::BoundedWindowPixels(static_cast<double>(twips), width(),
                                         AvailableScreenSize(*this).width()),
           height());
}

void MainWindow::setOuterHeightTwips(float twips) {
    resize(width(), platform::BoundedWindowPixels(static_cast<double>(twips), height(),
                                                  AvailableScreenSize(*this).height()));
}
