#include "services/windows/password_prompt.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "edb/database.h"

namespace rc {

bool AskDatabasePassword(const Text& notice, Text* password) {
  QDialog dialog;
  dialog.setWindowTitle(QString::fromUtf8("密码"));
  auto* layout = new QVBoxLayout(&dialog);
  if (!notice.empty()) layout->addWidget(new QLabel(QString::fromStdU16String(notice.ToUtf16())));
  auto* edit = new QLineEdit;
  edit->setObjectName(QStringLiteral("password"));
  edit->setEchoMode(QLineEdit::Password);
  layout->addWidget(edit);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  layout->addWidget(buttons);

  const bool accepted = dialog.exec() == QDialog::Accepted;
  QString typed = edit->text();
  if (accepted) *password = Text::FromUtf16(typed.toStdU16String());
  // Leave no copy of the password in the widget or the local string.
  edit->setText(QString(typed.size(), QLatin1Char(' ')));
  typed.fill(QLatin1Char(' '));
  return accepted;
}

void InstallDatabasePasswordPrompt() { SetPasswordPrompt(&AskDatabasePassword); }

}  // namespace rc
