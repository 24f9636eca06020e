#include "services/windows/export_commands.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QStandardPaths>

#include "core/paths.h"
#include "forms/runtime.h"

namespace rc {
namespace {

QString ToQString(const Text& t) { return QString::fromStdU16String(t.ToUtf16()); }

QString ProposedFolder() {
  const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  return !documents.isEmpty() && QDir(documents).exists() ? documents : QDir::homePath();
}

}  // namespace

void SetClipboardText(const Text& text) {
  QGuiApplication::clipboard()->setText(ToQString(text));
}

std::optional<Text> AskSavePath(forms::WindowId owner, const Text& title, const Text& file_name,
                                const Text& filter) {
  const QString proposed = QDir(ProposedFolder()).filePath(ToQString(file_name));
  const QString chosen = QFileDialog::getSaveFileName(forms::WindowWidget(owner), ToQString(title),
                                                      proposed, ToQString(filter));
  if (chosen.isEmpty()) return std::nullopt;
  // The path as the file system names it, so that the path layer finds it again.
  return TextFromNativePath(QFile::encodeName(chosen).toStdString());
}

}  // namespace rc
