// Form1's layout: the normal layout that follows the window's size, and the two screen modes.

#include <QGroupBox>
#include <QPlainTextEdit>
#include <QRadioButton>

#include "mainwindow/form1.h"
#include "mainwindow/layout.h"
#include "platform/image_box.h"
#include "platform/picture_box.h"
#include "settings/settings_record.h"

namespace {

void setLeft(QWidget* widget, int left) {
    widget->move(left, widget->y());
}
void setTop(QWidget* widget, int top) {
    widget->move(widget->x(), top);
}
void setWidth(QWidget* widget, int width) {
    widget->resize(width, widget->height());
}
void setHeight(QWidget* widget, int height) {
    widget->resize(widget->width(), height);
}

}  // namespace

void Form1::Form_Resize() {
    // A resize always returns to the normal screen.
    if (Option5->isChecked()) {
        Option4->setChecked(true);
    }

    const QSize size = clientSize();
    const int w = size.width();
    const int h = size.height();
    // A minimised window counts as one too small to lay out.
    if (!isMinimized() && layout::normalLayoutApplies(outerWidthTwips(), outerHeightTwips())) {
        const layout::NormalLayout l = layout::normalLayout(w, h);
        setWidth(Text1, l.text1Width);
        setLeft(Frame1, l.frame1Left);
        setLeft(Frame7, l.frame1Left);
        setLeft(Frame2, l.rightColumnLeft);
        setLeft(Frame3, l.rightColumnLeft);
        setLeft(Picture3, l.rightColumnLeft);
        setTop(Frame4, l.frame4Top);
        setTop(Frame5, l.frame5Top);
        setTop(Frame6, l.frame4Top);
        setTop(Picture1, l.picture1Top);
        setTop(Picture2, l.picture2Top);
        setTop(Label1, l.scaleLabelTop);
        setTop(Label3, l.scaleLabelTop);
        setTop(Image1, l.image1Top);
        setTop(Image2, l.image2Top);
        setHeight(Text1, l.text1Height);
        setTop(Label5, l.label5Top);
    }

    if (KVXmodules::isSet(settings.BackgroundSkin)) {
        const layout::Position p =
            layout::backgroundPosition(w, h, img_Background->width(), img_Background->height());
        img_Background->move(p.left, p.top);
    }
}

void Form1::Option4_Click() {
    const layout::NormalScreen s = layout::normalScreen(clientSize().height());
    setTop(Picture1, s.picture1Top);
    setTop(Picture2, s.picture2Top);
    setTop(Label1, s.scaleLabelTop);
    setTop(Label3, s.scaleLabelTop);
    setTop(Image1, s.image1Top);
    setTop(Image2, s.image2Top);
    setHeight(Text1, s.text1Height);
    settings.WaterfallHeight = s.values.WaterfallHeight;
    settings.TextHeight = s.values.TextHeight;
    settings.WaterfallTop = s.values.WaterfallTop;
    setHeight(Picture1, s.picture1Height);
    settings.ScreenSet = 0;
}

void Form1::Option5_Click() {
    const layout::LargeWaterfallScreen s = layout::largeWaterfallScreen(clientSize().height());
    settings.WaterfallHeight = s.values.WaterfallHeight;
    settings.WaterfallTop = s.values.WaterfallTop;
    settings.TextHeight = s.values.TextHeight;
    setHeight(Text1, s.text1Height);
    setTop(Picture1, s.picture1Top);
    setHeight(Picture1, s.picture1Height);
    setTop(Image1, s.image1Top);
    setTop(Label1, s.scaleLabelTop);
    setTop(Label3, s.scaleLabelTop);
    settings.ScreenSet = 1;
}
