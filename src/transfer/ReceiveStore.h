// Where a receiver puts what arrives. The disk store writes files; the fuzz
// target and tests may count bytes instead.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kestrelon {

class CReceiveStore {
public:
    virtual ~CReceiveStore() = default;
    // Before anything arrives: false when no file could ever be created (the
    // directory is missing or not writable), so a receive fails at once.
    virtual bool Prepare() { return true; }
    // Creates a new file for a checked bare name (YModem) or, with an empty
    // name, for the file the user chose (XModem). Sets path to the full name
    // actually created. False when no file could be created.
    virtual bool Create(const std::string& name, std::string& path) = 0;
    // Appends to the file created last; false on any failure.
    virtual bool Write(const std::uint8_t* data, std::size_t size) = 0;
    virtual void Close() = 0;
};

} // namespace kestrelon
