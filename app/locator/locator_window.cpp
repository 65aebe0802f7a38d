#include "locator/locator_window.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QStringList>
#include <QVBoxLayout>
#include <QWindow>
#include <cmath>
#include <utility>

#include "platform/clipboard.h"
#include "platform/dialogs.h"
#include "platform/file_replace.h"
#include "platform/home_locator.h"
#include "platform/modeless_window.h"
#include "platform/windows1252.h"

namespace {

constexpr char16_t kDegreeSign = u'\u00B0';
constexpr int kPictureSize = 48;

QString FromStd(std::string_view text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

// The calculation takes 8-bit text, one byte per character, as the window's files hold it.
std::string ToLocatorText(const QString& text) {
    return KVXmodules::ToWindows1252(text).toStdString();
}

// Upper case character by character, so that the length never changes.
QString UpperCase(const QString& text) {
    QString upper = text;
    for (QChar& c : upper) {
        c = c.toUpper();
    }
    return upper;
}

// A small globe with a grid of meridians and parallels.
QPixmap LocatorPicture() {
    QPixmap picture(kPictureSize, kPictureSize);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF globe(2.5, 2.5, kPictureSize - 5.0, kPictureSize - 5.0);
    painter.setPen(QPen(QColor(0, 0, 128), 1.5));
    painter.setBrush(QColor(96, 160, 224));
    painter.drawEllipse(globe);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(240, 248, 255), 1.0));
    for (const double inset : {0.25, 0.5}) {  // meridians
        painter.drawEllipse(
            globe.adjusted(globe.width() * inset / 2.0, 0.0, -globe.width() * inset / 2.0, 0.0));
    }
    painter.drawLine(QPointF(globe.center().x(), globe.top()),
                     QPointF(globe.center().x(), globe.bottom()));
    for (const double row : {0.25, 0.5, 0.75}) {  // parallels
        const double y = globe.top() + globe.height() * row;
        const double half = std::sqrt(row * (1.0 - row)) * globe.width();
        painter.drawLine(QPointF(globe.center().x() - half, y),
                         QPointF(globe.center().x() + half, y));
    }
    // The two places of a calculation and the path between them.
    painter.setPen(QPen(QColor(255, 255, 0), 2.0));
    QPainterPath path(QPointF(14.0, 30.0));
    path.quadTo(QPointF(22.0, 10.0), QPointF(35.0, 18.0));
    painter.drawPath(path);
    painter.setBrush(QColor(220, 0, 0));
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QPointF(14.0, 30.0), 2.5, 2.5);
    painter.drawEllipse(QPointF(35.0, 18.0), 2.5, 2.5);
    return picture;
}

bool IsEnter(int key) {
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

}  // namespace

LocatorWindow::LocatorWindow(const LocatorServices& services, QWidget* parent)
    : QWidget(parent, Qt::Window),
      dialogs_(services.dialogs),
      clipboard_(services.clipboard),
      programFolder_(services.programFolder) {
    // Closing the window unloads it: its histories and results go with it.
    platform::SetUpModelessWindow(*this, QStringLiteral("Form6"),
                                  QStringLiteral("Maidenhead Locator"));
    createControls();
    connectHandlers();
    Form_Load();
}

LocatorWindow::~LocatorWindow() = default;

