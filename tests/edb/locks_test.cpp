// Locks and sharing: nested byte locks, the retry rule, sharing modes between processes,
// two processes adding to one file, and a process killed while it adds.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>

#include "edb/database.h"
#include "edb/errors.h"
#include "edb/file.h"
#include "edb/locks.h"
#include "tests/edb/edb_test_util.h"
#include "tests/edb/fault_file.h"

namespace rc {
namespace {

// A helper process with a pipe to its standard input and one from its standard output.
class Child {
 public:
  explicit Child(const std::vector<std::string>& args) {
    int in[2], out[2];
    if (pipe(in) != 0 || pipe(out) != 0) std::abort();
    pid_ = fork();
    if (pid_ == 0) {
      dup2(in[0], 0);
      dup2(out[1], 1);
      close(in[1]);
      close(out[0]);
      std::vector<char*> argv;
      std::string helper = EDB_TEST_HELPER;
      argv.push_back(helper.data());
      std::vector<std::string> copy = args;
      for (std::string& a : copy) argv.push_back(a.data());
      argv.push_back(nullptr);
      execv(helper.c_str(), argv.data());
      _exit(127);
    }
    close(in[0]);
    close(out[1]);
    to_child_ = in[1];
    from_child_ = fdopen(out[0], "r");
  }
  ~Child() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      Wait();
    }
  }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  std::string ReadLine() {
    char line[256];
    if (!fgets(line, sizeof line, from_child_)) return "";
    std::string s(line);
    if (!s.empty() && s.back() == '\n') s.pop_back();
    return s;
  }
  void Kill() { kill(pid_, SIGKILL); }
  // Closes its input and waits for it; the exit status, or -signal.
  int Wait() {
    if (to_child_ >= 0) close(to_child_);
    to_child_ = -1;
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    if (from_child_) fclose(from_child_);
    from_child_ = nullptr;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
  }

 private:
  pid_t pid_ = -1;
  int to_child_ = -1;
  FILE* from_child_ = nullptr;
};

// The result code of a helper command that prints one.
int32_t HelperResult(const std::vector<std::string>& args) {
  Child child(args);
  std::string line = child.ReadLine();
  child.Wait();
  return line.empty() ? 999 : std::stoi(line);
}

class LocksTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = dir_.Native("c.EDB");
    ASSERT_TRUE(CreateDatabase(dir_.Path("c"), test::RosterFields()));
  }
  void TearDown() override { CloseAllDatabases(); }

  // Another open file description of the database, as another program would have.
  std::unique_ptr<File> RawOpen() {
    int32_t error = 0;
    return DefaultFileSystem().Open(path_, true, false, &error);
  }
  bool LockedElsewhere(File& probe, int64_t offset) {
    bool held = false;
    EXPECT_EQ(probe.IsLockedElsewhere(offset, 1, &held), kDbOk);
    return held;
  }

  test::TempDir dir_;
  std::string path_;
};

TEST_F(LocksTest, NestedLocksOfOneOffsetTakeOneSystemLock) {
  ASSERT_TRUE(OpenDatabase(dir_.Path("c")));
  ASSERT_TRUE(AddRecord({"a"_gbk, "b"_gbk}));
  auto probe = RawOpen();
  ASSERT_FALSE(LockedElsewhere(*probe, 16));
  bool checked = false;
  // FindRecord holds byte 16 and the record; RecordCount inside locks and unlocks byte 16
  // again, which must not release the outer lock.
  ASSERT_TRUE(FindRecord([&] {
    EXPECT_TRUE(LockedElsewhere(*probe, 16));
    EXPECT_TRUE(LockedElsewhere(*probe, 404));
    EXPECT_EQ(RecordCount(), 1);
    EXPECT_TRUE(LockedElsewhere(*probe, 16));
    checked = true;
    return true;
  }));
  EXPECT_TRUE(checked);
  EXPECT_FALSE(LockedElsewhere(*probe, 16));
  EXPECT_FALSE(LockedElsewhere(*probe, 404));
}

