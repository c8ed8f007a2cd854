// One data hub over recording doubles, wired as the main frame wires it: the
// frame's queue hands every posted message back to the hub.
#pragma once

#include "support/HubDoubles.h"
#include "document/ByteBlock.h"
#include "hub/DataHub.h"
#include "document/KestronDoc.h"
#include "document/Messages.h"
#include "framework/PumpedTarget.h"
#include "support/TempDir.h"

#include <memory>
#include <string>
#include <thread>

namespace kestrelon::test {

// 2018-09-26 11:33:33 UTC: the clock of every hub test.
constexpr std::time_t kFixedNow = 1537961613;

class HubFixture {
public:
    HubFixture()
    {
        auto serialLink = std::make_unique<CRecordingSerialLink>();
        auto ipLink = std::make_unique<CRecordingIpLink>();
        serial = serialLink.get();
        ip = ipLink.get();
        frame.SetPumpThread(std::this_thread::get_id());
        frame.SetHandler([this](CMessage& m) { return hub->HandleMessage(m); });
        doc.SetFrameTarget(&frame);
        doc.AddView(&view);
        hub = std::make_unique<CDataHub>(doc, window, frame, std::move(serialLink), std::move(ipLink));
        hub->SetLogDirectory(dir.Path().string());
        hub->SetClock([this] { return now; });
    }
    ~HubFixture()
    {
        hub.reset();
        frame.Close();
    }

    void Receive(const std::string& bytes)
    {
        hub->ProcessReceived(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), doc.receiveColour);
        frame.Pump();
    }
    // A message as a driver or view would send it, then whatever it posted.
    void Deliver(std::uint32_t message, std::uintptr_t code, std::intptr_t lParam = 0,
                 std::unique_ptr<CMessagePayload> payload = nullptr)
    {
        CMessage m = MakeMessage(message, code, lParam, std::move(payload));
        hub->HandleMessage(m);
        frame.Pump();
    }
    void ReceiveBlock(const std::string& bytes)
    {
        Deliver(WM_TERMINAL, TC_RECEIVED, 0, std::make_unique<CByteBlock>(bytes.data(), std::int32_t(bytes.size())));
    }
    // Serial mode with the port open.
    void OpenSerial()
    {
        doc.commMode = 0;
        hub->ApplyConnection();
        frame.Pump();
    }

    TempDir dir;
    CKestronDoc doc;
    CRecordingWindow window;
    CRecordingView view;
    CPumpedTarget frame;
    CRecordingSerialLink* serial = nullptr;
    CRecordingIpLink* ip = nullptr;
    std::unique_ptr<CDataHub> hub;
    std::time_t now = kFixedNow;
};

} // namespace kestrelon::test
