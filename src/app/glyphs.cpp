#include "app/glyphs.h"

#include <QPainter>
#include <QPainterPath>

namespace vantrel {

namespace {

// Glyphs are drawn on a 16 x 16 grid and scaled to the icon's size.
constexpr qreal kGrid = 16.0;
constexpr int kIconSizes[] = {16, 24, 32, 48};

const QColor kInk(40, 40, 40);
const QColor kPaper(255, 255, 255);
const QColor kFolder(230, 190, 80);
const QColor kDisk(60, 90, 160);
const QColor kMetal(180, 180, 190);
const QColor kAccent(200, 60, 50);
const QColor kInfo(40, 110, 200);

void Page(QPainter& p, qreal x, qreal y, qreal w, qreal h) {
    QPainterPath page;
    const qreal fold = 3;
    page.moveTo(x, y);
    page.lineTo(x + w - fold, y);
    page.lineTo(x + w, y + fold);
    page.lineTo(x + w, y + h);
    page.lineTo(x, y + h);
    page.closeSubpath();
    p.setBrush(kPaper);
    p.drawPath(page);
    p.drawLine(QPointF(x + w - fold, y), QPointF(x + w - fold, y + fold));
    p.drawLine(QPointF(x + w - fold, y + fold), QPointF(x + w, y + fold));
}

void Disk(QPainter& p) {
    p.setBrush(kDisk);
    p.drawRect(QRectF(1.5, 1.5, 13, 13));
    p.setBrush(kPaper);
    p.drawRect(QRectF(4, 1.5, 8, 5));
    p.setBrush(kMetal);
    p.drawRect(QRectF(4.5, 9.5, 7, 5));
}

void DrawGlyph(QPainter& p, TGlyph glyph) {
    p.setPen(QPen(kInk, 1.0));
    switch (glyph) {
        case TGlyph::New:
            Page(p, 3.5, 1.5, 9, 13);
            break;
        case TGlyph::Open: {
            p.setBrush(kFolder.darker(115));
            p.drawRect(QRectF(1.5, 3.5, 6, 2));
            p.setBrush(kFolder);
            QPainterPath front;
            front.moveTo(1.5, 5.5);
            front.lineTo(14.5, 5.5);
            front.lineTo(14.5, 13.5);
            front.lineTo(1.5, 13.5);
            front.closeSubpath();
            p.drawPath(front);
            break;
        }
        case TGlyph::Save:
            Disk(p);
            break;
        case TGlyph::SaveAs:
            Disk(p);
            p.setPen(QPen(kAccent, 2.0, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(9, 13), QPointF(14.5, 7.5));
            break;
        case TGlyph::Cut:
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(QRectF(2, 10, 4, 4));
            p.drawEllipse(QRectF(10, 10, 4, 4));
            p.setPen(QPen(kInk, 1.3));
            p.drawLine(QPointF(5.5, 10.5), QPointF(11, 1.5));
            p.drawLine(QPointF(10.5, 10.5), QPointF(5, 1.5));
            break;
        case TGlyph::Copy:
            Page(p, 1.5, 1.5, 8, 10);
            Page(p, 6.5, 4.5, 8, 10);
            break;
        case TGlyph::Paste:
            p.setBrush(kFolder);
            p.drawRoundedRect(QRectF(2.5, 2.5, 10, 12), 1, 1);
            p.setBrush(kMetal);
            p.drawRect(QRectF(5.5, 1.5, 4, 2.5));
            Page(p, 7.5, 6.5, 7, 8);
            break;
        case TGlyph::About: {
            p.setBrush(kInfo);
            p.setPen(Qt::NoPen);
            p.drawEllipse(QRectF(1, 1, 14, 14));
            p.setBrush(kPaper);
            p.drawEllipse(QRectF(7, 3.5, 2, 2));
            p.drawRect(QRectF(7, 6.5, 2, 6));
            break;
        }
    }
}

}  // namespace

QIcon GlyphIcon(TGlyph glyph) {
    QIcon icon;
    for (const int size : kIconSizes) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(size / kGrid, size / kGrid);
        DrawGlyph(painter, glyph);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

QPixmap ChipPicture(int width, int height, qreal devicePixelRatio) {
    QPixmap pixmap(QSize(width, height) * devicePixelRatio);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    // The socket, then an 18-pin chip in it with its pins and the notch at pin 1.
    const QRectF socket(width * 0.12, height * 0.10, width * 0.76, height * 0.80);
    p.setPen(QPen(kInk, 1.0));
    p.setBrush(QColor(70, 120, 70));
    p.drawRoundedRect(socket, 4, 4);
    const QRectF body(width * 0.30, height * 0.18, width * 0.40, height * 0.64);
    constexpr int kPinsPerSide = 9;
    const qreal pitch = body.height() / kPinsPerSide;
    p.setBrush(kMetal);
    for (int pin = 0; pin < kPinsPerSide; ++pin) {
        const qreal y = body.top() + pitch * (pin + 0.3);
        p.drawRect(QRectF(body.left() - width * 0.06, y, width * 0.06, pitch * 0.4));
        p.drawRect(QRectF(body.right(), y, width * 0.06, pitch * 0.4));
    }
    p.setBrush(QColor(35, 35, 35));
    p.drawRoundedRect(body, 2, 2);
    p.setBrush(QColor(90, 90, 90));
    p.drawEllipse(QPointF(body.center().x(), body.top()), body.width() * 0.12, body.width() * 0.12);
    p.setPen(QColor(220, 220, 220));
    QFont font = p.font();
    font.setPixelSize(qMax(8, static_cast<int>(body.width() * 0.18)));
    p.setFont(font);
    p.save();
    p.translate(body.center());
    p.rotate(-90);
    p.drawText(QRectF(-body.height() / 2, -body.width() / 2, body.height(), body.width()),
               Qt::AlignCenter, QStringLiteral("PIC"));
    p.restore();
    return pixmap;
}

}  // namespace vantrel
