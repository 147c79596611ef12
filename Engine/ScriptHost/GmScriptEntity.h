// An entity whose behaviour is a script table (made by the entity industry for script types).
#pragma once

#include "Engine/Entity.h"
#include "Engine/ScriptHost/GmScriptEventForwarder.h"

class GmScriptEntity : public GmScriptEventForwarder<Entity> {
  public:
    GmScriptEntity(const std::string& typeName, int typeID, bool isPlayer, GameSystem* gameSystem,
                   GmScriptModule* module);
    ~GmScriptEntity() override;

    void update(float deltaMS) override;
    void draw() override;
    void drawAlpha() override;
    void setHP(float hp) override;
    void explode() override;
    void onEntityCollide(Entity* other) override;
    void onEntityTouch(Entity* other) override;
    bool hearsEntityTouch() const override;
    void onEntityCollideWithGameBoard(int sides) override;

  protected:
    gmValue makeOwnerValue() override;
};
