#pragma once

#include <array>
#include <string>
#include <string_view>

#include "filelist/FolderEntry.h"

namespace kora {

// One item of the device list's pop-up menu. Separators have the caption "-"; the three DOS
// commands sit in the "D&OS command" submenu.
struct PopupMenuItem {
    std::string_view objectName;
    std::string_view caption;
    std::string_view submenuOf; // object name of the parent item, empty at the top level
};

inline constexpr std::array<PopupMenuItem, 15> kPopupMenu2Items = {{
    {"MakeDirectory1", "&Make Directory", ""},
    {"N1", "-", ""},
    {"KORACopy1", "KORA Cop&y", ""},
    {"KORAPaste1", "KORA Pas&te", ""},
    {"N2", "-", ""},
    {"Delete1", "&Delete", ""},
    {"Rename1", "&Rename", ""},
    {"N4", "-", ""},
    {"DOScommand1", "D&OS command", ""},
    {"ABORT1", "&ABORT", "DOScommand1"},
    {"FORMAT1", "&FORMAT", "DOScommand1"},
    {"MEM1", "M&EM", "DOScommand1"},
    {"SetToAutoRun1", "Set to &AutoRun", ""},
    {"N3", "-", ""},
    {"Properities1", "&Properities", ""},
}};

// The caption with its "&" accelerator marks removed ("&&" stands for one "&").
std::string CaptionWithoutAccelerator(std::string_view caption);

// Whether the item with this caption (accelerators removed) is enabled while `selected` is
// the selected entry (null: nothing selected). Items not governed by the selection - the DOS
// commands and separators - are enabled; KORA Copy and KORA Paste never are.
bool PopupMenu2ItemEnabled(std::string_view caption, const FolderEntry* selected);

} // namespace kora
