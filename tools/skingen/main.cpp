// SPDX-License-Identifier: GPL-3.0-or-later
// Skin generator: draws the main window and dialog backgrounds (PNG and BMP, for embedding) and
// every button bitmap of the skin's layout (24-bit BMP, Skin/<left>_<top>_<state>.bmp), then the
// stamp skin.drawn beside the backgrounds.
// Usage: rz_skingen <art folder> <skin folder>
//        rz_skingen --icon <size> <file.png>   (the program's icon, <size> pixels square)
#include <QFile>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>
#include <functional>

#include "Glyphs.h"
#include "Icon.h"
#include "Painting.h"
#include "skin/Layout.h"

using namespace skingen;

namespace {

const QColor kGreen(0, 255, 0);
const QColor kMagenta(255, 0, 255);

enum class State { Normal = 1, Hover = 2, Pressed = 3, Disabled = 4 };

// ---------------------------------------------------------------- main window background

QPainterPath MainBodyPath() {
  // Columns 24 to 558, rows 20 to 238; the top edge is an arc that peaks at row 20.
  const qreal l = 24, r = 559, b = 239, side = 31, rad = 16;
  QPainterPath p;
  p.moveTo(l, side + 8);
  p.quadTo(l, side, l + 9, side - 1);
  p.quadTo((l + r) / 2, 10, r - 9, side - 1);  // peak of the arc: row 20
  p.quadTo(r, side, r, side + 8);
  p.lineTo(r, b - rad);
  p.quadTo(r, b, r - rad, b);
  p.lineTo(l + rad, b);
  p.quadTo(l, b, l, b - rad);
  p.closeSubpath();
  return p;
}

void Panel(QPainter& p, const QRectF& r) {
  p.setPen(QPen(kPanelLine, 1));
  QLinearGradient g(r.topLeft(), r.bottomLeft());
  g.setColorAt(0, kPanel);
  g.setColorAt(1, QColor(0x12, 0x16, 0x1E));
  p.setBrush(g);
  p.drawRoundedRect(r, 5, 5);
}

QImage MainBackground() {
  QImage img = Canvas(580, 262);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  const QPainterPath body = MainBodyPath();

  QLinearGradient fill(0, 20, 0, 239);
  fill.setColorAt(0, kBodyTop);
  fill.setColorAt(1, kBodyBottom);
  p.fillPath(body, fill);

  // Header band with a soft sheen, then the accent rule below it.
  p.save();
  p.setClipPath(body);
  QLinearGradient sheen(0, 20, 0, 70);
  sheen.setColorAt(0, QColor(255, 255, 255, 40));
  sheen.setColorAt(1, QColor(255, 255, 255, 0));
  p.fillRect(QRectF(24, 18, 536, 52), sheen);
  QLinearGradient rule(40, 0, 544, 0);
  rule.setColorAt(0, QColor(kAccent.red(), kAccent.green(), kAccent.blue(), 0));
  rule.setColorAt(0.15, kAccent);
  rule.setColorAt(0.85, kAccent);
  rule.setColorAt(1, QColor(kAccent.red(), kAccent.green(), kAccent.blue(), 0));
  p.fillRect(QRectF(36, 68, 510, 2), rule);
  // Footer band.
  p.fillRect(QRectF(24, 206, 536, 34), QColor(0, 0, 0, 70));
  p.fillRect(QRectF(24, 206, 536, 1), QColor(255, 255, 255, 22));
  p.restore();

  // Frame, inside the body so that no frame pixel lies on the key colour.
  p.save();
  p.setClipPath(body);
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(QColor(0x6B, 0x75, 0x86), 3.2));
  p.drawPath(body);
  p.restore();

  // Product mark.
  p.setFont(SkinFont(22, true));
  p.setPen(kText);
  p.drawText(QPointF(44, 52), QStringLiteral("RZ"));
  const qreal rzWidth = QFontMetricsF(SkinFont(22, true)).horizontalAdvance(QStringLiteral("RZ"));
  p.setPen(kAccent);
  p.drawText(QPointF(44 + rzWidth, 52), QStringLiteral("FLASH"));
  p.setFont(SkinFont(10));
  p.setPen(kCaption);
  p.drawText(QPointF(186, 51), QStringLiteral("VGA BIOS backup & update utility"));

  // Card information panel: captions left of the yellow labels at (155,95) and (155,126).
  Panel(p, QRectF(36.5, 82.5, 310, 72));
  p.setPen(QColor(0x2A, 0x31, 0x3D));
  p.drawLine(QPointF(46, 118.5), QPointF(336, 118.5));
  p.setFont(SkinFont(11, true));
  p.setPen(kCaption);
  const QRectF cap1(46, 94, 102, 16), cap2(46, 125, 102, 16);
  p.drawText(cap1, Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("BIOS Version:"));
  p.drawText(cap2, Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("EEPROM Size:"));

