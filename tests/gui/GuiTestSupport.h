// SPDX-License-Identifier: GPL-3.0-or-later
// Helpers of the GUI tests: synthetic mouse and crossing events, answering modal windows, skin
// files, and a main window session on the emulated machine.
#pragma once
#include <QImage>
#include <QList>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <nlohmann/json.hpp>

#include "gui/GuiMain.h"
#include "gui/ImageLabel.h"
#include "sim/seams/EmulatedPlatform.h"
#include "support/SimHarness.h"

namespace rz::gui::test {

void Enter(QWidget* w);
void Leave(QWidget* w);
void Press(QWidget* w, Qt::MouseButton button, QPoint pos = {5, 5});
void Release(QWidget* w, Qt::MouseButton button, QPoint pos = {5, 5});
// A move with `held` buttons down (the only moves a button gets without tracking).
void Move(QWidget* w, Qt::MouseButtons held, QPoint pos);
void Click(QWidget* w, Qt::MouseButton button = Qt::LeftButton);

// Once a modal window is up, hands it to `act` (on the event loop, from a timer).
void WhenModal(std::function<void(QWidget* modal)> act);

// Answers the modal windows that come up next, one action each, in order (for command flows).
void AnswerModals(QList<std::function<void(QWidget* modal)>> actions);

// The folder with the built Skin/, HELP.CHM and RZFLASH.CFG, with its trailing separator.
std::string ShippedFolder();
// Copies the built Skin folder into `folder`.
void CopySkin(const std::string& folder);
// A skin bitmap as a button holds it: magenta turned see-through.
QImage KeyedBitmap(const QString& path);

// The main window session on an emulated machine, with the skin in its program folder.
struct GuiRun {
  explicit GuiRun(nlohmann::json scenario, GuiCommands commands = {});
  // A named machine preset, materialized in the temporary folder.
  GuiRun(const std::string& preset, GuiCommands commands);
  // Starts the program and shows its main window until it is on screen; false when the start did
  // not end ready or the window never showed.
  bool StartShown();
  rz::test::TempDir dir;
  std::unique_ptr<sim::EmulatedPlatform> platform;
  std::unique_ptr<GuiSession> session;
};

}  // namespace rz::gui::test
