// The hive files and the locked transactions on them.
#include "platform/locked_file.h"
#include "platform/registry.h"
#include "platform/runtime_dir.h"
#include "registry_node.h"

#include <cerrno>
#include <sys/stat.h>

namespace corvid::platform {

// HKEY_CLASSES_ROOT is the SOFTWARE\Classes subtree of the local machine hive.
class RegistryHive {
public:
    static constexpr std::string_view kClassesKey = "SOFTWARE\\Classes";

    static RegistryRoot FileRoot(RegistryRoot root) {
        return root == RegistryRoot::ClassesRoot ? RegistryRoot::LocalMachine : root;
    }

    static std::string PathInHive(RegistryRoot root, std::string_view keyPath) {
        if (root != RegistryRoot::ClassesRoot)
            return std::string(keyPath);
        std::string path(kClassesKey);
        if (!keyPath.empty())
            path.append("\\").append(keyPath);
        return path;
    }

    // The hive file as a tree; missing or unreadable reads as empty.
    static RegistryKeyTree ReadFile(RegistryRoot fileRoot) {
        std::optional<std::string> text = ReadLockedFile(RegistryHivePath(fileRoot));
        return text ? RegistryKeyTree::Parse(*text, RegistryRootName(fileRoot)) : RegistryKeyTree();
    }

    // Moves the classes subtree out of hive into a tree of its own.
    static RegistryKeyTree Detach(RegistryKeyTree& hive) {
        RegistryKeyTree classes;
        if (RegistryKeyTree::Node* node = FindClasses(hive)) {
            std::swap(classes.root_->values, node->values);
            std::swap(classes.root_->subkeys, node->subkeys);
        }
        return classes;
    }

    // Puts a detached subtree back; SOFTWARE\Classes is created only to hold something.
    static void Attach(RegistryKeyTree& hive, RegistryKeyTree& classes, bool existed) {
        if (!existed && classes.Empty())
            return;
        hive.CreateKey(kClassesKey);
        RegistryKeyTree::Node* node = FindClasses(hive);
        std::swap(classes.root_->values, node->values);
        std::swap(classes.root_->subkeys, node->subkeys);
    }

    static std::optional<std::string> Change(RegistryRoot root, const std::string& text,
                                             const std::function<void(RegistryKeyTree&)>& change) {
        std::string_view rootName = RegistryRootName(FileRoot(root));
        RegistryKeyTree hive = RegistryKeyTree::Parse(text, rootName);
        std::string before = hive.Serialize(rootName);
        if (root == RegistryRoot::ClassesRoot) {
            bool existed = hive.KeyExists(kClassesKey);
            RegistryKeyTree classes = Detach(hive);
            change(classes);
            Attach(hive, classes, existed);
        } else {
            change(hive);
        }
        std::string after = hive.Serialize(rootName);
        if (after == before)
            return std::nullopt; // leaves the file, and any lines we did not understand, alone
        return after;
    }

private:
    static RegistryKeyTree::Node* FindClasses(RegistryKeyTree& hive) {
        RegistryKeyTree::Node* software = hive.root_->FindSubKey("SOFTWARE");
        return software ? software->FindSubKey("Classes") : nullptr;
    }
};

std::string_view RegistryRootName(RegistryRoot root) {
    switch (root) {
    case RegistryRoot::LocalMachine:
        return "HKEY_LOCAL_MACHINE";
    case RegistryRoot::CurrentUser:
        return "HKEY_CURRENT_USER";
    case RegistryRoot::ClassesRoot:
        return "HKEY_CLASSES_ROOT";
    }
    return {};
}

std::filesystem::path RegistryHivePath(RegistryRoot root) {
    std::string file(RegistryRootName(RegistryHive::FileRoot(root)));
    return HomeDirPath() / "registry" / (file + ".reg");
}

RegistryKeyTree RegistrySnapshot(RegistryRoot root) {
    RegistryKeyTree hive = RegistryHive::ReadFile(RegistryHive::FileRoot(root));
    return root == RegistryRoot::ClassesRoot ? RegistryHive::Detach(hive) : hive;
}

bool RegistryKeyExists(RegistryRoot root, std::string_view keyPath) {
    return RegistryHive::ReadFile(RegistryHive::FileRoot(root))
        .KeyExists(RegistryHive::PathInHive(root, keyPath));
}

std::vector<std::string> RegistrySubKeys(RegistryRoot root, std::string_view keyPath) {
    return RegistryHive::ReadFile(RegistryHive::FileRoot(root))
        .SubKeys(RegistryHive::PathInHive(root, keyPath));
}

std::vector<RegistryNamedValue> RegistryValues(RegistryRoot root, std::string_view keyPath) {
    return RegistryHive::ReadFile(RegistryHive::FileRoot(root))
        .Values(RegistryHive::PathInHive(root, keyPath));
}

std::optional<RegistryValue> RegistryGetValue(RegistryRoot root, std::string_view keyPath,
                                              std::string_view name) {
    return RegistryHive::ReadFile(RegistryHive::FileRoot(root))
        .GetValue(RegistryHive::PathInHive(root, keyPath), name);
}

std::optional<std::string> RegistryGetString(RegistryRoot root, std::string_view keyPath,
                                             std::string_view name) {
    return RegistryHive::ReadFile(RegistryHive::FileRoot(root))
        .GetString(RegistryHive::PathInHive(root, keyPath), name);
}

std::optional<std::uint32_t> RegistryGetDword(RegistryRoot root, std::string_view keyPath,
                                              std::string_view name) {
    return RegistryHive::ReadFile(RegistryHive::FileRoot(root))
        .GetDword(RegistryHive::PathInHive(root, keyPath), name);
}

bool RegistryModify(RegistryRoot root, const std::function<void(RegistryKeyTree&)>& change) {
    std::filesystem::path hive = RegistryHivePath(root);
    try {
        EnsureHomeDir();
    } catch (const std::exception&) {
        return false;
    }
    if (::mkdir(hive.parent_path().c_str(), 0700) != 0 && errno != EEXIST)
        return false;
    return UpdateLockedFile(
        hive,
        [&](const LockedFileContents& current) { return RegistryHive::Change(root, current.text, change); },
        0600);
}

bool RegistrySetString(RegistryRoot root, std::string_view keyPath, std::string_view name,
                       std::string_view text) {
    bool valid = false;
    bool written =
        RegistryModify(root, [&](RegistryKeyTree& tree) { valid = tree.SetString(keyPath, name, text); });
    return written && valid;
}

bool RegistrySetDword(RegistryRoot root, std::string_view keyPath, std::string_view name,
                      std::uint32_t value) {
    bool valid = false;
    bool written =
        RegistryModify(root, [&](RegistryKeyTree& tree) { valid = tree.SetDword(keyPath, name, value); });
    return written && valid;
}

bool RegistryDeleteValue(RegistryRoot root, std::string_view keyPath, std::string_view name) {
    bool found = false;
    bool written =
        RegistryModify(root, [&](RegistryKeyTree& tree) { found = tree.DeleteValue(keyPath, name); });
    return written && found;
}

bool RegistryDeleteKey(RegistryRoot root, std::string_view keyPath) {
    bool found = false;
    bool written = RegistryModify(root, [&](RegistryKeyTree& tree) { found = tree.DeleteKey(keyPath); });
    return written && found;
}

} // namespace corvid::platform
