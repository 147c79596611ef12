// A script module that runs nothing: it records what the game system asked of it.
#pragma once

#include "Engine/ScriptModule.h"

class NullScriptModule : public ScriptModule {
  public:
    explicit NullScriptModule(GameSystem* gameSystem) : ScriptModule(gameSystem) {
        addTypeName("NullScriptModule");
    }

    void update(float) override { ++updateCount_; }
    void reloadAllScripts() override { ++reloadCount_; }
    void saveCompiledScripts() override { ++saveCount_; }
    void forgetAllScripts() override { ++forgetCount_; }
    bool isCompiledMode() const override { return compiledMode_; }
    void setInputGlobal(InputModule* input) override { inputGlobal_ = input; }
    void setDefaultScriptFolder(const std::string& folder) override { defaultScriptFolder_ = folder; }
    bool hasScript(const std::string&) override { return true; }

    void setCompiledMode(bool compiled) { compiledMode_ = compiled; }
    int getUpdateCount() const { return updateCount_; }
    int getReloadCount() const { return reloadCount_; }
    int getSaveCount() const { return saveCount_; }
    int getForgetCount() const { return forgetCount_; }
    InputModule* getInputGlobal() const { return inputGlobal_; }

  private:
    int updateCount_ = 0;
    int reloadCount_ = 0;
    int saveCount_ = 0;
    int forgetCount_ = 0;
    bool compiledMode_ = true;
    InputModule* inputGlobal_ = nullptr;
    std::string defaultScriptFolder_;
};
