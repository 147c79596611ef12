// A sequencer action made by a script (SEQUENCERACTION()): when its trigger fires, the function
// `execute` of its action table runs with `this` = the action's own script value, through which
// `this.name` reads and writes the table. The script owns it; a reachable sequencer keeps it alive.
#pragma once

#include "Engine/SequencerAction.h"

class GmScriptModule;
class gmHostObject;
class gmTable;

class GmScriptSequencerAction final : public SequencerAction {
  public:
    // [table] null: a new empty table. The action's script value is made here and owns it.
    GmScriptSequencerAction(GmScriptModule* module, gmTable* table);
    ~GmScriptSequencerAction() override;

    void execute(GameSystem* gameSystem) override;

    gmTable* getActionTable() const { return table_; }
    void setActionTable(gmTable* table);
    // The action's own value (the script holds it; null once the value is being freed).
    gmHostObject* getHostObject() const { return hostObject_; }

  private:
    GmScriptModule* module_;
    gmTable* table_;
    gmHostObject* hostObject_ = nullptr;
};
