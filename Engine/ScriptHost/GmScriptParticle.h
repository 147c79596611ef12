// A particle whose motion and drawing a script table extends.
#pragma once

#include "Engine/Particle.h"
#include "Engine/ScriptHost/GmScriptBaseObject.h"

class GmScriptParticle : public Particle, public GmScriptBaseObject {
  public:
    GmScriptParticle(const std::string& typeName, GameSystem* gameSystem, GmScriptModule* module);
    ~GmScriptParticle() override;

    void update(float deltaMS) override;
    void draw() override;
    void drawAlpha() override;

  protected:
    gmValue makeOwnerValue() override;
};
