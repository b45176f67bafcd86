#include "Registry.h"

#include "ReplaceFile.h"

#include "ComponentIdentity.h"

#include <dlfcn.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace zemtra {

namespace {


bool sameLetters(char a, char b)
{
    return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
}

bool sameKey(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), sameLetters);
}

bool isBelow(const std::string& key, const std::string& parent)
{
    if (key.size() <= parent.size() + 1 || key[parent.size()] != '\\')
        return false;
    return std::equal(parent.begin(), parent.end(), key.begin(), sameLetters);
}

std::string quoted(const std::string& text)
{
    std::string out = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"')
            out += '\\';
        if (c == '\n') {
            out += "\\n";
            continue;
        }
        out += c;
    }
    return out + '"';
}

// Reads a quoted string starting at `at`; nullopt when malformed.
std::optional<std::string> unquote(const std::string& line, std::size_t& at)
{
    if (at >= line.size() || line[at] != '"')
        return std::nullopt;
    std::string out;
    for (++at; at < line.size(); ++at) {
        if (line[at] == '"') {
            ++at;
            return out;
        }
        if (line[at] == '\\' && at + 1 < line.size()) {
            ++at;
            out += line[at] == 'n' ? '\n' : line[at];
        } else {
            out += line[at];
        }
    }
    return std::nullopt;
}

// The registration script: keys with their values; ForceRemove keys are
// deleted and written anew on registration, NoRemove keys are never deleted.
struct ScriptKey {
    enum class Mode { Normal, ForceRemove, NoRemove };
    std::string name;
    Mode mode = Mode::Normal;
    std::optional<std::string> defaultValue;
    std::vector<std::pair<std::string, std::string>> values;
    std::vector<ScriptKey> children;
};

std::vector<ScriptKey> registrationScript(const std::string& module)
{
    using namespace identity;
    using Mode = ScriptKey::Mode;
    const std::string clsid = kClsidSnmpClient.text();
    return {
        {kProgId, Mode::Normal, kClassDescription, {}, {{"CLSID", Mode::Normal, clsid, {}, {}}}},
        {kVersionIndependentProgId,
         Mode::Normal,
         kClassDescription,
         {},
         {{"CLSID", Mode::Normal, clsid, {}, {}}, {"CurVer", Mode::Normal, std::string(kProgId), {}, {}}}},
        {"CLSID",
         Mode::NoRemove,
         std::nullopt,
         {},
         {{clsid,
           Mode::ForceRemove,
           kClassDescription,
           {},
           {
               {"ProgID", Mode::Normal, std::string(kProgId), {}, {}},
               {"VersionIndependentProgID", Mode::Normal, std::string(kVersionIndependentProgId), {}, {}},
               {"Programmable", Mode::ForceRemove, std::nullopt, {}, {}},
               {"InprocServer32", Mode::Normal, module, {{"ThreadingModel", "Apartment"}}, {}},
               {"Control", Mode::ForceRemove, std::nullopt, {}, {}},
               {"ToolboxBitmap32", Mode::ForceRemove, module + ", 101", {}, {}},
               {"MiscStatus", Mode::Normal, std::string("0"), {}, {{"1", Mode::Normal, std::string(kMiscStatus), {}, {}}}},
               {"TypeLib", Mode::Normal, kLibidZemtraAtl.text(), {}, {}},
               {"Version", Mode::Normal, std::string("1.0"), {}, {}},
           }}}},
    };
}

void applyKey(RegistryFile& registry, const std::string& parent, const ScriptKey& key)
{
    const std::string path = parent.empty() ? key.name : parent + "\\" + key.name;
    if (key.mode == ScriptKey::Mode::ForceRemove)
        registry.deleteTree(path);
    registry.createKey(path);
    if (key.defaultValue)
        registry.setValue(path, "", *key.defaultValue);
    for (const auto& [name, value] : key.values)
        registry.setValue(path, name, value);
    for (const ScriptKey& child : key.children)
        applyKey(registry, path, child);
}

void removeKey(RegistryFile& registry, const std::string& parent, const ScriptKey& key)
{
    const std::string path = parent.empty() ? key.name : parent + "\\" + key.name;
    if (key.mode != ScriptKey::Mode::NoRemove) {
        registry.deleteTree(path);
        return;
    }
    for (const ScriptKey& child : key.children)
        removeKey(registry, path, child);
}

std::string typeLibKey() { return "TypeLib\\" + identity::kLibidZemtraAtl.text(); }
std::string interfaceKey() { return "Interface\\" + identity::kIidSnmpClient.text(); }

}  // namespace

bool RegistryFile::NoCase::operator()(const std::string& a, const std::string& b) const
{
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) < std::tolower(static_cast<unsigned char>(y));
    });
}

std::string RegistryFile::defaultPath()
{
    if (const char* path = std::getenv("ZEMTRA_REGISTRY"); path && *path)
        return path;
    if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data)
        return std::string(data) + "/zemtra/registry.reg";
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : ".") + "/.local/share/zemtra/registry.reg";
}

