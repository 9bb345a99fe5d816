#!/usr/bin/env bash
# Counts the lines of the two file panels' code with wc -l: every file of src/local and
# src/filelist, and the device panel's parts of src/device (the browser and its folder source,
# the list model and sort where they still exist, the panel, its controller and its menu).
# Console code of src/device (listing, position, operations, dialogs) is not counted.
#   scripts/panel-lines.sh            the working tree (tracked and new files)
#   scripts/panel-lines.sh REV        a commit, e.g. da12c37
set -euo pipefail
cd "$(dirname "$0")/.."
rev=${1:-}
panel='/(DeviceBrowser|DeviceListModel|DevicePanel|DevicePanelController|DeviceSort|DeviceMenu|DeviceMenuActions)\.(h|cpp)$'

files() { # folder
    if [ -z "$rev" ]; then
        { git ls-files "$1"; git ls-files --others --exclude-standard "$1"; } | sort -u
    else
        git ls-tree -r --name-only "$rev" "$1"
    fi
}
lines() { # file
    if [ -z "$rev" ]; then wc -l <"$1"; else git show "$rev:$1" | wc -l; fi
}
total() { # folder [filter]
    local sum=0 file
    while read -r file; do
        sum=$((sum + $(lines "$file")))
    done < <(files "$1" | grep -E "${2:-.}")
    echo "$sum"
}

local_lines=$(total src/local/)
filelist_lines=$(total src/filelist/)
device_lines=$(total src/device/ "$panel")
echo "src/local $local_lines, src/filelist $filelist_lines, device panel parts $device_lines," \
    "total $((local_lines + filelist_lines + device_lines))"
