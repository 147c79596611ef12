#include "TestProcess2.h"

#include "Engine/Entity.h"
#include "Engine/EntityManager.h"
#include "Engine/GameBoard.h"
#include "Engine/GameSystem.h"
#include "Engine/KeyCodes.h"
#include "Engine/PhysicsData.h"
#include "NativeTestProcesses.h"

namespace {
constexpr int kMaxPlayers = 12;
constexpr float kIntervalMS = 1000.0f;
}  // namespace

TestProcess2::TestProcess2(const std::string& name, GameSystem* gameSystem) : Process(name, gameSystem) {
    addTypeName("TestProcess2");
}

bool TestProcess2::init() {
    createPlayer();
    return true;
}

void TestProcess2::update(float deltaMS) {
    sinceLastMS_ += deltaMS;
    if (sinceLastMS_ >= kIntervalMS && created_ < kMaxPlayers) {
        sinceLastMS_ = 0.0f;
        createPlayer();
    }
}

void TestProcess2::onKeyPress(int keyCode) {
    if (keyCode == KEYBOARD_SPACE_BAR)
        createPlayer();
    if (keyCode == KEYBOARD_ESCAPE)
        gameSystem_->quit();
}

void TestProcess2::createPlayer() {
    Entity* player = entityManager_->createEntityAsPlayer("Player");
    if (player == nullptr)
        return;
    ++created_;
    const RealPoint pos = gameSystem_->getGameBoard()->makeRandomPos();
    player->getPhysicsData()->setPos(pos);
    player->setTestColour(gameSystem_->getRandomReal(0.3f, 1.0f), gameSystem_->getRandomReal(0.3f, 1.0f),
                          gameSystem_->getRandomReal(0.3f, 1.0f));
    reportFromTestProcess(gameSystem_, "TestProcess2: Player " + std::to_string(created_) + " at " +
                                           std::to_string(static_cast<int>(pos.x)) + ", " +
                                           std::to_string(static_cast<int>(pos.y)));
}
