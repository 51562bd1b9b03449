// CPU time of the receipts screen listing pages of 38 receipts from a
// collections file of 1,000,000 receipts, on the memory console, in a
// Catalan session (no language file) and a Spanish one (every text through
// the language file); and the language look-ups of one page on their own.
//
//   cmake -S . -B build-bench -DRECINQRY_BENCH=ON -DRECINQRY_TESTS=OFF
//   cmake --build build-bench --target app_receipts_bench
//   build-bench/app_receipts_bench
#include <benchmark/benchmark.h>

#include <map>

#include "app/receipts_screen.h"
#include "app_installation.h"
#include "config/config_state.h"
#include "config/language.h"
#include "console/console_state.h"
#include "console/keyboard.h"
#include "dates/dates_state.h"
#include "numbers/numbers_state.h"
#include "platform/system.h"

namespace {

// Estate 500 has 1,000 receipts: 27 pages, the last one of 12.
constexpr int Estate = 500;
constexpr int FullPages = 26;

struct Session {
  explicit Session(const std::string& terminal) {
    const std::string root = appbench::Installation();
    std::map<std::string, std::string> env{{"WRKROOT", root}, {"WRKTMP", root + terminal + "/"}};
    platform::State().Environment = [env](const char* name) {
      auto it = env.find(name);
      return it == env.end() ? std::string() : it->second;
    };
    platform::SetActiveConsole(&console);
    config::StartSession();
    config::SessionSettings().ModuleName = "RECINQRY";
    if (!app::OpenInquiryFiles()) std::exit(1);
    records::FindRecord(app::EstatesFile, 0, appbench::Packed(Estate, 4), 0);
  }
  ~Session() {
    records::ResetDataFiles();
    records::ResetState();
    config::ResetState();
    console::ResetState();
    numbers::ResetState();
    dates::ResetState();
    platform::SetActiveConsole(nullptr);
    platform::ResetState();
  }
  void Key(int code) {
    console.PushDiscardBarrier();
    console.PushKey(code);
  }
  platform::MemoryConsole console;
};

// pageDowns PgDn, then pageUps PgUp, then Esc: 1 + pageDowns + pageUps pages.
void ShowPages(benchmark::State& state, const char* terminal, int pageDowns, int pageUps) {
  Session session(terminal);
  for (auto _ : state) {
    for (int i = 0; i < pageDowns; ++i) session.Key(console::KeyPgDn);
    for (int i = 0; i < pageUps; ++i) session.Key(console::KeyPgUp);
    session.Key(console::KeyEsc);
    app::ShowReceipts();
  }
  state.counters["per_page"] = benchmark::Counter(
      1 + pageDowns + pageUps, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_FirstPage(benchmark::State& state, const char* terminal) { ShowPages(state, terminal, 0, 0); }
void BM_PageDown(benchmark::State& state, const char* terminal) { ShowPages(state, terminal, FullPages, 0); }
void BM_PageDownAndUp(benchmark::State& state, const char* terminal) {
  ShowPages(state, terminal, FullPages, FullPages);
}

// The texts a full page asks the language file for: the title row, the
// page label and 38 state words (the total line on the last page adds one).
void BM_PageTranslations(benchmark::State& state, const char* terminal) {
  Session session(terminal);
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        config::TranslateText("DEP  D.EXPED.       IMPORT  ESTAT       DEP  D.EXPED.       IMPORT  ESTAT"));
    benchmark::DoNotOptimize(config::TranslateText("PANTALLA ZZZ9"));
    for (int i = 0; i < 38; ++i)
      benchmark::DoNotOptimize(config::TranslateText(i % 5 ? "PENDENT" : "TORNAT"));
  }
}

}  // namespace

BENCHMARK_CAPTURE(BM_FirstPage, catalan, "TERM01")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_FirstPage, spanish, "TERM02")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_PageDown, catalan, "TERM01")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_PageDown, spanish, "TERM02")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_PageDownAndUp, catalan, "TERM01")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_PageDownAndUp, spanish, "TERM02")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_PageTranslations, catalan, "TERM01")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_PageTranslations, spanish, "TERM02")->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
