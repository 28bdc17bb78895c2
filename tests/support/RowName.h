#pragma once
// Names a table-driven test's row after what it proves.

#include <gtest/gtest.h>

#include <cctype>
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
