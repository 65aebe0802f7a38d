#include "display/display_controller.h"

#include <QCheckBox>
#include <QCursor>
#include <QMenu>
#include <QPainter>
#include <QRadioButton>
#include <QTime>
#include <utility>

#include "display/display.h"
#include "display/picture_window.h"
#include "platform/clipboard.h"
#include "platform/form_timer.h"
#include "platform/image_box.h"
#include "platform/picture_box.h"
#include "platform/psk_engine.h"
#include "platform/tuning.h"
#include "settings/settings_record.h"

namespace {

constexpr QRgb kSpokeColour = qRgb(0, 255, 0);

void SetText(QLabel& label, const QString& text) {
    if (label.text() != text) {
        label.setText(text);
    }
}

// Whether `name` ends in `extension` (three letters), in any case.
bool EndsInExtension(const QString& name, QStringView extension) {
    return name.size() >= extension.size() &&
           QStringView(name).right(extension.size()).compare(extension, Qt::CaseInsensitive) == 0;
}

}  // namespace

DisplayController::DisplayController(DisplayServices services) : services_(std::move(services)) {}

DisplayController::~DisplayController() {
    // The picture window goes with the main window.
    if (!pictureWindow_.isNull()) {
        pictureWindow_->deleteLater();
    }
}

// ---- display tick ----

void DisplayController::Timer1_Timer() {
    if (!waterfallHalted()) {
        drawWaterfallLine();
    }
    if (services_.phaseStatus[0]->isChecked()) {
        drawPhaseIndicator();
    }
    drawQualityBar();
    showActiveFrequency();
    services_.displayTimer.setEnabled(false);
}

void DisplayController::drawWaterfallLine() {
    platform::PictureBox& box = services_.waterfall;
    box.setPictureFromImage();
    QImage& image = box.imageForOverwrite();
    display_.waterfall.scroll(
        box.picture(), image,
        receiver::ScrollTargetHeight(services_.settings.WaterfallHeight,
                                     services_.settings.WaterfallSpectrumSpeed));
    display_.waterfall.drawLine(image, services_.buffers.FFTData, box.width(),
                                services_.settings.WaterfallRedOffset,
                                services_.settings.WaterfallBlueOffset);
    box.update(box.innerRect());
}

void DisplayController::drawPhaseIndicator() {
    std::array<std::int32_t, platform::kVectorDataSize>& vector = services_.buffers.VectorData;
    services_.engine.fnGetVectorData(vector.data(), 0);
    if (display_.indicatorVector == vector) {
        return;  // the spokes stand as they are drawn
    }
    // The background picture wipes the previous spokes.
    services_.indicator.setPicture(services_.indicatorBack.picture());
    {
        QPainter painter(&services_.indicator.image());
        painter.setPen(QColor(kSpokeColour));
        for (const QLineF& spoke : receiver::PhaseSpokes(vector)) {
            painter.drawLine(spoke);
        }
    }
    display_.indicatorVector = vector;
}

void DisplayController::drawQualityBar() {
    const std::int32_t quality = services_.buffers.SignalQuality;
    SetText(services_.quality, receiver::QualityText(quality));
    if (display_.barQuality == quality && display_.barSize == services_.qualityBar.size()) {
        return;  // the bar shows this already
    }
    services_.qualityBar.clear();
    QImage& image = services_.qualityBar.image();
    const receiver::QualityBox box =
        receiver::QualityBarBox(quality, services_.qualityBar.height());
    // From the top row down to the bar's bottom right corner, clipped to the bar.
    const QRect filled = QRect(QPoint(0, box.firstRow), QPoint(services_.qualityBar.width(),
                                                               services_.qualityBar.height())) &
                         QRect(QPoint(0, 0), image.size());
    if (!filled.isEmpty()) {
        QPainter painter(&image);
        painter.fillRect(filled, QColor(box.colour));
    }
    display_.barQuality = quality;
    display_.barSize = services_.qualityBar.size();
}

