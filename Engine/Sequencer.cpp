#include "Engine/Sequencer.h"

namespace {
unsigned updateAllCount = 0;
}

Sequencer::Sequencer() { addTypeName("Sequencer"); }

Sequencer::~Sequencer() = default;

void Sequencer::updateAll(float) { ++updateAllCount; }

unsigned Sequencer::getUpdateAllCount() { return updateAllCount; }
