// instrdb run as a process on a database file in a temporary directory.
#pragma once

#include "testsupport/sandbox.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace corvid::testing {

inline const std::string kInstrdb = INSTRDB_PATH;

struct Result {
    int status = -1;
    std::vector<std::string> lines; // standard output and error together
};

class InstrdbTest : public ::testing::Test {
protected:
    Result Run(const std::vector<std::string>& args) {
        // The shell joins the tool's error output to what the test reads.
        std::vector<std::string> argv = {"/bin/sh", "-c", "exec \"$0\" \"$@\" 2>&1", kInstrdb};
        argv.insert(argv.end(), args.begin(), args.end());
        ChildProcess tool = ChildProcess::Spawn(argv);
        Result result;
        std::string line;
        while (tool.ReadLine(line))
            result.lines.push_back(line);
        result.status = tool.Wait();
        return result;
    }
    std::string Db() const { return (dir.path() / "instruments.db").string(); }

    TempDir dir;
};

} // namespace corvid::testing
