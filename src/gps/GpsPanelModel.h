// What the GPS bar shows, kept apart from its widgets: the received bytes go
// through line assembly into the parser, and Display() turns the parser's state
// into the bar's texts, lamp and satellite slots.
#pragma once

#include "gps/NMEA.h"
#include "gps/NmeaLineAssembler.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace kestrelon {

struct CSatSlot {
    bool used = false;
    std::uint8_t prn = 0; // 0: the slot is empty
    std::int32_t elevation = 0;
    std::int32_t azimuth = 0;
    std::uint8_t snr = 0;
    bool operator==(const CSatSlot&) const = default;
};

struct CSatPanel {
    static constexpr int SLOTS = 12;
    ESatSystem system = ESatSystem::Gps;
    const char* caption = "";
    std::array<CSatSlot, SLOTS> satSlots{};
};

struct CGpsDisplay {
    std::string modeLetter; // "A", "D", "V", "E" or a blank
    std::string time;       // "hh:mm:ss" UTC
    std::string longitude;  // 8-bit text, degree sign 0xB0
    std::string latitude;
    std::string speed; // km/h
    std::string precision;
    int course = 0;                // whole degrees
    bool lampGreen = false;        // a fix: the lamp turns green (else it keeps its state)
    std::vector<CSatPanel> panels; // GPS, GLONASS, then Galileo and BeiDou once heard
};

class CGpsPanelModel {
public:
    explicit CGpsPanelModel(CNMEA::Clock clock = CNMEA::SystemClock) : m_nmea(std::move(clock)) {}

    // One received byte; true when it completed a sentence that asks for a redraw.
    bool OnReceivedChar(std::uint8_t c) { return m_lines.Push(c) && m_nmea.Parse(m_lines.Line()); }

    const CNMEA& Nmea() const { return m_nmea; }
    CGpsDisplay Display() const;
    // The slots of one system: PRNs with a signal, lowest first, at most 12.
    CSatPanel Panel(ESatSystem system, const char* caption) const;

private:
    CNmeaLineAssembler m_lines;
    CNMEA m_nmea;
};

} // namespace kestrelon
