// The resource manager session and the find list objects.
#pragma once

#include "object_table.h"

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

namespace corvid::visa {

class ResourceManagerObject : public VisaObject {
public:
    ResourceManagerObject() : VisaObject(Kind::ResourceManager) {}

    void AddChild(ViObject child) {
        std::lock_guard lock(mutex_);
        children_.push_back(child);
    }
    void RemoveChild(ViObject child) {
        std::lock_guard lock(mutex_);
        children_.erase(std::remove(children_.begin(), children_.end(), child), children_.end());
    }
    std::vector<ViObject> TakeChildren() {
        std::lock_guard lock(mutex_);
        return std::exchange(children_, {});
    }

    std::atomic<ViUInt32> timeout{2000};
    std::atomic<ViUInt64> userData{0};
    std::atomic<ViUInt32> maxQueueLength{50};

private:
    std::mutex mutex_;
    std::vector<ViObject> children_;
};

class FindListObject : public VisaObject {
public:
    FindListObject(ViSession resourceManager, std::vector<std::string> names)
        : VisaObject(Kind::FindList), resourceManager_(resourceManager), names_(std::move(names)) {}

    ViSession resourceManager() const { return resourceManager_; }
    // The next name after the first (which viFindRsrc returned), or false at the end.
    bool Next(std::string& name) {
        std::lock_guard lock(mutex_);
        if (next_ >= names_.size()) {
            return false;
        }
        name = names_[next_++];
        return true;
    }

private:
    ViSession resourceManager_;
    std::mutex mutex_;
    std::vector<std::string> names_;
    std::size_t next_ = 1;
};

} // namespace corvid::visa
