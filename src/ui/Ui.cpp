#include "ui/Ui.h"

namespace rz::ui {

const char* LabelName(Label label) {
  switch (label) {
    case Label::BiosVersion: return "lBIOSVersion";
    case Label::EepromName: return "lEEPROMName";
    case Label::EepromSize: return "lEEPROMSize";
  }
  return "?";
}

const char* PhaseName(Phase phase) {
  switch (phase) {
    case Phase::Reading: return "Reading";
    case Phase::BackingUp: return "Backing up";
    case Phase::Erasing: return "Erasing";
    case Phase::Programming: return "Programming";
    case Phase::Verifying: return "Verifying";
  }
  return "?";
}

}  // namespace rz::ui
