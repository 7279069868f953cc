// The resource manager operations: opening the default resource manager, finding,
// parsing, opening and closing.
#include "library.h"
#include "visa/names.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace corvid::visa {
namespace {

void CopyName(char* out, const std::string& name) {
    if (out) {
        std::snprintf(out, VI_FIND_BUFLEN, "%s", name.c_str());
    }
}

// The find list handed to the I/O component, freed on every path.
struct FindListBuffer {
    SbvisaFindList list{};
    ~FindListBuffer() { std::free(list.names); }
};

} // namespace

ViStatus Library::OpenDefaultRM(ViSession* vi) {
    if (!vi) {
        return VI_ERROR_INV_PARAMETER;
    }
    *vi = VI_NULL;
    ViStatus status = Start();
    if (status < VI_SUCCESS) {
        return status;
    }
    *vi = objects_.Add(Ref<VisaObject>(new ResourceManagerObject()));
    return status;
}

ViStatus Library::FindResources(ViSession rm, const char* expression, ViFindList* list, ViUInt32* count,
                                char* first) {
    if (list) {
        *list = VI_NULL;
    }
    if (count) {
        *count = 0;
    }
    Ref<ResourceManagerObject> manager =
        objects_.FindAs<ResourceManagerObject>(rm, VisaObject::Kind::ResourceManager);
    if (!manager) {
        return objects_.Find(rm) ? VI_ERROR_NSUP_OPER : VI_ERROR_INV_OBJECT;
    }
    SbvisaFindContext context;
    context.resourceManager = rm;
    if (!expression || context.expression.Compile(expression) < VI_SUCCESS) {
        return VI_ERROR_INV_EXPR;
    }
    FindListBuffer found;
    for (SbvisaFindFunction find : io_.finders()) {
        if (!find) {
            continue;
        }
        ViStatus status = find(&context, &found.list);
        if (status < VI_SUCCESS && status != VI_ERROR_RSRC_NFOUND) {
            return status;
        }
    }
    if (found.list.count == 0) {
        return VI_ERROR_RSRC_NFOUND;
    }
    std::vector<std::string> names;
    names.reserve(found.list.count);
    for (ViUInt32 i = 0; i < found.list.count; ++i) {
        names.emplace_back(found.list.names[i], strnlen(found.list.names[i], VI_FIND_BUFLEN));
    }
    CopyName(first, names.front());
    if (count) {
        *count = static_cast<ViUInt32>(names.size());
    }
    if (list) {
        *list = objects_.Add(Ref<VisaObject>(new FindListObject(rm, std::move(names))));
        manager->AddChild(*list);
    }
    return VI_SUCCESS;
}

ViStatus Library::FindNext(ViFindList list, char* name) {
    Ref<FindListObject> found = objects_.FindAs<FindListObject>(list, VisaObject::Kind::FindList);
    if (!found) {
        return objects_.Find(list) ? VI_ERROR_NSUP_OPER : VI_ERROR_INV_OBJECT;
    }
    std::string next;
    if (!found->Next(next)) {
        CopyName(name, "");
        return VI_ERROR_RSRC_NFOUND;
    }
    CopyName(name, next);
    return VI_SUCCESS;
}

ViStatus Library::ParseResource(ViSession rm, const char* text, ResourceName& name, std::string& alias) {
    if (!objects_.FindAs<ResourceManagerObject>(rm, VisaObject::Kind::ResourceManager)) {
        return objects_.Find(rm) ? VI_ERROR_NSUP_OPER : VI_ERROR_INV_OBJECT;
    }
    if (!text) {
        return VI_ERROR_INV_RSRC_NAME;
    }
    alias.clear();
    std::string resolved = text;
    if (auto target = config_.Alias(text)) {
        alias = text;
        resolved = *target;
    }
    ViStatus status = ParseResourceName(resolved, name);
    if (status < VI_SUCCESS) {
        return status;
    }
    if (alias.empty()) {
        alias = config_.AliasOf(name.canonical).value_or("");
    }
    return VI_SUCCESS;
}

ViStatus Library::Open(ViSession rm, const char* text, ViAccessMode mode, ViUInt32 timeout, ViSession* vi) {
    if (vi) {
        *vi = VI_NULL;
    }
    ResourceName name;
    std::string alias;
    ViStatus status = ParseResource(rm, text, name, alias);
    if (status < VI_SUCCESS) {
        return status;
    }
    if (!vi) {
        return VI_ERROR_INV_PARAMETER;
    }
    if ((mode & ~static_cast<ViAccessMode>(VI_EXCLUSIVE_LOCK | VI_LOAD_CONFIG)) != 0) {
        return VI_ERROR_INV_ACC_MODE;
    }
    SbvisaOpenFunction open = io_.Opener(name.interfaceType, name.resourceClass);
    if (!open) {
        return VI_ERROR_RSRC_NFOUND;
    }
    Ref<Session> session(new Session(rm, name, mode));
    // The handle is known to the component while it opens; the session becomes visible
    // in the table only once it is open.
    ViSession handle = objects_.Reserve();
    session->setHandle(handle);
    session->record().vi = handle;
    status = open(&session->record());
    if (status < VI_SUCCESS) {
        session->record().operations = nullptr; // a failed open installs nothing to close
        return status;
    }
    session->events().setMaxQueueLength(50);
    if (mode & VI_EXCLUSIVE_LOCK) {
        std::string key;
        ViStatus locked = locks_.Lock(handle, name.canonical, VI_EXCLUSIVE_LOCK, timeout, nullptr, key);
        if (locked < VI_SUCCESS) {
            session->CloseIo();
            return VI_ERROR_RSRC_LOCKED;
        }
    }
    objects_.Insert(handle, session);
    if (auto manager = objects_.FindAs<ResourceManagerObject>(rm, VisaObject::Kind::ResourceManager)) {
        manager->AddChild(handle);
    }
    *vi = handle;
    return status;
}

