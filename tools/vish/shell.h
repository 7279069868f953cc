// The VISA shell: one resource manager session, at most one open instrument session, and
// the commands that work on them. Output and error texts go to the streams given.
#pragma once

#include "command_line.h"

#include <functional>
#include <map>
#include <ostream>
#include <string>
#include <visa.h>

namespace corvid::vish {

class Shell {
public:
    Shell(std::ostream& out, std::ostream& err);
    ~Shell();
    Shell(const Shell&) = delete;
    Shell& operator=(const Shell&) = delete;

    // Runs one line of commands separated by ";"; false when one of them failed (the rest
    // of the line is skipped).
    bool Execute(std::string_view line);
    bool quitRequested() const { return quit_; }
    // The text printed before interactive use (says when the bench is simulated).
    std::string Banner() const;
    // The prompt: the open resource, if any.
    std::string Prompt() const;

private:
    using Handler = bool (Shell::*)(const std::string& rest);

    bool Run(const Command& command);
    bool Check(ViStatus status, const std::string& what);
    bool NeedSession();
    bool ReadAll(std::string& text);
    bool WriteText(const std::string& rest);

    bool List(const std::string& rest);
    bool Open(const std::string& rest);
    bool Close(const std::string& rest);
    bool Write(const std::string& rest);
    bool Read(const std::string& rest);
    bool Query(const std::string& rest);
    bool StatusByte(const std::string& rest);
    bool Clear(const std::string& rest);
    bool Trigger(const std::string& rest);
    bool Remote(const std::string& rest);
    bool Attribute(const std::string& rest);
    bool Timeout(const std::string& rest);
    bool TermChar(const std::string& rest);
    bool Wait(const std::string& rest);
    bool Lock(const std::string& rest);
    bool Unlock(const std::string& rest);
    bool Help(const std::string& rest);
    bool Quit(const std::string& rest);

    std::ostream& out_;
    std::ostream& err_;
    ViSession rm_ = VI_NULL;
    ViSession vi_ = VI_NULL;
    std::string resource_;
    bool srqEnabled_ = false;
    bool quit_ = false;
    std::map<std::string, Handler> commands_;
};

// Whether the configured GPIB driver library is the simulated one (no visa.ini, or a
// library named simgpib).
bool SimulatedBench();

} // namespace corvid::vish
