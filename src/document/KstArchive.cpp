// CKstArchive: writing and reading the .kst stream, and documents to and from files.
#include "document/KstArchive.h"

#include "document/FileBytes.h"
#include "document/KestronDoc.h"

#include <algorithm>
#include <cstring>

namespace kestrelon {

namespace {

// Length prefixes of the archive's strings and lists.
constexpr std::uint8_t SHORT_LENGTH_ESCAPE = 0xFF;   // a 16-bit length follows
constexpr std::uint16_t WORD_LENGTH_ESCAPE = 0xFFFF; // a 32-bit length follows
constexpr std::uint16_t WORD_LENGTH_LIMIT = 0xFFFE;  // 16-bit lengths stay below this
constexpr std::size_t RESERVED_WORDS_AFTER_OPTIONS = 14;
constexpr std::size_t RESERVED_STRINGS = 8;
constexpr std::size_t RESERVED_WORDS_AFTER_BRIDGE = 3;
// Schema 1 and 2 files kept four levels of eight keys.
constexpr int OLD_FKEY_LEVELS = 4;
constexpr int OLD_FKEYS_PER_LEVEL = 8;

class CStreamWriter {
public:
    void U8(std::uint8_t v) { m_out.push_back(static_cast<char>(v)); }
    void U16(std::uint16_t v)
    {
        U8(static_cast<std::uint8_t>(v));
        U8(static_cast<std::uint8_t>(v >> 8));
    }
    void U32(std::uint32_t v)
    {
        U16(static_cast<std::uint16_t>(v));
        U16(static_cast<std::uint16_t>(v >> 16));
    }
    void I32(std::int32_t v) { U32(static_cast<std::uint32_t>(v)); }
    void Bool(bool v) { U32(v ? 1 : 0); }
    void Chars(const char* p, std::size_t n) { m_out.append(p, n); }
    void String(const std::string& s)
    {
        if (s.size() < SHORT_LENGTH_ESCAPE) {
            U8(static_cast<std::uint8_t>(s.size()));
        } else if (s.size() < WORD_LENGTH_LIMIT) {
            U8(SHORT_LENGTH_ESCAPE);
            U16(static_cast<std::uint16_t>(s.size()));
        } else {
            U8(SHORT_LENGTH_ESCAPE);
            U16(WORD_LENGTH_ESCAPE);
            U32(static_cast<std::uint32_t>(s.size()));
        }
        m_out.append(s);
    }
    void StringList(const std::vector<std::string>& list)
    {
        if (list.size() < WORD_LENGTH_ESCAPE) {
            U16(static_cast<std::uint16_t>(list.size()));
        } else {
            U16(WORD_LENGTH_ESCAPE);
            U32(static_cast<std::uint32_t>(list.size()));
        }
        for (const std::string& s : list)
            String(s);
    }
    std::string Take() { return std::move(m_out); }

private:
    std::string m_out;
};

// Reads the stream front to back. The first failure is kept with the offset of
// the item that could not be read; every later read then fails at once.
class CStreamReader {
public:
    explicit CStreamReader(std::string_view bytes) : m_bytes(bytes) {}

    bool Failed() const { return m_failed; }
    const CKstError& Error() const { return m_error; }
    std::size_t Left() const { return m_bytes.size() - m_pos; }

