#include "gui/SkinDialogs.h"

#include "gui/Fonts.h"
#include "gui/MainForm.h"

namespace rz::gui {

QImage DialogBackgroundPicture() { return QImage(QStringLiteral(":/art/dialog_bk.png")); }

TSkinDialog::TSkinDialog(QWidget* owner, const QString& caption, int designWidth)
    : QDialog(owner, Qt::Dialog | Qt::FramelessWindowHint) {
  setWindowTitle(caption);
  setFont(DefaultFormFont());
  setModal(true);
  resize(designWidth, 171);

  ImageBk = new TSkinImage(this, DialogBackgroundPicture());
  ImageBk->move(0, -1);
  ImageBk->onMouseDown = [this](Qt::MouseButton b) { ImageBkMouseDown(b); };

  LMessage = new QLabel(this);
  LMessage->setFont(ArialFont(13));
  LMessage->setTextFormat(Qt::PlainText);
  LMessage->setWordWrap(false);
  LMessage->move(16, 24);
  QPalette pal = LMessage->palette();
  pal.setColor(QPalette::WindowText, palette().color(QPalette::WindowText));
  LMessage->setPalette(pal);
  SetMessage(QStringLiteral("NULL"));

  // The window shows picture rows 1 to 107: width 330, height 109 - 2.
  setFixedSize(ImageBk->width(), ImageBk->height() - 2);
  setMask(ShapeWithoutKey(*this, *ImageBk));
}

void TSkinDialog::SetMessage(const QString& text) { TForm1::SetLabelText(LMessage, text); }

void TSkinDialog::ImageBkMouseDown(Qt::MouseButton button) {
  if (button != Qt::LeftButton) return;
  if (systemMove) systemMove(*this);
}

TImageLabel* TSkinDialog::MakeButton(const std::string& programFolder, int left, int top,
                                     int width, int height, std::function<void()> action) {
  auto* b = new TImageLabel(this);
  b->SetupButton(left, top, width, height, true, SkinKeyColour());
  b->LoadNormalImage(SkinFile(programFolder, left, top, 1));
  b->LoadHoverImage(SkinFile(programFolder, left, top, 2));
  b->LoadPressedImage(SkinFile(programFolder, left, top, 3));
  b->LoadDisabledImage(SkinFile(programFolder, left, top, 1));
  b->AfterMouseUp = [action = std::move(action)](TImageLabel*) { action(); };
  return b;
}

void TSkinDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  CentreOnScreen(*this);
}

TFormMsg::TFormMsg(QWidget* owner, const std::string& programFolder)
    : TSkinDialog(owner, QStringLiteral("FormMsg"), 394) {
  btOk = MakeButton(programFolder, 130, 62, 63, 29, [this] { close(); });
}

TFormYesNo::TFormYesNo(QWidget* owner, const std::string& programFolder)
    : TSkinDialog(owner, QStringLiteral("FormYesNo"), 374) {
  btYes = MakeButton(programFolder, 98, 62, 68, 26, [this] {
    Answer = true;
    close();
  });
  btNo = MakeButton(programFolder, 166, 62, 66, 26, [this] {
    Answer = false;
    close();
  });
}

}  // namespace rz::gui
