// A frame stand-in for serial driver tests: a pumped message target that
// records every terminal notification, with the received bytes of each block.
#pragma once

#include "document/ByteBlock.h"
#include "document/Messages.h"
#include "framework/PumpedTarget.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace kestrelon::test {

struct Notice {
    std::uintptr_t code = 0;
    std::intptr_t value = 0;
    std::string bytes; // TC_RECEIVED only

    bool operator==(const Notice&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Notice& n)
{
    return out << "{" << n.code << ", " << n.value << ", " << n.bytes.size() << " bytes}";
}

class SerialFrame {
public:
    SerialFrame()
        : m_target([this](CMessage& m) {
              Record(m);
              return 0;
          })
    {
    }
    ~SerialFrame() { m_target.Close(); }

    CPumpedTarget& Target() { return m_target; }

    bool WaitFor(const std::function<bool()>& done, int ms = 3000)
    {
        return m_target.PumpUntil(done, std::chrono::milliseconds(ms));
    }
    // Pumps for `ms` so late notices have a chance to arrive.
    void Settle(int ms)
    {
        m_target.PumpUntil([] { return false; }, std::chrono::milliseconds(ms));
    }
    // Notices other than received data and the modem lines' live readings.
    std::vector<Notice> Status() const
    {
        std::vector<Notice> out;
        for (const auto& n : m_notices)
            if (n.code != TC_RECEIVED && n.code != TC_MODEM_LINES)
                out.push_back(n);
        return out;
    }
    bool Has(std::uintptr_t code, std::intptr_t value) const
    {
        for (const auto& n : m_notices)
            if (n.code == code && n.value == value)
                return true;
        return false;
    }
    std::string Received() const
    {
        std::string all;
        for (const auto& n : m_notices)
            if (n.code == TC_RECEIVED)
                all += n.bytes;
        return all;
    }
    std::vector<std::size_t> BlockSizes() const
    {
        std::vector<std::size_t> sizes;
        for (const auto& n : m_notices)
            if (n.code == TC_RECEIVED)
                sizes.push_back(n.bytes.size());
        return sizes;
    }
    void Clear() { m_notices.clear(); }

private:
    void Record(CMessage& m)
    {
        if (m.message != WM_TERMINAL)
            return;
        Notice n{m.wParam, m.lParam, {}};
        if (auto block = m.TakePayload<CByteBlock>())
            n.bytes.assign(reinterpret_cast<const char*>(block->data()), static_cast<std::size_t>(block->length()));
        m_notices.push_back(std::move(n));
    }

    std::vector<Notice> m_notices;
    CPumpedTarget m_target;
};

} // namespace kestrelon::test
