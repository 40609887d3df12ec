// SPDX-License-Identifier: GPL-3.0-or-later
#include "TextAreas.h"

#include "skin/Layout.h"

namespace shotcompare {

std::vector<QRect> TextAreas(const QString& window, int margin) {
  std::vector<QRect> areas;
  auto add = [&](int left, int top, int width, int height) {
    areas.emplace_back(left + margin, top + margin, width, height);
  };
  if (window == QStringLiteral("design")) {
    // The design state: below and beside the background are the plain controls, which each
    // toolkit draws in its own style.
    areas = TextAreas(QStringLiteral("main"), margin);
    add(0, rz::skin::kMainBackgroundHeight, 2000, 2000);
    add(rz::skin::kMainBackgroundWidth, 0, 2000, 2000);
  } else if (window == QStringLiteral("main")) {
    using rz::skin::MainLabel;
    for (MainLabel label : {MainLabel::BiosVersion, MainLabel::EepromSize, MainLabel::Status}) {
      const rz::skin::LabelLayout& layout = rz::skin::LayoutOf(label);
      // From the label to the end of its panel, a line and a half high.
      const int right = label == MainLabel::Status ? rz::skin::kStatusProgress.left : 346;
      add(layout.left - 2, layout.top - 3, right - layout.left, layout.font.pixelSize * 3 / 2 + 6);
    }
    const rz::skin::Rect bar = rz::skin::kStatusProgress;
    add(bar.left, bar.top, bar.width, bar.height - 6);  // the progress text above the bar
  } else {
    add(rz::skin::kMessageLeft - 2, rz::skin::kMessageTop - 3,
        rz::skin::kDialogWidth - rz::skin::kMessageLeft - 4,
        2 * rz::skin::kMessageFont.pixelSize * 3 / 2 + 6);
  }
  return areas;
}

}  // namespace shotcompare
