// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/QtUi.h"

#include <QCoreApplication>
#include <algorithm>
#include <QFileDialog>
#include <QMessageBox>

#include "gui/SkinDialogs.h"
#include "skin/Labels.h"

namespace rz::gui {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

// The file dialogs' common options: no read-only check box (the toolkit has none), the current
// folder left alone (the toolkit never changes it), resizable, and no file filter.
std::optional<std::string> RunFileDialog(QWidget* owner, QFileDialog::AcceptMode mode,
                                         const std::string& title, const std::string& dir,
                                         const std::string& name) {
  QFileDialog dialog(owner, Q(title), Q(dir));
  dialog.setAcceptMode(mode);
  dialog.setFileMode(mode == QFileDialog::AcceptSave ? QFileDialog::AnyFile
                                                     : QFileDialog::ExistingFile);
  dialog.setSizeGripEnabled(true);
  // A proposed name is a zero-terminated text: whatever follows a zero character is not shown.
  const std::string shown = name.substr(0, name.find('\0'));
  if (!shown.empty()) dialog.selectFile(Q(shown));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return QDir::toNativeSeparators(dialog.selectedFiles().first()).toStdString();
}

}  // namespace

QtUi::QtUi(TForm1& form, std::function<std::string()> programFolder)
    : form_(form), programFolder_(std::move(programFolder)) {}

bool QtUi::MessageBox(const std::string& caption, const std::string& text, ui::Buttons buttons,
                      ui::Icon icon, ui::Owner owner) {
  QMessageBox box(icon == ui::Icon::Error ? QMessageBox::Critical : QMessageBox::NoIcon,
                  Q(caption), Q(text),
                  buttons == ui::Buttons::YesNo ? QMessageBox::Yes | QMessageBox::No
                                                : QMessageBox::Ok,
                  owner == ui::Owner::MainWindow ? &form_ : nullptr);
  const int pressed = box.exec();
  return buttons == ui::Buttons::YesNo && pressed == QMessageBox::Yes;
}

void QtUi::ShowMessage(const std::string& text) {
  QMessageBox box(QMessageBox::NoIcon, Q(ui::kApplicationTitle), Q(text), QMessageBox::Ok,
                  form_.isVisible() ? &form_ : nullptr);
  box.exec();
}

void QtUi::SkinnedMessage(const std::string& text) {
  TFormMsg dialog(&form_, programFolder_());
  dialog.SetMessage(Q(completed_.Shown(text)));
  dialog.exec();
}

bool QtUi::SkinnedQuestion(const std::string& text) {
  TFormYesNo dialog(&form_, programFolder_());
  dialog.SetMessage(Q(text));
  dialog.exec();
  return dialog.Answer;
}

std::optional<std::string> QtUi::SaveFileDialog(const std::string& title,
                                                const std::string& initialDir,
                                                const std::string& initialName) {
  return RunFileDialog(&form_, QFileDialog::AcceptSave, title, initialDir, initialName);
}

std::optional<std::string> QtUi::OpenFileDialog(const std::string& title,
                                                const std::string& initialDir) {
  return RunFileDialog(&form_, QFileDialog::AcceptOpen, title, initialDir, "");
}

void QtUi::SetLabel(ui::Label label, const std::string& text) {
  QLabel* target = form_.findChild<QLabel*>(
      QString::fromLatin1(skin::LayoutOf(skin::LabelFor(label)).name), Qt::FindDirectChildrenOnly);
  TForm1::SetLabelText(target, Q(text));
  target->repaint();  // shown at once, even inside a command that keeps the event loop busy
}

void QtUi::SetStatus(const std::string& text) {
  TForm1::SetLabelText(form_.lStatus, Q(text));
  form_.lStatus->repaint();
}

void QtUi::SetCommandButtonsEnabled(bool enabled) { form_.SetCommandButtonsEnabled(enabled); }
void QtUi::LoadSkin() { form_.LoadSkin(programFolder_()); }
void QtUi::SizeWindowToBackground() { form_.SizeWindowToBackground(); }
void QtUi::ProcessEvents() { QCoreApplication::processEvents(); }

void QtUi::ReportProgress(ui::Phase phase, std::uint32_t done, std::uint32_t total) {
  std::optional<int> percent;
  if (const auto p = ui::ProgressPercent(done, total)) percent = static_cast<int>(*p);
  form_.ShowProgress(QString::fromUtf8(ui::PhaseName(phase)), percent);
}

}  // namespace rz::gui

