// One NMEA line cut into its comma-separated fields, with the number readers the
// parser uses. Numbers read like the C library's conversions (leading blanks, a
// sign, stop at the first unsuitable character, 0 when there is none) but do not
// depend on the locale the user interface sets.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace kestrelon {

class CNmeaSentence {
public:
    // The longest standard sentence read here (GSV with a signal id) has 21.
    static constexpr int MAX_FIELDS = 24;

    explicit CNmeaSentence(std::string_view line);

    // The number of fields in the whole line (separators plus one).
    int Count() const { return m_count; }
    // Field 0 is the address; a missing field is empty.
    std::string_view Field(int index) const;
    std::int64_t Int(int index) const { return ReadInt(Field(index)); }
    double Double(int index) const { return ReadDouble(Field(index)); }

    // Saturates at the 32-bit range.
    static std::int64_t ReadInt(std::string_view text);
    // Non-finite values read as 0.
    static double ReadDouble(std::string_view text);

private:
    std::array<std::string_view, MAX_FIELDS> m_fields{};
    int m_count = 0;
};

} // namespace kestrelon
