// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/MainForm.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QResizeEvent>
#include <QScreen>
#if QT_CONFIG(sessionmanager)
#include <QSessionManager>
#endif

#include <string_view>
#include <type_traits>

#include "gui/Fonts.h"
#include "gui/GuiApplication.h"
#include "skin/Labels.h"

namespace rz::gui {

namespace {

QLabel* MakeLabel(QWidget* parent, const skin::LabelLayout& layout) {
  auto* label = new QLabel(parent);
  label->setFont(SkinFont(layout.font));
  label->setTextFormat(Qt::PlainText);
  label->move(layout.left, layout.top);
  label->setObjectName(QString::fromLatin1(layout.name));
  TForm1::SetLabelText(label, QString::fromLatin1(layout.initialText));
  if (layout.yellow) {
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText,
                 QColor(skin::kLabelYellow.r, skin::kLabelYellow.g, skin::kLabelYellow.b));
    label->setPalette(pal);
  }
  return label;
}

QRect Q(const skin::Rect& r) { return QRect(r.left, r.top, r.width, r.height); }

template <class Widget>
Widget* MakePlain(QWidget* parent, std::string_view name) {
  const skin::PlainControlLayout& layout = skin::PlainControl(name);
  Widget* w;
  if constexpr (std::is_same_v<Widget, QPlainTextEdit>) {
    w = new QPlainTextEdit(QString::fromLatin1(layout.text), parent);
    w->setReadOnly(true);
  } else if constexpr (std::is_same_v<Widget, QProgressBar>) {
    w = new QProgressBar(parent);
    w->setRange(0, 100);
    w->setValue(0);
  } else {
    w = new Widget(QString::fromLatin1(layout.text), parent);
    w->setFont(DefaultFormFont());
  }
  w->setGeometry(Q(layout.rect));
  w->setObjectName(QString::fromLatin1(layout.name));
  return w;
}

}  // namespace

QImage MainBackgroundPicture() { return QImage(QStringLiteral(":/art/main_bk.png")); }

QString SkinFile(const std::string& programFolder, int left, int top, int state) {
  const skin::ImageButtonLayout button{"", skin::Action::Ok, {left, top, 0, 0}, true, ""};
  return QString::fromStdString(
      skin::SkinFile(programFolder, button, static_cast<skin::Face>(state)));
}

void LoadImageButton(TImageLabel& button, const std::string& programFolder,
                     const skin::ImageButtonLayout& layout) {
  button.setObjectName(QString::fromLatin1(layout.name));
  button.SetupButton(layout.rect.left, layout.rect.top, layout.rect.width, layout.rect.height, true,
                     SkinKeyColour());
  auto file = [&](skin::Face face) {
    return QString::fromStdString(skin::SkinFile(programFolder, layout, face));
  };
  button.LoadNormalImage(file(skin::Face::Normal));
  button.LoadHoverImage(file(skin::Face::Hover));
  button.LoadPressedImage(file(skin::Face::Pressed));
  button.LoadDisabledImage(file(skin::Face::Disabled));
}

void CentreOnScreen(QWidget& window) {
  const QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  QRect frame = window.frameGeometry();
  frame.moveCenter(screen->availableGeometry().center());
  window.move(frame.topLeft());
}

