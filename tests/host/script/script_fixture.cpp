#include "script_fixture.h"

#include "com/module.h"

#include <cstdlib>
#include <dlfcn.h>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>

extern char** environ;

namespace corvid::script::testing {

namespace {

void RegisterModule(const char* path) {
    void* module = ::dlopen(path, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(module, nullptr) << ::dlerror();
    auto registerServer =
        reinterpret_cast<com::DllRegisterServerFunction>(::dlsym(module, "DllRegisterServer"));
    ASSERT_NE(registerServer, nullptr);
    ASSERT_EQ(registerServer(), com::S_OK) << path;
}

std::filesystem::path SandboxHome() {
    return std::getenv("CORVID_HOME");
}

std::string ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

void ScriptTest::SetUp() {
    RegisterModule(PROBE_MODULE);
    RegisterModule(FAKE_INSTRUMENT_MODULE);
    options.print = [this](std::string_view line) {
        printed.emplace_back(line);
    };
    host = std::make_unique<ScriptHost>(options);
}

ScriptOutcome ScriptTest::Run(std::string_view code) {
    return host->RunString(code, "=test");
}

void ScriptTest::Expect(std::string_view code) {
    ScriptOutcome outcome = Run(code);
    EXPECT_TRUE(outcome.ok) << outcome.message;
}

std::string ScriptTest::ErrorOf(std::string_view code) {
    ScriptOutcome outcome = Run(code);
    EXPECT_FALSE(outcome.ok) << "the script did not fail";
    return outcome.message;
}

ProgramRun RunAscript(const std::string& script, const std::vector<std::string>& args) {
    std::string path = (SandboxHome() / "script.lua").string();
    std::ofstream(path) << script;
    std::vector<std::string> words{path};
    words.insert(words.end(), args.begin(), args.end());
    ProgramRun run = RunProgram(words);
    run.scriptPath = path;
    return run;
}

ProgramRun RunProgram(const std::vector<std::string>& args) {
    std::filesystem::path directory = SandboxHome();
    ProgramRun run;
    std::string out = (directory / "stdout.txt").string(), err = (directory / "stderr.txt").string();

    std::vector<std::string> words{ASCRIPT_PROGRAM};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = -1;
    int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    EXPECT_EQ(spawned, 0);
    if (spawned != 0)
        return run;
    int status = 0;
    ::waitpid(pid, &status, 0);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    run.out = ReadAll(out);
    run.err = ReadAll(err);
    return run;
}

} // namespace corvid::script::testing
