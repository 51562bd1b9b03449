// An installation of the inquiry for the benchmarks: the demo's text files
// and data files made through the record manager, with a collections file
// of 1,000,000 receipts (1,000 estates of 1,000 receipts each). Made once
// under the build tree and kept, since filling it takes a while.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/app_state.h"
#include "app/inquiry_records.h"
#include "app/program.h"
#include "config/session.h"
#include "config/session_settings.h"
#include "numbers/packed_digits.h"
#include "platform/memory_console.h"
#include "recmgr.h"
#include "records/data_files.h"
#include "records/records_state.h"

namespace appbench {

namespace fs = std::filesystem;

constexpr int EstateCount = 1000;
constexpr int ReceiptsPerEstate = 1000;

inline std::string Packed(uint64_t value, int digits) {
  std::string text = std::to_string(value);
  if (text.size() < static_cast<size_t>(digits)) text.insert(0, digits - text.size(), '0');
  return numbers::PackDigits(text.substr(text.size() - digits));
}

inline void WriteSpec(const fs::path& file, uint16_t recordLength, uint16_t keyLength, uint16_t flags) {
  std::string spec;
  auto u16 = [&](uint16_t v) {
    spec.push_back(static_cast<char>(v & 0xFF));
    spec.push_back(static_cast<char>(v >> 8));
  };
  u16(recordLength);
  u16(1024);
  u16(1);
  spec.append(4, '\0');
  u16(0);
  spec.append(4, '\0');
  u16(1);
  u16(keyLength);
  u16(flags);
  spec.append(10, '\0');
  std::string out;
  const uint16_t n = static_cast<uint16_t>(spec.size());
  out.push_back(static_cast<char>(n & 0xFF));
  out.push_back(static_cast<char>(n >> 8));
  out += spec;
  std::ofstream(file, std::ios::binary) << out;
}

inline bool Call(uint16_t op, int16_t fileId, std::string* record) {
  auto& block = records::State().DataFileTable[records::FindFileSlot(fileId)].PositionBlock;
  uint32_t length = record ? static_cast<uint32_t>(record->size()) : 0;
  char key[255] = {};
  return RecordManagerCall(op, block.data(), record ? record->data() : nullptr, &length, key,
                           record ? sizeof key : 0, -1) == 0;
}

// The installation's root (with its trailing slash); made when missing.
inline std::string Installation() {
  const fs::path root = fs::path(RECINQRY_BUILD_DIR) / "bench-data" / "app-1m";
  const std::string rootText = root.string() + "/";
  if (fs::exists(root / "complete")) return rootText;

  std::fprintf(stderr, "making %s (1,000,000 receipts)...\n", root.c_str());
  fs::remove_all(root);
  fs::create_directories(root / "DADES");
  fs::create_directories(root / "ddf");
  const fs::path site = fs::path(RECINQRY_SOURCE_DIR) / "site";
  for (const char* item : {"Dorv.ini", "FORMS", "LOCALE", "AJUDA", "TERM01", "TERM02"})
    fs::copy(site / item, root / item, fs::copy_options::recursive);
  WriteSpec(root / "ddf" / "FinquesH.xdf", 388, 2, 0);
  WriteSpec(root / "ddf" / "PropietH.xdf", 428, 3, 0);
  WriteSpec(root / "ddf" / "CobramH.xdf", 36, 9, 0x01);

  platform::MemoryConsole console;
  platform::SetActiveConsole(&console);
  config::SessionSettings().RootDir = rootText;
  config::SessionSettings().LanguageCode = "CAT";
  if (!app::OpenInquiryFiles()) {
    std::fprintf(stderr, "cannot make the data files under %s\n", root.c_str());
    std::exit(1);
  }
  Call(RM_BEGIN_TRANSACTION, app::CollectionsFile, nullptr);
  for (int estate = 1; estate <= EstateCount; ++estate) {
    app::EstateRecord e;
    e.Bytes.assign(388, ' ');
    e.SetEstateCode(Packed(estate, 4));
    e.SetEstateName("FINCA " + std::to_string(estate));
    Call(RM_INSERT, app::EstatesFile, &e.Bytes);
    for (int i = 0; i < ReceiptsPerEstate; ++i) {
      app::ReceiptRecord r;
      r.SetEstateCode(Packed(estate, 4));
      r.SetReceiptDepartment(Packed(1 + i % 4, 4));
      const int month = i / 4;  // one receipt a month for each of 4 departments
      r.SetReceiptDate(Packed((2000 + month / 12) * 10000 + (1 + month % 12) * 100 + 1 + i % 28, 8));
      r.Bytes.replace(8, 5, Packed(static_cast<uint64_t>(i), 10));
      r.SetReceiptAmount(10000 + (i * 7919) % 90000 - (i % 10 == 0 ? 20000 : 0));
      r.SetReceiptState(i % 5 == 0 ? 'D' : 'P');
      if (!Call(RM_INSERT, app::CollectionsFile, &r.Bytes)) {
        std::fprintf(stderr, "insert failed at estate %d receipt %d\n", estate, i);
        std::exit(1);
      }
    }
  }
  Call(RM_END_TRANSACTION, app::CollectionsFile, nullptr);
  records::ResetDataFiles();
  records::ResetState();
  config::ResetSessionSettings();
  platform::SetActiveConsole(nullptr);
  std::ofstream(root / "complete") << "1000000 receipts\n";
  return rootText;
}

}  // namespace appbench
