// Tests of command running on Windows: the command line names a program, started as the
// system starts processes (cmd /c runs the interpreter's own commands).
#include "platform/platform.h"
#include "test_support.h"

namespace {

TEST(SystemTest, WaitsUnlessTheCommandEndsWithAnAmpersand) {
  qdtest::TempDir dir;
  const std::string out = dir.file("out"), go = dir.file("go"), late = dir.file("late");
  // The file appears only after a pause: seeing it at return means the call waited.
  EXPECT_EQ(win_os_system(("cmd /c ping -n 2 127.0.0.1 >NUL & echo done> \"" + out + "\"").c_str()),
            0);
  EXPECT_EQ(qdtest::read_file(out), "done\r\n");
  // This command cannot finish before the test creates "go": returning at all proves
  // the call did not wait.
  const std::string cmd = "cmd /c for /L %i in (1,1,3000) do @if exist \"" + go +
                          "\" (echo late> \"" + late + "\" & exit) &";
  EXPECT_EQ(win_os_system(cmd.c_str()), 0);
  EXPECT_FALSE(std::filesystem::exists(late));
  dir.write("go", "");
  for (int i = 0; i < 1000 && !std::filesystem::exists(late); ++i) qd::plat::sleep_ms(10);
  EXPECT_TRUE(std::filesystem::exists(late));
}

TEST(SystemTest, CannotStart) {
  const std::pair<const char*, int> cases[] = {
      {"C:\\nonexistent\\program.exe", -1},
      {"C:\\nonexistent\\program.exe &", -1},  // known at the start, waited for or not
      {"cmd /c exit 3", 0},                      // started and ended: a failure of its own
      {"", -1},                                  // no program named
      {"&", -1},
  };
  for (const auto& [command, result] : cases) EXPECT_EQ(win_os_system(command), result) << command;
  EXPECT_EQ(win_os_system(nullptr), -1);
}

TEST(SystemTest, CommandIsCutAt1023Characters) {
  qdtest::TempDir dir;
  const std::string kept = dir.file("kept"), lost = dir.file("lost");
  std::string cmd = "cmd /c echo k> \"" + kept + "\" & echo ";
  cmd += std::string(1023 - cmd.size(), 'x') + " & echo l> \"" + lost + "\"";
  EXPECT_EQ(win_os_system(cmd.c_str()), 0);
  EXPECT_EQ(qdtest::read_file(kept).substr(0, 1), "k");
  EXPECT_FALSE(std::filesystem::exists(lost));
}

}  // namespace
