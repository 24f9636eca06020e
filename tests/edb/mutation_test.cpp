// Damaged and hostile files: thousands of deterministic truncations, byte flips and
// stomped integers of valid databases, each opened, read whole, searched and written.
// Nothing may crash, hang or read outside its buffers (this runs under the sanitizers too).
#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "edb/database.h"
#include "edb/errors.h"
#include "edb/tool/edbtool.h"
#include "tests/edb/edb_test_util.h"

namespace rc {
namespace {

Value SampleValue(FieldType type, int seed) {
  switch (type) {
    case FieldType::kByte:
      return uint8_t(seed);
    case FieldType::kShort:
      return int16_t(-seed);
    case FieldType::kInt:
      return int32_t{seed * 1000};
    case FieldType::kLong:
      return int64_t{seed} << 40;
    case FieldType::kFloat:
      return 1.5f * seed;
    case FieldType::kDouble:
      return 0.25 * seed;
    case FieldType::kLogical:
      return Logical(seed % 2 == 1);
    case FieldType::kDateTime:
      return DateTime{45000.0 + seed};
    case FieldType::kSubroutinePtr:
      return SubroutinePtr{static_cast<uint32_t>(seed)};
    case FieldType::kText:
      return Text("text" + std::to_string(seed));
    case FieldType::kByteSet:
      return ByteSet(static_cast<size_t>(seed * 37 % 1100), uint8_t(seed));
    case FieldType::kMemo:
      return Text(std::string(static_cast<size_t>(seed * 53 % 1300), 'm'));
  }
  return Value();
}

// The companion blocks that some record's chain names more than once, across all records
// and blob fields of a plain database; a chain is followed until it ends, leaves the file
// or has been followed for as many steps as there are blocks.
std::vector<int32_t> SharedBlocks(const std::vector<uint8_t>& main,
                                  const std::vector<uint8_t>& blob) {
  std::vector<int32_t> shared;
  if (main.size() < 116 || blob.size() < 512) return shared;
  const int32_t fields = test::Int32At(main, 112);
  const int32_t length = test::Int32At(main, 24);
  const int64_t start = 116 + int64_t{72} * fields;
  const int64_t blocks = static_cast<int64_t>(blob.size() / 512);
  std::vector<int> named(static_cast<size_t>(blocks), 0);
  const auto end = static_cast<int64_t>(main.size());
  for (int64_t at = start; length > 0 && at + length <= end; at += length) {
    for (int32_t f = 0; f < fields; ++f) {
      const size_t desc = 116 + 72 * static_cast<size_t>(f);
      const int32_t type = test::Int32At(main, desc + 20);
      if (type != 11 && type != 12) continue;
      int32_t block = test::Int32At(main, static_cast<size_t>(at + test::Int32At(main, desc + 24)));
      for (int64_t steps = 0; block > 0 && block < blocks && steps < blocks; ++steps) {
        if (++named[static_cast<size_t>(block)] == 2) shared.push_back(block);
        block = test::Int32At(blob, static_cast<size_t>(block) * 512 + 4);
      }
    }
  }
  return shared;
}

class MutationTest : public ::testing::Test {
 protected:
  struct Base {
    std::string name;
    std::optional<Text> password;
    std::vector<uint8_t> main, companion;
  };

  void SetUp() override {
    ASSERT_TRUE(CreateDatabase(dir_.Path("roster"), test::RosterFields()));
    ASSERT_TRUE(OpenDatabase(dir_.Path("roster")));
    for (int i = 0; i < 6; ++i) ASSERT_TRUE(AddRecord({"一班"_gbk, Text("s" + std::to_string(i)), i, i}));
    std::vector<FieldDefinition> all;
    for (int t = 1; t <= 12; ++t) all.push_back({Text("f" + std::to_string(t)), t, t == 10 ? 12 : 0});
    for (const char* name : {"all", "secret"}) {
      ASSERT_TRUE(CreateDatabase(dir_.Path(name), all));
      ASSERT_TRUE(OpenDatabase(dir_.Path(name)));
      for (int r = 0; r < 5; ++r) {
        std::vector<std::optional<Value>> values;
        for (int t = 1; t <= 12; ++t) values.push_back(SampleValue(static_cast<FieldType>(t), r * 7 + t));
        ASSERT_TRUE(AddRecord(values));
      }
      // Leave blocks on the free list.
      GoToFirstRecord();
      ASSERT_TRUE(WriteFields(std::nullopt, {{"f12"_gbk, Text()}, {"f11"_gbk, ByteSet{}}}));
    }
    CloseAllDatabases();
    test::EncryptDatabase(dir_.Native("secret.EDB"), dir_.Native("secret.EDT"), "pw");
    for (const char* name : {"roster", "all", "secret"}) {
      Base base{name, std::string(name) == "secret" ? std::optional<Text>("pw"_gbk) : std::nullopt,
                test::ReadBytes(dir_.Native(std::string(name) + ".EDB")),
                test::ReadBytes(dir_.Native(std::string(name) + ".EDT"))};
      bases_.push_back(std::move(base));
    }
  }
  void TearDown() override { CloseAllDatabases(); }

