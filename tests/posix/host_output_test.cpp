// The printer stream's file gets every byte in order whatever the sizes of
// the pieces: the output gathers small pieces and writes large ones from
// where they lie, aligned to the file's pages.
#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <string>

#include "Spooler.h"
#include "TempDirectory.h"

namespace {

TEST(OutputFile, PiecesOfEverySizeArriveWholeAndInOrder) {
  harness::TempDirectory directory("renps-output");
  std::mt19937 random(11);
  // Sizes around the alignment unit and the buffer matter most.
  const std::size_t sizes[] = {0, 1, 4095, 4096, 65535, 65536, 65537, 131071, 131072, 131073, 300000};
  for (int round = 0; round < 20; ++round) {
    const std::string path = directory / ("out" + std::to_string(round));
    std::string expected;
    {
      renps::OutputFile output(path);
      for (int piece = 0; piece < 40; ++piece) {
        const std::size_t size = round % 2 == 0 ? sizes[random() % std::size(sizes)] : random() % 200000;
        std::string bytes(size, '\0');
        for (char& c : bytes) c = static_cast<char>(random());
        ASSERT_TRUE(output.Write(bytes.data(), bytes.size()));
        expected += bytes;
      }
      output.Commit();
    }
    std::ifstream in(path, std::ios::binary);
    const std::string got((std::istreambuf_iterator<char>(in)), {});
    ASSERT_EQ(got.size(), expected.size()) << "round " << round;
    EXPECT_TRUE(got == expected) << "round " << round;
  }
}

}  // namespace
