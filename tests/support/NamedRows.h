// Table rows that carry a `name`: each row's test is called by it, so a
// failure names the row without a printer per table.
#pragma once

#include <string>

namespace kestrelon::test {

// For INSTANTIATE_TEST_SUITE_P over rows with a `name` member.
inline constexpr auto RowName = [](const auto& info) { return std::string(info.param.name); };

} // namespace kestrelon::test
