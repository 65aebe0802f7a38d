// MainWindow's display path: the display tick (waterfall line, phase indicator, quality bar,
// frequency marker and read-out), the clock, the indicator switch, the waterfall palettes'
// menu items, and tuning by mouse with its read-outs.
//
// Each display tick repaints only what it changed: the waterfall's drawable area, and the
// indicator, the bar, the marker and the labels when their values moved.

#include <QAction>
#include <QCheckBox>
#include <QCursor>
#include <QMenu>
#include <QPainter>
#include <QRadioButton>
#include <QTime>

#include "mainwindow/main_window.h"
#include "platform/form_timer.h"
#include "platform/image_box.h"
#include "platform/picture_box.h"
#include "platform/psk_engine.h"
#include "platform/twips.h"
#include "receiver/display.h"
#include "receiver/startup.h"
#include "settings/settings_record.h"

namespace {

constexpr QRgb kSpokeColour = qRgb(0, 255, 0);

void SetText(QLabel& label, const QString& text) {
    if (label.text() != text) {
        label.setText(text);
    }
}

}  // namespace

void MainWindow::connectDisplayHandlers() {
    connect(Picture1, &platform::PictureBox::mouseDown, this, &MainWindow::Picture1_MouseDown);
    connect(Picture1, &platform::PictureBox::mouseMove, this, &MainWindow::Picture1_MouseMove);
    connect(Picture1, &platform::PictureBox::mouseUp, this, &MainWindow::Picture1_MouseUp);
    // The scale strip reports its positions in twips.
    connect(Image1, &platform::ImageBox::mouseMove, this,
            [this](Qt::MouseButtons button, Qt::KeyboardModifiers shift, int x, int y) {
                Image1_MouseMove(button, shift, platform::PixelsToTwips(x),
                                 platform::PixelsToTwips(y));
            });
    connect(menuwaterfallcol1, &QAction::triggered, this, &MainWindow::menuwaterfallcol1_Click);
    connect(menuwaterfallcol2, &QAction::triggered, this, &MainWindow::menuwaterfallcol2_Click);
    connect(menuwaterfallcol3, &QAction::triggered, this, &MainWindow::menuwaterfallcol3_Click);
}

// ---- display tick ----

void MainWindow::Timer1_Timer() {
    if (!waterfallHalted()) {
        drawWaterfallLine();
    }
    if (PhaseStatus[0]->isChecked()) {
        drawPhaseIndicator();
    }
    drawQualityBar();
    showActiveFrequency();
    Timer1->setEnabled(false);
}

void MainWindow::drawWaterfallLine() {
    platform::PictureBox& box = *Picture1;
    box.setPictureFromImage();
    QImage& image = box.imageForOverwrite();
    display_.waterfall.scroll(
        box.picture(), image,
        receiver::ScrollTargetHeight(settings.WaterfallHeight, settings.WaterfallSpectrumSpeed));
    display_.waterfall.drawLine(image, receiverBuffers.FFTData, box.width(),
                                settings.WaterfallRedOffset, settings.WaterfallBlueOffset);
    box.update(box.innerRect());
}

void MainWindow::drawPhaseIndicator() {
    std::array<std::int32_t, platform::kVectorDataSize>& vector = receiverBuffers.VectorData;
    engine.fnGetVectorData(vector.data(), 0);
    if (display_.indicatorVector == vector) {
        return;  // the spokes stand as they are drawn
    }
    // The background picture wipes the previous spokes.
    Radars->setPicture(Radar_Pic->picture());
    {
        QPainter painter(&Radars->image());
        painter.setPen(QColor(kSpokeColour));
        for (const QLineF& spoke : receiver::PhaseSpokes(vector)) {
            painter.drawLine(spoke);
        }
    }
    display_.indicatorVector = vector;
}

void MainWindow::drawQualityBar() {
    const std::int32_t quality = receiverBuffers.SignalQuality;
    SetText(*Label6, receiver::QualityText(quality));
    if (display_.barQuality == quality && display_.barSize == Picture2->size()) {
        return;  // the bar shows this already
    }
    Picture2->clear();
    QImage& image = Picture2->image();
    const receiver::QualityBox box = receiver::QualityBarBox(quality, Picture2->height());
    // From the top row down to the bar's bottom right corner, clipped to the bar.
    const QRect filled =
        QRect(QPoint(0, box.firstRow), QPoint(Picture2->width(), Picture2->height())) &
        QRect(QPoint(0, 0), image.size());
    if (!filled.isEmpty()) {
        QPainter painter(&image);
        painter.fillRect(filled, QColor(box.colour));
    }
    display_.barQuality = quality;
    display_.barSize = Picture2->size();
}

void MainWindow::showActiveFrequency() {
    const std::int32_t frequency = receiverBuffers.ActiveFrequency;
    const int left = receiver::MarkerLeftPixels(frequency);
    if (Image2->x() != left) {
        Image2->move(left, Image2->y());
    }
    SetText(*Label9, receiver::ActiveFrequencyText(frequency));
}

// ---- clock, indicator switch, palettes ----

void MainWindow::Timer3_Timer() {
    Label4->setText(QTime::currentTime().toString(QStringLiteral("HH:mm:ss")));
}

void MainWindow::PhaseStatus_Click(int index) {
    settings.PhaseTuneStatus = index == 0 ? KVXmodules::kFlagSet : KVXmodules::kFlagClear;
}

void MainWindow::menuwaterfallcol1_Click() {
    WaterfallColors(0);
}

void MainWindow::menuwaterfallcol2_Click() {
    WaterfallColors(1);
}

void MainWindow::menuwaterfallcol3_Click() {
    WaterfallColors(2);
}

// ---- tuning by mouse ----

void MainWindow::Picture1_MouseDown(Qt::MouseButton /*button*/, Qt::KeyboardModifiers /*shift*/,
                                    int x, int /*y*/) {
    const std::int32_t frequency = receiver::ClickFrequency(x);
    tuning().tune(frequency);
}

void MainWindow::Picture1_MouseMove(Qt::MouseButtons /*button*/, Qt::KeyboardModifiers /*shift*/,
                                    int x, int /*y*/) {
    SetText(*Label7, receiver::PointerFrequencyText(x));
}

void MainWindow::Picture1_MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers /*shift*/,
                                  int /*x*/, int /*y*/) {
    // Clearing "Stop Decode" runs its click handler, which resumes decoding.
    Check1->setChecked(false);
    if (button == Qt::RightButton) {
        menuwaters->popup(QCursor::pos());
    }
}

void MainWindow::Image1_MouseMove(Qt::MouseButtons /*button*/, Qt::KeyboardModifiers /*shift*/,
                                  double x, double /*y*/) {
    const QString text = receiver::ScaleFrequencyText(x);
    Image1->setToolTip(text);
    SetText(*Label7, text);
}
