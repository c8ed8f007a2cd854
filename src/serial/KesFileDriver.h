// The serial driver the main frame embeds, for the terminal and for file
// transfers over the serial line (the transfer half is added on top).
#pragma once

#include "serial/KestronDriver.h"

namespace kestrelon {

class CKesFileDriver : public CKestronDriver {
public:
    using CKestronDriver::CKestronDriver;
    // A subclass that adds state used on the driver thread must call Shutdown()
    // first in its own destructor.
    ~CKesFileDriver() override { Shutdown(); }
};

} // namespace kestrelon
