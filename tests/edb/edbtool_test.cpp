// edbtool as teachers and scripts run it: the real binary, its output and exit status.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

#include "edb/file.h"
#include "tests/edb/edb_test_util.h"

namespace rc {
namespace {

struct Result {
  int status;
  std::string out, err;
};

class EdbtoolTest : public ::testing::Test {
 protected:
  Result Run(const std::vector<std::string>& args) {
    std::string command = EDBTOOL_PATH;
    for (const std::string& a : args) {
      std::string quoted = "'";
      for (char c : a) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
      command += " " + quoted + "'";
    }
    command += " >" + dir_.Native("stdout") + " 2>" + dir_.Native("stderr");
    int status = std::system(command.c_str());
    auto slurp = [](const std::string& path) {
      std::ifstream in(path, std::ios::binary);
      std::stringstream s;
      s << in.rdbuf();
      return s.str();
    };
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, slurp(dir_.Native("stdout")),
            slurp(dir_.Native("stderr"))};
  }
  std::string File(const std::string& name) { return dir_.Native(name); }

  test::TempDir dir_;
};

TEST_F(EdbtoolTest, CreateAddAndDumpARoster) {
  ASSERT_EQ(Run({"create", File("班"), "班级:Text:20", "姓名:10:20", "回答次数:Int", "错误次数:3"})
                .status,
            0);
  ASSERT_EQ(Run({"add", File("班.edb"), "一班", "张三", "2", "1"}).status, 0);
  ASSERT_EQ(Run({"add", File("班.EDB"), "一班", "李\"四\\"}).status, 0);
  Result r = Run({"dump", File("班.EDB")});
  ASSERT_EQ(r.status, 0) << r.err;
  std::string json = std::regex_replace(r.out, std::regex("\"created\":[0-9.]+"), "\"created\":T");
  EXPECT_EQ(json,
            "{\"magic\":\"WEDB\",\"version\":65536,\"created\":T,\"record_count\":2,\"next_id\":3,"
            "\"record_length\":52,\"fields\":[{\"name\":\"班级\",\"type\":10,\"offset\":4,"
            "\"width\":20},{\"name\":\"姓名\",\"type\":10,\"offset\":24,\"width\":20},"
            "{\"name\":\"回答次数\",\"type\":3,\"offset\":44,\"width\":0},{\"name\":\"错误次数\","
            "\"type\":3,\"offset\":48,\"width\":0}],\"records\":[{\"id\":1,\"values\":[\"一班\","
            "\"张三\",2,1]},{\"id\":2,\"values\":[\"一班\",\"李\\\"四\\\\\",0,0]}]}\n");
}

TEST_F(EdbtoolTest, EveryTypeDumpsAsItsJsonKind) {
  ASSERT_EQ(Run({"create", File("t"), "a:Byte", "b:Short", "c:Int", "d:Long", "e:Float", "f:Double",
                 "g:Logical", "h:DateTime", "i:SubroutinePtr", "j:Text:3", "k:ByteSet", "l:Memo"})
                .status,
            0);
  ASSERT_EQ(Run({"add", File("t"), "255", "-2", "-3", "-4000000000", "0.1", "0.1", "true",
                 "45000.25", "4000000000", "abcdef", "00ff7A", "备注"})
                .status,
            0);
  // Bytes that are no GBK character come out as U+FFFD.
  std::vector<uint8_t> b = test::ReadBytes(File("t.EDB"));
  const size_t text_at = 116 + 72 * 12 + 44;
  b[text_at] = 0x81;
  b[text_at + 1] = 0x20;
  test::WriteBytes(File("t.EDB"), b);
  Result r = Run({"dump", File("t.EDB")});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("\"values\":[255,-2,-3,-4000000000,0.1,0.1,true,45000.25,"
                       "4000000000,\"\xEF\xBF\xBD c\",\"00ff7a\",\"备注\"]"),
            std::string::npos)
      << r.out;
}