  // Recess behind the command buttons at (361,85) to (544,160).
  Panel(p, QRectF(356.5, 80.5, 193, 85));

  // Status strip behind lStatus at (43,177).
  Panel(p, QRectF(36.5, 171.5, 513, 24));
  p.setFont(SkinFont(9, true));
  p.setPen(QColor(0x5C, 0x66, 0x75));
  p.drawText(QRectF(440, 172, 102, 23), Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("STATUS"));

  // Footer advice.
  p.setFont(SkinFont(10));
  p.setPen(kCaption);
  p.drawText(QRectF(40, 208, 504, 26), Qt::AlignCenter,
             QStringLiteral("Back up your BIOS first.  Never turn the computer off while flashing."));
  p.end();
  return Flatten(img, kGreen);
}

// ---------------------------------------------------------------- dialog background

QImage DialogBackground() {
  QImage img = Canvas(330, 109);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF body(9, 7, 312, 93);  // top-left corner at (9,7), 312 x 93
  QPainterPath path;
  path.addRoundedRect(body, 11, 11);
  QLinearGradient fill(0, 7, 0, 100);
  fill.setColorAt(0, QColor(0xF7, 0xF8, 0xFA));
  fill.setColorAt(1, QColor(0xDC, 0xE1, 0xE8));
  p.fillPath(path, fill);
  p.save();
  p.setClipPath(path);
  QLinearGradient bar(9, 0, 321, 0);
  bar.setColorAt(0, kAccentDark);
  bar.setColorAt(0.5, kAccent);
  bar.setColorAt(1, kAccentDark);
  p.fillRect(QRectF(9, 7, 312, 6), bar);
  p.fillRect(QRectF(9, 55, 312, 1), QColor(0, 0, 0, 28));
  p.restore();
  p.setPen(QPen(QColor(0x2B, 0x31, 0x3D), 2));
  p.setBrush(Qt::NoBrush);
  p.drawRoundedRect(body.adjusted(1, 1, -1, -1), 10, 10);
  p.end();
  return Flatten(img, kGreen);
}

// ---------------------------------------------------------------- buttons

struct Look {
  QColor top, bottom, border, text, glyph;
  int shift = 0;  // pressed faces move their content down by one pixel
};

Look LookFor(State s, bool danger = false) {
  switch (s) {
    case State::Normal:
      return {QColor(0x40, 0x48, 0x57), QColor(0x2A, 0x30, 0x3B), QColor(0x5A, 0x64, 0x75), kText,
              kAccent};
    case State::Hover:
      if (danger)
        return {QColor(0xF0, 0x5A, 0x50), QColor(0xC8, 0x32, 0x2A), QColor(0xFF, 0x9A, 0x90),
                Qt::white, Qt::white};
      return {QColor(0x66, 0x71, 0x86), QColor(0x44, 0x4D, 0x5E), kAccent, Qt::white,
              QColor(0xFF, 0xA8, 0x5C)};
    case State::Pressed:
      if (danger)
        return {QColor(0xA8, 0x24, 0x1E), QColor(0xD0, 0x3A, 0x30), QColor(0x70, 0x10, 0x10),
                Qt::white, Qt::white, 1};
      return {kAccentDark, kAccent, QColor(0x8A, 0x3A, 0x00), Qt::white, Qt::white, 1};
    case State::Disabled:
      return {QColor(0x2C, 0x30, 0x37), QColor(0x26, 0x2A, 0x30), QColor(0x3A, 0x3F, 0x47),
              QColor(0x6B, 0x72, 0x7E), QColor(0x5A, 0x60, 0x6A)};
  }
  return {};
}

QImage Button(int w, int h, State state, const QString& caption, const Glyph& glyph,
              bool danger = false, qreal radius = 5) {
  const Look look = LookFor(state, danger);
  QImage img = Canvas(w, h);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF face(1.5, 1.5, w - 3, h - 3);
  QLinearGradient g(0, 0, 0, h);
  g.setColorAt(0, look.top);
  g.setColorAt(1, look.bottom);
  p.setBrush(g);
  p.setPen(QPen(look.border, 1));
  p.drawRoundedRect(face, radius, radius);
  if (state == State::Normal || state == State::Hover) {  // top highlight
    p.setPen(QPen(QColor(255, 255, 255, 45), 1));
    p.drawLine(QPointF(radius + 1, 2.5), QPointF(w - radius - 1, 2.5));
  }
  p.translate(0, look.shift);
  if (caption.isEmpty()) {
    glyph(p, QRectF(0, 0, w, h), look.glyph);
  } else {
    glyph(p, QRectF(8, 0, h, h), look.glyph);
    p.setFont(SkinFont(h >= 26 ? 12 : 11, true));
    p.setPen(look.text);
    p.drawText(QRectF(h + 10, 0, w - h - 16, h), Qt::AlignLeft | Qt::AlignVCenter, caption);
  }
  p.end();
  return Flatten(img, kMagenta);
}

