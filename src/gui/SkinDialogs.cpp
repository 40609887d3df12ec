// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/SkinDialogs.h"

#include "gui/Fonts.h"
#include "gui/MainForm.h"

namespace rz::gui {

QImage DialogBackgroundPicture() { return QImage(QStringLiteral(":/art/dialog_bk.png")); }

TSkinDialog::TSkinDialog(QWidget* owner, const skin::DialogLayout& layout)
    : QDialog(owner, Qt::Dialog | Qt::FramelessWindowHint) {
  setWindowTitle(QString::fromLatin1(layout.caption));
  setFont(DefaultFormFont());
  setModal(true);
  resize(layout.designWidth, skin::kDialogDesignHeight);

  ImageBk = new TSkinImage(this, DialogBackgroundPicture());
  ImageBk->move(0, skin::kDialogBackgroundTop);
  ImageBk->onMouseDown = [this](Qt::MouseButton b) { ImageBkMouseDown(b); };

  LMessage = new QLabel(this);
  LMessage->setFont(SkinFont(skin::kMessageFont));
  LMessage->setTextFormat(Qt::PlainText);
  LMessage->setWordWrap(false);
  LMessage->move(skin::kMessageLeft, skin::kMessageTop);
  QPalette pal = LMessage->palette();
  pal.setColor(QPalette::WindowText, palette().color(QPalette::WindowText));
  LMessage->setPalette(pal);
  SetMessage(QString::fromLatin1(skin::kMessageInitialText));

  setFixedSize(skin::kDialogWidth, skin::kDialogHeight);
  setMask(ShapeWithoutKey(*this, *ImageBk));
}

void TSkinDialog::SetMessage(const QString& text) { TForm1::SetLabelText(LMessage, text); }

void TSkinDialog::ImageBkMouseDown(Qt::MouseButton button) {
  if (button != Qt::LeftButton) return;
  if (systemMove) systemMove(*this);
}

TImageLabel* TSkinDialog::MakeButton(const std::string& programFolder,
                                     const skin::ImageButtonLayout& layout) {
  auto* b = new TImageLabel(this);
  LoadImageButton(*b, programFolder, layout);
  b->AfterMouseUp = [this, yes = layout.action == skin::Action::Yes](TImageLabel*) {
    Answer = yes;
    close();
  };
  return b;
}

void TSkinDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  CentreOnScreen(*this);
}

TFormMsg::TFormMsg(QWidget* owner, const std::string& programFolder)
    : TSkinDialog(owner, skin::kMessageDialog) {
  btOk = MakeButton(programFolder, skin::kMessageDialog.buttons[0]);
}

TFormYesNo::TFormYesNo(QWidget* owner, const std::string& programFolder)
    : TSkinDialog(owner, skin::kQuestionDialog) {
  btYes = MakeButton(programFolder, skin::kQuestionDialog.buttons[0]);
  btNo = MakeButton(programFolder, skin::kQuestionDialog.buttons[1]);
}

}  // namespace rz::gui
