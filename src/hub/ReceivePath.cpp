// CReceivePath: byte classification and run cutting of received data.
#include "hub/ReceivePath.h"

#include "document/KestronDoc.h"

#include <array>
#include <cstring>

namespace kestrelon {

namespace {

enum ByteClass : std::uint8_t { ORDINARY, BELL, BACKSPACE, LINE_FEED, CARRIAGE_RETURN, OPEN_BRACKET };

constexpr std::uint8_t BELL_BYTE = 0x07;

constexpr std::array<std::uint8_t, 256> MakeClasses()
{
    std::array<std::uint8_t, 256> classes{};
    classes[BELL_BYTE] = BELL;
    classes[0x08] = BACKSPACE;
    classes[0x0A] = LINE_FEED;
    classes[0x0D] = CARRIAGE_RETURN;
    classes['['] = OPEN_BRACKET;
    return classes;
}

constexpr std::array<std::uint8_t, 256> kClasses = MakeClasses();

// Room for a full read with every line end doubled, so a flood never grows it.
constexpr std::size_t kTextReserve = 8192;

} // namespace

CReceivePath::CReceivePath(CKestronDoc& doc, IReceiveEvents& events) : m_doc(doc), m_events(events)
{
    m_text.reserve(kTextReserve);
}

void CReceivePath::HandOver(const std::uint8_t* data, std::size_t from, std::size_t to)
{
    if (to > from)
        m_text.insert(m_text.end(), data + from, data + to);
}

void CReceivePath::Flush(COLORREF colour)
{
    if (m_text.empty())
        return;
    m_doc.AddText(m_text.data(), static_cast<std::int32_t>(m_text.size()), colour);
    m_text.clear();
}

// Consumes command bytes from position i; returns the position after the last
// one. The bytes of a command are never shown.
std::size_t CReceivePath::Collect(const std::uint8_t* data, std::size_t i, std::size_t length)
{
    while (i < length) {
        if (m_scanner.Collect(data[i++])) {
            m_events.OnInbandCommand(m_scanner);
            break;
        }
    }
    return i;
}

// Without line-end conversions and with no command to look for, the text is
// the block itself: only bells need a word. False when the block needs the
// cutting below (a conversion, or a bracket that may open a command).
bool CReceivePath::PassThrough(const std::uint8_t* data, std::size_t length, COLORREF colour)
{
    if (m_doc.lfToCrLfOnReceive || m_doc.crToCrLfOnReceive || m_scanner.IsActive() || length == 0)
        return false;
    if (m_doc.scanCommands && !m_ownText && std::memchr(data, '[', length) != nullptr)
        return false;
    if (!m_ownText && std::memchr(data, BELL_BYTE, length) != nullptr)
        for (std::size_t i = 0; i < length; ++i)
            if (data[i] == BELL_BYTE)
                m_events.OnBell();
    m_doc.AddText(data, static_cast<std::int32_t>(length), colour);
    return true;
}

void CReceivePath::Process(const std::uint8_t* data, std::size_t length, COLORREF colour)
{
    if (data == nullptr || PassThrough(data, length, colour))
        return;
    // A damaged settings file may hold any column count; a run is at least a byte.
    const std::size_t columns = m_doc.screenColumns > 0 ? static_cast<std::size_t>(m_doc.screenColumns) : 1;
    std::size_t run = 0;
    std::size_t i = 0;
    while (i < length) {
        if (m_scanner.IsActive() && !m_ownText) {
            i = run = Collect(data, i, length);
            continue;
        }
        // Ordinary bytes are only counted: the tight loop stops at the first
        // byte that needs a decision or where the run fills a screen line.
        const std::size_t limit = length - run > columns ? run + columns : length;
        while (i < limit && kClasses[data[i]] == ORDINARY)
            ++i;
        if (i == limit) {
            if (i - run >= columns) {
                HandOver(data, run, i);
                run = i;
            }
            continue;
        }
        if (Special(kClasses[data[i]], data, run, i, colour)) {
            run = ++i;
            continue;
        }
        if (++i - run >= columns) { // a bell, or a bracket when commands are off
            HandOver(data, run, i);
            run = i;
        }
    }
    HandOver(data, run, length);
    Flush(colour);
}

void CReceivePath::ProcessOwnText(const std::uint8_t* data, std::size_t length, COLORREF colour)
{
    m_ownText = true;
    Process(data, length, colour);
    m_ownText = false;
}

bool CReceivePath::Special(std::uint8_t byteClass, const std::uint8_t* data, std::size_t run, std::size_t i,
                           COLORREF colour)
{
    switch (byteClass) {
    case OPEN_BRACKET:
        if (!m_doc.scanCommands || m_ownText)
            return false;
        HandOver(data, run, i);
        // What comes before a command is shown before the command acts (it may
        // start logging or send an echoed reply).
        Flush(colour);
        m_scanner.Begin();
        return true;
    case BELL:
        if (!m_ownText)
            m_events.OnBell();
        return false; // and shown like any other byte
    case BACKSPACE:
        HandOver(data, run, i);
        AddByte(8);
        return true;
    case LINE_FEED:
        HandOver(data, run, i);
        if (m_doc.lfToCrLfOnReceive)
            AddByte(13);
        AddByte(10);
        return true;
    case CARRIAGE_RETURN:
        HandOver(data, run, i);
        AddByte(13);
        if (m_doc.crToCrLfOnReceive)
            AddByte(10);
        return true;
    default:
        return false;
    }
}

} // namespace kestrelon
