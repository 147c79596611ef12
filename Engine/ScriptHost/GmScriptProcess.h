// A process whose behaviour is a script table (made by the process industry for every name
// without a native factory, "Main" included).
#pragma once

#include "Engine/Process.h"
#include "Engine/ScriptHost/GmScriptBaseObject.h"

class GmScriptProcess : public Process, public GmScriptBaseObject {
  public:
    GmScriptProcess(const std::string& name, GameSystem* gameSystem, GmScriptModule* module);
    ~GmScriptProcess() override;

    bool init() override;
    void update(float deltaMS) override;
    void preDraw() override;
    void postDraw() override;
    void onEntityCollide(Entity* a, Entity* b) override;
    void onEntityTouch(Entity* a, Entity* b) override;
    void onEntityCollideWithGameBoard(Entity* entity, int sideFlags) override;

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
