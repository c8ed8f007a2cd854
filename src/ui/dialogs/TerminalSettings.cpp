// TerminalSettings: copying the terminal options in and out of the document.
#include "ui/dialogs/TerminalSettings.h"

#include "document/KestronDoc.h"

namespace kestrelon {

TerminalSettings TerminalSettings::FromDocument(const CKestronDoc& doc)
{
    TerminalSettings s;
    s.localEcho = doc.localEcho;
    s.beep = doc.beep;
    s.crToCrLfOnSend = doc.crToCrLfOnSend;
    s.crToCrLfOnReceive = doc.crToCrLfOnReceive;
    s.lfToCrLfOnReceive = doc.lfToCrLfOnReceive;
    s.scanCommands = doc.scanCommands;
    s.screenColumns = doc.screenColumns;
    s.screenLines = doc.screenLines;
    return s;
}

void TerminalSettings::ApplyTo(CKestronDoc& doc) const
{
    doc.localEcho = localEcho;
    doc.beep = beep;
    // "^m" in a trigger means CR or CR LF by this option: the decoded
    // triggers must follow it.
    const bool rebuildTriggers = doc.crToCrLfOnSend != crToCrLfOnSend;
    doc.crToCrLfOnSend = crToCrLfOnSend;
    if (rebuildTriggers)
        doc.RebuildAutoAnswerTriggers();
    doc.crToCrLfOnReceive = crToCrLfOnReceive;
    doc.lfToCrLfOnReceive = lfToCrLfOnReceive;
    doc.SetScreenSize(screenColumns, screenLines);
    doc.scanCommands = scanCommands;
    doc.SetModifiedFlag();
}

} // namespace kestrelon
