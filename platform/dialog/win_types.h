// The window system's numbers that the dialog layer keeps under their familiar names: command
// results, message-box flags, window and control styles, tree-control codes and system commands.
// Values are those of the Windows headers, so templates read as the resource script did.
#pragma once

#include <cstdint>

namespace platform {

// Results of a modal run and of a message box.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;
// The id of a label or group box that no code addresses.
inline constexpr int IDC_STATIC = -1;

// Message-box button sets and default buttons.
inline constexpr unsigned MB_OK = 0x0000;
inline constexpr unsigned MB_OKCANCEL = 0x0001;
inline constexpr unsigned MB_YESNOCANCEL = 0x0003;
inline constexpr unsigned MB_TYPEMASK = 0x000F;
inline constexpr unsigned MB_ICONEXCLAMATION = 0x0030;
inline constexpr unsigned MB_DEFBUTTON1 = 0x0000;
inline constexpr unsigned MB_DEFBUTTON2 = 0x0100;
inline constexpr unsigned MB_DEFBUTTON3 = 0x0200;
inline constexpr unsigned MB_DEFMASK = 0x0F00;

// Window styles.
inline constexpr std::uint32_t WS_POPUP = 0x80000000u;
inline constexpr std::uint32_t WS_VISIBLE = 0x10000000u;
inline constexpr std::uint32_t WS_CAPTION = 0x00C00000u;
inline constexpr std::uint32_t WS_BORDER = 0x00800000u;
inline constexpr std::uint32_t WS_VSCROLL = 0x00200000u;
inline constexpr std::uint32_t WS_SYSMENU = 0x00080000u;
inline constexpr std::uint32_t WS_THICKFRAME = 0x00040000u;  // the window can be resized
inline constexpr std::uint32_t WS_GROUP = 0x00020000u;
inline constexpr std::uint32_t WS_TABSTOP = 0x00010000u;
// The same bit as WS_TABSTOP: a maximise box in a window's own style, a tab stop in a control's.
inline constexpr std::uint32_t WS_MAXIMIZEBOX = 0x00010000u;
inline constexpr std::uint32_t WS_EX_APPWINDOW = 0x00040000u;  // own task-bar button
inline constexpr std::uint32_t DS_MODALFRAME = 0x0080u;

// Edit styles.
inline constexpr std::uint32_t ES_MULTILINE = 0x0004u;
inline constexpr std::uint32_t ES_AUTOVSCROLL = 0x0040u;
inline constexpr std::uint32_t ES_AUTOHSCROLL = 0x0080u;
inline constexpr std::uint32_t ES_READONLY = 0x0800u;

// Button styles.
inline constexpr std::uint32_t BS_DEFPUSHBUTTON = 0x0001u;
inline constexpr std::uint32_t BS_AUTORADIOBUTTON = 0x0009u;

// Tree-control styles.
inline constexpr std::uint32_t TVS_HASBUTTONS = 0x0001u;
inline constexpr std::uint32_t TVS_HASLINES = 0x0002u;
inline constexpr std::uint32_t TVS_LINESATROOT = 0x0004u;
inline constexpr std::uint32_t TVS_EDITLABELS = 0x0008u;

// Tree items: a handle the control hands out, or one of the special places below.
using HTREEITEM = std::intptr_t;
inline constexpr HTREEITEM TVI_NULL = 0;
inline constexpr HTREEITEM TVI_ROOT = -0x10000;
inline constexpr HTREEITEM TVI_FIRST = -0x0FFFF;
inline constexpr HTREEITEM TVI_LAST = -0x0FFFE;
inline constexpr unsigned TVE_COLLAPSE = 0x0001;
inline constexpr unsigned TVE_EXPAND = 0x0002;
inline constexpr unsigned TVE_TOGGLE = 0x0003;
inline constexpr int TVSIL_NORMAL = 0;
// An image index the control asks the dialog for each time it needs it (TreeDispInfo).
inline constexpr int I_IMAGECALLBACK = -1;

// Accelerator flags: the key is a virtual key (a letter's is its upper-case character), held
// with Ctrl, with Shift.
inline constexpr unsigned FVIRTKEY = 0x01;
inline constexpr unsigned FSHIFT = 0x04;
inline constexpr unsigned FCONTROL = 0x08;
// This program's own flag: the key runs its command only while the focus is not in an edit box
// a person can type into; there the key acts on the box's text (Ctrl+Z undoes its typing).
inline constexpr unsigned FOUTSIDEEDIT = 0x100;

// System-menu entries and commands.
inline constexpr unsigned MF_STRING = 0x0000;
inline constexpr unsigned MF_SEPARATOR = 0x0800;
// This program's own flag, for a menu-bar entry: it shows a check mark, cleared at first, which
// the window sets and clears (Dialog::CheckMenuBarEntry).
inline constexpr unsigned MF_CHECKMARK = 0x10000;
// For a menu-bar entry: it opens a list of entries that the window sets (Dialog::SetMenuBarList).
inline constexpr unsigned MF_POPUP = 0x0010;
inline constexpr unsigned SC_CLOSE = 0xF060;

// Icon slots of a window.
inline constexpr bool ICON_BIG = true;
inline constexpr bool ICON_SMALL = false;

}  // namespace platform
