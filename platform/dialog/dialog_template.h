// Dialog templates and icons as data: what the resource script of a dialog program says, in
// one readable place per program (see app/resources.cpp). Captions are GBK byte strings;
// rectangles are in dialog units of the template's font.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace platform {

enum class ControlKind { PushButton, RadioButton, Edit, Label, GroupBox, Tree, Icon };

struct DialogRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

// One image of an icon: `size` by `size` pixels, each a hexadecimal digit naming one of 16
// palette colours (0xRRGGBB). Rows run top to bottom.
struct IconImage {
  int size;
  std::span<const std::string_view> rows;
};

struct IconResource {
  int id;
  const std::array<std::uint32_t, 16>* palette;
  IconImage large;  // 32 by 32
  IconImage small;  // 16 by 16
};

struct ControlTemplate {
  ControlKind kind;
  int id;                    // IDC_STATIC for labels and group boxes
  std::string_view caption;  // GBK; for an Icon control the caption is empty and `iconId` names it
  DialogRect rect;
  std::uint32_t style = 0;  // WS_*, ES_*, BS_*, TVS_* bits
  int iconId = 0;
  const IconResource* icon = nullptr;  // the resource `iconId` names, for an Icon control
};

// A key that runs a command of the dialog, as a click on the button with that id does.
struct Accelerator {
  unsigned flags;  // FVIRTKEY, with FCONTROL when Ctrl is held
  unsigned key;    // a virtual key: 'A'..'Z' for letters
  int command;
};

// An entry of the window's menu bar: it belongs to the menu titled `menu` (menus stand in the
// order their first entries come), and its choice runs `command` as a click on the button with
// that id does. A tab in `text` sets off the entry's key, shown at its right ("撤销\tCtrl+Z");
// the key itself is an accelerator. MF_SEPARATOR in `flags` makes a separator; MF_POPUP an entry
// that opens a list the window fills (its commands follow `command`: Dialog::SetMenuBarList).
struct MenuBarEntry {
  std::string_view menu;  // GBK
  unsigned flags;
  int command;
  std::string_view text;  // GBK
};

// Where the room goes when a resizable dialog (WS_THICKFRAME) is larger than its template: each
// control whose template rectangle lies inside `region` moves its left edge by `moveX` of the
// extra width and its right edge by `moveX + growX` of it, and likewise downwards with `moveY`
// and `growY` (shares from 0 to 1). The first rule whose region holds a control applies; a
// control in no region keeps its place and size.
struct GrowthRule {
  DialogRect region;
  double moveX = 0;
  double growX = 0;
  double moveY = 0;
  double growY = 0;
};

struct DialogTemplate {
  int id;
  std::string_view caption;  // GBK
  int width;                 // dialog units
  int height;
  std::string_view fontName;  // GBK face name
  int fontPoints;
  std::uint32_t style;
  std::uint32_t extendedStyle;
  std::span<const ControlTemplate> controls;  // template order, which is also tab order
  std::span<const Accelerator> accelerators = {};
  std::span<const GrowthRule> growth = {};
  // A menu bar above the controls, when not empty: the window grows by its height, and the
  // controls keep their places relative to each other below it.
  std::span<const MenuBarEntry> menuBar = {};
};

}  // namespace platform

namespace platform {

// The ids of the radio group that holds radio button `id`, in template order: a group begins
// at a radio button with WS_GROUP (or after a control that is no radio button) and runs through
// the radio buttons that follow up to the next that begins a group. Empty when `id` is no
// radio button of the template.
std::vector<int> radioGroupOf(const DialogTemplate& dialogTemplate, int id);

}  // namespace platform
