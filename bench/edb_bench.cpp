// The record database's commands over a roster of 100 000 records, each next to its floor:
// the same pread, pwrite and fcntl calls that the command must make, issued directly on
// the same file in the same run. At the end a table gives each command's time as a ratio
// to its floor (the best of the repetitions of each, to damp the noise of a shared machine).
//
//   build/bench/edb_bench [--benchmark_repetitions=N]
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>
#include <map>
#include <string>

#include "core/paths.h"
#include "edb/database.h"

namespace {

using namespace rc::literals;

constexpr int kRecords = 100000;
constexpr int64_t kDataStart = 404;  // 116 + 4 fields * 72
constexpr int64_t kRecordLength = 52;
constexpr int kProbeRecord = kRecords / 2;

struct Fixture {
  std::string dir;
  std::string path;
  int fd = -1;
  rc::Value name_field, count_field, class_name;

  Fixture() {
    char pattern[] = "/tmp/edb_bench_XXXXXX";
    dir = mkdtemp(pattern);
    path = dir + "/roster.EDB";
    const rc::Text text_path = rc::TextFromNativePath(path);
    name_field = "姓名"_gbk;
    count_field = "回答次数"_gbk;
    class_name = "一班"_gbk;
    if (!rc::CreateDatabase(text_path, {{"班级"_gbk, 10, 20}, {"姓名"_gbk, 10, 20},
                                        {"回答次数"_gbk, 3, 0}, {"错误次数"_gbk, 3, 0}}) ||
        !rc::OpenDatabase(text_path, "数据库"_gbk)) {
      std::fprintf(stderr, "cannot create the roster\n");
      std::exit(1);
    }
    for (int i = 0; i < kRecords; ++i) {
      rc::AddRecord({class_name, rc::Text("s" + std::to_string(i))});
    }
    fd = open(path.c_str(), O_RDWR | O_CLOEXEC);
  }
  ~Fixture() {
    close(fd);
    rc::CloseAllDatabases();
    std::filesystem::remove_all(dir);
  }
};

Fixture& F() {
  static Fixture fixture;
  return fixture;
}

// The bare calls.
void LockByte(int fd, int64_t offset, short type) {
  struct flock fl = {};
  fl.l_type = type;
  fl.l_whence = SEEK_SET;
  fl.l_start = offset;
  fl.l_len = 1;
  if (fcntl(fd, F_OFD_SETLK, &fl) != 0) std::abort();
}
void Lock(int fd, int64_t offset) { LockByte(fd, offset, F_WRLCK); }
void Unlock(int fd, int64_t offset) { LockByte(fd, offset, F_UNLCK); }
int64_t RecordAt(int64_t r) { return kDataStart + r * kRecordLength; }

void BM_RecordCount(benchmark::State& state) {
  F();
  for (auto _ : state) benchmark::DoNotOptimize(rc::RecordCount());
}
void BM_RecordCount_Floor(benchmark::State& state) {
  const int fd = F().fd;
  uint8_t buffer[8];
  for (auto _ : state) {
    Lock(fd, 16);
    benchmark::DoNotOptimize(pread(fd, buffer, 8, 16));
    Unlock(fd, 16);
  }
}

void BM_ReadField(benchmark::State& state) {
  Fixture& f = F();
  rc::GoToFirstRecord();
  rc::SkipRecords(kProbeRecord);
  for (auto _ : state) benchmark::DoNotOptimize(rc::ReadField(f.name_field));
}
void BM_ReadField_Floor(benchmark::State& state) {
  const int fd = F().fd;
  uint8_t buffer[20];
  for (auto _ : state) {
    Lock(fd, RecordAt(kProbeRecord));
    benchmark::DoNotOptimize(pread(fd, buffer, 20, RecordAt(kProbeRecord) + 24));
    Unlock(fd, RecordAt(kProbeRecord));
  }
}

void BM_WriteFields(benchmark::State& state) {
  Fixture& f = F();
  rc::GoToFirstRecord();
  rc::SkipRecords(kProbeRecord);
  int32_t n = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(rc::WriteFields(std::nullopt, {{f.count_field, ++n}}));
  }
}
void BM_WriteFields_Floor(benchmark::State& state) {
  const int fd = F().fd;
  uint8_t record[kRecordLength];
  for (auto _ : state) {
    Lock(fd, RecordAt(kProbeRecord));
    benchmark::DoNotOptimize(pread(fd, record, kRecordLength, RecordAt(kProbeRecord)));
    benchmark::DoNotOptimize(pwrite(fd, record + 4, kRecordLength - 4, RecordAt(kProbeRecord) + 4));
    Unlock(fd, RecordAt(kProbeRecord));
  }
}

