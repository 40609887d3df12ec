// SPDX-License-Identifier: GPL-3.0-or-later
#include "GuiTestSupport.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QTest>
#include <QTimer>
#include <filesystem>

#include "gui/MainForm.h"
#include "sim/scenario/Presets.h"

namespace rz::gui::test {

namespace {
void SendMouse(QWidget* w, QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons held,
               QPoint pos) {
  QMouseEvent e(type, QPointF(pos), w->mapToGlobal(QPointF(pos)), button, held, Qt::NoModifier);
  QCoreApplication::sendEvent(w, &e);
}
}  // namespace

void Enter(QWidget* w) {
  QEnterEvent e(QPointF(5, 5), w->mapToGlobal(QPointF(5, 5)), w->mapToGlobal(QPointF(5, 5)));
  QCoreApplication::sendEvent(w, &e);
}

void Leave(QWidget* w) {
  QEvent e(QEvent::Leave);
  QCoreApplication::sendEvent(w, &e);
}

void Press(QWidget* w, Qt::MouseButton button, QPoint pos) {
  SendMouse(w, QEvent::MouseButtonPress, button, button, pos);
}

void Release(QWidget* w, Qt::MouseButton button, QPoint pos) {
  SendMouse(w, QEvent::MouseButtonRelease, button, Qt::NoButton, pos);
}

void Move(QWidget* w, Qt::MouseButtons held, QPoint pos) {
  SendMouse(w, QEvent::MouseMove, Qt::NoButton, held, pos);
}

void Click(QWidget* w, Qt::MouseButton button) {
  Enter(w);
  Press(w, button);
  Release(w, button);
}

void WhenModal(std::function<void(QWidget*)> act) {
  auto* timer = new QTimer(qApp);
  timer->setInterval(10);
  QObject::connect(timer, &QTimer::timeout, timer, [timer, act] {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal) return;
    timer->stop();
    timer->deleteLater();
    act(modal);
  });
  timer->start();
}

void AnswerModals(QList<std::function<void(QWidget*)>> actions) {
  if (actions.isEmpty()) return;
  const auto act = actions.takeFirst();
  WhenModal([act, rest = std::move(actions)](QWidget* modal) mutable {
    act(modal);
    AnswerModals(std::move(rest));
  });
}

std::string ShippedFolder() { return RZ_GUI_OUTPUT_DIR; }

void CopySkin(const std::string& folder) {
  std::filesystem::copy(ShippedFolder() + "Skin", std::filesystem::path(folder) / "Skin",
                        std::filesystem::copy_options::recursive |
                            std::filesystem::copy_options::overwrite_existing);
}

QImage KeyedBitmap(const QString& path) {
  QImage img(path, "BMP");
  img = img.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x)
      if ((img.pixel(x, y) & 0xFFFFFF) == 0xFF00FF) img.setPixel(x, y, 0);
  return img;
}

GuiRun::GuiRun(nlohmann::json scenario, GuiCommands commands) {
  const std::string folder = dir.Path().string();
  if (!scenario.contains("program_folder")) scenario["program_folder"] = folder;
  if (!scenario.contains("working_directory")) scenario["working_directory"] = folder;
  CopySkin(folder);
  platform = std::make_unique<sim::EmulatedPlatform>(sim::ParseScenario(scenario, folder));
  session = std::make_unique<GuiSession>(platform->Seams(), commands);
}

bool GuiRun::StartShown() {
  if (session->Start() != app::StartResult::Ready) return false;
  session->Form().show();
  return QTest::qWaitForWindowExposed(&session->Form());
}

GuiRun::GuiRun(const std::string& preset, GuiCommands commands) {
  sim::ScenarioRecipe recipe = sim::MaterializePreset(preset, dir.Path().string());
  CopySkin(recipe.programFolder);
  platform = std::make_unique<sim::EmulatedPlatform>(std::move(recipe));
  session = std::make_unique<GuiSession>(platform->Seams(), commands);
}

}  // namespace rz::gui::test
