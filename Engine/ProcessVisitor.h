// What the process dispatch does at each process and entity; one visitor per kind of event.
#pragma once

class Entity;
class Process;

class ProcessVisitor {
  public:
    virtual ~ProcessVisitor() = default;
    // After every process (and the entity pass) was visited.
    virtual void finish() {}
    virtual void visitEntity(Entity* /*entity*/) {}
    virtual void visitProcess(Process* process) = 0;
    // Processes without input focus are skipped when this is true.
    virtual bool needsInputFocus() const { return false; }
    // False when visitEntity does nothing, so the entity pass need not walk the entities (a
    // contact event would otherwise cost a walk of every entity).
    virtual bool visitsEntities() const { return true; }
};
