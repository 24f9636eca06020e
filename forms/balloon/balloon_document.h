// Drawing a balloon tip's markup: the tokens become Qt rich text, and the tip's style sheet
// becomes the document's default style sheet, so Qt's rich-text engine lays out and draws
// the text. Qt objects: user-interface thread only.
#ifndef ROLLCALL_FORMS_BALLOON_BALLOON_DOCUMENT_H_
#define ROLLCALL_FORMS_BALLOON_BALLOON_DOCUMENT_H_

#include <QFont>
#include <QSizeF>
#include <QString>
#include <QTextDocument>

#include "core/text.h"
#include "forms/balloon/balloon_settings.h"

namespace rc {

// The stored style sheet as Qt rich-text CSS. Rules Qt cannot apply here are dropped
// ("a:hover": a tip is not a browser), "a:link" applies to every link, and percentage font
// sizes become points relative to the body rule's size.
QString BalloonQtStyleSheet(const Text& style_sheet);

// The font of the style sheet's "body" rule (family list and size), which every text starts
// with. Without such a rule: 9-point "宋体".
QFont BalloonBodyFont(const Text& style_sheet);

// The markup as Qt rich text, wrapped in a body element first. Tags that are not drawn here
// (unknown ones, and the picture tags, since no image list is loaded) are skipped; stray or
// mismatched closing tags are ignored; tags still open at the end are closed.
QString BalloonMarkupToHtml(const Text& markup);

// Fills `document` with the markup in the tip's style and lays it out no wider than
// `max_width` pixels, as narrow as its longest line. Returns the size the text needs.
QSizeF BuildBalloonDocument(QTextDocument& document, const Text& markup,
                            const BalloonSettings& settings, qreal max_width);

// Makes sure "宋体" resolves to an installed CJK face. Harmless to call more than once.
void EnsureBalloonFonts();

}  // namespace rc

#endif  // ROLLCALL_FORMS_BALLOON_BALLOON_DOCUMENT_H_
