// An entity whose behaviour is a script table (made by the entity industry for script types).
#pragma once

#include "Engine/Entity.h"
#include "Engine/ScriptHost/GmScriptBaseObject.h"

class GmScriptEntity : public Entity, public GmScriptBaseObject {
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
    void onEntityCollideWithGameBoard(int sides) override;

    void onEntityDelete(Entity* entity) override;
    void onEntityCreate(Entity* entity) override;
    void onEntityExplode(Entity* entity) override;
    void onKeyPress(int keyCode) override;
    void onKeyRelease(int keyCode) override;
    void onKeyType(int character) override;
    void onAlarm(int alarmId) override;

    bool callMethod(const std::string& name, const std::vector<MethodArgument>& arguments,
                    MethodArgument& result) override;

  protected:
    gmValue makeOwnerValue() override;
};