    bool U8(std::uint8_t& v, const char* what)
    {
        if (!Need(1, what, m_pos))
            return false;
        v = static_cast<std::uint8_t>(m_bytes[m_pos++]);
        return true;
    }
    bool U16(std::uint16_t& v, const char* what)
    {
        if (!Need(2, what, m_pos))
            return false;
        v = static_cast<std::uint16_t>(Byte(0) | Byte(1) << 8);
        m_pos += 2;
        return true;
    }
    bool U32(std::uint32_t& v, const char* what)
    {
        if (!Need(4, what, m_pos))
            return false;
        v = Byte(0) | Byte(1) << 8 | Byte(2) << 16 | Byte(3) << 24;
        m_pos += 4;
        return true;
    }
    bool I32(std::int32_t& v, const char* what)
    {
        std::uint32_t u = 0;
        if (!U32(u, what))
            return false;
        v = static_cast<std::int32_t>(u);
        return true;
    }
    bool Bool(bool& v, const char* what)
    {
        std::uint32_t u = 0;
        if (!U32(u, what))
            return false;
        v = u != 0; // any non-zero word is true
        return true;
    }
    bool Chars(char* p, std::size_t n, const char* what)
    {
        if (!Need(n, what, m_pos))
            return false;
        std::memcpy(p, m_bytes.data() + m_pos, n);
        m_pos += n;
        return true;
    }
    bool Skip(std::size_t n, const char* what)
    {
        if (!Need(n, what, m_pos))
            return false;
        m_pos += n;
        return true;
    }
    // `index` numbers the strings of a series ("command of function key 7").
    bool String(std::string& s, const char* what, int index = -1);
    bool StringList(std::vector<std::string>& list, const char* what);

private:
    std::uint32_t Byte(std::size_t i) const { return static_cast<std::uint8_t>(m_bytes[m_pos + i]); }
    bool Need(std::size_t n, const std::string& what, std::size_t at);
    static std::string Name(const char* what, int index)
    {
        return index < 0 ? std::string(what) : std::string(what) + " " + std::to_string(index);
    }
    bool Fail(std::string message, std::size_t at);