TForm1::TForm1() : QWidget(nullptr) {
  setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
  setWindowTitle(QString::fromLatin1(skin::kMainCaption));
  setFont(DefaultFormFont());
  resize(skin::kDesignWidth, skin::kDesignHeight);

  using skin::MainLabel;
  lEEPROMName = MakeLabel(this, skin::LayoutOf(MainLabel::EepromName));
  Label2 = MakeLabel(this, skin::LayoutOf(MainLabel::Label2));
  ImageBk = new TSkinImage(this, MainBackgroundPicture());
  ImageBk->setObjectName(QStringLiteral("ImageBk"));
  ImageBk->onMouseDown = [this](Qt::MouseButton b) { ImageBkMouseDown(b); };
  lBIOSVersion = MakeLabel(this, skin::LayoutOf(MainLabel::BiosVersion));
  lEEPROMSize = MakeLabel(this, skin::LayoutOf(MainLabel::EepromSize));
  lStatus = MakeLabel(this, skin::LayoutOf(MainLabel::Status));
  btTest = MakePlain<QPushButton>(this, "btTest");
  GroupBox1 = MakePlain<QGroupBox>(this, "GroupBox1");
  Label1 = MakeLabel(GroupBox1, skin::LayoutOf(MainLabel::Label1));
  Label3 = MakeLabel(GroupBox1, skin::LayoutOf(MainLabel::Label3));
  btSave = MakePlain<QPushButton>(this, "btSave");
  ProgressBar1 = MakePlain<QProgressBar>(this, "ProgressBar1");
  mStatus = MakePlain<QPlainTextEdit>(this, "mStatus");
  btFlash = MakePlain<QPushButton>(this, "btFlash");
  btExit = MakePlain<QPushButton>(this, "btExit");

  StatusProgress = new TSkinProgressBar(this);
  StatusProgress->setGeometry(Q(skin::kStatusProgress));
  StatusProgress->setObjectName(QStringLiteral("StatusProgress"));

  // Focus order of the design: btTest, GroupBox1, btSave, ProgressBar1, mStatus, btFlash, btExit.
  QWidget* order[] = {btTest, GroupBox1, btSave, ProgressBar1, mStatus, btFlash, btExit};
  for (std::size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);

  connect(btTest, &QPushButton::clicked, this, [this] { btTestClick(); });
  connect(btSave, &QPushButton::clicked, this, [this] { btSaveClick(); });
  connect(btFlash, &QPushButton::clicked, this, [this] { btFlashClick(); });
  connect(btExit, &QPushButton::clicked, this, [this] { btExitClick(); });
  setMask(ShapeWithoutKey(*this, *ImageBk));
#if QT_CONFIG(sessionmanager)
  // The session ending (log-off, shut-down) asks first: while a command runs, the answer is no.
  if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
    connect(app, &QGuiApplication::commitDataRequest, this, [this](QSessionManager& manager) {
      if (busy_.CancelsSessionEnd()) manager.cancel();
    });
#endif
}

void TForm1::SetLabelText(QLabel* label, const QString& text) {
  label->setText(QString::fromStdString(skin::LabelText(text.toStdString())));
  label->adjustSize();
}

TImageLabel* TForm1::MakeSkinButton(const skin::ImageButtonLayout& layout) {
  auto* b = new TImageLabel(this);
  LoadImageButton(*b, programFolder_, layout);
  b->AfterMouseUp = [this, action = layout.action](TImageLabel*) {
    switch (action) {
      case skin::Action::Close: close(); break;
      case skin::Action::Minimize: showMinimized(); break;
      case skin::Action::Help: ShowHelp(); break;
      case skin::Action::Save: btSaveClick(); break;
      case skin::Action::Flash: btFlashClick(); break;
      default: break;
    }
  };
  b->show();
  return b;
}

void TForm1::LoadSkin(const std::string& programFolder) {
  programFolder_ = programFolder;
  TImageLabel** made[] = {&ibClose, &ibMinimize, &ibHelp, &ibBackup, &ibFlash, &ibExit};
  for (std::size_t i = 0; i < skin::kMainButtons.size(); ++i)
    *made[i] = MakeSkinButton(skin::kMainButtons[i]);
}

void TForm1::SetCommandButtonsEnabled(bool enabled) {
  busy_.Set(enabled);
  for (const skin::PlainControlLayout& layout : skin::kPlainControls)
    if (layout.busySwitched)
      findChild<QWidget*>(QString::fromLatin1(layout.name), Qt::FindDirectChildrenOnly)
          ->setEnabled(enabled);
  for (TImageLabel* b : {ibClose, ibMinimize, ibHelp, ibBackup, ibFlash, ibExit})
    if (b) b->SetBtnEnabled(enabled);
  if (enabled) StatusProgress->Stop();
}

void TForm1::ShowProgress(const QString& phase, std::optional<int> percent) {
  if (busy_.ShowsProgress()) StatusProgress->SetProgress(phase, percent);
}

void TForm1::closeEvent(QCloseEvent* event) {
  if (!busy_.MayClose()) {
    event->ignore();  // a half-done save or flash must finish first
    return;
  }
  QWidget::closeEvent(event);
}

void TForm1::SizeWindowToBackground() { resize(ImageBk->width(), ImageBk->height()); }

void TForm1::ImageBkMouseDown(Qt::MouseButton button) {
  if (button != Qt::LeftButton) return;
  if (systemMove) systemMove(*this);
}

void TForm1::btSaveClick() {
  if (onSave) RunGuarded(onSave);
}

void TForm1::btFlashClick() {
  if (onFlash) RunGuarded(onFlash);
}

void TForm1::ShowHelp() {
  RunGuarded([this] {
    // The result is not checked: a missing file is the viewer's to report.
    if (shell) shell->Open(programFolder_ + "HELP.CHM");
  });
}

void TForm1::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  setMask(ShapeWithoutKey(*this, *ImageBk));
}

void TForm1::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!centred_) {
    centred_ = true;
    CentreOnScreen(*this);
  }
}

}  // namespace rz::gui
