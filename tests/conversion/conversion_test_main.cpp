// Entry point of the engine tests. Started under the name ClipRemuxer or ffmpeg (through a link in
// a test's tool folder), the program acts as a stand-in converter instead (StandIn.h).
#include <gtest/gtest.h>

#include <clocale>

#include "StandIn.h"

int main(int argc, char** argv) {
  if (argc > 0 && IsStandIn(argv[0])) StandInMain(argc, argv);
  std::setlocale(LC_ALL, "C.UTF-8");
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
