#pragma once
// A loaded dynamic library: LoadLibraryW / GetProcAddress / FreeLibrary on
// Windows, dlopen / dlsym / dlclose on POSIX. One owner per load; destroying
// or resetting the object releases the library, so no function or object
// obtained from it may be used afterwards.

#include <string>

namespace platform {

class DynamicLibrary {
public:
    DynamicLibrary() = default;
    ~DynamicLibrary();
    DynamicLibrary(DynamicLibrary&& other) noexcept;
    DynamicLibrary& operator=(DynamicLibrary&& other) noexcept;
    DynamicLibrary(const DynamicLibrary&) = delete;
    DynamicLibrary& operator=(const DynamicLibrary&) = delete;

    // Loads the library file at path (UTF-8). A path without a separator is
    // searched for by the system's rules, so callers that mean a particular
    // file pass a path with a folder. Empty when the file cannot be loaded;
    // then *whyNot, when given, receives the system's reason.
    static DynamicLibrary load(const std::string& path, std::string* whyNot = nullptr);

    // The address of an exported symbol; null when it is not exported or the
    // object is empty.
    void* symbol(const char* name) const;

    // The system's module handle (HMODULE or the dlopen handle); null when
    // empty. For logging and identity only.
    void* nativeHandle() const { return handle_; }

    explicit operator bool() const { return handle_ != nullptr; }

    // Releases the library now; the object is empty afterwards.
    void reset();

private:
    explicit DynamicLibrary(void* handle) : handle_(handle) {}

    void* handle_ = nullptr;
};

} // namespace platform
