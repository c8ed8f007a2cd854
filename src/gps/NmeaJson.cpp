// JSON lines of the decoded NMEA state, written by hand (numbers in the C
// locale's notation, whatever locale the user runs).
#include "gps/NmeaJson.h"

#include "gps/CivilTime.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <memory>

namespace kestrelon {

namespace {

constexpr std::size_t READ_CHUNK = 64 * 1024;

void AppendNumber(std::string& out, double value)
{
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    out.append(text, result.ptr);
}

void AppendNumber(std::string& out, long long value)
{
    out += std::to_string(value);
}

void AppendString(std::string& out, std::string_view text)
{
    out += '"';
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned char>(c));
            out += escaped;
        } else {
            out += c;
        }
    }
    out += '"';
}

void AppendTime(std::string& out, const CNMEA& nmea)
{
    if (!nmea.TimeTaken()) {
        out += "null";
        return;
    }
    const CCivilTime t = FromUnixSeconds(nmea.Time());
    char text[48];
    std::snprintf(text, sizeof text, "\"%04d-%02d-%02dT%02d:%02d:%02d.%03d\"", t.year, t.month, t.day, t.hour, t.minute,
                  t.second, nmea.Milliseconds());
    out += text;
}

void AppendSystem(std::string& out, const char* name, const CSatTable& table)
{
    out += ",\"";
    out += name;
    out += "\":{\"inView\":";
    AppendNumber(out, static_cast<long long>(table.inView));
    out += ",\"used\":[";
    bool first = true;
    for (const std::uint8_t prn : table.used) {
        if (prn == 0)
            continue;
        out += first ? "" : ",";
        AppendNumber(out, static_cast<long long>(prn));
        first = false;
    }
    out += "],\"sats\":[";
    first = true;
    for (int prn = 0; prn < CSatTable::PRN_COUNT; ++prn) {
        if (table.snr[prn] == 0)
            continue;
        out += first ? "[" : ",[";
        AppendNumber(out, static_cast<long long>(prn));
        out += ',';
        AppendNumber(out, static_cast<long long>(table.elevation[prn]));
        out += ',';
        AppendNumber(out, static_cast<long long>(table.azimuth[prn]));
        out += ',';
        AppendNumber(out, static_cast<long long>(table.snr[prn]));
        out += ']';
        first = false;
    }
    out += "]}";
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

int WriteFailed()
{
    const int error = errno;
    std::fprintf(stderr, "kestrelon: cannot write the output: %s\n", std::strerror(error != 0 ? error : EIO));
    return 1;
}

} // namespace

void CNmeaJson::Feed(const std::uint8_t* data, std::size_t size, std::string& out)
{
    for (std::size_t i = 0; i < size; ++i) {
        if (m_lines.Push(data[i]) && m_nmea.Parse(m_lines.Line()))
            AppendState(m_lines.Line(), out);
        m_lineNumber += data[i] == '\n';
    }
}

void CNmeaJson::AppendState(std::string_view sentence, std::string& out) const
{
    const CNMEA& n = m_nmea;
    out += "{\"line\":";
    AppendNumber(out, m_lineNumber);
    out += ",\"sentence\":";
    AppendString(out, sentence);
    out += ",\"fixMode\":";
    AppendNumber(out, static_cast<long long>(n.FixMode()));
    out += n.PositionValid() ? ",\"positionValid\":1" : ",\"positionValid\":0";
    out += n.TimeValid() ? ",\"timeValid\":1" : ",\"timeValid\":0";
    out += ",\"time\":";
    AppendTime(out, n);
    out += ",\"lat\":";
    AppendNumber(out, static_cast<long long>(n.Latitude().Value()));
    out += ",\"lon\":";
    AppendNumber(out, static_cast<long long>(n.Longitude().Value()));
    out += ",\"speed\":";
    AppendNumber(out, n.Speed());
    out += ",\"course\":";
    AppendNumber(out, n.Course());
    out += ",\"hdop\":";
    AppendNumber(out, n.Hdop());
    out += ",\"altitude\":";
    AppendNumber(out, n.Altitude());
    out += ",\"satsUsed\":";
    AppendNumber(out, static_cast<long long>(n.SatsUsed()));
    out += ",\"magVariation\":";
    if (n.MagVariation())
        AppendNumber(out, *n.MagVariation());
    else
        out += "null";
    out += ",\"magVariationEast\":";
    out += n.MagVariationEast() ? (*n.MagVariationEast() ? "1" : "0") : "null";
    AppendSystem(out, "gps", n.Satellites(ESatSystem::Gps));
    AppendSystem(out, "glonass", n.Satellites(ESatSystem::Glonass));
    AppendSystem(out, "galileo", n.Satellites(ESatSystem::Galileo));
    AppendSystem(out, "beidou", n.Satellites(ESatSystem::Beidou));
    out += "}\n";
}

int RunNmeaJson(const char* path, std::FILE* output)
{
    const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path, "rb"));
    if (!file) {
        std::fprintf(stderr, "kestrelon: cannot read %s: %s\n", path, std::strerror(errno));
        return 1;
    }
    CNmeaJson json;
    std::string out;
    const auto buffer = std::make_unique<std::uint8_t[]>(READ_CHUNK);
    for (;;) {
        const std::size_t got = std::fread(buffer.get(), 1, READ_CHUNK, file.get());
        if (got == 0)
            break;
        out.clear();
        json.Feed(buffer.get(), got, out);
        // A full disk or a closed pipe: stop at once, and never exit 0 with
        // part of the output missing.
        if (std::fwrite(out.data(), 1, out.size(), output) != out.size())
            return WriteFailed();
    }
    if (std::ferror(file.get())) {
        std::fprintf(stderr, "kestrelon: cannot read %s: %s\n", path, std::strerror(errno));
        return 1;
    }
    // The buffered rest fails only here; a failed write earlier may have left
    // nothing to flush but the stream's error flag.
    if (std::fflush(output) != 0 || std::ferror(output))
        return WriteFailed();
    return 0;
}

int RunNmeaJsonCommand(int argc, char** argv, bool& handled)
{
    handled = argc >= 2 && std::strcmp(argv[1], "--nmea-json") == 0;
    if (!handled)
        return 0;
    if (argc != 3) {
        std::fprintf(stderr, "usage: kestrelon --nmea-json FILE\n");
        return 2;
    }
    return RunNmeaJson(argv[2], stdout);
}

} // namespace kestrelon
