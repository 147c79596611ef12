// Conversions between engine units and the units the Box2D world runs in.
//
// Box2D is tuned for bodies of 0.1 to 10 units that move less than 2 units per step, in seconds.
// Engine bodies are pixel-like (default radius 30, bullets and crowds of radius 4, up to about 12
// units of movement per tick) and time is in milliseconds. Scaling lengths by 0.05 puts a default
// body at 1.5 and a radius-4 one at 0.2, a tick's movement at 0.6 and the default board at
// 240 x 135. (At 0.01 a radius-4 body was 0.04, smaller than Box2D's fixed 0.1 margin around every
// body, so crowds of them paired with most of their neighbours and the step grew with the square.)
// Every value the engine sees is converted back at the module's edge.
#pragma once

namespace Box2DUnits {

inline constexpr float kLengthToWorld = 0.05f;
inline constexpr float kLengthFromWorld = 1.0f / kLengthToWorld;
inline constexpr float kSecondsPerMS = 0.001f;
// Engine units per ms to world units per second.
inline constexpr float kVelocityToWorld = kLengthToWorld / kSecondsPerMS;
inline constexpr float kVelocityFromWorld = 1.0f / kVelocityToWorld;
// Radians per ms to radians per second.
inline constexpr float kAngularToWorld = 1.0f / kSecondsPerMS;
inline constexpr float kAngularFromWorld = kSecondsPerMS;

}  // namespace Box2DUnits
