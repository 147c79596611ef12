// Callbacks the game system fans out to modules, processes and entities; all empty by default.
#pragma once

class Entity;

class EventListener {
  public:
    virtual ~EventListener() = default;

    virtual void onEntityDelete(Entity*) {}
    virtual void onEntityCreate(Entity*) {}
    virtual void onEntityExplode(Entity*) {}
    virtual void onKeyPress(int /*keyCode*/) {}
    virtual void onKeyRelease(int /*keyCode*/) {}
    virtual void onKeyType(int /*character*/) {}
    virtual void onAlarm(int /*alarmId*/) {}
};
