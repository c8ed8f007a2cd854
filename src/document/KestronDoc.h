// The terminal document: every setting of one terminal configuration, the log
// file and the data channel to the views. It keeps no received data.
// Settings are public fields named as they are saved, so dialogs and the data
// hub read them directly; operations that must keep invariants are methods.
#pragma once

#include "document/DataChannel.h"
#include "document/LogFile.h"
#include "document/SavedSettings.h"
#include "document/TimeStamp.h"
#include "document/WinRecords.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kestrelon {

class IMessageTarget;

constexpr int BAUD_TABLE_SIZE = 14;
extern const std::array<std::uint32_t, BAUD_TABLE_SIZE> kBaudRates;
constexpr int DEFAULT_BAUD_INDEX = 5; // 9600
// Triggers are compared over at most this many bytes of received data.
constexpr std::size_t AUTO_ANSWER_TRIGGER_MAX = 128;

// Names shown for the enumerations (string table).
extern const std::array<const char*, 7> kConnectionModeNames; // 0 "Serial" ... 6 "IPv6 UDP"
extern const std::array<const char*, 4> kBridgeModeNames;     // 0 "IPv4 Client" ...
extern const std::array<const char*, 5> kProtocolNames;       // 0 "XModem" ... 4 "XModem ZIM"

class CKestronDoc {
public:
    CKestronDoc();
    ~CKestronDoc();
    CKestronDoc(const CKestronDoc&) = delete;
    CKestronDoc& operator=(const CKestronDoc&) = delete;

    // --- Settings, in declaration order -------------------------------------
    std::uint32_t comPort = 1;
    DCB dcb = DefaultDcb();
    std::uint32_t reservedSetting1 = 0;
    bool crToCrLfOnReceive = false;
    bool crToCrLfOnSend = false;
    bool lfToCrLfOnReceive = false;
    bool localEcho = false;
    bool reservedFlag2 = true;
    bool beep = true;
    bool scanCommands = false;
    bool comPortManual = false;
    std::uint32_t reservedSetting3 = 0;
    std::string reservedText4 = "Terminal";
    std::uint32_t reservedSetting5 = 12;
    COLORREF receiveColour = RECEIVE_COLOUR;
    COLORREF sendColour = SEND_COLOUR;
    std::int32_t screenColumns = 80;
    std::int32_t screenLines = 1000;
    std::array<std::string, FKEY_COUNT> fkeyLabel;
    std::array<std::string, FKEY_COUNT> fkeyCommand;
    std::uint32_t reservedSetting6 = 2000;
    bool arrowKeysMoveCaret = true;
    LOGFONTA font = DefaultFont();
    bool logging = false;
    CLogFile logFile;
    std::uint32_t transferProtocol = 0;
    bool autoAnswerOn = false;
    std::uint32_t autoAnswerEcho = 0;
    std::uint8_t triggerByte = 13;
    std::string matchHistory;
    std::vector<std::string> autoAnswers;
    std::vector<std::string> autoAnswerTriggers;
    std::uint32_t commMode = 0;
    std::string ipServer = "localhost";
    std::uint32_t ipPort = 23;
    // The TCP client is a remote serial port: kept in the settings store per
    // configuration file, since the file has no field for it.
    bool remoteSerialPort = false;
    std::uint32_t bridgeMode = 0;
    std::string bridgeServer = "localhost";
    std::uint32_t bridgePort = 1818;

    // --- Wiring ----------------------------------------------------------------
    // Where the document posts its notifications (the main frame).
    void SetFrameTarget(IMessageTarget* target) { m_frame = target; }
    IMessageTarget* FrameTarget() const { return m_frame; }
    // Finds the number of the first serial port present (port enumeration);
    // without one the new document uses port 1.
    void SetFirstPortFinder(std::function<std::uint32_t()> finder) { m_firstPortFinder = std::move(finder); }

    // --- Document operations ---------------------------------------------------
    // File > New and start-up: stops logging, gives every field its default,
    // broadcasts HINT_NEW_SETTINGS (1000) and posts TC_NEW_SETTINGS to the frame.
    bool OnNewDocument();
    // The saved part of the settings, and taking over a complete set of them
    // (after a file was read to its end): the triggers are rebuilt, views and
    // frame are told (HINT_NEW_SETTINGS with screenLines, TC_NEW_SETTINGS) and
    // the document counts as unmodified.
    CSavedSettings SavedSettings() const;
    void AdoptLoadedSettings(const CSavedSettings& settings);
    void SetModifiedFlag(bool modified = true) { m_modified = modified; }
    bool IsModified() const { return m_modified; }

