#include "forms/balloon/balloon_document.h"

#include <gtest/gtest.h>

#include <QFontInfo>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextLayout>

#include "tests/forms/balloon/balloon_test_app.h"

namespace rc {
namespace {

class BalloonDocumentTest : public ::testing::Test {
 protected:
  void SetUp() override { testing::TestApp(); }

  QSizeF Build(const char* utf8, qreal max_width = 600) {
    return BuildBalloonDocument(document_, Text::FromUtf8(utf8), settings_, max_width);
  }

  // The drawn lines, top to bottom.
  QStringList Lines() {
    QStringList lines;
    for (QTextBlock block = document_.begin(); block.isValid(); block = block.next()) {
      QTextLayout* layout = block.layout();
      for (int i = 0; i < layout->lineCount(); ++i) {
        QTextLine line = layout->lineAt(i);
        lines << block.text()
                     .mid(line.textStart(), line.textLength())
                     .remove(QChar::LineSeparator)
                     .trimmed();
      }
    }
    return lines;
  }

  // The character format at the first occurrence of `utf8` in the document.
  QTextCharFormat FormatAt(const char* utf8) {
    QTextCursor found = document_.find(QString::fromUtf8(utf8));
    EXPECT_FALSE(found.isNull()) << utf8;
    QTextCursor cursor(&document_);
    cursor.setPosition(found.selectionStart() + 1);
    return cursor.charFormat();
  }

