// SPDX-License-Identifier: GPL-3.0-or-later
// Where the skinned windows show text drawn by the toolkit's font renderer: the labels, the
// progress bar's text and the dialogs' message. Two toolkits draw the same layout and skin pixel
// for pixel everywhere else.
#pragma once
#include <QRect>
#include <QString>
#include <vector>

namespace shotcompare {

// The text areas of a screenshot of `window` ("main", "dialog", or "design": the main window after
// a failed start, whose plain controls below the background count as text), taken with `margin`
// pixels of desktop around the window.
std::vector<QRect> TextAreas(const QString& window, int margin);

}  // namespace shotcompare
