// The script types: one list, from which the ScriptType enum, the binding tables' declarations and
// the registry's table list are expanded. Adding a type is one line here and its table in the
// binding file named beside it.
#pragma once

#include <cstdint>

// X(type, table): [type] is the name scripts see and the ScriptType enumerator; [table] is the
// ScriptTypeTable that the binding file defines (the comment names it: Timer is TimerBinding.cpp).
// Registration follows this order, and a type's id is its place in it (scriptTypeId), so a new
// type goes at the end.
#define TACT_SCRIPT_TYPES(X)                                                \
    X(REALPOINT, kRealPointType)                          /* RealPoint */   \
    X(ALARM, kAlarmType)                                  /* Timer */       \
    X(LFO, kLFOType)                                      /* Timer */       \
    X(SEQUENCER, kSequencerType)                          /* Sequencer */   \
    X(SEQUENCERACTION, kSequencerActionType)              /* Sequencer */   \
    X(SEQUENCERTRIGGER, kSequencerTriggerType)            /* Sequencer */   \
    X(ENTITYLISTREFCONTAINER, kEntityListContainerType)   /* Container */   \
    X(PROCESSLISTREFCONTAINER, kProcessListContainerType) /* Container */   \
    X(SEQUENCERTRIGGERLISTREFCONTAINER, kSequencerTriggerListContainerType) \
    X(PRINTINFO, kPrintInfoType)             /* PrintInfo */                \
    X(COLOUR, kColourType)                   /* Colour */                   \
    X(SHAPE, kShapeType)                     /* Shape */                    \
    X(SHAPEVERTEX, kShapeVertexType)         /* Shape */                    \
    X(GMSCRIPTMODULE, kGmScriptModuleType)   /* GameSystem */               \
    X(GAMESYSTEM, kGameSystemType)           /* GameSystem */               \
    X(LOGGER, kLoggerType)                   /* Logger */                   \
    X(INPUT, kInputType)                     /* Input */                    \
    X(VIDEO, kVideoType)                     /* Video */                    \
    X(AUDIO, kAudioType)                     /* Audio */                    \
    X(ENTITYMANAGER, kEntityManagerType)     /* Entity */                   \
    X(ENTITY, kEntityType)                   /* Entity */                   \
    X(PARTICLEMANAGER, kParticleManagerType) /* Particle */                 \
    X(PARTICLE, kParticleType)               /* Particle */                 \
    X(PHYSICSDATA, kPhysicsDataType)         /* PhysicsData */              \
    X(PROCESS, kProcessType)                 /* Process */                  \
    X(AIHELPER, kAIHelperType)               /* AIHelper */                 \
    X(COLOURMANAGER, kColourManagerType)     /* Colour */                   \
    X(GAMEBOARD, kGameBoardType)             /* GameBoard */

enum class ScriptType : int32_t {
#define TACT_SCRIPT_TYPE_ENUM(type, table) type,
    TACT_SCRIPT_TYPES(TACT_SCRIPT_TYPE_ENUM)
#undef TACT_SCRIPT_TYPE_ENUM
        Count
};

// The machine gives host types ids in creation order; the language's own library has made one
// (its state type) before the engine registers, so the script types' ids follow on from 7.
inline constexpr int32_t kFirstScriptTypeId = 7;

// The id every machine gives [type]: registration checks that the machine agrees.
constexpr int32_t scriptTypeId(ScriptType type) {
    return kFirstScriptTypeId + static_cast<int32_t>(type);
}