    std::string_view m_bytes;
    std::size_t m_pos = 0;
    bool m_failed = false;
    CKstError m_error;
};

bool CStreamReader::Fail(std::string message, std::size_t at)
{
    if (!m_failed) {
        m_failed = true;
        m_error.message = std::move(message);
        m_error.offset = static_cast<std::int64_t>(at);
    }
    return false;
}

bool CStreamReader::Need(std::size_t n, const std::string& what, std::size_t at)
{
    if (m_failed)
        return false;
    if (n <= Left())
        return true;
    return Fail("file ends inside " + what + " (" + std::to_string(n) + (n == 1 ? " byte" : " bytes") + " needed, " +
                    std::to_string(Left()) + " left)",
                at);
}

bool CStreamReader::String(std::string& s, const char* what, int index)
{
    if (m_failed)
        return false;
    const std::size_t start = m_pos;
    std::uint32_t length = 0;
    if (Left() >= 1 && static_cast<std::uint8_t>(m_bytes[m_pos]) != SHORT_LENGTH_ESCAPE) {
        length = static_cast<std::uint8_t>(m_bytes[m_pos++]); // the common short form
    } else {
        std::uint8_t escape = 0;
        std::uint16_t word = 0;
        if (!U8(escape, Name(what, index).c_str()) || !U16(word, Name(what, index).c_str()))
            return false;
        length = word;
        if (word == WORD_LENGTH_ESCAPE && !U32(length, Name(what, index).c_str()))
            return false;
        // 0xFFFE marks a wide-character string, which no .kst writer produces.
        if (word == WORD_LENGTH_LIMIT)
            return Fail("unsupported length marker 0xFFFE in " + Name(what, index), start);
    }
    // Checked before allocating: a file cannot ask for more than it holds.
    if (length > Left())
        return Fail("length " + std::to_string(length) + " of " + Name(what, index) + " exceeds the " +
                        std::to_string(Left()) + " bytes left in the file",
                    start);
    s.assign(m_bytes.substr(m_pos, length));
    m_pos += length;
    return true;
}

bool CStreamReader::StringList(std::vector<std::string>& list, const char* what)
{
    const std::size_t start = m_pos;
    std::uint16_t word = 0;
    if (!U16(word, what))
        return false;
    std::uint32_t count = word;
    if (word == WORD_LENGTH_ESCAPE && !U32(count, what))
        return false;
    // Every string takes at least its length byte.
    if (count > Left())
        return Fail("count " + std::to_string(count) + " of " + what + " exceeds the " + std::to_string(Left()) +
                        " bytes left in the file",
                    start);
    std::vector<std::string> read(count);
    const std::string entryName = std::string(what) + " entry";
    for (std::uint32_t i = 0; i < count; ++i) {
        if (!String(read[i], entryName.c_str(), int(i)))
            return false;
    }
    list = std::move(read);
    return true;
}

void WriteDcb(CStreamWriter& w, const DCB& d)
{
    w.U32(d.DCBlength);
    w.U32(d.BaudRate);
    w.U32(d.flags);
    w.U16(d.wReserved);
    w.U16(d.XonLim);
    w.U16(d.XoffLim);
    w.U8(d.ByteSize);
    w.U8(d.Parity);
    w.U8(d.StopBits);
    w.Chars(&d.XonChar, 1);
    w.Chars(&d.XoffChar, 1);
    w.Chars(&d.ErrorChar, 1);
    w.Chars(&d.EofChar, 1);
    w.Chars(&d.EvtChar, 1);
    w.U16(d.wReserved1);
}

std::uint16_t Le16(const unsigned char* p)
{
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}
std::uint32_t Le32(const unsigned char* p)
{
    return Le16(p) | static_cast<std::uint32_t>(Le16(p + 2)) << 16;
}

// The records are packed, so their members are assigned, never bound to
// references (which would be misaligned).
void ReadDcb(CStreamReader& r, DCB& d)
{
    unsigned char b[sizeof(DCB)];
    if (!r.Chars(reinterpret_cast<char*>(b), sizeof(b), "the serial line settings"))
        return;
    d.DCBlength = Le32(b);
    d.BaudRate = Le32(b + 4);
    d.flags = Le32(b + 8);
    d.wReserved = Le16(b + 12);
    d.XonLim = Le16(b + 14);
    d.XoffLim = Le16(b + 16);
    d.ByteSize = b[18];
    d.Parity = b[19];
    d.StopBits = b[20];
    d.XonChar = static_cast<char>(b[21]);
    d.XoffChar = static_cast<char>(b[22]);
    d.ErrorChar = static_cast<char>(b[23]);
    d.EofChar = static_cast<char>(b[24]);
    d.EvtChar = static_cast<char>(b[25]);
    d.wReserved1 = Le16(b + 26);
}

void WriteFont(CStreamWriter& w, const LOGFONTA& f)
{
    w.I32(f.lfHeight);
    w.I32(f.lfWidth);
    w.I32(f.lfEscapement);
    w.I32(f.lfOrientation);
    w.I32(f.lfWeight);
    for (std::uint8_t b : {f.lfItalic, f.lfUnderline, f.lfStrikeOut, f.lfCharSet, f.lfOutPrecision, f.lfClipPrecision,
                           f.lfQuality, f.lfPitchAndFamily})
        w.U8(b);
    w.Chars(f.lfFaceName, sizeof(f.lfFaceName));
}

void ReadFont(CStreamReader& r, LOGFONTA& f)
{
    unsigned char b[sizeof(LOGFONTA)];
    if (!r.Chars(reinterpret_cast<char*>(b), sizeof(b), "the font"))
        return;
    f.lfHeight = static_cast<std::int32_t>(Le32(b));
    f.lfWidth = static_cast<std::int32_t>(Le32(b + 4));
    f.lfEscapement = static_cast<std::int32_t>(Le32(b + 8));
    f.lfOrientation = static_cast<std::int32_t>(Le32(b + 12));
    f.lfWeight = static_cast<std::int32_t>(Le32(b + 16));
    f.lfItalic = b[20];
    f.lfUnderline = b[21];
    f.lfStrikeOut = b[22];
    f.lfCharSet = b[23];
    f.lfOutPrecision = b[24];
    f.lfClipPrecision = b[25];
    f.lfQuality = b[26];
    f.lfPitchAndFamily = b[27];
    std::memcpy(f.lfFaceName, b + 28, sizeof(f.lfFaceName));
}

void ReadFunctionKeys(CStreamReader& r, CSavedSettings& s, std::uint32_t schema)
{
    if (schema >= 3) {
        for (int i = 0; i < FKEY_COUNT && !r.Failed(); ++i) {
            r.String(s.fkeyLabel[static_cast<std::size_t>(i)], "label of function key", i);
            r.String(s.fkeyCommand[static_cast<std::size_t>(i)], "command of function key", i);
        }
        return;
    }
    // The older layout: keys 8 and 9 and levels 4 to 9 did not exist yet and
    // keep what the document held.
    for (int level = 0; level < OLD_FKEY_LEVELS; ++level) {
        for (int key = 0; key < OLD_FKEYS_PER_LEVEL && !r.Failed(); ++key) {
            const int i = level * FKEYS_PER_LEVEL + key;
            r.String(s.fkeyLabel[static_cast<std::size_t>(i)], "label of function key", i);
            r.String(s.fkeyCommand[static_cast<std::size_t>(i)], "command of function key", i);
        }
    }
}

void ReadTerminalOptions(CStreamReader& r, CSavedSettings& s)
{
    r.U32(s.comPort, "comPort");
    r.U32(s.reservedSetting1, "reservedSetting1");
    r.Bool(s.crToCrLfOnSend, "crToCrLfOnSend");
    r.Bool(s.crToCrLfOnReceive, "crToCrLfOnReceive");
    r.Bool(s.localEcho, "localEcho");
    r.Bool(s.reservedFlag2, "reservedFlag2");
    r.Bool(s.beep, "beep");
    r.U32(s.reservedSetting3, "reservedSetting3");
    r.String(s.reservedText4, "reservedText4");
    r.U32(s.reservedSetting5, "reservedSetting5");
    r.I32(s.screenColumns, "screenColumns");
    r.I32(s.screenLines, "screenLines");
    r.U32(s.reservedSetting6, "reservedSetting6");
    r.Bool(s.arrowKeysMoveCaret, "arrowKeysMoveCaret");
    r.U32(s.transferProtocol, "transferProtocol");
    r.Bool(s.lfToCrLfOnReceive, "lfToCrLfOnReceive");
    r.Skip(RESERVED_WORDS_AFTER_OPTIONS * 4, "the reserved words after the terminal options");
    ReadDcb(r, s.dcb);
    ReadFont(r, s.font);
}

void ReadConnection(CStreamReader& r, CSavedSettings& s)
{
    r.U32(s.commMode, "commMode");
    r.U32(s.ipPort, "ipPort");
    r.String(s.ipServer, "ipServer");
    r.U32(s.bridgeMode, "bridgeMode");
    r.U32(s.bridgePort, "bridgePort");
    r.String(s.bridgeServer, "bridgeServer");
    r.Skip(RESERVED_WORDS_AFTER_BRIDGE * 4, "the reserved words after the bridge settings");
}

void ReadBody(CStreamReader& r, CSavedSettings& s, std::uint32_t schema)
{
    if (schema < 1)
        return; // a schema 0 file holds nothing after its number
    ReadTerminalOptions(r, s);
    ReadFunctionKeys(r, s, schema);
    std::string discarded;
    for (std::size_t i = 0; i < RESERVED_STRINGS; ++i)
        r.String(discarded, "reserved string", int(i));
    if (schema >= 2) {
        r.Bool(s.autoAnswerOn, "autoAnswerOn");
        r.U32(s.autoAnswerEcho, "autoAnswerEcho");
        r.StringList(s.autoAnswers, "autoAnswers");
    }
    if (schema >= 4)
        ReadConnection(r, s);
    if (schema >= 5) {
        r.Bool(s.scanCommands, "scanCommands");
        r.Bool(s.comPortManual, "comPortManual");
    }
}

// Values that older files allow but the program cannot use. A port above 65535
// falls back to the telnet port and the old bridge default.
void BringIntoRange(CSavedSettings& s)
{
    s.screenColumns = std::clamp(s.screenColumns, SCREEN_COLUMNS_MIN, SCREEN_COLUMNS_MAX);
    s.screenLines = std::clamp(s.screenLines, SCREEN_LINES_MIN, SCREEN_LINES_MAX);
    if (s.commMode > COMM_MODE_MAX)
        s.commMode = 0;
    if (s.bridgeMode > BRIDGE_MODE_MAX)
        s.bridgeMode = 0;
    if (s.transferProtocol > TRANSFER_PROTOCOL_MAX)
        s.transferProtocol = 0;
    if (s.ipPort > IP_PORT_MAX)
        s.ipPort = 23;
    if (s.bridgePort > IP_PORT_MAX)
        s.bridgePort = 2300;
}

} // namespace

std::string CKstError::Describe() const
{
    if (offset < 0)
        return message;
    return message + " at byte offset " + std::to_string(offset);
}

std::string CKstArchive::Write(const CSavedSettings& s)
{
    CStreamWriter w;
    w.U32(SCHEMA);
    w.U32(s.comPort);
    w.U32(s.reservedSetting1);
    w.Bool(s.crToCrLfOnSend);
    w.Bool(s.crToCrLfOnReceive);
    w.Bool(s.localEcho);
    w.Bool(s.reservedFlag2);
    w.Bool(s.beep);
    w.U32(s.reservedSetting3);
    w.String(s.reservedText4);
    w.U32(s.reservedSetting5);
    w.I32(s.screenColumns);
    w.I32(s.screenLines);
    w.U32(s.reservedSetting6);
    w.Bool(s.arrowKeysMoveCaret);
    w.U32(s.transferProtocol);
    w.Bool(s.lfToCrLfOnReceive);
    for (std::size_t i = 0; i < RESERVED_WORDS_AFTER_OPTIONS; ++i)
        w.U32(0);
    WriteDcb(w, s.dcb);
    WriteFont(w, s.font);
    for (std::size_t i = 0; i < FKEY_COUNT; ++i) {
        w.String(s.fkeyLabel[i]);
        w.String(s.fkeyCommand[i]);
    }
    for (std::size_t i = 0; i < RESERVED_STRINGS; ++i)
        w.String({});
    w.Bool(s.autoAnswerOn);
    w.U32(s.autoAnswerEcho);
    w.StringList(s.autoAnswers);
    w.U32(s.commMode);
    w.U32(s.ipPort);
    w.String(s.ipServer);
    w.U32(s.bridgeMode);
    w.U32(s.bridgePort);
    w.String(s.bridgeServer);
    for (std::size_t i = 0; i < RESERVED_WORDS_AFTER_BRIDGE; ++i)
        w.U32(0);
    w.Bool(s.scanCommands);
    w.Bool(s.comPortManual);
    return w.Take();
}

bool CKstArchive::Read(std::string_view bytes, CSavedSettings& settings, std::uint32_t& schema, CKstError& error)
{
    CStreamReader r(bytes);
    std::uint32_t stored = 0;
    CSavedSettings fresh = settings;
    if (r.U32(stored, "the schema number"))
        ReadBody(r, fresh, std::min(stored, SCHEMA)); // newer schemas read like the newest known
    if (r.Failed()) {
        error = r.Error();
        return false;
    }
    BringIntoRange(fresh);
    settings = std::move(fresh);
    schema = stored;
    return true;
}

bool CKstArchive::LoadFromBytes(CKestronDoc& doc, std::string_view bytes, CKstError& error)
{
    CSavedSettings settings = doc.SavedSettings();
    std::uint32_t schema = 0;
    if (!Read(bytes, settings, schema, error))
        return false;
    doc.AdoptLoadedSettings(settings);
    return true;
}

std::string CKstArchive::SaveToBytes(const CKestronDoc& doc)
{
    return Write(doc.SavedSettings());
}

bool CKstArchive::Load(CKestronDoc& doc, const std::string& path, CKstError& error)
{
    std::string bytes;
    error.offset = -1;
    if (!ReadWholeFile(path, bytes, error.message))
        return false;
    return LoadFromBytes(doc, bytes, error);
}

bool CKstArchive::Save(CKestronDoc& doc, const std::string& path, CKstError& error)
{
    error.offset = -1;
    if (!WriteFileAtomically(path, SaveToBytes(doc), error.message))
        return false;
    doc.SetModifiedFlag(false);
    return true;
}

} // namespace kestrelon
