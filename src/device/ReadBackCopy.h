#pragma once

#include <optional>
#include <string>

#include "filelist/LocalPath.h"

namespace kora {

// Keeping a file read back from the controller on the PC: whole or not at all. The bytes go to
// a new file beside the target, which then takes the target's name in one step, so a reader
// never sees half a file and a failure leaves nothing behind. An existing file is replaced only
// when `replace` says so; without it the check and the new name are one step too (no other
// program's file created meanwhile is overwritten). The copy is made as every other file the
// user makes: 0666 less the umask. Returns why it failed, nothing on success.
std::optional<std::string> SaveReadBackCopy(const LocalPath& target, const std::string& bytes,
                                            bool replace);

// The same for the file `name` inside a folder the caller holds open (`folderFd`): nothing on
// the way is looked up again, and no link is followed; a link at the name is replaced as a
// name, never written through. `target` is the path shown in messages.
std::optional<std::string> SaveReadBackCopyIn(int folderFd, const std::string& name,
                                              const LocalPath& target, const std::string& bytes,
                                              bool replace);

// Whether something (file, folder, link) is at the path already.
bool LocalPathExists(const LocalPath& path);
// Whether something is at the name inside the open folder (a link is not followed).
bool LocalNameExistsIn(int folderFd, const std::string& name);

// The path of a name inside a PC folder ("dir" + "/" + name).
LocalPath LocalChildPath(const LocalPath& folder, const std::string& name);

} // namespace kora
