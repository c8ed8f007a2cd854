// libFuzzer target: receiver bytes through the GPS bar's line assembly, parser
// and display, the same bytes as one unbounded sentence, and the JSON writer.
#include "gps/GpsPanelModel.h"
#include "gps/NmeaJson.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto clock = [] { return std::int64_t{1796558400}; };
    kestrelon::CGpsPanelModel panel(clock);
    for (std::size_t i = 0; i < size; ++i)
        if (panel.OnReceivedChar(data[i]))
            (void)panel.Display();
    (void)panel.Display();

    kestrelon::CNMEA whole(clock);
    whole.Parse(std::string_view(reinterpret_cast<const char*>(data), size));

    kestrelon::CNmeaJson json(clock);
    std::string out;
    json.Feed(data, size, out);
    return 0;
}
