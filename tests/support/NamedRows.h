// Table rows that carry a `name`: the test name of each row and the text a
// row prints (in failures and in the test list), written once for every
// table. A test file brings the printer in with `using test::PrintTo;`.
#pragma once

#include <ostream>
#include <string>

namespace kestrelon::test {

// For INSTANTIATE_TEST_SUITE_P: each row's test takes the row's name.
inline constexpr auto RowName = [](const auto& info) { return std::string(info.param.name); };

template <typename Row>
    requires requires(const Row& row) { std::string(row.name); }
void PrintTo(const Row& row, std::ostream* os)
{
    *os << row.name;
}

} // namespace kestrelon::test
