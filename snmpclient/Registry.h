#pragma once

#include "ResultCode.h"

#include <iosfwd>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace zemtra {

/// The per-user registry of classes: keys named by paths ("CLSID\{...}\InprocServer32"),
/// each with named string values ("" is the default value). Key names compare
/// without regard to case. Kept in a text file.
class RegistryFile {
public:
    /// $ZEMTRA_REGISTRY, else $XDG_DATA_HOME/zemtra/registry.reg, else ~/.local/share/zemtra/registry.reg.
    static std::string defaultPath();

    explicit RegistryFile(std::string path = defaultPath());

    /// Reads the file; a missing file is an empty registry. 0x80004005 when it cannot be read.
    ResultCode load();
    /// Writes the file whole (through a temporary file), making its folder.
    /// 0x80070005 when it cannot be written.
    ResultCode save() const;
    /// Replaces the keys with those `in` holds, in the file's form; lines
    /// that are not keys or values are left out.
    void read(std::istream& in);
    /// The keys in the file's form.
    std::string text() const;

    bool hasKey(const std::string& key) const;
    void createKey(const std::string& key);
    /// Removes the key and every key below it.
    void deleteTree(const std::string& key);
    void setValue(const std::string& key, const std::string& name, const std::string& value);
    std::optional<std::string> value(const std::string& key, const std::string& name = {}) const;
    /// The names of the keys directly below `key`.
    std::vector<std::string> subkeys(const std::string& key) const;

    const std::string& path() const { return m_path; }

private:
    struct NoCase {
        bool operator()(const std::string& a, const std::string& b) const;
    };
    using Values = std::map<std::string, std::string>;

    std::string m_path;
    std::map<std::string, Values, NoCase> m_keys;
};

/// Writes the component's class registration and its type library's keys.
ResultCode registerComponent(RegistryFile& registry, const std::string& modulePath);
/// Removes them again; the CLSID key itself stays.
ResultCode unregisterComponent(RegistryFile& registry);

/// The full path of the loaded component library.
std::string componentModulePath();

}  // namespace zemtra
