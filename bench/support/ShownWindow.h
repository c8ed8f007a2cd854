// The real main window over a document as the program opens it: all three
// views made, the window shown, and its connection applied and open.
#pragma once

#include "RunEvents.h"
#include "document/KestronDoc.h"
#include "document/SettingsStore.h"
#include "hub/DataHub.h"
#include "ui/frame/MainFrame.h"

#include <memory>

namespace kestrelon::bench {

// Null when the connection did not open within `timeoutMs`.
inline std::unique_ptr<CMainFrame> OpenShownWindow(CKestronDoc& doc, ISettingsStore& store, int timeoutMs = 5000)
{
    auto frame = std::make_unique<CMainFrame>(doc, nullptr, &store);
    frame->Create();
    for (int view : {2, 1, 0})
        frame->SwitchView(view);
    frame->show();
    CDataHub& hub = *frame->Hub();
    hub.ApplyConnection();
    if (!RunUntil([&] { return hub.IsConnectionOpen(); }, timeoutMs))
        return nullptr;
    return frame;
}

} // namespace kestrelon::bench
