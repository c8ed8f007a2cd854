// The values of Setup > Terminal as a plain record: copied from the document
// before the dialog runs and written back when it is confirmed.
#pragma once

#include "document/SavedSettings.h" // screen size ranges

#include <cstdint>

namespace kestrelon {

class CKestronDoc;

struct TerminalSettings {
    bool localEcho = false;
    bool beep = true;
    bool crToCrLfOnSend = false;
    bool crToCrLfOnReceive = false;
    bool lfToCrLfOnReceive = false;
    bool scanCommands = false;
    std::int32_t screenColumns = 80;
    std::int32_t screenLines = 1000;

    bool operator==(const TerminalSettings&) const = default;

    static TerminalSettings FromDocument(const CKestronDoc& doc);
    // Stores every value; a new screen size goes to the views (they clear and
    // take the new line count) only when it differs. The document counts as
    // modified even when nothing changed: confirming the dialog is an edit.
    void ApplyTo(CKestronDoc& doc) const;
};

} // namespace kestrelon
