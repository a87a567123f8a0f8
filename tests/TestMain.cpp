// The test programs' main: GoogleTest's own, and one check more. Where a filter selects a part of
// the program (GTEST_FILTER or --gtest_filter, as the re-run on the oldest Windows does), each of
// its patterns must select at least one test: a pattern that has lost its test (renamed, moved to
// another program, mistyped) fails the run instead of quietly running nothing.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

// GoogleTest's pattern syntax: '*' any text, '?' any one character.
bool Matches(const char* pattern, const char* name) {
    if (*pattern == '\0') {
        return *name == '\0';
    }
    if (*pattern == '*') {
        return Matches(pattern + 1, name) || (*name != '\0' && Matches(pattern, name + 1));
    }
    return *name != '\0' && (*pattern == '?' || *pattern == *name) &&
           Matches(pattern + 1, name + 1);
}

// The filter's positive patterns: those before the first '-', separated by ':'.
std::vector<std::string> PositivePatterns(const std::string& filter) {
    std::vector<std::string> patterns;
    const std::string positive = filter.substr(0, filter.find('-'));
    std::size_t start = 0;
    while (start <= positive.size()) {
        const std::size_t end = std::min(positive.find(':', start), positive.size());
        if (end > start) {
            patterns.push_back(positive.substr(start, end - start));
        }
        start = end + 1;
    }
    return patterns;
}

// The patterns of the filter that selected no test of this program that was to run.
std::vector<std::string> PatternsMatchingNothing(const std::string& filter) {
    const ::testing::UnitTest& unit = *::testing::UnitTest::GetInstance();
    std::vector<std::string> unmatched;
    for (const std::string& pattern : PositivePatterns(filter)) {
        bool found = false;
        for (int s = 0; s < unit.total_test_suite_count() && !found; ++s) {
            const ::testing::TestSuite& suite = *unit.GetTestSuite(s);
            for (int t = 0; t < suite.total_test_count() && !found; ++t) {
                const ::testing::TestInfo& test = *suite.GetTestInfo(t);
                const std::string name = std::string(suite.name()) + "." + test.name();
                found = test.should_run() && Matches(pattern.c_str(), name.c_str());
            }
        }
        if (!found) {
            unmatched.push_back(pattern);
        }
    }
    return unmatched;
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    const std::string filter = GTEST_FLAG_GET(filter);
    if (filter == "*") {
        return result;
    }
    const std::vector<std::string> unmatched = PatternsMatchingNothing(filter);
    for (const std::string& pattern : unmatched) {
        std::printf("[  FAILED  ] the filter's pattern %s selects no test of this program\n",
                    pattern.c_str());
    }
    return unmatched.empty() ? result : 1;
}
