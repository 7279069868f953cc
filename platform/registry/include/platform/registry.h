// The registry: two hive files in $CORVID_HOME/registry/, HKEY_LOCAL_MACHINE.reg and
// HKEY_CURRENT_USER.reg (REGEDIT4 style text, UTF-8). HKEY_CLASSES_ROOT is the subtree
// HKEY_LOCAL_MACHINE\SOFTWARE\Classes. A missing hive reads as an empty one.
//
// Key paths are relative to the root and separated by backslashes
// ("SOFTWARE\\Classes\\CLSID\\{...}"); "" names the root itself. Key and value names
// compare without regard to (ASCII) case and keep the case they were created with.
// The value name "" is the key's default value.
//
// Every call below is one transaction on the hive file: readers take a shared lock,
// RegistryModify an exclusive one for its whole read-change-replace cycle, so that
// concurrent writers in several processes never lose each other's changes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace corvid::platform {

enum class RegistryRoot { LocalMachine, CurrentUser, ClassesRoot };

struct RegistryValue {
    enum class Kind { String, Dword };
    Kind kind = Kind::String;
    std::string text;        // Kind::String
    std::uint32_t dword = 0; // Kind::Dword

    static RegistryValue String(std::string value) { return {Kind::String, std::move(value), 0}; }
    static RegistryValue Dword(std::uint32_t value) { return {Kind::Dword, {}, value}; }
    bool operator==(const RegistryValue&) const = default;
};

using RegistryNamedValue = std::pair<std::string, RegistryValue>;

// One hive (or the classes subtree of one) in memory. Key paths with an empty
// component ("A\\\\B", a leading or trailing backslash) or a line break are invalid:
// lookups on them find nothing and changes on them return false.
class RegistryKeyTree {
public:
    RegistryKeyTree();
    ~RegistryKeyTree();
    RegistryKeyTree(const RegistryKeyTree& other);
    RegistryKeyTree& operator=(const RegistryKeyTree& other);
    RegistryKeyTree(RegistryKeyTree&& other) noexcept;
    RegistryKeyTree& operator=(RegistryKeyTree&& other) noexcept;

    // Creates the key and any missing parents. True when the key exists afterwards.
    bool CreateKey(std::string_view path);
    bool KeyExists(std::string_view path) const;
    // Names of the direct subkeys, in creation (file) order.
    std::vector<std::string> SubKeys(std::string_view path) const;
    // The key's values in creation (file) order; empty for a missing key.
    std::vector<RegistryNamedValue> Values(std::string_view path) const;
    std::optional<RegistryValue> GetValue(std::string_view path, std::string_view name) const;
    // The text of a string value; nullopt when missing or not a string.
    std::optional<std::string> GetString(std::string_view path, std::string_view name) const;
    // The number of a dword value; nullopt when missing or not a dword.
    std::optional<std::uint32_t> GetDword(std::string_view path, std::string_view name) const;

    // Set a value, creating the key (and its parents) when missing. An existing value
    // of that name is replaced in place and keeps its name's case.
    bool SetValue(std::string_view path, std::string_view name, RegistryValue value);
    bool SetString(std::string_view path, std::string_view name, std::string_view text);
    bool SetDword(std::string_view path, std::string_view name, std::uint32_t value);
    // False when the key or the value does not exist.
    bool DeleteValue(std::string_view path, std::string_view name);
    // Deletes the key with all its subkeys. False when it does not exist; the root ("")
    // cannot be deleted.
    bool DeleteKey(std::string_view path);

    // True when the tree holds no key and no value at all.
    bool Empty() const;

    // The hive file text for the root key named rootName ("HKEY_LOCAL_MACHINE"), and
    // back. Parsing is tolerant: lines it does not understand, and keys of another
    // root, are left out of the tree; a damaged file is read as far as it goes.
    std::string Serialize(std::string_view rootName) const;
    static RegistryKeyTree Parse(std::string_view text, std::string_view rootName);

