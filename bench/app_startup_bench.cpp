// The built program in a pseudo-terminal on the benchmark installation:
// wall time from start to the estate form drawn, resident memory there, and
// CPU used while the estate form waits for a key.
//
//   cmake -S . -B build-bench -DRECINQRY_BENCH=ON -DRECINQRY_TESTS=OFF
//   cmake --build build-bench --target app_startup_bench recinqry
//   build-bench/app_startup_bench [runs] [idle seconds]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "app_installation.h"
#include "pty_session.h"

namespace {

// A line of /proc/PID/status in kilobytes, such as VmRSS or VmHWM.
long StatusKb(pid_t pid, const std::string& field) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(in, line);) {
    if (line.rfind(field + ":", 0) == 0) return std::strtol(line.c_str() + field.size() + 1, nullptr, 10);
  }
  return -1;
}

bool Start(e2e::PtySession& session, const std::string& root) {
  session.SetEnv("WRKROOT", root);
  session.SetEnv("WRKTMP", root + "TERM01/");
  session.SetWorkDir(root);
  return session.Start(e2e::BuiltProgram("recinqry"));
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::atoi(argv[1]) : 20;
  const int idleSeconds = argc > 2 ? std::atoi(argv[2]) : 10;
  const std::string root = appbench::Installation();

  std::vector<double> startMs;
  long rssKb = 0, peakKb = 0;
  for (int run = 0; run < runs; ++run) {
    e2e::PtySession session;
    const auto t0 = std::chrono::steady_clock::now();
    if (!Start(session, root)) return 1;
    if (!session.WaitForText("Codi de finca:", 5000)) {
      std::fprintf(stderr, "the estate form did not appear:\n%s\n", session.Dump().c_str());
      return 1;
    }
    const auto t1 = std::chrono::steady_clock::now();
    startMs.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
    rssKb = std::max(rssKb, StatusKb(session.Pid(), "VmRSS"));
    peakKb = std::max(peakKb, StatusKb(session.Pid(), "VmHWM"));
    session.Type("\x1b", 0);
    session.WaitForExit(5000);
  }
  std::sort(startMs.begin(), startMs.end());
  std::printf("start-up to the estate form: median %.1f ms, fastest %.1f ms, slowest %.1f ms (%d runs)\n",
              startMs[startMs.size() / 2], startMs.front(), startMs.back(), runs);
  std::printf("resident memory at the estate form: %ld kB (peak %ld kB)\n", rssKb, peakKb);

  e2e::PtySession session;
  if (!Start(session, root) || !session.WaitForText("Codi de finca:", 5000)) return 1;
  session.Pump(500);
  const double before = session.CpuSeconds();
  session.Pump(idleSeconds * 1000);
  const double used = session.CpuSeconds() - before;
  std::printf("CPU while the estate form waits: %.3f s in %d s, %.3f %% of a core\n", used, idleSeconds,
              100.0 * used / idleSeconds);
  session.Type("\x1b", 0);
  session.WaitForExit(5000);
  return 0;
}
