// Messages between threads, and from dialogs and views to the frame.
// A message is a number, two parameters and an optional owned payload: whoever
// holds the message owns its heap data, so a message that is dropped or never
// handled leaks nothing.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>

namespace kestrelon {

// Base of all owned message payloads (byte blocks, texts ...).
class CMessagePayload {
public:
    virtual ~CMessagePayload() = default;
};

// An owned text payload, as the sender's name of a UDP datagram.
class CTextPayload : public CMessagePayload {
public:
    explicit CTextPayload(std::string text) : m_text(std::move(text)) {}
    const std::string& Text() const { return m_text; }

private:
    std::string m_text;
};

struct CMessage {
    std::uint32_t message = 0;
    std::uintptr_t wParam = 0;
    std::intptr_t lParam = 0;
    std::unique_ptr<CMessagePayload> payload;
    // The connection this message belongs to (0: not tied to one). A driver
    // stamps its notifications; the receiver drops those of a connection that
    // has since been closed or replaced.
    std::uint64_t generation = 0;

    // Takes the payload as a T, or null when there is none or it is another type.
    template <typename T> std::unique_ptr<T> TakePayload()
    {
        if (auto* typed = dynamic_cast<T*>(payload.get())) {
            payload.release();
            return std::unique_ptr<T>(typed);
        }
        return nullptr;
    }
};

CMessage MakeMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam = 0,
                     std::unique_ptr<CMessagePayload> payload = nullptr);

// Where messages go: the main frame in the program, a pumped queue in tests.
// Post queues the message and returns; messages posted by one thread are handled
// in the order they were posted. Send returns once the target has handled the
// message, with the handler's result; a target that is gone (or going) returns 0
// at once, so a driver blocked in Send is released on shutdown.
class IMessageTarget {
public:
    virtual ~IMessageTarget() = default;
    virtual void Post(CMessage message) = 0;
    virtual std::intptr_t Send(CMessage message) = 0;
};

} // namespace kestrelon
