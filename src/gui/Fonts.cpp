#include "gui/Fonts.h"

namespace rz::gui {

namespace {
QFont Make(const QString& family, int pixelSize) {
  QFont f(family);
  f.setStyleHint(QFont::SansSerif);
  f.setPixelSize(pixelSize);
  return f;
}
}  // namespace

QFont DefaultFormFont() { return Make(QStringLiteral("MS Sans Serif"), 11); }
QFont ArialFont(int pixelSize) { return Make(QStringLiteral("Arial"), pixelSize); }

}  // namespace rz::gui
