// Message construction helper.
#include "framework/MessageCarrier.h"

namespace kestrelon {

CMessage MakeMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam,
                     std::unique_ptr<CMessagePayload> payload)
{
    CMessage m;
    m.message = message;
    m.wParam = wParam;
    m.lParam = lParam;
    m.payload = std::move(payload);
    return m;
}

} // namespace kestrelon
