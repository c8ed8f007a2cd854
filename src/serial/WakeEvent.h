// A wake-up that a blocked poll can wait on beside its own descriptor: any
// thread signals it, the waiting thread sees its descriptor readable. Used to
// end a write held by flow control the moment the port is closed.
#pragma once

namespace kestrelon {

class CWakeEvent {
public:
    CWakeEvent();
    ~CWakeEvent();
    CWakeEvent(const CWakeEvent&) = delete;
    CWakeEvent& operator=(const CWakeEvent&) = delete;

    // Readable while signalled; -1 when no descriptor could be made.
    int Fd() const { return m_fd; }
    void Signal();
    // Takes the signal back; the caller then looks at what it was woken for.
    void Clear();
    // Waits up to timeoutMs (-1: without limit) for a signal; true when signalled.
    bool Wait(int timeoutMs);

private:
    int m_fd = -1;
};

} // namespace kestrelon
