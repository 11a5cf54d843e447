// SPDX-License-Identifier: MIT
// The channel on Windows: two auto-reset events named after the channel, which vanish with the
// program that made them (nothing stale to replace). The second start sets the request and
// waits for the running program to set the answer.
#include <windows.h>

#include <QWinEventNotifier>
#include <string>

#include "shell/instance_channel.h"

namespace rq {
namespace {

std::wstring eventName(const QString& channel, const char* role) {
    return (QStringLiteral("Local\\") + channel + QLatin1String(role)).toStdWString();
}

struct Handle {
    HANDLE value = nullptr;
    ~Handle() {
        if (value != nullptr) CloseHandle(value);
    }
};

}  // namespace

struct InstanceChannel::Listener {
    Handle request;
    Handle answer;
    QWinEventNotifier notifier;  // last: it stops watching before the handles close
};

InstanceChannel::InstanceChannel(const QString& name, QObject* parent)
    : QObject(parent), name_(name), listener_(std::make_unique<Listener>()) {
    connect(&listener_->notifier, &QWinEventNotifier::activated, this, [this] {
        Q_EMIT raiseRequested();
        SetEvent(listener_->answer.value);
    });
}

InstanceChannel::~InstanceChannel() = default;

bool InstanceChannel::listen() {
    Listener& listener = *listener_;
    if (listener.notifier.isEnabled()) return true;
    listener.request.value =
        CreateEventW(nullptr, FALSE, FALSE, eventName(name_, "-raise").c_str());
    listener.answer.value =
        CreateEventW(nullptr, FALSE, FALSE, eventName(name_, "-raised").c_str());
    if (listener.request.value == nullptr || listener.answer.value == nullptr) return false;
    listener.notifier.setHandle(listener.request.value);
    listener.notifier.setEnabled(true);
    return true;
}

bool InstanceChannel::askToRaise(const QString& name, int timeoutMs) {
    const Handle request{OpenEventW(EVENT_MODIFY_STATE, FALSE, eventName(name, "-raise").c_str())};
    const Handle answer{OpenEventW(SYNCHRONIZE, FALSE, eventName(name, "-raised").c_str())};
    if (request.value == nullptr || answer.value == nullptr || !SetEvent(request.value)) {
        return false;
    }
    return WaitForSingleObject(answer.value, static_cast<DWORD>(timeoutMs)) == WAIT_OBJECT_0;
}

}  // namespace rq
