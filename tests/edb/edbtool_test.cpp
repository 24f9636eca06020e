// edbtool as teachers and scripts run it: the real binary, its output and exit status.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

#include "edb/errors.h"
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
  // `prefix` goes before the program (a time limit).
  Result Run(const std::vector<std::string>& args, const std::string& prefix = "") {
    std::string command = prefix + EDBTOOL_PATH;
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
  std::unique_ptr<rc::File> program = DefaultFileSystem().Open(File("b.EDB"), true, false, &error);
  ASSERT_TRUE(program);
  for (const char* command : {"add", "dump"}) {
    // The program holds the record count, as while it adds a record, and lets go only after
    // edbtool has opened and closed the file twice: each of those tries met the lock, so
    // edbtool began while it was held and waited it out. The file's open and close events
    // are the handshake; nothing depends on how soon edbtool starts.
    ASSERT_EQ(program->Lock(16, 1, LockKind::kExclusive), 0);
    const int watch = inotify_init1(IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    ASSERT_GE(inotify_add_watch(watch, File("b.EDB").c_str(), IN_CLOSE), 0);
    bool tried_while_held = false;
    std::thread release([&] {
      int closes = 0;
      alignas(inotify_event) char events[4096];
      pollfd ready{watch, POLLIN, 0};
      // A generous deadline only so that a broken edbtool cannot hang the test.
      while (closes < 2 && poll(&ready, 1, 60000) == 1) {
        const ssize_t n = read(watch, events, sizeof events);
        for (ssize_t at = 0; at < n;) {
          const auto* event = reinterpret_cast<const inotify_event*>(events + at);
          if (event->mask & IN_CLOSE) ++closes;
          at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
      }
      tried_while_held = closes >= 2;
      program->Unlock(16, 1);
    });
    Result r = std::string(command) == "add" ? Run({"add", File("b"), "7"})
                                             : Run({"dump", File("b")});
    release.join();
    close(watch);
    EXPECT_TRUE(tried_while_held) << command;
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
  EXPECT_EQ(r.err, "-72 所提供数据的类型与字段类型不匹配: value 1 (field \"k\"): \"twelve\" is not a "
                   "whole number\n");
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

// Input that a person got wrong is refused with the field and the place named, and the
// files stay as they were.
struct RefusedCase {
  // "@" stands for the database c: a Byte, b Short, d Int, e SubroutinePtr.
  std::vector<std::string> command;
  std::string err;
};

class EdbtoolRefusesTest : public EdbtoolTest, public ::testing::WithParamInterface<RefusedCase> {};

TEST_P(EdbtoolRefusesTest, WithAPreciseErrorAndNoChange) {
  ASSERT_EQ(Run({"create", File("c"), "a:Byte", "b:Short", "d:Int", "e:SubroutinePtr"}).status, 0);
  const std::vector<uint8_t> before = test::ReadBytes(File("c.EDB"));
  std::vector<std::string> command = GetParam().command;
  for (std::string& arg : command) {
    if (arg == "@") arg = File("c");
  }
  Result r = Run(command);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, GetParam().err);
  EXPECT_EQ(test::ReadBytes(File("c.EDB")), before);
  EXPECT_FALSE(std::filesystem::exists(File("g.EDB")));
}

INSTANTIATE_TEST_SUITE_P(
    Input, EdbtoolRefusesTest,
    ::testing::Values(
        RefusedCase{{"add", "@", "256"},
                    "-72 所提供数据的类型与字段类型不匹配: value 1 (field \"a\"): \"256\" is out of the "
                    "field's range\n"},
        RefusedCase{{"add", "@", "1", "70000"},
                    "-72 所提供数据的类型与字段类型不匹配: value 2 (field \"b\"): \"70000\" is out of "
                    "the field's range\n"},
        RefusedCase{{"add", "@", "1", "2", "2147483648"},
                    "-72 所提供数据的类型与字段类型不匹配: value 3 (field \"d\"): \"2147483648\" is out "
                    "of the field's range\n"},
        RefusedCase{{"add", "@", "1", "2", "-2147483649"},
                    "-72 所提供数据的类型与字段类型不匹配: value 3 (field \"d\"): \"-2147483649\" is "
                    "out of the field's range\n"},
        RefusedCase{{"add", "@", "1", "2", "3", "-1"},
                    "-72 所提供数据的类型与字段类型不匹配: value 4 (field \"e\"): \"-1\" is out of the "
                    "field's range\n"},
        RefusedCase{{"add", "@", "1", "2", "3", "4", "extra"},
                    "-72 所提供数据的类型与字段类型不匹配: 5 values for 4 fields\n"},
        RefusedCase{{"add", "@"}, "-72 所提供数据的类型与字段类型不匹配: 0 values for 4 fields\n"},
        RefusedCase{{"create", "g", "a:int", ":int", "b:int"},
                    "-18 " + DbErrorText(kDbBadFieldName).ToUtf8() + ": field 2 has no name\n"}));

// CSV files as spreadsheets and teachers write them, imported into 班级 姓名 n (an Int).
// Every row is checked before the first is added: a refused file adds nothing.
struct CsvCase {
  std::string name;
  std::string csv;
  std::string err;       // empty: imported
  std::string records;   // export-csv afterwards, without its header line
};

class EdbtoolCsvTest : public EdbtoolTest, public ::testing::WithParamInterface<CsvCase> {};

TEST_P(EdbtoolCsvTest, Imports) {
  ASSERT_EQ(Run({"create", File("c"), "班级:Text:20", "姓名:Text:20", "n:Int"}).status, 0);
  const std::string& csv = GetParam().csv;
  test::WriteBytes(File("in.csv"), std::vector<uint8_t>(csv.begin(), csv.end()));
  Result r = Run({"import-csv", File("c"), File("in.csv")});
  EXPECT_EQ(r.status, GetParam().err.empty() ? 0 : 1);
  EXPECT_EQ(r.err, GetParam().err);
  EXPECT_EQ(Run({"export-csv", File("c")}).out, "班级,姓名,n\r\n" + GetParam().records);
}

const std::string kMismatch = "-72 所提供数据的类型与字段类型不匹配: ";

INSTANTIATE_TEST_SUITE_P(
    Files, EdbtoolCsvTest,
    ::testing::Values(
        CsvCase{"StrayQuoteIsAnError", "班级,姓名,n\n一班,\"张三,1\n一班,李四,2\n一班,王五,3\n",
                kMismatch + "line 2: a quoted cell is never closed\n", ""},
        CsvCase{"QuoteInMidCellIsACharacter", "班级,姓名,n\n一班,张\"三,1\n一班,李四,2\n", "",
                "一班,\"张\"\"三\",1\r\n一班,李四,2\r\n"},
        CsvCase{"BlankLinesAreSkipped", "班级,姓名,n\n\n一班,张三,1\r\n\r\n,,\n一班,李四,2\n\n", "",
                "一班,张三,1\r\n一班,李四,2\r\n"},
        CsvCase{"ABadRowAddsNothing", "班级,姓名,n\n一班,张三,1\n一班,李四,x\n一班,王五,3\n",
                kMismatch + "line 3, column 3 (field \"n\"): \"x\" is not a whole number\n", ""},
        CsvCase{"GbkWithChineseHeaders",
                "\xB0\xE0\xBC\xB6,\xD0\xD5\xC3\xFB,n\n\xD2\xBB\xB0\xE0,\xD5\xC5\xC8\xFD,1\n", "",
                "一班,张三,1\r\n"},
        CsvCase{"GbkWithAsciiHeaders", "n,\xB0\xE0\xBC\xB6\n7,\xD2\xBB\xB0\xE0\n", "", "一班,,7\r\n"},
        CsvCase{"Utf8WithByteOrderMark", "\xEF\xBB\xBFn,姓名\n7,张三\n", "", ",张三,7\r\n"},
        CsvCase{"ExtraColumn", "班级,姓名,n,x\n一班,张三,1,2\n",
                "-40 未找到指定字段: column 4 \"x\" names no field\n", ""},
        CsvCase{"DuplicateColumn", "班级,姓名,班级\n一班,张三,二班\n",
                "-20 存在重复的字段名称: column 3 \"班级\" names a field a second time\n", ""},
        CsvCase{"MoreCellsThanColumns", "班级,姓名\n一班,张三,1\n",
                kMismatch + "line 2: 3 cells for 2 columns\n", ""}),
    [](const auto& info) { return info.param.name; });

TEST_F(EdbtoolTest, AFolderIsNoCsvFile) {
  ASSERT_EQ(Run({"create", File("c"), "n:Int"}).status, 0);
  std::filesystem::create_directory(File("folder"));
  Result r = Run({"import-csv", File("c"), File("folder")});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "-6 指定文件不能被访问: \"" + File("folder") + "\" is a folder\n");
}

// Every field type, extremes included, comes back from export and import as it was.
TEST_F(EdbtoolTest, EveryTypeRoundTripsThroughCsv) {
  const std::vector<std::string> fields = {"a:Byte",  "b:Short",    "c:Int",           "d:Long",
                                           "e:Float", "f:Double",   "g:Logical",       "h:DateTime",
                                           "i:SubroutinePtr", "j:Text:6", "k:ByteSet", "l:Memo"};
  const std::vector<std::vector<std::string>> rows = {
      {"0", "-32768", "-2147483648", "-9223372036854775808", "1e-45", "5e-324", "false",
       "-657434", "0", "一二三", "00", "a,\"b\"\r\nc"},
      {"255", "32767", "2147483647", "9223372036854775807", "3.4028235e+38",
       "1.7976931348623157e+308", "true", "2958465", "4294967295", "\xD2\xBB\xB6\xFE", "ff00",
       "备注"},
      {"1", "-1", "-1", "-1", "-inf", "inf", "true", "0.5", "1", "", "", ""},
      {"2", "2", "2", "2", "nan", "-nan", "false", "45000.25", "2", "x", "", "x"}};
  for (const char* db : {"a", "b"}) {
    std::vector<std::string> create = {"create", File(db)};
    create.insert(create.end(), fields.begin(), fields.end());
    ASSERT_EQ(Run(create).status, 0);
  }
  for (const auto& row : rows) {
    std::vector<std::string> add = {"add", File("a")};
    add.insert(add.end(), row.begin(), row.end());
    Result r = Run(add);
    ASSERT_EQ(r.status, 0) << r.err;
  }
  Result exported = Run({"export-csv", File("a")});
  ASSERT_EQ(exported.status, 0) << exported.err;
  EXPECT_EQ(exported.out,
            "a,b,c,d,e,f,g,h,i,j,k,l\r\n"
            "0,-32768,-2147483648,-9223372036854775808,1e-45,5e-324,false,-657434,0,一二三,00,"
            "\"a,\"\"b\"\"\r\nc\"\r\n"
            "255,32767,2147483647,9223372036854775807,3.4028235e+38,1.7976931348623157e+308,true,"
            "2958465,4294967295,一二,ff00,备注\r\n"
            "1,-1,-1,-1,-inf,inf,true,0.5,1,,,\r\n"
            "2,2,2,2,nan,-nan,false,45000.25,2,x,,x\r\n");
  test::WriteBytes(File("a.csv"), std::vector<uint8_t>(exported.out.begin(), exported.out.end()));
  Result imported = Run({"import-csv", File("b"), File("a.csv")});
  ASSERT_EQ(imported.status, 0) << imported.err;
  EXPECT_EQ(Run({"export-csv", File("b")}).out, exported.out);
  // The stored bytes match too, apart from the creation times.
  std::vector<uint8_t> a = test::ReadBytes(File("a.EDB")), b = test::ReadBytes(File("b.EDB"));
  std::fill(a.begin() + 8, a.begin() + 16, 0);
  std::fill(b.begin() + 8, b.begin() + 16, 0);
  EXPECT_EQ(a, b);
}

// Names that are not UTF-8 are kept as their bytes, so two of them never name one file.
TEST_F(EdbtoolTest, NamesThatDoNotDecodeStayApart) {
  ASSERT_EQ(Run({"create", File("\xff\xfe"), "a:Int"}).status, 0);
  ASSERT_EQ(Run({"create", File("\xfe\xff"), "b:Int"}).status, 0);
  EXPECT_EQ(Run({"export-csv", File("\xff\xfe.EDB")}).out, "a\r\n");
  EXPECT_EQ(Run({"export-csv", File("\xfe\xff.EDB")}).out, "b\r\n");
  EXPECT_TRUE(std::filesystem::exists(File("\xff\xfe.EDB")));
}

// A FIFO named like a database would block an open for reading until a writer came.
TEST_F(EdbtoolTest, APipeIsRefusedNotWaitedFor) {
  ASSERT_EQ(mkfifo(File("p.EDB").c_str(), 0600), 0);
  for (const char* command : {"dump", "export-csv"}) {
    Result r = Run({command, File("p.EDB")}, "timeout 20 ");
    EXPECT_EQ(r.status, 1) << command;
    EXPECT_EQ(r.err, "-6 指定文件不能被访问\n") << command;
  }
}

// Arguments in GBK, as a terminal in a Chinese locale sends them, are read as GBK.
TEST_F(EdbtoolTest, GbkArgumentsAreReadAsGbk) {
  ASSERT_EQ(Run({"create", File("c"), "\xB0\xE0\xBC\xB6:Text:20"}).status, 0);
  ASSERT_EQ(Run({"add", File("c"), "\xD2\xBB\xB0\xE0"}).status, 0);
  EXPECT_EQ(Run({"export-csv", File("c")}).out, "班级\r\n一班\r\n");
}

}  // namespace
}  // namespace rc
