// Helpers shared by the hex and ANSI view widget tests: a message target that
// records what a view posts, and pixel searches over a grabbed image.
#pragma once

#include "document/ByteBlock.h"
#include "document/Messages.h"
#include "framework/MessageCarrier.h"

#include <QImage>
#include <QRect>

#include <string>
#include <vector>

namespace kestrelon::test {

// Records posted WM_TERMINAL messages as text: "4:13" for a byte, "5:" and the
// string for a constant string, "6:" and the bytes for a block.
class CRecordingTarget : public IMessageTarget {
public:
    void Post(CMessage message) override { Record(message); }
    std::intptr_t Send(CMessage message) override
    {
        Record(message);
        return 0;
    }
    std::vector<std::string> messages;

private:
    void Record(CMessage& message)
    {
        if (message.message != WM_TERMINAL) {
            messages.push_back("other");
            return;
        }
        switch (static_cast<int>(message.wParam)) {
        case TC_SEND_BYTE:
            messages.push_back("4:" + std::to_string(message.lParam));
            break;
        case TC_SEND_STRING:
            messages.push_back("5:" + std::string(reinterpret_cast<const char*>(message.lParam)));
            break;
        case TC_SEND_BLOCK: {
            auto block = message.TakePayload<CByteBlock>();
            messages.push_back(block ? "6:" + std::string(reinterpret_cast<const char*>(block->data()),
                                                          static_cast<std::size_t>(block->length()))
                                     : "6:none");
            break;
        }
        default:
            messages.push_back("code " + std::to_string(message.wParam));
            break;
        }
    }
};

// Number of pixels inside `area` of exactly `rgb`.
inline int CountPixels(const QImage& image, const QRect& area, QRgb rgb)
{
    int count = 0;
    const QRect inside = area.intersected(image.rect());
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) == (rgb & 0xFFFFFF))
                ++count;
    return count;
}

} // namespace kestrelon::test
