// The registry on POSIX: each root is a file in the registry export format
// (see RegFile.h).
//
//   HKEY_CURRENT_USER   $VELTOR_USER_REG, else
//                       ${XDG_CONFIG_HOME:-$HOME/.config}/veltor/user.reg
//   HKEY_LOCAL_MACHINE  $VELTOR_MACHINE_REG, else /etc/veltor/system.reg
//
// The file is read again at every open, so edits take effect at once as in
// the registry, but parsed only when its content changed. A missing file is an
// empty root. A malformed or unreadable file, or one that is no regular file
// (a directory), is reported once on standard error (again only after it
// changed) and read as an empty root.

#include <platform/Files.h>
#include <platform/Native.h>
#include <platform/RegFile.h>
#include <platform/Utf16.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace platform {

namespace {

std::string environment(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

std::string rootFilePath(RegistryRoot root)
{
    if (root == RegistryRoot::LocalMachine) {
        const std::string chosen = environment("VELTOR_MACHINE_REG");
        return chosen.empty() ? "/etc/veltor/system.reg" : chosen;
    }
    const std::string chosen = environment("VELTOR_USER_REG");
    if (!chosen.empty())
        return chosen;
    // A relative XDG_CONFIG_HOME is invalid and ignored, as XDG asks.
    const std::string config = environment("XDG_CONFIG_HOME");
    if (!config.empty() && config.front() == '/')
        return config + "/veltor/user.reg";
    const std::string home = environment("HOME");
    return home.empty() ? std::string() : home + "/.config/veltor/user.reg";
}

class RegFileKey final : public RegistryKey {
public:
    RegFileKey(std::shared_ptr<const RegFile> file, const RegKeyData& key) : file_(std::move(file)), key_(key) {}

    std::optional<std::string> queryString(std::string_view name, std::size_t bufferBytes) const override
    {
        const RegValue* value = RegFile::value(key_, name);
        if (value == nullptr || value->type != RegString)
            return std::nullopt;
        const std::size_t bytesNeeded = (utf8ToUtf16(value->text).size() + 1) * sizeof(char16_t);
        if (bytesNeeded > bufferBytes)
            return std::nullopt;
        return value->text;
    }

    std::optional<std::uint32_t> queryDword(std::string_view name) const override
    {
        const RegValue* value = RegFile::value(key_, name);
        if (value == nullptr || value->type != RegDword)
            return std::nullopt;
        return value->number;
    }

private:
    std::shared_ptr<const RegFile> file_; // keeps key_ alive
    const RegKeyData& key_;
};

class RegFileRegistry final : public Registry {
public:
    std::unique_ptr<RegistryKey> open(RegistryRoot root, std::string_view path) override
    {
        const std::shared_ptr<const RegFile> file = load(root);
        if (!file)
            return nullptr;
        const RegKeyData* key = file->find(path);
        if (key == nullptr)
            return nullptr;
        return std::make_unique<RegFileKey>(file, *key);
    }

private:
    struct Cached {
        std::string path;
        std::string content; // or the reason it could not be read
        bool readable = false;
        std::shared_ptr<const RegFile> file; // null when not usable
    };

    std::shared_ptr<const RegFile> load(RegistryRoot root)
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        Cached& cached = cache_[root == RegistryRoot::CurrentUser ? 0 : 1];
        const std::string path = rootFilePath(root);
        if (path.empty()) {
            cached = Cached{};
            return nullptr;
        }

        std::string content, reason;
        std::FILE* in = openRegularFile(path, reason);
        if (in == nullptr && (errno == ENOENT || errno == ENOTDIR)) {
            cached = Cached{};
            return nullptr;
        }
        const bool read = in != nullptr && readToEnd(in, content, reason);
        if (in != nullptr)
            std::fclose(in);
        if (!read) {
            if (cached.path != path || cached.readable || cached.content != reason) {
                std::fprintf(stderr, "registry file %s: cannot be read: %s; it is ignored\n", path.c_str(),
                             reason.c_str());
                std::fflush(stderr);
                cached = Cached{path, reason, false, nullptr};
            }
            return nullptr;
        }
        if (cached.path == path && cached.readable && cached.content == content)
            return cached.file;

        auto file = std::make_shared<RegFile>(RegFile::parse(content, root));
        if (!file->ok()) {
            std::fprintf(stderr, "registry file %s, %s; the file is ignored\n", path.c_str(), file->error().c_str());
            std::fflush(stderr);
            file.reset();
        }
        cached = Cached{path, std::move(content), true, file};
        return file;
    }

    std::mutex mutex_;
    Cached cache_[2];
};

} // namespace

Registry& native::registry()
{
    static RegFileRegistry instance;
    return instance;
}

std::optional<std::string> registryRootFile(RegistryRoot root)
{
    return rootFilePath(root);
}

} // namespace platform
