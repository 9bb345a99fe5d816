#include "sim/IoConfigTool.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <string_view>
#include <vector>

#include "sim/DosFileSystem.h"
#include "sim/Faults.h"
#include "sim/Simulator.h"

namespace kora::sim {

namespace {

constexpr std::string_view kStart = "@KORA7740PIOCFG-START";
constexpr std::string_view kEnd = "@KORA7740PIOCFG-END";

// What the controller knows of each module it can hold: its channels, and for the analog ones
// the range codes it accepts (the first is the factory setting).
struct ModuleInfo {
    int type;
    int channels;
    std::vector<int> ranges; // empty: no channel records
};

std::vector<int> Span(int first, int last)
{
    std::vector<int> codes;
    for (int code = first; code <= last; ++code)
        codes.push_back(code);
    return codes;
}

const std::vector<ModuleInfo>& Modules()
{
    static const std::vector<ModuleInfo> modules = [] {
        std::vector<int> thermocouple = Span(0, 6);
        for (int code : Span(14, 20))
            thermocouple.push_back(code);
        return std::vector<ModuleInfo>{
            {4, 8, Span(7, 13)},  {5, 7, thermocouple}, {6, 4, Span(0, 2)},    {8, 3, Span(32, 41)},
            {9, 3, Span(32, 41)}, {12, 8, Span(0, 11)}, {24, 4, Span(48, 50)}, {15, 8, {}},
            {16, 16, {}},         {17, 16, {}},         {18, 16, {}},          {19, 8, {}},
            {20, 6, {}},          {21, 16, {}},         {31, 4, {}},
        };
    }();
    return modules;
}

const ModuleInfo* FindModule(int type)
{
    for (const ModuleInfo& module : Modules())
        if (module.type == type)
            return &module;
    return nullptr;
}

bool hasRangeRecords(int moduleType)
{
    const ModuleInfo* module = FindModule(moduleType);
    return module && !module->ranges.empty();
}

std::optional<int> field(const std::string& line, std::size_t at, std::size_t width)
{
    if (line.size() < at + width)
        return std::nullopt;
    int value = 0;
    const char* first = line.data() + at;
    const auto [end, ec] = std::from_chars(first, first + width, value);
    if (ec != std::errc() || end != first + width)
        return std::nullopt;
    return value;
}

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> result;
    std::size_t start = 0;
    while (start < text.size()) {
        auto end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        result.push_back(std::move(line));
        start = end + 1;
    }
    return result;
}

// The range codes that do not belong to their module's list, as a reason; empty when all do.
std::string ForeignRange(const IoConfiguration& config)
{
    for (std::size_t s = 0; s < 4; ++s) {
        const IoSlot& slot = config.slotConfig[s];
        const ModuleInfo* module = FindModule(slot.moduleType);
        if (!module || module->ranges.empty())
            continue;
        for (int c = 0; c < std::min(slot.channelCount, 8); ++c) {
            const int code = slot.rangeCode[static_cast<std::size_t>(c)];
            if (std::find(module->ranges.begin(), module->ranges.end(), code) ==
                module->ranges.end())
                return "slot " + std::to_string(s) + " channel " + std::to_string(c) +
                       " has no range " + std::to_string(code);
        }
    }
    return {};
}

// What the tool prints between its records when asked to be chatty: blank lines, short bits
// and whole lines, none of which starts like a channel record.
constexpr std::array<std::string_view, 4> kChatter{"", "...", "Checking module", "  ok"};

} // namespace

std::optional<IoConfiguration> ParseIoConfiguration(const std::string& text, std::string* why)
{
    auto fail = [why](std::string reason) -> std::optional<IoConfiguration> {
        if (why)
            *why = std::move(reason);
        return std::nullopt;
    };
    // An upload arrives padded to a whole block; the padding follows the end record.
    IoConfiguration config;
    bool started = false;
    int openSlot = -1;
    int nextChannel = 0;
    for (const auto& line : lines(text)) {
        if (line.empty())
            continue;
        if (!started) {
            const auto node = field(line, kStart.size() + 1, 3);
            if (!line.starts_with(kStart) || !node)
                return fail("no start record");
            config.nodeId = *node;
            started = true;
            continue;
        }
        if (line.starts_with(kEnd)) {
            if (openSlot >= 0)
                return fail("slot " + std::to_string(openSlot) + " is not closed");
            return config;
        }
        if (line.starts_with("@SLOT")) {
            const auto slot = field(line, 5, 1);
            if (!slot || *slot > 3)
                return fail("bad slot record '" + line + "'");
            if (openSlot >= 0) {
                if (*slot != openSlot || line.substr(6) != " -1 -1 -1")
                    return fail("slot " + std::to_string(openSlot) + " is not closed");
                const IoSlot& done = config.slotConfig[static_cast<std::size_t>(openSlot)];
                if (hasRangeRecords(done.moduleType) && done.channelCount >= 1 &&
                    done.channelCount <= 8 && nextChannel != done.channelCount)
                    return fail("slot " + std::to_string(openSlot) + " lacks channels");
                openSlot = -1;
                continue;
            }
            IoSlot& s = config.slotConfig[static_cast<std::size_t>(*slot)];
            const auto type = field(line, 7, 2);
            if (!type || *type < 0)
                return fail("bad slot record '" + line + "'");
            s.moduleType = *type;
            s.channelCount = *type == kNoModuleType ? -1 : field(line, 10, 2).value_or(-1);
            openSlot = *slot;
            nextChannel = 0;
            continue;
        }
        const auto channel = field(line, 0, 1);
        const auto range = field(line, 2, 2);
        if (openSlot < 0 || !channel || !range || *channel != nextChannel || *channel > 7)
            return fail("bad channel record '" + line + "'");
        config.slotConfig[static_cast<std::size_t>(openSlot)]
            .rangeCode[static_cast<std::size_t>(*channel)] = *range;
        ++nextChannel;
    }
    return fail(started ? "no end record" : "no start record");
}