TEST_F(EdbtoolTest, WaitsOutALockHeldForAMoment) {
  ASSERT_EQ(Run({"create", File("b"), "n:Int"}).status, 0);
  int32_t error = 0;
  std::unique_ptr<rc::File> program = PosixFileSystem()->Open(File("b.EDB"), true, false, &error);
  ASSERT_TRUE(program);
  for (const char* command : {"add", "dump"}) {
    // The program holds the record count, as while it adds a record.
    ASSERT_EQ(program->Lock(16, 1, LockKind::kExclusive), 0);
    std::thread release([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
      program->Unlock(16, 1);
    });
    Result r = std::string(command) == "add" ? Run({"add", File("b"), "7"})
                                             : Run({"dump", File("b")});
    release.join();
    EXPECT_EQ(r.status, 0) << command << ": " << r.err;
  }
  EXPECT_NE(Run({"dump", File("b")}).out.find("\"values\":[7]"), std::string::npos);
}

TEST_F(EdbtoolTest, FailuresPrintCodeAndText) {
  test::WriteBytes(File("bad.EDB"), std::vector<uint8_t>(200, 'x'));
  Result r = Run({"dump", File("bad.EDB")});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "-22 指定文件不是数据库文件\n");
  EXPECT_EQ(r.out, "");
  r = Run({"dump", File("missing")});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "-3 指定文件未找到\n");
  ASSERT_EQ(Run({"create", File("n"), "k:Int"}).status, 0);
  r = Run({"add", File("n"), "twelve"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "-72 所提供数据的类型与字段类型不匹配\n");
  r = Run({"create", File("n2"), "1k:Int"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err.substr(0, 4), "-18 ");
  EXPECT_EQ(Run({"create", File("n3"), "k:Widget"}).err, "-17 无效的字段类型\n");
  EXPECT_EQ(Run({}).status, 1);
  EXPECT_EQ(Run({"frobnicate"}).status, 1);
  EXPECT_EQ(Run({"dump"}).status, 1);
}

TEST_F(EdbtoolTest, DumpOnlyLooks) {
  ASSERT_EQ(Run({"create", File("r"), "k:Int"}).status, 0);
  ASSERT_EQ(Run({"add", File("r"), "7"}).status, 0);
  std::vector<uint8_t> b = test::ReadBytes(File("r.EDB"));
  b.push_back(0x42);  // a partial record that an open for writing would cut off
  test::WriteBytes(File("r.EDB"), b);
  Result r = Run({"dump", File("r.EDB")});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("\"records\":[{\"id\":1,\"values\":[7]}]"), std::string::npos);
  EXPECT_EQ(test::ReadBytes(File("r.EDB")), b);
}

TEST_F(EdbtoolTest, CsvExportAndImportRoundTrip) {
  ASSERT_EQ(Run({"create", File("a"), "名:Text:30", "n:Int", "ok:Logical", "m:Memo", "b:ByteSet"})
                .status,
            0);
  ASSERT_EQ(Run({"add", File("a"), "x,y", "1", "false", "line1\nline2", "0102"}).status, 0);
  ASSERT_EQ(Run({"add", File("a"), "say \"hi\"", "-5", "true", "", ""}).status, 0);
  Result exported = Run({"export-csv", File("a")});
  ASSERT_EQ(exported.status, 0) << exported.err;
  EXPECT_EQ(exported.out,
            "名,n,ok,m,b\r\n\"x,y\",1,false,\"line1\nline2\",0102\r\n\"say \"\"hi\"\"\",-5,true,,\r\n");
  {
    std::ofstream csv(File("in.csv"), std::ios::binary);
    csv << exported.out;
  }
  ASSERT_EQ(Run({"create", File("b"), "名:Text:30", "n:Int", "ok:Logical", "m:Memo", "b:ByteSet"})
                .status,
            0);
  Result imported = Run({"import-csv", File("b"), File("in.csv")});
  ASSERT_EQ(imported.status, 0) << imported.err;
  EXPECT_EQ(Run({"export-csv", File("b")}).out, exported.out);
  // Columns are matched by name; an unknown column is refused.
  {
    std::ofstream csv(File("cols.csv"), std::ios::binary);
    csv << "n,名\n3,three\n";
  }
  ASSERT_EQ(Run({"import-csv", File("b"), File("cols.csv")}).status, 0);
  EXPECT_NE(Run({"dump", File("b")}).out.find("{\"id\":3,\"values\":[\"three\",3,false,\"\",\"\"]}"),
            std::string::npos);
  {
    std::ofstream csv(File("bad.csv"), std::ios::binary);
    csv << "nope\n1\n";
  }
  EXPECT_EQ(Run({"import-csv", File("b"), File("bad.csv")}).status, 1);
}

}  // namespace
}  // namespace rc
