#include "Engine/EntityTypeRegistry.h"

EntityTypeRegistry& EntityTypeRegistry::getProcessRegistry() {
    static EntityTypeRegistry registry;
    return registry;
}

int EntityTypeRegistry::getEntityTypeID(const std::string& name) {
    auto [it, inserted] = ids_.try_emplace(name, static_cast<int>(names_.size()) + 1);
    if (inserted)
        names_.push_back(name);
    return it->second;
}

const std::string& EntityTypeRegistry::getEntityTypeName(int id) const {
    static const std::string kUndefined = "UNDEFINED_ENTITY";
    if (id < 1 || id > static_cast<int>(names_.size()))
        return kUndefined;
    return names_[static_cast<std::size_t>(id - 1)];
}
