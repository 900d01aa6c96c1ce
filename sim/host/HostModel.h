#pragma once

// The simulated host's object model: one registry of host classes and live host objects, real
// reference counting with real deletion, a manual clock and the host's own thread.
//
// How to add a host object (each host interface is one more object, in its own files):
//  1. Write `class SimThing : public HostObject<IThing>` in SimThing.h and .cpp in the folder of its role
//     (services/, project/ or remote/). List every interface the object implements as template
//     arguments; it then answers FUnknown and each of them.
//     A base interface of a listed one (IPlatform of IPlatform2) is answered after
//     `alsoAnswer<IPlatform>()` in the constructor.
//  2. The constructor takes the `HostContextRef` (the registry) and a kind name, which names the object
//     in leak reports: `SimThing(HostContextRef host) : HostObject(std::move(host), "Thing") {}`.
//  3. Start every operation that the host allows only on its own thread with
//     `hostThreadOnly("IThing::operation")`: a call from another thread is a violation that fails the
//     test. Guard the object's state with its own mutex; never call out (into the extension or another
//     object) while holding it. What an operation called on another thread makes the host do (tell the
//     extension, change what it shows) is posted with `registry().post(work)` and runs at the host's
//     next idle turn on its own thread; the work holds a HostRef to every object it touches.
//  4. Make it reachable: a single service is registered with
//     `registry().addService(object->unknown(), {IThing::iid})`, a kind of which
//     IHostClasses::createInstance makes a new object each time with `registry().addClass(iid, factory)`.
//     Objects handed out by other objects (a device's values, a registry's ports) are made with
//     `makeHostObject<SimThing>(registry().shared_from_this(), ...)` and kept by their owner with one
//     reference; the owner releases it when the host drops the object, which really deletes it once
//     nobody else holds it (so a use after that is a use after free).
//  5. Give SimHost an accessor when tests need to drive or inspect the object, and test it in
//     tests/extension/remote/SimHost*Test.cpp.
#include "HostObject.h"
#include "HostRegistry.h"
#include "HostThread.h"
#include "ManualClock.h"
