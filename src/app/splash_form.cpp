#include "app/splash_form.h"

#include <QFrame>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>

#include "app/design_scale.h"
#include "app/glyphs.h"
#include "device/version.h"

namespace vantrel {

namespace {

// The splash was drawn 207 x 199 pixels at the design text size; it grows with the font.
constexpr double kDesignWidth = 207;
constexpr double kDesignHeight = 199;
constexpr double kPictureHeightShare = 0.4;

QLabel* Line(const QString& text, const char* name, int pointDelta, bool bold) {
    auto* label = new QLabel(text);
    label->setObjectName(QString::fromLatin1(name));
    label->setAlignment(Qt::AlignCenter);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() + pointDelta);
    font.setBold(bold);
    label->setFont(font);
    return label;
}

QFrame* Rule() {
    auto* rule = new QFrame;
    rule->setFrameShape(QFrame::HLine);
    rule->setFrameShadow(QFrame::Sunken);
    return rule;
}

}  // namespace

TSplashForm::TSplashForm(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("SplashForm"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    auto* frame = new QFrame(this);
    frame->setFrameShape(QFrame::Panel);
    frame->setFrameShadow(QFrame::Raised);
    frame->setLineWidth(2);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(frame);

    const double scale = DesignScale(font());
    const QSize size(static_cast<int>(kDesignWidth * std::max(scale, 1.0)),
                     static_cast<int>(kDesignHeight * std::max(scale, 1.0)));
    auto* picture = new QLabel;
    picture->setObjectName(QStringLiteral("SplashPicture"));
    picture->setAlignment(Qt::AlignCenter);
    const int pictureHeight = static_cast<int>(size.height() * kPictureHeightShare);
    picture->setPixmap(ChipPicture(pictureHeight * 3 / 2, pictureHeight, devicePixelRatioF()));

    auto* layout = new QVBoxLayout(frame);
    layout->addWidget(Line(QStringLiteral("Vantrel"), "SplashTitle", 4, true));
    layout->addWidget(
        Line(QStringLiteral("32 Bit Vantrel Version ") + QString::fromLatin1(kVantrelVersion),
             "SplashVersion", 0, false));
    layout->addWidget(Rule());
    layout->addWidget(picture, 1);
    layout->addWidget(Rule());
    layout->addWidget(
        Line(QStringLiteral("PIC programmer for the parallel port"), "SplashCredit1", -1, false));
    layout->addWidget(
        Line(QStringLiteral("Built with Qt and QScintilla"), "SplashCredit2", -1, false));
    setFixedSize(size.expandedTo(sizeHint()));
    if (const QScreen* screen = this->screen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
}

}  // namespace vantrel
