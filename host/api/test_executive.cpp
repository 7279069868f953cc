#include "test_executive.h"

#include <exception>

namespace corvid::host {
namespace {

constexpr const char* kSystemTable = "System";
constexpr const char* kGlobalsTable = "TestPlanGlobals";
constexpr int kSequenceRunning = 8;
constexpr auto kIdleInterval = std::chrono::milliseconds(20);

VTestHandle MakeHandle(std::intptr_t suite, std::size_t index) {
    return (suite << 16) | static_cast<VTestHandle>(index + 1);
}

} // namespace

std::atomic<int> TestExecutive::abortRequested_{0};

TestExecutive& TestExecutive::Instance() {
    static TestExecutive executive;
    return executive;
}

TestExecutive::TestExecutive() {
    for (const char* name : {"TestStationID", "FixtureID", "TestInfoString"})
        variables_.Define(kSystemTable, name, false);
}

bool TestExecutive::Load(const std::string& path) {
    if (Busy())
        return false;
    Unload();
    abortRequested_ = 0;
    // The plan's top level runs now and may loop: the operator's abort ends it as it ends a test.
    loading_ = true;
    lastIdle_ = std::chrono::steady_clock::now();
    try {
        suite_ = std::make_unique<TestSuite>(path, *this);
    } catch (const std::exception& e) {
        loading_ = false;
        abortRequested_ = 0; // an abort of the load is spent with it
        lastError_ = e.what();
        return false;
    }
    loading_ = false;
    suiteId_ = nextSuiteId_++;
    DefineGlobals();
    lastError_.clear();
    return true;
}

void TestExecutive::DefineGlobals() {
    for (const PlanGlobal& global : suite_->globals()) {
        Variable* variable = variables_.Get(variables_.Define(kGlobalsTable, global.name, global.integer));
        variable->SetText(global.value);
    }
}

bool TestExecutive::Busy() {
    if (loading_)
        lastError_ = "a test plan is loading";
    else if (running_)
        lastError_ = "a test is running";
    else
        return false;
    return true;
}

bool TestExecutive::Unload() {
    if (Busy())
        return false;
    EndSequence();
    suite_.reset();
    suiteId_ = 0;
    selectedVariant_.clear();
    lastTestErrored_ = false;
    variables_.RemoveTable(kGlobalsTable);
    return true;
}

bool TestExecutive::SetSelector(const std::string& variant) {
    if (const auto* variants = Variants())
        for (const std::string& declared : *variants)
            if (EqualsNoCase(declared, variant)) {
                selectedVariant_ = declared;
                return true;
            }
    lastError_ = suite_ ? "the plan has no variant \"" + variant + "\"" : "no test plan is loaded";
    return false;
}

VTestHandle TestExecutive::FindTest(const std::string& name) const {
    if (!suite_)
        return 0;
    std::ptrdiff_t index = suite_->IndexOf(name);
    return index < 0 ? 0 : MakeHandle(suiteId_, static_cast<std::size_t>(index));
}

PlanTest* TestExecutive::Test(VTestHandle handle) {
    if (!suite_ || handle <= 0 || (handle >> 16) != suiteId_)
        return nullptr;
    std::size_t index = static_cast<std::size_t>(handle & 0xFFFF);
    auto& tests = suite_->tests();
    return index >= 1 && index <= tests.size() ? &tests[index - 1] : nullptr;
}

bool TestExecutive::RunTest(VTestHandle handle) {
    if (Busy())
        return false;
    if (inRunTest_) { // from a callback of the test that is starting or ending
        lastError_ = "a test is running";
        return false;
    }
    if (!Test(handle)) {
        lastError_ = "no such test";
        return false;
    }
    inRunTest_ = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } const reset{inRunTest_};
    return RunTestOnce(handle);
}

bool TestExecutive::RunTestOnce(VTestHandle handle) {
    BeginSequence();
    callbacks_.testBegin.Call(handle);
    PlanTest* test = Test(handle); // a callback may have unloaded the plan
    if (!test)
        return false;
    running_ = true;
    lastIdle_ = std::chrono::steady_clock::now();
    if (abortRequested_) {
        test->errored = true;
        test->judgement = 2;
        test->error = "Aborted by the operator";
    } else {
        suite_->Run(*test);
    }
    running_ = false;
    lastTestErrored_ = test->errored;
    if (test->errored)
        SendReport("ERROR: " + test->error + "\n");
    callbacks_.testEnd.Call(handle);
    if (stopAfterTest_)
        EndSequence();
    return true;
}

void TestExecutive::BeginSequence() {
    if (inSequence_)
        return;
    inSequence_ = true;
    abortRequested_ = 0; // one asked for while no sequence ran is not this sequence's
    callbacks_.sequenceBegin.Call();
}

void TestExecutive::EndSequence() {
    stopAfterTest_ = false;
    if (!inSequence_)
        return;
    inSequence_ = false;
    int aborted = abortRequested_.exchange(0) ? 1 : 0;
    callbacks_.sequenceEnd.Call(aborted);
}

int TestExecutive::State() const {
    if (inSequence_)
        return kSequenceRunning;
    return suite_ ? 1 : 0;
}

bool TestExecutive::StopSequence() {
    if (running_) { // from a window while a test runs: end it first
        stopAfterTest_ = true;
        RequestAbort(true);
        return true;
    }
    bool wasRunning = inSequence_;
    EndSequence();
    return wasRunning;
}

bool TestExecutive::AppExit() {
    if (appExit_)
        appExit_(appExitContext_);
    return true;
}

void TestExecutive::RequestAbort(bool abort) {
    abortRequested_ = abort ? 1 : 0;
}

void TestExecutive::SetIdleProc(HalcyonIdleProc proc, void* context) {
    idle_ = proc;
    idleContext_ = context;
}

void TestExecutive::SetAppExitProc(HalcyonAppExitProc proc, void* context) {
    appExit_ = proc;
    appExitContext_ = context;
}

int TestExecutive::TestCount() const {
    return suite_ ? static_cast<int>(suite_->tests().size()) : 0;
}

VTestHandle TestExecutive::TestAt(int index) const {
    return index >= 0 && index < TestCount() ? MakeHandle(suiteId_, static_cast<std::size_t>(index)) : 0;
}

const std::vector<std::string>* TestExecutive::Variants() const {
    return suite_ ? &suite_->variants() : nullptr;
}

bool TestExecutive::TestInVariant(VTestHandle handle) {
    PlanTest* test = Test(handle);
    if (!test)
        return false;
    if (selectedVariant_.empty() || test->variants.empty())
        return true;
    for (const std::string& variant : test->variants) {
        if (EqualsNoCase(variant, selectedVariant_)) {
            return true;
        }
    }
    return false;
}

void TestExecutive::SendReport(std::string_view text) {
    callbacks_.report.CallAny(std::string(text).c_str());
}

void TestExecutive::SendTrace(std::string_view text) {
    callbacks_.trace.CallAny(std::string(text).c_str());
}

void TestExecutive::Idle() {
    auto now = std::chrono::steady_clock::now();
    if (!idle_ || now - lastIdle_ < kIdleInterval)
        return;
    lastIdle_ = now;
    idle_(idleContext_);
}

std::string TestExecutive::Interruption() {
    if (!running_ && !loading_)
        return {};
    Idle();
    return abortRequested_ ? "Aborted by the operator" : "";
}

} // namespace corvid::host
