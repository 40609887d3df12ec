#include "gui/MainForm.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QResizeEvent>
#include <QScreen>
#if QT_CONFIG(sessionmanager)
#include <QSessionManager>
#endif

#include "base/Paths.h"
#include "gui/Fonts.h"
#include "gui/GuiApplication.h"

namespace rz::gui {

namespace {

QLabel* MakeLabel(QWidget* parent, int left, int top, const QString& text, const QFont& font) {
  auto* label = new QLabel(parent);
  label->setFont(font);
  label->setTextFormat(Qt::PlainText);
  label->move(left, top);
  TForm1::SetLabelText(label, text);
  return label;
}

QLabel* MakeYellowLabel(QWidget* parent, int left, int top, const QString& text, int pixelSize) {
  QLabel* label = MakeLabel(parent, left, top, text, ArialFont(pixelSize));
  QPalette pal = label->palette();
  pal.setColor(QPalette::WindowText, QColor(255, 255, 0));
  label->setPalette(pal);
  return label;
}

QPushButton* MakeButton(QWidget* parent, const QRect& r, const QString& text) {
  auto* b = new QPushButton(text, parent);
  b->setFont(DefaultFormFont());
  b->setGeometry(r);
  return b;
}

}  // namespace

QImage MainBackgroundPicture() { return QImage(QStringLiteral(":/art/main_bk.png")); }

QString SkinFile(const std::string& programFolder, int left, int top, int state) {
  return QString::fromStdString(programFolder) + QStringLiteral("Skin") + QChar(kPathSeparator) +
         QStringLiteral("%1_%2_%3.bmp").arg(left).arg(top).arg(state);
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
  setWindowTitle(QStringLiteral("RZFLASH Ver1.5"));
  setFont(DefaultFormFont());
  resize(kDesignWidth, kDesignHeight);

  lEEPROMName = MakeLabel(this, 112, 440, QStringLiteral("lEEPROMName"), DefaultFormFont());
  Label2 = MakeLabel(this, 24, 440, QStringLiteral("Flash EEPROM:"), DefaultFormFont());
  ImageBk = new TSkinImage(this, MainBackgroundPicture());
  ImageBk->onMouseDown = [this](Qt::MouseButton b) { ImageBkMouseDown(b); };
  lBIOSVersion = MakeYellowLabel(this, 155, 95, QStringLiteral("Unknow"), 13);
  lEEPROMSize = MakeYellowLabel(this, 155, 126, QStringLiteral("lEEPROMSize"), 13);
  lStatus = MakeYellowLabel(this, 43, 177, QStringLiteral("Status"), 11);
  btTest = MakeButton(this, QRect(320, 416, 75, 25), QStringLiteral("Test"));
  GroupBox1 = new QGroupBox(QStringLiteral("Current VGA Card Information"), this);
  GroupBox1->setGeometry(38, 286, 259, 81);
  Label1 = MakeLabel(GroupBox1, 8, 24, QStringLiteral("BIOS Version:"), DefaultFormFont());
  Label3 = MakeLabel(GroupBox1, 8, 48, QStringLiteral("EEPROM SIZE:"), DefaultFormFont());
  btSave = MakeButton(this, QRect(298, 288, 105, 29), QStringLiteral("Backup VGA BIOS"));
  ProgressBar1 = new QProgressBar(this);
  ProgressBar1->setGeometry(8, 470, 473, 25);
  ProgressBar1->setRange(0, 100);
  ProgressBar1->setValue(0);
  mStatus = new QPlainTextEdit(QStringLiteral("Status..."), this);
  mStatus->setReadOnly(true);
  mStatus->setGeometry(36, 375, 307, 24);
  btFlash = MakeButton(this, QRect(298, 316, 105, 25), QStringLiteral("Flash"));
  btExit = MakeButton(this, QRect(298, 340, 105, 25), QStringLiteral("EXIT"));

  StatusProgress = new TSkinProgressBar(this);
  StatusProgress->setGeometry(364, 173, 180, 22);
  StatusProgress->setObjectName(QStringLiteral("StatusProgress"));

  const std::pair<QWidget*, const char*> names[] = {
      {lEEPROMName, "lEEPROMName"}, {Label2, "Label2"},     {ImageBk, "ImageBk"},
      {lBIOSVersion, "lBIOSVersion"}, {lEEPROMSize, "lEEPROMSize"}, {lStatus, "lStatus"},
      {btTest, "btTest"},           {GroupBox1, "GroupBox1"}, {Label1, "Label1"},
      {Label3, "Label3"},           {btSave, "btSave"},       {ProgressBar1, "ProgressBar1"},
      {mStatus, "mStatus"},         {btFlash, "btFlash"},     {btExit, "btExit"}};
  for (const auto& [widget, name] : names) widget->setObjectName(QString::fromLatin1(name));

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
      if (commandRunning_) manager.cancel();
    });
#endif
}

void TForm1::SetLabelText(QLabel* label, const QString& text) {
  QString t = text;
  t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  label->setText(t);
  label->adjustSize();
}

TImageLabel* TForm1::MakeSkinButton(int left, int top, int width, int height,
                                    bool ownDisabledImage, std::function<void()> action) {
  auto* b = new TImageLabel(this);
  b->SetupButton(left, top, width, height, true, SkinKeyColour());
  b->LoadNormalImage(SkinFile(programFolder_, left, top, 1));
  b->LoadHoverImage(SkinFile(programFolder_, left, top, 2));
  b->LoadPressedImage(SkinFile(programFolder_, left, top, 3));
  b->LoadDisabledImage(SkinFile(programFolder_, left, top, ownDisabledImage ? 4 : 1));
  b->AfterMouseUp = [action = std::move(action)](TImageLabel*) { action(); };
  b->show();
  return b;
}

void TForm1::LoadSkin(const std::string& programFolder) {
  programFolder_ = programFolder;
  ibClose = MakeSkinButton(505, 30, 29, 27, false, [this] { close(); });
  ibMinimize = MakeSkinButton(476, 30, 29, 27, false, [this] { showMinimized(); });
  ibHelp = MakeSkinButton(446, 30, 29, 27, false, [this] { ShowHelp(); });
  ibBackup = MakeSkinButton(361, 85, 183, 25, true, [this] { btSaveClick(); });
  ibFlash = MakeSkinButton(361, 110, 183, 24, true, [this] { btFlashClick(); });
  ibExit = MakeSkinButton(361, 134, 183, 26, true, [this] { close(); });
}

void TForm1::SetCommandButtonsEnabled(bool enabled) {
  commandRunning_ = !enabled;
  btSave->setEnabled(enabled);
  btFlash->setEnabled(enabled);
  btExit->setEnabled(enabled);
  for (TImageLabel* b : {ibClose, ibMinimize, ibHelp, ibBackup, ibFlash, ibExit})
    if (b) b->SetBtnEnabled(enabled);
  if (enabled) StatusProgress->Stop();
}

void TForm1::ShowProgress(const QString& phase, std::optional<int> percent) {
  if (commandRunning_) StatusProgress->SetProgress(phase, percent);
}

void TForm1::closeEvent(QCloseEvent* event) {
  if (commandRunning_) {
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
