// SPDX-License-Identifier: GPL-3.0-or-later
// TForm1, the main window: borderless, shaped by its background picture, with the plain controls of
// its designed layout, the three yellow labels and the six skinned buttons that LoadSkin creates.
#pragma once
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QWidget>
#include <array>
#include <functional>
#include <string>

#include "gui/ImageLabel.h"
#include "gui/SkinImage.h"
#include "gui/SkinProgressBar.h"
#include "platform/ShellOpen.h"
#include "skin/BusySwitch.h"
#include "skin/Layout.h"

namespace rz::gui {

// The main window's embedded background picture (580 x 262).
QImage MainBackgroundPicture();

class TForm1 : public QWidget {
  Q_OBJECT

 public:
  TForm1();

  // Creates the six image buttons from ProgramFolder + "Skin/<left>_<top>_<n>.bmp".
  void LoadSkin(const std::string& programFolder);
  // The busy switch: btSave, btFlash, btExit, then BtnEnabled of the six image buttons. While
  // they are off a command runs, and the window refuses to close (the close button, Alt-F4, the
  // window manager, the session ending) as the buttons refuse new commands.
  void SetCommandButtonsEnabled(bool enabled);
  bool CommandRunning() const { return busy_.CommandRunning(); }
  // Progress of the running command in the status panel; ignored while no command runs. The bar
  // goes when the busy switch is turned back on.
  void ShowProgress(const QString& phase, std::optional<int> percent);
  // Start-up resize to the background picture's size (580 x 262).
  void SizeWindowToBackground();

  void ImageBkMouseDown(Qt::MouseButton button);
  void btTestClick() {}
  void btExitClick() { close(); }
  void btSaveClick();
  void btFlashClick();
  void ShowHelp();

  // Sets a label's text; the labels size themselves to their text.
  static void SetLabelText(QLabel* label, const QString& text);

  // Commands the program supplies; null until it does.
  std::function<void()> onSave;
  std::function<void()> onFlash;
  // Opens the help file; null: the help button does nothing.
  platform::ShellOpen* shell = nullptr;
  // The system's interactive window move; replaceable so that tests can observe it.
  std::function<void(QWidget&)> systemMove = StartSystemMove;

  const std::string& ProgramFolder() const { return programFolder_; }

  // Controls in the order of the form resource.
  QLabel* lEEPROMName;
  QLabel* Label2;
  TSkinImage* ImageBk;
  QLabel* lBIOSVersion;
  QLabel* lEEPROMSize;
  QLabel* lStatus;
  QPushButton* btTest;
  QGroupBox* GroupBox1;
  QLabel* Label1;
  QLabel* Label3;
  QPushButton* btSave;
  QProgressBar* ProgressBar1;
  QPlainTextEdit* mStatus;
  QPushButton* btFlash;
  QPushButton* btExit;

  // Created by LoadSkin; null before.
  TImageLabel* ibClose = nullptr;
  TImageLabel* ibMinimize = nullptr;
  TImageLabel* ibHelp = nullptr;
  TImageLabel* ibBackup = nullptr;
  TImageLabel* ibFlash = nullptr;
  TImageLabel* ibExit = nullptr;

  // Not in the designed form: the command's progress, over the right end of the status strip.
  TSkinProgressBar* StatusProgress;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  TImageLabel* MakeSkinButton(const skin::ImageButtonLayout& layout);
  std::string programFolder_;
  bool centred_ = false;
  skin::BusySwitch busy_;
};

// Path of skin image `state` of the button at (left, top): folder + "Skin/<left>_<top>_<state>.bmp".
QString SkinFile(const std::string& programFolder, int left, int top, int state);
// Places `button` and loads its four faces from the skin files of `programFolder`.
void LoadImageButton(TImageLabel& button, const std::string& programFolder,
                     const skin::ImageButtonLayout& layout);
// Moves a top-level window to the centre of its screen.
void CentreOnScreen(QWidget& window);

}  // namespace rz::gui
