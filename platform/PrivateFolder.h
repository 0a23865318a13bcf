#pragma once
// A folder that only the current user can reach, shared by all of that
// user's programs without configuration, and files created there safely.
//
// POSIX: "$XDG_RUNTIME_DIR/<name>" when XDG_RUNTIME_DIR names an absolute
// folder, else "/tmp/<name>-<uid>". Windows: "%TEMP%\<name>" (GetTempPathW,
// a folder of the user's own profile).

#include <cstdio>
#include <string>
#include <string_view>

namespace platform {

// The folder for `name`, created when missing. On POSIX it is created with
// mode 0700 and accepted only when it is a real directory (not a symbolic
// link) owned by this user that no one else may enter; a folder another user
// planted in /tmp is refused. Empty when the folder cannot be made or is not
// safe; *whyNot then says why.
std::string privateRuntimeFolder(std::string_view name, std::string* whyNot = nullptr);

// Creates a file that must not exist yet (O_CREAT | O_EXCL / CREATE_NEW),
// readable and writable by its owner only on POSIX, and opens it for binary
// writing. Null with errno set on failure: EEXIST when the file exists.
std::FILE* createNewFile(const std::string& path);

} // namespace platform
