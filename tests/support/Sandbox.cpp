#include "Sandbox.h"

#include "RegistryRedirect.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace rdtest {

namespace fs = std::filesystem;

TempDir::TempDir()
{
    // A random name, created exclusively: create_directory is false when it
    // already exists.
    std::random_device seed;
    std::mt19937_64 random(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        char name[32];
        std::snprintf(name, sizeof name, "rdtest-%016llx", static_cast<unsigned long long>(random()));
        const fs::path candidate = fs::temp_directory_path() / name;
        if (fs::create_directory(candidate)) {
            path_ = candidate;
            return;
        }
    }
    throw std::runtime_error("cannot create a temporary folder");
}

TempDir::~TempDir()
{
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

std::string TempDir::operator/(const std::string& relative) const
{
    // Normalised: the system's own separators, as its programs print paths.
    return utf8FromPath((path_ / pathFromUtf8(relative)).lexically_normal());
}

namespace {

void setEnvironment(const std::string& name, const std::optional<std::string>& value)
{
#ifdef _WIN32
    // _putenv_s changes the process environment too, which child processes
    // inherit; the empty value removes the variable.
    _putenv_s(name.c_str(), value ? value->c_str() : "");
#else
    if (value)
        ::setenv(name.c_str(), value->c_str(), 1);
    else
        ::unsetenv(name.c_str());
#endif
}

} // namespace

ScopedEnv::ScopedEnv(std::string name, const std::optional<std::string>& value) : name_(std::move(name))
{
    if (const char* old = std::getenv(name_.c_str()))
        previous_ = old;
    setEnvironment(name_, value);
}

ScopedEnv::~ScopedEnv()
{
    setEnvironment(name_, previous_);
}

void writeFile(const std::string& path, const std::string& content)
{
    std::ofstream out(pathFromUtf8(path), std::ios::binary | std::ios::trunc);
    out << content;
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

std::string readFile(const std::string& path)
{
    std::ifstream in(pathFromUtf8(path), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string readTextFile(const std::string& path)
{
    const std::string text = readFile(path);
#ifdef _WIN32
    std::string lines;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            continue;
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r'))
            ADD_FAILURE() << path << ": a line ends in a bare line feed at byte " << i;
        lines += text[i];
    }
    return lines;
#else
    return text;
#endif
}

std::string regKey(platform::RegistryRoot root, const std::string& subkey)
{
    std::string line = "[";
    line.append(platform::rootName(root)).append("\\SOFTWARE\\Veltor");
    if (!subkey.empty())
        line.append("\\").append(subkey);
    line += "]\n";
    return line;
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

namespace {

constexpr char kRegHeader[] = "Windows Registry Editor Version 5.00\n\n";

} // namespace

RegistrySandbox::RegistrySandbox(Reach reach)
    : redirect_(std::make_unique<RegistryRedirect>(dir.path(), reach == Reach::StartedProgramsToo))
{
}

RegistrySandbox::~RegistrySandbox() = default;

void RegistrySandbox::writeUser(const std::string& body) const
{
    redirect_->write(platform::RegistryRoot::CurrentUser, kRegHeader + body);
}

void RegistrySandbox::writeMachine(const std::string& body) const
{
    redirect_->write(platform::RegistryRoot::LocalMachine, kRegHeader + body);
}

FakeInstall RegistrySandbox::makeInstallation(const std::string& name) const
{
    const FakeInstall installation{dir / (name + "/bin/raydeck"), dir / (name + "/bin"),
                                    dir / (name + "/resources")};
    fs::create_directories(pathFromUtf8(installation.binFolder));
    fs::create_directories(pathFromUtf8(installation.resourceFolder));
    writeFile(installation.binName, "#!/bin/sh\n");
    return installation;
}

} // namespace rdtest
