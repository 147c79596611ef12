// Entity type names and their ids. Ids start at 1 and are handed out in order of first use;
// 0 is the type of plain entities, which no name maps to.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

class EntityTypeRegistry {
  public:
    // The one registry the engine and scripts share.
    static EntityTypeRegistry& getProcessRegistry();

    // The id of [name]; a new name gets the next id.
    int getEntityTypeID(const std::string& name);
    // The name registered for [id], or "UNDEFINED_ENTITY".
    const std::string& getEntityTypeName(int id) const;

  private:
    std::unordered_map<std::string, int> ids_;
    std::vector<std::string> names_;  // names_[id - 1]
};