    void SetHardwareHandshake(bool on);
    bool HasHardwareHandshake() const;
    std::string GetFkeyLabel(int index) const;
    std::string GetFkeyCommand(int index) const;
    bool IsFkeyLevelEmpty(int level) const;
    std::string GetAutoAnswer(int index) const;
    void SetTransferProtocol(std::uint32_t index);
    static bool IsValidBaudRate(std::uint32_t rate);
    static int BaudRateIndex(std::uint32_t rate); // DEFAULT_BAUD_INDEX when not in the table
    // Rebuilds autoAnswerTriggers from autoAnswers: one entry per rule, its
    // trigger decoded into at most 128 bytes as upper-case hex, last byte first.
    void RebuildAutoAnswerTriggers();

    // Setup commands that change what the views show.
    // Terminal dialog: stores both and, when either changed, HINT_SCREEN_SIZE.
    void SetScreenSize(std::int32_t columns, std::int32_t lines);
    // Font dialog: stores the font and broadcasts HINT_FONT.
    void SetFont(const LOGFONTA& newFont);
    // Auto Answer dialog: replaces the rules and rebuilds the triggers.
    void SetAutoAnswers(std::vector<std::string> rules);
    // Toggle > Auto Answer; deliberately leaves the modified flag alone.
    void ToggleAutoAnswer() { autoAnswerOn = !autoAnswerOn; }

    // --- Data channel ------------------------------------------------------------
    void AddView(IDocumentView* view);
    void RemoveView(IDocumentView* view);
    void UpdateAllViews(const CUpdateHint& hint);
    void AddByte(std::uint8_t value, COLORREF colour);
    void AddBlock(const std::uint8_t* data, std::int32_t length, COLORREF colour);
    // Text with line ends, as the receive path builds it from one block: views
    // that take text get it whole, the others as the runs of at most
    // `screenColumns` bytes and the single line-end bytes it is made of.
    void AddText(const std::uint8_t* data, std::int32_t length, COLORREF colour);
    void ResetScreen(); // Edit > Reset Screen: hint 0
    // The views' last line is empty: a line of the program's own needs no line
    // end before it.
    bool AtLineStart() const { return m_lastShown == 10; }
    // The arrival time of the block being handed over; every hint carries it
    // until it is set back to 0, after which each hint takes the clock's time
    // (the local echo of typed keys).
    void SetArrivalTime(DataTime time) { m_arrival = time; }
    // Each line written to the log starts with the time stamp of its first
    // byte. A user preference, not a setting of the configuration file.
    void SetLogTimestamps(bool on) { m_logTimestamps = on; }
    bool LogTimestamps() const { return m_logTimestamps; }

    // Called when a write to the log file failed; the data hub reports the
    // failure and stops logging. The broadcast to the views happens regardless.
    void SetLogFailureHandler(std::function<void(int error)> handler) { m_logFailure = std::move(handler); }

private:
    // Gives a view that takes no text the pieces HINT_TEXT stands for.
    void SplitText(IDocumentView& view, const CUpdateHint& text) const;
    void WriteToLog(const std::uint8_t* data, std::size_t length);
    // Writes the stamp before a line's first byte when stamps are on.
    void StampLogLine(std::uint8_t first, DataTime time);
    void LogText(const std::uint8_t* data, std::int32_t length, DataTime time);
    DataTime HintTime() const { return m_arrival != 0 ? m_arrival : DataClockNow(); }
    void ApplySavedSettings(const CSavedSettings& settings);
    void AnnounceNewSettings(std::int32_t lines);
    void Post(int code, std::intptr_t lParam);

    IMessageTarget* m_frame = nullptr;
    std::function<std::uint32_t()> m_firstPortFinder;
    std::function<void(int)> m_logFailure;
    std::vector<IDocumentView*> m_views;
    bool m_modified = false;
    DataTime m_arrival = 0;
    bool m_logTimestamps = false;
    bool m_logLineStart = true;
    std::uint8_t m_lastShown = 10;
};

} // namespace kestrelon
