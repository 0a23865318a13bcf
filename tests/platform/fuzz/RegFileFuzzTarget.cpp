// The registry file parser under fuzzing: a file either parses, and then
// every key it holds is found again by its path with every value by its
// name, or it has an error and no keys.
#include <platform/RegFile.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view content(reinterpret_cast<const char*>(data), size);
    for (const platform::RegistryRoot root : {platform::RegistryRoot::CurrentUser, platform::RegistryRoot::LocalMachine}) {
        const platform::RegFile file = platform::RegFile::parse(content, root);
        if (!file.ok()) {
            if (!file.keys().empty())
                std::abort(); // a malformed file has no keys
            continue;
        }
        if (file.find("") == nullptr)
            std::abort(); // the root key exists once a file has parsed
        for (const auto& [path, key] : file.keys()) {
            if (file.find(path) != &key)
                std::abort();
            for (const auto& [name, value] : key.values)
                if (platform::RegFile::value(key, name) != &value)
                    std::abort();
        }
    }
    return 0;
}
