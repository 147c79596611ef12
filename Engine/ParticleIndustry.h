// Creates particles by type name.
#pragma once

class ParticleIndustry {
public:
    virtual ~ParticleIndustry() = default;
};
