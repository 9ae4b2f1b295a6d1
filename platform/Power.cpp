// SPDX-License-Identifier: GPL-3.0-or-later
// The power service: a restart goes to the desktop's session manager.
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <mutex>
#include <utility>

#include "platform/PowerService.h"
#include "platform/detail/Power.h"
#include "platform/winbase.h"

namespace platform {
namespace {

// The session manager decides whether the user may restart, and with interactive set it may ask
// for authorisation first, so the call must never wait for the reply: the user interface keeps
// running, and a refusal or a missing bus is simply not reported, as the classic callers expect.
void askSessionManagerToReboot() {
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("Reboot"));
    call << true;
    call.setInteractiveAuthorizationAllowed(true);
    QDBusConnection::systemBus().asyncCall(call);
}

struct ServiceSlot {
    std::mutex mutex;
    PowerService service = askSessionManagerToReboot;
};

ServiceSlot& slot() {
    static ServiceSlot instance;
    return instance;
}

}  // namespace

ScopedPowerService::ScopedPowerService(PowerService service) {
    std::lock_guard lock(slot().mutex);
    previous_ = std::exchange(slot().service, std::move(service));
}

ScopedPowerService::~ScopedPowerService() {
    std::lock_guard lock(slot().mutex);
    slot().service = std::move(previous_);
}

// The service runs outside the lock, so that it may itself replace the service.
void requestRestart() {
    PowerService service;
    {
        std::lock_guard lock(slot().mutex);
        service = slot().service;
    }
    if (service) {
        service();
    }
}

}  // namespace platform

DWORD SetSystemPowerState(LPCWSTR pwsSystemState, DWORD StateFlags, DWORD) {
    if (pwsSystemState != nullptr || StateFlags != POWER_STATE_RESET) {
        return ERROR_INVALID_PARAMETER;
    }
    platform::requestRestart();
    return ERROR_SUCCESS;
}