ViStatus Library::CloseSession(const Ref<Session>& session) {
    ViSession vi = session->handle();
    session->setClosing();
    session->events().Close();
    locks_.ReleaseAll(vi, session->name().canonical);
    if (auto manager = objects_.FindAs<ResourceManagerObject>(session->resourceManager(),
                                                              VisaObject::Kind::ResourceManager)) {
        manager->RemoveChild(vi);
    }
    if (session->references() <= 1) {
        return session->CloseIo();
    }
    // Another thread still inside an operation of this session keeps it; the I/O side is
    // closed when that operation returns and lets go, which a transfer is told to do now.
    const SbvisaOperations* ops = session->operations();
    if (ops && ops->abortTransfers) {
        ops->abortTransfers(&session->record());
    }
    return VI_SUCCESS;
}

ViStatus Library::Close(ViObject object) {
    if (object == VI_NULL) {
        return VI_WARN_NULL_OBJECT;
    }
    Ref<VisaObject> removed = objects_.Remove(object);
    if (!removed) {
        return VI_ERROR_INV_OBJECT;
    }
    switch (removed->kind()) {
    case VisaObject::Kind::Session: {
        Ref<Session> session(static_cast<Session*>(removed.get()));
        removed = Ref<VisaObject>();
        return CloseSession(session);
    }
    case VisaObject::Kind::ResourceManager: {
        auto* manager = static_cast<ResourceManagerObject*>(removed.get());
        ViStatus status = VI_SUCCESS;
        for (ViObject child : manager->TakeChildren()) {
            ViStatus closed = Close(child);
            if (closed < VI_SUCCESS && closed != VI_ERROR_INV_OBJECT) {
                status = closed;
            }
        }
        return status;
    }
    case VisaObject::Kind::FindList: {
        auto* found = static_cast<FindListObject*>(removed.get());
        if (auto manager = objects_.FindAs<ResourceManagerObject>(found->resourceManager(),
                                                                  VisaObject::Kind::ResourceManager)) {
            manager->RemoveChild(object);
        }
        return VI_SUCCESS;
    }
    case VisaObject::Kind::Event:
        return VI_SUCCESS;
    }
    return VI_SUCCESS;
}

// Attributes of a listed resource for the attribute part of a find expression: those
// the name tells directly, and otherwise those of a session opened for the question (once
// per resource, however many attributes the expression asks).
bool Library::ResourceAttribute(const std::string& resource, ViAttr attribute, AttributeValue& value,
                                AttributeProbe& probe) {
    ResourceName name;
    if (ParseResourceName(resource, name) < VI_SUCCESS) {
        return false;
    }
    switch (attribute) {
    case VI_ATTR_INTF_TYPE:
        value.number = name.interfaceType;
        return true;
    case VI_ATTR_INTF_NUM:
        value.number = name.interfaceNumber;
        return true;
    case VI_ATTR_RSRC_NAME:
        value.isText = true;
        value.text = name.canonical;
        return true;
    case VI_ATTR_RSRC_CLASS:
        value.isText = true;
        value.text = name.resourceClass;
        return true;
    case VI_ATTR_GPIB_PRIMARY_ADDR:
        if (name.interfaceType != VI_INTF_GPIB) {
            return false;
        }
        value.number = name.primary;
        return true;
    case VI_ATTR_GPIB_SECONDARY_ADDR:
        if (name.interfaceType != VI_INTF_GPIB) {
            return false;
        }
        value.number = name.hasSecondary && name.secondary != 0 ? name.secondary : VI_NO_SEC_ADDR;
        return true;
    default:
        break;
    }
    if (!probe.tried) {
        probe.tried = true;
        probe.rm = objects_.Add(Ref<VisaObject>(new ResourceManagerObject()));
        if (Open(probe.rm, resource.c_str(), VI_NO_LOCK, 0, &probe.vi) < VI_SUCCESS) {
            probe.vi = VI_NULL;
        }
    }
    Ref<Session> session = objects_.FindAs<Session>(probe.vi, VisaObject::Kind::Session);
    ViAttrState number = 0;
    std::string text;
    if (!session || QueryAttribute(*session, attribute, number, text) < VI_SUCCESS) {
        return false;
    }
    const AttributeInfo* info = FindAttribute(attribute);
    value.isText = info && info->type == AttributeType::Text;
    value.text = text;
    value.number = static_cast<ViInt64>(number);
    return true;
}

} // namespace corvid::visa
