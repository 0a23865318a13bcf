#pragma once
// Events, their arguments, and the handler classes an add-in derives from.
//
//     class MyCreatedHandler : public adsk::core::CommandCreatedEventHandler {
//     public:
//         void notify(const Ptr<CommandCreatedEventArgs>& eventArgs) override;
//     };
//
// The host does not own handlers: a handler object must outlive its
// registration. Adding a handler that an event already holds changes nothing.

#include "Base.h"
#include "Forward.h"

namespace adsk::core {

class ADSK_API Event : public Base {
public:
    /// The object that fires the event: the CommandDefinition for
    /// commandCreated, the Command for execute.
    virtual Ptr<Base> sender() const = 0;

    static const char* classType() { return "adsk::core::Event"; }
};

class ADSK_API CommandCreatedEvent : public Event {
public:
    /// Calls `handler` on each firing; false for a null handler.
    virtual bool add(CommandCreatedEventHandler* handler) = 0;

    static const char* classType() { return "adsk::core::CommandCreatedEvent"; }
};

class ADSK_API CommandEvent : public Event {
public:
    /// Calls `handler` on each firing; false for a null handler.
    virtual bool add(CommandEventHandler* handler) = 0;

    static const char* classType() { return "adsk::core::CommandEvent"; }
};

class ADSK_API EventArgs : public Base {
public:
    /// The event being fired, or empty.
    virtual Ptr<Event> firingEvent() const = 0;

    static const char* classType() { return "adsk::core::EventArgs"; }
};

class ADSK_API CommandCreatedEventArgs : public EventArgs {
public:
    /// The command being created, or empty.
    virtual Ptr<Command> command() const = 0;

    static const char* classType() { return "adsk::core::CommandCreatedEventArgs"; }
};

class ADSK_API CommandEventArgs : public EventArgs {
public:
    static const char* classType() { return "adsk::core::CommandEventArgs"; }
};

class EventHandler {
public:
    virtual ~EventHandler() = default;

protected:
    EventHandler() = default;
    EventHandler(const EventHandler&) = default;
    EventHandler& operator=(const EventHandler&) = default;
};

class CommandCreatedEventHandler : public EventHandler {
public:
    /// Called by the host on each firing. An exception that leaves notify ends
    /// the command and reaches the host.
    virtual void notify(const Ptr<CommandCreatedEventArgs>& eventArgs) = 0;
};

class CommandEventHandler : public EventHandler {
public:
    /// Called by the host on each firing. An exception that leaves notify ends
    /// the command and reaches the host.
    virtual void notify(const Ptr<CommandEventArgs>& eventArgs) = 0;
};

} // namespace adsk::core
