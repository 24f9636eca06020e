// Writes the fuzz targets' seed corpora with the project's own writers: the database
// commands and edbtool, the voice file writer and the test archive builder, the definition
// encoder, the skin packer's parser and encoder.
//   make_seeds OUT_DIR CLASSROOM_SKIN
// One folder per target under OUT_DIR; tests/fuzz/make_seeds.sh runs it.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "app/window_definitions.h"
#include "core/text.h"
#include "edb/database.h"
#include "edb/tool/edbtool.h"
#include "forms/balloon_style_sheet.h"
#include "forms/definition_codec.h"
#include "fuzz/csv_database.h"
#include "services/skin/skin_format.h"
#include "tests/edb/edb_test_util.h"
#include "tests/services/speech/voice_file_builder.h"
#include "tools/voicepack/voice_file_writer.h"

namespace {

namespace fs = std::filesystem;
using namespace rc::literals;
using Bytes = std::vector<uint8_t>;

fs::path g_out;

void Fail(const std::string& what) {
  std::fprintf(stderr, "make_seeds: %s\n", what.c_str());
  std::exit(1);
}

void Write(const std::string& target, const std::string& name, const Bytes& bytes) {
  fs::create_directories(g_out / target);
  std::ofstream out(g_out / target / name, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) Fail("cannot write " + (g_out / target / name).string());
}

Bytes FileBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

Bytes StringBytes(const std::string& s) { return Bytes(s.begin(), s.end()); }

// --- Record database ---------------------------------------------------------------------

// A database made in `dir` as the program makes one; returns its main file's path.
fs::path MakeDatabase(const fs::path& dir, const std::string& name,
                      const std::vector<rc::FieldDefinition>& fields,
                      const std::vector<std::vector<std::optional<rc::Value>>>& records) {
  const fs::path path = dir / (name + ".EDB");
  if (!rc::CreateDatabase(rc::Text(path.string()), fields) ||
      !rc::OpenDatabase(rc::Text(path.string()))) {
    Fail("cannot make " + path.string());
  }
  for (const auto& r : records) {
    if (!rc::AddRecord(r)) Fail("cannot add to " + path.string());
  }
  rc::CloseAllDatabases();
  return path;
}

// The edb target's input: the main file's length (2 bytes), the main file, the companion.
void WriteDatabaseSeed(const std::string& name, const fs::path& main) {
  Bytes seed = FileBytes(main);
  if (seed.size() > 0xFFFF) Fail(main.string() + " is too large for a seed");
  const auto length = static_cast<uint16_t>(seed.size());
  seed.insert(seed.begin(), {static_cast<uint8_t>(length), static_cast<uint8_t>(length >> 8)});
  fs::path companion = main;
  companion.replace_extension(".EDT");
  if (fs::exists(companion)) {
    const Bytes more = FileBytes(companion);
    seed.insert(seed.end(), more.begin(), more.end());
  }
  Write("edb_fuzzer", name, seed);
}

std::vector<std::optional<rc::Value>> AllTypesRecord(int n, size_t memo_size) {
  using rc::Value;
  return {Value("张三"_gbk),
          Value(static_cast<uint8_t>(n)),
          Value(static_cast<int16_t>(-n)),
          Value(int32_t{70000} * n),
          Value(int64_t{1} << (30 + n)),
          Value(0.5f * static_cast<float>(n)),
          Value(1e300 / n),
          Value(rc::Logical(n % 2 == 0)),
          Value(rc::DateTime{45292.25 + n}),
          Value(rc::SubroutinePtr{static_cast<uint32_t>(n)}),
          Value(rc::ByteSet{0, 1, 0xFF, static_cast<uint8_t>(n)}),
          Value(rc::Text(std::string(memo_size, static_cast<char>('a' + n))))};
}

void DatabaseSeeds(const fs::path& work) {
  using rc::Value;
  const auto roster = MakeDatabase(
      work, "roster",
      {{"班级"_gbk, 10, 20}, {"姓名"_gbk, 10, 20}, {"回答次数"_gbk, 3, 0}, {"错误次数"_gbk, 3, 0}},
      {{Value("三年二班"_gbk), Value("张三"_gbk), Value(int32_t{3}), Value(int32_t{1})},
       {Value("三年二班"_gbk), Value("李四"_gbk), Value(int32_t{0}), Value(int32_t{0})},
       {Value("三年二班"_gbk), Value("王五"_gbk)}});
  WriteDatabaseSeed("roster", roster);

  // Memos of one block and of three, and a free list left by a shortened memo.
  const auto all = MakeDatabase(work, "all_types", rc::fuzz::CsvDatabaseFields(),
                                {AllTypesRecord(1, 20), AllTypesRecord(2, 1200)});
  if (!rc::OpenDatabase(rc::Text(all.string())) || !rc::SkipRecords() ||
      !rc::WriteFields(std::nullopt, {{Value("备注"_gbk), Value(rc::Text("short"))}})) {
    Fail("cannot shorten a memo");
  }
  rc::CloseAllDatabases();
  WriteDatabaseSeed("all_types", all);

  WriteDatabaseSeed("empty_with_memo", MakeDatabase(work, "empty_with_memo",
                                                    {{"备注"_gbk, 12, 0}, {rc::Text("N"), 2, 0}}, {}));

  // A protected copy of the roster, password "rollcall" as the target tries.
  fs::copy_file(roster, work / "protected.EDB");
  rc::test::EncryptDatabase((work / "protected.EDB").string(), "", "rollcall");
  WriteDatabaseSeed("protected", work / "protected.EDB");
  const auto memo = MakeDatabase(work, "protected_memo", {{"备注"_gbk, 12, 0}},
                                 {{Value(rc::Text(std::string(900, 'm')))}});
  rc::test::EncryptDatabase(memo.string(), (work / "protected_memo.EDT").string(), "rollcall");
  WriteDatabaseSeed("protected_memo", memo);
}

// CSV files as edbtool exports them from the CSV target's database, and as a teacher's
// spreadsheet might hold them (GBK, quoted cells, columns in another order).
void CsvSeeds(const fs::path& work) {
  const auto db = MakeDatabase(work, "csv", rc::fuzz::CsvDatabaseFields(),
                               {AllTypesRecord(1, 10), AllTypesRecord(2, 30)});
  std::ostringstream out, err;
  if (rc::RunEdbtool({"export-csv", db.string()}, out, err) != 0) Fail("export: " + err.str());
  Write("csv_import_fuzzer", "exported", StringBytes(out.str()));
  const rc::Text gbk = "备注,姓名,到了,Bytes\r\n\"多行\n\"\"引号\"\",逗号\",王五,真,00ff\r\n,,假,\r\n"_gbk;
  Write("csv_import_fuzzer", "gbk_quoted", StringBytes(gbk.bytes()));
}

// --- Voice file ----------------------------------------------------------------------------

void VoiceSeeds() {
  const Bytes wav = rc::testing::MakeToneWav(440, 5, 8000, 8);
  rc::voicepack::VoiceFileWriter writer;
  writer.BeginMap(3);
  writer.Entry("张"_gbk, "zhang1"_gbk, rc::Text(), {});
  writer.Entry("三"_gbk, "san1"_gbk, rc::Text(), {});
  writer.Entry(rc::Text("a"), rc::Text("ei1"), rc::Text(), {});
  writer.BeginMap(2);
  writer.Entry(rc::Text("zhang1"), rc::Text("zhang1"), rc::Text("wav"), wav);
  writer.Entry(rc::Text("san1"), rc::Text("san1"), rc::Text("wav"), wav);
  Write("voice_file_fuzzer", "voicepack", writer.bytes());

  // The forms the writer never picks: UTF-16 strings, long counts and lengths, the null
  // object, and an object referred to a second time.
  using Form = rc::testing::ArchiveWriter::Form;
  rc::testing::ArchiveWriter w;
  w.Count(2, Form::k32).String(rc::Text("x"), Form::k16);
  w.NewClass("VoiceEntry").UnicodeString(u"li3").String(rc::Text(), Form::k32).Double(0.0);
  w.UnicodeString(u"y", Form::k16).U16(rc::voice_file::kNullTag);
  w.Count(2).String(rc::Text("li3")).ClassRef(1).EntryFields(rc::Text("li3"), rc::Text("wav"), wav);
  w.String(rc::Text("again")).ObjectRef(3);
  Write("voice_file_fuzzer", "archive_forms", w.bytes());
}

// --- Window definitions, balloon markup, skin ----------------------------------------------

void DefinitionSeeds() {
  const auto windows = rc::app::WindowDefinitionsSource();
  Write("definitions_fuzzer", "all_windows", rc::forms::EncodeDefinitions(windows));
  for (size_t i = 0; i < windows.size(); ++i) {
    Write("definitions_fuzzer", "window_" + std::to_string(i),
          rc::forms::EncodeDefinitions({windows[i]}));
  }
  rc::forms::LogFont font;
  font.height = -12;
  font.face = "宋体"_gbk;
  Write("definitions_fuzzer", "log_font", rc::forms::EncodeLogFont(font));
}

void BalloonSeeds() {
  const char* const markups[] = {
      "<h2>点名</h2><b>张三</b> 回答 <font color=\"#ff0000\" face='宋体'>3</font> 次<br/>",
      "<table><tr><td><icon idres=1 width=32></td><td>名字<<不是标签</td></tr></table>",
      "<a href=\"x\">link</a>\t<sub>1</sub><sup>2</sup>\r\n<p align=center class=comment>c</p>",
      "</i>stray<b><i>open <hr> <unknown attr=v>never closed <",
  };
  int n = 0;
  for (const char* m : markups) {
    Write("balloon_markup_fuzzer", "markup_" + std::to_string(n++),
          StringBytes(rc::Text::FromUtf8(m).bytes()));
  }
  std::string with_sheet = rc::Text::FromUtf8(markups[0]).bytes();
  with_sheet.push_back('\0');
  with_sheet += rc::forms::DefaultBalloonStyleSheet().bytes();
  Write("balloon_markup_fuzzer", "with_style_sheet", StringBytes(with_sheet));
}

void SkinSeeds(const fs::path& source_path) {
  std::ifstream in(source_path, std::ios::binary);
  std::stringstream source;
  source << in.rdbuf();
  std::string error;
  const auto entries = rc::ParseSkinSource(source.str(), &error);
  if (!entries) Fail(source_path.string() + ": " + error);
  Write("skin_fuzzer", "classroom", rc::EncodeSkin(*entries));
  Write("skin_fuzzer", "empty", rc::EncodeSkin({}));
  Write("skin_fuzzer", "source", StringBytes(source.str()));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) Fail("usage: make_seeds OUT_DIR CLASSROOM_SKIN");
  g_out = argv[1];
  const fs::path work = fs::temp_directory_path() / ("rollcall-seeds-" + std::to_string(getpid()));
  fs::remove_all(work);
  fs::create_directories(work);
  DatabaseSeeds(work);
  CsvSeeds(work);
  VoiceSeeds();
  DefinitionSeeds();
  BalloonSeeds();
  SkinSeeds(argv[2]);
  fs::remove_all(work);
  return 0;
}