  // Opens the mutant both ways and uses everything; returns how many opens succeeded.
  int Exercise(const Base& base, const std::vector<uint8_t>& main,
               const std::vector<uint8_t>& companion) {
    test::WriteBytes(dir_.Native("x.EDB"), main);
    test::WriteBytes(dir_.Native("x.EDT"), companion);
    int opened = 0;
    for (bool read_only : {true, false}) {
      if (!OpenDatabase(dir_.Path("x"), std::nullopt, read_only, 1, base.password)) continue;
      ++opened;
      const DatabaseInfo info = *DescribeCurrentDatabase();
      const int32_t count = RecordCount();
      GoToFirstRecord();
      for (int32_t r = 0; r < count; ++r, SkipRecords()) {
        for (size_t f = 1; f <= info.fields.size(); ++f) ReadField(static_cast<int32_t>(f));
      }
      GoToFirstRecord();
      FindRecord([&] {
        for (size_t f = 1; f <= info.fields.size(); ++f) ReadField(static_cast<int32_t>(f));
        return false;
      });
      if (!read_only) {
        std::vector<std::optional<Value>> values;
        std::vector<FieldAssignment> pairs;
        for (const FieldInfo& f : info.fields) {
          values.push_back(SampleValue(f.type, count + 3));
          pairs.push_back({f.name, SampleValue(f.type, count + 11)});
        }
        AddRecord(values);
        GoToFirstRecord();
        WriteFields(std::nullopt, pairs);
        int n = 0;
        WriteFields([&] { return ++n % 3 == 0; }, pairs);
        GoToFirstRecord();
        for (size_t f = 1; f <= info.fields.size(); ++f) ReadField(static_cast<int32_t>(f));
      }
      CloseDatabase();
    }
    std::ostringstream out, err;
    std::vector<std::string> args = {"dump"};
    if (base.password) args.insert(args.end(), {"--password", "pw"});
    args.push_back(dir_.Native("x.EDB"));
    RunEdbtool(args, out, err);
    return opened;
  }

  test::TempDir dir_;
  std::vector<Base> bases_;
};

TEST_F(MutationTest, DamagedFilesNeverCrashOrHang) {
  std::mt19937 rng(20261208);  // fixed: the same mutants every run
  auto pick = [&](size_t n) { return static_cast<size_t>(rng() % n); };
  int mutants = 0, opened = 0;
  for (const Base& base : bases_) {
    // The unharmed files open both ways.
    EXPECT_EQ(Exercise(base, base.main, base.companion), 2) << base.name;
    for (bool in_main : {true, false}) {
      const std::vector<uint8_t>& victim = in_main ? base.main : base.companion;
      if (victim.empty()) continue;
      auto run = [&](const std::vector<uint8_t>& mutated) {
        opened += in_main ? Exercise(base, mutated, base.companion)
                          : Exercise(base, base.main, mutated);
        ++mutants;
      };
      // Truncations.
      const size_t step = std::max<size_t>(1, victim.size() / 120);
      for (size_t size = 0; size < victim.size(); size += step) {
        run(std::vector<uint8_t>(victim.begin(), victim.begin() + size));
        // A companion cut short, then written to: no block may end up in two chains.
        if (!in_main && !base.password) {
          EXPECT_EQ(SharedBlocks(test::ReadBytes(dir_.Native("x.EDB")),
                                 test::ReadBytes(dir_.Native("x.EDT"))),
                    std::vector<int32_t>{})
              << "companion cut to " << size;
        }
      }
      // Single and multiple byte flips.
      for (int i = 0; i < 450; ++i) {
        std::vector<uint8_t> m = victim;
        for (int k = 0, flips = 1 + i % 3; k < flips; ++k) {
          m[pick(m.size())] ^= static_cast<uint8_t>(1 + pick(255));
        }
        run(m);
      }
      // Integers that decide sizes, offsets and links, set to edge values.
      static const int32_t kEdges[] = {0, 1, -1, 2, 3, 4, 511, 512, 1024, 0x7FFFFFFF,
                                       static_cast<int32_t>(0x80000000)};
      std::vector<size_t> offsets = {16, 20, 24, 112};
      if (in_main) {
        for (size_t d = 116; d + 72 <= std::min<size_t>(victim.size(), 116 + 72 * 12); d += 72) {
          offsets.insert(offsets.end(), {d + 20, d + 24, d + 28});
        }
      } else {
        for (size_t b = 512; b + 12 <= victim.size(); b += 512) {
          offsets.insert(offsets.end(), {b, b + 4, b + 8});
        }
      }
      for (size_t offset : offsets) {
        for (int32_t value : kEdges) {
          if (offset + 4 > victim.size()) continue;
          std::vector<uint8_t> m = victim;
          test::PutInt32(&m, offset, value);
          run(m);
        }
      }
    }
  }
  EXPECT_GT(mutants, 3000);
  EXPECT_GT(opened, 1000);  // most damage is found only when the data is used
}

}  // namespace
}  // namespace rc
