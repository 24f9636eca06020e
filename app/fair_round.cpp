#include "app/fair_round.h"

#include <charconv>
#include <cstdio>
#include <optional>
#include <string_view>
#include <vector>

#include "app/class_store.h"
#include "app/roll_class.h"
#include "core/random.h"
#include "core/settings.h"
#include "core/value.h"
#include "edb/database.h"
#include "edb/errors.h"

namespace rc::app {
namespace {

constexpr std::string_view kModeKey = "pick_mode";
constexpr std::string_view kFullyRandomValue = "random";
constexpr std::string_view kNoRepeatValue = "no-repeat";

// A round as stored: "<students> <roster, 16 hex digits> <picked records, comma-separated>",
// the picks in the order they were made.
struct Round {
  int32_t students = 0;
  uint64_t roster = 0;
  std::vector<int32_t> picks;
};

// The class's names in file order, hashed (FNV-1a): a class made anew with other students
// (or the same ones in another order) has another roster, and its old round means nothing.
// Nothing when a name cannot be read (another program holds its record for a moment).
std::optional<uint64_t> RosterOfCurrentClass(int32_t students) {
  uint64_t hash = 0xcbf29ce484222325ULL;
  auto mix = [&hash](unsigned char byte) {
    hash ^= byte;
    hash *= 0x100000001b3ULL;
  };
  GoToFirstRecord();
  for (int32_t i = 0; i < students; ++i, SkipRecords()) {
    const Text name = AsText(ReadField(NameField()));
    if (LastDbError() != kDbOk) return std::nullopt;
    for (char c : name.bytes()) mix(static_cast<unsigned char>(c));
    mix(0);
  }
  return hash;
}

std::string Encode(const Round& round) {
  char roster[17];
  std::snprintf(roster, sizeof roster, "%016llx", static_cast<unsigned long long>(round.roster));
  std::string out = std::to_string(round.students) + " " + roster + " ";
  for (size_t i = 0; i < round.picks.size(); ++i) {
    if (i) out += ',';
    out += std::to_string(round.picks[i]);
  }
  return out;
}

template <typename Number>
bool ParseWhole(std::string_view text, Number* out, int base = 10) {
  const char* end = text.data() + text.size();
  auto [at, error] = std::from_chars(text.data(), end, *out, base);
  return !text.empty() && error == std::errc() && at == end;
}

// The stored round when it is whole and belongs to `current`'s students; nothing otherwise.
std::optional<Round> Decode(std::string_view stored, const Round& current) {
  const size_t first = stored.find(' ');
  const size_t second = first == std::string_view::npos ? first : stored.find(' ', first + 1);
  if (second == std::string_view::npos) return std::nullopt;
  Round round;
  if (!ParseWhole(stored.substr(0, first), &round.students) ||
      !ParseWhole(stored.substr(first + 1, second - first - 1), &round.roster, 16) ||
      round.students != current.students || round.roster != current.roster) {
    return std::nullopt;
  }
  std::vector<bool> seen(static_cast<size_t>(current.students) + 1);
  for (std::string_view rest = stored.substr(second + 1); !rest.empty();) {
    const size_t comma = rest.find(',');
    int32_t pick = 0;
    if (!ParseWhole(rest.substr(0, comma), &pick) || pick < 1 || pick > current.students ||
        seen[static_cast<size_t>(pick)]) {
      return std::nullopt;
    }
    seen[static_cast<size_t>(pick)] = true;
    round.picks.push_back(pick);
    rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
  }
  return round;
}

}  // namespace

PickMode CurrentPickMode() {
  return ReadSetting(kModeKey) == kNoRepeatValue ? PickMode::kNoRepeat : PickMode::kFullyRandom;
}

bool SetPickMode(PickMode mode) {
  return WriteSetting(kModeKey,
                      mode == PickMode::kNoRepeat ? kNoRepeatValue : kFullyRandomValue);
}

std::string RoundSettingKey(const Text& class_name) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string key = "round.";
  const std::string& bytes = class_name.bytes();
  for (size_t i = 0; i < bytes.size(); ++i) {
    auto byte = static_cast<unsigned char>(bytes[i]);
    // Only single-byte letters fold: a trail byte may look like an ASCII letter.
    if (IsLeadByte(byte) && i + 1 < bytes.size()) {
      key += kHex[byte >> 4];
      key += kHex[byte & 0xF];
      byte = static_cast<unsigned char>(bytes[++i]);
    } else if (byte >= 'A' && byte <= 'Z') {
      byte = static_cast<unsigned char>(byte - 'A' + 'a');
    }
    key += kHex[byte >> 4];
    key += kHex[byte & 0xF];
  }
  return key;
}

int32_t ChooseFinalPick(int32_t drawn) {
  if (CurrentPickMode() != PickMode::kNoRepeat) return drawn;
  const int32_t students = RecordCount();
  const std::optional<uint64_t> roster = RosterOfCurrentClass(students);
  // A round is never judged on a roster half read: this pick is the random one, and the
  // round stays as it is.
  if (!roster) return drawn;
  const Round current{students, *roster, {}};
  const std::string key = RoundSettingKey(RollClassName());
  const std::optional<std::string> stored = ReadSetting(key);
  Round round = (stored ? Decode(*stored, current) : std::nullopt).value_or(current);
  std::vector<bool> taken(static_cast<size_t>(students) + 1);
  if (round.picks.size() >= static_cast<size_t>(students)) {
    // Everyone has been picked: a new round, which does not call the last one again at once.
    if (students > 1) taken[static_cast<size_t>(round.picks.back())] = true;
    round.picks.clear();
  }
  for (int32_t pick : round.picks) taken[static_cast<size_t>(pick)] = true;
  std::vector<int32_t> open;
  for (int32_t record = 1; record <= students; ++record) {
    if (!taken[static_cast<size_t>(record)]) open.push_back(record);
  }
  const auto chosen = RandomInRange(1, static_cast<int32_t>(open.size()));
  const int32_t pick = open[static_cast<size_t>(chosen - 1)];
  round.picks.push_back(pick);
  // A settings file that cannot be written leaves the round where it was; the pick stands.
  WriteSetting(key, Encode(round));
  return pick;
}

}  // namespace rc::app
