// What the driver's tests share: a log that collects its entries, scripted answers to
// message boxes, safe-array helpers, and a fixture with a fresh driver object on the
// fake VISA library.
#pragma once

#include "com/error_info.h"
#include "com/object.h"
#include "driver/interfaces.h"
#include "fake_visa.h"
#include "link/gpib_command_info.h"
#include "platform/message_box.h"
#include "testsupport/sandbox.h"

#include <cstring>
#include <deque>
#include <gmock/gmock.h>
#include <string>
#include <vector>

namespace corvid::driver::testing {

struct LoggedEntry {
    std::string name, text, status, result;
};

// An ILog that keeps every entry.
class CollectingLog final : public ComClass<CollectingLog, ILog> {
public:
    static std::span<const InterfaceEntry> InterfaceTable() {
        static constexpr InterfaceEntry table[] = {Entry<CollectingLog, ILog>(),
                                                   Entry<CollectingLog, IDispatch, ILog>()};
        return table;
    }
    HRESULT GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }
    HRESULT LogEntry(BSTR logName, BSTR entry, BSTR status, BSTR result) override;

    std::vector<LoggedEntry> entries;

private:
    ~CollectingLog() override = default;
};

// Answers message boxes from a queue (then with the default button) and keeps them.
class MessageBoxes {
public:
    MessageBoxes();
    ~MessageBoxes();
    MessageBoxes(const MessageBoxes&) = delete;
    MessageBoxes& operator=(const MessageBoxes&) = delete;

    std::vector<platform::MessageBoxRequest> shown;
    std::deque<platform::MsgAnswer> answers;

private:
    platform::MessageBoxHandler previous_;
};

// A one-dimensional array of the values.
template <class T>
SAFEARRAY* MakeArray(VARTYPE vt, const std::vector<T>& values) {
    SAFEARRAY* array = SafeArrayCreateVector(vt, 0, static_cast<ULONG>(values.size()));
    void* data = nullptr;
    SafeArrayAccessData(array, &data);
    if (!values.empty())
        std::memcpy(data, values.data(), values.size() * sizeof(T));
    SafeArrayUnaccessData(array);
    return array;
}

// The elements of an array (all dimensions).
template <class T>
std::vector<T> ArrayValues(SAFEARRAY* array) {
    std::vector<T> values(SafeArrayElementCount(array));
    void* data = nullptr;
    if (SUCCEEDED(SafeArrayAccessData(array, &data))) {
        if (!values.empty())
            std::memcpy(values.data(), data, values.size() * sizeof(T));
        SafeArrayUnaccessData(array);
    }
    return values;
}

// The bytes of a block as a string, for comparisons.
std::string BlockBytes(const link::CCopyDataBlock& block);

// The thread's error information: its description, or "(none)".
std::string TakeErrorDescription();
// The message part of a description: the text between "[Message : " and the last "]".
std::string MessageOf(const std::string& description);
// The command part: between "[Command : " and the next "]".
std::string CommandOf(const std::string& description);

// A fresh driver object (with a collecting log) on a freshly reset fake VISA library.
class DriverTest : public corvid::testing::SandboxTest {
protected:
    DriverTest();
    ~DriverTest() override;

    // Sets the addresses and initialises; asserts success.
    void Open(LONG board = 0, LONG primary = 22);
    // The texts of the log entries, and clears them.
    std::vector<std::string> TakeLogTexts();

    fakevisa::State& visa;
    MessageBoxes boxes;
    ComPtr<CollectingLog> log;
    ComPtr<IGpib> gpib;
    ComPtr<IInitializeGpib> setup;
};

} // namespace corvid::driver::testing
