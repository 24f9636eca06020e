#include "services/windows/password_prompt.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>

namespace rc {
namespace {

// Acts on the dialog once it is up, from inside its own event loop.
void WhenDialogUp(std::function<void(QDialog*)> act) {
  QTimer::singleShot(0, [act] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    act(dialog);
  });
}

TEST(PasswordPromptTest, TypedPasswordComesBackAsGbk) {
  WhenDialogUp([](QDialog* dialog) {
    auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("password"));
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->echoMode(), QLineEdit::Password);
    edit->setText(QString::fromUtf8("秘密pw"));
    dialog->accept();
  });
  Text password;
  EXPECT_TRUE(AskDatabasePassword(Text(), &password));
  EXPECT_EQ(password, "秘密pw"_gbk);
}

TEST(PasswordPromptTest, CancelEndsTheAttemptAndShowsTheNotice) {
  QString shown;
  WhenDialogUp([&shown](QDialog* dialog) {
    for (QLabel* label : dialog->findChildren<QLabel*>()) shown += label->text();
    dialog->findChild<QLineEdit*>(QStringLiteral("password"))->setText(QStringLiteral("x"));
    dialog->reject();
  });
  Text password("untouched");
  EXPECT_FALSE(AskDatabasePassword("密码错误，您还有 2 次重新输入的机会。"_gbk, &password));
  EXPECT_EQ(password, Text("untouched"));
  EXPECT_EQ(shown, QString::fromUtf8("密码错误，您还有 2 次重新输入的机会。"));
}

}  // namespace
}  // namespace rc
