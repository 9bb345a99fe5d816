#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>

namespace kora {

// What sync knows of the files it uploaded to one controller: for each file (by its path on D:,
// "\SITE\RUN.BAT" as DOS keeps names), the SHA-256 of the content sent and the size and date
// the controller listed right after the upload. A file is skipped only when its content is the
// one recorded and the controller still lists that size and date.
struct RecordedFile {
    std::string sha256; // lower-case hexadecimal
    std::uint64_t size = 0;
    std::string date; // the listing's date text, to the minute as DOS keeps it
    friend bool operator==(const RecordedFile&, const RecordedFile&) = default;
};

class SyncRecord {
public:
    // $XDG_STATE_HOME/kora7740p/sync (default ~/.local/state/kora7740p/sync): one record a
    // controller.
    static std::filesystem::path Folder();
    // The controller's record file: named after its name in the controllers file, else its
    // port, every byte but letters, digits, "-", "_" and "." written as %XX (a port's "/"), so
    // that a name and a port never meet.
    static std::filesystem::path FileFor(const std::string& controller);

    // The record of the file; empty when there is none. A file that cannot be read or is not a
    // record counts as none: everything is uploaded again, and it is replaced on save.
    static SyncRecord Load(const std::filesystem::path& file);

    const std::filesystem::path& file() const { return file_; }
    const RecordedFile* find(const std::string& devicePath) const;
    void set(const std::string& devicePath, RecordedFile recorded);
    void erase(const std::string& devicePath);
    // Every file at or below the device folder.
    void eraseBelow(const std::string& deviceFolder);
    std::size_t size() const { return files_.size(); }

    // Writes the record whole or not at all (a new file renamed over the old one); the reason
    // when it could not.
    std::optional<std::string> save() const;

private:
    std::filesystem::path file_;
    std::map<std::string, RecordedFile> files_;
};

// The record's key of a device path: each name as DOS compares it ("\site\Run.bat" ->
// "\SITE\RUN.BAT").
std::string RecordKey(const std::string& devicePath);

} // namespace kora
