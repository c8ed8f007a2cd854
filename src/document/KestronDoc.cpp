// CKestronDoc: settings, accessors and the data channel.
#include "document/KestronDoc.h"

#include "document/DecodeText.h"
#include "document/Messages.h"
#include "framework/MessageCarrier.h"

#include <algorithm>

namespace kestrelon {

const std::array<std::uint32_t, BAUD_TABLE_SIZE> kBaudRates = {300,   600,   1200,  2400,   4800,   9600,   14400,
                                                               19200, 38400, 57600, 115200, 230400, 460800, 921600};

const std::array<const char*, 7> kConnectionModeNames = {
    "Serial", "IPv4 TCP Client", "IPv4 TCP Server", "IPv4 UDP", "IPv6 TCP Client", "IPv6 TCP Server", "IPv6 UDP"};
const std::array<const char*, 4> kBridgeModeNames = {"IPv4 Client", "IPv4 Server", "IPv6 Client", "IPv6 Server"};
const std::array<const char*, 5> kProtocolNames = {"XModem", "XModem 1K", "YModem", "None", "XModem ZIM"};

CKestronDoc::CKestronDoc() = default;

CKestronDoc::~CKestronDoc() = default;

void CKestronDoc::Post(int code, std::intptr_t lParam)
{
    if (m_frame != nullptr)
        m_frame->Post(MakeMessage(WM_TERMINAL, static_cast<std::uintptr_t>(code), lParam));
}

bool CKestronDoc::OnNewDocument()
{
    // A new configuration must not keep writing into the old one's log.
    if (logging) {
        logFile.Close();
        logging = false;
        Post(TC_LOGGING, 0);
    }
    const std::uint32_t firstPort = m_firstPortFinder ? m_firstPortFinder() : 0;
    ApplySavedSettings(CSavedSettings::Defaults(firstPort != 0 ? firstPort : 1));
    SetHardwareHandshake(true);
    triggerByte = 13;
    matchHistory.clear();
    RebuildAutoAnswerTriggers();
    SetModifiedFlag(false);
    AnnounceNewSettings(screenLines);
    return true;
}

CSavedSettings CKestronDoc::SavedSettings() const
{
    CSavedSettings s;
    s.comPort = comPort;
    s.reservedSetting1 = reservedSetting1;
    s.crToCrLfOnSend = crToCrLfOnSend;
    s.crToCrLfOnReceive = crToCrLfOnReceive;
    s.localEcho = localEcho;
    s.reservedFlag2 = reservedFlag2;
    s.beep = beep;
    s.reservedSetting3 = reservedSetting3;
    s.reservedText4 = reservedText4;
    s.reservedSetting5 = reservedSetting5;
    s.screenColumns = screenColumns;
    s.screenLines = screenLines;
    s.reservedSetting6 = reservedSetting6;
    s.arrowKeysMoveCaret = arrowKeysMoveCaret;
    s.transferProtocol = transferProtocol;
    s.lfToCrLfOnReceive = lfToCrLfOnReceive;
    s.dcb = dcb;
    s.font = font;
    s.fkeyLabel = fkeyLabel;
    s.fkeyCommand = fkeyCommand;
    s.autoAnswerOn = autoAnswerOn;
    s.autoAnswerEcho = autoAnswerEcho;
    s.autoAnswers = autoAnswers;
    s.commMode = commMode;
    s.ipPort = ipPort;
    s.ipServer = ipServer;
    s.bridgeMode = bridgeMode;
    s.bridgePort = bridgePort;
    s.bridgeServer = bridgeServer;
    s.scanCommands = scanCommands;
    s.comPortManual = comPortManual;
    return s;
}

void CKestronDoc::ApplySavedSettings(const CSavedSettings& s)
{
    remoteSerialPort = false; // the file does not say; the settings store may
    comPort = s.comPort;
    reservedSetting1 = s.reservedSetting1;
    crToCrLfOnSend = s.crToCrLfOnSend;
    crToCrLfOnReceive = s.crToCrLfOnReceive;
    localEcho = s.localEcho;
    reservedFlag2 = s.reservedFlag2;
    beep = s.beep;
    reservedSetting3 = s.reservedSetting3;
    reservedText4 = s.reservedText4;
    reservedSetting5 = s.reservedSetting5;
    screenColumns = s.screenColumns;
    screenLines = s.screenLines;
    reservedSetting6 = s.reservedSetting6;
    arrowKeysMoveCaret = s.arrowKeysMoveCaret;
    transferProtocol = s.transferProtocol;
    lfToCrLfOnReceive = s.lfToCrLfOnReceive;
    dcb = s.dcb;
    font = s.font;
    fkeyLabel = s.fkeyLabel;
    fkeyCommand = s.fkeyCommand;
    autoAnswerOn = s.autoAnswerOn;
    autoAnswerEcho = s.autoAnswerEcho;
    autoAnswers = s.autoAnswers;
    commMode = s.commMode;
    ipPort = s.ipPort;
    ipServer = s.ipServer;
    bridgeMode = s.bridgeMode;
    bridgePort = s.bridgePort;
    bridgeServer = s.bridgeServer;
    scanCommands = s.scanCommands;
    comPortManual = s.comPortManual;
}

void CKestronDoc::AdoptLoadedSettings(const CSavedSettings& settings)
{
    // Loading leaves logging, the trigger byte and the match history alone.
    ApplySavedSettings(settings);
    RebuildAutoAnswerTriggers();
    SetModifiedFlag(false);
    AnnounceNewSettings(screenLines);
}

void CKestronDoc::AnnounceNewSettings(std::int32_t lines)
{
    CUpdateHint hint;
    hint.hint = HINT_NEW_SETTINGS;
    hint.lines = lines;
    UpdateAllViews(hint);
    Post(TC_NEW_SETTINGS, 0);
}

void CKestronDoc::RebuildAutoAnswerTriggers()
{
    autoAnswerTriggers.clear();
    autoAnswerTriggers.reserve((autoAnswers.size() + 1) / 2);
    for (std::size_t i = 0; i < autoAnswers.size(); i += 2) {
        const std::vector<std::uint8_t> bytes = DecodeText(autoAnswers[i], AUTO_ANSWER_TRIGGER_MAX, crToCrLfOnSend);
        std::string hex;
        hex.reserve(bytes.size() * 2);
        static constexpr char kDigits[] = "0123456789ABCDEF";
        // Newest byte first, like the match history, so a match is a prefix test.
        for (auto it = bytes.rbegin(); it != bytes.rend(); ++it) {
            hex.push_back(kDigits[*it >> 4]);
            hex.push_back(kDigits[*it & 0x0F]);
        }
        autoAnswerTriggers.push_back(std::move(hex));
    }
}

void CKestronDoc::SetScreenSize(std::int32_t columns, std::int32_t lines)
{
    if (columns == screenColumns && lines == screenLines)
        return;
    screenColumns = columns;
    screenLines = lines;
    SetModifiedFlag();
    CUpdateHint hint;
    hint.hint = HINT_SCREEN_SIZE;
    hint.lines = lines;
    UpdateAllViews(hint);
}

void CKestronDoc::SetFont(const LOGFONTA& newFont)
{
    font = newFont;
    SetModifiedFlag();
    CUpdateHint hint;
    hint.hint = HINT_FONT;
    UpdateAllViews(hint);
}

void CKestronDoc::SetAutoAnswers(std::vector<std::string> rules)
{
    autoAnswers = std::move(rules);
    SetModifiedFlag();
    RebuildAutoAnswerTriggers();
}

void CKestronDoc::SetHardwareHandshake(bool on)
{
    using namespace DcbFlag;
    if (on) {
        dcb.flags &= ~(1u << 12);
        dcb.flags |= (1u << 2) | (1u << 13);
    } else {
        dcb.flags &= ~(fOutxCtsFlow | fOutxDsrFlow | fDtrControlMask | fDsrSensitivity | fRtsControlMask);
    }
}

bool CKestronDoc::HasHardwareHandshake() const
{
    return (dcb.flags & DcbFlag::fOutxCtsFlow) != 0;
}

std::string CKestronDoc::GetFkeyLabel(int index) const
{
    return index >= 0 && index < FKEY_COUNT ? fkeyLabel[static_cast<std::size_t>(index)] : std::string();
}

std::string CKestronDoc::GetFkeyCommand(int index) const
{
    return index >= 0 && index < FKEY_COUNT ? fkeyCommand[static_cast<std::size_t>(index)] : std::string();
}

bool CKestronDoc::IsFkeyLevelEmpty(int level) const
{
    if (level < 0 || level >= FKEY_LEVELS)
        return true;
    for (int key = 0; key < FKEYS_PER_LEVEL; ++key) {
        const auto i = static_cast<std::size_t>(level * 10 + key);
        if (!fkeyLabel[i].empty() || !fkeyCommand[i].empty())
            return false;
    }
    return true;
}

std::string CKestronDoc::GetAutoAnswer(int index) const
{
    return index >= 0 && static_cast<std::size_t>(index) < autoAnswers.size()
               ? autoAnswers[static_cast<std::size_t>(index)]
               : std::string();
}

void CKestronDoc::SetTransferProtocol(std::uint32_t index)
{
    if (transferProtocol != index) {
        transferProtocol = index;
        SetModifiedFlag();
    }
}

bool CKestronDoc::IsValidBaudRate(std::uint32_t rate)
{
    return std::find(kBaudRates.begin(), kBaudRates.end(), rate) != kBaudRates.end();
}

int CKestronDoc::BaudRateIndex(std::uint32_t rate)
{
    auto it = std::find(kBaudRates.begin(), kBaudRates.end(), rate);
    return it == kBaudRates.end() ? DEFAULT_BAUD_INDEX : static_cast<int>(it - kBaudRates.begin());
}

void CKestronDoc::AddView(IDocumentView* view)
{
    if (view != nullptr && std::find(m_views.begin(), m_views.end(), view) == m_views.end())
        m_views.push_back(view);
}

void CKestronDoc::RemoveView(IDocumentView* view)
{
    std::erase(m_views, view);
}

void CKestronDoc::UpdateAllViews(const CUpdateHint& hint)
{
    if (hint.hint == HINT_RESET)
        m_lastShown = 10;
    else if ((hint.hint == HINT_BYTE || hint.hint == HINT_BLOCK) && hint.data != nullptr && hint.length > 0)
        m_lastShown = hint.data[hint.length - 1];
    for (IDocumentView* view : m_views)
        view->OnUpdate(hint);
}

void CKestronDoc::WriteToLog(const std::uint8_t* data, std::size_t length)
{
    if (!logging)
        return;
    if (!logFile.Write(data, length) && m_logFailure)
        m_logFailure(logFile.LastError());
}

void CKestronDoc::LogText(const std::uint8_t* data, std::int32_t length, DataTime time)
{
    if (!m_logTimestamps) {
        WriteToLog(data, static_cast<std::size_t>(length));
        return;
    }
    // Stamped as the same bytes would be one by one: each run between line
    // ends, and each line end, may start a line.
    std::int32_t run = 0;
    for (std::int32_t i = 0; i <= length; ++i) {
        if (i < length && !IsLineControl(data[i]))
            continue;
        if (i > run) {
            StampLogLine(data[run], time);
            WriteToLog(data + run, static_cast<std::size_t>(i - run));
        }
        if (i < length) {
            StampLogLine(data[i], time);
            WriteToLog(data + i, 1);
        }
        run = i + 1;
    }
}

void CKestronDoc::StampLogLine(std::uint8_t first, DataTime time)
{
    // CR and backspace do not start a line: a CR LF pair would otherwise give
    // an empty line a stamp.
    if (first == 10) {
        m_logLineStart = true;
        return;
    }
    if (!m_logLineStart || first == 13 || first == 8)
        return;
    m_logLineStart = false;
    if (!m_logTimestamps)
        return;
    char stamp[TIME_STAMP_LENGTH];
    FormatTimeStamp(time, stamp);
    WriteToLog(reinterpret_cast<const std::uint8_t*>(stamp), sizeof stamp);
}

void CKestronDoc::AddByte(std::uint8_t value, COLORREF colour)
{
    const DataTime time = HintTime();
    if (logging) { // tested here: this runs for every line end received
        StampLogLine(value, time);
        WriteToLog(&value, 1);
    }
    CUpdateHint hint;
    hint.time = time;
    hint.hint = HINT_BYTE;
    hint.value = value;
    hint.data = &value;
    hint.length = 1;
    hint.colour = colour;
    UpdateAllViews(hint);
}

void CKestronDoc::AddBlock(const std::uint8_t* data, std::int32_t length, COLORREF colour)
{
    if (data == nullptr || length < 1)
        return;
    const DataTime time = HintTime();
    if (logging) {
        StampLogLine(data[0], time);
        WriteToLog(data, static_cast<std::size_t>(length));
    }
    CUpdateHint hint;
    hint.time = time;
    hint.hint = HINT_BLOCK;
    hint.data = data;
    hint.length = length;
    hint.colour = colour;
    UpdateAllViews(hint);
}

void CKestronDoc::AddText(const std::uint8_t* data, std::int32_t length, COLORREF colour)
{
    if (data == nullptr || length < 1)
        return;
    const DataTime time = HintTime();
    if (logging)
        LogText(data, length, time);
    m_lastShown = data[length - 1];
    CUpdateHint text;
    text.time = time;
    text.hint = HINT_TEXT;
    text.data = data;
    text.length = length;
    text.colour = colour;
    for (IDocumentView* view : m_views) {
        if (view->TakesText())
            view->OnUpdate(text);
        else
            SplitText(*view, text);
    }
}

void CKestronDoc::SplitText(IDocumentView& view, const CUpdateHint& text) const
{
    const std::int32_t columns = screenColumns > 0 ? screenColumns : 1;
    CUpdateHint piece;
    piece.colour = text.colour;
    piece.time = text.time;
    std::int32_t run = 0;
    for (std::int32_t i = 0; i <= text.length; ++i) {
        const bool end = i == text.length;
        if (!end && !IsLineControl(text.data[i]) && i - run < columns)
            continue;
        if (i > run) {
            piece.hint = HINT_BLOCK;
            piece.data = text.data + run;
            piece.length = i - run;
            view.OnUpdate(piece);
        }
        run = i;
        if (!end && IsLineControl(text.data[i])) {
            piece.hint = HINT_BYTE;
            piece.value = text.data[i];
            piece.data = &piece.value;
            piece.length = 1;
            view.OnUpdate(piece);
            run = i + 1;
        }
    }
}

void CKestronDoc::ResetScreen()
{
    CUpdateHint hint;
    hint.hint = HINT_RESET;
    UpdateAllViews(hint);
}

} // namespace kestrelon
