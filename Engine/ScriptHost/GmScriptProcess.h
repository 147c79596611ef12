// A process whose behaviour is a script table (made by the process industry for every name
// without a native factory, "Main" included).
#pragma once

#include "Engine/Process.h"
#include "Engine/ScriptHost/GmScriptEventForwarder.h"

class GmScriptProcess : public GmScriptEventForwarder<Process> {
  public:
    GmScriptProcess(const std::string& name, GameSystem* gameSystem, GmScriptModule* module);
    ~GmScriptProcess() override;

    bool init() override;
    void update(float deltaMS) override;
    void preDraw() override;
    void postDraw() override;
    void onEntityCollide(Entity* a, Entity* b) override;
    void onEntityTouch(Entity* a, Entity* b) override;
    bool hearsEntityTouch() const override;
    void onEntityCollideWithGameBoard(Entity* entity, int sideFlags) override;

  protected:
    gmValue makeOwnerValue() override;
};