void DisplayController::showActiveFrequency() {
    const std::int32_t frequency = services_.buffers.ActiveFrequency;
    const int left = receiver::MarkerLeftPixels(frequency);
    if (services_.marker.x() != left) {
        services_.marker.move(left, services_.marker.y());
    }
    SetText(services_.active, receiver::ActiveFrequencyText(frequency));
}

// ---- clock and indicator switch ----

bool DisplayController::waterfallHalted() const {
    return services_.haltWaterfall.isChecked();
}

void DisplayController::Timer3_Timer() {
    services_.clock.setText(QTime::currentTime().toString(QStringLiteral("HH:mm:ss")));
}

void DisplayController::PhaseStatus_Click(int index) {
    services_.settings.PhaseTuneStatus = index == 0 ? KVXmodules::kFlagSet : KVXmodules::kFlagClear;
}

// ---- tuning by mouse ----

void DisplayController::Picture1_MouseDown(Qt::MouseButton /*button*/,
                                           Qt::KeyboardModifiers /*shift*/, int x, int /*y*/) {
    const std::int32_t frequency = receiver::ClickFrequency(x);
    services_.tuning.tune(frequency);
}

void DisplayController::Picture1_MouseMove(Qt::MouseButtons /*button*/,
                                           Qt::KeyboardModifiers /*shift*/, int x, int /*y*/) {
    SetText(services_.pointer, receiver::PointerFrequencyText(x));
}

void DisplayController::Picture1_MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers /*shift*/,
                                         int /*x*/, int /*y*/) {
    // Clearing "Stop Decode" runs its click handler, which resumes decoding.
    services_.stopDecode.setChecked(false);
    if (button == Qt::RightButton) {
        services_.popup.popup(QCursor::pos());
    }
}

void DisplayController::Image1_MouseMove(Qt::MouseButtons /*button*/,
                                         Qt::KeyboardModifiers /*shift*/, double x, double /*y*/) {
    const QString text = receiver::ScaleFrequencyText(x);
    services_.scale.setToolTip(text);
    SetText(services_.pointer, text);
}

// ---- the waterfall picture ----

void DisplayController::Command4_Click() {
    services_.clipboard.setImage(services_.waterfall.picture());
}

void DisplayController::Command5_Click() {
    services_.waterfall.setPicture(services_.blank.picture());
}

void DisplayController::menuclear2_Click() {
    services_.waterfall.clear();
    services_.waterfall.update();
}

void DisplayController::command8_Click() {
    if (services_.files.LastFileName.isEmpty() ||
        EndsInExtension(services_.files.LastFileName, u"txt")) {
        services_.files.LastFileName = QString::fromUtf16(KVXmodules::kFirstWaterfallFileName);
    }
    KVXmodules::SaveWaterfallDialog(services_.files, services_.fileDialogs.dialogs,
                                    services_.waterfall.picture());
}

void DisplayController::openPicture(std::int16_t inPaint) {
    services_.files.OpenInPaint = inPaint;
    KVXmodules::OpenPictureDialog(services_.files, services_.fileDialogs,
                                  [this](const QString& path) {
                                      if (pictureWindow_.isNull()) {
                                          pictureWindow_ = new PictureWindow();
                                          pictureWindow_->setAttribute(Qt::WA_DeleteOnClose);
                                      }
                                      pictureWindow_->show();
                                      pictureWindow_->raise();
                                      // A file that is no picture leaves the window with its
                                      // picture and the new caption.
                                      pictureWindow_->LoadPictureFile(path);
                                      pictureWindow_->setWindowTitle(path);
                                  });
}

void DisplayController::Command7_Click() {
    openPicture(0);
}

void DisplayController::menuopenpaint_Click() {
    openPicture(1);
}

PictureWindow* DisplayController::pictureWindow() const {
    return pictureWindow_.data();
}

void DisplayController::showDefaults(const KVXmodules::SettingsRecord& record) {
    showLoaded(record);
}

void DisplayController::showLoaded(const KVXmodules::SettingsRecord& record) {
    // Selecting an option from code runs its click handler, unless it is selected already.
    services_.phaseStatus[KVXmodules::IsSet(record.PhaseTuneStatus) ? 0 : 1]->setChecked(true);
}
