#include "object_table.h"

namespace corvid::visa {

ViObject ObjectTable::Reserve() {
    std::unique_lock lock(mutex_);
    // Handles are not reused while the counter lasts, so that a stale handle of a closed
    // object finds nothing instead of a newer object.
    while (next_ == VI_NULL || objects_.count(next_) != 0) {
        ++next_;
    }
    return next_++;
}

void ObjectTable::Insert(ViObject handle, const Ref<VisaObject>& object) {
    object->setHandle(handle);
    std::unique_lock lock(mutex_);
    objects_.emplace(handle, object);
}

ViObject ObjectTable::Add(const Ref<VisaObject>& object) {
    ViObject handle = Reserve();
    Insert(handle, object);
    return handle;
}

Ref<VisaObject> ObjectTable::Find(ViObject handle) const {
    std::shared_lock lock(mutex_);
    auto it = objects_.find(handle);
    return it == objects_.end() ? Ref<VisaObject>() : it->second;
}

Ref<VisaObject> ObjectTable::Remove(ViObject handle) {
    Ref<VisaObject> object;
    {
        std::unique_lock lock(mutex_);
        auto it = objects_.find(handle);
        if (it == objects_.end()) {
            return {};
        }
        object = std::move(it->second);
        objects_.erase(it);
    }
    return object;
}

std::vector<ViObject> ObjectTable::Handles(VisaObject::Kind kind) const {
    std::shared_lock lock(mutex_);
    std::vector<ViObject> handles;
    for (const auto& [handle, object] : objects_) {
        if (object->kind() == kind) {
            handles.push_back(handle);
        }
    }
    return handles;
}

} // namespace corvid::visa
