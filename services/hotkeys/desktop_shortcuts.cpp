// The portal's calls are requests: the method returns the path of a request object at once,
// and the answer comes later as that object's Response signal, perhaps only after the teacher
// has answered a dialog of the desktop. The signal is subscribed to before the call, at the
// path the portal will use, so that a quick answer is not missed.
#include "services/hotkeys/desktop_shortcuts.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QEventLoop>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QVariantMap>

#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <utility>

namespace rc {
namespace {

const QString kPortalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kShortcutsInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
const QString kRequestInterface = QStringLiteral("org.freedesktop.portal.Request");
const QString kRegistryInterface = QStringLiteral("org.freedesktop.host.portal.Registry");

// Creating a session involves no person; binding may wait for the teacher's choice in a
// dialog of the desktop. After these the program goes on as if the portal had refused.
constexpr int kSessionAnswerMs = 10'000;
constexpr int kBindAnswerMs = 120'000;
constexpr uint32_t kResponseSuccess = 0;

QString ToQString(const Text& t) { return QString::fromStdU16String(t.ToUtf16()); }

}  // namespace

// One shortcut as the portal passes it: (sa{sv}), its id and its options.
struct PortalShortcut {
  QString id;
  QVariantMap options;
};

}  // namespace rc

Q_DECLARE_METATYPE(rc::PortalShortcut)

namespace rc {

QDBusArgument& operator<<(QDBusArgument& argument, const PortalShortcut& shortcut) {
  argument.beginStructure();
  argument << shortcut.id << shortcut.options;
  argument.endStructure();
  return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, PortalShortcut& shortcut) {
  argument.beginStructure();
  argument >> shortcut.id >> shortcut.options;
  argument.endStructure();
  return argument;
}

namespace {

// Waits for the Response of one portal request.
class PortalRequest : public QObject {
  Q_OBJECT

 public:
  PortalRequest(QDBusConnection bus, const QString& token)
      : bus_(std::move(bus)),
        path_(kPortalPath + QStringLiteral("/request/") + SenderPart(bus_) + '/' + token) {
    bus_.connect(kPortalService, path_, kRequestInterface, QStringLiteral("Response"), this,
                 SLOT(OnResponse(uint, QVariantMap)));
  }
  ~PortalRequest() override {
    bus_.disconnect(kPortalService, path_, kRequestInterface, QStringLiteral("Response"), this,
                    SLOT(OnResponse(uint, QVariantMap)));
  }

  // The results of a successful answer to `call` (which must carry this request's token);
  // empty when the call fails, the desktop declines or no answer comes within `timeout_ms`.
  std::optional<QVariantMap> Ask(const QDBusMessage& call, int timeout_ms) {
    const QDBusMessage reply = bus_.call(call);
    if (reply.type() != QDBusMessage::ReplyMessage) return std::nullopt;
    if (!answered_) {
      QTimer::singleShot(timeout_ms, &loop_, &QEventLoop::quit);
      loop_.exec();
    }
    if (!answered_ || code_ != kResponseSuccess) return std::nullopt;
    return results_;
  }

 private slots:
  void OnResponse(uint code, const QVariantMap& results) {
    answered_ = true;
    code_ = code;
    results_ = results;
    loop_.quit();
  }

 private:
  // The caller's unique bus name as the portal puts it in request paths: ":1.42" is "1_42".
  static QString SenderPart(const QDBusConnection& bus) {
    return bus.baseService().mid(1).replace('.', '_');
  }

  QDBusConnection bus_;
  QString path_;
  QEventLoop loop_;
  bool answered_ = false;
  uint code_ = 0;
  QVariantMap results_;
};

// The shortcut session of this process, held until it ends.
class ShortcutSession : public QObject {
  Q_OBJECT

 public:
  ShortcutSession(QDBusConnection bus, QString path, std::map<QString, int32_t> key_of_id,
                  QObject* parent)
      : QObject(parent),
        bus_(std::move(bus)), path_(std::move(path)), key_of_id_(std::move(key_of_id)) {
    bus_.connect(kPortalService, kPortalPath, kShortcutsInterface, QStringLiteral("Activated"),
                 this, SLOT(OnActivated(QDBusObjectPath, QString, qulonglong, QVariantMap)));
  }

  std::set<int32_t> bound_keys;  // the key codes of the shortcuts the desktop bound
  std::function<void(int32_t)> handler;

 private slots:
  void OnActivated(const QDBusObjectPath& session, const QString& id, qulonglong,
                   const QVariantMap&) {
    if (session.path() != path_) return;
    auto key = key_of_id_.find(id);
    // A copy: the handler may replace itself.
    std::function<void(int32_t)> call = handler;
    if (key != key_of_id_.end() && call) call(key->second);
  }

