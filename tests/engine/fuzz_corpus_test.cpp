// Replays the parser fuzzer's seed corpus with the compiler the project
// builds with, so that every build checks the inputs the fuzzer starts from.
#include "engine/fuzz/FuzzTarget.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace vexmoor::engine {

namespace {

std::filesystem::path corpusFolder()
{
    return VEXMOOR_FUZZ_CORPUS;
}

TEST(FuzzCorpus, EverySeedRunsWithoutEscapingErrors)
{
    std::size_t seeds = 0;
    for (const auto& entry : std::filesystem::directory_iterator(corpusFolder())) {
        std::ifstream file(entry.path(), std::ios::binary);
        const std::vector<char> bytes{std::istreambuf_iterator<char>(file),
                                      std::istreambuf_iterator<char>()};
        SCOPED_TRACE(entry.path().filename().string());
        EXPECT_NO_THROW(
            fuzz::fuzzOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
        ++seeds;
    }
    EXPECT_GE(seeds, 12U);
}

TEST(FuzzCorpus, EveryPrefixOfTheItemBlockIsHandled)
{
    std::ifstream file(corpusFolder() / "item_block.sql", std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    ASSERT_EQ(text.size(), 730U);
    for (std::size_t length = 0; length <= text.size(); ++length) {
        EXPECT_NO_THROW(
            fuzz::fuzzOneInput(reinterpret_cast<const std::uint8_t*>(text.data()), length));
    }
}

} // namespace

} // namespace vexmoor::engine
