#include "help/quick_guide_window.h"

#include <QCloseEvent>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QPixmap>
#include <array>

#include "platform/artwork.h"
#include "platform/modeless_window.h"

// The pictures are resources of this static library: registered by hand, as the linker would
// otherwise leave their registration out.
static void RegisterGuidePictures() {
    Q_INIT_RESOURCE(quick_guide);
}

namespace guide {

namespace {

constexpr std::array<const char16_t*, 11> kFrequencies{u"1838 KHz",
                                                       u"3580 KHz",
                                                       u"7035 KHz && 7080 KHz for region 2 *",
                                                       u"10142 KHz",
                                                       u"14070 KHz",
                                                       u"18100 KHz",
                                                       u"21070 KHz && 21080 KHz",
                                                       u"24920 KHz",
                                                       u"28120 KHz",
                                                       u"50290 KHz",
                                                       u"144150 KHz"};

}  // namespace

QString FrequencyList() {
    QString list;
    for (const char16_t* line : kFrequencies) {
        list += QString::fromUtf16(line) + QStringLiteral("\r\n");
    }
    return list;
}

QString ShownCaption(const QString& caption) {
    QString shown;
    shown.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        const QChar c = caption[i];
        if (c == u'&' && i + 1 < caption.size()) {
            shown += caption[++i];  // "&&" is "&"; "&x" is an underlined x
        } else if (c == u'\r' && i + 1 < caption.size() && caption[i + 1] == u'\n') {
            shown += u'\n';
            ++i;
        } else {
            shown += c;
        }
    }
    return shown;
}

}  // namespace guide

QuickGuideWindow::QuickGuideWindow(QWidget* parent) : QWidget(parent) {
    RegisterGuidePictures();
    platform::SetUpModelessWindow(*this, QStringLiteral("Form5"),
                                  QStringLiteral("Quick PSK-Guide"));

    const auto label = [this](const QString& text) {
        auto* l = new QLabel(text, this);
        l->setWordWrap(true);
        return l;
    };
    const auto picture = [this](const QPixmap& pixmap) {
        auto* l = new QLabel(this);
        l->setPixmap(pixmap);
        l->setFrameShape(QFrame::Panel);
        l->setFrameShadow(QFrame::Sunken);
        l->setFixedSize(l->sizeHint());
        return l;
    };
    Label1 = label(QStringLiteral("This is how PSK-signals could look like:"));
    Image2 = picture(QPixmap(QStringLiteral(":/guide/guide_band.png")));
    Label2 = label(QStringLiteral("The thick 'stripes' are the stations transmitting PSK"));
    Line1 = new QFrame(this);
    Line1->setFrameShape(QFrame::HLine);
    Line1->setFrameShadow(QFrame::Sunken);
    Label5 = label(QStringLiteral("And this is how a picture sent through the waterfall looks:"));
    Image3 = picture(QPixmap(QStringLiteral(":/guide/guide_letters.png")));
    Label7 = label(QStringLiteral(
        "Some programs send call signs and small pictures this way: a tone for every bright dot, "
        "row after row, so that the scrolling waterfall draws them. Such a picture is as wide as "
        "many PSK signals side by side; it carries no text for the decoder."));
    Label3 = label(QStringLiteral("PSK-31 Frequencies"));
    QFont heading = Label3->font();
    heading.setBold(true);
    Label3->setFont(heading);
    Label4 = new QLabel(this);
    Label4->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Image1 = new QLabel(this);
    Image1->setPixmap(artwork::ApplicationIcon().pixmap(96, 96));
    Image1->setAlignment(Qt::AlignCenter);
    auto* note = label(QStringLiteral("* Region 2: North and South America"));

    const int pictureWidth = Image2->width();
    for (QLabel* l : {Label1, Label2, Label5, Label7}) {
        l->setMaximumWidth(pictureWidth);
    }
    auto* grid = new QGridLayout(this);
    grid->setSizeConstraint(QLayout::SetFixedSize);
    grid->setHorizontalSpacing(24);
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(Image2, 1, 0);
    grid->addWidget(Label2, 2, 0);
    grid->addWidget(Line1, 3, 0, 1, 2);
    grid->addWidget(Label5, 4, 0);
    grid->addWidget(Image3, 5, 0);
    grid->addWidget(Label7, 6, 0);
    grid->addWidget(Label3, 0, 1);
    grid->addWidget(Label4, 1, 1);
    grid->addWidget(note, 2, 1, Qt::AlignTop);
    grid->addWidget(Image1, 5, 1, 2, 1);
    Form_Load();
}

void QuickGuideWindow::Form_Load() {
    frequencyCaption_ = guide::FrequencyList();
    Label4->setText(guide::ShownCaption(frequencyCaption_));
}

void QuickGuideWindow::closeEvent(QCloseEvent* event) {
    unloaded_ = true;
    event->accept();
}
