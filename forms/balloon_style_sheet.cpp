#include "forms/balloon_style_sheet.h"

namespace rc::forms {

Text DefaultBalloonStyleSheet() {
  static const char* const kLines[] = {
      R"(body {font-size: 9pt; color:black; font-family:"宋体",Verdana})",
      R"(p  {font-size: 9pt; color:black; font-family:"宋体",Verdana})",
      R"(h1 {font-size: 14pt; color:black; font-family:"宋体",Verdana; font-weight:bold})",
      R"(h2 {font-size: 13pt; color:#ff9900; font-family:"宋体",Verdana; font-weight:bold})",
      R"(h3 {font-size: 12pt; color:#ff9900; font-family:"宋体",Arial; font-weight:bold})",
      R"(h4 {font-size: 10pt; color:black; font-family:"宋体",Verdana; font-weight:bold})",
      R"(h5 {font-size: 9pt; color:#ff9900; font-family:"宋体",Verdana; font-weight:bold})",
      R"(h6 {font-size: 65%; color:#626262; font-family:"宋体",Verdana; font-weight:normal})",
      R"(pre {font-size: 9pt; font-family:"宋体","Courier"; background-color:#fbedbb})",
      R"(code {color:#990000; font-family:"宋体",Arial})",
      R"(a:link {text-decoration:none; color:blue})",
      R"(a:hover {text-decoration:underline; color:blue})",
      R"(sub {font-size:65%; vertical-align:bottom})",
      R"(sup {font-size:65%; vertical-align:top})",
      R"(big {font-size:125%})",
      R"(small {font-size:75%})",
      R"(.comment {color:green})",
  };
  Text sheet;
  for (const char* line : kLines) sheet += Text::FromUtf8(line) + Text("\r\n");
  return sheet;
}

}  // namespace rc::forms