RegistryFile::RegistryFile(std::string path) : m_path(std::move(path)) {}

ResultCode RegistryFile::load()
{
    m_keys.clear();
    std::ifstream file(m_path);
    if (!file) {
        // No file is an empty registry; an unreadable one is a failure. Never throws.
        std::error_code error;
        const bool exists = std::filesystem::exists(m_path, error);
        return exists || error ? kFail : kOk;
    }
    read(file);
    return kOk;
}

void RegistryFile::read(std::istream& file)
{
    m_keys.clear();
    std::string line;
    std::string current;
    while (std::getline(file, line)) {
        if (line.empty() || line.front() == ';')
            continue;
        if (line.front() == '[' && line.back() == ']') {
            current = line.substr(1, line.size() - 2);
            createKey(current);
            continue;
        }
        if (current.empty())
            continue;
        std::size_t at = 0;
        std::string name;
        if (line.front() == '@') {
            at = 1;
        } else if (auto parsed = unquote(line, at)) {
            name = *parsed;
        } else {
            continue;  // not a value line: left out
        }
        if (at >= line.size() || line[at] != '=')
            continue;
        ++at;
        if (auto value = unquote(line, at))
            setValue(current, name, *value);
    }
}

std::string RegistryFile::text() const
{
    std::ostringstream text;
    text << "; Zemtra component registry (per user)\n";
    for (const auto& [key, values] : m_keys) {
        text << '[' << key << "]\n";
        for (const auto& [name, value] : values)
            text << (name.empty() ? std::string("@") : quoted(name)) << '=' << quoted(value) << '\n';
    }
    return text.str();
}

ResultCode RegistryFile::save() const
{
    std::error_code error;
    const std::filesystem::path target(m_path);
    if (target.has_parent_path())
        std::filesystem::create_directories(target.parent_path(), error);
    // It names the library the program loads and runs: never written through a planted link.
    return replaceFile(m_path, text(), 0644) ? kAccessDenied : kOk;
}

bool RegistryFile::hasKey(const std::string& key) const { return m_keys.count(key) != 0; }

void RegistryFile::createKey(const std::string& key)
{
    // Every key on the way down exists too.
    for (std::size_t at = key.find('\\'); at != std::string::npos; at = key.find('\\', at + 1))
        m_keys.try_emplace(key.substr(0, at));
    m_keys.try_emplace(key);
}

void RegistryFile::deleteTree(const std::string& key)
{
    for (auto it = m_keys.begin(); it != m_keys.end();) {
        if (sameKey(it->first, key) || isBelow(it->first, key))
            it = m_keys.erase(it);
        else
            ++it;
    }
}

void RegistryFile::setValue(const std::string& key, const std::string& name, const std::string& value)
{
    createKey(key);
    m_keys[key][name] = value;
}

std::optional<std::string> RegistryFile::value(const std::string& key, const std::string& name) const
{
    const auto found = m_keys.find(key);
    if (found == m_keys.end())
        return std::nullopt;
    const auto entry = found->second.find(name);
    if (entry == found->second.end())
        return std::nullopt;
    return entry->second;
}

std::vector<std::string> RegistryFile::subkeys(const std::string& key) const
{
    std::vector<std::string> names;
    for (const auto& [path, values] : m_keys)
        if (isBelow(path, key) && path.find('\\', key.size() + 1) == std::string::npos)
            names.push_back(path.substr(key.size() + 1));
    return names;
}

ResultCode registerComponent(RegistryFile& registry, const std::string& modulePath)
{
    for (const ScriptKey& key : registrationScript(modulePath))
        applyKey(registry, "", key);
    // The type library the library file carries, and the interface it describes.
    const std::string version = typeLibKey() + "\\" + identity::kTypeLibVersion;
    registry.setValue(version, "", identity::kTypeLibDescription);
    registry.setValue(version + "\\409\\linux", "", modulePath);
    registry.setValue(version + "\\FLAGS", "", "0");
    registry.setValue(interfaceKey(), "", identity::kInterfaceName);
    registry.setValue(interfaceKey() + "\\TypeLib", "", identity::kLibidZemtraAtl.text());
    registry.setValue(interfaceKey() + "\\TypeLib", "Version", identity::kTypeLibVersion);
    return kOk;
}

ResultCode unregisterComponent(RegistryFile& registry)
{
    for (const ScriptKey& key : registrationScript({}))
        removeKey(registry, "", key);
    registry.deleteTree(typeLibKey());
    registry.deleteTree(interfaceKey());
    return kOk;
}

std::string componentModulePath()
{
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&componentModulePath), &info) == 0 || !info.dli_fname)
        return {};
    std::error_code error;
    const auto canonical = std::filesystem::canonical(info.dli_fname, error);
    return error ? std::string(info.dli_fname) : canonical.string();
}

}  // namespace zemtra
