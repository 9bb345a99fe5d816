#include "ioconf/ModuleKinds.h"

#include <array>
#include <utility>

namespace kora {
namespace {

constexpr ModuleKind kNoModuleKind{"No module", ChannelArea::None, std::nullopt, 0};

constexpr ModuleKind Digital(const char* description)
{
    return {description, ChannelArea::None, std::nullopt, 0};
}

constexpr std::array<std::pair<std::int32_t, ModuleKind>, 15> kModules{{
    {4, {"KORA-7255 8-channel analog input module", ChannelArea::SingleList, RangeList::M7255, 8}},
    {5,
     {"KORA-7257 7-channel thermocouple input module", ChannelArea::SingleList, RangeList::M7257,
      7}},
    {6, {"KORA-7263 4-ch Counter/Frequency module", ChannelArea::SingleList, RangeList::M7263, 4}},
    {8, {"KORA-7245 3-channel RTD input module", ChannelArea::SingleList, RangeList::M7245, 3}},
    {9, {"KORA-7245 3-channel RTD input module", ChannelArea::SingleList, RangeList::M7245, 3}},
    {12,
     {"KORA-7255H 8-channel high speed input module", ChannelArea::PerChannel, RangeList::M7255H,
      8}},
    {24,
     {"KORA-7259 4-channel analog output module", ChannelArea::PerChannel, RangeList::M7259, 4}},
    {15, Digital("KORA-7285 8-ch isolated digital input module")},
    {16, Digital("KORA-7275 16-ch universal digital I/O module")},
    {17, Digital("KORA-7283 16-channel Digital input module")},
    {18, Digital("KORA-7291 16-channel digital output module")},
    {19, Digital("KORA-7295 8-channel relay output module")},
    {20, Digital("KORA-7293 6-channel relay output module")},
    {21, Digital("KORA-7287 8-ch digital input and 8-ch output module")},
    {31, Digital("KORA-7297 4-port RS-232 Communication Module")},
}};

} // namespace

const ModuleKind& ModuleKindOf(std::int32_t moduleType)
{
    for (const auto& [type, kind] : kModules) {
        if (type == moduleType) {
            return kind;
        }
    }
    return kNoModuleKind;
}

bool HasRangeRecords(std::int32_t moduleType)
{
    return ModuleKindOf(moduleType).list.has_value();
}

} // namespace kora
