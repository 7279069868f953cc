#include "com/type_library.h"

#include "com/object.h"

namespace corvid::com {
namespace {

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}

class DescribedTypeInfo final : public ComClass<DescribedTypeInfo, ITypeInfo> {
public:
    explicit DescribedTypeInfo(const InterfaceDescription& description) : description_(description) {}

    HRESULT GetInterfaceDescription(const InterfaceDescription** description) override {
        if (!description)
            return E_POINTER;
        *description = &description_;
        return S_OK;
    }

private:
    ~DescribedTypeInfo() override = default;
    const InterfaceDescription& description_;
};

// Visits the members of an interface and its bases, base members first, until visit
// returns true.
template <class Visit>
const MemberDescription* FindFirst(const InterfaceDescription& description, Visit visit) {
    if (description.base)
        if (const MemberDescription* found = FindFirst(*description.base, visit))
            return found;
    for (const auto& member : description.members)
        if (visit(member))
            return &member;
    return nullptr;
}

} // namespace

bool NamesEqual(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i]))
            return false;
    return true;
}

const MemberDescription* FindMember(const InterfaceDescription& description, DISPID id, MemberKind kind) {
    return FindFirst(description, [&](const MemberDescription& m) { return m.id == id && m.kind == kind; });
}

bool HasMemberId(const InterfaceDescription& description, DISPID id) {
    return FindFirst(description, [&](const MemberDescription& m) { return m.id == id; }) != nullptr;
}

DISPID FindMemberId(const InterfaceDescription& description, std::string_view name) {
    const MemberDescription* member =
        FindFirst(description, [&](const MemberDescription& m) { return NamesEqual(m.name, name); });
    return member ? member->id : DISPID_UNKNOWN;
}

int FindParamIndex(const InterfaceDescription& description, std::string_view member, std::string_view param) {
    int index = -1;
    FindFirst(description, [&](const MemberDescription& m) {
        if (!NamesEqual(m.name, member))
            return false;
        for (std::size_t i = 0; i < m.params.size(); ++i) {
            if (NamesEqual(m.params[i].name, param)) {
                index = static_cast<int>(i);
                return true;
            }
        }
        return false;
    });
    return index;
}

HRESULT CreateTypeInfo(const InterfaceDescription& description, ITypeInfo** info) {
    return CreateObject<DescribedTypeInfo>(ITypeInfo::iid, reinterpret_cast<void**>(info), description);
}

} // namespace corvid::com
