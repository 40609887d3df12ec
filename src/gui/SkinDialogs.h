// SPDX-License-Identifier: GPL-3.0-or-later
// TFormMsg and TFormYesNo: the small borderless, skinned modal dialogs of the commands, shaped by
// their background picture; one message per instance.
#pragma once
#include <QDialog>
#include <QLabel>
#include <functional>
#include <string>

#include "gui/ImageLabel.h"
#include "gui/SkinImage.h"
#include "skin/Layout.h"

namespace rz::gui {

// The dialogs' embedded background picture (330 x 109).
QImage DialogBackgroundPicture();

class TSkinDialog : public QDialog {
  Q_OBJECT

 public:
  void SetMessage(const QString& text);
  void ImageBkMouseDown(Qt::MouseButton button);

  TSkinImage* ImageBk;
  QLabel* LMessage;
  // The answer of a yes/no dialog: true once Yes has been pressed; any other close leaves it false.
  bool Answer = false;
  // The system's interactive window move; replaceable so that tests can observe it.
  std::function<void(QWidget&)> systemMove = StartSystemMove;

 protected:
  TSkinDialog(QWidget* owner, const skin::DialogLayout& layout);
  // Creates one image button from the skin files of `programFolder`; a click answers (Yes: true,
  // any other: false) and closes the dialog.
  TImageLabel* MakeButton(const std::string& programFolder, const skin::ImageButtonLayout& layout);
  void showEvent(QShowEvent* event) override;
};

class TFormMsg : public TSkinDialog {
  Q_OBJECT

 public:
  TFormMsg(QWidget* owner, const std::string& programFolder);
  TImageLabel* btOk;
};

class TFormYesNo : public TSkinDialog {
  Q_OBJECT

 public:
  TFormYesNo(QWidget* owner, const std::string& programFolder);
  TImageLabel* btYes;
  TImageLabel* btNo;
};

}  // namespace rz::gui
