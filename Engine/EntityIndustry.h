// Creates entities by type name.
#pragma once

class EntityIndustry {
public:
    virtual ~EntityIndustry() = default;
};
