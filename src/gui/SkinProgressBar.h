// SPDX-License-Identifier: GPL-3.0-or-later
// The thin progress bar of the main window's status panel, painted in the skin's colours: the
// phase and the percentage above a bar that fills from the left, or, while the work does not
// tell how far it is, a block that runs to and fro. Hidden until a command reports progress.
#pragma once
#include <QString>
#include <QTimer>
#include <QWidget>
#include <optional>

#include "skin/Progress.h"

namespace rz::gui {

class TSkinProgressBar : public QWidget {
  Q_OBJECT

 public:
  explicit TSkinProgressBar(QWidget* owner);

  // Shows `phase` at `percent` (0 to 100); nullopt: running without a percentage (animated).
  void SetProgress(const QString& phase, std::optional<int> percent);
  // Hides the bar and stops its animation.
  void Stop();

  QString Phase() const { return QString::fromStdString(model_.Phase()); }
  std::optional<int> Percent() const { return model_.Percent(); }
  bool Animating() const { return animation_.isActive(); }
  // What the bar reads: "Programming 42%", or the phase alone while running without a percentage.
  QString Text() const { return QString::fromStdString(model_.Text()); }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  skin::Progress model_;
  QTimer animation_;
};

}  // namespace rz::gui