TEST_F(LocksTest, OnlyTheRecordCountWaitsForAnotherProgramsLock) {
  test::FaultFileSystem fs;
  fs.faults().match = ".EDB";
  ASSERT_TRUE(OpenDatabase(fs, dir_.Path("c")));
  ASSERT_TRUE(AddRecord({"a"_gbk, "b"_gbk}));
  auto other = RawOpen();
  ASSERT_EQ(other->Lock(16, 1, LockKind::kExclusive), kDbOk);
  EXPECT_FALSE(AddRecord({"x"_gbk}));
  EXPECT_EQ(LastDbError(), kDbLockViolation);
  EXPECT_FALSE(FindRecord([] { return true; }));
  EXPECT_EQ(LastDbError(), kDbLockViolation);
  // The other program lets go only once RecordCount has found byte 16 held and tries again.
  int attempts = 0;
  fs.faults().before_lock = [&](int64_t offset) {
    if (offset == kRecordCountLockOffset && ++attempts == 2) other->Unlock(16, 1);
  };
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(RecordCount(), 1);
  EXPECT_EQ(LastDbError(), kDbOk);
  EXPECT_EQ(attempts, 2);
  // It paused between the attempts, as the retry rule says (at least 20 ms).
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(20));
  fs.faults().before_lock = nullptr;
  // A record held by another program: reading and writing it fail at once.
  ASSERT_EQ(other->Lock(404, 1, LockKind::kExclusive), kDbOk);
  GoToFirstRecord();
  EXPECT_EQ(ReadField("姓名"_gbk), Value(Text()));
  EXPECT_EQ(LastDbError(), kDbLockViolation);
  EXPECT_FALSE(WriteFields(std::nullopt, {{"回答次数"_gbk, int32_t{1}}}));
  EXPECT_EQ(LastDbError(), kDbLockViolation);
  EXPECT_FALSE(WriteFields([] { return true; }, {{"回答次数"_gbk, int32_t{1}}}));
  EXPECT_EQ(LastDbError(), kDbLockViolation);
  // Opening locks the whole file while it checks it.
  CloseDatabase();
  EXPECT_FALSE(OpenDatabase(dir_.Path("c")));
  EXPECT_EQ(LastDbError(), kDbLockViolation);
  other->Unlock(404, 1);
  EXPECT_TRUE(OpenDatabase(dir_.Path("c")));
}

TEST_F(LocksTest, ConditionalWriteHoldsEveryByteAndReleasesThemAfter) {
  ASSERT_TRUE(OpenDatabase(dir_.Path("c")));
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(AddRecord({"a"_gbk}));
  auto probe = RawOpen();
  ASSERT_TRUE(FindRecord([&] {
    // Inside a search (byte 16 held) a conditional write locks the rest around it.
    EXPECT_TRUE(WriteFields(
        [&] {
          EXPECT_TRUE(LockedElsewhere(*probe, 0));
          EXPECT_TRUE(LockedElsewhere(*probe, 16));
          EXPECT_TRUE(LockedElsewhere(*probe, 404 + 52 + 7));
          EXPECT_EQ(RecordCount(), 3);  // nested lock of a byte inside the whole lock
          return true;
        },
        {{"回答次数"_gbk, int32_t{4}}}));
    EXPECT_TRUE(LockedElsewhere(*probe, 16));
    EXPECT_FALSE(LockedElsewhere(*probe, 0));
    return true;
  }));
  for (int64_t offset : {0, 16, 404, 500, 1000}) EXPECT_FALSE(LockedElsewhere(*probe, offset));
  GoToFirstRecord();
  EXPECT_EQ(ReadField("回答次数"_gbk), Value(int32_t{4}));
}

TEST_F(LocksTest, CreateFailsWhileTheFileIsOpenAnywhere) {
  ASSERT_TRUE(OpenDatabase(dir_.Path("c"), "数据库"_gbk));
  ASSERT_TRUE(AddRecord({"一班"_gbk, "甲"_gbk}));
  EXPECT_FALSE(CreateDatabase(dir_.Path("c"), test::RosterFields()));
  EXPECT_EQ(LastDbError(), kDbSharingViolation);
  EXPECT_EQ(HelperResult({"create", path_}), kDbSharingViolation);
  EXPECT_EQ(RecordCount(), 1);  // nothing was truncated
  CloseDatabase();
  {
    Child holder({"hold", path_, "1", "ro"});
    ASSERT_EQ(holder.ReadLine(), "ready");
    EXPECT_FALSE(CreateDatabase(dir_.Path("c"), test::RosterFields()));
    EXPECT_EQ(LastDbError(), kDbSharingViolation);
    EXPECT_EQ(holder.Wait(), 0);
  }
  EXPECT_EQ(test::FileSize(path_), 404 + 52);
  // Once nobody has it open, it is replaced.
  EXPECT_TRUE(CreateDatabase(dir_.Path("c"), test::RosterFields()));
  EXPECT_EQ(test::FileSize(path_), 404);
}

TEST_F(LocksTest, DeletingFailsWhileAnotherProgramHasTheFileOpen) {
  {
    Child holder({"hold", path_, "1", "ro"});
    ASSERT_EQ(holder.ReadLine(), "ready");
    EXPECT_FALSE(RemoveDatabaseFile(dir_.Path("c.edb")));
    EXPECT_EQ(LastDbError(), kDbSharingViolation);
    EXPECT_EQ(holder.Wait(), 0);
  }
  EXPECT_TRUE(RemoveDatabaseFile(dir_.Path("c.edb")));
  EXPECT_FALSE(std::filesystem::exists(path_));
}

