#pragma once
// Names a table-driven test's row after what it proves, in the test's name and
// in its failure messages.

#include <gtest/gtest.h>

#include <cctype>
#include <concepts>
#include <ostream>
#include <string>

struct RowName {
    template <typename Row> std::string operator()(const ::testing::TestParamInfo<Row>& info) const
    {
        std::string name;
        for (const char* c = info.param.proves; *c; ++c)
            name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
        return name;
    }
};

// The rows live in each test file's unnamed namespace, which is this one, so
// GoogleTest finds this printer by argument-dependent lookup; without it a
// failure shows the row as raw bytes.
namespace
{
template <typename Row>
requires requires(const Row& row)
{
    {
        row.proves
        } -> std::convertible_to<const char*>;
}
void PrintTo(const Row& row, std::ostream* out)
{
    *out << '"' << row.proves << '"';
}
} // namespace
