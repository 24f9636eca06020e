#include "forms/fatal_error_box.h"

#include <unistd.h>

#include <QApplication>
#include <QMessageBox>
#include <QThread>
#include <atomic>
#include <cstdio>
#include <string>

#include "core/fatal.h"

namespace rc::forms {
namespace {

std::atomic<int> g_fatal_count{0};
std::atomic<FatalErrorPresenter> g_presenter{nullptr};

void ShowBox(const Text& text) {
  // Widgets exist only on the user-interface thread; from anywhere else the error is written
  // to standard error instead.
  QCoreApplication* app = QCoreApplication::instance();
  if (qobject_cast<QApplication*>(app) == nullptr || QThread::currentThread() != app->thread()) {
    std::fprintf(stderr, "%s", text.ToUtf8().c_str());
    return;
  }
  QMessageBox box(QMessageBox::Critical, QString(), QString::fromStdU16String(text.ToUtf16()),
                  QMessageBox::Ok);
  box.exec();
}

void OnFatalError(int32_t code, const Text& message) {
  // A second error while the first box is up ends the process at once.
  if (g_fatal_count.fetch_add(1) > 0) _exit(-1);
  Text text = FatalErrorText(code, message);
  FatalErrorPresenter presenter = g_presenter.load();
  (presenter ? presenter : &ShowBox)(text);
  std::fflush(nullptr);
  _exit(-1);
}

}  // namespace

Text FatalErrorText(int32_t code, const Text& message) {
  Text text = "运行时出错!"_gbk + Text("\r\n\r\n");
  if (code != 0) text += "错误代码："_gbk + Text(std::to_string(code)) + Text("\r\n\r\n");
  if (!message.empty()) text += "错误信息："_gbk + message + Text("\r\n");
  return text;
}

void InstallFatalErrorBox() { SetFatalErrorHandler(&OnFatalError); }

bool FatalErrorInProgress() { return g_fatal_count.load() > 0; }

void SetFatalErrorPresenterForTesting(FatalErrorPresenter presenter) {
  g_presenter.store(presenter);
}

}  // namespace rc::forms
