// MainWindow's layout: the normal layout that follows the window's size, and the two screen modes.

#include <QGroupBox>
#include <QPlainTextEdit>
#include <QRadioButton>

#include "mainwindow/layout.h"
#include "mainwindow/main_window.h"
#include "platform/image_box.h"
#include "platform/picture_box.h"
#include "settings/settings_record.h"

namespace {

void SetLeft(QWidget* widget, int left) {
    widget->move(left, widget->y());
}
void SetTop(QWidget* widget, int top) {
    widget->move(widget->x(), top);
}
void SetWidth(QWidget* widget, int width) {
    widget->resize(width, widget->height());
}
void SetHeight(QWidget* widget, int height) {
    widget->resize(widget->width(), height);
}

}  // namespace

void MainWindow::Form_Resize() {
    // A resize always returns to the normal screen.
    if (Option5->isChecked()) {
        Option4->setChecked(true);
    }

    const QSize size = clientSize();
    const int w = size.width();
    const int h = size.height();
    // A minimised window counts as one too small to lay out.
    if (!isMinimized() && layout::NormalLayoutApplies(outerWidthTwips(), outerHeightTwips())) {
        const layout::NormalLayout l = layout::ComputeNormalLayout(w, h);
        SetWidth(Text1, l.text1Width);
        SetLeft(Frame1, l.frame1Left);
        SetLeft(Frame7, l.frame1Left);
        SetLeft(Frame2, l.rightColumnLeft);
        SetLeft(Frame3, l.rightColumnLeft);
        SetLeft(Picture3, l.rightColumnLeft);
        SetTop(Frame4, l.frame4Top);
        SetTop(Frame5, l.frame5Top);
        SetTop(Frame6, l.frame4Top);
        SetTop(Picture1, l.picture1Top);
        SetTop(Picture2, l.picture2Top);
        SetTop(Label1, l.scaleLabelTop);
        SetTop(Label3, l.scaleLabelTop);
        SetTop(Image1, l.image1Top);
        SetTop(Image2, l.image2Top);
        SetHeight(Text1, l.text1Height);
        SetTop(Label5, l.label5Top);
    }

    if (KVXmodules::IsSet(settings.BackgroundSkin)) {
        const layout::Position p =
            layout::BackgroundPosition(w, h, img_Background->width(), img_Background->height());
        img_Background->move(p.left, p.top);
    }
}

void MainWindow::Option4_Click() {
    const layout::NormalScreen s = layout::ComputeNormalScreen(clientSize().height());
    SetTop(Picture1, s.picture1Top);
    SetTop(Picture2, s.picture2Top);
    SetTop(Label1, s.scaleLabelTop);
    SetTop(Label3, s.scaleLabelTop);
    SetTop(Image1, s.image1Top);
    SetTop(Image2, s.image2Top);
    // Back beneath the text and the waterfall, where its pointer shows on the strip between them.
    Image2->stackUnder(Label1);
    SetHeight(Text1, s.text1Height);
    settings.WaterfallHeight = s.values.WaterfallHeight;
    settings.TextHeight = s.values.TextHeight;
    settings.WaterfallTop = s.values.WaterfallTop;
    SetHeight(Picture1, s.picture1Height);
    settings.ScreenSet = 0;
}

void MainWindow::Option5_Click() {
    const layout::LargeWaterfallScreen s =
        layout::ComputeLargeWaterfallScreen(clientSize().height());
    settings.WaterfallHeight = s.values.WaterfallHeight;
    settings.WaterfallTop = s.values.WaterfallTop;
    settings.TextHeight = s.values.TextHeight;
    SetHeight(Text1, s.text1Height);
    SetTop(Picture1, s.picture1Top);
    SetHeight(Picture1, s.picture1Height);
    SetTop(Image1, s.image1Top);
    SetTop(Label1, s.scaleLabelTop);
    SetTop(Label3, s.scaleLabelTop);
    // The waterfall now covers the strip's old place: the marker moves onto the strip and
    // above the waterfall, so that the operator still sees which trace is tuned.
    SetTop(Image2, layout::MarkerTopOnStrip(s.image1Top));
    Image2->raise();
    settings.ScreenSet = 1;
}
