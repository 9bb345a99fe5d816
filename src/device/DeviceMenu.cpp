#include "device/DeviceMenu.h"

namespace kora {

std::string CaptionWithoutAccelerator(std::string_view caption)
{
    std::string plain;
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&') {
            if (i + 1 < caption.size() && caption[i + 1] == '&') {
                plain += '&';
                ++i;
            }
            continue;
        }
        plain += caption[i];
    }
    return plain;
}

bool PopupMenu2ItemEnabled(std::string_view caption, const FolderEntry* selected)
{
    const bool file = selected != nullptr && !selected->isFolder;
    if (caption == "Make Directory") {
        return selected == nullptr;
    }
    if (caption == "Delete") {
        return selected != nullptr;
    }
    if (caption == "Rename") {
        return file;
    }
    if (caption == "Set to AutoRun") {
        return file && selected->name.find(".EXE") != std::string::npos;
    }
    if (caption == "KORA Copy" || caption == "KORA Paste") {
        return false;
    }
    return true; // Properities, the DOS commands, separators
}

} // namespace kora
