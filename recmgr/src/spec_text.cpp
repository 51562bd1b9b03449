#include "spec_text.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <vector>

#include "recmgr.h"
#include "status_text.h"

namespace recmgr {
namespace {

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

bool Number(const std::string& word, long max, long& out) {
  if (word.empty()) return false;
  char* end = nullptr;
  const long v = std::strtol(word.c_str(), &end, 0);
  if (*end != '\0' || v < 0 || v > max) return false;
  out = v;
  return true;
}

}  // namespace

bool ParseSpecText(const std::string& text, std::string& specBytes, std::string& error) {
  FileSpec spec;
  spec.pageSize = 1024;
  bool haveRecord = false, upper = false;
  std::vector<std::pair<int, int>> weights;
  std::istringstream lines(text);
  std::string line;
  int number = 0;
  auto fail = [&](const std::string& what) {
    error = number > 0 ? "line " + std::to_string(number) + ": " + what : what;
    return false;
  };
  while (std::getline(lines, line)) {
    ++number;
    if (const size_t hash = line.find('#'); hash != std::string::npos) line.resize(hash);
    std::istringstream words(line);
    std::vector<std::string> w;
    for (std::string word; words >> word;) w.push_back(word);
    if (w.empty()) continue;
    const std::string what = Lower(w[0]);
    long v = 0, v2 = 0;
    if (what == "record") {
      if (w.size() != 2 || !Number(w[1], 65535, v)) return fail("record takes the record length");
      spec.recordLength = static_cast<uint16_t>(v);
      haveRecord = true;
    } else if (what == "page") {
      if (w.size() != 2 || !Number(w[1], 65535, v)) return fail("page takes the page size");
      spec.pageSize = static_cast<uint16_t>(v);
    } else if (what == "flags") {
      if (w.size() != 2 || !Number(w[1], 65535, v)) return fail("flags takes a number");
      spec.fileFlags = static_cast<uint16_t>(v);
    } else if (what == "key") {
      Key key;
      for (size_t i = 1; i < w.size(); ++i) {
        const std::string a = Lower(w[i]);
        if (a == "duplicates")
          key.duplicates = true;
        else if (a == "modifiable")
          key.modifiable = true;
        else if (a == "null")
          key.nullable = true;
        else
          return fail("unknown key attribute \"" + w[i] + "\" (duplicates, modifiable, null)");
      }
      spec.keys.push_back(key);
    } else if (what == "segment") {
      if (spec.keys.empty()) return fail("segment before any key");
      if (w.size() < 3 || !Number(w[1], 65535, v) || !Number(w[2], 65535, v2))
        return fail("segment takes a position and a length");
      Key& key = spec.keys.back();
      Segment seg;
      seg.position = static_cast<uint16_t>(v);
      seg.length = static_cast<uint16_t>(v2);
      seg.flags = (key.duplicates ? kSegDuplicates : 0) | (key.modifiable ? kSegModifiable : 0) |
                  (key.nullable ? kSegNullKey : 0);
      for (size_t i = 3; i < w.size(); ++i) {
        const std::string a = Lower(w[i]);
        if (a == "binary")
          seg.flags |= kSegBinary;
        else if (a == "alternate")
          seg.flags |= kSegAlternate;
        else if (a == "descending")
          seg.flags |= kSegDescending;
        else
          return fail("unknown segment attribute \"" + w[i] + "\" (binary, alternate, descending)");
      }
      if (seg.flags & kSegAlternate) spec.hasCollating = true;
      if (!key.segments.empty()) key.segments.back().flags |= kSegContinued;
      key.segments.push_back(seg);
      key.length += seg.length;
    } else if (what == "collating") {
      if (w.size() < 2 || w.size() > 3 || w[1].size() > 8)
        return fail("collating takes a name of up to 8 bytes");
      spec.collatingName = w[1];
      const std::string base = w.size() == 3 ? Lower(w[2]) : "identity";
      if (base != "identity" && base != "upper") return fail("collating base is identity or upper");
      upper = base == "upper";
    } else if (what == "weight") {
      if (w.size() != 3 || !Number(w[1], 255, v) || !Number(w[2], 255, v2))
        return fail("weight takes a byte and its weight (0 to 255)");
      weights.emplace_back(static_cast<int>(v), static_cast<int>(v2));
    } else {
      return fail("unknown word \"" + w[0] + "\"");
    }
  }
  number = 0;
  if (!haveRecord) return fail("no record length (record N)");
  for (size_t k = 0; k < spec.keys.size(); ++k)
    if (spec.keys[k].segments.empty()) return fail("key " + std::to_string(k) + " has no segment");
  if (spec.hasCollating && spec.collatingName.empty())
    return fail("alternate segments need a collating sequence (collating NAME [upper])");
  if (!spec.collatingName.empty()) {
    spec.hasCollating = true;
    for (int b = 0; b < 256; ++b)
      spec.weights[b] = static_cast<uint8_t>(upper && b >= 'a' && b <= 'z' ? b - 32 : b);
    for (auto [b, weight] : weights) spec.weights[b] = static_cast<uint8_t>(weight);
  }
  specBytes = SerializeFileSpec(spec);
  FileSpec check;
  size_t used = 0;
  const int16_t status =
      ParseFileSpec(reinterpret_cast<const uint8_t*>(specBytes.data()), specBytes.size(), check, used);
  if (status != RM_OK) return fail(std::string(StatusText(status)) + " (" + std::to_string(status) + ")");
  if (specBytes.size() > 1536) return fail("the creation specification is longer than 1536 bytes");
  error.clear();
  return true;
}

std::string DescribeSpec(const FileSpec& spec) {
  std::string out;
  out += "record " + std::to_string(spec.recordLength) + "\n";
  out += "page " + std::to_string(spec.pageSize) + "\n";
  if (spec.fileFlags) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%04X", spec.fileFlags);
    out += std::string("flags ") + hex + "\n";
  }
  for (const Key& key : spec.keys) {
    out += "key";
    if (key.duplicates) out += " duplicates";
    if (key.modifiable) out += " modifiable";
    if (key.nullable) out += " null";
    out += "\n";
    for (const Segment& seg : key.segments) {
      out += "  segment " + std::to_string(seg.position) + " " + std::to_string(seg.length);
      if (seg.flags & kSegBinary) out += " binary";
      if (seg.flags & kSegAlternate) out += " alternate";
      if (seg.flags & kSegDescending) out += " descending";
      out += "\n";
    }
  }
  if (spec.hasCollating) {
    std::string name = spec.collatingName;
    while (!name.empty() && (name.back() == ' ' || name.back() == '\0')) name.pop_back();
    bool isUpper = true;
    for (int b = 0; b < 256; ++b)
      if (spec.weights[b] != (b >= 'a' && b <= 'z' ? b - 32 : b)) isUpper = false;
    out += "collating " + (name.empty() ? std::string("ALT") : name) + (isUpper ? " upper" : "") + "\n";
    for (int b = 0; b < 256; ++b) {
      const int base = isUpper && b >= 'a' && b <= 'z' ? b - 32 : b;
      if (spec.weights[b] != base) {
        char line[32];
        std::snprintf(line, sizeof line, "weight 0x%02X 0x%02X\n", b, spec.weights[b]);
        out += line;
      }
    }
  }
  return out;
}

}  // namespace recmgr
