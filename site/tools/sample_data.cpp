// Writes the demo installation's data: the creation specifications of the
// estates, owners and collections files (ddf/*.xdf) and their records in the
// unload format (one file each), deterministically, so that every build makes
// the same installation.
//
// usage: sample_data OUTDIR
//   OUTDIR/ddf/FinquesH.xdf, PropietH.xdf, CobramH.xdf
//   OUTDIR/FinquesH.unl, PropietH.unl, CobramH.unl
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "platform/cp850.h"

namespace {

constexpr int kEstateLength = 388;
constexpr int kOwnerLength = 428;
constexpr int kReceiptLength = 36;

// A small generator with a fixed seed: the same data on every machine.
struct Random {
  uint64_t state = 0x2545F4914F6CDD1DULL;
  uint32_t Next() {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return static_cast<uint32_t>(state >> 11);
  }
  int Below(int n) { return static_cast<int>(Next() % static_cast<uint32_t>(n)); }
  template <size_t N>
  const char* Pick(const char* const (&list)[N]) {
    return list[Below(static_cast<int>(N))];
  }
};

// Two decimal digits per byte, each byte 128 + the value.
std::string Packed(uint64_t value, int digits) {
  std::string text(digits, '0');
  for (int i = digits - 1; i >= 0; --i) {
    text[i] = static_cast<char>('0' + value % 10);
    value /= 10;
  }
  std::string out;
  for (int i = 0; i < digits; i += 2)
    out.push_back(static_cast<char>(128 + (text[i] - '0') * 10 + (text[i + 1] - '0')));
  return out;
}

void Put(std::string& record, size_t offset, const std::string& bytes) {
  std::memcpy(&record[offset], bytes.data(), std::min(bytes.size(), record.size() - offset));
}

// A text field: code page 850, cut or padded with blanks to its width.
void PutText(std::string& record, size_t offset, size_t width, const std::string& utf8) {
  std::string text = platform::Utf8ToCp850(utf8);
  text.resize(width, ' ');
  Put(record, offset, text);
}

void PutInt32(std::string& record, size_t offset, int32_t value) {
  uint32_t u = static_cast<uint32_t>(value);
  for (int i = 0; i < 4; ++i) record[offset + i] = static_cast<char>((u >> (8 * i)) & 0xFF);
}

void PutUInt16(std::string& buffer, uint16_t value) {
  buffer.push_back(static_cast<char>(value & 0xFF));
  buffer.push_back(static_cast<char>(value >> 8));
}
void PutUInt32(std::string& buffer, uint32_t value) {
  for (int i = 0; i < 4; ++i) buffer.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

struct Segment {
  uint16_t Position, Length, Flags;
};

// Creation specification file: 2-byte length, then the creation buffer.
void WriteSpec(const std::filesystem::path& path, uint16_t recordLength,
               const std::vector<std::vector<Segment>>& keys) {
  std::string spec;
  PutUInt16(spec, recordLength);
  PutUInt16(spec, 1024);  // page size
  PutUInt16(spec, static_cast<uint16_t>(keys.size()));
  PutUInt32(spec, 0);  // records
  PutUInt16(spec, 0);  // file flags
  PutUInt32(spec, 0);  // reserved
  for (const auto& key : keys) {
    for (size_t i = 0; i < key.size(); ++i) {
      uint16_t flags = key[i].Flags | (i + 1 < key.size() ? 0x10 : 0);
      PutUInt16(spec, key[i].Position);
      PutUInt16(spec, key[i].Length);
      PutUInt16(spec, flags);
      PutUInt32(spec, 0);
      spec.append(6, '\0');
    }
  }
  std::string file;
  PutUInt16(file, static_cast<uint16_t>(spec.size()));
  file += spec;
  std::ofstream(path, std::ios::binary) << file;
}

void AppendUnload(std::string& out, const std::string& record) {
  out += std::to_string(record.size());
  out += ',';
  out += record;
  out += "\r\n";
}

const char* const kStreets[] = {
    "Carrer Major",        "Rambla de Catalunya",    "Passeig de Gràcia",    "Carrer de Balmes",
    "Avinguda Diagonal",   "Carrer de la Indústria", "Carrer de Sant Pere",  "Plaça de la Vila",
    "Carrer del Rosselló", "Carrer de Muntaner",     "Carrer de l'Església", "Passeig del Mar",
    "Carrer de la Riera",  "Ronda de Sant Antoni",   "Carrer del Pi",        "Carrer de Sants",
    "Carrer de Verdi",     "Carrer de Provença",     "Carrer Nou",           "Carrer de la Font"};
const char* const kKinds[] = {"Edifici", "Comunitat", "Finca", "Casa", "Bloc", "Habitatges", "Locals"};
const char* const kSaints[] = {"Sant Jordi",  "Santa Eulàlia", "Sant Joan",     "Montserrat",
                               "Les Moreres", "Can Puig",      "Els Pins",      "La Sínia",
                               "Mas Roig",    "Ca l'Escarré",  "Torre Blanca",  "El Molí",
                               "Can Vilà",    "Les Oliveres",  "Santa Caterina"};
const char* const kTowns[] = {"Barcelona", "Girona",   "Lleida",   "Tarragona",
                              "Sabadell",  "Terrassa", "Mataró",   "Reus",
                              "Vic",       "Manresa",  "Figueres", "Granollers",
                              "Badalona",  "Igualada", "Tortosa",  "Vilanova i la Geltrú"};
const char* const kFirst[] = {"Joan",  "Maria",  "Josep", "Montserrat", "Jordi", "Núria", "Pere",
                              "Anna",  "Xavier", "Mercè", "Francesc",   "Laia",  "Marc",  "Roser",
                              "Ramon", "Pilar",  "Enric", "Teresa",     "Oriol", "Glòria"};
const char* const kLast[] = {"Puig",  "Vila",   "Ferrer", "Soler", "Serra", "Font", "Pujol",
                             "Roca",  "Casals", "Vidal",  "Riera", "Bosch", "Prat", "Camps",
                             "Martí", "Güell",  "Torras", "Coll",  "Sala",  "Mas"};

struct EstatePlan {
  int Code;
  int Receipts;  // -1: ordinary random count
  enum Kind { Ordinary, Negative, OtherStates, BlankName } Kind = Ordinary;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: sample_data OUTDIR\n");
    return 2;
  }
  std::filesystem::path out = argv[1];
  std::filesystem::create_directories(out / "ddf");

  WriteSpec(out / "ddf" / "FinquesH.xdf", kEstateLength, {{{1, 2, 0}}});
  WriteSpec(out / "ddf" / "PropietH.xdf", kOwnerLength, {{{1, 3, 0}}});
  WriteSpec(out / "ddf" / "CobramH.xdf", kReceiptLength, {{{1, 9, 0x01}}});

  Random rnd;
  // Estates worth knowing by heart: 1 has no receipt, 2 exactly one page
  // (38), 3 one receipt more (39), 12 an ordinary estate, 20 over 22 pages,
  // 30 refunds (negative amounts), 40 receipts in other states, 50 a blank
  // name. The rest are ordinary, with gaps between codes. Receipts run
  // monthly from January 2021, one per department.
  std::vector<EstatePlan> plans = {{1, 0},
                                   {2, 38},
                                   {3, 39},
                                   {12, -1},
                                   {20, 900},
                                   {30, 24, EstatePlan::Negative},
                                   {40, 30, EstatePlan::OtherStates},
                                   {50, 6, EstatePlan::BlankName}};
  for (int code = 4; plans.size() < 240 && code < 9999; code += 1 + rnd.Below(3)) {
    bool taken = false;
    for (const auto& p : plans) taken = taken || p.Code == code;
    if (!taken) plans.push_back({code, -1});
  }
  std::sort(plans.begin(), plans.end(),
            [](const EstatePlan& a, const EstatePlan& b) { return a.Code < b.Code; });

  std::string estates, owners, receipts;
  int ownerCount = 0;
  for (const auto& plan : plans) {
    std::string estate(kEstateLength, ' ');
    Put(estate, 0, Packed(plan.Code, 4));
    int owner = 1 + rnd.Below(120);
    Put(estate, 2, Packed(owner, 8));
    std::string street = rnd.Pick(kStreets);
    int number = 1 + rnd.Below(180);
    std::string name = std::string(rnd.Pick(kKinds)) + " " + rnd.Pick(kSaints);
    if (rnd.Below(2)) name = street + ", " + std::to_string(number);
    if (plan.Kind == EstatePlan::BlankName) name = "";
    PutText(estate, 6, 30, name);
    PutText(estate, 36, 40, street + ", " + std::to_string(number));
    std::string town = rnd.Pick(kTowns);
    PutText(estate, 76, 30, town);
    PutText(estate, 106, 5, std::to_string(8000 + rnd.Below(1000)).insert(0, "0").substr(0, 5));
    PutText(estate, 111, 15, "93" + std::to_string(2000000 + rnd.Below(7999999)));
    AppendUnload(estates, estate);

    int count = plan.Receipts >= 0 ? plan.Receipts : 2 + rnd.Below(70);
    // Departments 1..n, each with receipts over several years in date order.
    int departments = std::max(1 + rnd.Below(4), count / 48 + 1);
    int monthly = 42000 + rnd.Below(96) * 1000;  // 420 to 1,370 a month
    for (int i = 0; i < count; ++i) {
      int department = 1 + i % departments;
      int months = i / departments;
      int year = 2021 + months / 12, month = 1 + months % 12;
      std::string receipt(kReceiptLength, '\0');
      Put(receipt, 0, Packed(plan.Code, 4));
      Put(receipt, 2, Packed(department, 4));
      Put(receipt, 4, Packed(year * 10000 + month * 100 + 1 + rnd.Below(5), 8));
      Put(receipt, 8, Packed(static_cast<uint64_t>(plan.Code) * 100000 + i, 10));
      int32_t amount = monthly + (department % 3) * 15000 + rnd.Below(40) * 100;
      if (plan.Kind == EstatePlan::Negative && i % 3 == 1) amount = -amount / 4;
      PutInt32(receipt, 13, amount);
      PutInt32(receipt, 17, owner);
      char state = rnd.Below(5) == 0 ? 'D' : 'P';
      if (plan.Kind == EstatePlan::OtherStates) {
        const char others[] = {'P', 'D', 'C', ' ', 'p', 'd', 'A'};
        state = others[i % 7];
      }
      receipt[21] = state;
      AppendUnload(receipts, receipt);
    }
  }
  for (int owner = 1; owner <= 120; ++owner) {
    std::string record(kOwnerLength, ' ');
    Put(record, 0, Packed(owner, 6));
    std::string name = std::string(rnd.Pick(kLast)) + " " + rnd.Pick(kLast) + ", " + rnd.Pick(kFirst);
    PutText(record, 3, 40, name);
    PutText(record, 43, 40, std::string(rnd.Pick(kStreets)) + ", " + std::to_string(1 + rnd.Below(120)));
    PutText(record, 83, 30, rnd.Pick(kTowns));
    AppendUnload(owners, record);
    ++ownerCount;
  }
  auto write = [&](const char* name, const std::string& data) {
    std::ofstream(out / name, std::ios::binary) << data << '\x1a';
  };
  write("FinquesH.unl", estates);
  write("PropietH.unl", owners);
  write("CobramH.unl", receipts);
  std::cout << plans.size() << " estates, " << ownerCount << " owners\n";
  return 0;
}
