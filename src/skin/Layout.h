// SPDX-License-Identifier: GPL-3.0-or-later
// The layout of the skinned windows, the same for every toolkit that draws them: the main window's
// designed form and its six image buttons, the two dialogs, their captions, fonts and the names of
// the skin bitmaps. The artwork generator draws the buttons from the same table.
#pragma once
#include <array>
#include <string>
#include <string_view>

#include "skin/Geometry.h"

namespace rz::skin {

// A font of the designs, by family and pixel size; toolkits substitute a similar face where the
// family is not installed.
struct Font {
  const char* family;
  int pixelSize;
};
inline constexpr Font kFormFont{"MS Sans Serif", 11};  // the forms' default font
inline constexpr Font kValueFont{"Arial", 13};         // BIOS version, EEPROM size, dialog text
inline constexpr Font kStatusFont{"Arial", 11};        // the status line and the progress text

// ---------------------------------------------------------------- the main window

inline constexpr const char* kMainCaption = "RZFLASH Ver1.5";
inline constexpr int kDesignWidth = 593;
inline constexpr int kDesignHeight = 503;
// The embedded background picture; the window takes its size at start-up.
inline constexpr int kMainBackgroundWidth = 580;
inline constexpr int kMainBackgroundHeight = 262;

// What a skinned button does when clicked.
enum class Action { Close, Minimize, Help, Save, Flash, Ok, Yes, No };

// A button drawn from skin bitmaps "Skin/<left>_<top>_<face>.bmp", faces 1 normal, 2 hover,
// 3 pressed and, for buttons with their own disabled face, 4 disabled (the others show face 1).
struct ImageButtonLayout {
  const char* name;
  Action action;
  Rect rect;
  bool ownDisabledFace;
  const char* caption;  // what the artwork writes on it ("" for the glyph-only title buttons)
};

// In the order LoadSkin creates them.
inline constexpr std::array<ImageButtonLayout, 6> kMainButtons{{
    {"ibClose", Action::Close, {505, 30, 29, 27}, false, ""},
    {"ibMinimize", Action::Minimize, {476, 30, 29, 27}, false, ""},
    {"ibHelp", Action::Help, {446, 30, 29, 27}, false, ""},
    {"ibBackup", Action::Save, {361, 85, 183, 25}, true, "Backup BIOS"},
    {"ibFlash", Action::Flash, {361, 110, 183, 24}, true, "Flash BIOS"},
    {"ibExit", Action::Close, {361, 134, 183, 26}, true, "Exit"},
}};

// The labels of the designed form. The three yellow ones over the background show the card and
// the status; the others lie below the background and are cut off once the window takes its size.
enum class MainLabel { EepromName, Label2, BiosVersion, EepromSize, Status, Label1, Label3 };
struct LabelLayout {
  const char* name;
  MainLabel id;
  int left, top;  // Label1 and Label3 within GroupBox1
  const char* initialText;
  Font font;
  bool yellow;
  bool inGroupBox;
};
inline constexpr std::array<LabelLayout, 7> kMainLabels{{
    {"lEEPROMName", MainLabel::EepromName, 112, 440, "lEEPROMName", kFormFont, false, false},
    {"Label2", MainLabel::Label2, 24, 440, "Flash EEPROM:", kFormFont, false, false},
    {"lBIOSVersion", MainLabel::BiosVersion, 155, 95, "Unknow", kValueFont, true, false},
    {"lEEPROMSize", MainLabel::EepromSize, 155, 126, "lEEPROMSize", kValueFont, true, false},
    {"lStatus", MainLabel::Status, 43, 177, "Status", kStatusFont, true, false},
    {"Label1", MainLabel::Label1, 8, 24, "BIOS Version:", kFormFont, false, true},
    {"Label3", MainLabel::Label3, 8, 48, "EEPROM SIZE:", kFormFont, false, true},
}};
const LabelLayout& LayoutOf(MainLabel label);

// The plain controls of the designed form, all below the background picture.
enum class PlainControl { Button, GroupBox, ProgressBar, Memo };
struct PlainControlLayout {
  const char* name;
  PlainControl kind;
  Rect rect;
  const char* text;
  bool busySwitched;  // turned off with the image buttons while a command runs
};
// In focus order.
inline constexpr std::array<PlainControlLayout, 7> kPlainControls{{
    {"btTest", PlainControl::Button, {320, 416, 75, 25}, "Test", false},
    {"GroupBox1", PlainControl::GroupBox, {38, 286, 259, 81}, "Current VGA Card Information", false},
    {"btSave", PlainControl::Button, {298, 288, 105, 29}, "Backup VGA BIOS", true},
    {"ProgressBar1", PlainControl::ProgressBar, {8, 470, 473, 25}, "", false},
    {"mStatus", PlainControl::Memo, {36, 375, 307, 24}, "Status...", false},
    {"btFlash", PlainControl::Button, {298, 316, 105, 25}, "Flash", true},
    {"btExit", PlainControl::Button, {298, 340, 105, 25}, "EXIT", true},
}};

// The plain control named `name`; the table holds every name the renderers ask for.
const PlainControlLayout& PlainControl(std::string_view name);
// Its place in kPlainControls.
std::size_t PlainControlIndex(std::string_view name);

// Not in the designed form: the command's progress, over the right end of the status strip.
inline constexpr Rect kStatusProgress{364, 173, 180, 22};

// ---------------------------------------------------------------- the skinned dialogs

// The dialogs' embedded background picture, drawn one row up: the window shows rows 1 to 107.
inline constexpr int kDialogBackgroundWidth = 330;
inline constexpr int kDialogBackgroundHeight = 109;
inline constexpr int kDialogBackgroundTop = -1;
inline constexpr int kDialogWidth = kDialogBackgroundWidth;
inline constexpr int kDialogHeight = kDialogBackgroundHeight - 2;
inline constexpr int kDialogDesignHeight = 171;
// The message, in the window's text colour, unwrapped.
inline constexpr int kMessageLeft = 16;
inline constexpr int kMessageTop = 24;
inline constexpr Font kMessageFont = kValueFont;
inline constexpr const char* kMessageInitialText = "NULL";

struct DialogLayout {
  const char* caption;
  int designWidth;
  std::array<ImageButtonLayout, 2> buttons;
  int buttonCount;
};
inline constexpr DialogLayout kMessageDialog{
    "FormMsg", 394, {{{"btOk", Action::Ok, {130, 62, 63, 29}, false, "OK"}, {}}}, 1};
inline constexpr DialogLayout kQuestionDialog{
    "FormYesNo",
    374,
    {{{"btYes", Action::Yes, {98, 62, 68, 26}, false, "Yes"},
      {"btNo", Action::No, {166, 62, 66, 26}, false, "No"}}},
    2};

// ---------------------------------------------------------------- skin files

// The faces of an image button, numbered as their bitmaps are.
enum class Face { None = 0, Normal = 1, Hover = 2, Pressed = 3, Disabled = 4 };

// The bitmap of `face` for `button`: programFolder + "Skin/<left>_<top>_<n>.bmp" (with the system's
// separator); a button without its own disabled face shows its normal one there.
std::string SkinFile(const std::string& programFolder, const ImageButtonLayout& button, Face face);

}  // namespace rz::skin
