#include "Sandbox.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace rdtest {

namespace fs = std::filesystem;

TempDir::TempDir()
{
    std::string pattern = (fs::temp_directory_path() / "rdtest-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir()
{
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

ScopedEnv::ScopedEnv(std::string name, const std::optional<std::string>& value) : name_(std::move(name))
{
    if (const char* old = std::getenv(name_.c_str()))
        previous_ = old;
    if (value)
        ::setenv(name_.c_str(), value->c_str(), 1);
    else
        ::unsetenv(name_.c_str());
}

ScopedEnv::~ScopedEnv()
{
    if (previous_)
        ::setenv(name_.c_str(), previous_->c_str(), 1);
    else
        ::unsetenv(name_.c_str());
}

void writeFile(const std::string& path, const std::string& content)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string regKey(platform::RegistryRoot root, const std::string& subkey)
{
    return "[" + std::string(platform::rootName(root)) + "\\SOFTWARE\\Veltor" + (subkey.empty() ? "" : "\\")
           + subkey + "]\n";
}

std::string regString(const std::string& name, const std::string& text)
{
    std::string escaped;
    for (char c : text) {
        if (c == '\\' || c == '"')
            escaped.push_back('\\');
        escaped.push_back(c);
    }
    return "\"" + name + "\"=\"" + escaped + "\"\n";
}

std::string regDword(const std::string& name, unsigned value)
{
    char digits[16];
    std::snprintf(digits, sizeof digits, "%08x", value);
    return "\"" + name + "\"=dword:" + digits + "\n";
}

std::string regInstallation(platform::RegistryRoot root, int version, const FakeInstall& installation)
{
    return regKey(root, "RayDeck " + std::to_string(version)) + regString("BinName", installation.binName)
           + regString("ResourceFolder", installation.resourceFolder)
           + regString("BinFolder", installation.binFolder);
}

RegistrySandbox::RegistrySandbox()
    : user_("VELTOR_USER_REG", dir / "user.reg"), machine_("VELTOR_MACHINE_REG", dir / "system.reg")
{
}

void RegistrySandbox::writeUser(const std::string& body) const
{
    writeFile(dir / "user.reg", "Windows Registry Editor Version 5.00\n\n" + body);
}

void RegistrySandbox::writeMachine(const std::string& body) const
{
    writeFile(machineFile(), "Windows Registry Editor Version 5.00\n\n" + body);
}

FakeInstall RegistrySandbox::makeInstallation(const std::string& name) const
{
    const FakeInstall installation{dir / (name + "/bin/raydeck"), dir / (name + "/bin"),
                                    dir / (name + "/resources")};
    fs::create_directories(installation.binFolder);
    fs::create_directories(installation.resourceFolder);
    writeFile(installation.binName, "#!/bin/sh\n");
    return installation;
}

} // namespace rdtest