 private:
  QDBusConnection bus_;
  QString path_;
  std::map<QString, int32_t> key_of_id_;
};

// Owned by the application, so that it goes before the bus connection does.
QPointer<ShortcutSession> g_session;

QDBusMessage PortalCall(const QString& interface, const QString& method) {
  return QDBusMessage::createMethodCall(kPortalService, kPortalPath, interface, method);
}

// Registering is allowed only before any other portal call of the connection; a portal
// without a registry (before 1.20) answers with an error, and the desktop then knows the
// program by other means.
void RegisterWithPortal(QDBusConnection& bus, const std::string& app_id) {
  QDBusMessage call = PortalCall(kRegistryInterface, QStringLiteral("Register"));
  call << QString::fromStdString(app_id) << QVariantMap();
  bus.call(call);
}

std::optional<QString> CreateSession(QDBusConnection& bus) {
  const QString token = QStringLiteral("rollcall_session");
  PortalRequest request(bus, token);
  QDBusMessage call = PortalCall(kShortcutsInterface, QStringLiteral("CreateSession"));
  call << QVariantMap{{QStringLiteral("handle_token"), token},
                      {QStringLiteral("session_handle_token"), token}};
  std::optional<QVariantMap> results = request.Ask(call, kSessionAnswerMs);
  if (!results) return std::nullopt;
  const QString path = results->value(QStringLiteral("session_handle")).toString();
  if (path.isEmpty()) return std::nullopt;
  return path;
}

// The trigger the desktop bound for each shortcut id; empty when it refused the binding.
std::map<QString, QString> BindShortcuts(QDBusConnection& bus, const QString& session,
                                         const std::vector<DesktopShortcut>& shortcuts) {
  QList<PortalShortcut> asked;
  for (const DesktopShortcut& s : shortcuts) {
    // The key as the desktop portal names a trigger: its lower-case key symbol, "c".
    const QString key = QString(QChar(static_cast<char16_t>(s.key_code))).toLower();
    asked.push_back({QString::fromStdString(s.id),
                     {{QStringLiteral("description"), ToQString(s.description)},
                      {QStringLiteral("preferred_trigger"), key}}});
  }
  const QString token = QStringLiteral("rollcall_bind");
  PortalRequest request(bus, token);
  QDBusMessage call = PortalCall(kShortcutsInterface, QStringLiteral("BindShortcuts"));
  call << QVariant::fromValue(QDBusObjectPath(session)) << QVariant::fromValue(asked)
       << QString() << QVariantMap{{QStringLiteral("handle_token"), token}};
  std::optional<QVariantMap> results = request.Ask(call, kBindAnswerMs);
  std::map<QString, QString> triggers;
  if (!results) return triggers;
  QList<PortalShortcut> bound;
  qvariant_cast<QDBusArgument>(results->value(QStringLiteral("shortcuts"))) >> bound;
  for (const PortalShortcut& s : bound) {
    triggers[s.id] = s.options.value(QStringLiteral("trigger_description")).toString();
  }
  return triggers;
}

bool Set(const char* name) {
  const char* value = std::getenv(name);
  return value && *value;
}

}  // namespace

bool IsWaylandSession() {
  const char* type = std::getenv("XDG_SESSION_TYPE");
  return Set("WAYLAND_DISPLAY") || (type && std::strcmp(type, "wayland") == 0);
}

DesktopShortcutBinding BindDesktopShortcuts(const std::string& app_id,
                                            const std::vector<DesktopShortcut>& shortcuts) {
  DesktopShortcutBinding binding;
  binding.triggers.resize(shortcuts.size());
  if (!IsWaylandSession() || g_session) return binding;
  binding.asked = true;
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return binding;
  qDBusRegisterMetaType<PortalShortcut>();
  qDBusRegisterMetaType<QList<PortalShortcut>>();

  RegisterWithPortal(bus, app_id);
  std::optional<QString> session = CreateSession(bus);
  if (!session) return binding;
  std::map<QString, int32_t> key_of_id;
  for (const DesktopShortcut& s : shortcuts) key_of_id[QString::fromStdString(s.id)] = s.key_code;
  g_session = new ShortcutSession(bus, *session, std::move(key_of_id),
                                  QCoreApplication::instance());

  const std::map<QString, QString> triggers = BindShortcuts(bus, *session, shortcuts);
  for (size_t i = 0; i < shortcuts.size(); ++i) {
    auto trigger = triggers.find(QString::fromStdString(shortcuts[i].id));
    if (trigger == triggers.end() || trigger->second.isEmpty()) continue;
    binding.triggers[i] = Text::FromUtf16(trigger->second.toStdU16String());
    g_session->bound_keys.insert(shortcuts[i].key_code);
  }
  return binding;
}

bool DesktopShortcutBindsKey(int32_t key_code) {
  return g_session && g_session->bound_keys.count(key_code) != 0;
}

void SetDesktopShortcutHandler(std::function<void(int32_t key_code)> handler) {
  if (g_session) g_session->handler = std::move(handler);
}

}  // namespace rc

#include "desktop_shortcuts.moc"
