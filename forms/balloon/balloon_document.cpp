#include "forms/balloon/balloon_document.h"

#include <QRegularExpression>
#include <QStringList>
#include <QTextOption>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <string_view>
#include <vector>

#include "forms/balloon/balloon_markup.h"

namespace rc {
namespace {

constexpr double kDefaultPointSize = 9.0;

QString ToQString(const Text& text) { return QString::fromStdU16String(text.ToUtf16()); }

struct CssRule {
  QString selector;
  std::vector<std::pair<QString, QString>> properties;  // name lower-cased, value trimmed
};

std::vector<CssRule> ParseStyleSheet(const Text& style_sheet) {
  std::vector<CssRule> rules;
  const QString css = ToQString(style_sheet);
  for (const QString& chunk : css.split(u'}')) {
    qsizetype open = chunk.indexOf(u'{');
    if (open < 0) continue;
    CssRule rule;
    rule.selector = chunk.left(open).trimmed();
    if (rule.selector.isEmpty()) continue;
    for (const QString& declaration : chunk.mid(open + 1).split(u';')) {
      qsizetype colon = declaration.indexOf(u':');
      if (colon < 0) continue;
      QString name = declaration.left(colon).trimmed().toLower();
      QString value = declaration.mid(colon + 1).trimmed();
      if (!name.isEmpty() && !value.isEmpty()) rule.properties.emplace_back(name, value);
    }
    rules.push_back(std::move(rule));
  }
  return rules;
}

const CssRule* FindRule(const std::vector<CssRule>& rules, const QString& selector) {
  for (const CssRule& rule : rules) {
    if (rule.selector.compare(selector, Qt::CaseInsensitive) == 0) return &rule;
  }
  return nullptr;
}

const QString* FindProperty(const CssRule& rule, const char* name) {
  for (const auto& [property, value] : rule.properties) {
    if (property == QLatin1String(name)) return &value;
  }
  return nullptr;
}

// "9pt" -> 9, "12px" -> 9 (at 96 dpi), "65%" -> 65% of `base`; 0 when not understood.
double PointSizeOf(const QString& value, double base) {
  QString v = value.trimmed().toLower();
  bool ok = false;
  double number = 0;
  if (v.endsWith(u'%')) {
    number = v.chopped(1).trimmed().toDouble(&ok);
    return ok ? base * number / 100.0 : 0;
  }
  if (v.endsWith(QLatin1String("pt"))) {
    number = v.chopped(2).trimmed().toDouble(&ok);
    return ok ? number : 0;
  }
  if (v.endsWith(QLatin1String("px"))) {
    number = v.chopped(2).trimmed().toDouble(&ok);
    return ok ? number * 72.0 / 96.0 : 0;
  }
  number = v.toDouble(&ok);
  return ok ? number : 0;
}

QStringList FamiliesOf(const QString& value) {
  QStringList families;
  for (QString family : value.split(u',')) {
    family = family.trimmed();
    if (family.size() >= 2 && (family.front() == u'"' || family.front() == u'\'') &&
        family.back() == family.front()) {
      family = family.mid(1, family.size() - 2);
    }
    if (!family.isEmpty()) families << family;
  }
  return families;
}

double BodyPointSize(const std::vector<CssRule>& rules) {
  if (const CssRule* body = FindRule(rules, QStringLiteral("body"))) {
    if (const QString* size = FindProperty(*body, "font-size")) {
      double points = PointSizeOf(*size, kDefaultPointSize);
      if (points > 0) return points;
    }
  }
  return kDefaultPointSize;
}

// The properties the tip's texts can use, as the rich-text engine names them.
bool IsKnownProperty(const QString& name) {
  static const char* const kKnown[] = {
      "font-size",     "font-family",      "font-style",      "font-weight",
      "text-align",    "text-transform",   "color",           "background-color",
      "text-decoration", "vertical-align", "border-color",    "border-width",
      "border-style",  "margin-left",      "margin-top",      "margin-right",
      "margin-bottom", "padding-left",     "padding-top",     "padding-right",
      "padding-bottom"};
  for (const char* known : kKnown) {
    if (name == QLatin1String(known)) return true;
  }
  return false;
}

// --- markup to rich text ---------------------------------------------------------------

void AppendEscaped(QString& html, const QString& text) {
  for (qsizetype i = 0; i < text.size(); ++i) {
    QChar c = text[i];
    if (c == u'<') {
      html += QLatin1String("&lt;");
    } else if (c == u'>') {
      html += QLatin1String("&gt;");
    } else if (c == u'&') {
      // Entities the markup knows pass through; any other "&" is a plain character.
      static const char* const kEntities[] = {"&nbsp;", "&lt;", "&gt;", "&amp;", "&quot;"};
      bool entity = false;
      for (const char* name : kEntities) {
        if (text.mid(i).startsWith(QLatin1String(name), Qt::CaseInsensitive)) {
          html += QString(QLatin1String(name)).toLower();
          i += qsizetype(std::strlen(name)) - 1;
          entity = true;
          break;
        }
      }
      if (!entity) html += QLatin1String("&amp;");
    } else {
      html += c;
    }
  }
}

QString AttributeValue(const Text& value) {
  QString v = ToQString(value);
  v.replace(u'&', QLatin1String("&amp;"));
  v.replace(u'"', QLatin1String("&quot;"));
  v.replace(u'<', QLatin1String("&lt;"));
  return v;
}

void AppendAttribute(QString& html, const char* name, const QString& value) {
  html += u' ';
  html += QLatin1String(name);
  html += QLatin1String("=\"");
  html += value;
  html += u'"';
}

// Copies the listed attributes, when present, under the same names.
void CopyAttributes(QString& html, const MarkupToken& tag,
                    std::initializer_list<const char*> names) {
  for (const char* name : names) {
    if (auto value = tag.Attribute(name)) AppendAttribute(html, name, AttributeValue(*value));
  }
}

// The opening tag of a <font>: face and color map directly; sizes with a unit, weight,
// background and a CSS-like style become an inline style.
void AppendFont(QString& html, const MarkupToken& tag) {
  html += QLatin1String("<font");
  CopyAttributes(html, tag, {"face", "color"});
  QString style;
  if (auto size = tag.Attribute("size")) {
    QString v = ToQString(*size).trimmed();
    bool plain = false;
    v.toInt(&plain);
    if (plain) {
      AppendAttribute(html, "size", AttributeValue(*size));  // 1 to 7, or +n / -n
    } else if (double points = PointSizeOf(v, kDefaultPointSize); points > 0) {
      style += QStringLiteral("font-size:%1pt;").arg(points);
    }
  }
  if (auto weight = tag.Attribute("weight")) {
    style += QLatin1String("font-weight:") + AttributeValue(*weight) + u';';
  }
  if (auto background = tag.Attribute("bkgnd")) {
    style += QLatin1String("background-color:") + AttributeValue(*background) + u';';
  }
  if (auto font_style = tag.Attribute("style")) {
    QString v = ToQString(*font_style).toLower();
    if (v.contains(u':')) {
      style += AttributeValue(*font_style) + u';';
    } else {
      if (v.contains(QLatin1String("italic"))) style += QLatin1String("font-style:italic;");
      if (v.contains(QLatin1String("bold"))) style += QLatin1String("font-weight:bold;");
      if (v.contains(QLatin1String("underline"))) {
        style += QLatin1String("text-decoration:underline;");
      }
    }
  }
  if (!style.isEmpty()) AppendAttribute(html, "style", style);
  html += u'>';
}

// kHeading: Qt's own heading sizes cannot be changed by a style sheet, so headings are
// paragraphs of a class of their own (kHeadingClass + the digit) that the sheet styles.
enum class TagKind { kElement, kHeading, kLineBreak, kRule, kBody };

constexpr const char* kHeadingClass = "balloon-h";

struct TagMapping {
  const char* markup;  // name in the markup, compared ignoring case
  const char* qt;      // element emitted
  TagKind kind;
};

constexpr TagMapping kTags[] = {
    {"br", "br", TagKind::kLineBreak},
    {"hr", "hr", TagKind::kRule},
    {"body", "body", TagKind::kBody},
    {"b", "b", TagKind::kElement},
    {"bold", "b", TagKind::kElement},
    {"i", "i", TagKind::kElement},
    {"em", "em", TagKind::kElement},
    {"u", "u", TagKind::kElement},
    {"underline", "u", TagKind::kElement},
    {"s", "s", TagKind::kElement},
    {"strike", "s", TagKind::kElement},
    {"font", "font", TagKind::kElement},
    {"p", "p", TagKind::kElement},
    {"h1", "p", TagKind::kHeading},
    {"h2", "p", TagKind::kHeading},
    {"h3", "p", TagKind::kHeading},
    {"h4", "p", TagKind::kHeading},
    {"h5", "p", TagKind::kHeading},
    {"h6", "p", TagKind::kHeading},
    {"code", "code", TagKind::kElement},
    {"pre", "pre", TagKind::kElement},
    {"big", "big", TagKind::kElement},
    {"small", "small", TagKind::kElement},
    {"sub", "sub", TagKind::kElement},
    {"sup", "sup", TagKind::kElement},
    {"span", "span", TagKind::kElement},
    {"div", "div", TagKind::kElement},
    {"a", "a", TagKind::kElement},
    {"table", "table", TagKind::kElement},
    {"tr", "tr", TagKind::kElement},
    {"td", "td", TagKind::kElement},
};

const TagMapping* FindTag(const MarkupToken& token) {
  for (const TagMapping& mapping : kTags) {
    if (token.Is(mapping.markup)) return &mapping;
  }
  return nullptr;
}

void AppendOpening(QString& html, const TagMapping& mapping, const MarkupToken& tag) {
  const std::string_view qt = mapping.qt;
  if (qt == "font") {
    AppendFont(html, tag);
    return;
  }
  html += u'<';
  html += QLatin1String(mapping.qt);
  if (qt == "a") {
    auto target = tag.Attribute("href");
    if (!target) target = tag.Attribute("url");
    // Without a target Qt would not draw an anchor as a link.
    AppendAttribute(html, "href", target ? AttributeValue(*target) : QStringLiteral("#"));
    CopyAttributes(html, tag, {"class"});
  } else if (qt == "table") {
    CopyAttributes(html, tag,
                   {"border", "bgcolor", "cellpadding", "cellspacing", "width", "align", "class"});
  } else if (qt == "td") {
    CopyAttributes(html, tag,
                   {"colspan", "rowspan", "bgcolor", "align", "valign", "width", "class"});
  } else if (qt == "tr") {
    CopyAttributes(html, tag, {"bgcolor", "valign", "class"});
  } else {
    CopyAttributes(html, tag, {"class", "align"});
  }
  html += u'>';
}

}  // namespace

QString BalloonQtStyleSheet(const Text& style_sheet) {
  const std::vector<CssRule> rules = ParseStyleSheet(style_sheet);
  const double body_points = BodyPointSize(rules);
  // Headings are bold unless the sheet says otherwise.
  QString css;
  for (char digit = '1'; digit <= '6'; ++digit) {
    css += QLatin1String("p.") + QLatin1String(kHeadingClass) + QLatin1Char(digit) +
           QLatin1String(" {font-weight:bold;}\n");
  }
  static const QRegularExpression kHeadingSelector(QStringLiteral("^[hH]([1-6])(?=$|[.:\\s])"));
  for (const CssRule& rule : rules) {
    QString selector = rule.selector;
    selector.replace(kHeadingSelector,
                     QLatin1String("p.") + QLatin1String(kHeadingClass) + QLatin1String("\\1"));
    if (selector.contains(QLatin1String(":hover"), Qt::CaseInsensitive) ||
        selector.contains(QLatin1String(":active"), Qt::CaseInsensitive) ||
        selector.contains(QLatin1String(":visited"), Qt::CaseInsensitive)) {
      continue;
    }
    selector.replace(QLatin1String(":link"), QString(), Qt::CaseInsensitive);
    QString declarations;
    for (const auto& [name, value] : rule.properties) {
      if (!IsKnownProperty(name)) continue;
      QString v = value;
      if (name == QLatin1String("font-size")) {
        double points = PointSizeOf(v, body_points);
        if (points <= 0) continue;
        v = QStringLiteral("%1pt").arg(points);
      } else if (name == QLatin1String("vertical-align")) {
        // The markup's top and bottom raise and lower the text, as super and sub do.
        if (v.compare(QLatin1String("top"), Qt::CaseInsensitive) == 0) v = QStringLiteral("super");
        if (v.compare(QLatin1String("bottom"), Qt::CaseInsensitive) == 0) v = QStringLiteral("sub");
      }
      declarations += name + u':' + v + u';';
    }
    if (declarations.isEmpty()) continue;
    css += selector + QLatin1String(" {") + declarations + QLatin1String("}\n");
  }
  return css;
}

QFont BalloonBodyFont(const Text& style_sheet) {
  EnsureBalloonFonts();
  const std::vector<CssRule> rules = ParseStyleSheet(style_sheet);
  QFont font;
  QStringList families{QString::fromUtf8("宋体")};
  if (const CssRule* body = FindRule(rules, QStringLiteral("body"))) {
    if (const QString* family = FindProperty(*body, "font-family")) {
      QStringList parsed = FamiliesOf(*family);
      if (!parsed.isEmpty()) families = parsed;
    }
  }
  font.setFamilies(families);
  font.setPointSizeF(BodyPointSize(rules));
  return font;
}

QString BalloonMarkupToHtml(const Text& markup) {
  const Text wrapped = Text("<body>") + markup + Text("</body>");
  QString html;
  // Elements open in the output, innermost last.
  struct Open {
    const TagMapping* mapping;
  };
  std::vector<Open> open;
  bool body_open = false;
  for (const MarkupToken& token : TokenizeMarkup(wrapped)) {
    switch (token.kind) {
      case MarkupTokenKind::kText:
        AppendEscaped(html, ToQString(token.text));
        continue;
      case MarkupTokenKind::kLineFeed:
        html += QLatin1String("<br />");
        continue;
      case MarkupTokenKind::kCarriageReturn:
        continue;  // a CR LF pair breaks the line once, at the LF
      case MarkupTokenKind::kTab:
        html += u'\t';
        continue;
      case MarkupTokenKind::kTag:
        break;
    }
    const TagMapping* mapping = FindTag(token);
    if (!mapping) continue;  // unknown tags, and pictures without an image list
    switch (mapping->kind) {
      case TagKind::kLineBreak:
        // "<br>", "<br/>" and "</br>" all break the line.
        html += QLatin1String("<br />");
        continue;
      case TagKind::kRule:
        if (token.closing) continue;
        html += QLatin1String("<hr");
        CopyAttributes(html, token, {"width"});
        html += QLatin1String(" />");
        continue;
      case TagKind::kBody:
        // Only the outer wrapper counts; a body tag inside the text is skipped. The body
        // keeps spaces as written, like the rest of the text, and breaks only at br and
        // line feeds or where a line is too long.
        if (!token.closing && !body_open) {
          html += QLatin1String("<body style=\"white-space:pre-wrap\">");
          body_open = true;
        }
        continue;
      case TagKind::kElement:
      case TagKind::kHeading:
        break;
    }
    if (!token.closing && mapping->kind == TagKind::kHeading) {
      html += QLatin1String("<p class=\"") + QLatin1String(kHeadingClass) +
              QLatin1Char(mapping->markup[1]) + QLatin1String("\">");
      open.push_back({mapping});
      continue;
    }
    if (!token.closing) {
      AppendOpening(html, *mapping, token);
      open.push_back({mapping});
      continue;
    }
    // A closing tag closes the innermost open element of the same kind and everything
    // opened inside it; with none open it is ignored. Headings and paragraphs are both
    // paragraphs in the output, yet neither closes the other.
    for (size_t i = open.size(); i-- > 0;) {
      if (std::string_view(open[i].mapping->qt) != mapping->qt ||
          open[i].mapping->kind != mapping->kind) {
        continue;
      }
      while (open.size() > i) {
        html += QLatin1String("</") + QLatin1String(open.back().mapping->qt) + u'>';
        open.pop_back();
      }
      break;
    }
  }
  while (!open.empty()) {
    html += QLatin1String("</") + QLatin1String(open.back().mapping->qt) + u'>';
    open.pop_back();
  }
  if (body_open) html += QLatin1String("</body>");
  return html;
}

QSizeF BuildBalloonDocument(QTextDocument& document, const Text& markup,
                            const BalloonSettings& settings, qreal max_width) {
  const Text& style_sheet =
      settings.style_sheet.empty() ? DefaultBalloonStyleSheet() : settings.style_sheet;
  document.setDocumentMargin(0);
  document.setDefaultFont(BalloonBodyFont(style_sheet));
  document.setDefaultStyleSheet(BalloonQtStyleSheet(style_sheet));
  document.setHtml(BalloonMarkupToHtml(markup));
  document.setTextWidth(max_width);
  // Shrink to the longest line; the extra pixel keeps rounding from wrapping it again.
  document.setTextWidth(std::min(max_width, std::ceil(document.idealWidth()) + 1));
  return document.size();
}

void EnsureBalloonFonts() {
  const QString song = QString::fromUtf8("宋体");
  if (!QFont::substitutes(song).isEmpty()) return;
  QFont::insertSubstitutions(song, {QStringLiteral("Noto Serif CJK SC"),
                                    QStringLiteral("Noto Sans CJK SC"),
                                    QStringLiteral("Noto Sans CJK")});
}

}  // namespace rc
