#pragma once

#include <map>
#include <mutex>
#include <optional>
#include <string>

#include "sim/SimCommand.h"

namespace kora::sim {

// The commands the console runs by name, keyed by lookup key. Commands may be added while the
// console runs (a test adds its own after start); a lookup hands out a copy, so a handler
// that runs for long holds no lock.
class CommandTable {
public:
    void add(const std::string& key, CommandHandler handler)
    {
        std::lock_guard lock(mutex_);
        handlers_[key] = std::move(handler);
    }
    std::optional<CommandHandler> find(const std::string& key) const
    {
        std::lock_guard lock(mutex_);
        const auto found = handlers_.find(key);
        if (found == handlers_.end())
            return std::nullopt;
        return found->second;
    }

    // Runs before every command line, with the whole line as its command word; none: nothing.
    void setBeforeEach(CommandHandler handler)
    {
        std::lock_guard lock(mutex_);
        beforeEach_ = std::move(handler);
    }
    CommandHandler beforeEach() const
    {
        std::lock_guard lock(mutex_);
        return beforeEach_;
    }

private:
    mutable std::mutex mutex_;
    std::map<std::string, CommandHandler> handlers_;
    CommandHandler beforeEach_;
};

} // namespace kora::sim