QImage TextButton(int w, int h, State state, const QString& caption) {
  const Look look = LookFor(state);
  QImage img = Canvas(w, h);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient g(0, 0, 0, h);
  g.setColorAt(0, look.top);
  g.setColorAt(1, look.bottom);
  p.setBrush(g);
  p.setPen(QPen(look.border, 1));
  p.drawRoundedRect(QRectF(2.5, 1.5, w - 5, h - 3), 6, 6);
  p.setFont(SkinFont(12, true));
  p.setPen(state == State::Normal ? kText : look.text);
  p.drawText(QRectF(0, look.shift, w, h), Qt::AlignCenter, caption);
  p.end();
  return Flatten(img, kMagenta);
}

bool Save(const QImage& img, const QString& path) {
  const QImage out = img.convertToFormat(QImage::Format_RGB888);
  if (out.save(path)) return true;
  std::fprintf(stderr, "rz_skingen: cannot write %s\n", qPrintable(path));
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  if (argc == 4 && QString::fromLatin1(argv[1]) == QStringLiteral("--icon")) {
    const int size = QString::fromLatin1(argv[2]).toInt();
    if (size < 16 || size > 1024) {
      std::fprintf(stderr, "rz_skingen: icon size must be 16 to 1024\n");
      return 2;
    }
    if (AppIcon(size).save(QString::fromLocal8Bit(argv[3]))) return 0;
    std::fprintf(stderr, "rz_skingen: cannot write %s\n", argv[3]);
    return 1;
  }
  if (argc != 3) {
    std::fprintf(stderr, "usage: rz_skingen <art folder> <skin folder>\n");
    return 2;
  }
  const QString art = QString::fromLocal8Bit(argv[1]);
  const QString skin = QString::fromLocal8Bit(argv[2]);
  // PNG for the Qt resources, 24-bit BMP for the Windows resources.
  const QImage mainBk = MainBackground(), dialogBk = DialogBackground();
  bool ok = mainBk.save(art + "/main_bk.png") && dialogBk.save(art + "/dialog_bk.png") &&
            Save(mainBk, art + "/main_bk.bmp") && Save(dialogBk, art + "/dialog_bk.bmp");
  // The Windows programs' icon.
  ok = AppIcon(48).save(art + "/rzflash.ico", "ICO") && ok;

  // Every image button of the layout, with the faces its bitmaps have.
  auto name = [&](const rz::skin::ImageButtonLayout& b, State s) {
    return QStringLiteral("%1/%2_%3_%4.bmp").arg(skin).arg(b.rect.left).arg(b.rect.top).arg(int(s));
  };
  const State faces[] = {State::Normal, State::Hover, State::Pressed, State::Disabled};
  for (const rz::skin::ImageButtonLayout& b : rz::skin::kMainButtons) {
    const bool title = *b.caption == '\0';
    for (State s : faces) {
      if (s == State::Disabled && !b.ownDisabledFace) continue;
      const QImage face = title ? Button(b.rect.width, b.rect.height, s, QString(), GlyphFor(b),
                                         b.action == rz::skin::Action::Close, 6)
                                : Button(b.rect.width, b.rect.height, s,
                                         QString::fromLatin1(b.caption), GlyphFor(b));
      ok = Save(face, name(b, s)) && ok;
    }
  }
  for (const rz::skin::DialogLayout* d : {&rz::skin::kMessageDialog, &rz::skin::kQuestionDialog})
    for (int i = 0; i < d->buttonCount; ++i) {
      const rz::skin::ImageButtonLayout& b = d->buttons[i];
      for (State s : {State::Normal, State::Hover, State::Pressed})
        ok = Save(TextButton(b.rect.width, b.rect.height, s, QString::fromLatin1(b.caption)),
                  name(b, s)) && ok;
    }
  // The stamp tells the build that the whole skin is drawn.
  QFile stamp(art + QStringLiteral("/skin.drawn"));
  ok = stamp.open(QIODevice::WriteOnly) && ok;
  return ok ? 0 : 1;
}
