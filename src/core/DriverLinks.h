// The real connections behind the hub's link interfaces: the serial driver
// thread and the IP connection threads, both reporting to the frame.
#pragma once

#include "core/HubLinks.h"

#include <memory>

namespace kestrelon {

class IMessageTarget;
class ISettingsStore;

std::unique_ptr<ISerialLink> MakeSerialLink(IMessageTarget& frame, ISettingsStore& settings);
std::unique_ptr<IIpLink> MakeIpLink(IMessageTarget& frame);

} // namespace kestrelon