// Searches for the last of the 100 000 records by name.
void BM_FindRecord(benchmark::State& state) {
  Fixture& f = F();
  const rc::Text target("s" + std::to_string(kRecords - 1));
  for (auto _ : state) {
    rc::GoToFirstRecord();
    bool found = rc::FindRecord([&] { return rc::AsText(rc::ReadField(f.name_field)) == target; });
    if (!found) state.SkipWithError("not found");
  }
}
void BM_FindRecord_Floor(benchmark::State& state) {
  const int fd = F().fd;
  uint8_t record[kRecordLength];
  for (auto _ : state) {
    Lock(fd, 16);
    benchmark::DoNotOptimize(pread(fd, record, 4, 16));
    for (int64_t r = 0; r < kRecords; ++r) {
      Lock(fd, RecordAt(r));
      benchmark::DoNotOptimize(pread(fd, record, kRecordLength, RecordAt(r)));
      Unlock(fd, RecordAt(r));
    }
    Unlock(fd, 16);
  }
}

// Both append real records to the same file, so each sees the other's count.
void BM_AddRecord(benchmark::State& state) {
  Fixture& f = F();
  const rc::Text name("新同学");
  for (auto _ : state) benchmark::DoNotOptimize(rc::AddRecord({f.class_name, name}));
}
void BM_AddRecord_Floor(benchmark::State& state) {
  const int fd = F().fd;
  uint8_t counts[8];
  uint8_t record[kRecordLength] = {};
  for (auto _ : state) {
    Lock(fd, 16);
    benchmark::DoNotOptimize(pread(fd, counts, 8, 16));
    int32_t count, next_id;
    std::memcpy(&count, counts, 4);
    std::memcpy(&next_id, counts + 4, 4);
    const int64_t at = RecordAt(count);
    Lock(fd, at);
    std::memcpy(record, &next_id, 4);
    benchmark::DoNotOptimize(pwrite(fd, record, kRecordLength, at));
    ++count;
    ++next_id;
    std::memcpy(counts, &count, 4);
    std::memcpy(counts + 4, &next_id, 4);
    benchmark::DoNotOptimize(pwrite(fd, counts, 8, 16));
    Unlock(fd, at);
    Unlock(fd, 16);
  }
}

BENCHMARK(BM_RecordCount)->Repetitions(5);
BENCHMARK(BM_RecordCount_Floor)->Repetitions(5);
BENCHMARK(BM_ReadField)->Repetitions(5);
BENCHMARK(BM_ReadField_Floor)->Repetitions(5);
BENCHMARK(BM_WriteFields)->Repetitions(5);
BENCHMARK(BM_WriteFields_Floor)->Repetitions(5);
BENCHMARK(BM_FindRecord)->Repetitions(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindRecord_Floor)->Repetitions(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AddRecord)->Repetitions(5);
BENCHMARK(BM_AddRecord_Floor)->Repetitions(5);

// Keeps the best time of each benchmark and prints the ratios at the end.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
      std::string name = run.run_name.function_name;
      const double n = static_cast<double>(run.iterations);
      Best& b = best_[name];
      b.real = std::min(b.real, run.real_accumulated_time * 1e9 / n);
      b.cpu = std::min(b.cpu, run.cpu_accumulated_time * 1e9 / n);
    }
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    // CPU time is the steadier measure on a shared machine: the calls never wait.
    std::printf("\n%-12s %12s %12s %7s   %12s %12s %7s\n", "command", "cpu ns/op", "floor",
                "ratio", "real ns/op", "floor", "ratio");
    for (const char* op : {"RecordCount", "ReadField", "WriteFields", "AddRecord", "FindRecord"}) {
      auto cmd = best_.find(std::string("BM_") + op);
      auto floor = best_.find(std::string("BM_") + op + "_Floor");
      if (cmd == best_.end() || floor == best_.end()) continue;
      const Best& c = cmd->second;
      const Best& f = floor->second;
      std::printf("%-12s %12.0f %12.0f %7.3f   %12.0f %12.0f %7.3f\n", op, c.cpu, f.cpu,
                  c.cpu / f.cpu, c.real, f.real, c.real / f.real);
    }
  }

 private:
  struct Best {
    double real = std::numeric_limits<double>::infinity();
    double cpu = std::numeric_limits<double>::infinity();
  };
  std::map<std::string, Best> best_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
