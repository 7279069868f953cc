// The test executive behind the host's C interface: the loaded plan, the running
// sequence, the callbacks, the variable tables and the operator abort.
#pragma once

#include "callback_lists.h"
#include "halcyon/host_program.h"
#include "plan_environment.h"
#include "test_suite.h"
#include "variable_tables.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <string>

namespace corvid::host {

class TestExecutive final : public PlanEnvironment {
public:
    // The host process has one executive.
    static TestExecutive& Instance();

    HostCallbacks& callbacks() { return callbacks_; }

    bool Load(const std::string& path);
    bool Unload();
    bool SetSelector(const std::string& variant);
    VTestHandle FindTest(const std::string& name) const;
    bool RunTest(VTestHandle handle);
    PlanTest* Test(VTestHandle handle);
    int State() const;
    bool StopSequence();
    std::intptr_t SuiteHandle() const { return suite_ ? suiteId_ : 0; }
    bool AppExit();
    bool LastTestErrored() const { return lastTestErrored_; }

    // Safe from any thread and from a signal handler.
    static void RequestAbort(bool abort);

    void SetIdleProc(HalcyonIdleProc proc, void* context);
    void SetAppExitProc(HalcyonAppExitProc proc, void* context);
    const std::string& lastError() const { return lastError_; }
    void SetLastError(std::string text) { lastError_ = std::move(text); }

    int TestCount() const;
    VTestHandle TestAt(int index) const;
    const std::vector<std::string>* Variants() const;
    const std::string& selectedVariant() const { return selectedVariant_; }
    bool TestInVariant(VTestHandle handle);

    // PlanEnvironment
    void SendReport(std::string_view text) override;
    void SendTrace(std::string_view text) override;
    VariableTables& Variables() override { return variables_; }
    std::string SelectedVariant() const override { return selectedVariant_; }
    std::string Interruption() override;

private:
    TestExecutive();
    // Sets the last error and answers true while a plan loads or a test's body runs.
    bool Busy();
    bool RunTestOnce(VTestHandle handle);
    void BeginSequence();
    void EndSequence();
    void DefineGlobals();
    void Idle();

    HostCallbacks callbacks_;
    VariableTables variables_;
    std::unique_ptr<TestSuite> suite_;
    std::intptr_t suiteId_ = 0;
    std::intptr_t nextSuiteId_ = 1;
    std::string selectedVariant_;
    bool inSequence_ = false;
    bool running_ = false;   // a test's body runs
    bool inRunTest_ = false; // from the test-begin to the test-end callbacks
    bool loading_ = false;   // the plan's top level runs
    bool stopAfterTest_ = false;
    bool lastTestErrored_ = false;
    std::string lastError_;
    HalcyonIdleProc idle_ = nullptr;
    void* idleContext_ = nullptr;
    std::chrono::steady_clock::time_point lastIdle_;
    HalcyonAppExitProc appExit_ = nullptr;
    void* appExitContext_ = nullptr;
    static std::atomic<int> abortRequested_;
};

} // namespace corvid::host
