#pragma once

#include <QElapsedTimer>
#include <QString>

#include <cstddef>
#include <optional>
#include <string>

#include "device/DeviceEntries.h"

namespace kora {

// Type-ahead in the device list: characters typed in quick succession make one search text,
// and the list jumps to the first entry whose name begins with it (upper-cased on both sides),
// searching from the current row on and wrapping round. A new search starts one row past the
// current one, so typing the same first letter again steps through the entries that share it.
class TypeAheadSearch {
public:
    // Typed characters belong to the same search while they come less than `intervalMs` apart.
    explicit TypeAheadSearch(int intervalMs) : intervalMs_(intervalMs) {}

    // Adds the typed characters and returns the row to go to, if any entry matches.
    std::optional<std::size_t> type(const QString& typed, std::optional<std::size_t> currentRow,
                                    const DeviceEntries& entries);

    // The search text so far, in the console's single-byte form.
    const std::string& text() const { return text_; }

private:
    int intervalMs_;
    QElapsedTimer sinceLastKey_;
    std::string text_;
};

} // namespace kora
