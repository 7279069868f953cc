// CConfigurationManager: the operator interface's access to the station configuration
// component "VelaConfig.VelaConfig.1". Every call creates the component, checks that its
// store is found, does its work and releases it; a failure shows its message and leaves
// the caller's text as it was.
#pragma once

#include <string>

namespace corvid::operatorconfig {

// The question or notice a Part shows in a message box; tests answer it.
class Prompt {
public:
    virtual void Notify(const std::string& text) = 0;

protected:
    ~Prompt() = default;
};

// Shows every notice in a message box of the message-box service with the application caption.
class MessageBoxPrompt final : public Prompt {
public:
    void Notify(const std::string& text) override;
};

inline constexpr const char* kApplicationTitle = "Corvid Technologies Halcyon";
inline constexpr const char* kCantCreate = "Can't Create Configuration Manager";
inline constexpr const char* kConfigNotFound = "Unable to find Tessera config file";

class CConfigurationManager {
public:
    explicit CConfigurationManager(Prompt& prompt) : prompt_(prompt) {}

    // True when the component can be created and finds its store (else the message is shown).
    bool IsAvailable();
    // The value of key in section (empty when missing); false and value untouched on failure.
    bool GetValue(const std::string& section, const std::string& key, std::string& value);
    bool SetValue(const std::string& section, const std::string& key, const std::string& value);
    bool GetSystemPath(std::string& path);

private:
    Prompt& prompt_;
};

} // namespace corvid::operatorconfig
