// MD5 and RC4 against their published vectors, the check text, and opening, reading and
// writing password-protected files.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "edb/crypto.h"
#include "edb/database.h"
#include "edb/errors.h"
#include "edb/tool/edbtool.h"
#include "tests/edb/edb_test_util.h"

namespace rc {
namespace {

std::string Hex(const uint8_t* data, size_t size) {
  static const char kDigits[] = "0123456789abcdef";
  std::string s;
  for (size_t i = 0; i < size; ++i) {
    s.push_back(kDigits[data[i] >> 4]);
    s.push_back(kDigits[data[i] & 15]);
  }
  return s;
}

std::string Md5Hex(const std::string& s) {
  auto d = Md5(s);
  return Hex(d.data(), d.size());
}

TEST(Md5Test, Rfc1321Vectors) {
  EXPECT_EQ(Md5Hex(""), "d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_EQ(Md5Hex("a"), "0cc175b9c0f1b6a831c399e269772661");
  EXPECT_EQ(Md5Hex("abc"), "900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(Md5Hex("message digest"), "f96b697d7cb7938d525a2f31aaf161d0");
  EXPECT_EQ(Md5Hex("abcdefghijklmnopqrstuvwxyz"), "c3fcd3d76192e4007dfb496cca67e13b");
  EXPECT_EQ(Md5Hex("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"),
            "d174ab98d277d9f5a5611c2c9f419d9f");
  EXPECT_EQ(Md5Hex("1234567890123456789012345678901234567890123456789012345678901234567890123456"
                   "7890"),
            "57edf4a22be3c955ac49da2e2107b67a");
  // Lengths around the padding boundary.
  EXPECT_EQ(Md5Hex(std::string(55, 'a')), "ef1772b6dff9a122358552954ad0df65");
  EXPECT_EQ(Md5Hex(std::string(56, 'a')), "3b0c8ac703f828b04c6c197006d17218");
  EXPECT_EQ(Md5Hex(std::string(64, 'a')), "014842d480b571495a4a0363793f7367");
}

std::string Rc4Hex(const std::string& key, size_t skip, size_t n) {
  Rc4 rc4(key);
  for (size_t i = 0; i < skip; ++i) rc4.Next();
  std::vector<uint8_t> out(n);
  for (uint8_t& b : out) b = rc4.Next();
  return Hex(out.data(), out.size());
}

std::string Rc4Encrypt(const std::string& key, const std::string& plain) {
  Rc4 rc4(key);
  std::vector<uint8_t> out;
  for (char c : plain) out.push_back(static_cast<uint8_t>(c) ^ rc4.Next());
  return Hex(out.data(), out.size());
}

TEST(Rc4Test, PublishedVectors) {
  EXPECT_EQ(Rc4Encrypt("Key", "Plaintext"), "bbf316e8d940af0ad3");
  EXPECT_EQ(Rc4Encrypt("Wiki", "pedia"), "1021bf0420");
  EXPECT_EQ(Rc4Encrypt("Secret", "Attack at dawn"), "45a01f645fc35b383552544b9bf5");
  // RFC 6229, 40-bit key 0x0102030405: keystream at offsets 0 and 240.
  EXPECT_EQ(Rc4Hex("\x01\x02\x03\x04\x05", 0, 16), "b2396305f03dc027ccc3524a0a1118a8");
  EXPECT_EQ(Rc4Hex("\x01\x02\x03\x04\x05", 240, 16), "28cb1132c96ce286421dcaadb8b69eae");
}

TEST(PasswordCheckTextTest, SwapsPairsAndReverses) {
  EXPECT_EQ(PasswordCheckText("abc"), "727fe1287d3f96d6b04fd23c98500190");
  EXPECT_EQ(PasswordCheckText("密码"_gbk.bytes()), "3c488aaa862424f6c564c9f0303e29d2");
}

class ProtectedFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // A roster big enough to span pages, and a memo database, made plain and then
    // enciphered the way protected files are.
    ASSERT_TRUE(CreateDatabase(dir_.Path("r"), test::RosterFields()));
    ASSERT_TRUE(OpenDatabase(dir_.Path("r")));
    for (int i = 0; i < 200; ++i) ASSERT_TRUE(AddRecord({"一班"_gbk, Text("n" + std::to_string(i))}));
    ASSERT_TRUE(CreateDatabase(dir_.Path("m"), {{"k"_gbk, 3, 0}, {"备注"_gbk, 12, 0}}));
    ASSERT_TRUE(OpenDatabase(dir_.Path("m")));
    ASSERT_TRUE(AddRecord({int32_t{1}, Text(std::string(5000, 'q'))}));
    ASSERT_TRUE(AddRecord({int32_t{2}, Text("short")}));
    CloseAllDatabases();
    test::EncryptDatabase(dir_.Native("r.EDB"), "", "密码"_gbk.bytes());
    test::EncryptDatabase(dir_.Native("m.EDB"), dir_.Native("m.EDT"), "secret");
  }
  void TearDown() override {
    CloseAllDatabases();
    SetPasswordPrompt(nullptr);
  }
  test::TempDir dir_;
};

TEST_F(ProtectedFileTest, OpensWithTheRightPasswordOnly) {
  EXPECT_FALSE(OpenDatabase(dir_.Path("r")));
  EXPECT_EQ(LastDbError(), kDbBadPassword);
  EXPECT_FALSE(OpenDatabase(dir_.Path("r"), {}, {}, {}, "wrong"_gbk));
  EXPECT_EQ(LastDbError(), kDbBadPassword);
  ASSERT_TRUE(OpenDatabase(dir_.Path("r"), {}, {}, {}, "密码"_gbk));
  EXPECT_EQ(RecordCount(), 200);
  ASSERT_TRUE(SkipRecords(150));
  EXPECT_EQ(AsText(ReadField("姓名"_gbk)).bytes(), "n150");
  EXPECT_EQ(AsText(ReadField("班级"_gbk)), "一班"_gbk);
  EXPECT_TRUE(FindRecord([] { return AsText(ReadField(2)).bytes() == "n199"; }));
  EXPECT_EQ(CurrentRecordIdentifier(), 200);
}

TEST_F(ProtectedFileTest, ChangesStayEnciphered) {
  ASSERT_TRUE(OpenDatabase(dir_.Path("m"), {}, {}, {}, "secret"_gbk));
  EXPECT_EQ(AsText(ReadField("备注"_gbk)).bytes(), std::string(5000, 'q'));
  ASSERT_TRUE(WriteFields(std::nullopt, {{"备注"_gbk, Text(std::string(700, 'z'))}}));
  ASSERT_TRUE(AddRecord({int32_t{3}, "PLAINWORD"_gbk}));
  CloseAllDatabases();
  for (const char* f : {"m.EDB", "m.EDT"}) {
    std::vector<uint8_t> b = test::ReadBytes(dir_.Native(f));
    std::string s(b.begin(), b.end());
    EXPECT_EQ(s.find("zzzz"), std::string::npos) << f;
    EXPECT_EQ(s.find("PLAINWORD"), std::string::npos) << f;
  }
  std::ostringstream out, err;
  ASSERT_EQ(RunEdbtool({"dump", "--password", "secret", dir_.Native("m.EDB")}, out, err), 0)
      << err.str();
  EXPECT_NE(out.str().find("\"magic\":\"WCDB\""), std::string::npos);
  EXPECT_NE(out.str().find("{\"id\":3,\"values\":[3,\"PLAINWORD\"]}"), std::string::npos);
  EXPECT_NE(out.str().find("[2,\"short\"]"), std::string::npos);
  EXPECT_NE(out.str().find(std::string(700, 'z')), std::string::npos);
}

TEST_F(ProtectedFileTest, QuestionMarkAsksUpToThreeTimes) {
  std::vector<std::string> notices;
  std::vector<std::string> answers;
  SetPasswordPrompt([&](const Text& notice, Text* password) {
    notices.push_back(notice.ToUtf8());
    if (answers.empty()) return false;
    *password = Text::FromUtf8(answers.front());
    answers.erase(answers.begin());
    return true;
  });
  answers = {"x", "y", "z", "密码"};
  EXPECT_FALSE(OpenDatabase(dir_.Path("r"), {}, {}, {}, "?"_gbk));
  EXPECT_EQ(LastDbError(), kDbBadPassword);
  EXPECT_EQ(notices, (std::vector<std::string>{"", "密码错误，您还有 2 次重新输入的机会。",
                                               "密码错误，您还有 1 次重新输入的机会。"}));
  notices.clear();
  answers = {"x", "密码"};
  ASSERT_TRUE(OpenDatabase(dir_.Path("r"), {}, {}, {}, "?"_gbk));
  EXPECT_EQ(notices.size(), 2u);
  CloseDatabase();
  answers.clear();  // the user cancels
  notices.clear();
  EXPECT_FALSE(OpenDatabase(dir_.Path("r"), {}, {}, {}, "?"_gbk));
  EXPECT_EQ(LastDbError(), kDbBadPassword);
  EXPECT_EQ(notices.size(), 1u);
  SetPasswordPrompt(nullptr);  // no user interface: no password
  EXPECT_FALSE(OpenDatabase(dir_.Path("r"), {}, {}, {}, "?"_gbk));
  EXPECT_EQ(LastDbError(), kDbBadPassword);
}

}  // namespace
}  // namespace rc
