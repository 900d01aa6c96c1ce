#pragma once

class RemoteMemAPI;

// Something that wants to hear when a value of the memory mirror changes. paramUpdate() runs on the
// thread that wrote, inside the memory lock: an implementation must not block there, and controls
// re-post to the GUI thread before they read the value.
class MemChangeObserver
{
public:
    MemChangeObserver() = default;
    MemChangeObserver(const MemChangeObserver&) = delete;
    MemChangeObserver& operator=(const MemChangeObserver&) = delete;
    // Unregisters from the service it was given with setMemAPI. By then the derived part is gone: a
    // class whose paramUpdate() may run on another thread calls detachFromMemAPI() first in its own
    // destructor, so that no notification reaches a half-destroyed object.
    virtual ~MemChangeObserver();

    virtual void paramUpdate() = 0;

    void setMemAPI(RemoteMemAPI* memAPI) { m_memAPI = memAPI; }
    RemoteMemAPI* getMemAPI() const { return m_memAPI; }
    // Unregisters now (waiting for a notification under way on another thread) and forgets the service.
    void detachFromMemAPI();

private:
    RemoteMemAPI* m_memAPI = nullptr;
};
