#include "Engine/ScriptHost/GmScriptParticle.h"

#include "Engine/ScriptHost/GmScriptModule.h"

GmScriptParticle::GmScriptParticle(const std::string& typeName, GameSystem* gameSystem,
                                   GmScriptModule* module)
    : Particle(gameSystem), GmScriptBaseObject(typeName, ScriptType::PARTICLE, module) {
    addTypeName("GmScriptBaseObject");
    addTypeName("GmScriptParticle");
    buildScriptTable();
}

GmScriptParticle::~GmScriptParticle() {
    callScriptMethod("destructor");
}

gmValue GmScriptParticle::makeOwnerValue() {
    return referenceTo(module_->getMachine(), ScriptType::PARTICLE, static_cast<Particle*>(this));
}

void GmScriptParticle::update(float deltaMS) {
    Particle::update(deltaMS);
    callScriptMethod("update", {Argument::of(deltaMS)});
}

void GmScriptParticle::draw() {
    callScriptMethod("draw");
}

void GmScriptParticle::drawAlpha() {
    if (!callScriptMethod("drawAlpha"))
        Particle::drawAlpha();
}