    bool operator==(const RegistryKeyTree& other) const;

    struct Node; // the tree's storage, private to the implementation

private:
    std::unique_ptr<Node> root_;

    friend class RegistryHive;
};

// The name of the root as written in hive files and full key paths
// ("HKEY_LOCAL_MACHINE", "HKEY_CURRENT_USER", "HKEY_CLASSES_ROOT").
std::string_view RegistryRootName(RegistryRoot root);

// The hive file that holds the root ($CORVID_HOME/registry/HKEY_LOCAL_MACHINE.reg for
// both LocalMachine and ClassesRoot).
std::filesystem::path RegistryHivePath(RegistryRoot root);

// Readers. A missing or unreadable hive reads as empty.
RegistryKeyTree RegistrySnapshot(RegistryRoot root); // the whole root as one consistent copy
bool RegistryKeyExists(RegistryRoot root, std::string_view keyPath);
std::vector<std::string> RegistrySubKeys(RegistryRoot root, std::string_view keyPath);
std::vector<RegistryNamedValue> RegistryValues(RegistryRoot root, std::string_view keyPath);
std::optional<RegistryValue> RegistryGetValue(RegistryRoot root, std::string_view keyPath,
                                              std::string_view name);
std::optional<std::string> RegistryGetString(RegistryRoot root, std::string_view keyPath,
                                             std::string_view name);
std::optional<std::uint32_t> RegistryGetDword(RegistryRoot root, std::string_view keyPath,
                                              std::string_view name);

// One locked read-change-replace transaction: change is called with the root's tree
// (for ClassesRoot the SOFTWARE\Classes subtree, with paths relative to it) while the
// hive is locked exclusively; the hive is then replaced atomically. Nothing is written
// when change leaves the tree as it was or throws (the exception propagates). Returns
// false, with nothing changed, when the hive cannot be locked, read or written.
// change must not call the registry functions on the same hive (it would wait for
// itself).
bool RegistryModify(RegistryRoot root, const std::function<void(RegistryKeyTree&)>& change);

// Single-value shorthands for RegistryModify.
bool RegistrySetString(RegistryRoot root, std::string_view keyPath, std::string_view name,
                       std::string_view text);
bool RegistrySetDword(RegistryRoot root, std::string_view keyPath, std::string_view name,
                      std::uint32_t value);
bool RegistryDeleteValue(RegistryRoot root, std::string_view keyPath, std::string_view name);
bool RegistryDeleteKey(RegistryRoot root, std::string_view keyPath);

// Application settings "in the per-user registry key X": the key
// HKEY_CURRENT_USER\Software\X\<program>\<section>. AppSettingsKey returns that path
// relative to HKEY_CURRENT_USER ("Software\\OMBRA\\ombra\\Settings").
std::string AppSettingsKey(std::string_view registryKey, std::string_view program, std::string_view section);

// Profile-style access to those settings: sections are keys, entries are values.
// Integers are stored as dwords (negative numbers as their two's complement).
class AppSettings {
public:
    AppSettings(std::string registryKey, std::string program);

    std::string SectionKey(std::string_view section) const;

    std::optional<std::string> GetString(std::string_view section, std::string_view entry) const;
    std::string GetString(std::string_view section, std::string_view entry, std::string_view fallback) const;
    // A dword entry as a signed number; a string entry holding a decimal number is read
    // as that number; anything else gives the fallback.
    int GetInt(std::string_view section, std::string_view entry, int fallback) const;
    // All entries of a section in order.
    std::vector<RegistryNamedValue> Entries(std::string_view section) const;

    bool SetString(std::string_view section, std::string_view entry, std::string_view value);
    bool SetInt(std::string_view section, std::string_view entry, int value);
    // True when the entry (or section) existed and was removed.
    bool DeleteEntry(std::string_view section, std::string_view entry);
    bool DeleteSection(std::string_view section);

private:
    std::string registryKey_;
    std::string program_;
};

} // namespace corvid::platform
