// One data hub over the real drivers, the frame's queue pumped by the test:
// COM200 is an alias of a pseudo-terminal, the network is loopback.
#pragma once

#include "document/KestronDoc.h"
#include "document/Messages.h"
#include "document/SettingsStore.h"
#include "framework/PumpedTarget.h"
#include "hub/DataHub.h"
#include "support/HubDoubles.h"
#include "support/PtyPair.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <thread>

namespace kestrelon::test {

class DriverHubFixture {
public:
    DriverHubFixture()
    {
        settings.Write("Ports", "COM200", pty.SlavePath());
        frame.SetPumpThread(std::this_thread::get_id());
        frame.SetHandler([this](CMessage& m) { return hub ? hub->HandleMessage(m) : 0; });
        doc.SetFrameTarget(&frame);
        doc.AddView(&view);
        doc.comPort = 200;
        doc.SetHardwareHandshake(false); // a pty has no modem lines
        hub = std::make_unique<CDataHub>(doc, window, settings, frame);
        hub->SetLogDirectory(dir.Path().string());
    }
    virtual ~DriverHubFixture()
    {
        frame.Close(); // releases a driver thread waiting to deliver
        hub.reset();
    }

    bool PumpUntil(const std::function<bool()>& done) { return frame.PumpUntil(done, std::chrono::seconds(5)); }
    bool PaneIs(const std::string& text) { return window.Pane(PANE_CONNECTION) == text; }
    // Serial mode on the pty, open.
    void OpenPty()
    {
        doc.commMode = 0;
        hub->ApplyConnection();
        ASSERT_TRUE(PumpUntil([&] { return PaneIs("COM200: 9600, 8N1"); })) << window.Pane(PANE_CONNECTION);
    }

    TempDir dir;
    PtyPair pty;
    CMemorySettingsStore settings;
    CKestronDoc doc;
    CRecordingWindow window;
    CRecordingView view;
    CPumpedTarget frame;
    std::unique_ptr<CDataHub> hub;
};

} // namespace kestrelon::test
