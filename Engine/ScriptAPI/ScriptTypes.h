// The binding table of every script type, each defined in the binding file of its type (one file
// per type or small group of types: every script-facing name of a type is in one place).
#pragma once

#include "Engine/ScriptAPI/ScriptBinding.h"

extern const ScriptTypeTable kRealPointType;                      // RealPointBinding.cpp
extern const ScriptTypeTable kAlarmType;                          // TimerBinding.cpp
extern const ScriptTypeTable kLFOType;                            // TimerBinding.cpp
extern const ScriptTypeTable kSequencerType;                      // SequencerBinding.cpp
extern const ScriptTypeTable kSequencerActionType;                // SequencerBinding.cpp
extern const ScriptTypeTable kSequencerTriggerType;               // SequencerBinding.cpp
extern const ScriptTypeTable kEntityListContainerType;            // ContainerBinding.cpp
extern const ScriptTypeTable kProcessListContainerType;           // ContainerBinding.cpp
extern const ScriptTypeTable kSequencerTriggerListContainerType;  // ContainerBinding.cpp
extern const ScriptTypeTable kPrintInfoType;                      // PrintInfoBinding.cpp
extern const ScriptTypeTable kColourType;                         // ColourBinding.cpp
extern const ScriptTypeTable kShapeType;                          // ShapeBinding.cpp
extern const ScriptTypeTable kShapeVertexType;                    // ShapeBinding.cpp
extern const ScriptTypeTable kGmScriptModuleType;                 // GameSystemBinding.cpp
extern const ScriptTypeTable kGameSystemType;                     // GameSystemBinding.cpp
extern const ScriptTypeTable kLoggerType;                         // LoggerBinding.cpp
extern const ScriptTypeTable kInputType;                          // InputBinding.cpp
extern const ScriptTypeTable kVideoType;                          // VideoBinding.cpp
extern const ScriptTypeTable kAudioType;                          // AudioBinding.cpp
extern const ScriptTypeTable kEntityManagerType;                  // EntityBinding.cpp
extern const ScriptTypeTable kEntityType;                         // EntityBinding.cpp
extern const ScriptTypeTable kParticleManagerType;                // ParticleBinding.cpp
extern const ScriptTypeTable kParticleType;                       // ParticleBinding.cpp
extern const ScriptTypeTable kPhysicsDataType;                    // PhysicsDataBinding.cpp
extern const ScriptTypeTable kProcessType;                        // ProcessBinding.cpp
extern const ScriptTypeTable kAIHelperType;                       // AIHelperBinding.cpp
extern const ScriptTypeTable kColourManagerType;                  // ColourBinding.cpp
extern const ScriptTypeTable kGameBoardType;                      // GameBoardBinding.cpp

// The global functions (GlobalFunctions.cpp), in registration order.
extern const std::span<const ScriptFunction> kGlobalFunctions;