void LocatorWindow::createControls() {
    Frame1 = new QGroupBox(QStringLiteral("Maidenhead Locator Calculator"), this);
    Label6 = new QLabel(QStringLiteral("Home: "), Frame1);
    Label7 = new QLabel(QStringLiteral("Target: "), Frame1);
    Combo1 = new QComboBox(Frame1);
    Combo1->setObjectName(QStringLiteral("Combo1"));
    Combo1->setToolTip(QStringLiteral("Home locator"));
    Combo2 = new QComboBox(Frame1);
    Combo2->setObjectName(QStringLiteral("Combo2"));
    Combo2->setToolTip(QStringLiteral("Target locator"));
    for (QComboBox* box : {Combo1, Combo2}) {
        box->setEditable(true);
        // The lists grow only by calculating, and the typed text is never completed from them.
        box->setInsertPolicy(QComboBox::NoInsert);
        box->setCompleter(nullptr);
        box->setMinimumContentsLength(8);
        watchBox(box);
    }
    Label6->setBuddy(Combo1);
    Label7->setBuddy(Combo2);
    Command8 = new QPushButton(QStringLiteral("Calculate"), Frame1);
    Command8->setToolTip(QStringLiteral("Calculate distance, azimuth..."));
    Command3 = new QPushButton(QStringLiteral("Default"), Frame1);
    Command3->setToolTip(QStringLiteral("Make home locator default at startup"));
    Command4 = new QPushButton(QStringLiteral("Help"), Frame1);

    auto* input = new QGridLayout(Frame1);
    input->addWidget(Label6, 0, 0);
    input->addWidget(Combo1, 0, 1);
    input->addWidget(Label7, 1, 0);
    input->addWidget(Combo2, 1, 1);
    auto* inputButtons = new QHBoxLayout;
    inputButtons->addWidget(Command8);
    inputButtons->addWidget(Command3);
    inputButtons->addWidget(Command4);
    input->addLayout(inputButtons, 2, 0, 1, 2);

    Frame2 = new QGroupBox(QStringLiteral("Output"), this);
    Label12 = new QLabel(QStringLiteral("Distance:"), Frame2);
    Label14 = new QLabel(QStringLiteral("0 Km"), Frame2);
    Label13 = new QLabel(QStringLiteral("Azimuth:"), Frame2);
    Label15 = new QLabel(QStringLiteral("0 Degrees"), Frame2);
    Label8 = new QLabel(QStringLiteral("Longitude:"), Frame2);
    Label10 = new QLabel(QStringLiteral("0") + kDegreeSign, Frame2);
    Label9 = new QLabel(QStringLiteral("Latitude:"), Frame2);
    Label11 = new QLabel(QStringLiteral("0") + kDegreeSign, Frame2);
    for (QLabel* result : {Label14, Label15, Label10, Label11}) {
        result->setTextInteractionFlags(Qt::TextSelectableByMouse);
        result->setMinimumWidth(
            result->fontMetrics().horizontalAdvance(QStringLiteral("-0.04166667 degrees")));
    }
    Command1 = new QPushButton(QStringLiteral("Copy"), Frame2);
    Command1->setToolTip(QStringLiteral("Copy to clipboard"));

    auto* output = new QGridLayout(Frame2);
    int row = 0;
    for (const auto& [caption, result] : {std::pair{Label12, Label14}, std::pair{Label13, Label15},
                                          std::pair{Label8, Label10}, std::pair{Label9, Label11}}) {
        output->addWidget(caption, row, 0);
        output->addWidget(result, row, 1);
        ++row;
    }
    output->addWidget(Command1, row, 0, 1, 2, Qt::AlignRight);

    Image1 = new QLabel(this);
    Image1->setPixmap(LocatorPicture());
    Command2 = new QPushButton(QStringLiteral("OK"), this);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(Image1);
    bottom->addStretch();
    bottom->addWidget(Command2, 0, Qt::AlignBottom);

    auto* window = new QVBoxLayout(this);
    window->addWidget(Frame1);
    window->addWidget(Frame2);
    window->addLayout(bottom);
    window->setSizeConstraint(QLayout::SetFixedSize);
}

void LocatorWindow::connectHandlers() {
    connect(Command8, &QPushButton::clicked, this, &LocatorWindow::command8_Click);
    connect(Command1, &QPushButton::clicked, this, &LocatorWindow::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &LocatorWindow::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &LocatorWindow::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &LocatorWindow::Command4_Click);
    connect(qGuiApp, &QGuiApplication::focusWindowChanged, this,
            &LocatorWindow::focusWindowChanged);
}

void LocatorWindow::watchBox(QComboBox* box) {
    box->installEventFilter(this);
    box->lineEdit()->installEventFilter(this);
}

QString LocatorWindow::locatorIniPath() const {
    return platform::LocatorFilePath(programFolder_);
}

// ---- loading and activation ----

void LocatorWindow::Form_Load() {
    // The default home locator: the first field of the first line, up to a comma.
    const QString home = platform::ReadHomeLocator(programFolder_);
    if (home.isEmpty()) {
        return;
    }
    rememberLocator(Combo1, home);
    Combo1->setEditText(home);
}

