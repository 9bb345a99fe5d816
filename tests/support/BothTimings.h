#pragma once

// Suites of the console exchange run once under each timing: a quick read that ends at the
// prompt must leave every rule the patient read keeps intact.
//
//   class MyExchange : public kora::test::SimFixture, public kora::test::UnderEachTiming {};
//   TEST_P(MyExchange, Lists) { ... op.timing = timing(); ... }
//   KORA_UNDER_EACH_TIMING(MyExchange);

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "link/ConsoleExchange.h"

namespace kora {

inline void PrintTo(ExchangeTiming timing, std::ostream* out)
{
    *out << (timing == ExchangeTiming::Quick ? "quick" : "patient");
}

} // namespace kora

namespace kora::test {

class UnderEachTiming : public ::testing::WithParamInterface<ExchangeTiming> {
protected:
    static ExchangeTiming timing() { return GetParam(); }
};

inline std::string TimingName(const ::testing::TestParamInfo<ExchangeTiming>& info)
{
    return info.param == ExchangeTiming::Quick ? "Quick" : "Patient";
}

} // namespace kora::test

#define KORA_UNDER_EACH_TIMING(Suite)                                                              \
    INSTANTIATE_TEST_SUITE_P(                                                                      \
        Timing, Suite,                                                                             \
        ::testing::Values(::kora::ExchangeTiming::Quick, ::kora::ExchangeTiming::Patient),         \
        ::kora::test::TimingName)