  BalloonSettings settings_ = MainWindowBalloonSettings();
  QTextDocument document_;
};

TEST_F(BalloonDocumentTest, BrInEitherFormStartsANewLine) {
  for (const char* markup : {"第一行</br>第二行", "第一行<br>第二行", "第一行\n第二行"}) {
    Build(markup);
    EXPECT_EQ(Lines(), QStringList({QString::fromUtf8("第一行"), QString::fromUtf8("第二行")}))
        << markup;
    QTextCharFormat format = FormatAt("第二行");
    EXPECT_DOUBLE_EQ(format.font().pointSizeF(), 9.0) << markup;
  }
}

TEST_F(BalloonDocumentTest, PlainTextIsOneLineOfNinePointBlackSongText) {
  QSizeF size = Build("按 C 键即可随机点名，方便快捷");
  EXPECT_EQ(Lines(), QStringList({QString::fromUtf8("按 C 键即可随机点名，方便快捷")}));
  QTextCharFormat format = FormatAt("随机");
  EXPECT_DOUBLE_EQ(format.font().pointSizeF(), 9.0);
  EXPECT_TRUE(format.font().families().contains(QString::fromUtf8("宋体")));
  EXPECT_EQ(format.foreground().color(), QColor(Qt::black));
  // "宋体" must land on a face that has the characters, not on a fallback without them.
  QFontInfo info(format.font());
  EXPECT_TRUE(info.family().contains(QLatin1String("CJK"))) << info.family().toStdString();
  // One line of 9-point text (12 px at 96 dpi) is at most about two lines' height.
  EXPECT_LT(size.height(), 30);
  EXPECT_GT(size.width(), 100);
}

TEST_F(BalloonDocumentTest, TheKeyHelpShowsFiveLines) {
  Build("开启软件10秒后界面将隐藏（避免遮挡幻灯片）！</br>按 C 键即可随机点名，方便快捷，不用退出幻灯片！"
        "</br>按 X 键增加该生答错次数，方便统计每节课的回答情况</br>按 v 键可以查看历史统计"
        "</br>更多请点击这里设置");
  QStringList lines = Lines();
  ASSERT_EQ(lines.size(), 5) << lines.join(u'|').toStdString();
  EXPECT_EQ(lines[3], QString::fromUtf8("按 v 键可以查看历史统计"));
}

TEST_F(BalloonDocumentTest, LongTextWrapsAtTheMaximumWidth) {
  QSizeF size = Build("很长的一行文字很长的一行文字很长的一行文字很长的一行文字", 100);
  EXPECT_LE(size.width(), 100);
  EXPECT_GT(Lines().size(), 1);
}

TEST_F(BalloonDocumentTest, TagsChangeTheStyle) {
  Build("<b>粗</b><i>斜</i><u>下</u><s>删</s><font color=red size=12pt face=Verdana>红</font>"
        "<span class=comment>绿</span><code>码</code><big>大</big><small>小</small>"
        "<a href=x>链</a><h1>标</h1>");
  EXPECT_EQ(FormatAt("粗").font().weight(), QFont::Bold);
  EXPECT_TRUE(FormatAt("斜").font().italic());
  EXPECT_TRUE(FormatAt("下").font().underline());
  EXPECT_TRUE(FormatAt("删").font().strikeOut());
  EXPECT_EQ(FormatAt("红").foreground().color(), QColor(Qt::red));
  EXPECT_DOUBLE_EQ(FormatAt("红").font().pointSizeF(), 12.0);
  EXPECT_EQ(FormatAt("绿").foreground().color(), QColor(0, 0x80, 0));  // CSS green
  EXPECT_EQ(FormatAt("码").foreground().color(), QColor(0x99, 0, 0));
  EXPECT_GT(FormatAt("大").font().pointSizeF(), 9.0);
  EXPECT_LT(FormatAt("小").font().pointSizeF(), 9.0);
  EXPECT_TRUE(FormatAt("链").isAnchor());
  EXPECT_EQ(FormatAt("链").foreground().color(), QColor(Qt::blue));
  EXPECT_EQ(FormatAt("标").font().weight(), QFont::Bold);
  EXPECT_DOUBLE_EQ(FormatAt("标").font().pointSizeF(), 14.0);
  Build("<h2>二</h2><h6>六</h6>");
  EXPECT_EQ(FormatAt("二").foreground().color(), QColor(0xff, 0x99, 0x00));
  EXPECT_DOUBLE_EQ(FormatAt("二").font().pointSizeF(), 13.0);
  EXPECT_NE(FormatAt("六").font().weight(), QFont::Bold);
}

TEST_F(BalloonDocumentTest, UnknownAndBrokenMarkupNeverLosesText) {
  Build("a<blink>b</blink></i>c<<d&nbsp;e & f<image index=1>g<b>h");
  EXPECT_EQ(document_.toRawText(), QString::fromUtf8("abc<d\u00A0e & fgh"));
  EXPECT_EQ(FormatAt("h").font().weight(), QFont::Bold);
}

TEST_F(BalloonDocumentTest, ClosingATagClosesWhatWasOpenedInsideIt) {
  QString html = BalloonMarkupToHtml(Text("<b>x<i>y</b>z"));
  EXPECT_TRUE(html.contains(QLatin1String("<b>x<i>y</i></b>z"))) << html.toStdString();
  Build("<b>x<i>y</b>z");
  EXPECT_NE(FormatAt("z").font().weight(), QFont::Bold);
  EXPECT_FALSE(FormatAt("z").font().italic());
}

TEST_F(BalloonDocumentTest, HeadingAndParagraphCloseOnlyThemselves) {
  // Both become paragraphs here, but a stray heading close leaves an open paragraph alone,
  // and a stray paragraph close leaves an open heading alone.
  Build("<p>x</h1>y</p>z");
  EXPECT_EQ(document_.toPlainText(), QStringLiteral("xy\nz"));
  Build("<h4>x</p>y</h4>z");
  EXPECT_EQ(FormatAt("y").font().weight(), QFont::Bold);
  EXPECT_EQ(document_.toPlainText(), QStringLiteral("xy\nz"));
}

TEST_F(BalloonDocumentTest, StyleSheetBecomesQtCss) {
  QString css = BalloonQtStyleSheet(DefaultBalloonStyleSheet());
  EXPECT_FALSE(css.contains(QLatin1String(":hover")));
  EXPECT_FALSE(css.contains(QLatin1String(":link")));
  EXPECT_TRUE(css.contains(QLatin1String("a {text-decoration:none;color:blue;}")))
      << css.toStdString();
  // 65% and 125% of the body's 9 points.
  EXPECT_TRUE(css.contains(QLatin1String("sub {font-size:5.85pt;vertical-align:sub;}")));
  EXPECT_TRUE(css.contains(QLatin1String("big {font-size:11.25pt;}")));
  QFont body = BalloonBodyFont(DefaultBalloonStyleSheet());
  EXPECT_DOUBLE_EQ(body.pointSizeF(), 9.0);
  EXPECT_EQ(body.families(), QStringList({QString::fromUtf8("宋体"), QStringLiteral("Verdana")}));
  // The stored sheet is the 990 bytes every tip carries.
  EXPECT_EQ(DefaultBalloonStyleSheet().size(), 990u);
}

TEST_F(BalloonDocumentTest, AStyleSheetChangesTheStartingFont) {
  settings_.style_sheet = Text("body {font-size: 12pt; color:#0000ff}\r\n");
  Build("x");
  EXPECT_DOUBLE_EQ(FormatAt("x").font().pointSizeF(), 12.0);
  EXPECT_EQ(FormatAt("x").foreground().color(), QColor(Qt::blue));
}

}  // namespace
}  // namespace rc