struct Sharing {
  int held_mode;
  bool held_read_only;
  int mode;
  bool read_only;
  bool allowed;
};

class SharingTest : public LocksTest, public ::testing::WithParamInterface<Sharing> {};

TEST_P(SharingTest, ProcessesHonourEachOthersModes) {
  const Sharing& s = GetParam();
  ASSERT_TRUE(OpenDatabase(dir_.Path("c"), std::nullopt, s.held_read_only, s.held_mode));
  EXPECT_EQ(HelperResult({"open", path_, std::to_string(s.mode), s.read_only ? "ro" : "rw"}),
            s.allowed ? kDbOk : kDbSharingViolation);
  CloseDatabase();
  // And the other way round: the helper holds, this process opens.
  Child holder({"hold", path_, std::to_string(s.held_mode), s.held_read_only ? "ro" : "rw"});
  ASSERT_EQ(holder.ReadLine(), "ready");
  EXPECT_EQ(OpenDatabase(dir_.Path("c"), std::nullopt, s.read_only, s.mode), s.allowed);
  if (!s.allowed) {
    EXPECT_EQ(LastDbError(), kDbSharingViolation);
  }
  CloseDatabase();
  EXPECT_EQ(holder.Wait(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, SharingTest,
    ::testing::Values(Sharing{1, false, 1, false, true}, Sharing{1, false, 2, false, false},
                      Sharing{1, false, 3, false, false}, Sharing{1, false, 3, true, false},
                      Sharing{1, false, 4, true, false}, Sharing{1, true, 3, false, true},
                      Sharing{3, false, 1, true, true}, Sharing{3, false, 1, false, false},
                      Sharing{3, true, 3, true, true}, Sharing{2, false, 1, true, false},
                      Sharing{4, false, 1, true, false}, Sharing{4, true, 1, true, false}));

TEST_F(LocksTest, TwoProcessesAddingEndWithEveryRecordOnce) {
  {
    Child a({"add", path_, "1000", "A"});
    Child b({"add", path_, "1000", "B"});
    ASSERT_EQ(a.Wait(), 0);
    ASSERT_EQ(b.Wait(), 0);
  }
  ASSERT_TRUE(OpenDatabase(dir_.Path("c")));
  ASSERT_EQ(RecordCount(), 2000);
  EXPECT_EQ(DescribeCurrentDatabase()->next_id, 2001);
  EXPECT_EQ(test::FileSize(path_), 404 + 52 * 2000);
  std::set<int32_t> ids;
  std::map<std::string, int> next_of_tag = {{"A", 0}, {"B", 0}};
  GoToFirstRecord();
  for (int r = 0; r < 2000; ++r, SkipRecords()) {
    ids.insert(*CurrentRecordIdentifier());
    std::string tag = AsText(ReadField(1)).bytes();
    ASSERT_TRUE(tag == "A" || tag == "B") << r;
    // Each process's records are whole and in its own order.
    const int i = next_of_tag[tag]++;
    EXPECT_EQ(AsText(ReadField(2)).bytes(), tag + std::to_string(i));
    EXPECT_EQ(ReadField(3), Value(int32_t{i}));
    EXPECT_EQ(ReadField(4), Value(int32_t{i * 7}));
  }
  EXPECT_EQ(ids.size(), 2000u);
  EXPECT_EQ(*ids.begin(), 1);
  EXPECT_EQ(*ids.rbegin(), 2000);
}

TEST_F(LocksTest, KilledWhileAddingLeavesEveryCompletedRecord) {
  int last = -1;
  {
    Child adder({"add-forever", path_});
    for (std::string line; last < 300 && !(line = adder.ReadLine()).empty();) last = std::stoi(line);
    adder.Kill();
    EXPECT_EQ(adder.Wait(), -SIGKILL);
  }
  ASSERT_GE(last, 300);
  ASSERT_TRUE(OpenDatabase(dir_.Path("c")));
  const int32_t count = RecordCount();
  ASSERT_GT(count, last);
  EXPECT_EQ(test::FileSize(path_), 404 + 52 * count);
  GoToFirstRecord();
  for (int32_t i = 0; i < count; ++i, SkipRecords()) {
    ASSERT_EQ(AsText(ReadField(2)).bytes(), "v" + std::to_string(i));
    ASSERT_EQ(ReadField(3), Value(i));
    ASSERT_EQ(ReadField(4), Value(i * 3));
    ASSERT_EQ(CurrentRecordIdentifier(), i + 1);
  }
  ASSERT_TRUE(AddRecord({"k"_gbk, "after"_gbk}));
  EXPECT_EQ(CurrentRecordIdentifier(), count + 1);
}

}  // namespace
}  // namespace rc
