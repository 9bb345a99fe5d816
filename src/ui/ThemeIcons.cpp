#include "ui/ThemeIcons.h"

#include <array>
#include <initializer_list>

namespace kora {
namespace {

struct IconNames {
    ToolIcon kind;
    // The theme's names, the most fitting first; the first one also names the built-in file.
    std::initializer_list<const char*> themeNames;
};

const std::array<IconNames, 11> kIconNames{{
    {ToolIcon::MoveUp, {"go-up"}},
    {ToolIcon::Refresh, {"view-refresh"}},
    {ToolIcon::LargeIcons, {"view-list-icons"}},
    {ToolIcon::SmallIcons, {"view-list-compact"}},
    {ToolIcon::ListView, {"view-list-text"}},
    {ToolIcon::ReportView, {"view-list-details"}},
    {ToolIcon::ConfigDevice, {"configure", "preferences-system"}},
    {ToolIcon::Terminal, {"utilities-terminal"}},
    {ToolIcon::OpenFolder, {"folder-open", "document-open"}},
    {ToolIcon::RunUtility, {"system-run", "application-x-executable"}},
    {ToolIcon::CopyToDevice, {"go-next"}},
}};

} // namespace

QIcon ThemeIcon(ToolIcon kind)
{
    for (const IconNames& names : kIconNames) {
        if (names.kind != kind) {
            continue;
        }
        for (const char* name : names.themeNames) {
            if (QIcon::hasThemeIcon(QLatin1String(name))) {
                return QIcon::fromTheme(QLatin1String(name));
            }
        }
        return QIcon(QStringLiteral(":/kora7740p/icons/") +
                     QLatin1String(*names.themeNames.begin()) + QStringLiteral(".svg"));
    }
    return {};
}

} // namespace kora
