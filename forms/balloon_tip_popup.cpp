// A plain pop-up: the text in a tool-tip coloured frame at the anchor, "</br>" and line
// feeds as line breaks, no other markup.
#include "forms/balloon_tip_popup.h"

#include <QLabel>
#include <QTimer>

#include "forms/fonts.h"

namespace rc::forms {
namespace {

QPointer<QLabel> g_tip;

QString PlainLines(const Text& text) {
  QString s = QString::fromStdU16String(text.ToUtf16());
  s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  s.replace(QStringLiteral("</br>"), QStringLiteral("\n"), Qt::CaseInsensitive);
  s.replace(QStringLiteral("<br>"), QStringLiteral("\n"), Qt::CaseInsensitive);
  return s;
}

}  // namespace

void PopUpBalloonTip(const BalloonTipRequest& request) {
  if (g_tip) g_tip->deleteLater();
  g_tip = new QLabel(nullptr, Qt::ToolTip | Qt::FramelessWindowHint);
  g_tip->setAttribute(Qt::WA_DeleteOnClose);
  g_tip->setObjectName(QStringLiteral("balloon_tip"));
  g_tip->setFont(DefaultGuiFont());
  g_tip->setText(PlainLines(request.text));
  g_tip->setMargin(6);
  QColor back = ColourFromColorRef(request.settings.colours[0]);
  QColor fore = ColourFromColorRef(request.settings.text_colour);
  g_tip->setStyleSheet(
      QStringLiteral("QLabel { background: %1; color: %2; border: 1px solid black; }")
          .arg(back.isValid() ? back.name() : QStringLiteral("#ffffe1"),
               fore.isValid() ? fore.name() : QStringLiteral("black")));
  g_tip->adjustSize();
  g_tip->move(request.anchor);
  g_tip->show();
  if (request.auto_hide && request.settings.display_time > 0) {
    QTimer::singleShot(request.settings.display_time, g_tip.data(), &QWidget::close);
  }
}

}  // namespace rc::forms
