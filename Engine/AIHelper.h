// Steering and targeting helpers for entities.
#pragma once

class AIHelper {
public:
    virtual ~AIHelper() = default;
};
