#include "ui/main/Icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <cmath>

namespace {
const QColor Paper(250, 250, 245);
const QColor Ink(40, 60, 110);
const QColor Accent(220, 120, 30);

// Two overlapping sheets: a file and its copy.
void drawSheets(QPainter &p, qreal size) {
  const qreal u = size / 16.0;
  p.setPen(QPen(Ink, std::max<qreal>(1.0, u)));
  p.setBrush(Paper);
  p.drawRect(QRectF(1.5 * u, 1.5 * u, 8 * u, 10 * u));
  p.setBrush(QColor(225, 235, 250));
  p.drawRect(QRectF(5.5 * u, 4.5 * u, 8 * u, 10 * u));
  p.setPen(QPen(Ink.lighter(150), std::max<qreal>(1.0, u * 0.8)));
  for (int line = 0; line < 3; ++line)
    p.drawLine(QPointF(7.5 * u, (7.5 + 2 * line) * u), QPointF(11.5 * u, (7.5 + 2 * line) * u));
}

// A clear square to paint a picture on.
QPixmap canvas(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  return pixmap;
}

QPixmap programPixmap(int size) {
  QPixmap pixmap = canvas(size);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  drawSheets(p, size);
  return pixmap;
}

void drawBox(QPainter &p, const QRectF &r, bool checked) {
  p.setPen(QPen(Ink, 1));
  p.setBrush(Paper);
  p.drawRect(r);
  if (checked) {
    p.setPen(QPen(QColor(20, 130, 40), 1.6));
    p.drawPolyline(
        QPolygonF({QPointF(r.left() + 1.5, r.center().y()), QPointF(r.center().x() - 0.5, r.bottom() - 1.5),
                   QPointF(r.right() - 1, r.top() + 1.5)}));
  }
}
} // namespace

QIcon ProgramIcon() {
  QIcon icon;
  for (int size : {16, 24, 32, 48, 64})
    icon.addPixmap(programPixmap(size));
  return icon;
}

QList<QIcon> TrayFrames() {
  QList<QIcon> frames;
  for (int frame = 0; frame < TrayFrameCount; ++frame) {
    QPixmap pixmap = canvas(TrayFrameSize);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    drawSheets(p, TrayFrameSize);
    // A dot travelling round the sheets marks that work goes on.
    const double angle = 2 * M_PI * frame / TrayFrameCount - M_PI / 2;
    const QPointF centre(8 + 5.5 * std::cos(angle), 8 + 5.5 * std::sin(angle));
    p.setPen(Qt::NoPen);
    p.setBrush(Accent);
    p.drawEllipse(centre, 2.2, 2.2);
    p.end();
    frames << QIcon(pixmap);
  }
  return frames;
}

namespace {
// The desktop theme's names for the glyphs; our drawing stands in where the theme has none.
const char *ThemeName(TToolbarGlyph Glyph) {
  switch (Glyph) {
  case TToolbarGlyph::Run:
    return "document-open";
  case TToolbarGlyph::Select:
    return "checkbox";
  case TToolbarGlyph::SelectCopies:
    return "edit-copy";
  case TToolbarGlyph::SelectAutomatically:
    return "tools-wizard";
  case TToolbarGlyph::SelectAll:
    return "edit-select-all";
  case TToolbarGlyph::SelectNone:
    return "edit-select-none";
  case TToolbarGlyph::SelectInvert:
    return "edit-select-invert";
  case TToolbarGlyph::Save:
    return "document-save";
  }
  return "";
}
} // namespace

QIcon ToolbarIcon(TToolbarGlyph Glyph) {
  return QIcon::fromTheme(QLatin1String(ThemeName(Glyph)), DrawnToolbarIcon(Glyph));
}

QIcon DrawnToolbarIcon(TToolbarGlyph Glyph) {
  QPixmap pixmap = canvas(16);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  switch (Glyph) {
  case TToolbarGlyph::Run: {
    p.setPen(QPen(Ink, 1));
    p.setBrush(Paper);
    p.drawRect(QRectF(2.5, 1.5, 9, 12));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(20, 130, 40));
    p.drawPolygon(QPolygonF({QPointF(8, 7), QPointF(15, 11), QPointF(8, 15)}));
    break;
  }
  case TToolbarGlyph::Select:
    drawBox(p, QRectF(3.5, 3.5, 9, 9), true);
    break;
  case TToolbarGlyph::SelectCopies:
    drawBox(p, QRectF(1.5, 1.5, 7, 7), false);
    drawBox(p, QRectF(7.5, 7.5, 7, 7), true);
    break;
  case TToolbarGlyph::SelectAutomatically: {
    drawBox(p, QRectF(1.5, 6.5, 8, 8), true);
    p.setPen(QPen(Accent, 1.5));
    p.drawLine(QPointF(9, 7), QPointF(14.5, 1.5));
    p.drawLine(QPointF(12, 1.5), QPointF(14.5, 4));
    break;
  }
  case TToolbarGlyph::SelectAll:
    drawBox(p, QRectF(1.5, 1.5, 6, 6), true);
    drawBox(p, QRectF(8.5, 8.5, 6, 6), true);
    break;
  case TToolbarGlyph::SelectNone:
    drawBox(p, QRectF(1.5, 1.5, 6, 6), false);
    drawBox(p, QRectF(8.5, 8.5, 6, 6), false);
    break;
  case TToolbarGlyph::SelectInvert:
    drawBox(p, QRectF(1.5, 1.5, 6, 6), true);
    drawBox(p, QRectF(8.5, 8.5, 6, 6), false);
    break;
  case TToolbarGlyph::Save: {
    p.setPen(QPen(Ink, 1));
    p.setBrush(QColor(90, 120, 190));
    p.drawRect(QRectF(1.5, 1.5, 13, 13));
    p.setBrush(Paper);
    p.drawRect(QRectF(4.5, 1.5, 7, 5));
    p.drawRect(QRectF(3.5, 9.5, 9, 5));
    break;
  }
  }
  p.end();
  return QIcon(pixmap);
}

QIcon HelpIcon() {
  QIcon icon;
  for (int size : {16, 24, 32}) {
    QPixmap pixmap = canvas(size);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 100, 200));
    p.drawEllipse(QRectF(0.5, 0.5, size - 1, size - 1));
    QFont f = p.font();
    f.setBold(true);
    f.setPixelSize(size * 3 / 4);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRect(0, 0, size, size), Qt::AlignCenter, QStringLiteral("?"));
    p.end();
    icon.addPixmap(pixmap);
  }
  return icon;
}