std::string FormatIoConfiguration(const IoConfiguration& config)
{
    char record[64];
    std::snprintf(record, sizeof record, "%s %03d -1 -1\n", kStart.data(), config.nodeId % 1000);
    std::string text = record;
    for (int i = 0; i < 4; ++i) {
        const IoSlot& s = config.slotConfig[static_cast<std::size_t>(i)];
        if (s.moduleType == kNoModuleType) {
            std::snprintf(record, sizeof record, "@SLOT%d 99 -1 -1\n", i);
            text += record;
        } else {
            std::snprintf(record, sizeof record, "@SLOT%d %02d %02d -1\n", i, s.moduleType % 100,
                          s.channelCount % 100);
            text += record;
            if (hasRangeRecords(s.moduleType) && s.channelCount >= 1 && s.channelCount <= 8) {
                for (int c = 0; c < s.channelCount; ++c) {
                    std::snprintf(record, sizeof record, "%d %02d -1 -1\n", c,
                                  s.rangeCode[static_cast<std::size_t>(c)] % 100);
                    text += record;
                }
            }
        }
        std::snprintf(record, sizeof record, "@SLOT%d -1 -1 -1\n", i);
        text += record;
    }
    return text + std::string(kEnd) + " -1 -1 -1\n";
}

IoConfiguration SampleIoConfiguration()
{
    IoConfiguration config;
    config.nodeId = 1;
    // The analog input reads +/-5 V on every channel; the outputs drive 0-20 mA, 4-20 mA,
    // 0-10 V and 0-20 mA.
    config.slotConfig[0] = {4, 8, {9, 9, 9, 9, 9, 9, 9, 9}};
    config.slotConfig[1] = {24, 4, {48, 49, 50, 48, -1, -1, -1, -1}};
    config.slotConfig[2] = {16, 16, {-1, -1, -1, -1, -1, -1, -1, -1}};
    return config;
}

std::optional<IoConfiguration> IoConfigurationWithModules(const std::array<int, 4>& types)
{
    IoConfiguration config;
    config.nodeId = 1;
    for (std::size_t s = 0; s < 4; ++s) {
        if (types[s] == kNoModuleType)
            continue;
        const ModuleInfo* module = FindModule(types[s]);
        if (!module)
            return std::nullopt;
        IoSlot& slot = config.slotConfig[s];
        slot.moduleType = module->type;
        slot.channelCount = module->channels;
        if (!module->ranges.empty())
            for (int c = 0; c < std::min(module->channels, 8); ++c)
                slot.rangeCode[static_cast<std::size_t>(c)] = module->ranges.front();
    }
    return config;
}

void InstallIoConfiguration(DosFileSystem& fs, const IoConfiguration& config)
{
    fs.writeFileChecked(kIoConfigSystemFile, FormatIoConfiguration(config), DosDateTime::now());
}

void RegisterIoConfigTool(Simulator& simulator)
{
    simulator.registerCommand("cfgio", [](CommandContext& c) {
        const auto installedText = c.fs.readFile(kIoConfigSystemFile);
        std::string why;
        const auto installed =
            installedText ? ParseIoConfiguration(*installedText, &why) : std::nullopt;
        if (!installed) {
            c.io.writeLine("I/O configuration not available");
            return;
        }
        const std::string argument = c.arguments.substr(0, c.arguments.find(' '));
        if (argument == "1") {
            const bool chatty = c.faults.ioConfigNoise.load();
            std::size_t chatter = 0;
            const bool endless = c.faults.ioConfigNoEnd.load();
            for (const auto& line : lines(FormatIoConfiguration(*installed))) {
                if (endless && line.starts_with(kEnd))
                    break;
                c.io.writeLine(line);
                if (chatty)
                    c.io.writeLine(kChatter[chatter++ % kChatter.size()]);
            }
            return;
        }
        if (!argument.empty()) {
            c.io.writeLine("Invalid parameter - " + argument);
            return;
        }
        const auto uploaded = c.fs.readFile(kIoConfigUploadFile);
        if (!uploaded) {
            c.io.writeLine(std::string("Cannot open ") + kIoConfigUploadFile);
            return;
        }
        auto wanted = ParseIoConfiguration(*uploaded, &why);
        if (!wanted) {
            c.io.writeLine("Invalid I/O configuration: " + why);
            return;
        }
        // The modules are hardware: only their range codes can be set.
        for (std::size_t i = 0; i < 4; ++i) {
            if (wanted->slotConfig[i].moduleType != installed->slotConfig[i].moduleType ||
                wanted->slotConfig[i].channelCount != installed->slotConfig[i].channelCount) {
                c.io.writeLine("Invalid I/O configuration: slot " + std::to_string(i) +
                               " does not hold that module");
                return;
            }
        }
        if (const std::string foreign = ForeignRange(*wanted); !foreign.empty()) {
            c.io.writeLine("Invalid I/O configuration: " + foreign);
            return;
        }
        wanted->nodeId = installed->nodeId;
        if (!c.fs.writeFile(kIoConfigSystemFile, FormatIoConfiguration(*wanted))) {
            c.io.writeLine("Cannot write the I/O configuration");
            return;
        }
        c.io.writeLine("I/O configuration applied");
    });
}

} // namespace kora::sim
