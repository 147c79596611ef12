#include "Box2DTestProcess.h"

#include <box2d/box2d.h>

#include <cmath>

#include "Engine/GameSystem.h"
#include "Engine/KeyCodes.h"
#include "Engine/ShapeType.h"
#include "Engine/VideoModule.h"
#include "NativeTestProcesses.h"

namespace {
// The world is 16 m wide and 9 m high, drawn onto the 0..1 ortho view.
constexpr float kWorldWidth = 16.0f;
constexpr float kWorldHeight = 9.0f;
constexpr float kHalfSize = 0.3f;
constexpr int kCircleSegments = 16;
}  // namespace

Box2DTestProcess::Box2DTestProcess(const std::string& name, GameSystem* gameSystem)
    : Process(name, gameSystem) {
    addTypeName("Box2DTestProcess");
}

Box2DTestProcess::~Box2DTestProcess() = default;

bool Box2DTestProcess::init() {
    world_ = std::make_unique<b2World>(b2Vec2(0.0f, -10.0f));
    b2BodyDef floorDef;
    floorDef.position.Set(kWorldWidth / 2.0f, 0.25f);
    b2Body* floor = world_->CreateBody(&floorDef);
    b2PolygonShape floorShape;
    floorShape.SetAsBox(kWorldWidth / 2.0f, 0.25f);
    floor->CreateFixture(&floorShape, 0.0f);
    for (int i = 0; i < 12; ++i) {
        addBody(4.0f + static_cast<float>(i % 4) * 2.5f + 0.1f * static_cast<float>(i / 4),
                2.0f + static_cast<float>(i / 4) * 1.5f, i % 2 == 1);
    }
    return true;
}

b2Body* Box2DTestProcess::addBody(float x, float y, bool ball) {
    b2BodyDef def;
    def.type = b2_dynamicBody;
    def.position.Set(x, y);
    b2Body* body = world_->CreateBody(&def);
    b2PolygonShape box;
    box.SetAsBox(kHalfSize, kHalfSize);
    b2CircleShape circle;
    circle.m_radius = kHalfSize;
    b2FixtureDef fixture;
    fixture.shape = ball ? static_cast<const b2Shape*>(&circle) : &box;
    fixture.density = 1.0f;
    fixture.friction = 0.4f;
    fixture.restitution = ball ? 0.5f : 0.1f;
    body->CreateFixture(&fixture);
    return body;
}

void Box2DTestProcess::update(float deltaMS) {
    world_->Step(deltaMS / 1000.0f, 8, 3);
    sinceReportMS_ += deltaMS;
    if (sinceReportMS_ >= 1000.0f) {
        sinceReportMS_ = 0.0f;
        int bodies = 0;
        int resting = 0;
        for (b2Body* body = world_->GetBodyList(); body != nullptr; body = body->GetNext()) {
            if (body->GetType() != b2_dynamicBody)
                continue;
            ++bodies;
            if (body->GetLinearVelocity().Length() < 0.05f)
                ++resting;
        }
        reportFromTestProcess(gameSystem_, "Box2DTestProcess: " + std::to_string(resting) + " of " +
                                               std::to_string(bodies) + " bodies at rest");
    }
}

void Box2DTestProcess::onKeyPress(int keyCode) {
    if (keyCode == KEYBOARD_SPACE_BAR)
        addBody(gameSystem_->getRandomReal(1.0f, kWorldWidth - 1.0f), kWorldHeight, true);
    if (keyCode == KEYBOARD_ESCAPE)
        gameSystem_->quit();
}

void Box2DTestProcess::postDraw() {
    video_->setupOrthoView();
    video_->pushMatrix();
    video_->scale(1.0f / kWorldWidth, 1.0f / kWorldHeight, 1.0f);
    for (b2Body* body = world_->GetBodyList(); body != nullptr; body = body->GetNext()) {
        const b2Vec2 pos = body->GetPosition();
        video_->pushMatrix();
        video_->translate(pos.x, pos.y, 0.0f);
        video_->rotateZ(body->GetAngle());
        const b2Shape* shape = body->GetFixtureList()->GetShape();
        if (shape->GetType() == b2Shape::e_circle) {
            const float r = shape->m_radius;
            video_->setColour(0.3f, 0.7f, 1.0f, 1.0f);
            video_->beginShape(SHAPETYPE_TRIANGLEFAN);
            video_->plotVertex(0.0f, 0.0f, 0.0f);
            for (int i = 0; i <= kCircleSegments; ++i) {
                const float a = 6.2831853f * static_cast<float>(i) / kCircleSegments;
                video_->plotVertex(r * std::cos(a), r * std::sin(a), 0.0f);
            }
        } else {
            const auto* polygon = static_cast<const b2PolygonShape*>(shape);
            video_->setColour(body->GetType() == b2_dynamicBody ? 1.0f : 0.5f, 0.6f, 0.2f, 1.0f);
            video_->beginShape(SHAPETYPE_TRIANGLEFAN);
            for (int i = 0; i < polygon->m_count; ++i)
                video_->plotVertex(polygon->m_vertices[i].x, polygon->m_vertices[i].y, 0.0f);
        }
        video_->endShape();
        video_->popMatrix();
    }
    video_->popMatrix();
}
