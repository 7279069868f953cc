#include "find_frame.h"

#include "component.h"

#include <cstdio>

namespace corvid::visaio {

ViStatus FindFrame(const SbvisaFindContext* context, SbvisaFindList* list,
                   const std::function<std::vector<std::string>()>& candidates) {
    const SbvisaServices& services = Services();
    SemaphoreHold hold(SBVISA_SEM_FIND_LIST, services.localTimeout());
    if (hold.status() < VI_SUCCESS) {
        return VI_ERROR_SYSTEM_ERROR;
    }
    std::vector<const std::string*> matches;
    std::vector<std::string> names = candidates();
    for (const std::string& name : names) {
        int match = services.matchName(context, name.c_str());
        if (match < 0) {
            return VI_ERROR_INV_EXPR;
        }
        if (match > 0) {
            matches.push_back(&name);
        }
    }
    if (matches.empty()) {
        return VI_ERROR_RSRC_NFOUND;
    }
    if (services.growFindList(list, static_cast<ViUInt32>(matches.size())) < VI_SUCCESS) {
        return VI_ERROR_ALLOC;
    }
    for (const std::string* name : matches) {
        std::snprintf(list->names[list->count++], VI_FIND_BUFLEN, "%s", name->c_str());
    }
    return VI_SUCCESS;
}

} // namespace corvid::visaio
