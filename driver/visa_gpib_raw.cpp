// Arrays of numbers written and read as raw bytes.
#include "visa_gpib.h"

#include <algorithm>
#include <cstring>

namespace corvid::driver {
namespace {

// The number of elements of the array's first dimension.
std::size_t FirstDimensionCount(SAFEARRAY* array) {
    return array->cDims > 0 ? array->rgsabound[0].cElements : 0;
}

template <class Kind>
void CheckElementType(SAFEARRAY* array) {
    VARTYPE vt = VT_EMPTY;
    SafeArrayGetVartype(array, &vt);
    if (vt != Kind::vt || array->cbElements != sizeof(typename Kind::Element))
        throw CResultError(DISP_E_TYPEMISMATCH, "Wrong array element type");
}

// A new vector of count elements; "Out of memory" when it cannot be had.
SafeArrayPtr NewVector(VARTYPE vt, std::size_t count) {
    SafeArrayPtr array(SafeArrayCreateVector(vt, 0, static_cast<ULONG>(count)));
    if (!array)
        throw CResultError(E_OUTOFMEMORY, "Out of memory");
    return array;
}

} // namespace

template <class Kind>
HRESULT CVisaGpib::WriteRaw(SAFEARRAY* array) noexcept {
    using Element = typename Kind::Element;
    return Guarded(Kind::writeCommand, IGpib::iid, [&] {
        bool playback = PlaybackActive();
        CheckInitialised(playback);
        CCopyDataBlock sent;
        {
            SafeArrayData<Element> data(array);
            if (FAILED(data.result()))
                throw CResultError(data.result(), "Array locked");
            CheckElementType<Kind>(array);
            std::size_t count = FirstDimensionCount(array);
            WriteBytes(data.data(), static_cast<std::int64_t>(count * sizeof(Element)), false, {}, playback);
            sent = Kind::ToBlock(data.data(), count);
        }
        Report(link::actionWrite, nullptr, nullptr, &sent);
    });
}

template <class Kind>
void CVisaGpib::ReadRawLive(SAFEARRAY** output, LONG count) {
    using Element = typename Kind::Element;
    CheckInitialised(PlaybackActive());
    if (count < 0)
        throw CResultError(E_INVALIDARG, "Can't Read a negative amount of Data");
    SafeArrayPtr array = NewVector(Kind::vt, static_cast<std::size_t>(count));
    std::size_t received = 0;
    {
        SafeArrayData<Element> data(array.get());
        if (FAILED(data.result()))
            throw CResultError(data.result(), "Array locked");
        std::int64_t maximum = std::int64_t{count} * static_cast<std::int64_t>(sizeof(Element));
        received = ReadBytes(data.data(), maximum, false) / sizeof(Element);
    }
    if (received < static_cast<std::size_t>(count)) {
        SAFEARRAYBOUND bound{static_cast<ULONG>(received), 0};
        if (HRESULT hr = SafeArrayRedim(array.get(), &bound); FAILED(hr))
            throw CResultError(hr, "Out of memory");
    }
    CCopyDataBlock block;
    {
        SafeArrayData<Element> data(array.get());
        block = Kind::ToBlock(data.data(), received);
    }
    *output = array.Detach();
    Report(link::actionRead, nullptr, &block, nullptr);
}

template <class Kind>
HRESULT CVisaGpib::ReadRaw(SAFEARRAY** output, LONG count) noexcept {
    using Element = typename Kind::Element;
    return ReadingOperation(
        Kind::readCommand, Kind::replayCommand, output != nullptr, [&] { ReadRawLive<Kind>(output, count); },
        [&](const CGPIBCommandInfo& record) {
            if (!AcceptsReplay(record, Kind::blockType, link::actionRead))
                return ContinueAfterMismatch();
            const CCopyDataBlock& block = record.Received();
            SafeArrayPtr array = NewVector(Kind::vt, block.Count());
            {
                SafeArrayData<Element> data(array.get());
                Kind::FromBlock(block, data.data());
            }
            *output = array.Detach();
        });
}

HRESULT CVisaGpib::WriteRawDoubles(SAFEARRAY* aOut) {
    return WriteRaw<RawDoubles>(aOut);
}
HRESULT CVisaGpib::WriteRawFloats(SAFEARRAY* aOut) {
    return WriteRaw<RawFloats>(aOut);
}
HRESULT CVisaGpib::WriteRaw8Bits(SAFEARRAY* aOut) {
    return WriteRaw<Raw8Bits>(aOut);
}
HRESULT CVisaGpib::WriteRaw16Bits(SAFEARRAY* aOut) {
    return WriteRaw<Raw16Bits>(aOut);
}
HRESULT CVisaGpib::WriteRaw32Bits(SAFEARRAY* aOut) {
    return WriteRaw<Raw32Bits>(aOut);
}

HRESULT CVisaGpib::ReadRawDoubles(SAFEARRAY** aOut, LONG nNumber) {
    return ReadRaw<RawDoubles>(aOut, nNumber);
}
HRESULT CVisaGpib::ReadRawFloats(SAFEARRAY** aOut, LONG nNumber) {
    return ReadRaw<RawFloats>(aOut, nNumber);
}
HRESULT CVisaGpib::ReadRaw8Bits(SAFEARRAY** aOut, LONG nNumber) {
    return ReadRaw<Raw8Bits>(aOut, nNumber);
}
HRESULT CVisaGpib::ReadRaw16Bits(SAFEARRAY** aOut, LONG nNumber) {
    return ReadRaw<Raw16Bits>(aOut, nNumber);
}
HRESULT CVisaGpib::ReadRaw32Bits(SAFEARRAY** aOut, LONG nNumber) {
    return ReadRaw<Raw32Bits>(aOut, nNumber);
}

} // namespace corvid::driver
