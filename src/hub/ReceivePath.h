// The receive path: cuts received bytes into the pieces the document's data
// channel carries (runs of at most one screen line, control bytes alone),
// applies the receive line-end conversions and takes in-band commands out of
// the stream before anyone sees them. The pieces of one block go to the
// document as one text, so a flood of short lines costs each view one call per
// block rather than three per line.
#pragma once

#include "document/DataChannel.h"
#include "hub/InbandCommands.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kestrelon {

class CKestronDoc;

// What the receive path cannot do on its own.
class IReceiveEvents {
public:
    virtual ~IReceiveEvents() = default;
    virtual void OnBell() = 0;
    // A collected command ended; the scanner holds its text.
    virtual void OnInbandCommand(CInbandScanner& scanner) = 0;
};

class CReceivePath {
public:
    CReceivePath(CKestronDoc& doc, IReceiveEvents& events);

    // Hands `data` to the document's data channel in `colour`. A command being
    // collected continues across calls.
    void Process(const std::uint8_t* data, std::size_t length, COLORREF colour);
    // A text of the terminal's own, cut the same way but never scanned for
    // commands and never ringing the bell; a command being collected from the
    // device's bytes goes on after it.
    void ProcessOwnText(const std::uint8_t* data, std::size_t length, COLORREF colour);

    CInbandScanner& Scanner() { return m_scanner; }

private:
    bool PassThrough(const std::uint8_t* data, std::size_t length, COLORREF colour);
    void HandOver(const std::uint8_t* data, std::size_t from, std::size_t to);
    void AddByte(std::uint8_t value) { m_text.push_back(value); }
    // Gives the text gathered so far to the document.
    void Flush(COLORREF colour);
    // Acts on the control byte at data[i] (of class `byteClass`), handing over
    // the run before it when the byte is taken out of the text; false when it
    // stays in the run.
    bool Special(std::uint8_t byteClass, const std::uint8_t* data, std::size_t run, std::size_t i, COLORREF colour);
    std::size_t Collect(const std::uint8_t* data, std::size_t i, std::size_t length);

    CKestronDoc& m_doc;
    IReceiveEvents& m_events;
    CInbandScanner m_scanner;
    std::vector<std::uint8_t> m_text; // kept between blocks: grows once, then reused
    bool m_ownText = false;           // during ProcessOwnText
};

} // namespace kestrelon