void LocatorWindow::Form_Activate() {
    if (Combo1->currentText().isEmpty()) {
        showMessage(QStringLiteral("First time run! Please enter your HOME LOCATOR in the home "
                                   "locator box and press DEFAULT to save it (example: JO20AW)."),
                    QStringLiteral("First time run"), true);
        Combo1->setFocus(Qt::OtherFocusReason);
    } else {
        Combo2->setFocus(Qt::OtherFocusReason);
    }
}

void LocatorWindow::focusWindowChanged(const QWindow* window) {
    if (window == nullptr) {
        return;  // another application: coming back from it is no activation
    }
    if (window == windowHandle()) {
        if (activationPending_) {
            activationPending_ = false;
            // After the activation has been delivered, so that a message box opens on an
            // active window.
            QMetaObject::invokeMethod(this, &LocatorWindow::Form_Activate, Qt::QueuedConnection);
        }
        return;
    }
    // A drop-down list or a tool tip is part of the window that opened it.
    const bool transient = window->type() == Qt::Popup || window->type() == Qt::ToolTip;
    if (!messageShowing_ && !transient) {
        activationPending_ = true;  // another window of the program
    }
}

// ---- keys and focus ----

bool LocatorWindow::eventFilter(QObject* watched, QEvent* event) {
    const bool home = watched == Combo1 || watched == Combo1->lineEdit();
    const bool target = watched == Combo2 || watched == Combo2->lineEdit();
    if (!home && !target) {
        return QWidget::eventFilter(watched, event);
    }
    // A key typed into a box arrives at the combo box, which has the focus, and the combo box
    // passes it to its line edit directly; a key sent to the line edit itself arrives there.
    // Either way the filter sees each key press once.
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (home) {
            Combo1_KeyPress(key);
        } else {
            Combo2_KeyPress(key);
        }
        // Enter belongs to the window; the box itself does nothing with it.
        return IsEnter(key);
    }
    if (event->type() == QEvent::FocusOut) {
        // Opening the drop-down list, or another window coming to the front, leaves the focus
        // where it is.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason) {
            if (home) {
                Combo1_LostFocus();
            } else {
                Combo2_LostFocus();
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void LocatorWindow::Combo1_KeyPress(int key) {
    if (!IsEnter(key)) {
        return;
    }
    if (Combo2->currentText().size() > 2) {
        Combo2->setEditText(UpperCase(Combo2->currentText()));
        command8_Click();
    } else {
        Combo2->setFocus(Qt::OtherFocusReason);
    }
}

void LocatorWindow::Combo2_KeyPress(int key) {
    if (!IsEnter(key)) {
        return;
    }
    Combo2->setEditText(UpperCase(Combo2->currentText()));
    command8_Click();
}

void LocatorWindow::Combo1_LostFocus() {
    if (const QString upper = UpperCase(Combo1->currentText()); upper != Combo1->currentText()) {
        Combo1->setEditText(upper);
    }
}

void LocatorWindow::Combo2_LostFocus() {
    if (const QString upper = UpperCase(Combo2->currentText()); upper != Combo2->currentText()) {
        Combo2->setEditText(upper);
    }
}

// ---- the commands ----

void LocatorWindow::rememberLocator(QComboBox* box, const QString& text) {
    for (int i = 0; i < box->count(); ++i) {
        if (box->itemText(i) == text) {
            return;
        }
    }
    // Adding the first entry would select it and replace the typed text.
    const QString typed = box->currentText();
    box->addItem(UpperCase(text));
    if (box->currentText() != typed) {
        box->setEditText(typed);
    }
}

void LocatorWindow::showMessage(const QString& text, const QString& title, bool information) {
    messageShowing_ = true;
    dialogs_.msgBox(text, platform::MsgButtons::Ok,
                    information ? platform::MsgIcon::Information : platform::MsgIcon::Exclamation,
                    title);
    messageShowing_ = false;
}

void LocatorWindow::command8_Click() {
    const QString home = Combo1->currentText();
    const QString target = Combo2->currentText();
    const QString lengthMessage = FromStd(locator::kLengthMessage);
    if (!locator::HasLocatorLength(static_cast<std::size_t>(home.size()))) {
        showMessage(lengthMessage, FromStd(locator::kHomeLengthTitle), false);
        Combo1->setFocus(Qt::OtherFocusReason);
        return;
    }
    if (!locator::HasLocatorLength(static_cast<std::size_t>(target.size()))) {
        showMessage(lengthMessage, FromStd(locator::kTargetLengthTitle), false);
        Combo2->setFocus(Qt::OtherFocusReason);
        return;
    }
    if (locator::IsMissingLocator(ToLocatorText(home))) {
        showMessage(FromStd(locator::kNoHomeMessage), FromStd(locator::kNoLocatorTitle), false);
        Combo1->setFocus(Qt::OtherFocusReason);
        return;
    }
    rememberLocator(Combo1, home);
    if (locator::IsMissingLocator(ToLocatorText(target))) {
        showMessage(FromStd(locator::kNoTargetMessage), FromStd(locator::kNoLocatorTitle), false);
        Combo2->setFocus(Qt::OtherFocusReason);
        return;
    }
    rememberLocator(Combo2, target);

    texts.HomeLocator = ToLocatorText(home);
    texts.TargetLocator = ToLocatorText(target);
    locator::LocatorCalc(texts);
    if (texts.DistanceText == locator::kInvalidDistance) {
        showMessage(FromStd(locator::kInvalidMessage), QString(), false);
        return;
    }
    Label10->setText(FromStd(texts.LongitudeText) + kDegreeSign);
    Label11->setText(FromStd(texts.LatitudeText) + kDegreeSign);
    Label14->setText(FromStd(texts.DistanceText) + QStringLiteral(" km"));
    // From a place to itself there is no direction.
    if (home == target) {
        texts.AzimuthText = " none";
    }
    Label15->setText(FromStd(texts.AzimuthText) + QStringLiteral(" degrees"));

    // Ready for the next target to be typed over this one.
    Combo2->lineEdit()->selectAll();
    Combo2->setFocus(Qt::OtherFocusReason);
}

QString LocatorWindow::copyText() const {
    const QStringList lines{
        QStringLiteral("Home locator:") + UpperCase(Combo1->currentText()),
        QStringLiteral("Target Locator:") + UpperCase(Combo2->currentText()),
        QStringLiteral("Distance:") + Label14->text(),
        QStringLiteral("Azimuth :") + Label15->text(),
        QStringLiteral("Longitude:") + Label10->text(),
        QStringLiteral("Latitude:") + Label11->text(),
    };
    return lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
}

void LocatorWindow::Command1_Click() {
    clipboard_.setText(copyText());
}

void LocatorWindow::Command2_Click() {
    close();
}

void LocatorWindow::Command3_Click() {
    // Written whatever the box holds, in one step: a failure keeps the earlier default and
    // says so, since the user would otherwise find the home locator gone at the next start.
    const int error = platform::ReplaceFile(
        locatorIniPath(), KVXmodules::ToWindows1252(UpperCase(Combo1->currentText())) + "\r\n");
    if (error != 0) {
        platform::ShowWriteFailed(dialogs_, error);
    }
}

QString LocatorWindow::helpText() {
    const QStringList paragraphs{
        QStringLiteral("This locator-module calculates the distance, azimuth, longitude and "
                       "latitude between two maidenhead locators used by ham's. A maidenhead "
                       "locator exists out of 6 characters, example: JO20AW, JN11..."),
        QStringLiteral("Type your (or any you like) home-locator in the locator-box and type a "
                       "target-locator in the target-box. Click on 'Calculate' or press enter "
                       "to see the result."),
        QStringLiteral("The locators you type are stored temporary."),
        QStringLiteral("DEFAULT = To save your home-locator click on the 'default'-button and "
                       "the locator typed in the home-box will be remembered."),
        QStringLiteral("COPY = The COPY-button copies the 'Output-window' to the clipboard."),
        QStringLiteral("SOUTH latitude and EAST longitude are shown as negative numbers!"),
    };
    // One line break after the first paragraph, an empty line between the others.
    return paragraphs.first() + u'\r' + paragraphs.mid(1).join(QStringLiteral("\r\r"));
}

void LocatorWindow::Command4_Click() {
    showMessage(helpText(), QStringLiteral("Help: Maidenhead Locator"), true);
}

void LocatorWindow::closeEvent(QCloseEvent* event) {
    unloaded_ = true;
    event->accept();
}
